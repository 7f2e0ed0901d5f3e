#include "settings/settings_file_win.h"

#include "base/win/wide.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace settings {
namespace {

using base::win::Narrow;
using base::win::Widen;

// What GetPrivateProfileStringW gives for a key the file lacks; no value we
// read can hold it.
constexpr wchar_t kAbsent[] = L"\x01";
constexpr DWORD kLongestValue = 4096;   // characters; a longer value is damage

enum class FileState { Missing, Readable, ReadOnly, Oversized, NotAFile };

FileState StateOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return FileState::Missing;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileState::NotAFile;
    const unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size > kMaxSettingsFileBytes) return FileState::Oversized;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? FileState::ReadOnly : FileState::Readable;
}

std::optional<std::string> ReadProfileValue(const std::wstring& path, std::string_view key) {
    const std::wstring section = Widen(kSection);
    const std::wstring name = Widen(key);
    std::wstring buffer(kLongestValue + 2, L'\0');
    const DWORD n = GetPrivateProfileStringW(section.c_str(), name.c_str(), kAbsent, buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(n);
    if (buffer == kAbsent || n > kLongestValue) return std::nullopt;
    return Narrow(buffer);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

}  // namespace

std::wstring DefaultSettingsPath() {
    std::wstring folder;
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (n > 1) {
        folder.resize(n);
        folder.resize(GetEnvironmentVariableW(L"APPDATA", folder.data(), n));
    }
    if (folder.empty()) {
        wchar_t known[MAX_PATH]{};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, known))) folder = known;
    }
    if (folder.empty()) return {};
    return folder + L"\\ToviArdo\\ToviArdo.ini";
}

Settings ReadSettingsFile(const std::wstring& path) {
    const FileState state = path.empty() ? FileState::Missing : StateOf(path);
    if (state != FileState::Readable && state != FileState::ReadOnly) return Settings{};
    return ParseSettings([&](std::string_view key) { return ReadProfileValue(path, key); });
}

SettingsFile::SettingsFile(std::wstring path) : path_(std::move(path)) {
    if (path_.empty()) return;
    replaceOnSave_ = StateOf(path_) == FileState::Oversized;
    values_ = ReadSettingsFile(path_);
}

bool SettingsFile::SetWatchClipboard(bool on) {
    values_.watchClipboard = on;
    return save(kWatchClipboardKey, FlagText(on));
}

bool SettingsFile::SetTopMost(bool on) {
    values_.topMost = on;
    return save(kTopMostKey, FlagText(on));
}

bool SettingsFile::SetWindowPosition(Point topLeft) {
    values_.windowPosition = topLeft;
    const bool left = save(kWindowLeftKey, std::to_string(topLeft.x));
    return save(kWindowTopKey, std::to_string(topLeft.y)) && left;
}

// The profile functions write UTF-16 only to a file that already starts with
// the UTF-16 byte-order mark; a file they create themselves gets the ANSI
// code page. So a new file is made here, holding just the mark. The
// read-only mark is the player's word, even for an account (an
// administrator's) that the file system would let write.
bool SettingsFile::prepareFile() {
    const DWORD attributes = GetFileAttributesW(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    if (replaceOnSave_) {
        if (!DeleteFileW(path_.c_str())) return false;
        replaceOnSave_ = false;
    }
    if (StateOf(path_) != FileState::Missing) return true;
    CreateDirectoryW(FolderOf(path_).c_str(), nullptr);   // fails harmlessly when it exists
    const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    static constexpr unsigned char kUtf16Mark[] = {0xFF, 0xFE};
    DWORD written = 0;
    const bool ok = WriteFile(file, kUtf16Mark, sizeof kUtf16Mark, &written, nullptr) && written == sizeof kUtf16Mark;
    CloseHandle(file);
    return ok;
}

bool SettingsFile::save(const char* key, const std::string& value) {
    if (path_.empty()) return false;
    const bool replacing = replaceOnSave_;
    if (!prepareFile()) return false;
    if (replacing) {
        // The old file held nothing usable; the new one gets every value that differs from its default.
        const Settings defaults;
        if (values_.watchClipboard != defaults.watchClipboard && std::string_view(key) != kWatchClipboardKey) {
            save(kWatchClipboardKey, FlagText(values_.watchClipboard));
        }
        if (values_.topMost != defaults.topMost && std::string_view(key) != kTopMostKey) {
            save(kTopMostKey, FlagText(values_.topMost));
        }
    }
    const std::wstring section = Widen(kSection);
    const std::wstring name = Widen(key);
    const std::wstring text = Widen(value);
    return WritePrivateProfileStringW(section.c_str(), name.c_str(), text.c_str(), path_.c_str()) != FALSE;
}

}  // namespace settings
