// PinYin for a question that comes without it: the lower-case initial of the
// Mandarin reading of each Han character, letters and digits kept (lower
// case, full-width forms as ASCII), everything else dropped.
#pragma once
#include <string>
#include <string_view>

namespace bankcli {

// The initial letter of the character's first Mandarin reading, or 0.
char HanInitial(char32_t c);

// `text` must be well-formed UTF-8.
std::string PinyinInitials(std::string_view text);

}  // namespace bankcli
