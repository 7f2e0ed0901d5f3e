// Walking a table's data pages and cracking its rows into column fields;
// fetching long values (Memo, OLE) from LVAL pages.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "jet/cursor.h"
#include "jet/page_store.h"
#include "jet/table_def.h"

namespace jet {

// One row, cracked: which columns are present and where their bytes lie. The
// row may predate columns added later (fewer columns, fewer variable slots).
class RowFields {
public:
    // Checks the row's column count, null mask and variable-offset table.
    // False when any of them does not fit in the row.
    bool Parse(std::span<const uint8_t> row, bool hasVarColumns);

    // The null-mask bit of column `number`; false for columns the row predates.
    bool Bit(uint16_t number) const {
        return number < colCount_ && (mask_[number >> 3] >> (number & 7) & 1) != 0;
    }

    enum class Field { Null, Value, Damaged };
    // The bytes of a fixed or variable column (not Boolean, whose value is its bit).
    Field Get(const ColumnDef& col, std::span<const uint8_t>& out) const;

private:
    const uint8_t* row_ = nullptr;
    const uint8_t* mask_ = nullptr;
    const uint8_t* varTable_ = nullptr;   // eod, then varoff[n-1] .. varoff[0]
    uint32_t colCount_ = 0;
    uint32_t varCount_ = 0;
    uint32_t varTableStart_ = 0;          // row offset where the variable-offset table starts
};

// Called for every cell of a table read: kept inline.
inline bool RowFields::Parse(std::span<const uint8_t> row, bool hasVarColumns) {
    const size_t size = row.size();
    if (size < format::kRowColumnCountSize) return false;
    row_ = row.data();
    colCount_ = LoadU16(row_);
    const size_t maskSize = (colCount_ + 7) / 8;
    if (size < format::kRowColumnCountSize + maskSize) return false;
    const size_t maskAt = size - maskSize;
    mask_ = row_ + maskAt;
    varCount_ = 0;
    varTable_ = nullptr;
    varTableStart_ = static_cast<uint32_t>(maskAt);
    if (hasVarColumns) {
        // u16 n just before the mask, then n offsets and eod below it.
        if (maskAt < format::kRowColumnCountSize + 2) return false;
        varCount_ = LoadU16(row_ + maskAt - 2);
        const size_t tableSize = 2 * (size_t{varCount_} + 1);
        if (maskAt - 2 < format::kRowColumnCountSize + tableSize) return false;
        varTableStart_ = static_cast<uint32_t>(maskAt - 2 - tableSize);
        varTable_ = row_ + varTableStart_;
    }
    return true;
}

inline RowFields::Field RowFields::Get(const ColumnDef& col, std::span<const uint8_t>& out) const {
    if (!Bit(col.number)) return Field::Null;
    if (col.isFixed()) {
        const uint32_t size = format::FixedSize(col.type) ? format::FixedSize(col.type) : col.length;
        const uint32_t start = format::kRowColumnCountSize + col.fixedOffset;
        if (start + size > varTableStart_) return Field::Damaged;
        out = std::span<const uint8_t>(row_ + start, size);
        return Field::Value;
    }
    if (col.varIndex >= varCount_) return Field::Null;   // the row predates this column
    // varoff[i] sits at varTable_ + 2 * (n - i); eod (= varoff[n]) at varTable_.
    const uint32_t start = LoadU16(varTable_ + 2 * (varCount_ - col.varIndex));
    const uint32_t end = LoadU16(varTable_ + 2 * (varCount_ - col.varIndex - 1));
    if (start > end || end > varTableStart_ || start < format::kRowColumnCountSize) return Field::Damaged;
    out = std::span<const uint8_t>(row_ + start, end - start);
    return Field::Value;
}

// The long-value rows and overflow rows one read of a table has reached. Jet
// gives every cell its own long value and every overflow row one pointer, so
// a row reached a second time is damage: a chain that loops, or two cells that
// share one value. Refusing it keeps what a file makes us decode within what
// the file holds (a shared 4 MB chain would otherwise be copied once per cell).
class ReachedRows {
public:
    explicit ReachedRows(uint32_t pageCount) : pageCount_(pageCount) {}
    // True the first time `pgRow` is reached, false after that (and for a
    // page past the end, which FetchRow reports on its own).
    bool First(uint32_t pgRow);

private:
    uint32_t pageCount_;
    std::vector<uint64_t> bits_;   // one bit per (page, row); sized on first use
};

// A row found by a scan: its bytes and the page it was read from.
struct ScannedRow {
    std::span<const uint8_t> bytes;
    uint32_t page;
};

// Calls `visit(const ScannedRow&)` for every live row of the table, in page
// order and row order. An overflow pointer is followed at its own slot, and the
// rows it points to are skipped where they lie. `visit` returns an Error* (null
// to go on). Every page must belong to the table, and no row may be reached
// through two pointers.
template <class Visit>
Result<base::Unit> ScanRows(const PageStore& store, const TableDef& table, ReachedRows& reached, Visit&& visit);

// The bytes of a long value whose 12-byte (or longer, inline) field is `field`.
// Inline and single-row values are returned in place; chained ones are copied
// into `scratch`. Chains are bounded by the stored length, which is bounded by
// the file's size; every LVAL row read is recorded in `reached`.
Result<std::span<const uint8_t>> ReadLongValue(const PageStore& store, std::span<const uint8_t> field,
                                               std::vector<uint8_t>& scratch, uint32_t rowPage, ReachedRows& reached);

// ---------------------------------------------------------------------------

namespace detail {
// Resolves an overflow pointer row to the row it points to. Empty bytes with
// flags kRowDeleted when the target was deleted.
Result<RowSlot> FollowOverflow(const PageStore& store, const TableDef& table, std::span<const uint8_t> pointerRow,
                               uint32_t page, ReachedRows& reached);
}

template <class Visit>
Result<base::Unit> ScanRows(const PageStore& store, const TableDef& table, ReachedRows& reached, Visit&& visit) {
    using namespace format;
    auto pages = ReadUsageMap(store, table.ownedMap);
    if (!pages) return pages.error();
    for (const uint32_t pageNo : *pages) {
        const uint8_t* p = store.page(pageNo);
        if (!p) return CorruptAt(pageNo, "a table's usage map lists a page past the end of the file");
        if (p[0] != kPageData || LoadU32(p + kDataPage.ownerAt) != table.page) {
            return CorruptAt(pageNo, "a table's usage map lists a page that does not belong to the table");
        }
        auto rowCount = DataPageRowCount(p, pageNo);
        if (!rowCount) return rowCount.error();
        // Rows are packed downwards: each row that is not deleted lies below
        // the one before it, so no byte belongs to two rows.
        uint32_t floor = kPageSize;
        for (uint32_t r = 0; r < *rowCount; ++r) {
            auto slot = DataPageRow(p, pageNo, *rowCount, r);
            if (!slot) return slot.error();
            if (slot->flags == kRowDeleted) continue;
            const auto start = static_cast<uint32_t>(slot->bytes.data() - p);
            if (start + slot->bytes.size() > floor) return CorruptAt(pageNo, "two rows of a data page overlap");
            floor = start;
            if (slot->flags == kRowOverflowTarget) continue;
            ScannedRow row{slot->bytes, pageNo};
            if (slot->flags == kRowOverflowPointer) {
                auto target = detail::FollowOverflow(store, table, slot->bytes, pageNo, reached);
                if (!target) return target.error();
                if (target->flags == kRowDeleted) continue;
                row = ScannedRow{target->bytes, SplitPgRow(LoadU32(slot->bytes.data())).page};
            }
            if (const Error* e = visit(row)) return *e;
        }
    }
    return base::Unit{};
}

}  // namespace jet
