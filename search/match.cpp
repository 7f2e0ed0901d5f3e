#include "search/match.h"

#include <algorithm>
#include <bit>

#include "base/text.h"
#include "jet/sql_text.h"

namespace search {

namespace {

constexpr size_t kMaxRun = 63;   // units one NFA state word can follow

size_t SlotOf(char16_t u) { return (static_cast<uint32_t>(u) * 2654435761u) >> 25; }   // 0..127
uint64_t CharBit(char16_t simplified) { return uint64_t{1} << ((static_cast<uint32_t>(simplified) * 0x9E3779B1u) >> 26); }

bool IsBlank(char16_t u) { return u == u' ' || u == u'\t' || u == 0x3000 || u == 0xA0; }

}  // namespace

std::string_view RuleName(Rule rule) {
    switch (rule) {
    case Rule::Exact: return "exact";
    case Rule::Reading: return "reading";
    case Rule::Words: return "words";
    case Rule::Folded: return "folded";
    case Rule::Similar: return "similar";
    }
    return "";
}

WordMatcher::WordMatcher(std::u16string units) : units_(std::move(units)) {
    const CharTables& t = CharTables::Get();
    n_ = units_.size() <= kMaxRun ? units_.size() : 0;
    for (size_t p = 0; p < units_.size(); ++p) {
        const char16_t u = units_[p];
        switch (t.Kind(u)) {
        case CharKind::Letter:
            needLetters_ |= uint64_t{1} << (u - 'a');
            if (p == 0) needLetters_ |= uint64_t{1} << (26 + u - 'a');
            if (p < n_) letterAt_[u - 'a'] |= uint64_t{1} << p;
            break;
        case CharKind::Digit: needLetters_ |= uint64_t{1} << (52 + u - '0'); break;
        case CharKind::Punct: break;
        default: needChars_ |= CharBit(u); break;
        }
        if (p >= n_) continue;
        size_t i = SlotOf(u);
        while (slots_[i].mask && slots_[i].unit != u) i = (i + 1) & 127;
        slots_[i].unit = u;
        slots_[i].mask |= uint64_t{1} << p;
    }
    const auto symbol = [&](size_t i) { return t.Kind(units_[i]) == CharKind::Letter || t.Kind(units_[i]) == CharKind::Digit; };
    size_t lead = 0;
    while (lead < units_.size() && symbol(lead)) ++lead;
    pieceLengths_.assign(lead, 2);   // every letter or digit for itself
    for (size_t a = 0; a < lead; ++a) {
        if (t.Kind(units_[a]) != CharKind::Letter) continue;
        for (size_t l = 2; l <= 6 && a + l <= lead && t.Kind(units_[a + l - 1]) == CharKind::Letter; ++l) {
            if (t.IsReadingPrefix(std::u16string_view(units_).substr(a, l))) pieceLengths_[a] |= static_cast<uint8_t>(1u << l);
        }
    }
    // A word of up to six letters that begins a reading: a character with
    // that reading is a run by itself, found without the NFA.
    if (lead == units_.size() && lead > 0 && lead <= 6 && (pieceLengths_[0] >> lead & 1) &&
        t.Kind(units_[0]) == CharKind::Letter) {
        readsWhole_.assign((t.ClassCount() + 63) / 64, 0);
        for (uint16_t s = 0; s < t.SyllableCount(); ++s) {
            if (!t.SyllableBegins(s, units_)) continue;
            for (uint16_t c : t.SyllableClasses(s)) readsWhole_[c >> 6] |= uint64_t{1} << (c & 63);
        }
    }
    // Then a character spells one letter of the word at most: its initial.
    initialsOnly_ = lead == units_.size() && std::all_of(pieceLengths_.begin(), pieceLengths_.end(), [](uint8_t l) { return l == 2; });
    if (n_ == 0) return;
    startMask_.resize(t.ClassCount());
    for (size_t c = 1; c < startMask_.size(); ++c) {
        uint32_t first = t.ClassFirstLetters(static_cast<uint16_t>(c));
        uint64_t m = 0;
        while (first) {
            m |= letterAt_[std::countr_zero(first)];
            first &= first - 1;
        }
        startMask_[c] = m;
    }
    if (!initialsOnly_) reachAt_.assign(t.ClassCount(), -1);
    startsRun_.assign(0x10000 / 64, 0);
    const auto mark = [&](char16_t u) { startsRun_[u >> 6] |= uint64_t{1} << (u & 63); };
    mark(units_[0]);
    for (char16_t u : t.FormsOf(units_[0])) mark(u);
    if (t.Kind(units_[0]) == CharKind::Letter) {
        for (size_t c = 1; c < startMask_.size(); ++c) {
            if (startMask_[c] & 1) {
                for (char16_t u : t.ClassUnits(static_cast<uint16_t>(c))) mark(u);
            }
        }
    }
}

uint64_t WordMatcher::Eq(char16_t s) const {
    size_t i = SlotOf(s);
    while (slots_[i].mask) {
        if (slots_[i].unit == s) return slots_[i].mask;
        i = (i + 1) & 127;
    }
    return 0;
}

// Positions reachable from the positions in `from` by one character of the
// class: the keyword's letters from there on spell a prefix of a reading.
uint64_t WordMatcher::Reach(uint16_t c, uint64_t from) const {
    if (reachAt_[c] < 0) {
        const CharTables& t = CharTables::Get();
        reachAt_[c] = static_cast<int32_t>(reach_.size());
        for (size_t p = 0; p < n_; ++p) {
            uint64_t m = 0;
            for (uint16_t s : t.ClassSyllables(c)) {
                const std::string& syl = t.Syllable(s);
                for (size_t l = 0; l < syl.size() && p + l < n_; ++l) {
                    const char16_t w = units_[p + l];
                    if (!(w == syl[l] || (syl[l] == 'v' && w == 'u'))) break;
                    m |= uint64_t{1} << (p + l + 1);
                }
            }
            reach_.push_back(m);
        }
    }
    const uint64_t* table = reach_.data() + reachAt_[c];
    uint64_t to = 0;
    while (from) {
        to |= table[std::countr_zero(from)];
        from &= from - 1;
    }
    return to;
}

WordMatcher::Found WordMatcher::Match(std::u16string_view q) const {
    const CharTables& t = CharTables::Get();
    Found found;
    if (units_.empty()) return found;
    if (n_ == 0) {   // too long for the runs of readings: folded forms only
        std::u16string plain;
        for (char16_t u : q) {
            if (t.Kind(u) != CharKind::Punct) plain += t.Simplified(u);
        }
        found.folded = plain.find(units_) != std::u16string::npos;
        return found;
    }
    if (!readsWhole_.empty()) {
        for (char16_t u : q) {
            const uint16_t c = t.ReadingClass(u);
            if (readsWhole_[c >> 6] >> (c & 63) & 1) {
                found.reading = true;
                return found;
            }
        }
    }
    const uint64_t done = uint64_t{1} << n_;
    uint64_t s0 = 0, s1 = 0;   // runs so far without / with a reading; bit p: p units spelled
    for (char16_t u : q) {
        if (!(s0 | s1) && !(startsRun_[u >> 6] >> (u & 63) & 1)) continue;   // nothing under way, nothing begins here
        // A character with readings is Han: its kind need not be read.
        const uint16_t c = t.ReadingClass(u);
        const CharKind kind = c ? CharKind::Han : t.Kind(u);
        if (kind == CharKind::Punct) continue;
        // A word of letters and digits only never equals a Han character.
        const uint64_t eq = kind == CharKind::Han && !needChars_ ? 0 : Eq(t.Simplified(u));
        uint64_t n0 = ((s0 | 1) & eq) << 1, n1 = (s1 & eq) << 1;
        if (kind == CharKind::Han) {
            if (const uint64_t from = (s0 | s1 | 1) & startMask_[c]) n1 |= initialsOnly_ ? from << 1 : Reach(c, from);
        }
        s0 = n0;
        s1 = n1;
        if (s0 & done) found.folded = true;
        if (s1 & done) {
            found.reading = true;
            break;
        }
    }
    return found;
}

std::vector<std::pair<size_t, size_t>> WordMatcher::Runs(std::u16string_view q) const {
    const CharTables& t = CharTables::Get();
    std::vector<std::pair<size_t, size_t>> runs;
    if (units_.empty()) return runs;
    size_t i = 0;
    while (i < q.size()) {
        if (t.Kind(q[i]) == CharKind::Punct) {
            ++i;
            continue;
        }
        size_t end = 0;
        if (n_ == 0) {
            size_t p = 0, j = i;
            for (; j < q.size() && p < units_.size(); ++j) {
                if (t.Kind(q[j]) == CharKind::Punct) continue;
                if (t.Simplified(q[j]) != units_[p]) break;
                ++p;
            }
            if (p == units_.size()) end = j;
        } else {
            const uint64_t done = uint64_t{1} << n_;
            uint64_t s = 1;
            for (size_t j = i; j < q.size() && s; ++j) {
                const CharKind kind = t.Kind(q[j]);
                if (kind == CharKind::Punct) continue;
                uint64_t next = (s & Eq(t.Simplified(q[j]))) << 1;
                if (kind == CharKind::Han) {
                    const uint16_t c = t.ReadingClass(q[j]);
                    if (const uint64_t from = s & startMask_[c]) next |= initialsOnly_ ? from << 1 : Reach(c, from);
                }
                s = next & ~done;
                if (next & done) end = j + 1;
            }
        }
        if (end) {
            runs.emplace_back(i, end);
            i = end;
        } else {
            ++i;
        }
    }
    return runs;
}

Keyword::Keyword(std::string_view utf8) : text(utf8), exact(FoldedUnits(utf8)), exactUtf8(jet::Folded(utf8)) {
    const CharTables& t = CharTables::Get();
    wildcard = text.find_first_of("%_") != std::string::npos;
    std::u16string word, wordText;
    const auto endWord = [&] {
        if (!word.empty()) {
            words.emplace_back(std::move(word));
            wordTexts.push_back(base::Utf16ToUtf8(wordText));
        }
        word.clear();
        wordText.clear();
    };
    for (char16_t u : exact) {
        if (IsBlank(u)) {
            spaced = true;
            endWord();
            continue;
        }
        if (!(u >= 0xDC00 && u <= 0xDFFF)) ++length;
        wordText += u;
        if (t.Kind(u) != CharKind::Punct) word += t.Simplified(u);
    }
    endWord();
}

namespace {

uint32_t SymbolOf(char16_t u) { return u <= '9' ? 26 + (u - '0') : u - 'a'; }
uint64_t TypedBitOfSymbol(uint32_t symbol) { return uint64_t{1} << ((symbol * 0x9E3779B1u) >> 28); }

}  // namespace

uint16_t RowSignature::PairKey(char16_t first, char16_t second) {
    return static_cast<uint16_t>(SymbolOf(first) * kSymbols + SymbolOf(second));
}

uint64_t RowSignature::TypedBit(char16_t symbol) { return TypedBitOfSymbol(SymbolOf(symbol)); }

uint64_t RowSignature::PinyinPairBit(uint16_t pair) {
    return uint64_t{1} << (16 + (static_cast<uint64_t>(pair) * 0x85EBCA6Bu >> 32) % 48);
}

namespace {

// What RowSignature::Add takes from each unit, gathered from CharTables so
// that a unit costs one look-up and one more for what its class adds.
// Classes: 0 for characters that match only themselves, the reading classes,
// then one for each letter and digit, then one for punctuation.
struct SignatureTable {
    struct Class {
        uint64_t letters = 0;   // what the unit adds to RowSignature::letters
        uint64_t symbols = 0;   // the letters or digits it begins with: bit i for symbol i (a..z, 0..9)
    };
    std::vector<uint32_t> unit;   // per unit: simplified form, class << 16
    std::vector<Class> classes;
    uint32_t firstSymbol = 0, punct = 0;   // the class of 'a' and of punctuation

    static const SignatureTable& Get() {
        static const SignatureTable table;
        return table;
    }

private:
    SignatureTable() : unit(0x10000) {
        const CharTables& t = CharTables::Get();
        firstSymbol = static_cast<uint32_t>(t.ClassCount());
        punct = firstSymbol + RowSignature::kSymbols;
        classes.resize(punct + 1);
        for (uint32_t c = 1; c < firstSymbol; ++c) {
            const uint32_t first = t.ClassFirstLetters(static_cast<uint16_t>(c));
            classes[c].letters = t.ClassLetters(static_cast<uint16_t>(c)) | uint64_t{first} << 26;
            classes[c].symbols = first;
        }
        for (uint32_t i = 0; i < 26; ++i) classes[firstSymbol + i] = {uint64_t{1} << i | uint64_t{1} << (26 + i), uint64_t{1} << i};
        for (uint32_t i = 0; i < 10; ++i) classes[firstSymbol + 26 + i] = {uint64_t{1} << (52 + i), uint64_t{1} << (26 + i)};
        for (uint32_t u = 0; u < 0x10000; ++u) {
            const auto c16 = static_cast<char16_t>(u);
            uint32_t c = 0;
            switch (t.Kind(c16)) {
            case CharKind::Letter: c = firstSymbol + (t.CaseFold(c16) - 'a'); break;
            case CharKind::Digit: c = firstSymbol + 26 + (t.CaseFold(c16) - '0'); break;
            case CharKind::Punct: c = punct; break;
            case CharKind::Han: c = t.ReadingClass(c16); break;
            case CharKind::Other: break;
            }
            unit[u] = t.Simplified(c16) | c << 16;
        }
    }
};

}  // namespace

uint64_t RowSignature::HeldBit(char16_t symbol) {
    return uint64_t{1} << (symbol >= 'a' ? symbol - 'a' : 26 + (symbol - '0'));
}

void RowSignature::Add(std::u16string_view units, std::vector<uint32_t>* keys, bool pinyin) {
    const SignatureTable& t = SignatureTable::Get();
    // Gathered here, not in the members, which the keys' growing might
    // alias: each unit would then store and load them again.
    uint64_t l = letters, ch = chars, ty = typed, he = held;
    uint64_t before = 0;   // symbols the previous character begins with
    for (char16_t u : units) {
        const uint32_t e = t.unit[u];
        const uint32_t c = e >> 16;
        if (c == t.punct) continue;   // never breaks a pair
        const SignatureTable::Class& k = t.classes[c];
        l |= k.letters;
        if (c < t.firstSymbol) {   // a character, not a letter or digit
            const auto s = static_cast<char16_t>(e);
            ch |= CharBit(s);
            if (keys) keys->push_back(s);
        } else {
            he |= k.symbols;
            if (!pinyin) ty |= TypedBitOfSymbol(static_cast<uint32_t>(std::countr_zero(k.symbols)));
        }
        // A character without a reading has no symbols: it breaks the pair.
        if (keys || pinyin) {
            for (uint64_t a = before; a; a &= a - 1) {
                const auto x = static_cast<uint32_t>(std::countr_zero(a)) * kSymbols;
                for (uint64_t b = k.symbols; b; b &= b - 1) {
                    const auto pair = static_cast<uint16_t>(x + static_cast<uint32_t>(std::countr_zero(b)));
                    if (pinyin) ty |= PinyinPairBit(pair);
                    if (keys) keys->push_back(kPairKeys + pair);
                }
            }
        }
        before = k.symbols;
    }
    letters = l;
    chars = ch;
    typed = ty;
    held = he;
}

}  // namespace search
