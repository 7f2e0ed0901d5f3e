// The rules of the search, case by case, on a bank of real questions: which
// rows a keyword lists and the first rule that lists each. A case names rows
// by a piece of their question; "-" as the rule means the row is not listed.
#include <gtest/gtest.h>

#include <initializer_list>
#include <map>

#include "search/highlight.h"
#include "tests/search/bank_for_tests.h"

namespace {

using search::Rule;

struct Case {
    const char* keyword;
    const char* rule;   // exact, reading, words, folded, similar, or "-"
    std::initializer_list<const char*> rows;
};

// clang-format off
const Case kExact[] = {
    {"长江", "exact", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"首都", "exact", {"澳大利亚的首都", "中华人民共和国的首都", "巴西的首都"}},
    {"首都是哪座城市", "exact", {"中华人民共和国的首都"}},
    {"首都是哪座城市?", "exact", {"中华人民共和国的首都"}},   // ？ is ? to the query too
    {"dna", "exact", {"DNA的空间结构"}},
    {"Dna", "exact", {"DNA的空间结构"}},
    {"ｄｎａ", "exact", {"DNA的空间结构"}},
    {"cpu", "exact", {"ＣＰＵ的中文名称"}},
    {"CPU的", "exact", {"ＣＰＵ的中文名称"}},
    {"2008", "exact", {"2008年奥运会"}},
    {"100%", "exact", {"100%的意思", "1到100的自然数"}},   // % stays a wildcard
    {"1到100", "exact", {"1到100的自然数"}},
    {"c++", "exact", {"C++的发明者"}},
    {"it's", "exact", {"It's a test"}},
    {"_NA", "exact", {"DNA的空间结构"}},
    {"维生素c", "exact", {"维生素C缺乏"}},
    {"？", "exact", {"泰山位于哪个省", "DNA的空间结构"}},
    {"“天府", "exact", {"“天府之国”"}},
    {"yhdy", "exact", {"银行的英文单词"}},       // in the PinYin
    {"cqdjcs", "exact", {"重庆的简称"}},
    {"2008nay", "exact", {"2008年奥运会"}},
    {"hamlet", "exact", {"Who wrote Hamlet"}},
    {"《长恨歌》", "exact", {"《长恨歌》的作者"}},
    {"的作者是", "exact", {"《史记》的作者", "《长恨歌》的作者", "《道德经》的作者"}},
    {"哪一年", "exact", {"辛亥革命爆发于哪一年", "卢沟桥事变"}},
    {"音乐之都", "exact", {"“音乐之都”"}},
    {"長江三峽", "exact", {"長江三峽是哪三個峽"}},
    {"长江三峡", "exact", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"null", "exact", {}},
    {"长江", "-", {"中国最长的河流", "世界上最长的河流"}},
    {"首都 北京", "-", {"中华人民共和国的首都"}},   // the answer is not searched
};

const Case kReading[] = {
    {"changjiang", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡", "長江三峽是哪三個峽"}},
    {"cj", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"cjiang", "reading", {"长江三峡中最西边"}},
    {"chjiang", "reading", {"长江三峡中最西边"}},
    {"changj", "reading", {"长江三峡中最西边"}},
    {"cjsx", "reading", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"changjiangsanxia", "reading", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"cjsxzzxb", "reading", {"长江三峡中最西边"}},
    {"zgzc", "reading", {"中国最长的河流"}},
    {"zhongguozuichang", "reading", {"中国最长的河流"}},
    {"zhongg", "reading", {"中国最长的河流", "中国面积最大的省级"}},
    {"zhonghua", "reading", {"中华人民共和国的首都"}},
    {"lvse", "reading", {"绿色植物"}},
    {"luse", "reading", {"绿色植物"}},
    {"LVSE", "reading", {"绿色植物"}},
    {"ｌｖｓｅ", "reading", {"绿色植物"}},
    {"lv", "reading", {"红绿灯中", "吕布的坐骑", "绿色植物"}},
    {"hld", "reading", {"红绿灯中"}},
    {"yinyue", "reading", {"音乐神童", "音乐之都"}},
    {"yinle", "reading", {"音乐神童"}},
    {"yyst", "reading", {"音乐神童"}},
    {"kuaile", "reading", {"快乐的反义词"}},
    {"yinhang", "reading", {"银行的英文单词"}},
    {"chongqing", "reading", {"重庆的简称"}},
    {"zhongyao", "reading", {"重要的事情"}},
    {"chongyang", "reading", {"重阳节"}},
    {"zhongyang", "reading", {"重阳节", "中央集权"}},
    {"cyj", "reading", {"重阳节"}},
    {"rxhd", "exact", {"人行横道线"}},
    {"renxhd", "reading", {"人行横道线"}},
    {"renxing", "reading", {"人行横道线"}},
    {"2008niana", "reading", {"2008年奥运会"}},
    {"niany", "reading", {"2008年奥运会"}},
    {"dnadekj", "reading", {"DNA的空间结构"}},
    {"wss", "reading", {"维生素C缺乏", "缺乏维生素A"}},
    {"wsscqf", "reading", {"维生素C缺乏"}},
    {"cpudezhongwen", "reading", {"ＣＰＵ的中文名称"}},
    {"xihu", "reading", {"西湖位于哪座城市"}},
    {"xh", "reading", {"西湖位于哪座城市"}},
    {"taishan", "reading", {"泰山位于哪个省"}},
    {"tsw", "reading", {"泰山位于哪个省"}},
    {"emeishan", "reading", {"峨眉山位于"}},
    {"qinshihuang", "reading", {"秦始皇兵马俑", "秦始皇的名字"}},
    {"bmy", "reading", {"秦始皇兵马俑"}},
    {"xinhai", "reading", {"辛亥革命爆发于", "辛亥革命的领导者"}},
    {"xhgm", "reading", {"辛亥革命爆发于"}},
    {"dyrcj", "reading", {"“但愿人长久”"}},
    {"dyrzj", "reading", {"“但愿人长久”"}},
    {"changhen", "reading", {"《长恨歌》的作者"}},
    {"jinghang", "reading", {"京杭大运河的北端", "京杭大运河的南端"}},
    {"jhdyh", "reading", {"京杭大运河的北端"}},
    {"lugouqiao", "reading", {"卢沟桥事变"}},
    {"zuixiao", "reading", {"面积最小的大洲"}},
    {"shijie", "reading", {"世界上最高的山峰", "世界上最长的河流"}},
    {"sjszg", "reading", {"世界上最高的山峰"}},
    {"ttdg", "-", {"“天府之国”"}},
    {"tfzg", "reading", {"“天府之国”"}},
    {"jgjc", "reading", {"“鞠躬尽瘁"}},
    {"chibi", "reading", {"赤壁之战"}},
    {"changjiangx", "-", {"长江三峡中最西边"}},
    {"zgzcx", "-", {"中国最长的河流"}},
    {"hjiang", "-", {"长江三峡中最西边"}},
    {"chjang", "-", {"长江三峡中最西边"}},
    {"lvsi", "-", {"绿色植物"}},
    {"yinlee", "-", {"音乐神童"}},
    {"changjiang", "-", {"中国最长的河流"}},
};

const Case kWords[] = {
    {"长江 三峡", "words", {"长江三峡中最西边", "長江三峽是哪三個峽"}},
    {"三峡 长江", "words", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"首都 澳大利亚", "words", {"澳大利亚的首都"}},
    {"澳大利亚　首都", "words", {"澳大利亚的首都"}},   // a full-width blank
    {"cj sx", "words", {"长江三峡中最西边"}},
    {"sx cj", "words", {"长江三峡中最西边"}},
    {"changjiang zuixi", "words", {"长江三峡中最西边"}},
    {"首都 巴西", "words", {"巴西的首都"}},
    {"dna 结构", "words", {"DNA的空间结构"}},
    {"DNA 空间", "words", {"DNA的空间结构"}},
    {"哪一年 辛亥", "words", {"辛亥革命爆发于哪一年"}},
    {"xhgm 哪一年", "words", {"辛亥革命爆发于哪一年"}},
    {"yhdy 银行", "words", {"银行的英文单词"}},
    {"hamlet who", "words", {"Who wrote Hamlet"}},
    {"秦始皇 兵马俑", "words", {"秦始皇兵马俑"}},
    {"bing ma yong", "words", {"秦始皇兵马俑"}},
    {"qin shi huang", "words", {"秦始皇兵马俑", "秦始皇的名字"}},
    {"长江 ", "words", {"长江三峡中最西边"}},
    {" 长江", "words", {"长江三峡中最西边"}},
    {"泰山 省", "words", {"泰山位于哪个省"}},
    {"西湖 城市", "words", {"西湖位于哪座城市"}},
    {"重庆 简称", "words", {"重庆的简称"}},
    {"首都 是哪座城市", "words", {"中华人民共和国的首都"}},
    {"長江 三個", "words", {"长江三峡是哪三个峡", "長江三峽是哪三個峽"}},
    {"長江 三個", "-", {"长江三峡中最西边"}},
    {"长江 黄河", "-", {"长江三峡中最西边"}},
    {"首都 北京", "-", {"澳大利亚的首都"}},
};

const Case kFolded[] = {
    {"長江", "folded", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"长江三峡", "folded", {"長江三峽是哪三個峽"}},
    {"長江三峽", "folded", {"长江三峡中最西边", "长江三峡是哪三个峡"}},
    {"三个峡", "folded", {"長江三峽是哪三個峽"}},
    {"中國", "folded", {"中国最长的河流", "中国面积最大的淡水湖"}},
    {"首都，是哪座城市", "folded", {"中华人民共和国的首都"}},
    {"天府之国通常", "folded", {"“天府之国”"}},
    {"桂林山水甲天下说的是", "folded", {"“桂林山水甲天下”"}},
    {"鞠躬尽瘁死而后已", "folded", {"“鞠躬尽瘁"}},
    {"鞠躬尽瘁,死而后已", "exact", {"“鞠躬尽瘁"}},   // ， is , to the query
    {"鞠躬尽瘁、死而后已", "folded", {"“鞠躬尽瘁"}},
    {"水调歌头明月几时有", "folded", {"《水调歌头·明月几时有》"}},
    {"長恨歌", "folded", {"《长恨歌》的作者"}},
    {"國寶大熊貓", "folded", {"国宝大熊猫的故乡"}},
    {"c.p.u", "folded", {"ＣＰＵ的中文名称"}},
    {"d-n-a", "folded", {"DNA的空间结构"}},
    {"1到1-0-0", "folded", {"1到100的自然数"}},
    {"長江三峽中", "folded", {"长江三峡中最西边"}},
    {"中國最長的河流", "folded", {"中国最长的河流"}},
    {"中國最長的河流", "-", {"世界上最长的河流"}},
    {"中國最長", "-", {"世界上最长的河流"}},
    {"長江 三峽", "-", {"中国最长的河流"}},
    {"水调歌头・明月几时有", "folded", {"《水调歌头·明月几时有》"}},   // a katakana middle dot
};

const Case kSimilar[] = {
    {"中华人民共和过的首都是哪座城市", "similar", {"中华人民共和国的首都"}},
    {"中国最长河流是什么呢", "similar", {"中国最长的河流"}},
    {"世界上面积最大国家是哪个", "similar", {"世界上面积最大的国家"}},
    {"changjiangsanxiax", "-", {"长江三峡中最西边"}},   // long, but letters share no pairs with it
};
// clang-format on

class SearchRules : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        rows_ = new std::vector<searchtest::Row>(searchtest::TestBank());
        index_ = new search::SearchIndex(static_cast<uint32_t>(rows_->size()), searchtest::SourceOf(*rows_));
    }
    static void TearDownTestSuite() {
        delete index_;
        delete rows_;
    }

    // The first row whose question holds `piece`.
    static uint32_t RowOf(const char* piece) {
        for (uint32_t r = 0; r < rows_->size(); ++r) {
            if ((*rows_)[r][0] && (*rows_)[r][0]->find(piece) != std::string::npos) return r;
        }
        ADD_FAILURE() << "no question holds " << piece;
        return 0;
    }

    // Each case both fresh and right after its keyword less its last character
    // (the shortcut a growing keyword takes), with the same outcome.
    static size_t Check(const Case* begin, const Case* end) {
        size_t checked = 0;
        for (const Case* c = begin; c != end; ++c) {
            const std::string keyword = c->keyword;
            index_->Search("\x01");   // forget the previous keyword
            const search::SearchResult fresh = index_->Search(keyword);
            std::map<uint32_t, std::string> listed;
            for (size_t i = 0; i < fresh.rows.size(); ++i) listed[fresh.rows[i]] = search::RuleName(fresh.rules[i]);
            for (const char* piece : c->rows) {
                const auto it = listed.find(RowOf(piece));
                const std::string got = it == listed.end() ? "-" : it->second;
                EXPECT_EQ(got, c->rule) << "keyword '" << keyword << "', row " << piece;
                ++checked;
            }
            if (keyword.size() > 1 && static_cast<unsigned char>(keyword.back()) < 0x80) {
                index_->Search(keyword.substr(0, keyword.size() - 1));
                const search::SearchResult grown = index_->Search(keyword);
                EXPECT_EQ(grown.rows, fresh.rows) << "keyword '" << keyword << "' typed one letter at a time";
            }
        }
        return checked;
    }

    static std::vector<searchtest::Row>* rows_;
    static search::SearchIndex* index_;
};
std::vector<searchtest::Row>* SearchRules::rows_ = nullptr;
search::SearchIndex* SearchRules::index_ = nullptr;

TEST_F(SearchRules, ExactPiecesOfQuestionOrPinYin) { Check(std::begin(kExact), std::end(kExact)); }
TEST_F(SearchRules, EveryReadingOfEveryCharacter) { Check(std::begin(kReading), std::end(kReading)); }
TEST_F(SearchRules, EveryWordSomewhereInAnyOrder) { Check(std::begin(kWords), std::end(kWords)); }
TEST_F(SearchRules, FoldedFormsAndPunctuation) { Check(std::begin(kFolded), std::end(kFolded)); }
TEST_F(SearchRules, SimilarQuestionsForALongKeyword) { Check(std::begin(kSimilar), std::end(kSimilar)); }

TEST_F(SearchRules, ListsExactRowsFirstThenTheRestInTableOrderOnce) {
    const search::SearchResult r = index_->Search("长江三峡");
    ASSERT_GE(r.rows.size(), 3u);
    // Two exact rows in table order, then the traditional one (its repeat
    // further down is not listed again).
    EXPECT_EQ(r.rows[0], RowOf("长江三峡中最西边"));
    EXPECT_EQ(r.rows[1], RowOf("长江三峡是哪三个峡"));
    EXPECT_LT(r.rows[0], r.rows[1]);
    EXPECT_EQ(r.rows[2], RowOf("長江三峽是哪三個峽"));
    EXPECT_EQ(r.rows.size(), 3u);
    EXPECT_FALSE(r.similar);
}

TEST_F(SearchRules, SimilarListIsBestFirstAndFlagged) {
    const search::SearchResult r = index_->Search("中华人民共和过的首都是哪座城市");
    ASSERT_FALSE(r.rows.empty());
    EXPECT_TRUE(r.similar);
    EXPECT_EQ(r.rows[0], RowOf("中华人民共和国的首都"));
    EXPECT_LE(r.rows.size(), search::kMostSimilar);
    // A short keyword that matches nothing lists nothing.
    EXPECT_TRUE(index_->Search("长江黄河").rows.empty());
    // Only punctuation: the exact rule alone, never every row.
    EXPECT_LT(index_->Search("…").rows.size(), 3u);
}

TEST(Highlight, SpansAreByteOffsetsOfTheMatchedCharacters) {
    using Spans = std::vector<search::ByteSpan>;
    // 长 江 三 峡: three bytes each.
    EXPECT_EQ(search::MatchedSpans("长江三峡中最西边", "cj"), (Spans{{0, 6}}));
    EXPECT_EQ(search::MatchedSpans("长江三峡中最西边", "三峡"), (Spans{{6, 12}}));
    EXPECT_EQ(search::MatchedSpans("長江三峽", "长江"), (Spans{{0, 6}}));
    EXPECT_EQ(search::MatchedSpans("ＣＰＵ的", "cpu"), (Spans{{0, 9}}));
    // Words anywhere, each highlighted; punctuation inside a run stays in it.
    EXPECT_EQ(search::MatchedSpans("“天府之国”通常指哪个省", "省 天府"), (Spans{{3, 9}, {33, 36}}));
    EXPECT_EQ(search::MatchedSpans("鞠躬尽瘁，死而后已", "尽瘁死"), (Spans{{6, 18}}));
    EXPECT_EQ(search::MatchedSpans("DNA的结构", "dna"), (Spans{{0, 3}}));
    EXPECT_EQ(search::MatchedSpans("DNA的结构", "xyz"), Spans{});
    // A similar question: the characters of the pairs it shares.
    EXPECT_EQ(search::MatchedSpans("中国的首都", "中国首都是哪里呢啊"), (Spans{{0, 6}, {9, 15}}));
}

}  // namespace
