// The page-level pieces of the writer: the growing file image, pages filled
// with rows from the end downwards, usage maps and the database page.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "jet/writer_layout.h"

namespace jet::writer {

// pg_row: page number in the upper 24 bits, row number in the low byte.
constexpr uint32_t PgRow(uint32_t page, uint32_t row) { return page << 8 | row; }

void PutU16(uint8_t* at, uint16_t v);
void PutU32(uint8_t* at, uint32_t v);
void PutDouble(uint8_t* at, double v);
void AppendU16(std::vector<uint8_t>& out, uint16_t v);
void AppendU32(std::vector<uint8_t>& out, uint32_t v);

// The whole file, built in memory and only ever grown by whole zeroed pages.
class FileImage {
public:
    // Appends one zeroed page; nullopt once the file would pass the Jet 4 size limit.
    std::optional<uint32_t> AllocatePage();
    uint32_t PageCount() const { return static_cast<uint32_t>(bytes_.size() / kPageSize); }
    uint8_t* Page(uint32_t page) { return bytes_.data() + static_cast<size_t>(page) * kPageSize; }
    const uint8_t* Page(uint32_t page) const { return bytes_.data() + static_cast<size_t>(page) * kPageSize; }
    std::vector<uint8_t> Release() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

// Lays rows on data pages (type 0x01) owned by one TDEF page or by "LVAL":
// rows are packed from the page end downwards, the row-offset table grows
// from the header, and the free-space field is kept exact after every row.
class RowPageWriter {
public:
    RowPageWriter(FileImage& file, uint32_t owner) : file_(file), owner_(owner) {}

    // Stores `row` on the current page, or on a fresh one when it does not fit
    // there; returns its pg_row. nullopt when the file is full. The caller
    // keeps rows within kMaxRowSize.
    std::optional<uint32_t> Append(std::span<const uint8_t> row);

    // Makes `page`, allocated earlier and still zero, the current page.
    void StartOn(uint32_t page);

    // Starts a fresh page holding only `row` (a long-value chain row).
    std::optional<uint32_t> AppendAlone(std::span<const uint8_t> row);

    const std::vector<uint32_t>& Pages() const { return pages_; }

private:
    std::optional<uint32_t> OpenPage();
    void Format(uint32_t page);
    uint32_t Place(uint32_t page, std::span<const uint8_t> row);

    FileImage& file_;
    uint32_t owner_;
    std::vector<uint32_t> pages_;   // every page this writer opened, in order
    std::optional<uint32_t> current_;
};

// Free space of a data page as its header records it.
uint16_t DataPageFreeSpace(const uint8_t* page);
uint16_t DataPageRowCount(const uint8_t* page);

// A fixed-size usage-map row (kUsageMapRowSize bytes) for the sorted page set
// `pages`. Sets spanning no more than kInlineMapPages pages are inline maps;
// larger ones become reference maps whose bitmap pages are allocated here.
// nullopt when the file is full.
std::optional<std::vector<uint8_t>> BuildUsageMap(FileImage& file, const std::vector<uint32_t>& pages);

// Page 0. `creationDate` is in days since 1899-12-30; `password` holds at most
// kMaxPasswordChars UTF-16 units (empty: no password).
void WriteDatabasePage(uint8_t* page, double creationDate, std::u16string_view password);

}  // namespace jet::writer
