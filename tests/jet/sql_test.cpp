#include "jet/sql.h"
#include "jet/sql_text.h"

#include <gtest/gtest.h>

namespace {

using jet::Cell;
using jet::Error;

std::shared_ptr<const jet::QueryTable> MakeTable(std::vector<std::vector<Cell>> rows) {
    jet::Table t;
    t.name = "wd";
    t.columns = {{"Question", jet::ColumnType::Text, 510},
                 {"Answer", jet::ColumnType::Text, 510},
                 {"PinYin", jet::ColumnType::Memo, 0}};
    t.rows = std::move(rows);
    return std::make_shared<const jet::QueryTable>(std::move(t));
}

// Runs `sql` on `table` and returns the first result column of every row.
std::vector<std::string> FirstColumn(const std::shared_ptr<const jet::QueryTable>& table, std::string_view sql) {
    auto r = jet::ExecuteSql(sql, [&](std::string_view name) -> jet::Result<std::shared_ptr<const jet::QueryTable>> {
        if (jet::Folded(name) != jet::Folded(table->Name())) return Error{Error::NoSuchTable, "no table"};
        return table;
    });
    EXPECT_TRUE(r.ok()) << sql << ": " << (r.ok() ? "" : r.error().message);
    std::vector<std::string> out;
    if (!r.ok()) return out;
    for (size_t i = 0; i < r->RowCount(); ++i) out.emplace_back(r->IsNull(i, 0) ? "<null>" : std::string(r->Text(i, 0)));
    return out;
}

Error ErrorOf(const std::shared_ptr<const jet::QueryTable>& table, std::string_view sql) {
    auto r = jet::ExecuteSql(sql, [&](std::string_view name) -> jet::Result<std::shared_ptr<const jet::QueryTable>> {
        if (jet::Folded(name) != jet::Folded(table->Name())) return Error{Error::NoSuchTable, "The database has no table '" + std::string(name) + "'."};
        return table;
    });
    EXPECT_FALSE(r.ok()) << sql;
    return r.ok() ? Error{Error::Io, ""} : r.error();
}

bool Like(std::string_view text, std::string_view pattern) {
    return jet::LikePattern(pattern).Matches(jet::Folded(text));
}

using Strings = std::vector<std::string>;

TEST(LikePattern, PercentMatchesAnyRunAndUnderscoreExactlyOneCharacter) {
    EXPECT_TRUE(Like("abc", "%"));
    EXPECT_TRUE(Like("", "%"));
    EXPECT_TRUE(Like("abc", "a%"));
    EXPECT_FALSE(Like("xabc", "a%"));
    EXPECT_TRUE(Like("xyzabc", "%abc"));
    EXPECT_FALSE(Like("abcx", "%abc"));
    EXPECT_TRUE(Like("a-b-c", "a%b%c"));
    EXPECT_FALSE(Like("a-c-b", "a%b%c"));
    EXPECT_TRUE(Like("abc", "a_c"));
    EXPECT_FALSE(Like("ac", "a_c"));
    EXPECT_FALSE(Like("abbc", "a_c"));
    EXPECT_TRUE(Like("abc", "___"));
    EXPECT_FALSE(Like("abcd", "___"));
    // '_' is one character, also when the character takes three bytes.
    EXPECT_TRUE(Like("中国人", "中_人"));
    EXPECT_TRUE(Like("中国人", "___"));
    EXPECT_FALSE(Like("中国人", "____"));
    EXPECT_TRUE(Like("长城在中国北方", "%中_北%"));
    // Backtracking after a partial match.
    EXPECT_TRUE(Like("aab", "%ab"));
    EXPECT_TRUE(Like("mississippi", "%iss%ppi"));
    EXPECT_TRUE(Like("abcabd", "%ab_"));
    // Jet's own wildcards are plain characters here.
    EXPECT_FALSE(Like("abc", "a*"));
    EXPECT_TRUE(Like("a*", "a*"));
    EXPECT_FALSE(Like("abc", "a?c"));
    EXPECT_TRUE(Like("", ""));
    EXPECT_FALSE(Like("a", ""));
}

TEST(LikePattern, IgnoresLetterCaseAndWidthButNotOtherDifferences) {
    EXPECT_TRUE(Like("ABC", "%abc%"));
    EXPECT_TRUE(Like("abc", "%ABC%"));
    EXPECT_TRUE(Like("ÀÉÎ", "àéî"));
    EXPECT_TRUE(Like("ŁÓDŹ", "łódź"));
    EXPECT_TRUE(Like("ΑΘΗΝΑ", "αθηνα"));
    EXPECT_TRUE(Like("МОСКВА", "москва"));
    EXPECT_TRUE(Like("ＡＢＣ１", "abc1"));
    EXPECT_FALSE(Like("e", "é"));
    EXPECT_FALSE(Like("中国", "中華"));
    // A full-width percent sign is a literal character, not a wildcard.
    EXPECT_FALSE(Like("abc", "a％"));
    EXPECT_TRUE(Like("a%", "a％"));
    // Ill-formed UTF-8 is compared byte for byte and never read past its end.
    EXPECT_TRUE(Like(std::string("a\xE4\xB8", 3), std::string("%\xE4\xB8", 3)));
    EXPECT_TRUE(Like(std::string("\xE4", 1), "_"));
}

TEST(SelectQuery, KeywordQueryFindsQuestionOrPinyinOnceInTableOrder) {
    auto t = MakeTable({
        {"中国的首都是哪里", "北京", "zgdsdsnl"},
        {"长城有多长", "两万多公里", "ccydc"},
        {"世界最高峰", "珠穆朗玛峰", "sjzgf"},
        {"中国的首都是哪里", "北京", "zgdsdsnl"},   // duplicate row
        {"中国的首都是哪里", "北京", "ZGDSDSNL"},   // differs only in letter case
        {"首都机场在哪个区", "顺义", std::nullopt},
    });
    const std::string q = "select distinct Question,Answer,PinYin from wd where pinyin like '%sd%' or question like '%sd%' ";
    EXPECT_EQ(FirstColumn(t, q), (Strings{"中国的首都是哪里"}));
    EXPECT_EQ(FirstColumn(t, "select distinct Question,Answer,PinYin from wd where pinyin like '%首都%' or question like '%首都%' "),
              (Strings{"中国的首都是哪里", "首都机场在哪个区"}));
    EXPECT_EQ(FirstColumn(t, "SELECT Question FROM wd WHERE PinYin LIKE '%S%'"),
              (Strings{"中国的首都是哪里", "世界最高峰", "中国的首都是哪里", "中国的首都是哪里"}));
    EXPECT_EQ(FirstColumn(t, "select distinct question from wd"),
              (Strings{"中国的首都是哪里", "长城有多长", "世界最高峰", "首都机场在哪个区"}));
    EXPECT_TRUE(FirstColumn(t, "select distinct Question,Answer,PinYin from wd where pinyin like '%xyz%' or question like '%xyz%' ").empty());
    // A trailing blank in the keyword is part of what is searched for.
    EXPECT_TRUE(FirstColumn(t, "select Question from wd where pinyin like '%sd %'").empty());
}

TEST(SelectQuery, DistinctKeepsFirstOccurrenceAndTreatsNullsAsEqual) {
    auto t = MakeTable({
        {"Apple", "1", std::nullopt},
        {"banana", "2", std::nullopt},
        {"APPLE", "3", std::nullopt},
        {std::nullopt, "4", std::nullopt},
        {std::nullopt, "5", std::nullopt},
        {"", "6", std::nullopt},
    });
    EXPECT_EQ(FirstColumn(t, "select distinct Question from wd"), (Strings{"Apple", "banana", "<null>", ""}));
    EXPECT_EQ(FirstColumn(t, "select distinct Question, PinYin from wd"), (Strings{"Apple", "banana", "<null>", ""}));
    EXPECT_EQ(FirstColumn(t, "select distinct Answer from wd").size(), 6u);
    // Many rows: the hash set keeps order and drops every repeat.
    std::vector<std::vector<Cell>> rows;
    for (int i = 0; i < 5000; ++i) rows.push_back({"q" + std::to_string(i % 1000), "a", "p"});
    auto big = MakeTable(std::move(rows));
    auto d = FirstColumn(big, "select distinct question from wd");
    ASSERT_EQ(d.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(d[static_cast<size_t>(i)], "q" + std::to_string(i));
}

TEST(SelectQuery, NullsMatchNoComparisonButIsNullFindsThem) {
    auto t = MakeTable({
        {"a", "x", std::nullopt},
        {"b", std::nullopt, "p"},
        {std::nullopt, "x", "q"},
    });
    EXPECT_EQ(FirstColumn(t, "select Question from wd where PinYin like '%'"), (Strings{"b", "<null>"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where not PinYin like '%'"), (Strings{}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where PinYin not like 'p'"), (Strings{"<null>"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Answer = 'X'"), (Strings{"a", "<null>"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Answer <> 'x'"), (Strings{}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Answer is null"), (Strings{"b"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question is not null and PinYin is null"), (Strings{"a"}));
    // Unknown OR true is true; unknown AND false is false.
    EXPECT_EQ(FirstColumn(t, "select Question from wd where PinYin = 'zz' or Answer = 'x'"), (Strings{"a", "<null>"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where not (PinYin = 'zz' and Answer = 'none')"), (Strings{"a", "b", "<null>"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question = null"), (Strings{}));
}

TEST(SelectQuery, OperatorsPrecedenceNamesAndLiterals) {
    auto t = MakeTable({
        {"It's", "1", "a"},
        {"O'Neil", "2", "b"},
        {"plain", "3", "c"},
        {"10", "4", "d"},
    });
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%''%'"), (Strings{"It's", "O'Neil"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question = 'it''s'"), (Strings{"It's"}));
    // AND binds tighter than OR; NOT tighter than AND.
    EXPECT_EQ(FirstColumn(t, "select Question from wd where PinYin = 'a' or PinYin = 'b' and Answer = '3'"), (Strings{"It's"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where (PinYin = 'a' or PinYin = 'b') and Answer = '2'"), (Strings{"O'Neil"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where not PinYin = 'a' and Answer <> '4'"), (Strings{"O'Neil", "plain"}));
    EXPECT_EQ(FirstColumn(t, "SeLeCt [Question] FrOm [WD] wHeRe wd.pinyin != 'c' AND `answer` >= '2';"),
              (Strings{"O'Neil", "10"}));
    EXPECT_EQ(FirstColumn(t, "select question from wd where question = 10"), (Strings{"10"}));
    EXPECT_EQ(FirstColumn(t, "select question from wd where question > 9.5"), (Strings{"10"}));
    auto star = jet::ExecuteSql("select * from wd where answer='1'", [&](std::string_view) { return jet::Result<std::shared_ptr<const jet::QueryTable>>(t); });
    ASSERT_TRUE(star.ok());
    ASSERT_EQ(star->ColumnCount(), 3u);
    EXPECT_EQ(star->ColumnName(2), "PinYin");
    EXPECT_EQ(star->Text(0, 2), "a");
    auto dup = jet::ExecuteSql("select answer, ANSWER from wd", [&](std::string_view) { return jet::Result<std::shared_ptr<const jet::QueryTable>>(t); });
    ASSERT_TRUE(dup.ok());
    EXPECT_EQ(dup->ColumnName(1), "Answer");
}

TEST(SelectQuery, ReportsSyntaxErrorsAndUnknownNamesClearly) {
    auto t = MakeTable({{"a", "b", "c"}});
    // An apostrophe in the keyword ends the literal early.
    const Error e1 = ErrorOf(t, "select distinct Question,Answer,PinYin from wd where pinyin like '%it's%' or question like '%it's%' ");
    EXPECT_EQ(e1.kind, Error::Syntax);
    EXPECT_NE(e1.message.find("position"), std::string::npos) << e1.message;
    EXPECT_EQ(ErrorOf(t, "select Question from wd where Question like 'abc").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select from wd").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question wd").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where Question").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where (Question = 'a'").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where Question = 'a' junk").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select [Question from wd").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where Question = 1.2.3").kind, Error::Syntax);
    EXPECT_EQ(ErrorOf(t, "delete from wd").kind, Error::Syntax);
    const Error sel = ErrorOf(t, "select Question from wd where Question = 'a' junk");
    EXPECT_NE(sel.message.find("'junk'"), std::string::npos) << sel.message;
    // Deep nesting is refused, not a stack overflow.
    std::string deep = "select Question from wd where " + std::string(100000, '(') + "Question='a'" + std::string(100000, ')');
    EXPECT_EQ(ErrorOf(t, deep).kind, Error::Syntax);
    std::string nots = "select Question from wd where ";
    for (int i = 0; i < 100000; ++i) nots += "not ";
    EXPECT_EQ(ErrorOf(t, nots + "Question='a'").kind, Error::Syntax);

    EXPECT_EQ(ErrorOf(t, "select Question from questions").kind, Error::NoSuchTable);
    const Error col = ErrorOf(t, "select Question, Hint from wd");
    EXPECT_EQ(col.kind, Error::NoSuchColumn);
    EXPECT_NE(col.message.find("Hint"), std::string::npos);
    EXPECT_EQ(ErrorOf(t, "select Question from wd where Hint like '%a%'").kind, Error::NoSuchColumn);
    EXPECT_EQ(ErrorOf(t, "select other.Question from wd").kind, Error::NoSuchColumn);
}

TEST(SelectQuery, ContainsSearchStaysInsideEachCell) {
    // The scan runs over all cells of a column at once; a hit must never join
    // the end of one cell with the start of the next, and every hit row counts.
    auto t = MakeTable({
        {"ab", "", "x"},
        {"cd", "", "y"},
        {"abcd", "", "z"},
        {std::nullopt, "", "w"},
        {"xxabxxab", "", "v"},
        {"b", "", "u"},
    });
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%bc%'"), (Strings{"abcd"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%ab%'"), (Strings{"ab", "abcd", "xxabxxab"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%b%'"), (Strings{"ab", "abcd", "xxabxxab", "b"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%%'"), (Strings{"ab", "cd", "abcd", "xxabxxab", "b"}));
    EXPECT_EQ(FirstColumn(t, "select Question from wd where Question like '%q%'"), (Strings{}));
}

}  // namespace

namespace {

// The whole-column substring scan against the plain per-cell test, on many
// cells of a small alphabet (so hits fall on every offset of the scan's
// 16-byte blocks and across cell ends), with Chinese and Latin mixed in.
TEST(SelectQuery, ContainsScanAgreesWithMatchingEachCell) {
    uint32_t seed = 12345;
    const auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    static const char* const kPieces[] = {"a", "b", "A", "中", "国", "ab", "é", "É"};
    std::vector<std::vector<Cell>> rows;
    for (int r = 0; r < 3000; ++r) {
        std::string q;
        const unsigned len = next() % 12;
        for (unsigned i = 0; i < len; ++i) q += kPieces[next() % 8];
        rows.push_back({next() % 50 == 0 ? Cell() : Cell(q), "", ""});
    }
    auto t = MakeTable(rows);
    for (const char* lit : {"a", "ab", "ba", "aab", "abab", "中国", "国a", "éa", "aaaa", "b中", "bbbbbbbbbbbbbbbbbb"}) {
        const std::string sql = std::string("select Question from wd where Question like '%") + lit + "%'";
        std::vector<std::string> expected;
        for (const auto& row : rows) {
            if (!row[0]) continue;
            const std::string folded = jet::Folded(*row[0]);
            if (folded.find(jet::Folded(lit)) != std::string::npos) expected.push_back(*row[0]);
        }
        EXPECT_EQ(FirstColumn(t, sql), expected) << lit;
    }
}

}  // namespace
