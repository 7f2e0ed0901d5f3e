// The update of the bank, on the UI thread. The order of the steps is what
// keeps the player's bank safe:
//   1. nothing on disk changes until the manifest is read and the digests differ;
//   2. the bank arrives in wd.dat.new beside its place (the transfer class
//      itself writes a temporary file beside that and renames it when whole);
//   3. wd.dat.new is checked whole in memory: size, SHA-256, bank, table, columns;
//   4. only then the old bank is copied aside and wd.dat.new renamed over it;
//   5. a failure at any step removes what this run made and leaves wd.dat alone.
#include "app/bank_update_win.h"

#include <bcrypt.h>
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "base/win/handles.h"
#include "base/win/wide.h"
#include "net/wininet_down.h"
#include "questionbank/bank_file.h"
#include "questionbank/bank_file_win.h"
#include "questionbank/bank_manifest.h"
#include "settings/settings_file_win.h"
#include "skin/engine/skinner.h"

namespace app {

using base::win::Narrow;
using base::win::Widen;
using questionbank::UpdateEnd;
using questionbank::UpdateOutcome;

namespace {

constexpr int32_t kBankChunk = 16 * 1024;   // bytes per read of the bank
constexpr int kProgressRange = 30000;       // the skinned progress bars' range

std::wstring EnvironmentValue(const wchar_t* name) {
    const DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
    if (need <= 1) return {};
    std::wstring value(need, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), need);
    if (got == 0 || got >= need) return {};
    value.resize(got);
    return value;
}

// A known folder from its variable, or else from the shell.
std::wstring UserFolder(const wchar_t* variable, int csidl) {
    std::wstring folder = EnvironmentValue(variable);
    if (folder.empty()) {
        wchar_t known[MAX_PATH]{};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, known))) folder = known;
    }
    while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    return folder;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

struct FileFacts {
    bool exists = false;
    uint64_t size = 0;
    int64_t writeTime = 0;
};

FileFacts FactsOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return {};
    }
    return FileFacts{true, uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow,
                     int64_t(uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime)};
}

using OwnedFile = base::win::Owned<HANDLE, CloseHandle>;

// The whole file, or nullopt when it is missing, unreadable or larger than `limit`.
std::optional<std::vector<uint8_t>> ReadBytes(const std::wstring& path, uint64_t limit) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    OwnedFile file{h};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || uint64_t(size.QuadPart) > limit) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) ||
            got == 0) {
            return std::nullopt;
        }
        done += got;
    }
    return bytes;
}

// SHA-256 by the system's cryptography (CNG); empty when it is unavailable.
std::string SystemSha256Hex(const std::vector<uint8_t>& bytes) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return {};
    std::string hex;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0) {
        bool ok = true;
        for (size_t at = 0; ok && at < bytes.size();) {
            const ULONG n = static_cast<ULONG>(std::min<size_t>(bytes.size() - at, 1u << 24));
            ok = BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at), n, 0) >= 0;
            at += n;
        }
        UCHAR digest[32];
        if (ok && BCryptFinishHash(hash, digest, sizeof digest, 0) >= 0) {
            static const char kHex[] = "0123456789abcdef";
            for (UCHAR b : digest) {
                hex += kHex[b >> 4];
                hex += kHex[b & 15];
            }
        }
        BCryptDestroyHash(hash);
    }
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return hex;
}

// Whether new files can be made in `folder`: one is made, and goes again when
// closed. (GetTempFileNameW is no probe: some implementations report a name
// even when the file could not be made.)
bool FolderTakesFiles(const std::wstring& folder) {
    if (folder.empty()) return false;
    const std::wstring probe = folder + L"\\wd" + std::to_wstring(GetCurrentProcessId()) + L".probe";
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool MakeFolder(const std::wstring& folder) {
    CreateDirectoryW(folder.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "1,234,567"
std::wstring Grouped(uint64_t n) {
    std::wstring digits = std::to_wstring(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), L",");
    return digits;
}

bool IsConnectionError(int32_t code) {
    return code == net::DownError::SessionFailed || code == net::DownError::ConnectFailed ||
           code == net::DownError::RequestFailed || code == net::DownError::SendFailed ||
           code == net::DownError::BadAddress;
}

// The small window the bank downloads in: a line of text, the skinned
// progress bar, the byte count and "取消". Closing it, or its owner going
// away, counts as "取消".
class ProgressWindow {
public:
    ProgressWindow(HWND owner, uint64_t total, std::function<void()> onCancel);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void Show(uint64_t done);

private:
    enum : int { kTextId = 101, kBarId = 102, kCountId = 103 };
    static LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void cancel();
    void createControls();

    HWND owner_;                      // the main window, disabled while this one is up
    bool ownerWasEnabled_;            // enabled again at the end only if it was at the start
    uint64_t total_;                  // bytes the manifest announced
    std::function<void()> onCancel_;  // stops the transfer; dropped before the window goes
    base::win::OwnedFont font_;       // 宋体 9 pt for every child
    HWND hwnd_ = nullptr;             // destroyed by ~ProgressWindow or with the owner
    bool cancelled_ = false;          // onCancel_ runs once however the window asks
};

const wchar_t kProgressBarClass[] = L"ProgressBar20WndClass";

// The skin recognises progress bars by this class name; it behaves as the
// common control's progress bar.
void RegisterProgressClasses(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, kProgressBarClass, &wc)) {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW base{};
        base.cbSize = sizeof base;
        if (GetClassInfoExW(nullptr, PROGRESS_CLASSW, &base)) {
            base.cbSize = sizeof base;
            base.hInstance = instance;
            base.lpszClassName = kProgressBarClass;
            base.style &= ~CS_GLOBALCLASS;
            RegisterClassExW(&base);
        }
    }
    WNDCLASSEXW own{};
    own.cbSize = sizeof own;
    if (GetClassInfoExW(instance, kUpdateProgressClass, &own)) return;
    own.cbSize = sizeof own;
    own.lpfnWndProc = windowProc;
    own.hInstance = instance;
    own.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    own.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    own.lpszClassName = kUpdateProgressClass;
    RegisterClassExW(&own);
}

ProgressWindow::ProgressWindow(HWND owner, uint64_t total, std::function<void()> onCancel)
    : owner_(owner), ownerWasEnabled_(IsWindowEnabled(owner) != FALSE), total_(total), onCancel_(std::move(onCancel)) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterProgressClasses(instance, WndProc);
    LOGFONTW lf{};
    {
        base::win::WindowDc screen{nullptr};
        lf.lfHeight = -MulDiv(9, screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96, 72);
    }
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = GB2312_CHARSET;
    lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&lf));

    constexpr DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, 320, 100};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT over{};
    if (!owner || !GetWindowRect(owner, &over)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    const int x = over.left + (over.right - over.left - width) / 2;
    const int y = over.top + (over.bottom - over.top - height) / 2;
    CreateWindowExW(WS_EX_DLGMODALFRAME, kUpdateProgressClass, L"检查题库更新", style, x, y, width, height, owner,
                    nullptr, instance, this);
    if (!hwnd_) return;
    createControls();
    skin::SkinWindow(hwnd_);
    EnumChildWindows(hwnd_, skin::SkinChildCallback, 0);
    if (owner_) EnableWindow(owner_, FALSE);   // the download is modal to the main window
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

ProgressWindow::~ProgressWindow() {
    // The owner comes back first, so that activation returns to it and not
    // to some other program's window.
    if (owner_ && IsWindow(owner_) && ownerWasEnabled_) EnableWindow(owner_, TRUE);
    onCancel_ = nullptr;
    if (hwnd_) DestroyWindow(hwnd_);   // WM_NCDESTROY clears hwnd_
}

void ProgressWindow::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w, int h) {
        const HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (c && font_) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return c;
    };
    child(L"STATIC", L"正在下载新题库……", SS_LEFT | SS_NOPREFIX, kTextId, 14, 12, 292, 16);
    const HWND bar = child(kProgressBarClass, L"", WS_BORDER, kBarId, 14, 34, 292, 18);
    SendMessageW(bar, PBM_SETRANGE32, 0, kProgressRange);
    child(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kCountId, 14, 68, 200, 16);
    child(L"BUTTON", L"取消", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 226, 64, 80, 24);
    Show(0);
}

void ProgressWindow::Show(uint64_t done) {
    if (!hwnd_) return;
    const double fraction = total_ ? static_cast<double>(std::min(done, total_)) / static_cast<double>(total_) : 0.0;
    SendDlgItemMessageW(hwnd_, kBarId, PBM_SETPOS, static_cast<WPARAM>(fraction * kProgressRange), 0);
    const std::wstring count = L"已下载 " + Grouped(done) + L" / " + Grouped(total_) + L" 字节";
    SetDlgItemTextW(hwnd_, kCountId, count.c_str());
}

void ProgressWindow::cancel() {
    if (cancelled_) return;
    cancelled_ = true;
    if (onCancel_) onCancel_();
}

LRESULT CALLBACK ProgressWindow::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<ProgressWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = w;
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(w, msg, wp, lp);
    }
    return self->handle(msg, wp, lp);
}

LRESULT ProgressWindow::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDCANCEL) cancel();
        return 0;
    case WM_CLOSE:   cancel(); return 0;          // the caption's close box
    case WM_DESTROY: cancel(); return 0;          // the owner went away mid-download
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Files this run makes beside the bank; each is removed unless the update
// completes and puts it in its place.
struct Scratch {
    std::wstring path;
    ~Scratch() {
        if (!path.empty()) DeleteFileW(path.c_str());
    }
};

UpdateOutcome Ended(UpdateEnd end) {
    UpdateOutcome o;
    o.end = end;
    return o;
}

}  // namespace

std::string UpdateManifestUrl() {
    // Read afresh at each check, so an address edited in the settings file counts at once.
    std::string url = settings::ReadSettingsFile().updateUrl;
    return url.empty() ? std::string(kDefaultUpdateUrl) : url;
}

std::wstring PerUserBankPath() {
    const std::wstring folder = UserFolder(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
    return folder.empty() ? std::wstring{} : folder + L"\\ToviArdo\\wd.dat";
}

std::wstring PerUserSearchIndexPath() {
    const std::wstring folder = UserFolder(L"LOCALAPPDATA", CSIDL_LOCAL_APPDATA);
    return folder.empty() ? std::wstring{} : folder + L"\\ToviArdo\\wd.idx";
}

std::wstring StartupBankPath(const std::wstring& programBank) {
    const std::wstring perUser = PerUserBankPath();
    if (perUser.empty()) return programBank;
    const FileFacts beside = FactsOf(programBank), own = FactsOf(perUser);
    if (!own.exists) return programBank;
    questionbank::BankCandidate programCandidate{beside.exists, beside.writeTime};
    questionbank::BankCandidate perUserCandidate{false, own.writeTime};
    // Only a copy that would win is opened and checked.
    if (!beside.exists || own.writeTime > beside.writeTime) {
        auto bytes = ReadBytes(perUser, questionbank::kLargestPublishedBank);
        perUserCandidate.usable =
            bytes && questionbank::CheckBankFile(std::move(*bytes)).fault == questionbank::BankFault::None;
    }
    return questionbank::ChooseStartupBank(programCandidate, perUserCandidate) == questionbank::BankSource::PerUser
               ? perUser
               : programBank;
}

BankUpdate RunBankUpdate(HWND owner, const std::string& manifestUrl, const std::wstring& bankInUse,
                         const std::wstring& programBank) {
    BankUpdate result{Ended(UpdateEnd::Cancelled), bankInUse};
    UpdateOutcome& o = result.outcome;

    // 1. The manifest.
    questionbank::BankManifest manifest;
    {
        net::WininetDown down;
        down.SetURL(manifestUrl);
        down.SetCharset("utf-8");
        int32_t error = 0;
        down.Error.Subscribe([&](int32_t code) {
            if (!error) error = code;
        });
        const std::string text = down.DownLoadToText();
        if (down.StatusCode() >= 400) {
            o = Ended(UpdateEnd::ManifestStatus);
            o.status = down.StatusCode();
            return result;
        }
        if (IsConnectionError(error)) return {Ended(UpdateEnd::NoConnection), bankInUse};
        if (error) return {Ended(UpdateEnd::ManifestUnreadable), bankInUse};
        auto parsed = questionbank::ParseManifest(text);
        if (!parsed) {
            o = Ended(UpdateEnd::ManifestMalformed);
            o.manifestError = parsed.error();
            return result;
        }
        manifest = *parsed;
    }

    // 2. The bank in use against the published one.
    {
        auto local = ReadBytes(bankInUse, questionbank::kLargestPublishedBank);
        if (local && questionbank::BankIsCurrent(SystemSha256Hex(*local), manifest.sha256)) {
            return {Ended(UpdateEnd::UpToDate), bankInUse};
        }
    }

    // 3. Where the new bank goes: beside the program, or the per-user folder
    // when the program's folder takes no files.
    std::wstring target = programBank;
    if (!FolderTakesFiles(FolderOf(programBank))) {
        target = PerUserBankPath();
        const std::wstring folder = FolderOf(target);
        if (target.empty() || !MakeFolder(FolderOf(folder)) || !MakeFolder(folder) || !FolderTakesFiles(folder)) {
            return {Ended(UpdateEnd::CannotWrite), bankInUse};
        }
    }
    Scratch download{target + L".new"};
    DeleteFileW(download.path.c_str());   // left by a run that did not finish

    // 4. The download, in its window.
    {
        net::WininetDown down;
        down.SetURL(questionbank::ResolveBankUrl(manifestUrl, manifest.url));
        down.SetFilename(Narrow(download.path));
        down.SetPakesize(kBankChunk);
        int32_t error = 0;
        bool cancelled = false, oversized = false;
        uint64_t received = 0;
        ProgressWindow window(owner, manifest.size, [&] {
            cancelled = true;
            down.bStop();
        });
        down.Error.Subscribe([&](int32_t code) {
            if (!error) error = code;
        });
        down.Progress.Subscribe([&](double reported, double done, double) {
            received = static_cast<uint64_t>(done);
            window.Show(received);
            // More than announced is not the published bank; there is no
            // reason to fetch the rest of it.
            if (received > manifest.size || static_cast<uint64_t>(reported) > manifest.size) {
                oversized = true;
                down.bStop();
            }
        });
        const bool fetched = down.DownloadToFile();
        if (owner && !IsWindow(owner)) return {Ended(UpdateEnd::Cancelled), bankInUse};
        if (oversized) {
            o = Ended(UpdateEnd::Oversized);
            o.expected = manifest.size;
            return result;
        }
        if (cancelled) return {Ended(UpdateEnd::Cancelled), bankInUse};
        if (!fetched) {
            if (down.StatusCode() >= 400) {
                o = Ended(UpdateEnd::BankStatus);
                o.status = down.StatusCode();
            } else if (IsConnectionError(error)) {
                o = Ended(UpdateEnd::NoConnection);
            } else if (error == net::DownError::ReadFailed) {
                o = Ended(UpdateEnd::Truncated);
                o.expected = manifest.size;
                o.received = received;
            } else {
                o = Ended(UpdateEnd::CannotWrite);
            }
            return result;
        }
    }

    // 5. The checks, on the file as it lies on disk.
    auto bytes = ReadBytes(download.path, questionbank::kLargestPublishedBank + 1);
    if (!bytes) return {Ended(UpdateEnd::CannotWrite), bankInUse};
    if (bytes->size() != manifest.size) {
        o = Ended(bytes->size() < manifest.size ? UpdateEnd::Truncated : UpdateEnd::Oversized);
        o.expected = manifest.size;
        o.received = bytes->size();
        return result;
    }
    if (SystemSha256Hex(*bytes) != manifest.sha256) return {Ended(UpdateEnd::WrongDigest), bankInUse};
    const questionbank::BankCheck check = questionbank::CheckBankFile(std::move(*bytes));
    if (check.fault != questionbank::BankFault::None) {
        o = Ended(UpdateEnd::NotABank);
        o.bank = check;
        return result;
    }

    // 6. The old bank aside, the new one in its place. The copy goes to a
    // scratch name first, so that a failure keeps any earlier wd.dat.bak.
    const bool hadOld = FactsOf(target).exists;
    const std::wstring backup = target + L".bak";
    Scratch backupPart{hadOld ? backup + L".part" : std::wstring{}};
    if (hadOld && !CopyFileW(target.c_str(), backupPart.path.c_str(), FALSE)) {
        return {Ended(UpdateEnd::CannotWrite), bankInUse};
    }
    if (!MoveFileExW(download.path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return {Ended(UpdateEnd::CannotWrite), bankInUse};
    }
    download.path.clear();
    if (hadOld && MoveFileExW(backupPart.path.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        backupPart.path.clear();
    }

    // 7. A fresh copy for the queries; they see it at their next run. Should it
    // fail, the old bank goes back and its copy with it.
    if (!questionbank::UnpackBank(target, questionbank::kBankKey)) {
        if (hadOld) CopyFileW(backupPart.path.empty() ? backup.c_str() : backupPart.path.c_str(), target.c_str(), FALSE);
        else DeleteFileW(target.c_str());
        questionbank::UnpackBank(bankInUse, questionbank::kBankKey);
        return {Ended(UpdateEnd::CannotWrite), bankInUse};
    }
    o = Ended(UpdateEnd::Updated);
    o.bank = check;
    result.bankInUse = target;
    return result;
}

}  // namespace app
