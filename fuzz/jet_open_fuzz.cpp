// Opens the input as a Jet database and reads every table, the catalog
// included, whole and into column storage. Damaged input must end in an error, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jet/database.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    (void)jet::Database::PasswordMatches(bytes, "password");
    // The password fixture's password; databases without one accept any.
    auto db = jet::Database::Open(std::move(bytes), "password");
    if (!db) return 0;
    auto names = db->TableNames();
    names.push_back("MSysObjects");
    for (const auto& name : names) {
        (void)db->TableColumns(name);
        auto table = db->ReadTable(name);
        // The column storage of queries holds exactly what ReadTable reads, or
        // fails where it fails.
        const auto columns = db->ReadTextColumns(name);
        if (table.ok() != columns.ok()) __builtin_trap();
        if (table && columns->size() != table->columns.size()) __builtin_trap();
        for (size_t c = 0; table && c < columns->size(); ++c) {
            const jet::TextColumn& column = (*columns)[c];
            if (column.RowCount() != table->rows.size()) __builtin_trap();
            for (size_t r = 0; r < column.RowCount(); ++r) {
                const jet::Cell& cell = table->rows[r][c];
                if (column.Null(r) != !cell || column.Text(r) != cell.value_or("")) __builtin_trap();
            }
        }
        if (table && !table->rows.empty()) {
            const size_t picked[] = {table->columns.size() - 1, 0};
            (void)db->ScanTable(name, picked, [](std::span<const jet::CellView>) { return true; });
        }
    }
    return 0;
}
