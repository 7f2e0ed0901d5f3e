#include "search/index.h"

#include <algorithm>
#include <bit>
#include <optional>
#include <unordered_map>

#include "jet/sql_text.h"

namespace search {

namespace {

uint64_t HashBytes(uint64_t h, const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h;
}

uint64_t HashCell(uint64_t h, bool null, const void* data, size_t size) {
    h = HashBytes(h, &null, 1);
    const uint64_t n = size;
    return HashBytes(HashBytes(h, &n, sizeof n), data, size);
}

// Dice coefficient a similar question must reach, on character pairs.
constexpr double kMinSimilarity = 0.3;

}  // namespace

SearchIndex::SearchIndex(uint32_t rowCount, RowSource source) : rowCount_(rowCount), source_(std::move(source)) {
    unitStart_.reserve(rowCount_ + 1);
    pinyinStart_.reserve(rowCount_ + 1);
    letters_.resize(rowCount_);
    chars_.resize(rowCount_);
    pairs_.resize(rowCount_);
    rowHash_.resize(rowCount_);
    unitStart_.push_back(0);
    pinyinStart_.push_back(0);
    std::string answer;
    for (uint32_t r = 0; r < rowCount_; ++r) {
        const SearchRow row = source_(r);
        if (!row.questionNull) units_ += FoldedUnits(row.question);
        if (!row.pinyinNull) jet::AppendFolded(pinyin_, row.pinyin);
        unitStart_.push_back(static_cast<uint32_t>(units_.size()));
        pinyinStart_.push_back(static_cast<uint32_t>(pinyin_.size()));
        const std::u16string_view q = Question(r);
        const std::string_view p = PinYin(r);
        RowSignature sig;
        sig.Add(q);
        sig.Add(FoldedUnits(p));
        letters_[r] = sig.letters;
        chars_[r] = sig.chars;
        pairs_[r] = sig.pairs;
        answer.clear();
        if (!row.answerNull) jet::AppendFolded(answer, row.answer);
        uint64_t h = 0xCBF29CE484222325ull;
        h = HashCell(h, row.questionNull, q.data(), q.size() * sizeof(char16_t));
        h = HashCell(h, row.answerNull, answer.data(), answer.size());
        h = HashCell(h, row.pinyinNull, p.data(), p.size());
        rowHash_[r] = h;
    }
    units_.shrink_to_fit();
    pinyin_.shrink_to_fit();
}

size_t SearchIndex::MemoryBytes() const {
    return units_.capacity() * sizeof(char16_t) + pinyin_.capacity() + unitStart_.capacity() * 4 +
           pinyinStart_.capacity() * 4 + (letters_.capacity() + chars_.capacity() + pairs_.capacity() + rowHash_.capacity()) * 8 +
           lastFound_.capacity() * 4;
}

// Rows the list shows once: equal, without regard to letter case, in
// question, answer and PinYin, NULL equal only to NULL.
bool SearchIndex::SameRow(uint32_t a, uint32_t b) const {
    if (rowHash_[a] != rowHash_[b] || Question(a) != Question(b) || PinYin(a) != PinYin(b)) return false;
    const SearchRow x = source_(a), y = source_(b);
    return x.questionNull == y.questionNull && x.pinyinNull == y.pinyinNull && x.answerNull == y.answerNull &&
           jet::Folded(x.answer) == jet::Folded(y.answer);
}

// Appends the rows not equal to one already listed. `seen` is an open
// addressing set of listed rows by hash, shared by both parts of the list.
void SearchIndex::KeepDistinct(const std::vector<uint32_t>& rows, const std::vector<Rule>& rules,
                               std::vector<uint64_t>& seen, SearchResult& out) const {
    constexpr uint64_t kFree = ~uint64_t{0};
    const size_t mask = seen.size() - 1;
    for (size_t k = 0; k < rows.size(); ++k) {
        const uint32_t r = rows[k];
        size_t i = static_cast<size_t>(rowHash_[r] ^ (rowHash_[r] >> 29)) & mask;
        bool repeat = false;
        while (seen[i] != kFree) {
            const auto other = static_cast<uint32_t>(seen[i]);
            if (rowHash_[other] == rowHash_[r] && SameRow(other, r)) {
                repeat = true;
                break;
            }
            i = (i + 1) & mask;
        }
        if (repeat) continue;
        seen[i] = r;
        out.rows.push_back(r);
        out.rules.push_back(rules[k]);
    }
}

SearchResult SearchIndex::Search(std::string_view keyword) {
    const Keyword k(keyword);
    const bool reuse = haveLast_ && keyword.size() >= lastKeyword_.size() && keyword.starts_with(lastKeyword_);
    const std::vector<uint32_t>& candidates = lastFound_;
    const size_t count = reuse ? candidates.size() : rowCount_;

    uint64_t needLetters = 0, needChars = 0;
    std::vector<uint64_t> pairChoices;   // a row holds one of each
    for (const WordMatcher& w : k.words) {
        needLetters |= w.NeedLetters();
        needChars |= w.NeedChars();
        if (w.PairChoices() && !k.wildcard) pairChoices.push_back(w.PairChoices());
    }
    std::optional<jet::LikePattern> like;
    if (k.wildcard) like.emplace("%" + k.text + "%");
    // A piece of the question that equals the keyword is also a run that the
    // rules find: the question needs looking at only where they found one.
    const bool exactNeedsRun = !k.wildcard && !k.words.empty();

    std::vector<uint32_t> exact, other, found;
    std::vector<Rule> otherRule;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t r = reuse ? candidates[i] : static_cast<uint32_t>(i);
        if ((letters_[r] & needLetters) != needLetters || (chars_[r] & needChars) != needChars) continue;
        if (!std::all_of(pairChoices.begin(), pairChoices.end(), [&](uint64_t p) { return pairs_[r] & p; })) continue;
        const std::u16string_view q = Question(r);
        const std::string_view p = PinYin(r);
        std::optional<Rule> rule;
        if (!k.spaced && !k.words.empty()) {
            const WordMatcher::Found f = k.words[0].Match(q);
            if (f.reading) rule = Rule::Reading;
            else if (f.folded) rule = Rule::Folded;
        } else if (k.spaced && !k.words.empty()) {
            bool every = true;
            for (size_t w = 0; w < k.words.size() && every; ++w) {
                const WordMatcher::Found f = k.words[w].Match(q);
                every = f.folded || f.reading || p.find(k.wordTexts[w]) != std::string_view::npos;
            }
            if (every) rule = Rule::Words;
        }
        bool isExact;
        if (like) {
            const SearchRow row = source_(r);
            isExact = (!row.questionNull && like->Matches(jet::Folded(row.question))) ||
                      (!row.pinyinNull && like->Matches(p));
        } else {
            isExact = p.find(k.exactUtf8) != std::string_view::npos ||
                      ((rule || !exactNeedsRun) && q.find(k.exact) != std::u16string_view::npos);
        }
        if (isExact) {
            exact.push_back(r);
            found.push_back(r);
        } else if (rule) {
            other.push_back(r);
            otherRule.push_back(*rule);
            found.push_back(r);
        }
    }

    SearchResult out;
    if (found.empty() && k.length >= kSimilarFromLength) {
        out = MostSimilar(k);
    } else {
        size_t slots = 16;
        while (slots < found.size() * 2) slots *= 2;
        std::vector<uint64_t> seen(slots, ~uint64_t{0});
        KeepDistinct(exact, std::vector<Rule>(exact.size(), Rule::Exact), seen, out);
        KeepDistinct(other, otherRule, seen, out);
    }
    lastKeyword_.assign(keyword);
    lastFound_ = std::move(found);   // `candidates` is not used after this
    haveLast_ = true;
    return out;
}

SearchResult SearchIndex::MostSimilar(const Keyword& k) const {
    const CharTables& t = CharTables::Get();
    SearchResult out;
    out.similar = true;
    // Pairs of neighbouring characters, punctuation and blanks left out.
    std::u16string plain;
    for (const WordMatcher& w : k.words) plain += w.Units();
    if (plain.size() < 2) return out;
    std::vector<uint32_t> pairs;
    for (size_t i = 0; i + 1 < plain.size(); ++i) pairs.push_back(uint32_t{plain[i]} << 16 | plain[i + 1]);
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    size_t slots = 64;
    while (slots < pairs.size() * 4) slots *= 2;
    std::vector<uint32_t> key(slots, 0);
    std::vector<int32_t> index(slots, -1);
    const auto slotOf = [&](uint32_t pair) { return static_cast<size_t>((pair * 2654435761u) ^ (pair >> 15)) & (slots - 1); };
    for (size_t i = 0; i < pairs.size(); ++i) {
        size_t s = slotOf(pairs[i]);
        while (index[s] >= 0) s = (s + 1) & (slots - 1);
        key[s] = pairs[i];
        index[s] = static_cast<int32_t>(i);
    }
    uint64_t keywordChars = 0;
    for (char16_t u : plain) {
        RowSignature one;
        one.Add(std::u16string_view(&u, 1));
        keywordChars |= one.chars;
    }
    const int keywordBits = std::popcount(keywordChars);

    struct Scored {
        double score;
        uint32_t row;
    };
    std::vector<Scored> best;
    std::vector<uint32_t> stamp(pairs.size(), UINT32_MAX);
    for (uint32_t r = 0; r < rowCount_; ++r) {
        // A similar question shares most of the keyword's characters.
        if (keywordBits >= 6 && std::popcount(chars_[r] & keywordChars) * 3 < keywordBits) continue;
        const std::u16string_view q = Question(r);
        char16_t prev = 0;
        size_t rowPairs = 0, shared = 0;
        for (char16_t u : q) {
            if (t.Kind(u) == CharKind::Punct) continue;
            const char16_t s = t.Simplified(u);
            if (prev) {
                ++rowPairs;
                const uint32_t pair = uint32_t{prev} << 16 | s;
                size_t slot = slotOf(pair);
                while (index[slot] >= 0) {
                    if (key[slot] == pair) {
                        const auto i = static_cast<size_t>(index[slot]);
                        if (stamp[i] != r) {
                            stamp[i] = r;
                            ++shared;
                        }
                        break;
                    }
                    slot = (slot + 1) & (slots - 1);
                }
            }
            prev = s;
        }
        if (!shared) continue;
        const double dice = 2.0 * static_cast<double>(shared) / static_cast<double>(pairs.size() + rowPairs);
        if (dice >= kMinSimilarity) best.push_back({dice, r});
    }
    // Best first; equal scores in table order.
    std::stable_sort(best.begin(), best.end(), [](const Scored& a, const Scored& b) { return a.score > b.score; });
    size_t slotsSeen = 16;
    while (slotsSeen < best.size() * 2) slotsSeen *= 2;
    std::vector<uint64_t> seen(slotsSeen, ~uint64_t{0});
    std::vector<uint32_t> rows;
    for (const Scored& s : best) rows.push_back(s.row);
    KeepDistinct(rows, std::vector<Rule>(rows.size(), Rule::Similar), seen, out);
    if (out.rows.size() > kMostSimilar) {
        out.rows.resize(kMostSimilar);
        out.rules.resize(kMostSimilar);
    }
    return out;
}

}  // namespace search
