// The Han character data the search needs, generated from the Unicode Han
// database by search/gen_unihan.py (unihan_table.cpp, committed).
#pragma once
#include <cstdint>

namespace search::unihan {

struct CharEntry {
    uint32_t code;           // the character
    uint32_t folded;         // its simplified form (itself when it has none)
    uint16_t readingClass;   // index into the classes: the set of its readings
};

extern const char kSyllables[];          // toneless readings, each followed by a blank
extern const uint16_t kSyllableCount;
extern const uint16_t kClassCount;       // class 0 is the empty set
extern const uint32_t kClassStart[];     // kClassCount + 1 entries
extern const uint16_t kClassSyllables[]; // syllable indices of every class, one class after another
extern const uint32_t kCharCount;
extern const CharEntry kChars[];         // sorted by code

}  // namespace search::unihan
