// Opening a Jet 4 database: header and password, page decryption, the catalog
// (MSysObjects), and reading tables as text cells.
#include "jet/database.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"
#include "jet/cursor.h"
#include "jet/database_page.h"
#include "jet/format.h"
#include "jet/page_store.h"
#include "jet/rc4.h"
#include "jet/row_reader.h"
#include "jet/table_def.h"
#include "jet/text_codec.h"
#include "jet/value_text.h"

namespace jet {

using namespace format;

namespace {

// A table's entry in the catalog.
struct CatalogEntry {
    std::string name;
    std::string folded;   // for case-insensitive lookup
    uint32_t page;        // TDEF page
    bool user;            // shown by TableNames
};

bool PasswordAccepted(const DatabaseHeader& h, std::string_view password) {
    // A database without a password opens whatever password is given, as the
    // engine of record does; one with a password needs exactly that password.
    if (h.password.empty()) return true;
    return base::Utf8ToUtf16(password) == h.password;
}

enum class CellState { Null, Value };

// Bytes without a text form: as they are, or as "0x" and hexadecimal digits.
void AppendBinary(std::span<const uint8_t> bytes, ValueText form, std::string& out) {
    if (form == ValueText::Classic) {
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    out.reserve(out.size() + 2 + 2 * bytes.size());
    out += "0x";
    for (const uint8_t b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 15]);
    }
}

// What one read of a table carries from cell to cell.
struct DecodeState {
    ValueText form;
    ReachedRows reached;
    std::vector<uint8_t> scratch;   // chained long values are gathered here
};

// Decodes the value of `col` in a cracked row into `out` (appending).
Result<CellState> DecodeCell(const PageStore& store, const ColumnDef& col, const RowFields& fields, uint32_t page,
                             DecodeState& state, std::string& out) {
    if (col.type == static_cast<uint8_t>(ColumnType::Boolean)) {
        out.push_back(fields.Bit(col.number) ? '1' : '0');
        return CellState::Value;
    }
    std::span<const uint8_t> bytes;
    switch (fields.Get(col, bytes)) {
    case RowFields::Field::Null: return CellState::Null;
    case RowFields::Field::Damaged: return CorruptAt(page, "a row's value lies outside the row");
    case RowFields::Field::Value: break;
    }
    switch (static_cast<ColumnType>(col.type)) {
    case ColumnType::Text: AppendJetText(bytes, out); return CellState::Value;
    case ColumnType::Memo:
    case ColumnType::Ole: {
        auto value = ReadLongValue(store, bytes, state.scratch, page, state.reached);
        if (!value) return value.error();
        if (col.type == static_cast<uint8_t>(ColumnType::Memo)) AppendJetText(*value, out);
        else AppendBinary(*value, state.form, out);
        return CellState::Value;
    }
    case ColumnType::Binary: AppendBinary(bytes, state.form, out); return CellState::Value;
    case ColumnType::DateTime:
        if (state.form == ValueText::Exact && bytes.size() >= FixedSize(col.type)) {
            AppendIsoDateText(LoadF64(bytes.data()), out);
            return CellState::Value;
        }
        [[fallthrough]];
    default:
        // Fixed-size types keep their text form even when a descriptor does not
        // flag them as fixed (seen on GUID columns of system tables).
        if (FixedSize(col.type) != 0 && bytes.size() >= FixedSize(col.type)) AppendFixedText(col, bytes, out);
        else AppendBinary(bytes, state.form, out);
        return CellState::Value;
    }
}

// Scans the table, cracking each row; calls onRow(fields, page) -> const Error*.
template <class OnRow>
Result<base::Unit> ForEachRow(const PageStore& store, const TableDef& def, ReachedRows& reached, OnRow&& onRow) {
    RowFields fields;
    Error damaged{};
    const bool hasVar = def.varColCount > 0;
    return ScanRows(store, def, reached, [&](const ScannedRow& row) -> const Error* {
        if (!fields.Parse(row.bytes, hasVar)) {
            damaged = CorruptAt(row.page, "a row is too short for its column count and offsets");
            return &damaged;
        }
        return onRow(fields, row.page);
    });
}

Column PublicColumn(const ColumnDef& c) {
    return Column{c.name, static_cast<ColumnType>(c.type), c.length};
}

}  // namespace

struct Database::Impl {
    std::vector<uint8_t> bytes;
    DatabaseHeader header;
    PageStore store;
    std::vector<CatalogEntry> tables;

    Result<base::Unit> ReadCatalog();
    const CatalogEntry* Find(std::string_view name) const;
    Result<TableDef> Definition(std::string_view name) const;
};

Result<base::Unit> Database::Impl::ReadCatalog() {
    auto def = ReadTableDef(store, kCatalogPage);
    if (!def) return def.error();
    const ColumnDef* id = nullptr;
    const ColumnDef* name = nullptr;
    const ColumnDef* type = nullptr;
    const ColumnDef* flags = nullptr;
    for (const ColumnDef& c : def->columns) {
        if (c.name == "Id" && c.type == static_cast<uint8_t>(ColumnType::Long)) id = &c;
        else if (c.name == "Name" && c.type == static_cast<uint8_t>(ColumnType::Text)) name = &c;
        else if (c.name == "Type" && c.type == static_cast<uint8_t>(ColumnType::Integer)) type = &c;
        else if (c.name == "Flags" && c.type == static_cast<uint8_t>(ColumnType::Long)) flags = &c;
    }
    if (!id || !name || !type || !flags) {
        return CorruptAt(kCatalogPage, "the catalog lacks one of the columns Id, Name, Type and Flags");
    }
    ReachedRows reached(store.pageCount());
    Error damaged{};
    return ForEachRow(store, *def, reached, [&](const RowFields& f, uint32_t page) -> const Error* {
        std::span<const uint8_t> idBytes, typeBytes, flagBytes, nameBytes;
        const auto idField = f.Get(*id, idBytes);
        const auto typeField = f.Get(*type, typeBytes);
        const auto flagField = f.Get(*flags, flagBytes);
        const auto nameField = f.Get(*name, nameBytes);
        using F = RowFields::Field;
        if (idField == F::Damaged || typeField == F::Damaged || flagField == F::Damaged || nameField == F::Damaged) {
            damaged = CorruptAt(page, "a catalog row's value lies outside the row");
            return &damaged;
        }
        if (typeField != F::Value || idField != F::Value || nameField != F::Value) return nullptr;
        if ((LoadU16(typeBytes.data()) & kObjectTypeMask) != kObjectTypeTable) return nullptr;
        const uint32_t objectFlags = flagField == F::Value ? LoadU32(flagBytes.data()) : 0;
        CatalogEntry e;
        e.page = LoadU32(idBytes.data()) & kObjectIdMask;
        AppendJetText(nameBytes, e.name);
        e.folded = base::AsciiLower(e.name);
        e.user = (objectFlags & kObjectFlagsSystem) == 0;
        tables.push_back(std::move(e));
        return nullptr;
    });
}

const CatalogEntry* Database::Impl::Find(std::string_view name) const {
    const std::string folded = base::AsciiLower(name);
    const CatalogEntry* found = nullptr;
    for (const CatalogEntry& e : tables) {
        if (e.folded != folded) continue;
        if (e.user) return &e;
        if (!found) found = &e;
    }
    return found;
}

Result<TableDef> Database::Impl::Definition(std::string_view name) const {
    const CatalogEntry* e = Find(name);
    if (!e) return Error{Error::NoSuchTable, "The database has no table named \"" + std::string(name) + "\".", 0};
    return ReadTableDef(store, e->page);
}

Database::Database(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Result<Database> Database::Open(std::vector<uint8_t> bytes, std::string_view password) {
    auto header = ReadDatabaseHeader(bytes);
    if (!header) return header.error();
    if (!PasswordAccepted(*header, password)) {
        return Error{Error::BadPassword, "The database password does not match.", 0};
    }
    auto impl = std::make_unique<Impl>();
    // Held in a block of exactly the file's size, so that a read past the last
    // page runs off the allocation (where the sanitizer build sees it) rather
    // than into spare capacity.
    if (bytes.capacity() != bytes.size()) bytes.shrink_to_fit();
    impl->bytes = std::move(bytes);
    impl->header = std::move(*header);
    const auto pageCount = static_cast<uint32_t>(impl->bytes.size() / kPageSize);
    if (impl->header.dbKey != 0) {
        for (uint32_t n = 1; n < pageCount; ++n) {
            ApplyPageCipher(std::span<uint8_t>(impl->bytes.data() + size_t{n} * kPageSize, kPageSize),
                            impl->header.dbKey, n);
        }
    }
    impl->store = PageStore(impl->bytes);
    auto catalog = impl->ReadCatalog();
    if (!catalog) return catalog.error();
    return Database(std::move(impl));
}

Result<bool> Database::PasswordMatches(const std::vector<uint8_t>& bytes, std::string_view password) {
    auto header = ReadDatabaseHeader(bytes);
    if (!header) return header.error();
    return PasswordAccepted(*header, password);
}

DatabaseInfo Database::Info() const {
    return DatabaseInfo{4, !impl_->header.password.empty()};
}

std::vector<std::string> Database::TableNames() const {
    std::vector<std::string> names;
    for (const CatalogEntry& e : impl_->tables) {
        if (e.user) names.push_back(e.name);
    }
    return names;
}

Result<std::vector<Column>> Database::TableColumns(std::string_view name) const {
    auto def = impl_->Definition(name);
    if (!def) return def.error();
    std::vector<Column> columns;
    columns.reserve(def->columns.size());
    for (const ColumnDef& c : def->columns) columns.push_back(PublicColumn(c));
    return columns;
}

Result<Table> Database::ReadTable(std::string_view name) const {
    auto def = impl_->Definition(name);
    if (!def) return def.error();
    Table table;
    table.name = impl_->Find(name)->name;
    for (const ColumnDef& c : def->columns) table.columns.push_back(PublicColumn(c));
    table.rows.reserve(std::min<size_t>(def->rowCount, size_t{impl_->store.pageCount()} * kMaxRowsPerPage));

    const size_t width = def->columns.size();
    DecodeState state{ValueText::Classic, ReachedRows(impl_->store.pageCount()), {}};
    std::string text;
    Error failed{};
    auto scanned = ForEachRow(impl_->store, *def, state.reached, [&](const RowFields& f, uint32_t page) -> const Error* {
        Row& row = table.rows.emplace_back(width);
        for (size_t i = 0; i < width; ++i) {
            // Decode into a reused buffer, then copy at the exact size: short
            // values stay in the string's inline storage.
            text.clear();
            auto cell = DecodeCell(impl_->store, def->columns[i], f, page, state, text);
            if (!cell) {
                failed = cell.error();
                return &failed;
            }
            if (*cell == CellState::Value) row[i].emplace(text);
        }
        return nullptr;
    });
    if (!scanned) return scanned.error();
    return table;
}

void TextColumn::Reserve(size_t rows, size_t textBytes) {
    text.reserve(textBytes);
    start.reserve(rows + 1);
    nullBits.reserve((rows + 63) / 64);
    if (start.empty()) start.push_back(0);
}

bool TextColumn::EndCell(bool isNull) {
    if (start.empty()) start.push_back(0);
    text.push_back('\0');
    if (text.size() > UINT32_MAX) return false;
    const size_t r = start.size() - 1;
    if (r % 64 == 0) nullBits.push_back(0);
    if (isNull) nullBits[r / 64] |= uint64_t{1} << (r % 64);
    start.push_back(static_cast<uint32_t>(text.size()));
    return true;
}

size_t TextColumn::MemoryBytes() const {
    return text.capacity() + start.capacity() * sizeof(uint32_t) + nullBits.capacity() * sizeof(uint64_t);
}

Result<std::vector<TextColumn>> Database::ReadTextColumns(std::string_view name) const {
    auto def = impl_->Definition(name);
    if (!def) return def.error();
    const PageStore& store = impl_->store;
    const size_t width = def->columns.size();
    std::vector<TextColumn> columns(width);

    // First the sizes, from the rows as they lie: the row count, and a bound
    // on each Text cell's decoded length, exact for the bank's Han and pinyin
    // text (other cells are few in a bank and grow their column as they are
    // read). Growing by doubling instead would hold up to twice the text, and
    // three times while a column moves. A pass that meets damage leaves the
    // report to the reading pass, which meets it too.
    {
        std::vector<uint64_t> bytes(width, 0);
        size_t rows = 0;
        ReachedRows reached(store.pageCount());
        const auto sized = ForEachRow(store, *def, reached, [&](const RowFields& f, uint32_t) -> const Error* {
            ++rows;
            for (size_t c = 0; c < width; ++c) {
                const ColumnDef& col = def->columns[c];
                std::span<const uint8_t> field;
                bytes[c] += 1;   // the cell's 0 byte
                if (col.type == static_cast<uint8_t>(ColumnType::Text) && f.Get(col, field) == RowFields::Field::Value) {
                    bytes[c] += JetTextUtf8SizeBound(field);
                }
            }
            return nullptr;
        });
        if (sized) {
            for (size_t c = 0; c < width; ++c) {
                columns[c].Reserve(rows, static_cast<size_t>(std::min<uint64_t>(bytes[c], UINT32_MAX)));
            }
        }
    }

    // The reading pass decodes each Text cell straight into its column: the
    // text is laid out over the room reserved above (`used` bytes of it
    // written), so a cell costs no resize. A cell that may not fit its room
    // is decoded aside first; a column the sizes fell short for (cells of
    // other types, Memo) grows.
    std::vector<size_t> used(width, 0);
    for (TextColumn& column : columns) column.text.resize(column.text.capacity());
    const auto room = [&](size_t c, size_t need) {
        std::string& text = columns[c].text;
        if (text.size() - used[c] < need) {
            text.resize(used[c]);
            text.resize(std::max(used[c] + need, used[c] + used[c] / 2));
        }
        return text.data() + used[c];
    };
    DecodeState state{ValueText::Classic, ReachedRows(store.pageCount()), {}};
    std::string aside;
    size_t row = 0;
    Error failed{};
    auto read = ForEachRow(store, *def, state.reached, [&](const RowFields& f, uint32_t page) -> const Error* {
        for (size_t c = 0; c < width; ++c) {
            TextColumn& column = columns[c];
            const ColumnDef& col = def->columns[c];
            bool isNull = false;
            bool done = false;
            if (col.type == static_cast<uint8_t>(ColumnType::Text)) {
                std::span<const uint8_t> field;
                const auto kind = f.Get(col, field);
                if (kind == RowFields::Field::Null) {
                    isNull = done = true;
                } else if (kind == RowFields::Field::Value &&
                           column.text.size() - used[c] >= JetTextDecodeRoom(field.size()) + 1) {
                    used[c] = static_cast<size_t>(DecodeJetText(field, column.text.data() + used[c]) - column.text.data());
                    done = true;
                }
            }
            if (!done) {
                aside.clear();
                auto cell = DecodeCell(store, col, f, page, state, aside);
                if (!cell) {
                    failed = cell.error();
                    return &failed;
                }
                isNull = *cell == CellState::Null;
                std::memcpy(room(c, aside.size() + 1), aside.data(), aside.size());
                used[c] += aside.size();
            }
            *room(c, 1) = '\0';
            if (++used[c] > UINT32_MAX) {
                failed = Error{Error::Unsupported,
                               "The table '" + impl_->Find(name)->name + "' holds more text than a query can search.", 0};
                return &failed;
            }
            if (row % 64 == 0) column.nullBits.push_back(0);
            if (isNull) column.nullBits[row / 64] |= uint64_t{1} << (row % 64);
            column.start.push_back(static_cast<uint32_t>(used[c]));
        }
        ++row;
        return nullptr;
    });
    if (!read) return read.error();
    for (size_t c = 0; c < width; ++c) {
        TextColumn& column = columns[c];
        column.text.resize(used[c]);
        if (column.start.empty()) column.start.push_back(0);
        // A bound far above the text (Latin text stored uncompressed) is
        // given back, at the cost of one copy.
        if (column.text.capacity() - column.text.size() > column.text.size() / 16 + 2 * kPageSize + 3) {
            column.text.shrink_to_fit();
        }
    }
    return columns;
}

Result<base::Unit> Database::ScanTable(std::string_view name, std::span<const size_t> columns,
                                       const RowVisitor& visit, ValueText form) const {
    auto def = impl_->Definition(name);
    if (!def) return def.error();
    // Each column is decoded once per row, however often it is asked for: a
    // long value read twice would look shared.
    std::vector<const ColumnDef*> decoded;   // distinct columns, in first-asked order
    std::vector<size_t> source;              // per requested cell, its entry in `decoded`
    const auto want = [&](const ColumnDef* c) {
        const auto at = std::find(decoded.begin(), decoded.end(), c);
        source.push_back(static_cast<size_t>(at - decoded.begin()));
        if (at == decoded.end()) decoded.push_back(c);
    };
    if (columns.empty()) {
        for (const ColumnDef& c : def->columns) want(&c);
    } else {
        for (const size_t i : columns) {
            if (i >= def->columns.size()) {
                return Error{Error::NoSuchColumn, "The table has no column number " + std::to_string(i) + ".", 0};
            }
            want(&def->columns[i]);
        }
    }
    DecodeState state{form, ReachedRows(impl_->store.pageCount()), {}};
    std::string text;
    std::vector<size_t> ends(decoded.size());
    std::vector<CellView> views(decoded.size());
    std::vector<CellView> cells(source.size());
    Error failed{};
    bool stopped = false;
    Error stop{Error::Unsupported, "stopped", 0};
    auto scanned = ForEachRow(impl_->store, *def, state.reached, [&](const RowFields& f, uint32_t page) -> const Error* {
        text.clear();
        for (size_t i = 0; i < decoded.size(); ++i) {
            auto cell = DecodeCell(impl_->store, *decoded[i], f, page, state, text);
            if (!cell) {
                failed = cell.error();
                return &failed;
            }
            views[i].isNull = *cell == CellState::Null;
            ends[i] = text.size();
        }
        size_t start = 0;
        for (size_t i = 0; i < decoded.size(); ++i) {
            views[i].text = std::string_view(text).substr(start, ends[i] - start);
            start = ends[i];
        }
        for (size_t i = 0; i < source.size(); ++i) cells[i] = views[source[i]];
        stopped = !visit(cells);
        return stopped ? &stop : nullptr;
    });
    if (!scanned && !stopped) return scanned.error();
    return base::Unit{};
}

}  // namespace jet
