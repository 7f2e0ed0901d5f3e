#include "jet/writer_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include "jet/rc4.h"

namespace jet::writer {

void PutU16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutDouble(uint8_t* at, double v) {
    uint64_t bits = 0;
    static_assert(sizeof bits == sizeof v);
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

void AppendU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::optional<uint32_t> FileImage::AllocatePage() {
    const uint32_t page = PageCount();
    if (page >= kMaxPages) return std::nullopt;
    bytes_.resize(bytes_.size() + kPageSize, 0);
    return page;
}

// ---- data pages ------------------------------------------------------------

uint16_t DataPageFreeSpace(const uint8_t* page) {
    return static_cast<uint16_t>(page[kDataPage.freeSpaceAt] | page[kDataPage.freeSpaceAt + 1] << 8);
}

uint16_t DataPageRowCount(const uint8_t* page) {
    return static_cast<uint16_t>(page[kDataPage.rowCountAt] | page[kDataPage.rowCountAt + 1] << 8);
}

std::optional<uint32_t> RowPageWriter::OpenPage() {
    const auto page = file_.AllocatePage();
    if (!page) return std::nullopt;
    Format(*page);
    return page;
}

void RowPageWriter::StartOn(uint32_t page) {
    Format(page);
    current_ = page;
}

void RowPageWriter::Format(uint32_t page) {
    uint8_t* p = file_.Page(page);
    p[0] = kPageData;
    p[1] = 0x01;
    PutU16(p + kDataPage.freeSpaceAt, static_cast<uint16_t>(kPageSize - kDataPage.rowTableAt));
    PutU32(p + kDataPage.ownerAt, owner_);
    PutU16(p + kDataPage.rowCountAt, 0);
    pages_.push_back(page);
}

uint32_t RowPageWriter::Place(uint32_t page, std::span<const uint8_t> row) {
    uint8_t* p = file_.Page(page);
    const uint16_t rows = DataPageRowCount(p);
    const uint16_t free = DataPageFreeSpace(p);
    // The lowest row starts where the free gap ends.
    const uint32_t gapEnd = kDataPage.rowTableAt + 2u * rows + free;
    const auto start = static_cast<uint16_t>(gapEnd - row.size());
    std::copy(row.begin(), row.end(), p + start);
    PutU16(p + kDataPage.rowTableAt + 2 * rows, start);
    PutU16(p + kDataPage.rowCountAt, static_cast<uint16_t>(rows + 1));
    PutU16(p + kDataPage.freeSpaceAt, static_cast<uint16_t>(free - 2 - row.size()));
    return PgRow(page, rows);
}

std::optional<uint32_t> RowPageWriter::Append(std::span<const uint8_t> row) {
    if (current_) {
        const uint8_t* p = file_.Page(*current_);
        if (DataPageRowCount(p) >= kMaxRowsPerPage || DataPageFreeSpace(p) < row.size() + 2) current_.reset();
    }
    if (!current_) {
        current_ = OpenPage();
        if (!current_) return std::nullopt;
    }
    return Place(*current_, row);
}

std::optional<uint32_t> RowPageWriter::AppendAlone(std::span<const uint8_t> row) {
    const auto page = OpenPage();
    if (!page) return std::nullopt;
    return Place(*page, row);
}

// ---- usage maps ------------------------------------------------------------

std::optional<std::vector<uint8_t>> BuildUsageMap(FileImage& file, const std::vector<uint32_t>& pages) {
    std::vector<uint8_t> row(kUsageMapRowSize, 0);
    if (pages.empty()) return row;   // an empty inline map starting at page 0
    if (pages.back() - pages.front() < kInlineMapPages) {
        row[0] = kMapInline;
        PutU32(row.data() + 1, pages.front());
        for (const uint32_t page : pages) {
            const uint32_t bit = page - pages.front();
            row[5 + bit / 8] = static_cast<uint8_t>(row[5 + bit / 8] | 1u << (bit % 8));
        }
        return row;
    }
    row[0] = kMapReference;
    std::vector<uint32_t> bitmapPages(kReferenceMapSlots, 0);
    for (const uint32_t page : pages) {
        const uint32_t slot = page / kMapPageBits;   // < 17 because pages < kMaxPages
        if (bitmapPages[slot] == 0) {
            const auto bitmap = file.AllocatePage();
            if (!bitmap) return std::nullopt;
            uint8_t* b = file.Page(*bitmap);
            b[0] = kPageUsageMap;
            b[1] = 0x01;
            bitmapPages[slot] = *bitmap;
            PutU32(row.data() + 1 + 4 * slot, *bitmap);
        }
        uint8_t* bits = file.Page(bitmapPages[slot]) + kMapPageHeader;
        const uint32_t bit = page % kMapPageBits;
        bits[bit / 8] = static_cast<uint8_t>(bits[bit / 8] | 1u << (bit % 8));
    }
    return row;
}
static_assert(kMaxPages <= kReferenceMapSlots * kMapPageBits, "a reference map covers every page");

// ---- page 0 ----------------------------------------------------------------

void WriteDatabasePage(uint8_t* page, double creationDate, std::u16string_view password) {
    const DatabasePageLayout& L = kDatabasePage;
    std::memset(page, 0, kPageSize);
    page[0] = kPageDatabase;
    page[1] = 0x01;
    std::copy_n(kJetSignature, L.signatureSize, page + L.signatureAt);   // with its NUL
    PutU32(page + L.versionAt, kJet4Version);
    std::copy(std::begin(kHeaderBlockStart), std::end(kHeaderBlockStart), page + L.headerBlockAt);
    PutU16(page + L.codePageAt, kCodePage);
    PutU32(page + L.dbKeyAt, 0);
    PutU16(page + L.sortOrderAt, kSortLcid);
    PutDouble(page + L.creationDateAt, creationDate);

    // The password field is the UCS-2 password, zero-padded, XORed with the
    // whole days of the creation date as a little-endian u32, repeated.
    uint8_t mask[4];
    PutU32(mask, static_cast<uint32_t>(static_cast<int64_t>(std::trunc(creationDate))));
    for (uint32_t i = 0; i < L.passwordSize; ++i) {
        const uint32_t unit = i / 2;
        uint8_t plain = 0;
        if (unit < password.size()) plain = static_cast<uint8_t>(i % 2 == 0 ? password[unit] & 0xFF : password[unit] >> 8);
        page[L.passwordAt + i] = static_cast<uint8_t>(plain ^ mask[i % 4]);
    }
    ApplyHeaderCipher(std::span<uint8_t>(page, kPageSize));
    std::copy(std::begin(kHeaderTrailer), std::end(kHeaderTrailer), page + L.trailerAt);
}

}  // namespace jet::writer
