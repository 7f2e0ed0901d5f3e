#include "jet/page_store.h"

#include "jet/cursor.h"

namespace jet {

using namespace format;

Result<uint16_t> DataPageRowCount(const uint8_t* p, uint32_t pageNo) {
    const uint16_t rows = LoadU16(p + kDataPage.rowCountAt);
    if (size_t{kDataPage.rowTableAt} + 2u * rows > kPageSize) {
        return CorruptAt(pageNo, "the row count of a data page exceeds the page");
    }
    return rows;
}

Result<RowSlot> DataPageRow(const uint8_t* p, uint32_t pageNo, uint16_t rowCount, uint32_t row) {
    if (row >= rowCount) return CorruptAt(pageNo, "a row pointer names a row the page does not have");
    const uint16_t entry = LoadU16(p + kDataPage.rowTableAt + 2 * row);
    RowSlot slot;
    slot.flags = static_cast<uint16_t>(entry & kRowFlagsMask);
    if (slot.flags == kRowDeleted) return slot;
    const uint32_t start = entry & kRowOffsetMask;
    const uint32_t end = row == 0 ? kPageSize : (LoadU16(p + kDataPage.rowTableAt + 2 * (row - 1)) & kRowOffsetMask);
    const uint32_t tableEnd = kDataPage.rowTableAt + 2u * rowCount;
    if (start < tableEnd || start > end || end > kPageSize) {
        return CorruptAt(pageNo, "a row offset points outside the page's row area");
    }
    slot.bytes = std::span<const uint8_t>(p + start, end - start);
    return slot;
}

Result<RowSlot> FetchRow(const PageStore& store, uint32_t pgRow, uint32_t owner, bool anyOwner, const char* what) {
    const PgRow at = SplitPgRow(pgRow);
    const uint8_t* p = store.page(at.page);
    if (!p) return CorruptAt(at.page, std::string(what) + " points past the end of the file");
    if (p[0] != kPageData || (!anyOwner && LoadU32(p + kDataPage.ownerAt) != owner)) {
        return CorruptAt(at.page, std::string(what) + " points to a page of the wrong kind");
    }
    auto rows = DataPageRowCount(p, at.page);
    if (!rows) return rows.error();
    return DataPageRow(p, at.page, *rows, at.row);
}

}  // namespace jet
