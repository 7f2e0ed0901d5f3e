// wd.dat is read whole, unscrambled in memory and written out whole; nothing
// is streamed. The copy is created fresh each run and left on disk at exit.
#include "questionbank/bank_file_win.h"

#include "base/win/wide.h"
#include "questionbank/bank_file.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace questionbank {

namespace {

// A CreateFileW handle, closed with CloseHandle.
class OwnedFile {
public:
    explicit OwnedFile(HANDLE h) : h_(h) {}
    ~OwnedFile() { if (ok()) CloseHandle(h_); }
    OwnedFile(const OwnedFile&) = delete;
    OwnedFile& operator=(const OwnedFile&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // Closes now, so that the caller can change or delete the file.
    bool close() {
        const bool closed = ok() && CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
};

// A bank is a small Jet file; anything near this size is not one we can hold.
constexpr LONGLONG kLargestBank = 1LL << 30;

std::wstring g_writtenCopy;   // the copy this run wrote, empty until then

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
    if (need == 0) return {};
    std::wstring value(need, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), need);
    if (got == 0 || got >= need) return {};
    value.resize(got);
    return value;
}

std::wstring SystemTempFolder() {
    wchar_t buf[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(buf, n);
}

// Missing, unreadable or absurdly large files read as an empty bank.
std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
    OwnedFile file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file.ok()) return {};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > kLargestBank) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) return {};
        if (got == 0) break;   // shrank while we read: keep what is there
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

base::Status<> Failure(const char* what, DWORD code) {
    return base::Error{std::string(what) + " (Windows error " + std::to_string(code) + ")"};
}

// Removes an earlier copy, so that a failed write never leaves stale data
// where the queries would find it.
void RemoveCopy(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

base::Status<> WriteCopy(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    // CREATE_ALWAYS refuses to replace a hidden or read-only file unless the new
    // attributes match, so clear whatever an earlier run left first.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    OwnedFile file{CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file.ok()) {
        const DWORD code = GetLastError();
        RemoveCopy(path);
        return Failure("cannot create the bank copy", code);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD put = 0;
        if (!WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &put, nullptr) ||
            put == 0) {
            const DWORD code = GetLastError();
            file.close();
            RemoveCopy(path);
            return Failure("cannot write the bank copy", code);
        }
        done += put;
    }
    if (!file.close()) {
        const DWORD code = GetLastError();
        RemoveCopy(path);
        return Failure("cannot finish the bank copy", code);
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);   // hidden alone; a failure here is harmless
    return base::Unit{};
}

}  // namespace

std::wstring TempCopyPath() {
    using base::win::Narrow;
    using base::win::Widen;
    return Widen(TempCopyPathIn(Narrow(EnvironmentValue(L"tmp")), Narrow(SystemTempFolder())));
}

base::Status<> UnpackBank(const std::wstring& bankPath, std::string_view key) {
    g_writtenCopy.clear();
    std::vector<uint8_t> bytes = ReadWholeFile(bankPath);
    ScrambleBank(bytes, key);
    const std::wstring path = TempCopyPath();
    if (path.empty()) return base::Error{"no temporary folder for the bank copy"};
    auto written = WriteCopy(path, bytes);
    if (written) g_writtenCopy = path;
    return written;
}

std::wstring TempBankPathForQueries() { return g_writtenCopy; }

}  // namespace questionbank
