// Every table of every Access-made fixture reads back as the open-source
// export tool printed it (the CSV beside the fixture): text exactly, numbers
// and dates by value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cctype>
#include <cstdlib>
#include <set>

#include "jet/database.h"
#include "jet/sql.h"
#include "tests/jet/jet_test_support.h"

namespace jet {
namespace {

using testing::CsvField;
using testing::CsvRecord;

struct FixtureTable {
    const char* file;
    const char* table;
    const char* password;
};

const FixtureTable kTables[] = {
    {"access2000_plain.mdb", "Table1", ""},
    {"access2000_password.mdb", "Table1", "password"},
    {"access2000_types.mdb", "Table1", ""},
    {"access2000_types.mdb", "Table2", ""},
    {"access2000_types.mdb", "Table3", ""},
    {"access2000_types.mdb", "Table4", ""},
    {"access2000_memo_numeric.mdb", "test", ""},
    {"access2003_unicode.mdb", "Table", ""},
    {"access2000_overflow.mdb", "Table1", ""},
    {"access2000_deleted_rows.mdb", "Table", ""},
    {"access2000_deleted_column.mdb", "Table1", ""},
};

std::string Hex(const std::string& raw) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : raw) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// The export gives dates as YYYY-MM-DD HH:MM:SS; our cells hold MM/DD/YY HH:MM:SS.
std::string ExportDateToCell(const std::string& d) {
    if (d.size() != 19) return "bad date " + d;
    return d.substr(5, 2) + "/" + d.substr(8, 2) + "/" + d.substr(2, 2) + d.substr(10);
}

// Compares one cell with the export's field for a column of type `type`.
::testing::AssertionResult CellMatches(ColumnType type, const Cell& cell, const CsvField& expected) {
    const bool expectNull = !expected.quoted && expected.text.empty();
    if (!cell) {
        if (expectNull) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "NULL, expected \"" << expected.text << "\"";
    }
    const std::string& got = *cell;
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        if (expected.quoted && got == expected.text) return ::testing::AssertionSuccess();
        if (expectNull && got.empty()) return ::testing::AssertionSuccess();   // the export prints "" as nothing
        break;
    case ColumnType::DateTime:
        if (got == ExportDateToCell(expected.text)) return ::testing::AssertionSuccess();
        break;
    case ColumnType::Binary:
    case ColumnType::Ole:
        if (Hex(got) == Upper(expected.text)) return ::testing::AssertionSuccess();
        break;
    case ColumnType::Guid:
        if (Upper(got) == Upper(expected.text)) return ::testing::AssertionSuccess();
        break;
    case ColumnType::Boolean:
        if (got == expected.text) return ::testing::AssertionSuccess();
        break;
    default: {
        char* gotEnd = nullptr;
        char* expEnd = nullptr;
        const double g = std::strtod(got.c_str(), &gotEnd);
        const double e = std::strtod(expected.text.c_str(), &expEnd);
        if (*gotEnd == 0 && *expEnd == 0 && !got.empty() && std::fabs(g - e) <= 1e-9 * std::max(1.0, std::fabs(e))) {
            return ::testing::AssertionSuccess();
        }
    }
    }
    return ::testing::AssertionFailure() << "got \"" << got << "\", expected \"" << expected.text << "\"";
}

class FixtureConformance : public ::testing::TestWithParam<FixtureTable> {};

TEST_P(FixtureConformance, ReadsEveryRowAsTheExportToolDoes) {
    const FixtureTable& f = GetParam();
    const std::string base = std::string(f.file).substr(0, std::string(f.file).size() - 4);
    const auto csv = testing::ParseCsv(
        [&] {
            const auto b = testing::ReadFixture(base + "." + f.table + ".csv");
            return std::string(b.begin(), b.end());
        }());
    ASSERT_FALSE(csv.empty()) << "missing export for " << f.table;

    auto db = Database::Open(testing::ReadFixture(f.file), f.password);
    ASSERT_TRUE(db.ok()) << db.error().message;
    auto table = db->ReadTable(f.table);
    ASSERT_TRUE(table.ok()) << table.error().message;

    const CsvRecord& header = csv[0];
    ASSERT_EQ(table->columns.size(), header.size());
    for (size_t c = 0; c < header.size(); ++c) EXPECT_EQ(table->columns[c].name, header[c].text);

    std::vector<CsvRecord> expected(csv.begin() + 1, csv.end());
    ASSERT_EQ(table->rows.size(), expected.size());
    // The export tool lists overflow rows where their data lies; we list them at
    // the slot that points to them, as the table was written. Compare that
    // fixture's rows in the export's order by matching each expected row.
    std::vector<size_t> order(expected.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (std::string(f.file) == "access2000_overflow.mdb") {
        std::set<size_t> used;
        for (size_t e = 0; e < expected.size(); ++e) {
            bool found = false;
            for (size_t r = 0; r < table->rows.size() && !found; ++r) {
                if (used.count(r)) continue;
                bool all = true;
                for (size_t c = 0; c < header.size() && all; ++c) {
                    all = CellMatches(table->columns[c].type, table->rows[r][c], expected[e][c]);
                }
                if (all) {
                    order[e] = r;
                    used.insert(r);
                    found = true;
                }
            }
            EXPECT_TRUE(found) << "export row " << e << " not read";
        }
    }
    for (size_t e = 0; e < expected.size(); ++e) {
        const Row& row = table->rows[order[e]];
        ASSERT_EQ(row.size(), expected[e].size());
        for (size_t c = 0; c < row.size(); ++c) {
            EXPECT_TRUE(CellMatches(table->columns[c].type, row[c], expected[e][c]))
                << f.file << " " << f.table << " row " << e << " column " << header[c].text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AccessFixtures, FixtureConformance, ::testing::ValuesIn(kTables),
                         [](const ::testing::TestParamInfo<FixtureTable>& p) {
                             std::string n = std::string(p.param.file) + "_" + p.param.table;
                             for (char& c : n) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return n;
                         });

TEST(FixtureCatalog, ListsExactlyTheUserTablesThatWereExported) {
    const std::pair<const char*, std::vector<std::string>> expected[] = {
        {"access2000_plain.mdb", {"Table1"}},
        {"access2000_empty.mdb", {}},
        {"access2000_types.mdb", {"Table1", "Table2", "Table3", "Table4"}},
        {"access2000_memo_numeric.mdb", {"test"}},
        {"access2003_unicode.mdb", {"Table"}},
        {"access2000_overflow.mdb", {"Table1"}},
        {"access2000_deleted_rows.mdb", {"Table"}},
        {"access2000_deleted_column.mdb", {"Table1"}},
    };
    for (const auto& [file, names] : expected) {
        auto db = Database::Open(testing::ReadFixture(file), "");
        ASSERT_TRUE(db.ok()) << file << ": " << db.error().message;
        EXPECT_EQ(db->TableNames(), names) << file;
    }
}

TEST(FixtureCatalog, KeepsOverflowRowsAtTheSlotThatPointsToThem) {
    auto db = Database::Open(testing::ReadFixture("access2000_overflow.mdb"), "");
    ASSERT_TRUE(db.ok());
    auto table = db->ReadTable("table1");   // names compare without letter case
    ASSERT_TRUE(table.ok()) << table.error().message;
    std::vector<std::string> labels;
    for (const Row& row : table->rows) {
        for (const Cell& c : row) {
            if (c && c->rfind("row", 0) == 0) {
                labels.push_back(c->substr(0, 4));
                break;
            }
        }
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"row1", "row2", "row3", "row4", "row5", "row6", "row7"}));
}

TEST(FixtureCatalog, ScanGivesTheSameCellsAsReadTable) {
    auto db = Database::Open(testing::ReadFixture("access2000_types.mdb"), "");
    ASSERT_TRUE(db.ok());
    auto table = db->ReadTable("Table1");
    ASSERT_TRUE(table.ok());
    const size_t picked[] = {7, 0, 6};
    std::vector<std::vector<Cell>> seen;
    auto scan = db->ScanTable("Table1", picked, [&](std::span<const CellView> cells) {
        std::vector<Cell> row;
        for (const CellView& c : cells) row.push_back(c.isNull ? Cell{} : Cell{std::string(c.text)});
        seen.push_back(row);
        return true;
    });
    ASSERT_TRUE(scan.ok()) << scan.error().message;
    ASSERT_EQ(seen.size(), table->rows.size());
    for (size_t r = 0; r < seen.size(); ++r) {
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(seen[r][i], table->rows[r][picked[i]]);
    }
    size_t visits = 0;
    ASSERT_TRUE(db->ScanTable("Table1", {}, [&](std::span<const CellView>) { return ++visits < 1; }).ok());
    EXPECT_EQ(visits, 1u);
    EXPECT_EQ(db->ScanTable("Table1", std::vector<size_t>{99}, [](std::span<const CellView>) { return true; })
                  .error()
                  .kind,
              Error::NoSuchColumn);
    EXPECT_EQ(db->ReadTable("NoSuchTable").error().kind, Error::NoSuchTable);
}

// The column storage queries run on holds exactly the cells ReadTable reads:
// every fixture table (overflow rows, deleted rows and columns, Memo, every
// type), and a written table whose NULLs fall on both sides of each 64-row
// word, whose long Memo values outgrow the room sized for the Text cells, and
// whose Han column fills the room sized for it to the last byte.
TEST(FixtureCatalog, ColumnStorageHoldsExactlyWhatReadTableReads) {
    const auto expectSame = [](const Database& db, const std::string& name) {
        const auto table = db.ReadTable(name);
        ASSERT_TRUE(table.ok()) << table.error().message;
        const auto loaded = QueryTable::Load(db, name);
        ASSERT_TRUE(loaded.ok()) << loaded.error().message;
        const QueryTable& q = **loaded;
        ASSERT_EQ(q.RowCount(), table->rows.size()) << name;
        ASSERT_EQ(q.Columns().size(), table->columns.size()) << name;
        for (size_t r = 0; r < q.RowCount(); ++r) {
            for (size_t c = 0; c < q.Columns().size(); ++c) {
                const Cell& cell = table->rows[r][c];
                ASSERT_EQ(q.IsNull(r, c), !cell.has_value()) << name << " row " << r << " column " << c;
                ASSERT_EQ(q.Text(r, c), cell.value_or("")) << name << " row " << r << " column " << c;
            }
        }
    };
    for (const FixtureTable& f : kTables) {
        auto db = Database::Open(testing::ReadFixture(f.file), f.password);
        ASSERT_TRUE(db.ok()) << f.file << ": " << db.error().message;
        expectSame(*db, f.table);
    }

    NewTable t{"wd", {{"Question", ColumnType::Text, 510}, {"Answer", ColumnType::Memo, 0}, {"Place", ColumnType::Text, 510}}, {}};
    for (size_t r = 0; r < 200; ++r) {
        Cell question = r % 64 == 0 || r % 64 == 63 ? Cell{} : Cell{"问题" + std::to_string(r) + "?"};
        Cell answer = r % 50 == 7 ? Cell{std::string(9000 + r, static_cast<char>('a' + r % 26))} : Cell{"答" + std::to_string(r)};
        if (r % 65 == 1) answer.reset();
        // Han alone, up to the last row: room sized exactly to the text.
        std::string place;
        for (size_t i = 0; i <= r % 90; ++i) place += i % 2 ? "长" : "江";
        t.rows.push_back({question, answer, place});
    }
    const auto bytes = WriteDatabase(t, "");
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    auto db = Database::Open(*bytes, "");
    ASSERT_TRUE(db.ok()) << db.error().message;
    expectSame(*db, "wd");
}

}  // namespace
}  // namespace jet
