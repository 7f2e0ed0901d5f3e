// Table definitions (TDEF pages) and the usage maps they point to.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "jet/database.h"
#include "jet/page_store.h"

namespace jet {

// One column descriptor, as the rows of the table need it.
struct ColumnDef {
    std::string name;          // UTF-8
    uint8_t type = 0;          // ColumnType value (other codes are read as bytes)
    uint16_t number = 0;       // bit in the null mask
    uint16_t varIndex = 0;     // slot in the variable-offset table (variable columns)
    uint16_t fixedOffset = 0;  // position in the fixed area (fixed columns)
    uint16_t length = 0;       // bytes
    uint8_t flags = 0;
    uint8_t precision = 0;     // Numeric
    uint8_t scale = 0;         // Numeric
    bool isFixed() const { return (flags & format::kColumnFlagFixed) != 0; }
};

struct TableDef {
    uint32_t page = 0;           // first TDEF page: the table's id
    uint32_t rowCount = 0;       // as recorded; the rows themselves are authoritative
    uint16_t maxCols = 0;
    uint16_t varColCount = 0;
    uint32_t ownedMap = 0;       // pg_row of the owned-pages usage map
    uint32_t freeMap = 0;
    std::vector<ColumnDef> columns;   // sorted by column number
};

// Reads the definition starting at `page`, following continuation pages.
Result<TableDef> ReadTableDef(const PageStore& store, uint32_t page);

// Expands the usage map stored at row `pgRow` into its page numbers, ascending.
// A page past the end of the file is damage.
Result<std::vector<uint32_t>> ReadUsageMap(const PageStore& store, uint32_t pgRow);

}  // namespace jet
