// What the search knows of each UTF-16 unit: how the engine's text
// comparison folds it, its simplified form, whether it is punctuation, and
// the set of Mandarin readings of a Han character. Built once, on first use.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace search {

enum class CharKind : uint8_t {
    Other,    // matches itself only
    Punct,    // punctuation, symbols and spaces: never break a run
    Letter,   // a..z after folding
    Digit,    // 0..9 after folding
    Han,      // has at least one reading
};

class CharTables {
public:
    static const CharTables& Get();

    // The engine's comparison folding (letter case, full-width ASCII forms).
    char16_t CaseFold(char16_t u) const { return caseFold_[u]; }
    // CaseFold, then traditional to simplified: the form runs compare in.
    char16_t Simplified(char16_t u) const { return simplified_[u]; }
    CharKind Kind(char16_t u) const { return static_cast<CharKind>(kind_[u]); }
    uint16_t ReadingClass(char16_t u) const { return readingClass_[u]; }

    size_t ClassCount() const { return classFirst_.size(); }
    // Syllables of a class: toneless, ü written "v".
    const std::vector<uint16_t>& ClassSyllables(uint16_t c) const { return classSyllables_[c]; }
    const std::string& Syllable(uint16_t s) const { return syllables_[s]; }
    size_t SyllableCount() const { return syllables_.size(); }
    // Simplified forms of the units that have syllable `s` among their
    // readings, ascending and each once.
    const std::vector<char16_t>& SyllableForms(uint16_t s) const { return syllableForms_[s]; }
    // Classes that have syllable `s`, ascending.
    const std::vector<uint16_t>& SyllableClasses(uint16_t s) const { return syllableClasses_[s]; }
    // Bit i set: some reading of the class starts with ('a' + i) / holds it
    // ("u" stands for "v" too).
    uint32_t ClassFirstLetters(uint16_t c) const { return classFirst_[c]; }
    uint32_t ClassLetters(uint16_t c) const { return classLetters_[c]; }
    // Case-folded units of a class, and those whose simplified form is `u`.
    const std::vector<char16_t>& ClassUnits(uint16_t c) const { return classUnits_[c]; }
    const std::vector<char16_t>& FormsOf(char16_t simplified) const;
    // Whether `letters` begins some reading ("u" may stand for "v").
    bool IsReadingPrefix(std::u16string_view letters) const;
    // Whether `letters` begins syllable `s` ("u" may stand for "v").
    bool SyllableBegins(uint16_t s, std::u16string_view letters) const;
    // A hash of the tables above: an index saved with other tables is stale.
    uint64_t Fingerprint() const { return fingerprint_; }

private:
    CharTables();
    std::vector<char16_t> caseFold_, simplified_;
    std::vector<uint8_t> kind_;
    std::vector<uint16_t> readingClass_;
    std::vector<std::string> syllables_;
    std::vector<std::vector<uint16_t>> classSyllables_;
    std::vector<std::vector<char16_t>> syllableForms_;
    std::vector<std::vector<uint16_t>> syllableClasses_;
    std::vector<uint32_t> classFirst_, classLetters_;
    std::vector<std::vector<char16_t>> classUnits_;
    std::vector<std::vector<char16_t>> forms_;   // by simplified unit, only where another unit folds to it
    std::vector<char16_t> noForms_;
    std::vector<std::u16string> prefixes_;   // of every syllable, sorted; v also written u
    uint64_t fingerprint_ = 0;
};

// UTF-8 to UTF-16 units, each folded as the engine folds; ill-formed bytes
// become U+FFFD. `offsets`, when given, receives the byte offset of each unit
// in `utf8` (both halves of a surrogate pair get the character's offset)
// followed by utf8.size().
std::u16string FoldedUnits(std::string_view utf8, std::vector<uint32_t>* offsets = nullptr);
// The same, appended to `out`.
void AppendFoldedUnits(std::u16string& out, std::string_view utf8);

}  // namespace search
