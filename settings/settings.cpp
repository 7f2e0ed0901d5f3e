#include "settings/settings.h"

namespace settings {
namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

constexpr int kCoordinateLimit = 1000000;

}  // namespace

std::optional<bool> ParseFlag(std::string_view text) {
    text = TrimBlanks(text);
    if (text == "1") return true;
    if (text == "0") return false;
    return std::nullopt;
}

std::optional<int> ParseCoordinate(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > kCoordinateLimit) return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<Hotkey> ParseHotkeySetting(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return std::nullopt;
    const std::optional<Hotkey> hotkey = ParseHotkeyName(text);
    return hotkey ? hotkey : kDefaultHotkey;
}

Settings ParseSettings(const ReadValue& read) {
    Settings s;
    if (auto v = read(kWatchClipboardKey)) s.watchClipboard = ParseFlag(*v).value_or(s.watchClipboard);
    if (auto v = read(kTopMostKey)) s.topMost = ParseFlag(*v).value_or(s.topMost);
    if (auto v = read(kHotkeyKey)) s.hotkey = ParseHotkeySetting(*v);
    if (auto v = read(kUpdateUrlKey)) s.updateUrl = std::string(TrimBlanks(*v));
    const auto left = read(kWindowLeftKey);
    const auto top = read(kWindowTopKey);
    if (left && top) {
        const auto x = ParseCoordinate(*left);
        const auto y = ParseCoordinate(*top);
        if (x && y) s.windowPosition = Point{*x, *y};
    }
    return s;
}

}  // namespace settings
