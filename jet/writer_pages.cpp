#include "jet/writer_pages.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
    return static_cast<uint16_t>(page[kJet4DataPage.freeSpaceAt] | page[kJet4DataPage.freeSpaceAt + 1] << 8);
}

uint16_t DataPageRowCount(const uint8_t* page) {
    return static_cast<uint16_t>(page[kJet4DataPage.rowCountAt] | page[kJet4DataPage.rowCountAt + 1] << 8);
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
    p[0] = kDataPage;
    p[1] = 0x01;
    PutU16(p + kJet4DataPage.freeSpaceAt, static_cast<uint16_t>(kPageSize - kJet4DataPage.rowOffsetsAt));
    PutU32(p + kJet4DataPage.ownerAt, owner_);
    PutU32(p + kJet4DataPage.reservedAt, 0);
    PutU16(p + kJet4DataPage.rowCountAt, 0);
    pages_.push_back(page);
}

uint32_t RowPageWriter::Place(uint32_t page, std::span<const uint8_t> row) {
    uint8_t* p = file_.Page(page);
    const uint16_t rows = DataPageRowCount(p);
    const uint16_t free = DataPageFreeSpace(p);
    // The lowest row starts where the free gap ends.
    const uint32_t gapEnd = kJet4DataPage.rowOffsetsAt + 2u * rows + free;
    const auto start = static_cast<uint16_t>(gapEnd - row.size());
    std::copy(row.begin(), row.end(), p + start);
    PutU16(p + kJet4DataPage.rowOffsetsAt + 2 * rows, start);
    PutU16(p + kJet4DataPage.rowCountAt, static_cast<uint16_t>(rows + 1));
    PutU16(p + kJet4DataPage.freeSpaceAt, static_cast<uint16_t>(free - 2 - row.size()));
    return PgRow(page, rows);
}

std::optional<uint32_t> RowPageWriter::Append(std::span<const uint8_t> row) {
    if (current_) {
        const uint8_t* p = file_.Page(*current_);
        if (DataPageRowCount(p) >= kJet4DataPage.maxRows || DataPageFreeSpace(p) < row.size() + 2) current_.reset();
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
        row[0] = kInlineMap;
        PutU32(row.data() + 1, pages.front());
        for (const uint32_t page : pages) {
            const uint32_t bit = page - pages.front();
            row[5 + bit / 8] = static_cast<uint8_t>(row[5 + bit / 8] | 1u << (bit % 8));
        }
        return row;
    }
    row[0] = kReferenceMap;
    std::vector<uint32_t> bitmapPages(kReferenceMapSlots, 0);
    for (const uint32_t page : pages) {
        const uint32_t slot = page / kPagesPerBitmapPage;   // < 17 because pages < kMaxPages
        if (bitmapPages[slot] == 0) {
            const auto bitmap = file.AllocatePage();
            if (!bitmap) return std::nullopt;
            uint8_t* b = file.Page(*bitmap);
            b[0] = kUsageBitmapPage;
            b[1] = 0x01;
            bitmapPages[slot] = *bitmap;
            PutU32(row.data() + 1 + 4 * slot, *bitmap);
        }
        uint8_t* bits = file.Page(bitmapPages[slot]) + kBitmapPageDataAt;
        const uint32_t bit = page % kPagesPerBitmapPage;
        bits[bit / 8] = static_cast<uint8_t>(bits[bit / 8] | 1u << (bit % 8));
    }
    return row;
}
static_assert(kMaxPages <= kReferenceMapSlots * kPagesPerBitmapPage, "a reference map covers every page");

// ---- page 0 ----------------------------------------------------------------

void Rc4(std::span<const uint8_t> key, std::span<uint8_t> data) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (size_t i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + key[i % key.size()]);
        std::swap(s[i], s[j]);
    }
    uint8_t a = 0, b = 0;
    for (uint8_t& byte : data) {
        a = static_cast<uint8_t>(a + 1);
        b = static_cast<uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        byte = static_cast<uint8_t>(byte ^ s[static_cast<uint8_t>(s[a] + s[b])]);
    }
}

void WriteDatabasePage(uint8_t* page, double creationDate, std::u16string_view password) {
    const DatabasePageLayout& L = kJet4DatabasePage;
    std::memset(page, 0, kPageSize);
    std::copy(kDatabasePageSignature.begin(), kDatabasePageSignature.end(), page + L.signatureAt);
    PutU32(page + L.versionAt, kJet4Version);
    std::copy(kHeaderConstants.begin(), kHeaderConstants.end(), page + L.constantsAt);
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
    Rc4(kHeaderMaskKey, std::span<uint8_t>(page + L.maskedAt, L.maskedSize));
    std::copy(kHeaderTrailer.begin(), kHeaderTrailer.end(), page + L.trailerAt);
}

}  // namespace jet::writer
