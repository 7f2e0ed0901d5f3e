// On-disk layout of Jet 4 databases: page types, the database page, table
// definition pages, data pages, rows and long values. Readers and the writer
// use these names instead of bare offsets. All integers are little-endian.
#pragma once
#include <cstddef>
#include <cstdint>

namespace jet::format {

constexpr uint32_t kPageSize = 4096;

// Byte 0 of every page.
enum PageType : uint8_t {
    kPageDatabase = 0x00,    // page 0 only (never-used pages read as 0x00 too)
    kPageData = 0x01,        // rows; also usage-map holders and long-value (LVAL) pages
    kPageTableDef = 0x02,    // table definition, possibly continued on more 0x02 pages
    kPageIndexNode = 0x03,
    kPageIndexLeaf = 0x04,
    kPageUsageMap = 0x05,    // bitmap page of a reference usage map
};

// A 32-bit row pointer: low byte the row number, upper 24 bits the page.
struct PgRow {
    uint32_t page;
    uint8_t row;
};
constexpr PgRow SplitPgRow(uint32_t v) { return {v >> 8, static_cast<uint8_t>(v & 0xFF)}; }
constexpr uint32_t MakePgRow(uint32_t page, uint8_t row) { return page << 8 | row; }

// ---------------------------------------------------------------------------
// Page 0, the database definition page.
//
// OFFSET SIZE  CONTENT
// 0x00   4     00 01 00 00
// 0x04   16    "Standard Jet DB\0"
// 0x14   4     version: 0 Jet 3, 1 Jet 4, 2.. later engines
// 0x18   128   header block, stored RC4-encrypted with kHeaderKey:
//   0x3C 2       code page (1252)
//   0x3E 4       db_key: page-encryption key, 0 = pages stored in clear
//   0x42 40      password, UCS-2LE, XORed with the creation-date mask
//   0x6E 4       default sort order (LCID, version)
//   0x72 8       creation date (double, days since 1899-12-30)
// 0x98   8     54 06 00 00 "4.0\0"
struct DatabasePageLayout {
    uint16_t signatureAt;       // "Standard Jet DB\0"
    uint16_t signatureSize;
    uint16_t versionAt;         // u8 engine version
    uint16_t headerBlockAt;     // start of the RC4-obfuscated block
    uint16_t headerBlockSize;
    uint16_t codePageAt;        // u16
    uint16_t dbKeyAt;           // u32
    uint16_t passwordAt;        // 40 bytes
    uint16_t passwordSize;
    uint16_t sortOrderAt;       // u16 LCID, u16 version
    uint16_t creationDateAt;    // f64
    uint16_t trailerAt;         // 8 constant bytes after the block
};
constexpr DatabasePageLayout kDatabasePage{0x04, 16, 0x14, 0x18, 128, 0x3C, 0x3E, 0x42, 40, 0x6E, 0x72, 0x98};

constexpr char kJetSignature[] = "Standard Jet DB";   // followed by NUL on disk
constexpr char kAceSignature[] = "Standard ACE DB";
constexpr uint8_t kVersionJet3 = 0;
constexpr uint8_t kVersionJet4 = 1;
// Fixed RC4 key of the header block.
constexpr uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
// The 24 bytes at 0x18 (inside the block, in clear) in every Access-made file.
constexpr uint8_t kHeaderBlockStart[24] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                           0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr uint8_t kHeaderTrailer[8] = {0x54, 0x06, 0x00, 0x00, 0x34, 0x2E, 0x30, 0x00};
constexpr size_t kMaxPasswordChars = 20;

// ---------------------------------------------------------------------------
// Table definition (TDEF) page. Offsets are into the logical definition: the
// first page whole, then bytes kTdefContinuationHeader.. of each continuation.
//
// After the header: num_real_idx x 12 bytes, num_cols column descriptors,
// num_cols names (u16 byte length + UCS-2LE), num_real_idx x 52 bytes,
// num_idx x 28 bytes, num_idx names, one long-value entry per Memo/OLE column,
// FF FF.
struct TdefLayout {
    uint16_t freeSpaceAt;       // u16: 4096 - 8 - bytes used on this page
    uint16_t nextPageAt;        // u32: next definition page, 0 = none
    uint16_t lengthAt;          // u32: definition length (without continuation headers)
    uint16_t magicAt;           // u32: 1625
    uint16_t rowCountAt;        // u32: live rows
    uint16_t autoNumberAt;      // u32: last AutoNumber handed out
    uint16_t autoNumberFlagAt;  // u8: 1
    uint16_t tableTypeAt;       // u8: 0x4E user, 0x53 system (unreliable)
    uint16_t maxColsAt;         // u16: columns ever allocated
    uint16_t varColCountAt;     // u16: variable-length columns
    uint16_t colCountAt;        // u16: current columns
    uint16_t indexCountAt;      // u32: logical indexes
    uint16_t realIndexCountAt;  // u32: physical indexes
    uint16_t ownedMapAt;        // u32 pg_row: usage map of the table's data pages
    uint16_t freeMapAt;         // u32 pg_row: usage map of pages with free space
    uint16_t headerSize;        // first byte after the header
    uint16_t realIndexEntrySize;
    uint16_t columnEntrySize;
    uint16_t realIndexDefSize;  // second per-physical-index section
    uint16_t indexDefSize;      // per logical index
    uint16_t longValueEntrySize;
};
constexpr TdefLayout kTdef{2, 4, 8, 12, 16, 20, 24, 40, 41, 43, 45, 47, 51, 55, 59, 63, 12, 25, 52, 28, 10};
constexpr uint32_t kTdefMagic = 1625;
constexpr uint32_t kTdefContinuationHeader = 8;   // 02 01 | free u16 | next u32
constexpr uint8_t kTableTypeUser = 0x4E;
constexpr uint8_t kTableTypeSystem = 0x53;

// One 25-byte column descriptor.
struct ColumnEntryLayout {
    uint16_t typeAt;          // u8 column type
    uint16_t magicAt;         // u32 1625
    uint16_t numberAt;        // u16 column number: bit in the row's null mask
    uint16_t varIndexAt;      // u16 slot in the row's variable-offset table
    uint16_t otherIndexAt;    // u16 unused by readers
    uint16_t sortOrderAt;     // u32 Text/Memo sort order (09 04 00 00)
    uint16_t precisionAt;     // u8 Numeric precision (overlaps the sort order)
    uint16_t scaleAt;         // u8 Numeric scale
    uint16_t flagsAt;         // u8, see kColumnFlag*
    uint16_t extraFlagsAt;    // u8, 0x01 = Unicode compression allowed
    uint16_t fixedOffsetAt;   // u16 position in the row's fixed area
    uint16_t lengthAt;        // u16 length in bytes
};
constexpr ColumnEntryLayout kColumnEntry{0, 1, 5, 7, 9, 11, 11, 12, 15, 16, 21, 23};
constexpr uint8_t kColumnFlagFixed = 0x01;
constexpr uint8_t kColumnFlagNullable = 0x02;
constexpr uint8_t kColumnFlagAutoLong = 0x04;
constexpr uint8_t kColumnFlagAutoGuid = 0x40;
constexpr uint8_t kColumnFlagHyperlink = 0x80;
constexpr uint8_t kColumnExtraCompressed = 0x01;
constexpr uint16_t kTdefTerminator = 0xFFFF;

// ---------------------------------------------------------------------------
// Data page (also LVAL and usage-map holder pages).
//
// 0  u8  0x01      4  u32 owning TDEF page, or "LVAL"
// 1  u8  0x01      8  u32 0
// 2  u16 free      12 u16 row count, then one u16 offset per row
// Rows are packed downwards from the end of the page; row r spans
// [offset(r) & kRowOffsetMask, offset(r-1) & kRowOffsetMask), row 0 ending at
// the page end.
struct DataPageLayout {
    uint16_t freeSpaceAt;   // u16: 4096 - 14 - 2*rows - sum of row lengths
    uint16_t ownerAt;       // u32: TDEF page, or kLvalTag
    uint16_t rowCountAt;    // u16
    uint16_t rowTableAt;    // u16 per row
};
constexpr DataPageLayout kDataPage{2, 4, 12, 14};
constexpr uint32_t kLvalTag = 0x4C41564C;          // "LVAL" read as a u32
constexpr uint16_t kRowOffsetMask = 0x1FFF;
constexpr uint16_t kRowDeleted = 0xC000;           // both bits
constexpr uint16_t kRowOverflowPointer = 0x4000;   // alone: row holds a pg_row to the real row
constexpr uint16_t kRowOverflowTarget = 0x8000;    // alone: the real row, found through a pointer
constexpr uint16_t kRowFlagsMask = 0xC000;
constexpr uint32_t kMaxRowsPerPage = 255;
constexpr uint32_t kMaxRowSize = 4060;

// Row layout:
//   u16 ncols | fixed area | variable data | u16 eod | u16 varoff[n-1..0] | u16 n | null mask
// The null mask has (ncols + 7) / 8 bytes, bit set = value present; fixed
// column c starts at 2 + fixed_offset(c); variable value v spans
// [varoff[v], varoff[v+1]) with eod as varoff[n]. The variable part exists only
// when the table has variable-length columns.
constexpr uint32_t kRowColumnCountSize = 2;

// ---------------------------------------------------------------------------
// Usage maps: rows on holder pages, referenced from a TDEF by pg_row.
constexpr uint8_t kMapInline = 0x00;      // 00 | u32 start page | bitmap
constexpr uint8_t kMapReference = 0x01;   // 01 | u32 bitmap page ... (0 = none)
constexpr uint32_t kMapInlineHeader = 5;
constexpr uint32_t kMapPageHeader = 4;    // 05 01 00 00, then the bitmap
constexpr uint32_t kMapPageBits = (kPageSize - kMapPageHeader) * 8;   // 32736 pages per bitmap page

// ---------------------------------------------------------------------------
// Long values (Memo, OLE): a 12-byte field in the row.
//   u32 length | storage << 24, u32 pg_row, u32 0
struct LongValueLayout {
    uint16_t lengthAt;
    uint16_t pgRowAt;
    uint16_t headerSize;
};
constexpr LongValueLayout kLongValue{0, 4, 12};
constexpr uint8_t kLongValueInline = 0x80;     // data follows the header in the row
constexpr uint8_t kLongValueSingle = 0x40;     // one LVAL row of exactly `length` bytes
constexpr uint8_t kLongValueChain = 0x00;      // LVAL rows: u32 next pg_row + data
constexpr uint32_t kLongValueLengthMask = 0x00FFFFFF;
constexpr uint32_t kLongValueChainLink = 4;

// ---------------------------------------------------------------------------
// Catalog (MSysObjects, table definition on page 2).
constexpr uint32_t kCatalogPage = 2;
constexpr uint16_t kObjectTypeTable = 1;
constexpr uint16_t kObjectTypeMask = 0x7F;
constexpr uint32_t kObjectFlagsSystem = 0x80000002;   // either bit hides a table
constexpr uint32_t kObjectIdMask = 0x00FFFFFF;

// Text values starting with these bytes use Jet 4 Unicode compression.
constexpr uint8_t kCompressedTextMark[2] = {0xFF, 0xFE};

// Day 0 of DateTime values.
constexpr int kDateEpochYear = 1899, kDateEpochMonth = 12, kDateEpochDay = 30;

// Bytes a fixed column of each type occupies in the row (0 for variable types;
// Boolean occupies none: its value is its null-mask bit).
constexpr uint32_t FixedSize(uint8_t type) {
    switch (type) {
    case 0x02: return 1;    // Byte
    case 0x03: return 2;    // Integer
    case 0x04: return 4;    // Long
    case 0x05: return 8;    // Currency
    case 0x06: return 4;    // Single
    case 0x07: return 8;    // Double
    case 0x08: return 8;    // DateTime
    case 0x0F: return 16;   // GUID
    case 0x10: return 17;   // Numeric
    default: return 0;
    }
}

}  // namespace jet::format
