// A keyword taken apart for matching, and the matching of one row's
// question against it. A row matches when
//   exact:   the keyword, as typed, is a piece of the question or of its
//            PinYin ('%' and '_' are wildcards there, as in the query the
//            program has always sent);
//   reading: a run of the question spells the keyword, each Han character
//            giving any non-empty prefix of one of its readings (so an
//            initial, a whole syllable or anything between) and letters and
//            digits giving themselves;
//   words:   the keyword holds blanks and every word of it matches somewhere
//            in the row, in any order;
//   folded:  a run of the question equals the keyword once both are folded:
//            letter case, full-width forms, traditional to simplified.
// Punctuation and blanks never break a run, in the question or the keyword.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/chars.h"

namespace search {

// Why a row is listed, in the order the list explains it.
enum class Rule : uint8_t { Exact, Reading, Words, Folded, Similar };
std::string_view RuleName(Rule rule);

// One word of the keyword, compiled for a run over the question's units.
class WordMatcher {
public:
    explicit WordMatcher(std::u16string units);   // simplified, punctuation dropped

    const std::u16string& Units() const { return units_; }
    bool Empty() const { return units_.empty(); }

    struct Found {
        bool folded = false;    // a run equal to the word after folding
        bool reading = false;   // a run that needs at least one reading
    };
    // Looks for the word in `question` (case-folded units, punctuation kept).
    // Stops at the first run that needs a reading, which decides the rule:
    // `folded` then only tells of the runs before it.
    Found Match(std::u16string_view question) const;

    // Every run the word matches, as [begin, end) unit indices into
    // `question`, longest first at each start and not overlapping.
    std::vector<std::pair<size_t, size_t>> Runs(std::u16string_view question) const;

    // Letters of the word a row must have somewhere, and more (see RowSignature).
    uint64_t NeedLetters() const { return needLetters_; }
    uint64_t NeedChars() const { return needChars_; }
    // The word's leading letters and digits, units_[0, Lead()), split into
    // the pieces a run spells them with: each letter or digit for itself, and
    // each piece of up to 6 letters that begins a reading. Where two pieces
    // meet, the row holds the pair of their first letters
    // (RowSignature::PairKey).
    size_t Lead() const { return pieceLengths_.size(); }
    bool IsPiece(size_t begin, size_t end) const {
        return end > begin && end - begin <= 6 && (pieceLengths_[begin] >> (end - begin) & 1);
    }
    // A word of letters that is one piece: whether a character of the class
    // spells it whole with one of its readings (always false for other words).
    bool ReadsWhole(uint16_t readingClass) const {
        return !readsWhole_.empty() && (readsWhole_[readingClass >> 6] >> (readingClass & 63) & 1);
    }
    bool IsOnePiece() const { return !readsWhole_.empty(); }

private:
    uint64_t Eq(char16_t simplified) const;
    uint64_t Reach(uint16_t readingClass, uint64_t from) const;

    std::u16string units_;
    size_t n_ = 0;                          // units matched by the NFA (at most 63)
    std::vector<uint64_t> startMask_;       // per reading class: positions a reading may start
    std::vector<uint64_t> startsRun_;       // bit per unit: it can begin a run of the word
    struct Slot {
        char16_t unit = 0;
        uint64_t mask = 0;
    };
    Slot slots_[128];                       // positions of each distinct unit, open addressing
    uint64_t letterAt_[26] = {};            // positions holding each letter
    mutable std::vector<int32_t> reachAt_;  // per class: offset into reach_, or -1
    mutable std::vector<uint64_t> reach_;   // n_ masks per class seen
    std::vector<uint64_t> readsWhole_;      // bit per reading class: one character reads the whole word
    bool initialsOnly_ = false;             // letters and digits, no two of which begin a reading
    uint64_t needLetters_ = 0, needChars_ = 0;
    std::vector<uint8_t> pieceLengths_;     // per leading unit: bit l set when [p, p + l) is a piece
};

// The whole keyword.
struct Keyword {
    explicit Keyword(std::string_view utf8);

    std::string text;             // as typed
    std::u16string exact;         // case-folded, everything kept: the piece the exact rule looks for
    std::string exactUtf8;        // the same as UTF-8, for the PinYin
    std::vector<std::string> wordTexts;   // each word case-folded as UTF-8, punctuation kept
    bool wildcard = false;        // holds '%' or '_'
    bool spaced = false;          // holds a blank: the words rule instead of reading and folded
    std::vector<WordMatcher> words;   // one when not spaced; none when nothing but punctuation
    size_t length = 0;            // characters, blanks not counted
};

// What a row holds, as 64-bit sets a keyword's needs are tested against
// before any run is looked for: NeedLetters() against letters, NeedChars()
// against chars. Both are necessary, not sufficient.
struct RowSignature {
    uint64_t letters = 0;   // bits 0-25 letters present or in a reading, 26-51 first letters, 52-61 digits
    uint64_t chars = 0;     // one hashed bit per other character
    // What the row holds as typed, a hashed bit each: every letter or digit
    // of the question (TypedBit, bits 0-15; a question holds few) and each
    // of the PinYin's pair keys (PinyinPairBit, bits 16-63). A clear bit
    // tells that the row lacks it.
    uint64_t typed = 0;
    // The letters and digits the row holds as typed, in the question or the
    // PinYin: bit i for symbol i (a..z, then 0..9), no hashing.
    uint64_t held = 0;

    // Keys of what the row holds, for an inverted index: each simplified
    // unit that is neither punctuation, a letter nor a digit (the unit
    // itself), and each pair of neighbours' first letters or digits
    // (kPairKeys + PairKey). Punctuation never breaks a pair; other
    // characters that have no reading do.
    static constexpr uint32_t kPairKeys = 0x10000;
    static constexpr uint32_t kSymbols = 36;   // a..z, then 0..9
    static constexpr uint32_t kKeyCount = kPairKeys + kSymbols * kSymbols;
    static uint16_t PairKey(char16_t first, char16_t second);   // both a letter or a digit
    static uint64_t TypedBit(char16_t symbol);                   // 'a'..'z' or '0'..'9'
    static uint64_t PinyinPairBit(uint16_t pair);                // a PairKey
    static uint64_t HeldBit(char16_t symbol);                    // 'a'..'z' or '0'..'9'

    // Adds `units` (case-folded), a question or, with `pinyin`, a PinYin;
    // appends its keys to `keys` when given, repeats and all.
    void Add(std::u16string_view units, std::vector<uint32_t>* keys = nullptr, bool pinyin = false);
};

}  // namespace search
