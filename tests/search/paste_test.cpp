// Questions copied out of the game: with one character wrong, a word left
// out, or other punctuation, the question they came from is listed first.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "base/text.h"
#include "tests/search/bank_for_tests.h"

namespace {

bool IsHan(char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

TEST(PastedQuestion, FindsItsQuestionFirst) {
    const std::vector<searchtest::Row> rows = searchtest::TestBank();
    search::SearchIndex index(static_cast<uint32_t>(rows.size()), searchtest::SourceOf(rows));
    static const std::u16string common = u"的一是在不了有和人这中大为上个我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产";
    std::mt19937 rng(7);
    size_t cases = 0, first = 0;
    std::string missed;
    for (uint32_t r = 0; r < rows.size(); r += 2) {
        if (!rows[r][0]) continue;
        const std::u16string q = base::Utf8ToUtf16(*rows[r][0]);
        std::vector<size_t> han;
        for (size_t i = 0; i < q.size(); ++i) {
            if (IsHan(q[i])) han.push_back(i);
        }
        if (han.size() < 10) continue;   // too short to stay 8 characters long with a word left out
        const size_t at = han[std::uniform_int_distribution<size_t>(2, han.size() - 3)(rng)];
        std::u16string variants[3] = {q, q, q};
        // One character wrong.
        char16_t other;
        do other = common[std::uniform_int_distribution<size_t>(0, common.size() - 1)(rng)]; while (other == q[at]);
        variants[0][at] = other;
        // A word of two characters left out.
        variants[1].erase(at, IsHan(q[at + 1]) ? 2 : 1);
        // Other punctuation: ASCII for full-width, quotes changed, the end mark gone, a comma put in.
        std::u16string& p = variants[2];
        for (char16_t& c : p) {
            if (c == u'？') c = u'?';
            else if (c == u'“' || c == u'”') c = u'"';
            else if (c == u'《') c = u'<';
            else if (c == u'》') c = u'>';
            else if (c == u'，') c = u',';
        }
        while (!p.empty() && (p.back() == u'?' || p.back() == u'。')) p.pop_back();
        p = p.substr(0, at) + u'，' + p.substr(at);
        for (const std::u16string& v : variants) {
            const std::string keyword = base::Utf16ToUtf8(v);
            const search::SearchResult found = index.Search(keyword);
            ++cases;
            // The first row is the question, or one the bank holds twice.
            if (!found.rows.empty() && rows[found.rows[0]][0] == rows[r][0]) ++first;
            else missed.append(" ").append(keyword);
        }
    }
    std::printf("pasted questions listed first: %zu of %zu (%.1f%%)\n", first, cases,
                100.0 * static_cast<double>(first) / static_cast<double>(cases));
    EXPECT_GE(cases, 100u);
    EXPECT_GE(first * 100, cases * 95) << "missed:" << missed;
}

}  // namespace
