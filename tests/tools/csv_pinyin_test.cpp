#include <gtest/gtest.h>

#include "tools/bank/csv.h"
#include "tools/bank/pinyin.h"

namespace {

using bankcli::ParseCsv;

TEST(Csv, ReadsQuotedFieldsLineBreaksAndNulls) {
    const auto p = ParseCsv("\xEF\xBB\xBFQuestion,Answer\r\n"
                            "\"a, \"\"quoted\"\" one\",plain\r\n"
                            "\"two\r\nlines\",\"\"\n"
                            ",x\n"
                            "\r\n"
                            "last,row");
    ASSERT_TRUE(p.ok()) << p.error;
    ASSERT_EQ(p.records.size(), 5u);
    EXPECT_EQ(p.records[0].fields[0].text, "Question");   // byte order mark dropped
    EXPECT_EQ(p.records[1].fields[0].text, "a, \"quoted\" one");
    EXPECT_EQ(p.records[2].fields[0].text, "two\r\nlines");
    EXPECT_TRUE(p.records[2].fields[1].quoted);
    EXPECT_FALSE(p.records[2].fields[1].IsNull());        // "" is an empty text
    EXPECT_TRUE(p.records[3].fields[0].IsNull());         // nothing at all is NULL
    EXPECT_EQ(p.records[3].line, 5u);
    EXPECT_EQ(p.records[4].line, 7u);                     // the blank line was skipped
    EXPECT_EQ(p.records[4].fields[1].text, "row");
}

TEST(Csv, NamesTheLineOfEachKindOfDamage) {
    EXPECT_EQ(ParseCsv("a,b\n1,\"open\n\nnever closed").error, "line 2: a quoted field is not closed");
    EXPECT_EQ(ParseCsv("a,b\n\"x\r\ny\"z,1").error, "line 3: text after the closing quote of a field");
    EXPECT_EQ(ParseCsv("a,b\n1,2\nab\"c,3").error, "line 3: a quote inside an unquoted field (quote the whole field)");
    EXPECT_EQ(ParseCsv("a,b\n1,2\n3,\xC3\x28\n").error, "line 3: the text is not valid UTF-8");
    EXPECT_EQ(ParseCsv("a,b\n\xED\xA0\x80,2").error, "line 2: the text is not valid UTF-8");   // a surrogate
    EXPECT_EQ(ParseCsv("a,b\n1,2\r3,4").error, "line 2: a carriage return inside an unquoted field");
}

TEST(Csv, CellsReadBackAsWritten) {
    const std::vector<std::optional<std::string>> cells = {std::nullopt, "", "plain", "comma,here", "quote\"here",
                                                           "line\nbreak", "中文"};
    std::string line;
    for (size_t i = 0; i < cells.size(); ++i) line += (i ? "," : "") + bankcli::CsvCell(cells[i]);
    const auto p = ParseCsv(line + "\r\n");
    ASSERT_TRUE(p.ok()) << p.error;
    ASSERT_EQ(p.records.size(), 1u);
    ASSERT_EQ(p.records[0].fields.size(), cells.size());
    for (size_t i = 0; i < cells.size(); ++i) {
        const auto& f = p.records[0].fields[i];
        EXPECT_EQ(f.IsNull(), !cells[i].has_value()) << i;
        if (cells[i]) {
            EXPECT_EQ(f.text, *cells[i]);
        }
    }
    EXPECT_EQ(bankcli::CsvCell(std::string("plain")), "plain");
}

TEST(Pinyin, InitialsOfHanCharactersWithLettersAndDigitsKept) {
    EXPECT_EQ(bankcli::PinyinInitials("中华人民共和国的首都是哪座城市？"), "zhrmghgdsdsnzcs");
    EXPECT_EQ(bankcli::PinyinInitials("《西游记》的作者是？"), "xyjdzzs");
    EXPECT_EQ(bankcli::PinyinInitials("H2O是什么"), "h2ossm");
    EXPECT_EQ(bankcli::PinyinInitials("ＣＰＵ１２"), "cpu12");
    EXPECT_EQ(bankcli::PinyinInitials("爱恶欧鹅"), "aeoe");   // readings that start with a vowel
    EXPECT_EQ(bankcli::PinyinInitials("Ç-é !?…"), "");         // other letters and signs are dropped
    EXPECT_EQ(bankcli::PinyinInitials("𠀀"), "h");              // a character outside the BMP (U+20000, hē)
    EXPECT_EQ(bankcli::HanInitial(U'A'), 0);
    EXPECT_EQ(bankcli::HanInitial(U'丁'), 'd');
}

}  // namespace
