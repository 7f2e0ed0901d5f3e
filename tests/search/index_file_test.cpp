// A saved index read back searches exactly as the one that was built; a file
// that is short, damaged, of another format, of other character tables or of
// another bank is refused, never trusted.
#include <gtest/gtest.h>

#include <cstring>

#include "base/text.h"
#include "tests/search/bank_for_tests.h"

namespace {

using searchtest::Row;

const search::BankStamp kBank{0x1234567890ABCDEFull, 987654};

// Keywords of every kind, most of them taken from the bank's questions:
// pieces of the text, their initials, a pasted question with a character
// changed, and a few that find nothing.
std::vector<std::string> Keywords(const std::vector<Row>& rows) {
    const search::CharTables& t = search::CharTables::Get();
    std::vector<std::string> out = {"cj", "changjiang", "长江 三峡", "ＣＰＵ", "臺灣", "2008nay", "lvse", "%的", "的_", "zzzzqqq", "？", "b"};
    for (size_t r = 0; r < rows.size(); r += 3) {
        if (!rows[r][0]) continue;
        const std::u16string q = base::Utf8ToUtf16(*rows[r][0]);
        const size_t at = r % std::max<size_t>(q.size(), 1);
        out.push_back(base::Utf16ToUtf8(q.substr(at, 1 + r % 4)));
        std::string initials;
        for (size_t i = at; i < q.size() && initials.size() < 1 + r % 5; ++i) {
            if (t.Kind(q[i]) == search::CharKind::Han) initials += t.Syllable(t.ClassSyllables(t.ReadingClass(q[i]))[0])[0];
        }
        out.push_back(initials);
        if (r % 15 == 0 && q.size() > 10) {
            std::u16string pasted = q;
            pasted[q.size() / 2] = u'鑫';
            out.push_back(base::Utf16ToUtf8(pasted));
        }
    }
    return out;
}

TEST(SavedIndex, SearchesExactlyAsTheBuiltOneAndSavesTheSameBytes) {
    const std::vector<Row> rows = searchtest::TestBank();
    const auto count = static_cast<uint32_t>(rows.size());
    search::SearchIndex built(count, searchtest::SourceOf(rows));
    const std::string saved = built.Save(kBank);
    const auto loaded = search::SearchIndex::Load(saved, kBank, count, searchtest::SourceOf(rows));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Save(kBank), saved);
    size_t found = 0, similar = 0;
    for (const std::string& keyword : Keywords(rows)) {
        const search::SearchResult a = built.Search(keyword), b = loaded->Search(keyword);
        EXPECT_EQ(a.rows, b.rows) << keyword;
        EXPECT_EQ(a.rules, b.rules) << keyword;
        EXPECT_EQ(a.similar, b.similar) << keyword;
        found += !a.rows.empty();
        similar += a.similar && !a.rows.empty();
    }
    EXPECT_GT(found, 100u);   // the keywords do find rows, some of them by similarity
    EXPECT_GT(similar, 3u);
}

// Header fields by their documented offsets.
constexpr size_t kVersionAt = 8, kRowsAt = 12, kTablesAt = 24, kBankHashAt = 32, kBankSizeAt = 40;

TEST(SavedIndex, RefusesShortDamagedAndForeignFiles) {
    const std::vector<Row> rows = searchtest::TestBank();
    const auto count = static_cast<uint32_t>(rows.size());
    const search::SearchIndex built(count, searchtest::SourceOf(rows));
    const std::string saved = built.Save(kBank);
    const auto load = [&](std::string_view bytes, search::BankStamp bank = kBank, uint32_t rowCount = 0) {
        return search::SearchIndex::Load(bytes, bank, rowCount ? rowCount : count, searchtest::SourceOf(rows)) != nullptr;
    };
    ASSERT_TRUE(load(saved));

    for (size_t size : {size_t{0}, size_t{7}, size_t{100}, size_t{143}, size_t{144}, size_t{145}, saved.size() / 2, saved.size() - 1}) {
        EXPECT_FALSE(load(saved.substr(0, size))) << "cut to " << size;
    }
    EXPECT_FALSE(load(saved + '\0'));

    // Any one byte changed, in the header or in any array.
    std::vector<size_t> places;
    for (size_t at = 0; at < 256; ++at) places.push_back(at);
    for (size_t at = 256; at < saved.size(); at += saved.size() / 97) places.push_back(at);
    places.push_back(saved.size() - 1);
    for (size_t at : places) {
        std::string bad = saved;
        bad[at] = static_cast<char>(bad[at] ^ 0x20);
        EXPECT_FALSE(load(bad)) << "byte " << at;
    }

    // Another format version, other character tables, another bank: each
    // field on its own, as a file written by another build would hold it.
    const auto with = [&](size_t at, uint64_t value, size_t width) {
        std::string other = saved;
        std::memcpy(other.data() + at, &value, width);
        return other;
    };
    EXPECT_FALSE(load(with(kVersionAt, 1, 4)));   // the format before the typed signatures
    EXPECT_FALSE(load(with(kTablesAt, search::CharTables::Get().Fingerprint() + 1, 8)));
    EXPECT_FALSE(load(with(kBankHashAt, kBank.hash ^ 1, 8)));
    EXPECT_FALSE(load(with(kBankSizeAt, kBank.size + 1, 8)));
    EXPECT_FALSE(load(with(kRowsAt, count + 1, 4), kBank, count + 1));
    EXPECT_FALSE(load(saved, {kBank.hash ^ 1, kBank.size}));
    EXPECT_FALSE(load(saved, {kBank.hash, kBank.size + 1}));
    EXPECT_FALSE(load(saved, kBank, count - 1));
}

}  // namespace
