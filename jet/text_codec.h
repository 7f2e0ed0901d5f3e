// Jet 4 text values: UCS-2LE, or "Unicode compression": FF FE, then bytes
// that each stand for U+0001..U+00FF, where a 00 byte toggles to two-byte
// UCS-2LE characters and back. Column and table names are never compressed.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

// Writes `cp` as UTF-8 at `o` (room for four bytes); returns the end.
inline char* PutCodePoint(char32_t cp, char* o) {
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | (cp >> 6));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *o++ = static_cast<char>(0xF0 | (cp >> 18));
        *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
}

// Appends the text stored in `bytes` (compressed or not) to `out` as UTF-8.
// Surrogate pairs become one code point; unpaired surrogates and a dangling odd
// byte become U+FFFD, so nothing is dropped silently.
void AppendJetText(std::span<const uint8_t> bytes, std::string& out);

// The room DecodeJetText may need for `size` stored bytes: no stored byte
// yields more than two bytes of UTF-8, and a text may end in one U+FFFD more.
constexpr size_t JetTextDecodeRoom(size_t size) { return 2 * size + 3; }

// Writes the text stored in `bytes` as AppendJetText does, at `out`, which
// has JetTextDecodeRoom(bytes.size()) bytes of room; returns the end.
char* DecodeJetText(std::span<const uint8_t> bytes, char* out);

// At least the number of bytes AppendJetText appends for `bytes`, without
// decoding them: exact for compressed text without toggles and for UCS-2
// text of characters from U+0800 up (Han), a little more for others. Sizes
// storage before a table is read into it.
size_t JetTextUtf8SizeBound(std::span<const uint8_t> bytes);

// Appends plain UCS-2LE (never compressed) to `out` as UTF-8.
void AppendUcs2Text(std::span<const uint8_t> bytes, std::string& out);

// Encodes UTF-16 text for storage. With `allowCompression`, the compressed
// form is used when it is valid (no character has a low byte of 00, which
// would read as a toggle) and shorter than plain UCS-2; it may switch between
// modes inside the value. Otherwise the value is plain UCS-2LE.
std::vector<uint8_t> EncodeJetText(std::u16string_view text, bool allowCompression);

}  // namespace jet
