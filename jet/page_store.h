// The pages of an open database, checked on every fetch, and the helpers that
// locate one row on a data page.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "jet/database.h"
#include "jet/format.h"

namespace jet {

inline Error CorruptAt(uint32_t page, std::string what) {
    return Error{Error::Corrupt, "The database is damaged: " + what + " (page " + std::to_string(page) + ").", page};
}

class PageStore {
public:
    PageStore() = default;
    // `bytes` must be a whole number of pages and outlive the store.
    explicit PageStore(std::span<const uint8_t> bytes)
        : bytes_(bytes), pageCount_(static_cast<uint32_t>(bytes.size() / format::kPageSize)) {}

    uint32_t pageCount() const { return pageCount_; }
    // nullptr for a page past the end of the file.
    const uint8_t* page(uint32_t n) const {
        return n < pageCount_ ? bytes_.data() + size_t{n} * format::kPageSize : nullptr;
    }

private:
    std::span<const uint8_t> bytes_;
    uint32_t pageCount_ = 0;
};

// Where one row lies on a data page, and the flags of its row-offset entry.
struct RowSlot {
    std::span<const uint8_t> bytes;
    uint16_t flags = 0;   // kRowDeleted, kRowOverflowPointer, kRowOverflowTarget or 0
};

// The row count of data page `p` (already type-checked), or an error when the
// row-offset table does not fit in the page.
Result<uint16_t> DataPageRowCount(const uint8_t* p, uint32_t pageNo);

// Row `row` of data page `p`: its bytes (empty for deleted rows) and flags.
// Fails for offsets outside the page or rows that run into the offset table.
Result<RowSlot> DataPageRow(const uint8_t* p, uint32_t pageNo, uint16_t rowCount, uint32_t row);

// Fetches row `pgRow` of a data page whose owner field must equal `owner`
// (a TDEF page, kLvalTag, or any value when `anyOwner`).
Result<RowSlot> FetchRow(const PageStore& store, uint32_t pgRow, uint32_t owner, bool anyOwner, const char* what);

}  // namespace jet
