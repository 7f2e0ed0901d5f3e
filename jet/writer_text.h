// Text as the writer stores it: checked UTF-8 in, Jet 4 bytes out (UCS-2, or
// the compressed form for text that gains from it).
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace jet::writer {

// The UTF-16 code units of well-formed UTF-8; nullopt for ill-formed input,
// which is refused rather than stored with replacement characters.
std::optional<std::u16string> DecodeUtf8Strictly(std::string_view utf8);

// The stored bytes of a Text or Memo value. Unlike EncodeJetText (the
// reader's codec), the writer never toggles modes inside a value: it keeps to
// the forms Access-made files show, and it guards against a leading U+FEFF.
//  - With `allowCompression`, text of three or more characters, all in
//    U+0001..U+00FF, is stored compressed: FF FE, then one byte each.
//  - Otherwise it is plain UCS-2LE. Plain text that would itself begin FF FE
//    (a leading U+FEFF) would be taken for compressed text, so it is stored
//    as FF FE 00 (switch to two-byte characters) followed by UCS-2LE; that
//    form cannot carry a character whose low byte is 0, and for such text
//    nullopt is returned.
std::optional<std::vector<uint8_t>> EncodeText(std::u16string_view text, bool allowCompression);

}  // namespace jet::writer
