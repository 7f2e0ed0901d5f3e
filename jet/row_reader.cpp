#include "jet/row_reader.h"

#include <algorithm>

#include "jet/cursor.h"

namespace jet {

using namespace format;

bool ReachedRows::First(uint32_t pgRow) {
    const PgRow at = SplitPgRow(pgRow);
    if (at.page >= pageCount_) return true;
    if (bits_.empty()) bits_.resize((size_t{pageCount_} * 256 + 63) / 64);
    const size_t bit = size_t{at.page} * 256 + at.row;
    uint64_t& word = bits_[bit / 64];
    const uint64_t mask = uint64_t{1} << (bit % 64);
    if (word & mask) return false;
    word |= mask;
    return true;
}

namespace detail {

Result<RowSlot> FollowOverflow(const PageStore& store, const TableDef& table, std::span<const uint8_t> pointerRow,
                               uint32_t page, ReachedRows& reached) {
    // A pointer leads to the real row; it is not expected to lead on again,
    // but a short chain is tolerated and a longer one is damage.
    constexpr int kMaxHops = 8;
    std::span<const uint8_t> bytes = pointerRow;
    for (int hop = 0; hop < kMaxHops; ++hop) {
        if (bytes.size() < 4) return CorruptAt(page, "an overflow row pointer is too short");
        const uint32_t pgRow = LoadU32(bytes.data());
        if (!reached.First(pgRow)) {
            return CorruptAt(SplitPgRow(pgRow).page, "an overflow row is reached twice (pointers loop, or two rows share it)");
        }
        auto target = FetchRow(store, pgRow, table.page, false, "an overflow row pointer");
        if (!target) return target;
        if (target->flags != kRowOverflowPointer) return target;
        bytes = target->bytes;
        page = SplitPgRow(pgRow).page;
    }
    return CorruptAt(page, "overflow row pointers form a loop");
}

}  // namespace detail

Result<std::span<const uint8_t>> ReadLongValue(const PageStore& store, std::span<const uint8_t> field,
                                               std::vector<uint8_t>& scratch, uint32_t rowPage, ReachedRows& reached) {
    if (field.empty()) return field;
    if (field.size() < kLongValue.headerSize) return CorruptAt(rowPage, "a long value's header is cut short");
    const uint32_t word = LoadU32(field.data() + kLongValue.lengthAt);
    const uint32_t length = word & kLongValueLengthMask;
    const auto storage = static_cast<uint8_t>(word >> 24);
    const uint32_t pgRow = LoadU32(field.data() + kLongValue.pgRowAt);

    if (storage == kLongValueInline) {
        if (length > field.size() - kLongValue.headerSize) return CorruptAt(rowPage, "an inline long value overruns its row");
        return field.subspan(kLongValue.headerSize, length);
    }
    const auto sharedOrLooping = [&](uint32_t at) {
        return CorruptAt(SplitPgRow(at).page, "a long value row is reached twice (a chain loops, or two cells share it)");
    };
    if (length > uint64_t{store.pageCount()} * kPageSize) {
        return CorruptAt(rowPage, "a long value claims more bytes than the whole file holds");
    }
    if (storage == kLongValueSingle) {
        if (!reached.First(pgRow)) return sharedOrLooping(pgRow);
        auto slot = FetchRow(store, pgRow, kLvalTag, false, "a long value pointer");
        if (!slot) return slot.error();
        if (slot->flags == kRowDeleted || slot->bytes.size() < length) {
            return CorruptAt(SplitPgRow(pgRow).page, "a long value row is missing or shorter than its length");
        }
        return slot->bytes.first(length);
    }
    if (storage != kLongValueChain) return CorruptAt(rowPage, "a long value has an unknown storage kind");

    // Each chain row is u32 next pg_row + data. Every row must carry data, so
    // the walk ends after at most `length` rows; a row seen twice is a loop.
    scratch.clear();
    scratch.reserve(length);
    uint32_t next = pgRow;
    while (scratch.size() < length) {
        if (next == 0) return CorruptAt(rowPage, "a long value chain ends before its length");
        if (!reached.First(next)) return sharedOrLooping(next);
        auto slot = FetchRow(store, next, kLvalTag, false, "a long value chain pointer");
        if (!slot) return slot.error();
        const auto bytes = slot->bytes;
        if (slot->flags == kRowDeleted || bytes.size() <= kLongValueChainLink) {
            return CorruptAt(SplitPgRow(next).page, "a long value chain row is empty");
        }
        const size_t take = std::min(bytes.size() - kLongValueChainLink, length - scratch.size());
        scratch.insert(scratch.end(), bytes.begin() + kLongValueChainLink, bytes.begin() + kLongValueChainLink + static_cast<ptrdiff_t>(take));
        next = LoadU32(bytes.data());
    }
    return std::span<const uint8_t>(scratch);
}

}  // namespace jet
