#include "search/chars.h"

#include "base/hash64.h"
#include "jet/sql_text.h"
#include "search/unihan_table.h"

namespace search {

namespace {

bool IsPunct(char32_t c) {
    if (c < 0x80) return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    return (c >= 0x80 && c <= 0xBF) || c == 0xD7 || c == 0xF7 ||   // Latin-1 spaces, signs and marks
           (c >= 0x2000 && c <= 0x2BFF) ||                          // general punctuation .. arrows, shapes
           (c >= 0x3000 && c <= 0x303F) ||                          // CJK symbols and punctuation
           c == 0x30FB ||                                           // katakana middle dot, pasted for ·
           (c >= 0xFE10 && c <= 0xFE1F) || (c >= 0xFE30 && c <= 0xFE6F) ||   // vertical, compatibility, small forms
           (c >= 0xFF00 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) || (c >= 0xFF3B && c <= 0xFF40) ||
           (c >= 0xFF5B && c <= 0xFF65) || c == 0xFFFD;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char32_t DecodeOne(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    if (s.size() == 1) return b(0);
    if (s.size() == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    if (s.size() == 3) return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
}

}  // namespace

const CharTables& CharTables::Get() {
    static const CharTables tables;
    return tables;
}

CharTables::CharTables()
    : caseFold_(0x10000), simplified_(0x10000), kind_(0x10000), readingClass_(0x10000) {
    // The engine's folding, taken from the engine itself so that the two
    // never disagree about which characters are alike.
    std::string one, folded;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            caseFold_[c] = static_cast<char16_t>(c);
            continue;
        }
        one.clear();
        folded.clear();
        AppendUtf8(one, c);
        jet::AppendFolded(folded, one);
        caseFold_[c] = static_cast<char16_t>(DecodeOne(folded));
    }
    for (char32_t c = 0; c < 0x10000; ++c) {
        const char16_t f = caseFold_[c];
        simplified_[c] = f;
        CharKind kind = CharKind::Other;
        if (f >= 'a' && f <= 'z') kind = CharKind::Letter;
        else if (f >= '0' && f <= '9') kind = CharKind::Digit;
        else if (IsPunct(f)) kind = CharKind::Punct;
        kind_[c] = static_cast<uint8_t>(kind);
    }
    for (uint32_t i = 0; i < unihan::kCharCount; ++i) {
        const unihan::CharEntry& e = unihan::kChars[i];
        if (e.code >= 0x10000) continue;   // outside the BMP: matched as themselves only
        if (e.folded < 0x10000) simplified_[e.code] = static_cast<char16_t>(e.folded);
        readingClass_[e.code] = e.readingClass;
        if (e.readingClass != 0) kind_[e.code] = static_cast<uint8_t>(CharKind::Han);
    }
    // Full-width letters fold to ASCII before this table is read, so every
    // case-folded form shares the simplified form of its folded character.
    for (char32_t c = 0; c < 0x10000; ++c) {
        const char16_t f = caseFold_[c];
        if (f != c) {
            simplified_[c] = simplified_[f];
            readingClass_[c] = readingClass_[f];
            kind_[c] = kind_[f];
        }
    }
    classUnits_.resize(unihan::kClassCount);
    forms_.resize(0x10000);
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (caseFold_[c] != c) continue;   // never in folded text
        const auto u = static_cast<char16_t>(c);
        if (readingClass_[c]) classUnits_[readingClass_[c]].push_back(u);
        if (simplified_[c] != c) forms_[simplified_[c]].push_back(u);
    }
    std::string_view all(unihan::kSyllables);
    while (!all.empty()) {
        const size_t blank = all.find(' ');
        syllables_.emplace_back(all.substr(0, blank));
        all.remove_prefix(blank + 1);
    }
    for (const std::string& syl : syllables_) {
        for (size_t n = 1; n <= syl.size(); ++n) {
            std::u16string prefix(syl.begin(), syl.begin() + static_cast<ptrdiff_t>(n));
            prefixes_.push_back(prefix);
            std::replace(prefix.begin(), prefix.end(), u'v', u'u');
            prefixes_.push_back(prefix);
        }
    }
    std::sort(prefixes_.begin(), prefixes_.end());
    prefixes_.erase(std::unique(prefixes_.begin(), prefixes_.end()), prefixes_.end());
    classSyllables_.resize(unihan::kClassCount);
    classFirst_.resize(unihan::kClassCount);
    classLetters_.resize(unihan::kClassCount);
    for (uint16_t c = 0; c < unihan::kClassCount; ++c) {
        for (uint32_t k = unihan::kClassStart[c]; k < unihan::kClassStart[c + 1]; ++k) {
            const uint16_t s = unihan::kClassSyllables[k];
            classSyllables_[c].push_back(s);
            classFirst_[c] |= 1u << (syllables_[s][0] - 'a');
            for (char l : syllables_[s]) classLetters_[c] |= 1u << (l - 'a') | (l == 'v' ? 1u << ('u' - 'a') : 0);
        }
    }
    // Everything an index reads of a row's characters when it is built.
    uint64_t h = base::Hash64(caseFold_.data(), caseFold_.size() * sizeof(char16_t));
    h = base::Hash64(simplified_.data(), simplified_.size() * sizeof(char16_t), h);
    h = base::Hash64(kind_.data(), kind_.size(), h);
    h = base::Hash64(readingClass_.data(), readingClass_.size() * sizeof(uint16_t), h);
    h = base::Hash64(classFirst_.data(), classFirst_.size() * sizeof(uint32_t), h);
    h = base::Hash64(classLetters_.data(), classLetters_.size() * sizeof(uint32_t), h);
    const std::string_view syllables(unihan::kSyllables);
    fingerprint_ = base::Hash64(syllables.data(), syllables.size(), h);
    syllableForms_.resize(syllables_.size());
    syllableClasses_.resize(syllables_.size());
    for (uint16_t c = 1; c < unihan::kClassCount; ++c) {
        for (uint16_t s : classSyllables_[c]) syllableClasses_[s].push_back(c);
        for (char16_t u : classUnits_[c]) {
            for (uint16_t s : classSyllables_[c]) syllableForms_[s].push_back(simplified_[u]);
        }
    }
    for (std::vector<char16_t>& forms : syllableForms_) {
        std::sort(forms.begin(), forms.end());
        forms.erase(std::unique(forms.begin(), forms.end()), forms.end());
    }
}

bool CharTables::IsReadingPrefix(std::u16string_view letters) const {
    return std::binary_search(prefixes_.begin(), prefixes_.end(), letters,
                              [](std::u16string_view a, std::u16string_view b) { return a < b; });
}

bool CharTables::SyllableBegins(uint16_t s, std::u16string_view letters) const {
    const std::string& syl = syllables_[s];
    if (syl.size() < letters.size()) return false;
    for (size_t l = 0; l < letters.size(); ++l) {
        if (!(letters[l] == syl[l] || (syl[l] == 'v' && letters[l] == 'u'))) return false;
    }
    return true;
}

const std::vector<char16_t>& CharTables::FormsOf(char16_t simplified) const { return forms_[simplified]; }

void AppendFoldedUnits(std::u16string& out, std::string_view s) {
    const CharTables& t = CharTables::Get();
    // Never more units than bytes; ASCII and three-byte characters (all of
    // the BMP's Han) are read here, anything else as FoldedUnits reads it.
    const size_t start = out.size();
    out.resize(start + s.size());
    char16_t* to = out.data() + start;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto continuation = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char b0 = byte(i);
        if (b0 < 0x80) {
            *to++ = t.CaseFold(b0);
            ++i;
        } else if (b0 >= 0xE0 && b0 <= 0xEF && i + 2 < s.size() && continuation(i + 1) && continuation(i + 2)) {
            *to++ = t.CaseFold(static_cast<char16_t>((b0 & 0x0F) << 12 | (byte(i + 1) & 0x3F) << 6 | (byte(i + 2) & 0x3F)));
            i += 3;
        } else {
            const size_t len = jet::CharLength(s, i);
            for (char16_t u : FoldedUnits(s.substr(i, len))) *to++ = u;
            i += len;
        }
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

std::u16string FoldedUnits(std::string_view s, std::vector<uint32_t>* offsets) {
    const CharTables& t = CharTables::Get();
    std::u16string out;
    out.reserve(s.size());
    if (offsets) offsets->clear();
    size_t i = 0;
    while (i < s.size()) {
        const size_t len = jet::CharLength(s, i);
        char32_t c = DecodeOne(s.substr(i, len));
        if (len == 1 && c >= 0x80) c = 0xFFFD;
        if (c < 0x10000) {
            out += t.CaseFold(static_cast<char16_t>(c));
            if (offsets) offsets->push_back(static_cast<uint32_t>(i));
        } else {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            if (offsets) offsets->insert(offsets->end(), 2, static_cast<uint32_t>(i));
        }
        i += len;
    }
    if (offsets) offsets->push_back(static_cast<uint32_t>(s.size()));
    return out;
}

}  // namespace search
