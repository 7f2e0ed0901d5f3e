// The index only narrows down where to look. On keywords spelled from the
// bank's own questions (initials, whole and cut syllables, letters, other
// forms of a character, words in any order), it lists exactly the rows that
// looking at every row with the matcher lists, in the same order, each row
// that repeats an earlier one left out, typed whole or one character at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <random>
#include <set>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "base/text.h"
#include "jet/sql_text.h"
#include "tests/search/bank_for_tests.h"

namespace {

using searchtest::Row;

// Every row the rules find, looked at one by one, in list order, each with
// the rule that finds it.
std::vector<std::pair<uint32_t, search::Rule>> LookAtEveryRow(const std::vector<Row>& rows, const std::string& keyword) {
    const search::Keyword k(keyword);
    const jet::LikePattern like("%" + k.text + "%");
    std::vector<std::pair<uint32_t, search::Rule>> exact, other;
    std::set<std::tuple<bool, std::string, bool, std::string, bool, std::string>> seen;
    for (uint32_t r = 0; r < rows.size(); ++r) {
        const auto folded = [&](size_t c) { return rows[r][c] ? jet::Folded(*rows[r][c]) : std::string(); };
        if (!seen.emplace(!rows[r][0], folded(0), !rows[r][1], folded(1), !rows[r][2], folded(2)).second) continue;
        const std::u16string q = rows[r][0] ? search::FoldedUnits(*rows[r][0]) : std::u16string();
        const std::string p = folded(2);
        // With '%' or '_' the exact rule is the query's LIKE.
        const bool exactly = k.wildcard ? (rows[r][0] && like.Matches(folded(0))) || (rows[r][2] && like.Matches(p))
                                        : p.find(k.exactUtf8) != std::string::npos || q.find(k.exact) != std::u16string::npos;
        if (exactly) {
            exact.emplace_back(r, search::Rule::Exact);
            continue;
        }
        bool found = !k.words.empty(), reading = false;
        for (size_t w = 0; w < k.words.size() && found; ++w) {
            const search::WordMatcher::Found f = k.words[w].Match(q);
            found = f.folded || f.reading || (k.spaced && p.find(k.wordTexts[w]) != std::string::npos);
            reading = f.reading;
        }
        const search::Rule rule = k.spaced ? search::Rule::Words : reading ? search::Rule::Reading : search::Rule::Folded;
        if (found) other.emplace_back(r, rule);
    }
    exact.insert(exact.end(), other.begin(), other.end());
    return exact;
}

// A piece of a question as a player might type it: each character as itself,
// as another of its forms, or as a prefix of one of its readings; now and
// then in capitals or with a blank between two characters.
std::string KeywordFrom(const std::u16string& q, std::mt19937& rng) {
    const search::CharTables& t = search::CharTables::Get();
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    const size_t at = pick(q.size()), length = 1 + pick(4);
    std::u16string out;
    for (size_t i = at; i < q.size() && i < at + length; ++i) {
        const char16_t u = q[i];
        const uint16_t c = t.ReadingClass(u);
        const size_t how = pick(6);
        if (t.Kind(u) == search::CharKind::Han && how < 4) {
            const auto& syllables = t.ClassSyllables(c);
            std::string s = t.Syllable(syllables[pick(syllables.size())]);
            s.resize(how == 0 ? s.size() : 1 + pick(s.size()));
            if (pick(3) == 0) std::replace(s.begin(), s.end(), 'v', 'u');
            for (char l : s) out += static_cast<char16_t>(how == 3 ? l - 32 : l);
        } else if (how == 4 && !t.FormsOf(t.Simplified(u)).empty()) {
            const auto& forms = t.FormsOf(t.Simplified(u));
            out += forms[pick(forms.size())];
        } else {
            out += u;
        }
        if (pick(8) == 0) out += u' ';
    }
    return base::Utf16ToUtf8(out);
}

// The rows and rules an index search lists, as LookAtEveryRow gives them.
std::vector<std::pair<uint32_t, search::Rule>> Listed(search::SearchIndex& index, const std::string& keyword) {
    const search::SearchResult found = index.Search(keyword);
    std::vector<std::pair<uint32_t, search::Rule>> out;
    for (size_t i = 0; i < found.rows.size(); ++i) out.emplace_back(found.rows[i], found.rules[i]);
    return out;
}

TEST(SearchIndex, ListsWhatLookingAtEveryRowLists) {
    std::vector<Row> rows = searchtest::TestBank();
    // Repeats that differ in letter case only, and rows that differ only in
    // a NULL against an empty text, which are not repeats.
    rows.push_back({"银行的英文单词是？", "BANK", "YHDYWDCS"});
    rows.push_back({"银行的英文单词是？", "bank", ""});
    rows.push_back({"银行的英文单词是？", "bank", std::nullopt});
    rows.push_back({"", "没有题目的答案", "null"});
    // Traditional characters with a reading their simplified form lacks
    // (乾 qian, 干 gan; 著 zhu, 着 zhe): the index keeps them under the
    // simplified form, and a piece of letters must still find them there.
    rows.push_back({"乾隆年间著名的宫廷画家是？", "郎世宁", ""});
    // Two letters as typed, apart, in full-width forms and in a PinYin with
    // punctuation: a word of two letters is mostly listed from what the
    // index holds, without the texts being read.
    rows.push_back({"C J是长江的缩写吗？", "是", "C-JSCJDSXM"});
    rows.push_back({"Ｃ，Ｊ和CJ都是缩写吗？", "是", ""});
    rows.push_back({"Ｃ，Ｊ是哪两个字母？", "字母", std::nullopt});
    rows.push_back({"成绩单上的J是什么？", "等级", "cjdsdjssm"});
    rows.push_back({"什么叫缩写？", "简称", "C.J"});
    // A PinYin that holds characters: a keyword of characters is looked
    // for in it only where one does.
    rows.push_back({"哪条河最长？", "长江", "长江最长"});
    // One whose PinYin alone has a character read with a "c", which spells
    // nothing of the question.
    rows.push_back({"哪个字读作ｘ？", "无", "长"});
    search::SearchIndex index(static_cast<uint32_t>(rows.size()), searchtest::SourceOf(rows));
    for (const char* keyword : {"qianlong", "qianlongnianjianzhuming", "zhuming", "longnianjianzhum", "cj", "CJ", "jc",
                                "js", "sx", "江最", "c", "Z", "2", "ｘ"}) {
        const auto expected = LookAtEveryRow(rows, keyword);
        EXPECT_FALSE(expected.empty()) << keyword;
        EXPECT_EQ(Listed(index, keyword), expected) << "keyword '" << keyword << "'";
    }
    std::mt19937 rng(12);
    size_t listed = 0;
    for (int n = 0; n < 600; ++n) {
        const Row& from = rows[std::uniform_int_distribution<size_t>(0, rows.size() - 1)(rng)];
        if (!from[0] || from[0]->empty()) continue;
        const std::string keyword = KeywordFrom(base::Utf8ToUtf16(*from[0]), rng);
        const auto expected = LookAtEveryRow(rows, keyword);
        if (expected.empty()) continue;   // a similar list: not the index's to narrow down
        listed += expected.size();
        index.Search("\x01");
        EXPECT_EQ(Listed(index, keyword), expected) << "keyword '" << keyword << "'";
        // Typed one character at a time, each search looking only at the
        // rows the one before found.
        index.Search("\x01");
        const std::u16string units = base::Utf8ToUtf16(keyword);
        for (size_t i = 1; i < units.size(); ++i) index.Search(base::Utf16ToUtf8(units.substr(0, i)));
        EXPECT_EQ(Listed(index, keyword), expected) << "keyword '" << keyword << "' typed";
    }
    EXPECT_GT(listed, 2000u);
}

// A large bank's postings are built after the index is made; meanwhile, and
// in an index that never gets them, a search lists what looking at every row
// lists, typed whole or one character at a time. Once they are built the
// index is told, once, and can be saved; an index without them cannot. The
// rows differ in their answers, so that none is a repeat and a search looks
// at enough of them to do so on several threads.
TEST(SearchIndex, ListsTheSameBeforeItsPostingsAreBuilt) {
    const std::vector<Row> bank = searchtest::TestBank();
    std::mt19937 rng(8);
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    std::vector<Row> rows;
    for (uint32_t i = 0; i < 2 * search::SearchIndex::kPostLaterFrom + 1000; ++i) {
        rows.push_back(bank[pick(bank.size())]);
        rows.back()[1] = rows.back()[1].value_or("") + std::to_string(i);
    }
    rows.push_back({"長江三峽的三峽指哪三個？", "瞿塘峡、巫峡、西陵峡", "CJSXDSXZNSG"});
    // Many rows of 干 (gan), under which 乾 (qian) is kept too: a piece of
    // letters that 乾 reads and 干 does not lists only the row of 乾.
    for (int i = 0; i < 10000; ++i) rows.push_back({"干将莫邪指的是什么？", "剑" + std::to_string(i), ""});
    rows.push_back({"乾隆年间著名的宫廷画家是？", "郎世宁", ""});
    // A PinYin of whole syllables: its question reads "ch" and it holds it.
    rows.push_back({"长城有多长？", "两万多里", "CHANGCHENG"});
    // And one whose PinYin alone holds a character that reads it.
    rows.push_back({"哪个字读作ｘ？", "无", "长"});
    // Questions with a character that reads "ch" and its letters as typed:
    // only the first holds the word as typed.
    rows.push_back({"长江的英文名是 Chang Jiang 吗？", "是", ""});
    rows.push_back({"长城 hc 是什么？", "无", ""});
    const auto count = static_cast<uint32_t>(rows.size());
    { search::SearchIndex dropped(count, searchtest::SourceOf(rows)); }   // going while it builds

    std::vector<std::string> keywords = {"cj", "sx", "changjiang", "长江 三峡", "三峡", "的", "zgzc", "sanxia",
                                         "ch", "zh", "chang", "qian", "gan", "c"};
    for (int n = 0; n < 40; ++n) {
        const Row& from = bank[pick(bank.size())];
        if (from[0] && !from[0]->empty()) keywords.push_back(KeywordFrom(base::Utf8ToUtf16(*from[0]), rng));
    }
    std::vector<std::vector<std::pair<uint32_t, search::Rule>>> listed;
    for (const std::string& keyword : keywords) listed.push_back(LookAtEveryRow(rows, keyword));

    // Searched at once, most likely while the postings are being built.
    std::atomic<int> told{0};
    search::SearchIndex later(count, searchtest::SourceOf(rows), 0, [&](const search::SearchIndex& whole) {
        EXPECT_TRUE(whole.Complete());
        ++told;
    });
    for (size_t i = 0; i < keywords.size(); ++i) {
        if (!listed[i].empty()) {
            EXPECT_EQ(Listed(later, keywords[i]), listed[i]) << "keyword '" << keywords[i] << "'";
        }
    }
    // And the same once they are built.
    while (!later.Complete()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (size_t i = 0; i < keywords.size(); ++i) {
        if (!listed[i].empty()) {
            later.Search("\x01");
            EXPECT_EQ(Listed(later, keywords[i]), listed[i]) << "keyword '" << keywords[i] << "' with postings";
        }
    }
    const auto never = search::SearchIndex::WithoutPostings(count, searchtest::SourceOf(rows));
    for (size_t n = 0; n < keywords.size(); ++n) {
        const std::string& keyword = keywords[n];
        const auto& expected = listed[n];
        if (expected.empty()) continue;
        never->Search("\x01");
        EXPECT_EQ(Listed(*never, keyword), expected) << "keyword '" << keyword << "' without postings";
        never->Search("\x01");
        const std::u16string units = base::Utf8ToUtf16(keyword);
        for (size_t i = 1; i < units.size(); ++i) never->Search(base::Utf16ToUtf8(units.substr(0, i)));
        EXPECT_EQ(Listed(*never, keyword), expected) << "keyword '" << keyword << "' typed without postings";
    }
    // A pasted question with a character wrong ranks the same question first.
    const std::string pasted = "长江三峡的三峡指的是哪三个峡谷呢？";
    const search::SearchResult similar = later.Search(pasted), withoutSets = never->Search(pasted);
    ASSERT_TRUE(similar.similar && withoutSets.similar);
    ASSERT_FALSE(similar.rows.empty() || withoutSets.rows.empty());
    EXPECT_EQ(withoutSets.rows[0], similar.rows[0]);
    EXPECT_FALSE(later.Save({1, 2}).empty());
    EXPECT_EQ(told.load(), 1);
    EXPECT_FALSE(never->Complete());
    EXPECT_TRUE(never->Save({1, 2}).empty());
}

// A part of a search that fails, on whichever thread looks at it, fails
// the search on the thread that asked; the threads are kept, and the next
// search lists every row.
TEST(SearchIndex, ThrowsWhatAPartThrewAndSearchesOnAfter) {
    std::vector<Row> rows;
    for (int i = 0; i < 40000; ++i) rows.push_back({"长江的源头在哪里？", "沱沱河" + std::to_string(i), ""});
    const auto count = static_cast<uint32_t>(rows.size());
    const search::RowSource source = searchtest::SourceOf(rows);
    std::atomic<bool> fail{false};
    search::SearchIndex index(count, [&](uint32_t r) {
        if (fail && r >= count - 5) throw std::runtime_error("unreadable row");
        return source(r);
    });
    while (!index.Complete()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    fail = true;
    EXPECT_THROW(index.Search("的%"), std::runtime_error);   // a wildcard: each row's texts are read
    fail = false;
    EXPECT_EQ(index.Search("的%").rows.size(), count);
}

// However many threads build it, the index is the same: a key's posting
// runs on across the parts' borders, and a row is a repeat of one in an
// earlier part as of one in its own.
TEST(SearchIndex, IsTheSameBuiltOnAnyNumberOfThreads) {
    const std::vector<Row> bank = searchtest::TestBank();
    std::mt19937 rng(5);
    const auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    std::vector<Row> rows;
    for (int i = 0; i < 20000; ++i) {
        Row row = bank[pick(bank.size())];
        if (pick(8) == 0) row[2] = std::nullopt;
        if (pick(8) == 0 && row[1]) std::transform(row[1]->begin(), row[1]->end(), row[1]->begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
        rows.push_back(std::move(row));
    }
    const auto count = static_cast<uint32_t>(rows.size());
    search::SearchIndex one(count, searchtest::SourceOf(rows), 1);
    for (unsigned threads : {2u, 3u, 8u}) {
        search::SearchIndex several(count, searchtest::SourceOf(rows), threads);
        EXPECT_TRUE(several.SameIndex(one)) << threads << " threads";
        for (const char* keyword : {"cj", "zgzc", "中国", "長江 三峡", "的", "abc"}) {
            EXPECT_EQ(several.Search(keyword).rows, one.Search(keyword).rows) << threads << " threads, '" << keyword << "'";
        }
    }
}

}  // namespace
