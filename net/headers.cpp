#include "net/headers.h"

#include <array>

#include "base/text.h"

namespace net {

std::optional<std::string> FindHeaderValue(std::string_view raw, std::string_view name) {
    if (name.empty()) return std::nullopt;
    const std::string wanted = base::AsciiLower(name);
    size_t lineStart = 0;
    while (lineStart < raw.size()) {
        size_t lineEnd = raw.find_first_of(std::string_view("\0\r\n", 3), lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = raw.size();
        const std::string_view line = raw.substr(lineStart, lineEnd - lineStart);
        if (line.size() > wanted.size() && line[wanted.size()] == ':' &&
            base::AsciiLower(line.substr(0, wanted.size())) == wanted) {
            std::string_view value = line.substr(wanted.size() + 1);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
            return std::string(value);
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::string HeaderQuery(std::string_view raw, std::string_view hdrName) {
    if (raw.empty()) return "0";
    if (hdrName.empty()) return std::string(raw);
    static constexpr std::array<std::string_view, 5> kKnown{
        "content-length", "content-type", "date", "last-modified", "server"};
    const std::string lower = base::AsciiLower(hdrName);
    for (std::string_view known : kKnown) {
        if (lower == known) return FindHeaderValue(raw, known).value_or("0");
    }
    return "0";
}

int64_t ReportedSize(std::string_view text) {
    if (text.empty() || text.size() > 18) return 1;   // 18 digits always fit in 63 bits
    int64_t size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 1;
        size = size * 10 + (c - '0');
    }
    return size;
}

std::string CookieField(std::string_view data) {
    std::string out;
    out.reserve(256);
    for (char c : data) {
        if (c != '\0' && c != '\n' && c != '\r') out.push_back(c);
    }
    if (out.size() < 256) out.append(256 - out.size(), ' ');
    return out;
}

}  // namespace net
