#include "settings/hotkey.h"

#include "base/text.h"

#include <array>
#include <vector>

namespace settings {
namespace {

struct NamedKey {
    std::string_view name;   // as formatted; parsed in any letter case
    std::uint32_t key;
};
constexpr std::array<NamedKey, 17> kNamedKeys{{
    {"Space", 0x20}, {"Tab", 0x09}, {"Enter", 0x0D}, {"Esc", 0x1B}, {"Insert", 0x2D}, {"Delete", 0x2E},
    {"Home", 0x24}, {"End", 0x23}, {"PageUp", 0x21}, {"PageDown", 0x22}, {"Up", 0x26}, {"Down", 0x28},
    {"Left", 0x25}, {"Right", 0x27}, {"Pause", 0x13},
    {"Return", 0x0D}, {"Escape", 0x1B},   // parsed only: formatted as Enter and Esc
}};
constexpr std::uint32_t kF1 = 0x70;
constexpr int kFunctionKeys = 24;

struct NamedModifier {
    std::string_view name;
    std::uint32_t bit;
};
constexpr std::array<NamedModifier, 5> kModifiers{{
    {"ctrl", kModControl}, {"control", kModControl}, {"alt", kModAlt}, {"shift", kModShift}, {"win", kModWin},
}};

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool IsFunctionKey(std::uint32_t key) { return key >= kF1 && key < kF1 + kFunctionKeys; }

std::optional<std::uint32_t> KeyOf(std::string_view part) {
    const std::string lower = base::AsciiLower(part);
    if (lower.size() == 1) {
        const char c = lower[0];
        if (c >= 'a' && c <= 'z') return static_cast<std::uint32_t>(c - 'a' + 'A');
        if (c >= '0' && c <= '9') return static_cast<std::uint32_t>(c);
        return std::nullopt;
    }
    if (lower[0] == 'f' && lower.size() <= 3) {
        int n = 0;
        for (size_t i = 1; i < lower.size(); ++i) {
            if (lower[i] < '0' || lower[i] > '9') return std::nullopt;
            n = n * 10 + (lower[i] - '0');
        }
        if (lower[1] != '0' && n >= 1 && n <= kFunctionKeys) return kF1 + static_cast<std::uint32_t>(n - 1);
        return std::nullopt;
    }
    for (const NamedKey& k : kNamedKeys) {
        if (base::AsciiLower(k.name) == lower) return k.key;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Hotkey> ParseHotkeyName(std::string_view name) {
    std::vector<std::string_view> parts;
    for (;;) {
        const size_t plus = name.find('+');
        parts.push_back(TrimBlanks(name.substr(0, plus)));
        if (plus == std::string_view::npos) break;
        name.remove_prefix(plus + 1);
    }
    Hotkey hotkey;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string lower = base::AsciiLower(parts[i]);
        std::uint32_t bit = 0;
        for (const NamedModifier& m : kModifiers) {
            if (m.name == lower) bit = m.bit;
        }
        if (bit == 0 || (hotkey.modifiers & bit)) return std::nullopt;   // unknown or repeated
        hotkey.modifiers |= bit;
    }
    if (parts.back().empty()) return std::nullopt;
    const std::optional<std::uint32_t> key = KeyOf(parts.back());
    if (!key) return std::nullopt;
    hotkey.key = *key;
    if (!IsFunctionKey(hotkey.key) && !(hotkey.modifiers & (kModControl | kModAlt | kModWin))) return std::nullopt;
    return hotkey;
}

std::string HotkeyName(const Hotkey& hotkey) {
    std::string name;
    if (hotkey.modifiers & kModControl) name += "Ctrl+";
    if (hotkey.modifiers & kModAlt) name += "Alt+";
    if (hotkey.modifiers & kModShift) name += "Shift+";
    if (hotkey.modifiers & kModWin) name += "Win+";
    if ((hotkey.key >= 'A' && hotkey.key <= 'Z') || (hotkey.key >= '0' && hotkey.key <= '9')) {
        name += static_cast<char>(hotkey.key);
    } else if (IsFunctionKey(hotkey.key)) {
        name += "F" + std::to_string(hotkey.key - kF1 + 1);
    } else {
        for (const NamedKey& k : kNamedKeys) {
            if (k.key == hotkey.key) {
                name += k.name;
                break;
            }
        }
    }
    return name;
}

}  // namespace settings
