// A global hotkey and its name as the settings file spells it: modifiers and
// one key joined by '+', such as "Ctrl+Alt+Q" or "Ctrl+Shift+F1".
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// Modifier bits and key codes carry the values RegisterHotKey takes
// (MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN and virtual-key codes), so the
// glue hands them on unchanged.
inline constexpr std::uint32_t kModAlt = 0x1;
inline constexpr std::uint32_t kModControl = 0x2;
inline constexpr std::uint32_t kModShift = 0x4;
inline constexpr std::uint32_t kModWin = 0x8;

struct Hotkey {
    std::uint32_t modifiers = 0;   // kMod* bits
    std::uint32_t key = 0;         // virtual-key code
    friend bool operator==(const Hotkey&, const Hotkey&) = default;
};

inline constexpr Hotkey kDefaultHotkey{kModControl | kModAlt, 'Q'};

// Modifier and key names in any letter case, blanks around the parts allowed.
// The key is a letter, a digit, F1 to F24 or one of a few named keys (Space,
// Tab, Enter, Esc, Insert, Delete, Home, End, PageUp, PageDown, Up, Down,
// Left, Right, Pause). A key other than F1 to F24 needs Ctrl, Alt or Win: a
// plain or shifted letter taken system-wide would stop it being typed
// anywhere. Anything else, an empty name included, is nullopt.
std::optional<Hotkey> ParseHotkeyName(std::string_view name);

// The name in its usual form: "Ctrl+Alt+Shift+Win+Key", present modifiers only.
std::string HotkeyName(const Hotkey& hotkey);

}  // namespace settings
