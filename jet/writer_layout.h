// The Jet 4 structures the writer produces, as offset tables. Every number the
// writer puts on a page is named here, so the code can be read against the
// format notes field by field. All integers are little-endian.
#pragma once
#include <array>
#include <cstdint>

namespace jet::writer {

constexpr uint32_t kPageSize = 4096;
// Jet 4 files stop at 2 GB: page numbers beyond this are never handed out.
constexpr uint32_t kMaxPages = 0x80000000u / kPageSize;

// Page type byte (offset 0 of every page).
enum PageType : uint8_t {
    kDatabasePage = 0x00,   // page 0 only
    kDataPage = 0x01,       // data rows, long values, usage-map rows, the global map
    kTdefPage = 0x02,       // table definition (first or continuation)
    kUsageBitmapPage = 0x05,  // bitmap page behind a reference usage map
};

// Page 0: the database definition page.
struct DatabasePageLayout {
    uint16_t signatureAt;      // "\0\1\0\0" then "Standard Jet DB\0"
    uint16_t versionAt;        // u32 engine version (1 = Jet 4)
    uint16_t maskedAt;         // start of the RC4-obfuscated header block
    uint16_t maskedSize;       // its length
    uint16_t constantsAt;      // 24 constant bytes (meaning unknown, always the same)
    uint16_t codePageAt;       // u16 code page
    uint16_t dbKeyAt;          // u32 page-encryption key, 0 = pages stored plainly
    uint16_t passwordAt;       // 40 bytes: UCS-2 password XOR the creation-date mask
    uint16_t passwordSize;
    uint16_t sortOrderAt;      // u16 LCID, u16 sort-order version
    uint16_t creationDateAt;   // double, days since 1899-12-30
    uint16_t trailerAt;        // 8 bytes outside the masked block: u32 1620, "4.0\0"
};
constexpr DatabasePageLayout kJet4DatabasePage{0x00, 0x14, 0x18, 128, 0x18, 0x3C,
                                               0x3E, 0x42, 40, 0x6E, 0x72, 0x98};

constexpr std::array<uint8_t, 4> kHeaderMaskKey{0xC7, 0xDA, 0x39, 0x6B};  // RC4 key of the masked block
constexpr std::array<uint8_t, 20> kDatabasePageSignature{
    0x00, 0x01, 0x00, 0x00, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't', ' ', 'D', 'B', 0x00};
constexpr std::array<uint8_t, 24> kHeaderConstants{
    0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
constexpr std::array<uint8_t, 8> kHeaderTrailer{0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
constexpr uint32_t kJet4Version = 1;
constexpr uint16_t kCodePage = 1252;
constexpr uint16_t kSortLcid = 0x0409;   // "General" sort order
constexpr uint32_t kMaxPasswordUnits = 20;

// Header of a data page (also LVAL pages, usage-map holders and page 1).
struct DataPageLayout {
    uint16_t freeSpaceAt;    // u16: page size - rowsAt - 2 * row count - sum of row lengths
    uint16_t ownerAt;        // u32 TDEF page owning the rows, or "LVAL"
    uint16_t reservedAt;     // u32 0
    uint16_t rowCountAt;     // u16
    uint16_t rowOffsetsAt;   // u16 per row: start of the row within the page
    uint16_t maxRows;        // a row number is one byte
    uint16_t maxRowSize;     // longest row a data page takes
};
constexpr DataPageLayout kJet4DataPage{2, 4, 8, 12, 14, 255, 4060};
constexpr uint32_t kLvalOwner = 0x4C41564C;   // "LVAL" read as a u32

// Table definition page. The definition is one byte string from offset 0 of
// the first page; continuation pages carry the rest after their own 8-byte
// header (type, 0x01, free space, next page).
struct TdefLayout {
    uint16_t freeSpaceAt;      // u16
    uint16_t nextPageAt;       // u32 next TDEF page, 0 = last
    uint16_t continuationDataAt;  // where the definition resumes on a continuation page
    uint16_t lengthAt;         // u32 definition length incl. first header and FF FF
    uint16_t magicAt;          // u32 kTdefMagic
    uint16_t rowCountAt;       // u32 live rows
    uint16_t autonumberAt;     // u32 last AutoNumber handed out
    uint16_t autonumberFlagAt; // u8 1
    uint16_t tableTypeAt;      // u8 kUserTable / kSystemTable
    uint16_t maxColumnsAt;     // u16 columns ever allocated
    uint16_t varColumnsAt;     // u16 variable-length columns
    uint16_t columnCountAt;    // u16 current columns
    uint16_t indexCountAt;     // u32 logical indexes
    uint16_t realIndexCountAt; // u32 physical indexes
    uint16_t ownedMapAt;       // u32 pg_row of the owned-pages usage map
    uint16_t freeMapAt;        // u32 pg_row of the pages-with-free-space usage map
    uint16_t columnsAt;        // first column descriptor (when there are no indexes)
    uint16_t columnEntrySize;  // bytes per column descriptor
};
constexpr TdefLayout kJet4Tdef{2, 4, 8, 8, 12, 16, 20, 24, 40, 41, 43, 45, 47, 51, 55, 59, 63, 25};
constexpr uint32_t kTdefMagic = 1625;
constexpr uint8_t kUserTable = 0x4E;
constexpr uint8_t kSystemTable = 0x53;

// One column descriptor inside a TDEF.
struct ColumnEntryLayout {
    uint8_t typeAt;          // u8 column type
    uint8_t magicAt;         // u32 kTdefMagic
    uint8_t numberAt;        // u16 column number (bit in the null mask)
    uint8_t varIndexAt;      // u16 slot in the variable-offset table
    uint8_t indexAt;         // u16 second column index
    uint8_t sortOrderAt;     // u16 LCID + u16 sort version (Text/Memo)
    uint8_t flagsAt;         // u8 kColumnFixed | kColumnNullable ...
    uint8_t extraFlagsAt;    // u8 kColumnCompressedUnicode
    uint8_t fixedOffsetAt;   // u16 position in the fixed area
    uint8_t lengthAt;        // u16 length in bytes
};
constexpr ColumnEntryLayout kJet4ColumnEntry{0, 1, 5, 7, 9, 11, 15, 16, 21, 23};
constexpr uint8_t kColumnFixed = 0x01;
constexpr uint8_t kColumnNullable = 0x02;
constexpr uint8_t kColumnSystem = 0x10;
constexpr uint8_t kColumnCompressedUnicode = 0x01;
constexpr uint32_t kLongValueEntrySize = 10;   // u16 column, u32 owned map, u32 free map
constexpr uint16_t kTdefTerminator = 0xFFFF;

// Usage maps: one row on a map holder page. The writer always makes rows of
// the same size, whichever of the two forms they take.
constexpr uint16_t kUsageMapRowSize = 69;
constexpr uint8_t kInlineMap = 0x00;     // u8 0, u32 first page, 64-byte bitmap
constexpr uint8_t kReferenceMap = 0x01;  // u8 1, 17 x u32 bitmap page (0 = none)
constexpr uint32_t kInlineMapPages = (kUsageMapRowSize - 5) * 8;        // 512
constexpr uint32_t kReferenceMapSlots = (kUsageMapRowSize - 1) / 4;     // 17
constexpr uint32_t kBitmapPageDataAt = 4;                               // after "05 01 00 00"
constexpr uint32_t kPagesPerBitmapPage = (kPageSize - kBitmapPageDataAt) * 8;  // 32736

// Long values (Memo).
constexpr uint32_t kLongValueHeaderSize = 12;   // u32 length|flags<<24, u32 pg_row, u32 0
constexpr uint8_t kLongValueInline = 0x80;      // data follows the header in the row
constexpr uint8_t kLongValueSingle = 0x40;      // one LVAL row holds the whole value
constexpr uint8_t kLongValueChain = 0x00;       // chain of LVAL rows, each u32 next + data
constexpr uint32_t kMaxInlineLongValue = 64;
constexpr uint32_t kMaxSingleLongValue = 4076;
constexpr uint32_t kChainChunk = 4072;          // data bytes per chain row (row = 4 + chunk)
constexpr uint32_t kMaxLongValueLength = 0xFFFFFF;
constexpr uint32_t kMaxCompressedMemoUnits = 1024;

// Text.
constexpr uint8_t kCompressedTextMarker0 = 0xFF;   // a value starting FF FE is compressed
constexpr uint8_t kCompressedTextMarker1 = 0xFE;
constexpr uint16_t kMaxTextLength = 510;           // bytes: 255 UCS-2 characters
constexpr uint32_t kMaxColumns = 255;
constexpr uint32_t kMaxNameUnits = 64;

// Catalog (MSysObjects) values.
constexpr uint32_t kCatalogTdefPage = 2;
constexpr uint32_t kTablesContainerId = 0x0F000001;
constexpr uint32_t kDatabasesContainerId = 0x0F000002;
constexpr uint32_t kRelationshipsContainerId = 0x0F000003;
constexpr uint32_t kContainersParentId = 0x0F000000;
constexpr uint32_t kDatabaseObjectId = 0x10000000;   // MSysDb
constexpr uint32_t kSystemObjectFlags = 0x80000000;
constexpr int16_t kObjectTable = 1;
constexpr int16_t kObjectDatabase = 2;
constexpr int16_t kObjectContainer = 3;
constexpr std::array<uint8_t, 2> kOwnerAdmin{0xA7, 0x31};    // Owner of the system objects
constexpr std::array<uint8_t, 2> kOwnerCreator{0xA6, 0x33};  // Owner of MSysDb

}  // namespace jet::writer
