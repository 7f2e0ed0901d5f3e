// PinYin for a question that comes without it: the lower-case initial of the
// Mandarin reading of each Han character, letters and digits kept (lower
// case, full-width forms as ASCII), everything else dropped. A character is
// read as in the longest word of the word table that covers it from the
// left (银行 yh, 行走 xz), otherwise with its usual reading (长 c).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace bankcli {

// The initial letter of the character's first Mandarin reading, or 0.
char HanInitial(char32_t c);

// The initial of the character's usual reading, or 0.
char UsualInitial(char32_t c);

// `text` must be well-formed UTF-8.
std::string PinyinInitials(std::string_view text);

// Generated tables (phrase_table.cpp).
struct CharInitial {
    char32_t code;
    char initial;
};
struct WordInitials {
    const char* word;       // UTF-8
    const char* initials;   // one letter per character
};
extern const CharInitial kUsualInitials[];   // sorted by code
extern const size_t kUsualInitialCount;
extern const WordInitials kWordInitials[];    // sorted by the words' bytes
extern const size_t kWordInitialCount;

}  // namespace bankcli
