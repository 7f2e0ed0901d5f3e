// UTF-8 <-> the UTF-16 wchar_t text of the Unicode Win32 functions. wchar_t is
// 16 bits on Windows, so this is base/text.h with the character type swapped.
#pragma once
#include "base/text.h"

#include <string>
#include <string_view>

namespace base::win {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wchar_t is UTF-16");

inline std::wstring Widen(std::string_view utf8) {
    const std::u16string s = Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

inline std::string Narrow(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace base::win
