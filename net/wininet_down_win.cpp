// The transfer class over WinINet, plus the folder and decoding helpers it uses.
#include "net/wininet_down.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "base/text.h"
#include "net/charset.h"
#include "net/folder.h"
#include "net/headers.h"

namespace net {
namespace {

// Caps a chunk so that a careless Pakesize cannot ask for gigabytes at once.
constexpr int32_t kDefaultChunk = 1024;
constexpr int32_t kLargestChunk = 16 * 1024 * 1024;

std::wstring Wide(std::string_view utf8) {
    const std::u16string s = base::Utf8ToUtf16(utf8);
    return std::wstring(s.begin(), s.end());
}

std::string Narrow(std::wstring_view w) {
    return base::Utf16ToUtf8(std::u16string(w.begin(), w.end()));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && base::AsciiLower(s.substr(0, prefix.size())) == prefix;
}

// Whether this system can decode the code page (Wine, for one, lacks some
// that CodePageForCharset names). UTF-16 is decoded here, not by the system.
bool CanDecode(unsigned codePage) { return codePage == 1200 || codePage == 1201 || IsValidCodePage(codePage); }

// Whole characters only: the carry in ChunkCarry keeps split ones together.
// Nothing when the system cannot decode the bytes.
std::optional<std::string> DecodeWhole(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return std::string();
    if (codePage == 1200 || codePage == 1201) {
        std::u16string units(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < units.size(); ++i) {
            const auto a = static_cast<unsigned char>(bytes[2 * i]);
            const auto b = static_cast<unsigned char>(bytes[2 * i + 1]);
            units[i] = static_cast<char16_t>(codePage == 1200 ? (b << 8 | a) : (a << 8 | b));
        }
        if (bytes.size() % 2) units.push_back(u'\uFFFD');
        return base::Utf16ToUtf8(units);
    }
    const int length = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, wide.data(), wideLength);
    return Narrow(wide);
}

// Lets the thread's pending window messages run, as the UI expects between
// chunks. False when a WM_QUIT came: the program is closing, so the caller
// ends its transfer; the WM_QUIT is put back for the real message loop.
bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

// Marks a transfer method as on the stack. The object may be destroyed
// before the method returns; the mark is then left alone.
class BusyScope {
public:
    BusyScope(bool& flag, std::shared_ptr<const bool> alive) : flag_(flag), alive_(std::move(alive)) { flag_ = true; }
    ~BusyScope() {
        if (*alive_) flag_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& flag_;
    std::shared_ptr<const bool> alive_;
};

// A file handle from CreateFileW, closed with CloseHandle.
using FileHandle = base::win::Owned<HANDLE, CloseHandle>;

}  // namespace

base::Result<std::string> BytesToText(std::string_view bytes, std::string_view charset) {
    const auto codePage = CodePageForCharset(charset);
    if (!codePage) return base::Error{"unknown character set \"" + std::string(charset) + "\""};
    auto text = DecodeWhole(*codePage, bytes);
    if (!text) return base::Error{"this system cannot decode \"" + std::string(charset) + "\""};
    return std::move(*text);
}

bool EnsureFolder(std::string& path) {
    path = NormalisePath(path);
    const auto plan = PlanFolders(path);
    if (!plan) return false;
    const std::string root = plan->drive + "\\";
    if (GetFileAttributesW(Wide(root + plan->folders).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    for (const std::string& prefix : plan->prefixes) {
        const std::wstring folder = Wide(root + prefix);
        if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
            CreateDirectoryW(folder.c_str(), nullptr);   // a failure shows when the file is opened
    }
    return true;
}

WininetDown::~WininetDown() {
    bRunning_ = false;
    *alive_ = false;
}

HINTERNET WininetDown::OpenSession(const std::wstring& agent) {
    return InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

std::string WininetDown::CacheUrl() const {
    if (StartsWithNoCase(URL_, "http://") || StartsWithNoCase(URL_, "https://")) return URL_;
    return "http://" + URL_;
}

bool WininetDown::Download() {
    if (busy_) {
        Notify(Error, DownError::Busy);
        return false;
    }
    BusyScope busy(busy_, alive_);
    const Sent sent = DownloadOnce();
    if (sent == Sent::Stopped) Notify(Error, DownError::Stopped);
    return sent == Sent::Yes;
}

WininetDown::Sent WininetDown::DownloadOnce() {
    lastError_ = 0;
    statusCode_ = 0;
    // Handles left from an earlier transfer go first, newest first.
    hRequest_.reset();
    hConnect_.reset();
    hOpen_.reset();
    sRawHeaders_.clear();
    bHeadersOK_ = false;

    bRunning_ = true;
    if (!URL_.empty()) {
        auto parts = ParseURL(URL_);
        if (!parts) return FailedWith(DownError::BadAddress, Sent::Failed);
        address_ = std::move(*parts);
    }
    if (!Notify(Status, DownStatus::Starting)) return Sent::Gone;

    {
        HINTERNET session = OpenSession(Wide(UserAgent_));
        lastError_ = session ? 0 : GetLastError();
        hOpen_.reset(session);
    }
    if (!hOpen_) return FailedWith(DownError::SessionFailed, Sent::Failed);

    if (!Notify(Status, DownStatus::Connecting)) return Sent::Gone;
    {
        HINTERNET connection = InternetConnectW(hOpen_.get(), Wide(address_.host).c_str(), address_.port,
                                                nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        lastError_ = connection ? 0 : GetLastError();
        hConnect_.reset(connection);
    }
    if (!hConnect_) return FailedWith(DownError::ConnectFailed, Sent::Failed);

    if (!Notify(Status, DownStatus::OpeningRequest)) return Sent::Gone;
    {
        // Certificate checks stay on: no INTERNET_FLAG_IGNORE_CERT_* flags here.
        const DWORD flags = INTERNET_FLAG_RELOAD | (address_.secure ? INTERNET_FLAG_SECURE : 0);
        HINTERNET request = HttpOpenRequestW(hConnect_.get(), Wide(Method_).c_str(), Wide(address_.path).c_str(),
                                             L"HTTP/1.0", nullptr, nullptr, flags, 0);
        lastError_ = request ? 0 : GetLastError();
        hRequest_.reset(request);
    }
    if (!hRequest_) return FailedWith(DownError::RequestFailed, Sent::Failed);

    if (!Notify(Status, DownStatus::Sending)) return Sent::Gone;
    // A handler that stopped the transfer here (or at Starting) has closed
    // the handles; sending on would only fail as if the server were away.
    if (!bRunning_) return Sent::Stopped;
    std::string extra;
    if (!Referer_.empty()) extra += "Referer: " + Referer_ + "\r\n";
    if (base::AsciiLower(Method_) == "post") extra += "Content-Type: application/x-www-form-urlencoded\r\n";
    if (!extra.empty()) {
        const std::wstring headers = Wide(extra);
        HttpAddRequestHeadersW(hRequest_.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                               HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE);
    }
    if (!Cookie_.empty()) InternetSetCookieW(Wide(CacheUrl()).c_str(), nullptr, Wide(Cookie_).c_str());

    const BOOL sent = HttpSendRequestW(hRequest_.get(), nullptr, 0,
                                       PostData_.empty() ? nullptr : const_cast<char*>(PostData_.data()),
                                       static_cast<DWORD>(PostData_.size()));
    if (!sent) {
        lastError_ = GetLastError();
        return FailedWith(DownError::SendFailed, Sent::NotSent);
    }

    {
        DWORD code = 0;
        DWORD size = sizeof code;
        if (HttpQueryInfoW(hRequest_.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr))
            statusCode_ = static_cast<int32_t>(code);
    }

    // The raw header block can be any length; ask again with the size WinINet names.
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        DWORD index = 0;
        bHeadersOK_ = HttpQueryInfoW(hRequest_.get(), HTTP_QUERY_RAW_HEADERS, buffer.data(), &bytes, &index) != FALSE;
        if (bHeadersOK_) {
            sRawHeaders_ = Narrow(std::wstring_view(buffer.data(), bytes / sizeof(wchar_t)));
            break;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || bytes / sizeof(wchar_t) <= buffer.size()) {
            lastError_ = error;
            break;
        }
        buffer.resize(bytes / sizeof(wchar_t) + 1);
    }
    return Sent::Yes;
}

void WininetDown::bStop() {
    bRunning_ = false;
    hRequest_.reset();
    hConnect_.reset();
    hOpen_.reset();
    if (!URL_.empty()) DeleteUrlCacheEntryW(Wide(CacheUrl()).c_str());
}

bool WininetDown::BeginTransfer() {
    switch (DownloadOnce()) {
    case Sent::Yes: break;
    case Sent::Failed: bStop(); return false;
    case Sent::NotSent:
        bStop();
        Notify(DownloadEnd, false);
        return false;
    case Sent::Stopped: return EndFailed(DownError::Stopped);
    case Sent::Gone: return false;
    }
    dbFileSize_ = FileSize();
    return true;
}

bool WininetDown::EndFailed(int32_t code) {
    bStop();
    if (Notify(Error, code)) Notify(DownloadEnd, false);
    return false;
}

template <class Sink>
WininetDown::Outcome WininetDown::ReadBody(Sink&& sink) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    dbFinished_ = 0;
    const int32_t chunk = Pakesize_ < 1 ? kDefaultChunk : std::min(Pakesize_, kLargestChunk);
    std::vector<char> buffer(static_cast<size_t>(chunk));
    for (;;) {
        DWORD n = 0;
        if (!InternetReadFile(hRequest_.get(), buffer.data(), static_cast<DWORD>(chunk), &n)) {
            lastError_ = GetLastError();
            return Outcome::ReadFailed;
        }
        if (n == 0) break;
        if (!sink(std::string_view(buffer.data(), n))) return Outcome::WriteFailed;
        dbFinished_ += n;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (elapsed > 0) dbSpeedNow_ = static_cast<double>(dbFinished_) / elapsed;
        if (!Notify(Status, DownStatus::Chunk)) return Outcome::Gone;
        if (!Notify(Progress, static_cast<double>(dbFileSize_), static_cast<double>(dbFinished_), dbSpeedNow_))
            return Outcome::Gone;
        const Lifeline alive = alive_;
        const bool quit = !PumpMessages();
        if (!*alive) return Outcome::Gone;   // window code destroyed the object
        if (quit) bStop();
        if (!bRunning_) return Outcome::Stopped;
    }
    // A connection that closes early ends like a complete body; the size the
    // server announced tells the two apart.
    if (dbFileSize_ > 0 && dbFinished_ < dbFileSize_) return Outcome::ReadFailed;
    return Outcome::Complete;
}

std::string WininetDown::DownLoadToText() {
    if (busy_) {
        Notify(Error, DownError::Busy);
        return {};
    }
    BusyScope busy(busy_, alive_);
    // A body that cannot be decoded is not worth asking for.
    const auto codePage = CodePageForCharset(Charset_);
    if (!codePage || !CanDecode(*codePage)) {
        Notify(Error, DownError::UnknownCharset);
        return {};
    }
    if (!BeginTransfer()) return {};

    // A chunk the system fails to decode ends the loop like a failed write
    // would: the text would be missing a piece.
    ChunkCarry carry(*codePage);
    std::string text;
    const Outcome outcome = ReadBody([&](std::string_view bytes) {
        const auto piece = DecodeWhole(*codePage, carry.Feed(bytes));
        if (piece) text += *piece;
        return piece.has_value();
    });
    if (outcome == Outcome::Gone) return {};
    const auto last = outcome == Outcome::Complete ? DecodeWhole(*codePage, carry.Finish()) : std::nullopt;
    if (outcome != Outcome::Complete || !last) {
        EndFailed(outcome == Outcome::Stopped      ? DownError::Stopped
                  : outcome == Outcome::ReadFailed ? DownError::ReadFailed
                                                   : DownError::UnknownCharset);
        return {};
    }
    text += *last;
    bStop();
    if (Notify(Status, DownStatus::Finished)) Notify(DownloadEnd, true);
    return text;
}

bool WininetDown::DownloadToFile() {
    if (busy_) {
        Notify(Error, DownError::Busy);
        return false;
    }
    BusyScope busy(busy_, alive_);
    if (!BeginTransfer()) return false;

    // An error page is not the resource: the target keeps what it holds.
    if (statusCode_ >= 400) return EndFailed(DownError::BadStatus);

    // Everything about the target is checked before anything on disk changes.
    std::string target = NormalisePath(Filename_);
    if (!PlanFolders(target)) return EndFailed(DownError::NoDrive);
    Filename_ = target;
    const std::wstring wideTarget = Wide(target);
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!ReDown_ && GetFileAttributesExW(wideTarget.c_str(), GetFileExInfoStandard, &info) &&
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const int64_t size = static_cast<int64_t>(uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
        if (size == dbFileSize_) return EndFailed(DownError::TargetHasSize);
    }
    EnsureFolder(Filename_);
    // A folder or a read-only file cannot take the body.
    const DWORD attributes = GetFileAttributesW(wideTarget.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return EndFailed(DownError::CannotOpenTarget);

    // The body lands in a file of its own beside the target.
    const size_t slash = target.rfind('\\');
    const std::string folder = slash == std::string::npos ? target.substr(0, target.find(':') + 1)
                                                          : target.substr(0, slash + 1);
    wchar_t partial[MAX_PATH];
    if (!GetTempFileNameW(Wide(folder).c_str(), L"dl", 0, partial)) {
        lastError_ = GetLastError();
        return EndFailed(DownError::CannotOpenTarget);
    }
    FileHandle file;
    {
        HANDLE h = CreateFileW(partial, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        lastError_ = h == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (h != INVALID_HANDLE_VALUE) file.reset(h);
    }
    if (!file) {
        DeleteFileW(partial);
        return EndFailed(DownError::CannotOpenTarget);
    }

    const Outcome outcome = ReadBody([&](std::string_view bytes) {
        DWORD written = 0;
        const BOOL ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        if (!ok || written != bytes.size()) {
            lastError_ = ok ? ERROR_WRITE_FAULT : GetLastError();
            return false;
        }
        return true;
    });
    file.reset();
    if (outcome == Outcome::Gone) {   // only locals may be touched now
        DeleteFileW(partial);
        return false;
    }
    if (outcome != Outcome::Complete) {
        DeleteFileW(partial);
        return EndFailed(outcome == Outcome::Stopped      ? DownError::Stopped
                         : outcome == Outcome::ReadFailed ? DownError::ReadFailed
                                                          : DownError::WriteFailed);
    }
    if (!MoveFileExW(partial, wideTarget.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        lastError_ = GetLastError();
        DeleteFileW(partial);
        return EndFailed(DownError::WriteFailed);
    }
    bStop();
    if (Notify(Status, DownStatus::Finished)) Notify(DownloadEnd, true);
    return true;
}

std::string WininetDown::GetHeader(std::string_view hdrName) {
    if (!bRunning_) {
        bStop();
        return "0";
    }
    return HeaderQuery(sRawHeaders_, hdrName);
}

int64_t WininetDown::FileSize() { return ReportedSize(GetHeader("Content-Length")); }

std::string WininetDown::GetCookie(std::string_view CookName) {
    const std::wstring url = Wide(CacheUrl());
    const std::wstring name = Wide(CookName);
    const wchar_t* namePtr = name.empty() ? nullptr : name.c_str();
    std::vector<wchar_t> field(256, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(field.size() - 1);
        if (InternetGetCookieW(url.c_str(), namePtr, field.data(), &size))
            return CookieField(Narrow(std::wstring_view(field.data(), std::min<size_t>(size, field.size()))));
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || size < field.size()) {
            lastError_ = error;
            return {};
        }
        field.assign(size + 2, L'\0');   // a long cookie is returned whole, not dropped
    }
    return {};
}

}  // namespace net
