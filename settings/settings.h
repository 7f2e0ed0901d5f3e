// The settings that last from one run to the next, and how each value is read
// from its text in the settings file. A value that is missing or cannot be
// read keeps its default: a damaged file costs the player nothing but the
// damaged values.
#pragma once
#include "settings/hotkey.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace settings {

// The file's section and keys.
inline constexpr char kSection[] = "ToviArdo";
inline constexpr char kWatchClipboardKey[] = "WatchClipboard";
inline constexpr char kTopMostKey[] = "TopMost";
inline constexpr char kHotkeyKey[] = "Hotkey";
inline constexpr char kUpdateUrlKey[] = "UpdateUrl";
inline constexpr char kWindowLeftKey[] = "WindowLeft";
inline constexpr char kWindowTopKey[] = "WindowTop";

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Settings {
    bool watchClipboard = false;
    bool topMost = false;
    std::optional<Hotkey> hotkey = kDefaultHotkey;   // nullopt: no hotkey
    std::string updateUrl;                           // empty: not set, the update's own default applies
    std::optional<Point> windowPosition;             // top-left corner in screen pixels; nullopt: never saved
};

// The text stored under a key, UTF-8; nullopt when the key is absent.
using ReadValue = std::function<std::optional<std::string>(std::string_view key)>;

Settings ParseSettings(const ReadValue& read);

// "1" or "0", blanks around allowed.
std::optional<bool> ParseFlag(std::string_view text);
inline const char* FlagText(bool on) { return on ? "1" : "0"; }

// A decimal screen coordinate within +-1,000,000, blanks around allowed.
std::optional<int> ParseCoordinate(std::string_view text);

// Empty (or blank) text turns the hotkey off; a name that cannot be read
// keeps the default.
std::optional<Hotkey> ParseHotkeySetting(std::string_view text);

}  // namespace settings
