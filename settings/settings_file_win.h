// The settings file, %APPDATA%\ToviArdo\ToviArdo.ini, section [ToviArdo],
// read and written with the profile functions as UTF-16 text. A file that is
// missing, damaged, unreadable or a folder gives the defaults without a word;
// a change that cannot be saved (a read-only file) still lasts for the run.
#pragma once
#include "settings/settings.h"

#include <string>

namespace settings {

// %APPDATA%\ToviArdo\ToviArdo.ini, from the APPDATA variable or else the
// user's roaming application data folder; empty when neither is known.
std::wstring DefaultSettingsPath();

// A file larger than this is not a settings file we wrote: it is not read,
// and the first change replaces it with a new one.
inline constexpr unsigned long long kMaxSettingsFileBytes = 64 * 1024;

// The settings stored in the file at `path` now, defaults where it has none.
// For modules that only read a value, such as UpdateUrl.
Settings ReadSettingsFile(const std::wstring& path);
inline Settings ReadSettingsFile() { return ReadSettingsFile(DefaultSettingsPath()); }

// One run's settings: read once, changed by the player, each change saved at once.
class SettingsFile {
public:
    // An empty path keeps the defaults and saves nothing.
    explicit SettingsFile(std::wstring path);

    const Settings& values() const { return values_; }
    const std::wstring& path() const { return path_; }

    // Each changes the value for this run and saves it; false when it could
    // not be saved, and the change then lasts for this run only.
    bool SetWatchClipboard(bool on);
    bool SetTopMost(bool on);
    bool SetWindowPosition(Point topLeft);

private:
    bool save(const char* key, const std::string& value);
    bool prepareFile();

    std::wstring path_;
    Settings values_;
    bool replaceOnSave_ = false;   // oversized: started afresh at the first change
};

}  // namespace settings
