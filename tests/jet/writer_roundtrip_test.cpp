// Banks we write, read back by our own reader and by independent ones:
// mdbtools' mdb-export, mdb-tables and mdb-ver, and the mdb-reader package
// (those two only where they exist, i.e. not under Windows).
#include <gtest/gtest.h>

#include <chrono>

#include "jet/database.h"
#include "jet/writer.h"
#include "oracles.h"

namespace {

using jet::ColumnType;
using jet_test::Cell;
using jet_test::Rows;

constexpr const char* kBankPassword = "pqr.3h5k.dst/mz";
constexpr double kMay2024 = 45413.5;   // 2024-05-01 12:00

std::string Repeat(std::string_view unit, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += unit;
    return s;
}

Rows ToRows(const std::vector<jet::Row>& rows) {
    Rows out;
    for (const auto& r : rows) out.emplace_back(r.begin(), r.end());
    return out;
}

// mdbtools reports a zero-length value as NULL, so an empty string reads back
// as NULL there (Access's own files behave the same way in that reader).
Rows AsMdbtoolsSeesIt(Rows rows) {
    for (auto& r : rows)
        for (auto& c : r)
            if (c && c->empty()) c.reset();
    return rows;
}

std::vector<uint8_t> WriteOrFail(const jet::NewTable& table, std::string_view password) {
    auto written = jet::WriteDatabase(table, password, jet::WriteOptions{kMay2024});
    EXPECT_TRUE(written.ok()) << (written.ok() ? "" : written.error().message);
    return written.ok() ? std::move(written).value() : std::vector<uint8_t>{};
}

// Compares row by row so a failure names the first differing cell instead of
// printing two whole tables.
void ExpectSameRows(const Rows& expected, const Rows& actual, const std::string& reader) {
    ASSERT_EQ(expected.size(), actual.size()) << reader;
    for (size_t r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(expected[r].size(), actual[r].size()) << reader << " row " << r;
        for (size_t c = 0; c < expected[r].size(); ++c) {
            ASSERT_EQ(expected[r][c].has_value(), actual[r][c].has_value())
                << reader << " row " << r << " column " << c << " (NULL-ness)";
            if (expected[r][c]) {
                ASSERT_EQ(expected[r][c]->size(), actual[r][c]->size()) << reader << " row " << r << " column " << c;
                ASSERT_TRUE(*expected[r][c] == *actual[r][c]) << reader << " row " << r << " column " << c;
            }
        }
    }
}

// Our reader sees exactly what was written, NULL and empty apart, and only
// with the right password.
void ExpectOurReaderReadsBack(const jet::NewTable& table, std::string_view password,
                              const std::vector<uint8_t>& bytes) {
    if (!password.empty()) {   // a database without a password opens with any
        const auto wrong = jet::Database::Open(bytes, std::string(password) + "x");
        ASSERT_FALSE(wrong.ok());
        EXPECT_EQ(wrong.error().kind, jet::Error::BadPassword);
    }
    auto db = jet::Database::Open(bytes, password);
    ASSERT_TRUE(db.ok()) << db.error().message;
    EXPECT_EQ(db->Info().jetVersion, 4);
    EXPECT_EQ(db->Info().passwordSet, !password.empty());
    EXPECT_EQ(db->TableNames(), std::vector<std::string>{table.name});
    const auto read = db->ReadTable(table.name);
    ASSERT_TRUE(read.ok()) << read.error().message;
    ASSERT_EQ(read->columns.size(), table.columns.size());
    for (size_t c = 0; c < table.columns.size(); ++c) {
        EXPECT_EQ(read->columns[c].name, table.columns[c].name);
        EXPECT_EQ(read->columns[c].type, table.columns[c].type);
        if (table.columns[c].type == ColumnType::Text) {
            EXPECT_EQ(read->columns[c].maxLength, table.columns[c].maxLength);
        }
    }
    ExpectSameRows(ToRows(table.rows), ToRows(read->rows), "our reader");
}

// Writes `table`, then reads it back with every reader available here.
void ExpectReadBack(const jet::NewTable& table, std::string_view password, const std::string& file) {
    const auto bytes = WriteOrFail(table, password);
    ASSERT_FALSE(bytes.empty());
    ExpectOurReaderReadsBack(table, password, bytes);
    if (!jet_test::OraclesSupported()) return;
    ASSERT_EQ(jet_test::MissingOracle(), "") << "run scripts/install-deps.sh";
    const std::string path = jet_test::WriteTempFile(file, bytes);

    std::vector<std::string> names;
    for (const auto& c : table.columns) names.push_back(c.name);

    const auto exported = jet_test::MdbExport(path, table.name);
    ASSERT_TRUE(exported.ok) << "mdb-export failed on " << path;
    EXPECT_EQ(exported.header, names);
    ExpectSameRows(AsMdbtoolsSeesIt(ToRows(table.rows)), exported.rows, "mdb-export");

    const auto dumped = jet_test::MdbReaderDump(path, table.name);
    ASSERT_TRUE(dumped.ok) << dumped.error;
    if (password.empty()) EXPECT_FALSE(dumped.password.has_value());
    else EXPECT_EQ(dumped.password.value_or("(none)"), password);
    EXPECT_EQ(dumped.tables, std::vector<std::string>{table.name});
    EXPECT_EQ(dumped.rowCount, static_cast<long long>(table.rows.size()));
    EXPECT_EQ(dumped.columns, names);
    ExpectSameRows(ToRows(table.rows), dumped.rows, "mdb-reader");
}

jet::NewTable QuizTable() {
    return jet::NewTable{"wd",
                         {{"Question", ColumnType::Text, 510},
                          {"Answer", ColumnType::Text, 510},
                          {"Explanation", ColumnType::Memo, 0}},
                         {}};
}

TEST(WrittenBank, ReadsBackChineseEmptyNullAndLongMemoValuesInEveryReader) {
    jet::NewTable t = QuizTable();
    auto add = [&](Cell q, Cell a, Cell m) { t.rows.push_back({std::move(q), std::move(a), std::move(m)}); };
    add("中国的首都是哪里？", "北京", std::nullopt);
    add("一加一等于几？", "二", "一 (U+4E00) has a zero low byte and is never compressed");  // 一 = 00 4E
    add("", std::nullopt, "");
    add(std::nullopt, "", std::nullopt);
    add("Latin-1 compresses: ääkkösiä", "z", "ab");   // "z" and "ab" stay plain: too short to gain
    add("quotes \"and\", commas\nand a new line", "tab\there", "carriage\r\nreturn");
    add("\xEF\xBB\xBF" "starts with a byte-order mark", "\xEF\xBB\xBF", "\xEF\xBB\xBF" "memo");
    add(Repeat("长", 255), Repeat("x", 255), Repeat("m", 64));               // full Text columns, inline Memo limit
    add("memo of 65 bytes", "one LVAL row", Repeat("m", 65));
    add("memo filling one LVAL row exactly", "4076", Repeat("a", 4074));     // FF FE + 4074 = 4076 bytes
    add("memo one byte past a single row", "4077", Repeat("a", 4075));
    add("compressed memo limit", "1024", Repeat("é", 1024));
    add("uncompressed past 1024 characters", "1025", Repeat("é", 1025));
    add("chain of exact chunks", "3 x 4072", Repeat("长", 3 * 4072 / 2));
    add("long Chinese memo over several pages", "9000", Repeat("长城", 4500));
    add("long ASCII memo", "30000", Repeat("The Great Wall 长城. ", 1500));
    for (int i = 0; i < 300; ++i)   // enough rows to fill several data pages
        add("第" + std::to_string(i) + "题：哪一个是正确答案？", std::to_string(i), i % 7 == 0 ? Cell{Repeat("备注", 40 + i)} : std::nullopt);
    ExpectReadBack(t, kBankPassword, "quiz.mdb");
}

TEST(WrittenBank, IsListedAndVersionedByMdbtools) {
    SKIP_WITHOUT_ORACLES();
    jet::NewTable t = QuizTable();
    t.rows.push_back({"问", "答", std::nullopt});
    const std::string path = jet_test::WriteTempFile("listed.mdb", WriteOrFail(t, kBankPassword));
    EXPECT_EQ(jet_test::RunCommand("mdb-ver '" + path + "'").out, "JET4\n");
    EXPECT_EQ(jet_test::RunCommand("mdb-tables -1 '" + path + "'").out, "wd\n");
    // The system tables are there, and hidden from the plain listing.
    EXPECT_EQ(jet_test::RunCommand("mdb-tables -1 -S '" + path + "'").out,
              "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\nwd\n");
}

TEST(WrittenBank, ReadsBackOneHundredThousandRows) {
    jet::NewTable t = QuizTable();
    t.rows.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
        const std::string n = std::to_string(i);
        t.rows.push_back({"题目" + n + "：下列哪座城市是中国的首都？",
                          i % 3 == 0 ? Cell{"Beijing " + n} : Cell{"北京" + n},
                          i % 1000 == 0 ? Cell{Repeat("长篇说明", 1200)} : i % 5 == 0 ? Cell{} : Cell{"注" + n}});
    }
    const auto start = std::chrono::steady_clock::now();
    const auto bytes = WriteOrFail(t, kBankPassword);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("wrote 100,000 rows: %zu bytes in %lld ms\n", bytes.size(), static_cast<long long>(ms.count()));
    ExpectReadBack(t, kBankPassword, "rows100k.mdb");
}

TEST(WrittenBank, KeepsWideTablesFullRowsEmptyTablesAndPasswordsOfEveryLength) {
    // 120 columns with long names need a table definition over two pages.
    jet::NewTable wide{"宽表", {}, {}};
    for (int c = 0; c < 120; ++c)
        wide.columns.push_back({"column_with_a_rather_long_name_" + std::to_string(c),
                                c % 10 == 9 ? ColumnType::Memo : ColumnType::Text, 20});
    for (int r = 0; r < 50; ++r) {
        jet::Row row;
        for (int c = 0; c < 120; ++c) row.push_back((r + c) % 4 == 0 ? Cell{} : Cell{std::to_string(r) + "行" + std::to_string(c)});
        wide.rows.push_back(row);
    }
    ExpectReadBack(wide, "", "wide.mdb");

    // Seven full Text columns leave no room in the row for eight short Memo
    // values as well; some of them have to move out to LVAL pages.
    jet::NewTable full{"full", {}, {}};
    jet::Row fullRow;
    for (int c = 0; c < 15; ++c) {
        full.columns.push_back({"c" + std::to_string(c), c < 7 ? ColumnType::Text : ColumnType::Memo, 510});
        fullRow.push_back(c < 7 ? Repeat("长", 255) : Repeat("短", 32));   // a 64-byte Memo would fit in a row
    }
    full.rows.assign(20, fullRow);
    ExpectReadBack(full, "", "full-rows.mdb");

    ExpectReadBack(QuizTable(), kBankPassword, "no-rows.mdb");   // empty usage maps

    jet::NewTable t = QuizTable();
    t.rows.push_back({"问", "答", "说明"});
    ExpectReadBack(t, "口令", "short-password.mdb");
    ExpectReadBack(t, "密码密码密码密码密码Pass123456", "longest-password.mdb");   // 20 UTF-16 units
}

TEST(WrittenBank, KeepsCharactersOutsideTheBasicPlaneForOurReaderAndMdbReader) {
    // Stored as surrogate pairs; mdb-export prints "??" for them, a limit of
    // that reader's character conversion, so it is not asked.
    jet::NewTable t = QuizTable();
    t.rows.push_back({"笑脸 \xF0\x9F\x99\x82", "\xF0\xA0\x80\x80", Repeat("\xF0\x9F\x99\x82", 3000)});
    const auto bytes = WriteOrFail(t, kBankPassword);
    ExpectOurReaderReadsBack(t, kBankPassword, bytes);
    SKIP_WITHOUT_ORACLES();
    const std::string path = jet_test::WriteTempFile("astral.mdb", bytes);
    const auto dumped = jet_test::MdbReaderDump(path, "wd");
    ASSERT_TRUE(dumped.ok) << dumped.error;
    ExpectSameRows(ToRows(t.rows), dumped.rows, "mdb-reader");
}

}  // namespace
