#include "shell/clipboard_text.h"

namespace shell {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000' || c == u'\0' || c == u'\v' || c == u'\f'; }

bool IsAsciiWordChar(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::size_t CharacterCount(std::u16string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool pair = s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
        if (pair) ++i;
        ++n;
    }
    return n;
}

}  // namespace

std::optional<std::u16string> SearchTextFromClipboard(std::u16string_view text) {
    // Every line costs at least one unit, so a text whose units are mostly
    // not line breaks and blanks is rejected below without much work; this
    // bound keeps a huge clipboard from being scanned whole.
    constexpr std::size_t kScanLimit = 64 * 1024;
    if (text.size() > kScanLimit) return std::nullopt;
    std::u16string joined;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of(u"\r\n");
        const std::u16string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::u16string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        if (!joined.empty() && IsAsciiWordChar(joined.back()) && IsAsciiWordChar(line.front())) joined += u' ';
        joined += line;
        if (joined.size() > 2 * kMaxWatchedCharacters) return std::nullopt;
    }
    if (joined.empty() || CharacterCount(joined) > kMaxWatchedCharacters) return std::nullopt;
    return joined;
}

}  // namespace shell
