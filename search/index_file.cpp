// A search index as a file, so that a bank that has not changed since the last
// run is not indexed again. The file is only a cache: anything wrong with it
// (short, damaged, another format version, other character tables, another
// bank) makes Load return nullptr, and the caller builds the index afresh.
//
// Layout, little-endian: a header of kHeaderSize bytes, then the arrays of
// EachArray one after another, each as many elements as the header says, with
// nothing between them. The fields before the counts must equal what the
// reader expects; the checksum covers the rest.
//
//   offset  size  field
//        0     8  kMagic
//        8     4  format version, kFormatVersion
//       12     4  rows indexed
//       16     8  checksum: Hash64 of the counts (bytes [48, kHeaderSize))
//                 followed by the Hash64 of each array's bytes, in file order
//       24     8  CharTables::Fingerprint() of the tables the rows were folded with
//       32     8  the bank's BankStamp::hash
//       40     8  the bank's BankStamp::size
//       48  8 * kArrayCount  element count of each array, in file order
#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

#include "base/hash64.h"
#include "search/index.h"

namespace search {

namespace {

constexpr char kMagic[8] = {'T', 'o', 'v', 'i', 'I', 'd', 'x', '\x1A'};
// Raised whenever what the index holds, or how, changes.
constexpr uint32_t kFormatVersion = 4;
constexpr size_t kArrayCount = 14;

struct HeaderLayout {
    size_t versionAt = 8, rowsAt = 12, checksumAt = 16, tablesAt = 24, bankHashAt = 32, bankSizeAt = 40, countsAt = 48;
};
constexpr HeaderLayout kHeader;
constexpr size_t kHeaderSize = kHeader.countsAt + 8 * kArrayCount;

constexpr bool kLittleEndian = std::endian::native == std::endian::little;
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kCompareChecksum = false;   // so that a fuzzer's changes reach Consistent()
#else
constexpr bool kCompareChecksum = true;
#endif

void Put32(uint8_t* at, uint32_t v) { std::memcpy(at, &v, 4); }
void Put64(uint8_t* at, uint64_t v) { std::memcpy(at, &v, 8); }
uint32_t Get32(const uint8_t* at) {
    uint32_t v;
    std::memcpy(&v, at, 4);
    return v;
}
uint64_t Get64(const uint8_t* at) {
    uint64_t v;
    std::memcpy(&v, at, 8);
    return v;
}

template <class Array>
uint64_t HashArray(const Array& a) {
    return base::Hash64(a.data(), a.size() * sizeof(a[0]));
}

uint64_t Checksum(const uint8_t* header, const uint64_t (&arrays)[kArrayCount]) {
    uint8_t all[kHeaderSize - kHeader.countsAt + sizeof arrays];
    std::memcpy(all, header + kHeader.countsAt, kHeaderSize - kHeader.countsAt);
    std::memcpy(all + kHeaderSize - kHeader.countsAt, arrays, sizeof arrays);
    return base::Hash64(all, sizeof all);
}

// Offsets into an array of `end` elements: `count` of them, from 0 up to
// `end`, never decreasing.
template <class Offsets>
bool AreOffsets(const Offsets& at, size_t count, size_t end) {
    return at.size() == count && at.front() == 0 && at.back() == end && std::is_sorted(at.begin(), at.end());
}

// A posting (see SearchIndex::postings_) whose every row is below
// `rowCount`, in increasing order, each gap in at most five groups.
bool IsPosting(const uint8_t* at, const uint8_t* end, uint32_t rowCount) {
    int64_t row = -1;
    while (at < end) {
        uint64_t gap = 0;
        for (int shift = 0;; shift += 7) {
            if (at == end || shift > 28) return false;
            const uint8_t b = *at++;
            gap |= uint64_t{b & 0x7Fu} << shift;
            if (!(b & 0x80)) break;
        }
        row += static_cast<int64_t>(gap);
        if (gap == 0 || row >= int64_t{rowCount}) return false;
    }
    return true;
}

// No bit set for a row at or past `rowCount` in a bitmap of `words` words.
bool EndsClean(const uint64_t* bits, size_t words, uint32_t rowCount) {
    return rowCount % 64 == 0 || words == 0 || !(bits[words - 1] >> (rowCount % 64));
}

}  // namespace

template <class Self, class Visit>
void SearchIndex::EachArray(Self& self, Visit&& visit) {
    visit(self.units_);
    visit(self.unitStart_);
    visit(self.pinyin_);
    visit(self.pinyinStart_);
    visit(self.letters_);
    visit(self.chars_);
    visit(self.typed_);
    visit(self.held_);
    visit(self.repeat_);
    visit(self.widePinyin_);
    visit(self.postingAt_);
    visit(self.postings_);
    visit(self.denseKeys_);
    visit(self.bitmaps_);
}

bool SearchIndex::Save(const BankStamp& bank, const ByteSink& write) const {
    Finish();
    if (!kLittleEndian || !Complete()) return false;
    uint8_t header[kHeaderSize] = {};
    std::memcpy(header, kMagic, sizeof kMagic);
    Put32(header + kHeader.versionAt, kFormatVersion);
    Put32(header + kHeader.rowsAt, rowCount_);
    Put64(header + kHeader.tablesAt, CharTables::Get().Fingerprint());
    Put64(header + kHeader.bankHashAt, bank.hash);
    Put64(header + kHeader.bankSizeAt, bank.size);
    uint64_t hashes[kArrayCount] = {};
    size_t i = 0;
    EachArray(*this, [&](const auto& a) {
        Put64(header + kHeader.countsAt + 8 * i, a.size());
        hashes[i++] = HashArray(a);
    });
    Put64(header + kHeader.checksumAt, Checksum(header, hashes));
    if (!write(header, kHeaderSize)) return false;
    bool written = true;
    EachArray(*this, [&](const auto& a) {
        if (written && !a.empty()) written = write(a.data(), a.size() * sizeof(a[0]));
    });
    return written;
}

std::string SearchIndex::Save(const BankStamp& bank) const {
    std::string out;
    Save(bank, [&](const void* data, size_t size) {
        out.append(static_cast<const char*>(data), size);
        return true;
    });
    return out;
}

std::unique_ptr<SearchIndex> SearchIndex::Load(const ByteSource& read, uint64_t fileSize, const BankStamp& bank,
                                               uint32_t rowCount, RowSource source) {
    if (!kLittleEndian || fileSize < kHeaderSize) return nullptr;
    uint8_t header[kHeaderSize];
    if (!read(header, kHeaderSize)) return nullptr;
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || Get32(header + kHeader.versionAt) != kFormatVersion ||
        Get32(header + kHeader.rowsAt) != rowCount ||
        Get64(header + kHeader.tablesAt) != CharTables::Get().Fingerprint() ||
        Get64(header + kHeader.bankHashAt) != bank.hash || Get64(header + kHeader.bankSizeAt) != bank.size) {
        return nullptr;
    }
    std::unique_ptr<SearchIndex> index(new SearchIndex());
    // The counts must add up to exactly the bytes after the header before
    // anything is allocated for them.
    uint64_t left = fileSize - kHeaderSize;
    bool fits = true;
    size_t i = 0;
    EachArray(*index, [&](auto& a) {
        const uint64_t count = Get64(header + kHeader.countsAt + 8 * i++);
        const size_t unit = sizeof(a[0]);
        if (!fits || count > left / unit || count > a.max_size()) {
            fits = false;
            return;
        }
        left -= count * unit;
    });
    if (!fits || left != 0) return nullptr;
    try {
        bool whole = true;
        uint64_t hashes[kArrayCount] = {};
        i = 0;
        EachArray(*index, [&](auto& a) {
            a.resize(static_cast<size_t>(Get64(header + kHeader.countsAt + 8 * i)));
            if (whole && !a.empty()) whole = read(a.data(), a.size() * sizeof(a[0]));
            hashes[i++] = HashArray(a);
        });
        if (!whole || (kCompareChecksum && Checksum(header, hashes) != Get64(header + kHeader.checksumAt))) return nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
    index->rowCount_ = rowCount;
    if (!index->Consistent()) return nullptr;
    index->source_ = std::move(source);
    return index;
}

std::unique_ptr<SearchIndex> SearchIndex::Load(std::string_view bytes, const BankStamp& bank, uint32_t rowCount,
                                               RowSource source) {
    size_t at = 0;
    const auto read = [&](void* data, size_t size) {
        if (size > bytes.size() - at) return false;
        std::memcpy(data, bytes.data() + at, size);
        at += size;
        return true;
    };
    return Load(read, bytes.size(), bank, rowCount, std::move(source));
}

// What the searches rely on, checked once so that a file that passed the
// checksum by accident or design still cannot lead a search out of bounds.
bool SearchIndex::Consistent() const {
    const size_t words = (size_t{rowCount_} + 63) / 64;
    if (!AreOffsets(unitStart_, size_t{rowCount_} + 1, units_.size()) ||
        !AreOffsets(pinyinStart_, size_t{rowCount_} + 1, pinyin_.size()) || letters_.size() != rowCount_ ||
        chars_.size() != rowCount_ || typed_.size() != rowCount_ || held_.size() != rowCount_ || repeat_.size() != words ||
        !EndsClean(repeat_.data(), words, rowCount_) || widePinyin_.size() != words ||
        !EndsClean(widePinyin_.data(), words, rowCount_) ||
        !AreOffsets(postingAt_, size_t{RowSignature::kKeyCount} + 1, postings_.size()) ||
        bitmaps_.size() / std::max<size_t>(words, 1) != denseKeys_.size() || bitmaps_.size() % std::max<size_t>(words, 1)) {
        return false;
    }
    if (words == 0 && !bitmaps_.empty()) return false;
    for (size_t d = 0; d < denseKeys_.size(); ++d) {
        const uint32_t key = denseKeys_[d];
        if (key >= RowSignature::kKeyCount || (d > 0 && key <= denseKeys_[d - 1])) return false;
        if (postingAt_[key] != postingAt_[key + 1]) return false;   // a dense key's sparse part is empty
        if (!EndsClean(bitmaps_.data() + d * words, words, rowCount_)) return false;
    }
    const uint8_t* all = postings_.data();
    for (uint32_t key = 0; key < RowSignature::kKeyCount; ++key) {
        if (!IsPosting(all + postingAt_[key], all + postingAt_[key + 1], rowCount_)) return false;
    }
    return true;
}

}  // namespace search
