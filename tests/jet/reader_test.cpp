// The reader beyond plain tables: passwords, encrypted pages, reference usage
// maps, long values, text decoding and the text forms of fixed values.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "base/text.h"
#include "jet/database.h"
#include "jet/format.h"
#include "jet/rc4.h"
#include "jet/text_codec.h"
#include "jet/value_text.h"
#include "tests/jet/jet_test_support.h"

namespace jet {
namespace {

using namespace testing;

// The TDEF page of a table, from the catalog's Id column.
uint32_t TablePage(const std::vector<uint8_t>& file, const std::string& name) {
    auto db = Database::Open(file, "password");
    if (!db) return 0;
    auto catalog = db->ReadTable("MSysObjects");
    if (!catalog) return 0;
    size_t idCol = 0, nameCol = 0;
    for (size_t i = 0; i < catalog->columns.size(); ++i) {
        if (catalog->columns[i].name == "Id") idCol = i;
        if (catalog->columns[i].name == "Name") nameCol = i;
    }
    for (const Row& r : catalog->rows) {
        if (r[nameCol] == name) return static_cast<uint32_t>(std::stoul(*r[idCol])) & 0xFFFFFF;
    }
    return 0;
}

std::vector<Row> RowsOf(const std::vector<uint8_t>& file, const char* table, const char* password = "") {
    auto db = Database::Open(file, password);
    EXPECT_TRUE(db.ok()) << (db ? "" : db.error().message);
    if (!db) return {};
    auto t = db->ReadTable(table);
    EXPECT_TRUE(t.ok()) << (t ? "" : t.error().message);
    return t ? t->rows : std::vector<Row>{};
}

#ifndef _WIN32
// The export of an independent reader, when it is installed (native builds).
bool ExportTool(const std::string& path, const std::string& table, std::string& out) {
    if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) return false;
    FILE* p = popen(("mdb-export '" + path + "' '" + table + "' 2>/dev/null").c_str(), "r");
    if (!p) return false;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return true;
}
#endif

TEST(DatabasePassword, OpensOnlyWithThePasswordStoredInTheFile) {
    const auto file = ReadFixture("access2000_password.mdb");
    EXPECT_TRUE(Database::Open(file, "password").ok());
    for (const char* wrong : {"", "Password", "password ", "passwor", "x"}) {
        auto db = Database::Open(file, wrong);
        ASSERT_FALSE(db.ok()) << wrong;
        EXPECT_EQ(db.error().kind, Error::BadPassword) << wrong;
    }
    EXPECT_TRUE(*Database::PasswordMatches(file, "password"));
    EXPECT_FALSE(*Database::PasswordMatches(file, "PASSWORD"));
    EXPECT_TRUE(Database::Open(file, "password")->Info().passwordSet);
    EXPECT_EQ(Database::Open(file, "password")->Info().jetVersion, 4);
}

TEST(DatabasePassword, ADatabaseWithoutPasswordOpensWithAnyPassword) {
    const auto file = ReadFixture("access2000_plain.mdb");
    EXPECT_FALSE(Database::Open(file, "")->Info().passwordSet);
    EXPECT_TRUE(Database::Open(file, "pqr.3h5k.dst/mz").ok());
    EXPECT_TRUE(*Database::PasswordMatches(file, ""));
    EXPECT_EQ(Database::PasswordMatches({1, 2, 3}, "").error().kind, Error::NotJet);
}

// Sets the page-encryption key of a copy and encrypts every page but page 0.
std::vector<uint8_t> Encrypted(std::vector<uint8_t> file, uint32_t dbKey) {
    std::span<uint8_t> page0(file.data(), kPage);
    ApplyHeaderCipher(page0);
    Put32(file, format::kDatabasePage.dbKeyAt, dbKey);
    ApplyHeaderCipher(page0);
    for (uint32_t n = 1; n < file.size() / kPage; ++n) {
        ApplyPageCipher(std::span<uint8_t>(file.data() + n * kPage, kPage), dbKey, n);
    }
    return file;
}

TEST(EncryptedPages, ReadAsTheClearDatabaseDoes) {
    const auto plain = ReadFixture("access2000_plain.mdb");
    const auto encrypted = Encrypted(plain, 0x1234ABCD);
    ASSERT_NE(plain, encrypted);
    EXPECT_EQ(RowsOf(encrypted, "Table1"), RowsOf(plain, "Table1"));
    ASSERT_EQ(RowsOf(encrypted, "Table1").size(), 3u);
#ifndef _WIN32
    std::string theirs, ours;
    if (ExportTool(WriteTemp("encrypted.mdb", encrypted), "Table1", theirs)) {
        ExportTool(FixturePath("access2000_plain.mdb"), "Table1", ours);
        EXPECT_EQ(theirs, ours) << "the independent reader disagrees about the page cipher";
    }
#endif
}

TEST(Rc4, HeaderKeystreamMatchesTheKnownMask) {
    uint8_t block[8] = {};
    Rc4(format::kHeaderKey).Apply(block);
    const uint8_t expected[8] = {0xB5, 0x6F, 0x03, 0x62, 0x61, 0x08, 0xC2, 0x55};
    EXPECT_EQ(0, std::memcmp(block, expected, 8));
}

// Rewrites Table1's owned-pages map as a reference map: one bitmap page,
// appended to the file, carrying the same pages.
TEST(UsageMaps, ReferenceMapFindsTheSamePagesAsTheInlineMap) {
    auto file = ReadFixture("access2000_plain.mdb");
    const uint32_t tdef = TablePage(file, "Table1");
    ASSERT_NE(tdef, 0u);
    const uint32_t owned = Get32(file, tdef * kPage + format::kTdef.ownedMapAt);
    const size_t mapAt = RowAt(file, owned >> 8, owned & 0xFF);
    ASSERT_EQ(file[mapAt], 0) << "expected an inline map in the fixture";
    const uint32_t start = Get32(file, mapAt + 1);
    std::vector<uint32_t> pages;
    for (uint32_t i = 0; i < 64 * 8; ++i) {
        if (file[mapAt + 5 + i / 8] >> (i % 8) & 1) pages.push_back(start + i);
    }
    ASSERT_FALSE(pages.empty());

    const auto mapPage = static_cast<uint32_t>(file.size() / kPage);
    file.resize(file.size() + kPage, 0);
    file[mapPage * kPage] = format::kPageUsageMap;
    file[mapPage * kPage + 1] = 1;
    for (const uint32_t p : pages) file[mapPage * kPage + 4 + p / 8] |= static_cast<uint8_t>(1 << (p % 8));
    std::memset(&file[mapAt], 0, 69);
    file[mapAt] = format::kMapReference;
    Put32(file, mapAt + 1, mapPage);

    EXPECT_EQ(RowsOf(file, "Table1"), RowsOf(ReadFixture("access2000_plain.mdb"), "Table1"));
#ifndef _WIN32
    std::string theirs, ours;
    if (ExportTool(WriteTemp("reference_map.mdb", file), "Table1", theirs)) {
        ExportTool(FixturePath("access2000_plain.mdb"), "Table1", ours);
        EXPECT_EQ(theirs, ours);
    }
#endif
}

TEST(LongValues, ReadsSingleRowAndChainedValues) {
    // The catalog's LvProp column holds property blobs: one of 92 bytes in a
    // single LVAL row, one of 16175 bytes over a chain of four pages.
    auto db = Database::Open(ReadFixture("access2000_types.mdb"), "");
    ASSERT_TRUE(db.ok());
    auto catalog = db->ReadTable("MSysObjects");
    ASSERT_TRUE(catalog.ok()) << catalog.error().message;
    size_t lvProp = 99;
    for (size_t i = 0; i < catalog->columns.size(); ++i) {
        if (catalog->columns[i].name == "LvProp") lvProp = i;
    }
    ASSERT_NE(lvProp, 99u);
    bool single = false, chained = false;
    for (const Row& r : catalog->rows) {
        if (!r[lvProp]) continue;
        EXPECT_EQ(r[lvProp]->substr(0, 4), std::string("MR2\0", 4));
        single |= r[lvProp]->size() == 92;
        chained |= r[lvProp]->size() == 16175;
    }
    EXPECT_TRUE(single);
    EXPECT_TRUE(chained);
}

TEST(LongValues, InlineMemoIsDecodedAsText) {
    const auto rows = RowsOf(ReadFixture("access2000_memo_numeric.mdb"), "test");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], "some data");
}

TEST(SystemTables, GuidsReadInTheirBracedForm) {
    const auto rows = RowsOf(ReadFixture("access2000_password.mdb"), "MSysNameMap", "password");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][0], "{5EDFA4EB-AD21-4074-A548-77B3123BE16F}");
}

std::string Text(std::vector<uint8_t> bytes) {
    std::string out;
    AppendJetText(bytes, out);
    return out;
}

TEST(TextCodec, DecodesPlainCompressedAndMixedText) {
    EXPECT_EQ(Text({0x7A, 0x00}), "z");
    EXPECT_EQ(Text({0xFF, 0xFE, 0xE4, 0x6B}), "äk");
    // Compressed "Mi", toggle, 北京 as UCS-2, toggle, "!".
    EXPECT_EQ(Text({0xFF, 0xFE, 'M', 'i', 0x00, 0x17, 0x53, 0xAC, 0x4E, 0x00, '!'}), "Mi北京!");
    // Ending in two-byte mode is allowed.
    EXPECT_EQ(Text({0xFF, 0xFE, 'a', 0x00, 0x17, 0x53}), "a北");
    // A surrogate pair is one code point; halves alone and odd bytes are U+FFFD.
    EXPECT_EQ(Text({0x3D, 0xD8, 0x42, 0xDE}), "\xF0\x9F\x99\x82");
    EXPECT_EQ(Text({0x3D, 0xD8, 'a', 0x00}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(Text({'a', 0x00, 'b'}), "a\xEF\xBF\xBD");
    EXPECT_EQ(Text({0xFF, 0xFE, 0x00, 0x3D, 0xD8}), "\xEF\xBF\xBD");
    EXPECT_EQ(Text({0xFF, 0xFE, 0x00, 0x3D, 0xD8, 0x00, 'a', 'b'}), "\xEF\xBF\xBD" "ab");
    EXPECT_EQ(Text({}), "");
}

TEST(TextCodec, EncodedTextDecodesToTheSameText) {
    const std::u16string samples[] = {u"", u"z", u"only ascii chars", u"ääkkösiä", u"Мир", u"一加一等于几？",
                                      u"Mixed: capital 北京 (Beijing)", u"\u0100\u0101", u"a\U0001F642b"};
    for (const auto& s : samples) {
        for (const bool compress : {false, true}) {
            const auto bytes = EncodeJetText(s, compress);
            std::string decoded;
            AppendJetText(bytes, decoded);
            std::vector<uint8_t> plain;
            for (const char16_t u : s) {
                plain.push_back(static_cast<uint8_t>(u));
                plain.push_back(static_cast<uint8_t>(u >> 8));
            }
            std::string expected;
            AppendUcs2Text(plain, expected);
            EXPECT_EQ(decoded, expected);
            EXPECT_LE(bytes.size(), 2 * s.size());   // compression never costs space
        }
    }
    // A character whose low byte is 00 would read as a toggle: never compressed.
    EXPECT_EQ(EncodeJetText(u"一二三四", true).size(), 8u);
    EXPECT_EQ(EncodeJetText(u"abcd", true)[0], 0xFF);
}

// Characters at every boundary of the UTF-8 lengths and of the surrogates,
// and Han, in random order: the decoder must agree with the UTF-16
// converter, and the size bound used to size storage must hold (exactly for
// Han text and for compressed text without toggles).
TEST(TextCodec, DecodesEveryMixOfCharactersAndStaysWithinItsSizeBound) {
    const char16_t kUnits[] = {0x01, 'a', 0x7F, 0x80, 0xE4, 0xFF, 0x100, 0x7FF, 0x800, 0x4E2D, 0x957F, 0xD7FF,
                               0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xE000, 0xFF1F, 0xFFFF};
    std::mt19937 rng(7);
    std::uniform_int_distribution<size_t> pick(0, std::size(kUnits) - 1), length(0, 40);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        std::u16string s(length(rng), u'\0');
        for (char16_t& u : s) u = kUnits[pick(rng)];
        const std::string expected = base::Utf16ToUtf8(s);
        for (const bool compress : {false, true}) {
            const auto bytes = EncodeJetText(s, compress);
            std::string decoded = "x";   // appends after what is there
            AppendJetText(bytes, decoded);
            ASSERT_EQ(decoded, "x" + expected) << round;
            EXPECT_GE(JetTextUtf8SizeBound(bytes), expected.size()) << round;
        }
        // Any bytes at all, with and without the compression mark.
        std::vector<uint8_t> raw(length(rng));
        for (uint8_t& b : raw) b = static_cast<uint8_t>(byte(rng) < 40 ? 0 : byte(rng));
        if (round % 2 && raw.size() >= 2) {
            raw[0] = 0xFF;
            raw[1] = 0xFE;
        }
        std::string any;
        AppendJetText(raw, any);
        EXPECT_GE(JetTextUtf8SizeBound(raw), any.size()) << round;
    }
    const std::u16string han = u"长江三峡中国最长的河流？";
    EXPECT_EQ(JetTextUtf8SizeBound(EncodeJetText(han, true)), base::Utf16ToUtf8(han).size());
    const std::u16string latin = u"changjiang äö";
    EXPECT_EQ(JetTextUtf8SizeBound(EncodeJetText(latin, true)), base::Utf16ToUtf8(latin).size());
}

std::string Date(double d) {
    std::string s;
    AppendDateText(d, s);
    return s;
}

TEST(ValueText, FormatsDatesCurrencyAndDecimals) {
    EXPECT_EQ(Date(0), "12/30/99 00:00:00");
    EXPECT_EQ(Date(36526.75), "01/01/00 18:00:00");
    EXPECT_EQ(Date(27293), "09/21/74 00:00:00");
    EXPECT_EQ(Date(1.0 - 1.0 / 172800), "12/31/99 00:00:00");   // rounds up into the next day
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(Date(-1.25), "12/29/99 06:00:00");
    EXPECT_EQ(Date(-0.5), "12/30/99 12:00:00");

    std::string s;
    AppendCurrencyText(-35000, s);
    EXPECT_EQ(s, "-3.5000");
    s.clear();
    AppendCurrencyText(INT64_MIN, s);
    EXPECT_EQ(s, "-922337203685477.5808");

    auto numeric = [](bool negative, uint32_t low, uint8_t scale, uint32_t high = 0) {
        std::vector<uint8_t> b(17, 0);
        b[0] = negative ? 0x80 : 0;
        Put32(b, 1, high);
        Put32(b, 13, low);
        std::string out;
        AppendNumericText(b, scale, out);
        return out;
    };
    EXPECT_EQ(numeric(false, 12345, 2), "123.45");
    EXPECT_EQ(numeric(true, 5, 3), "-0.005");
    EXPECT_EQ(numeric(true, 0, 0), "0");
    EXPECT_EQ(numeric(false, 0, 0, 1), "79228162514264337593543950336");   // 2^96
}

}  // namespace
}  // namespace jet
