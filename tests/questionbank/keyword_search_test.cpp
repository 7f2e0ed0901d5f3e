// The program's search against the keyword query it has always sent: on
// random keywords, the rows the query returns come first, in its order, and
// every other row follows them; and the search reads a changed bank afresh.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "base/text.h"
#include "jet/writer.h"
#include "questionbank/access_db.h"
#include "questionbank/file_access.h"
#include "questionbank/keyword_query.h"

namespace {

namespace fs = std::filesystem;

// Questions from a pool of common, polyphonic, traditional and full-width
// characters, Latin letters in both cases, punctuation and the query's
// wildcard characters; PinYin random letters; some repeats and NULLs.
std::vector<std::array<std::optional<std::string>, 3>> RandomBank(std::mt19937& rng, size_t n) {
    static const std::u16string pool =
        u"长江三峡中国最的河流重庆银行音乐快乐绿色長江國樂行走首都是哪个城市年月日"
        u"ＡＢＣａｂｃ１２３ABCabcxyz0123，。？！“”《》、 ?!.,'%_";
    std::uniform_int_distribution<size_t> pick(0, pool.size() - 1), len(0, 16), plen(0, 10), letter(0, 25), odds(0, 19);
    std::vector<std::array<std::optional<std::string>, 3>> rows;
    for (size_t i = 0; i < n; ++i) {
        if (!rows.empty() && odds(rng) == 0) {   // a repeat, sometimes in other letter case
            auto row = rows[std::uniform_int_distribution<size_t>(0, rows.size() - 1)(rng)];
            if (row[2] && odds(rng) < 10) row[2]->insert(0, 1, 'X');   // not a repeat after all
            rows.push_back(row);
            continue;
        }
        std::u16string q;
        for (size_t k = len(rng); k > 0; --k) q += pool[pick(rng)];
        std::string p;
        for (size_t k = plen(rng); k > 0; --k) p += static_cast<char>((odds(rng) < 2 ? 'A' : 'a') + letter(rng));
        std::string answer = "答";
        answer += static_cast<char>('0' + i % 7);
        std::array<std::optional<std::string>, 3> row{base::Utf16ToUtf8(q), answer, p};
        if (odds(rng) == 0) row[0].reset();
        if (odds(rng) == 0) row[2].reset();
        rows.push_back(row);
    }
    return rows;
}

// A keyword as a player might type it: a piece of some question or PinYin,
// changed in letter case or width, cut, or with a blank or wildcard put in;
// or a few random pool characters.
std::string RandomKeyword(std::mt19937& rng, const std::vector<std::array<std::optional<std::string>, 3>>& rows) {
    std::uniform_int_distribution<size_t> odds(0, 9);
    std::u16string k;
    const auto& row = rows[std::uniform_int_distribution<size_t>(0, rows.size() - 1)(rng)];
    const auto& cell = row[odds(rng) < 6 ? 0 : 2];
    const std::u16string text = base::Utf8ToUtf16(cell.value_or("长江"));
    if (!text.empty()) {
        const size_t from = std::uniform_int_distribution<size_t>(0, text.size() - 1)(rng);
        const size_t count = std::uniform_int_distribution<size_t>(1, 5)(rng);
        k = text.substr(from, count);
    }
    for (char16_t& c : k) {
        const size_t o = odds(rng);
        if (o == 0 && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        else if (o == 1 && c >= u'A' && c <= u'z') c = static_cast<char16_t>(c - 0x21 + 0xFF01);
    }
    const size_t o = odds(rng);
    static const char16_t extra[] = u" %_'，";
    if (o < 3 && !k.empty()) {
        const size_t at = std::uniform_int_distribution<size_t>(0, k.size())(rng);
        k = k.substr(0, at) + extra[o + odds(rng) % 3] + k.substr(at);
    }
    if (k.empty() || (k.size() == 1 && (k[0] >= 0xD800 && k[0] <= 0xDFFF))) k = u"江";
    return base::Utf16ToUtf8(k);
}

class KeywordSearch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::path(TOVI_BINARY_DIR) / "keyword-search-test";
        fs::create_directories(dir_);
        copy_ = dir_ / "d9x3.tmp";
        db_.SetReporter([this](std::string_view, std::string_view) { ++reports_; });
        db_.SetTempBankPath(questionbank::Utf8FromPath(copy_));
    }
    void WriteBank(const std::vector<std::array<std::optional<std::string>, 3>>& rows) {
        jet::NewTable t;
        t.name = "wd";
        t.columns = {{"Question", jet::ColumnType::Text, 510},
                     {"Answer", jet::ColumnType::Text, 510},
                     {"PinYin", jet::ColumnType::Text, 510}};
        for (const auto& r : rows) t.rows.push_back({r[0], r[1], r[2]});
        auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword, jet::WriteOptions{45413.5});
        ASSERT_TRUE(bytes.ok());
        ASSERT_EQ(questionbank::WriteFileReplacing(copy_, *bytes), "");
    }
    std::vector<std::string> Column(size_t field) {
        std::vector<std::string> out;
        const auto& rs = db_.BankRecordset();
        for (size_t r = 0; r < rs.RecordCount(); ++r) out.push_back(std::string(rs.Cell(r, field)) + (rs.IsNullAt(r, field) ? "<null>" : ""));
        return out;
    }

    fs::path dir_, copy_;
    questionbank::AccessDb db_;
    int reports_ = 0;
};

TEST_F(KeywordSearch, ListsTheQueryRowsFirstInTheQueryOrder) {
    std::mt19937 rng(20261207);
    const auto rows = RandomBank(rng, 3000);
    WriteBank(rows);
    size_t withMore = 0, keywords = 0;
    for (int i = 0; i < 600; ++i) {
        const std::string keyword = RandomKeyword(rng, rows);
        db_.OpenQuery(questionbank::KeywordQuerySql(keyword));
        std::vector<std::string> query[3] = {Column(0), Column(1), Column(2)};
        db_.SearchKeyword(keyword);
        ASSERT_EQ(reports_, 0) << keyword;
        const auto& rules = db_.RowRules();
        ASSERT_EQ(rules.size(), db_.BankRecordset().RecordCount());
        size_t exact = 0;
        while (exact < rules.size() && rules[exact] == search::Rule::Exact) ++exact;
        for (size_t r = exact; r < rules.size(); ++r) ASSERT_NE(rules[r], search::Rule::Exact) << keyword;
        for (size_t f = 0; f < 3; ++f) {
            std::vector<std::string> listed = Column(f);
            listed.resize(exact);
            ASSERT_EQ(listed, query[f]) << "keyword '" << keyword << "', column " << f;
        }
        withMore += rules.size() > exact;
        ++keywords;
    }
    // The keywords reached the other rules too, not only the exact one.
    EXPECT_GT(withMore, keywords / 10);
}

TEST_F(KeywordSearch, ReadsAChangedBankAfresh) {
    WriteBank({{{"长江三峡", "a", "cjsx"}}});
    db_.SearchKeyword("changjiang");
    EXPECT_EQ(Column(0), std::vector<std::string>{"长江三峡"});
    WriteBank({{{"黄河", "b", "hh"}}, {{"長江", "c", "zj"}}});
    db_.SearchKeyword("changjiang");
    EXPECT_EQ(Column(0), std::vector<std::string>{"長江"});
    fs::remove(copy_);
    db_.SearchKeyword("changjiang");
    EXPECT_EQ(reports_, 1);
    EXPECT_EQ(db_.BankRecordset().RecordCount(), 0u);
}

}  // namespace
