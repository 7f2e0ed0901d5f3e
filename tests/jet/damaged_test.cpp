// Damaged, truncated and foreign files end in a clean error naming what is
// wrong; they never crash, hang or yield rows that are not in the file. The
// sanitizer build runs these too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/format.h"
#include "tests/jet/jet_test_support.h"
#include "tests/support/allocation_limit.h"
#include "tests/support/crafted_bank.h"

namespace jet {
namespace {

using namespace testing;

// Opens `file` and reads every user table (plus the catalog). Returns the
// first error, or nothing when all of it read.
std::optional<Error> ReadAll(const std::vector<uint8_t>& file, std::vector<Table>* tables = nullptr) {
    auto db = Database::Open(file, "");
    if (!db) return db.error();
    auto names = db->TableNames();
    names.push_back("MSysObjects");
    for (const auto& name : names) {
        auto t = db->ReadTable(name);
        if (!t) return t.error();
        if (tables) tables->push_back(std::move(*t));
    }
    return std::nullopt;
}

bool IsDamageKind(Error::Kind k) {
    return k == Error::Corrupt || k == Error::NotJet || k == Error::UnsupportedVersion || k == Error::Empty;
}

TEST(DamagedFile, EmptyGarbageAndForeignFilesAreRejectedAtOpen) {
    EXPECT_EQ(Database::Open({}, "").error().kind, Error::Empty);

    std::vector<uint8_t> garbage(3 * kPage);
    uint32_t x = 12345;
    for (auto& b : garbage) b = static_cast<uint8_t>((x = x * 1103515245 + 12345) >> 16);
    EXPECT_EQ(Database::Open(garbage, "").error().kind, Error::NotJet);
    EXPECT_EQ(Database::Open(std::vector<uint8_t>(10, 0), "").error().kind, Error::NotJet);

    auto file = ReadFixture("access2000_plain.mdb");
    auto jet3 = file;
    jet3[format::kDatabasePage.versionAt] = format::kVersionJet3;
    EXPECT_EQ(Database::Open(jet3, "").error().kind, Error::UnsupportedVersion);
    auto ace = file;
    std::memcpy(&ace[format::kDatabasePage.signatureAt], "Standard ACE DB", 15);
    ace[format::kDatabasePage.versionAt] = 2;
    EXPECT_EQ(Database::Open(ace, "").error().kind, Error::UnsupportedVersion);
}

TEST(DamagedFile, TruncatedFilesFailOrReadOnlyWhatIsThere) {
    const auto whole = ReadFixture("access2000_plain.mdb");
    std::vector<Table> expected;
    ASSERT_FALSE(ReadAll(whole, &expected));

    // Cut inside a page: the size alone gives it away.
    EXPECT_EQ(Database::Open({0x00}, "").error().kind, Error::NotJet);   // too short to tell
    for (const size_t size : {size_t{20}, size_t{0x98}, kPage - 1, kPage + 100, whole.size() - 1}) {
        auto e = Database::Open(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size)), "");
        ASSERT_FALSE(e.ok()) << size;
        EXPECT_EQ(e.error().kind, Error::Corrupt) << size;
    }
    // Cut at every page boundary: either a clean error, or every table exactly
    // as in the whole file (when the lost pages held none of it).
    size_t failures = 0;
    for (size_t pages = 1; pages < whole.size() / kPage; ++pages) {
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(pages * kPage));
        std::vector<Table> got;
        if (auto e = ReadAll(cut, &got)) {
            EXPECT_TRUE(IsDamageKind(e->kind)) << pages << ": " << e->message;
            ++failures;
            continue;
        }
        ASSERT_EQ(got.size(), expected.size()) << pages;
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].rows, expected[i].rows) << pages;
    }
    EXPECT_GT(failures, 0u);
}

// The TDEF page of Table1 in access2000_plain.mdb, and its first data page.
struct PlainLayout {
    std::vector<uint8_t> file = ReadFixture("access2000_plain.mdb");
    uint32_t tdef = 0;
    uint32_t data = 0;
    PlainLayout() {
        for (uint32_t p = 3; p < file.size() / kPage; ++p) {
            const size_t at = p * kPage;
            if (file[at] == format::kPageData && Get32(file, at + 4) > 2 && Get16(file, at + 12) == 3 && !data) {
                data = p;
                tdef = Get32(file, at + 4);
            }
        }
    }
};

TEST(DamagedFile, DamagedTableDefinitionsAreReportedWithTheirPage) {
    const PlainLayout base;
    ASSERT_NE(base.tdef, 0u);
    ASSERT_EQ(base.file[base.tdef * kPage], format::kPageTableDef);
    auto expectCorrupt = [&](const char* what, auto&& patch) {
        auto file = base.file;
        patch(file);
        const auto e = ReadAll(file);
        ASSERT_TRUE(e.has_value()) << what;
        EXPECT_EQ(e->kind, Error::Corrupt) << what;
        EXPECT_NE(e->message.find("damaged"), std::string::npos) << what;
    };
    const size_t t = base.tdef * kPage;
    expectCorrupt("page type", [&](auto& f) { f[t] = format::kPageData; });
    expectCorrupt("huge length", [&](auto& f) { Put32(f, t + format::kTdef.lengthAt, 0x7FFFFFFF); });
    expectCorrupt("length past the page, no continuation", [&](auto& f) { Put32(f, t + format::kTdef.lengthAt, 5000); });
    expectCorrupt("column count", [&](auto& f) { Put16(f, t + format::kTdef.colCountAt, 0xFFFF); });
    expectCorrupt("index count", [&](auto& f) { Put32(f, t + format::kTdef.realIndexCountAt, 300); });
    expectCorrupt("owned map past the end", [&](auto& f) { Put32(f, t + format::kTdef.ownedMapAt, 0xFFFFFF00); });
    expectCorrupt("column name length", [&](auto& f) {
        // The first name follows the index entries and the descriptors.
        const uint32_t realIdx = Get32(f, t + format::kTdef.realIndexCountAt);
        const uint16_t cols = Get16(f, t + format::kTdef.colCountAt);
        Put16(f, t + 63 + 12 * realIdx + 25 * cols, 0xFFF0);
    });
}

TEST(DamagedFile, DamagedDataPagesAreReportedWithTheirPage) {
    const PlainLayout base;
    ASSERT_NE(base.data, 0u);
    auto expectCorruptAt = [&](const char* what, uint32_t page, auto&& patch) {
        auto file = base.file;
        patch(file);
        const auto e = ReadAll(file);
        ASSERT_TRUE(e.has_value()) << what;
        EXPECT_EQ(e->kind, Error::Corrupt) << what;
        EXPECT_EQ(e->page, page) << what << ": " << e->message;
    };
    const uint32_t d = base.data;
    expectCorruptAt("owner", d, [&](auto& f) { Put32(f, d * kPage + 4, base.tdef + 1); });
    expectCorruptAt("row count", d, [&](auto& f) { Put16(f, d * kPage + 12, 3000); });
    expectCorruptAt("row offset into the header", d, [&](auto& f) { Put16(f, RowEntryAt(d, 1), 5); });
    expectCorruptAt("rows overlap", d, [&](auto& f) {
        // Row 2 deleted, then row 3... is absent: make row 1 deleted and row 2
        // start above row 0's start.
        Put16(f, RowEntryAt(d, 1), static_cast<uint16_t>(0xC000 | 4090));
        Put16(f, RowEntryAt(d, 2), static_cast<uint16_t>(Get16(f, RowEntryAt(d, 0)) - 2));
    });
    expectCorruptAt("column count of a row", d, [&](auto& f) { Put16(f, RowAt(f, d, 0), 0x7FFF); });
    expectCorruptAt("variable offset", d, [&](auto& f) {
        // Row 0 of Table1: ncols, ID, Data, eod, varoff[0], n, mask.
        const size_t end = d * kPage + kPage;
        Put16(f, end - 1 - 2 - 2, 0x0FFF);
    });
}

TEST(DamagedFile, LoopingChainsEndInAnError) {
    {
        // The catalog's 16175-byte property blob spans LVAL pages 703..706,
        // each holding one row at offset 20; point 704's link back at 703.
        auto file = ReadFixture("access2000_types.mdb");
        ASSERT_EQ(Get32(file, 704 * kPage + 4), format::kLvalTag);
        ASSERT_EQ(Get32(file, 703 * kPage + 20), 704u << 8);
        Put32(file, 704 * kPage + 20, 703u << 8);
        const auto e = ReadAll(file);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->kind, Error::Corrupt);
        EXPECT_NE(e->message.find("loop"), std::string::npos) << e->message;
    }
    {
        // Table2's definition continues from page 30 on page 708; claim a
        // longer definition and let 708 continue on 30 again.
        auto file = ReadFixture("access2000_types.mdb");
        ASSERT_EQ(Get32(file, 30 * kPage + 4), 708u);
        Put32(file, 30 * kPage + format::kTdef.lengthAt, 3 * 4096);
        Put32(file, 708 * kPage + 4, 30);
        const auto e = ReadAll(file);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->kind, Error::Corrupt);
        EXPECT_NE(e->message.find("loop"), std::string::npos) << e->message;
    }
    {
        // Overflow row 2 on page 27 points to row 0 of page 28; make that row
        // a pointer back to the first.
        auto file = ReadFixture("access2000_overflow.mdb");
        ASSERT_EQ(Get16(file, RowEntryAt(27, 2)) & 0xC000, 0x4000);
        ASSERT_EQ(Get32(file, RowAt(file, 27, 2)), 28u << 8);
        Put16(file, RowEntryAt(28, 0), static_cast<uint16_t>((Get16(file, RowEntryAt(28, 0)) & 0x1FFF) | 0x4000));
        Put32(file, RowAt(file, 28, 0), 27u << 8 | 2);
        const auto e = ReadAll(file);
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->kind, Error::Corrupt);
        EXPECT_NE(e->message.find("loop"), std::string::npos) << e->message;
    }
}

TEST(DamagedFile, WhatAFileMakesUsDecodeStaysWithinWhatItHolds) {
    // Forty short cells all pointing at one 20,000-byte chain: read once per
    // cell it would be 800 KB from a file a tenth of that.
    const auto bank = testsupport::SharedChainBank(40, "abcdefgh", 2500, "");
    ASSERT_FALSE(bank.file.empty());
    const auto expectDamage = [](const std::vector<uint8_t>& file, const char* words) {
        testsupport::AllocationLimit limit(4 * file.size());
        auto db = Database::Open(file, "");
        ASSERT_TRUE(db.ok()) << db.error().message;
        const auto read = db->ReadTable("wd");
        ASSERT_FALSE(read.ok());
        EXPECT_EQ(read.error().kind, Error::Corrupt);
        EXPECT_NE(read.error().message.find(words), std::string::npos) << read.error().message;
        const auto scan = db->ScanTable("wd", {}, [](std::span<const CellView>) { return true; });
        ASSERT_FALSE(scan.ok());
        EXPECT_EQ(scan.error().message, read.error().message);
    };
    expectDamage(bank.file, "two cells share it");

    // A chain that claims more than the whole file is not believed (nor is
    // room made for it).
    auto alone = testsupport::SharedChainBank(1, "abcdefgh", 2500, "");
    ASSERT_FALSE(alone.file.empty());
    const std::vector<uint8_t> good = alone.file;
    Put32(alone.file, alone.chainField, 0x00FFFFFF);
    expectDamage(alone.file, "more bytes than the whole file");

    // The table's usage map made a reference map naming one all-ones bitmap
    // page over and over: half a million pages of a file that has a dozen.
    auto mapped = good;
    const std::string pinyin("P\0i\0n\0Y\0i\0n\0", 12);
    const auto name = std::search(mapped.begin(), mapped.end(), pinyin.begin(), pinyin.end());
    ASSERT_NE(name, mapped.end());
    const size_t tdef = static_cast<size_t>(name - mapped.begin()) / kPage * kPage;
    const uint32_t map = Get32(mapped, tdef + format::kTdef.ownedMapAt);
    const size_t mapAt = RowAt(mapped, map >> 8, map & 0xFF);
    const size_t mapEnd = (map & 0xFF) == 0 ? (map >> 8) * kPage + kPage
                                            : RowAt(mapped, map >> 8, (map & 0xFF) - 1);
    const auto bitmapPage = static_cast<uint32_t>(mapped.size() / kPage - 1);
    std::fill_n(mapped.begin() + static_cast<ptrdiff_t>(bitmapPage * kPage), kPage, 0xFF);
    mapped[bitmapPage * kPage] = format::kPageUsageMap;
    mapped[bitmapPage * kPage + 1] = 0x01;
    mapped[mapAt] = format::kMapReference;
    for (size_t at = mapAt + 1; at + 4 <= mapEnd; at += 4) Put32(mapped, at, bitmapPage);
    expectDamage(mapped, "past the end of the file");

    // The undamaged bank reads whole, also with a column asked for twice.
    auto db = Database::Open(good, "");
    ASSERT_TRUE(db.ok());
    size_t rows = 0;
    const std::vector<size_t> twice{1, 0, 1};
    ASSERT_TRUE(db->ScanTable("wd", twice, [&](std::span<const CellView> cells) {
                      ++rows;
                      EXPECT_EQ(cells[0].text.size(), 20000u);
                      EXPECT_EQ(cells[2].text, cells[0].text);
                      EXPECT_EQ(cells[1].text, "question-00000");
                      return true;
                  }).ok());
    EXPECT_EQ(rows, 1u);
}

TEST(DamagedFile, ReadsStopExactlyAtTheEndOfAPageAndOfTheFile) {
    // A page in the middle of the file: its last byte reads, the next does
    // not, though it is there in memory.
    std::vector<uint8_t> file(3 * kPage);
    for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7 + 1);
    Cursor page(std::span<const uint8_t>(file).subspan(kPage, kPage));
    EXPECT_EQ(page.u8At(kPage - 1), file[2 * kPage - 1]);
    EXPECT_EQ(page.u32At(kPage - 4), Get32(file, 2 * kPage - 4));
    EXPECT_EQ(page.spanAt(10, kPage - 10).size(), kPage - 10);
    EXPECT_TRUE(page.ok());
    for (const auto& [what, read] : std::initializer_list<std::pair<const char*, void (*)(Cursor&)>>{
             {"u8 past the end", [](Cursor& c) { c.u8At(kPage); }},
             {"u16 across the end", [](Cursor& c) { c.u16At(kPage - 1); }},
             {"u32 across the end", [](Cursor& c) { c.u32At(kPage - 3); }},
             {"span one byte long", [](Cursor& c) { c.spanAt(10, kPage - 9); }},
             {"sequential u16 at the last byte", [](Cursor& c) {
                  c.seek(kPage - 1);
                  c.u16();
              }}}) {
        Cursor c(std::span<const uint8_t>(file).subspan(kPage, kPage));
        read(c);
        EXPECT_FALSE(c.ok()) << what;
    }

    // The end of a file held in an allocation of exactly its size: reading
    // one byte past it would be caught by the address sanitizer too.
    const std::vector<uint8_t> tail(file.end() - 6, file.end());
    Cursor end(tail);
    EXPECT_EQ(end.u16At(4), Get16(file, file.size() - 2));
    EXPECT_TRUE(end.ok());
    EXPECT_EQ(end.u16At(5), 0);
    EXPECT_FALSE(end.ok());

    // A table definition whose last column name ends exactly at the end of
    // the definition reads; one byte longer, it runs past it.
    const PlainLayout base;
    const size_t t = base.tdef * kPage;
    const uint32_t realIdx = Get32(base.file, t + format::kTdef.realIndexCountAt);
    const uint16_t cols = Get16(base.file, t + format::kTdef.colCountAt);
    size_t at = t + 63 + 12 * realIdx + 25 * cols;
    for (uint16_t c = 0; c + 1 < cols; ++c) at += 2 + Get16(base.file, at);
    const size_t lastNameEnd = at + 2 + Get16(base.file, at) - t;
    auto exact = base.file;
    Put32(exact, t + format::kTdef.lengthAt, static_cast<uint32_t>(lastNameEnd));
    EXPECT_FALSE(ReadAll(exact));
    auto past = exact;
    Put16(past, at, static_cast<uint16_t>(Get16(past, at) + 1));
    const auto e = ReadAll(past);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->kind, Error::Corrupt);
}

TEST(DamagedFile, FlippedHeaderBytesOnAnyPageNeverCrash) {
    // Every page's type, owner and row-count bytes, flipped one at a time: the
    // read either fails as damage or returns tables of the same shape.
    const auto whole = ReadFixture("access2000_deleted_column.mdb");
    std::vector<Table> expected;
    ASSERT_FALSE(ReadAll(whole, &expected));
    size_t failures = 0;
    for (size_t p = 0; p < whole.size() / kPage; ++p) {
        for (const size_t off : {0, 1, 4, 6, 12, 14, 15}) {
            auto file = whole;
            file[p * kPage + off] ^= 0xA5;
            std::vector<Table> got;
            if (auto e = ReadAll(file, &got)) {
                EXPECT_TRUE(IsDamageKind(e->kind) || e->kind == Error::NoSuchTable) << p << "+" << off;
                ++failures;
            } else {
                EXPECT_GE(got.size(), 1u);
            }
        }
    }
    EXPECT_GT(failures, 0u);
}

}  // namespace
}  // namespace jet
