// Text conversion between the UTF-8 held by portable code and the UTF-16 that
// the Unicode Win32 functions and the Jet file format use.
#pragma once
#include <string>
#include <string_view>

namespace base {

// Ill-formed input becomes U+FFFD; nothing is dropped silently.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// ASCII-only lower-casing, for names compared without regard to letter case.
std::string AsciiLower(std::string_view s);

}  // namespace base
