#include "jet/writer_text.h"

#include <algorithm>

#include "base/text.h"
#include "jet/writer_layout.h"

namespace jet::writer {

std::optional<std::u16string> DecodeUtf8Strictly(std::string_view utf8) {
    std::u16string units = base::Utf8ToUtf16(utf8);
    // The converter replaces each ill-formed sequence with U+FFFD, so well-formed
    // input is exactly the input that survives the trip back unchanged.
    if (base::Utf16ToUtf8(units) != utf8) return std::nullopt;
    return units;
}

namespace {
void AppendUcs2(std::vector<uint8_t>& out, std::u16string_view text) {
    for (const char16_t u : text) {
        out.push_back(static_cast<uint8_t>(u & 0xFF));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
}
}  // namespace

std::optional<std::vector<uint8_t>> EncodeText(std::u16string_view text, bool allowCompression) {
    std::vector<uint8_t> out;
    const bool compressible = text.size() > 2 && std::all_of(text.begin(), text.end(), [](char16_t u) {
        return u >= 0x01 && u <= 0xFF;
    });
    if (allowCompression && compressible) {
        out.reserve(2 + text.size());
        out.push_back(kCompressedTextMark[0]);
        out.push_back(kCompressedTextMark[1]);
        for (const char16_t u : text) out.push_back(static_cast<uint8_t>(u));
        return out;
    }
    if (!text.empty() && text.front() == 0xFEFF) {
        // In the compressed form every 00 byte toggles the mode, even in
        // two-byte mode, so no character may have a zero low byte.
        if (std::any_of(text.begin(), text.end(), [](char16_t u) { return (u & 0xFF) == 0; })) return std::nullopt;
        out.reserve(3 + 2 * text.size());
        out.push_back(kCompressedTextMark[0]);
        out.push_back(kCompressedTextMark[1]);
        out.push_back(0x00);
        AppendUcs2(out, text);
        return out;
    }
    out.reserve(2 * text.size());
    AppendUcs2(out, text);
    return out;
}

}  // namespace jet::writer
