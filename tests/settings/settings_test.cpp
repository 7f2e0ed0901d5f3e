// Reading the settings file's values, hotkey names and where the window opens.
#include "settings/settings.h"
#include "settings/window_position.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace settings {
namespace {

Settings FromFile(const std::map<std::string, std::string>& file) {
    return ParseSettings([&](std::string_view key) -> std::optional<std::string> {
        const auto it = file.find(std::string(key));
        if (it == file.end()) return std::nullopt;
        return it->second;
    });
}

TEST(HotkeyNames, ReadInAnyCaseAndWrittenInTheUsualForm) {
    struct Case { const char* name; std::optional<Hotkey> hotkey; const char* written; };
    const Case cases[] = {
        {"Ctrl+Alt+Q", Hotkey{kModControl | kModAlt, 'Q'}, "Ctrl+Alt+Q"},
        {" alt + CONTROL + q ", Hotkey{kModControl | kModAlt, 'Q'}, "Ctrl+Alt+Q"},
        {"Ctrl+Shift+F1", Hotkey{kModControl | kModShift, 0x70}, "Ctrl+Shift+F1"},
        {"F24", Hotkey{0, 0x87}, "F24"},
        {"Win+Shift+PageDown", Hotkey{kModWin | kModShift, 0x22}, "Shift+Win+PageDown"},
        {"Ctrl+Escape", Hotkey{kModControl, 0x1B}, "Ctrl+Esc"},
        {"Ctrl+7", Hotkey{kModControl, '7'}, "Ctrl+7"},
        // A plain or shifted letter would stop it being typed anywhere.
        {"Q", std::nullopt, nullptr},
        {"Shift+Q", std::nullopt, nullptr},
        {"Ctrl+Ctrl+Q", std::nullopt, nullptr},
        {"Ctrl+Alt", std::nullopt, nullptr},
        {"Ctrl+", std::nullopt, nullptr},
        {"Ctrl+F25", std::nullopt, nullptr},
        {"Ctrl+F0", std::nullopt, nullptr},
        {"Ctrl+F01", std::nullopt, nullptr},
        {"Hyper+Q", std::nullopt, nullptr},
        {"Ctrl+QQ", std::nullopt, nullptr},
        {"", std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        const std::optional<Hotkey> parsed = ParseHotkeyName(c.name);
        EXPECT_EQ(parsed, c.hotkey) << c.name;
        if (parsed && c.written) {
            EXPECT_EQ(HotkeyName(*parsed), c.written) << c.name;
        }
    }
}

TEST(SettingsValues, MissingOrDamagedValuesKeepTheirDefaults) {
    const Settings none = FromFile({});
    EXPECT_FALSE(none.watchClipboard);
    EXPECT_FALSE(none.topMost);
    EXPECT_EQ(none.hotkey, kDefaultHotkey);
    EXPECT_EQ(none.updateUrl, "");
    EXPECT_FALSE(none.windowPosition);

    const Settings set = FromFile({{"WatchClipboard", " 1"}, {"TopMost", "1"}, {"Hotkey", "Ctrl+Shift+F1"},
                                   {"UpdateUrl", " http://example.test/bank.json "},
                                   {"WindowLeft", "-1200"}, {"WindowTop", "+40"}});
    EXPECT_TRUE(set.watchClipboard);
    EXPECT_TRUE(set.topMost);
    EXPECT_EQ(set.hotkey, (Hotkey{kModControl | kModShift, 0x70}));
    EXPECT_EQ(set.updateUrl, "http://example.test/bank.json");
    EXPECT_EQ(set.windowPosition, (Point{-1200, 40}));

    // Damage: a flag that is neither 0 nor 1, an unknown hotkey, a coordinate
    // out of range or missing its partner.
    const Settings bad = FromFile({{"WatchClipboard", "yes"}, {"TopMost", "10"}, {"Hotkey", "Ctrl+Ü"},
                                   {"WindowLeft", "99999999999999999999"}, {"WindowTop", "5"}});
    EXPECT_FALSE(bad.watchClipboard);
    EXPECT_FALSE(bad.topMost);
    EXPECT_EQ(bad.hotkey, kDefaultHotkey);
    EXPECT_FALSE(bad.windowPosition);
    EXPECT_FALSE(FromFile({{"WindowLeft", "5"}}).windowPosition);
    EXPECT_FALSE(FromFile({{"WindowLeft", "5"}, {"WindowTop", "1e3"}}).windowPosition);

    // An empty hotkey is the player turning it off, not damage.
    EXPECT_EQ(FromFile({{"Hotkey", ""}}).hotkey, std::nullopt);
    EXPECT_EQ(FromFile({{"Hotkey", "  "}}).hotkey, std::nullopt);
}

TEST(OpeningPosition, SavedPlaceWhileItsCaptionCanBeGrabbedElseCentred) {
    const Box left{-1920, 0, 0, 1080}, main{0, 0, 1280, 1024};
    const std::vector<Box> both{left, main}, mainOnly{main};
    const Box work{0, 30, 1280, 1024};   // a taskbar along the top
    const int w = 546, h = 490, caption = 22;
    const Point centred{367, 282};

    EXPECT_EQ(OpeningPosition(std::nullopt, w, h, caption, both, work), centred);
    EXPECT_EQ(OpeningPosition(Point{100, 200}, w, h, caption, mainOnly, work), (Point{100, 200}));
    // On the second monitor while it is there; centred once it is gone.
    EXPECT_EQ(OpeningPosition(Point{-1500, 100}, w, h, caption, both, work), (Point{-1500, 100}));
    EXPECT_EQ(OpeningPosition(Point{-1500, 100}, w, h, caption, mainOnly, work), centred);
    // Straddling two monitors counts when one of them shows enough caption.
    EXPECT_EQ(OpeningPosition(Point{-500, 10}, w, h, caption, both, work), (Point{-500, 10}));
    // Only a sliver of the caption left on screen, or the caption above the top.
    EXPECT_EQ(OpeningPosition(Point{1280 - 39, 100}, w, h, caption, mainOnly, work), centred);
    EXPECT_EQ(OpeningPosition(Point{1280 - 40, 100}, w, h, caption, mainOnly, work), (Point{1240, 100}));
    EXPECT_EQ(OpeningPosition(Point{100, -12}, w, h, caption, mainOnly, work), centred);
    EXPECT_EQ(OpeningPosition(Point{100, 1024 - 11}, w, h, caption, mainOnly, work), (Point{100, 1013}));
    EXPECT_EQ(OpeningPosition(Point{100, 1024 - 10}, w, h, caption, mainOnly, work), centred);
    // No monitor known at all, and a window larger than the work area.
    EXPECT_EQ(OpeningPosition(Point{100, 200}, w, h, caption, {}, work), centred);
    EXPECT_EQ(OpeningPosition(std::nullopt, 2000, 2000, caption, mainOnly, work), (Point{0, 30}));
}

}  // namespace
}  // namespace settings
