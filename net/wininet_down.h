// WininetDown: an HTTP transfer object over WinINet. A caller sets the request
// properties, subscribes to the events it cares about and calls one of the
// two transfer methods, which fetch the resource into text or into a file.
// Everything runs on the calling (UI) thread: the methods block during
// connecting and each read, and let pending window messages run after every
// chunk, so a handler or window code may call bStop() meanwhile, or destroy
// the object: a method on the stack then returns failure and raises nothing
// more. A WM_QUIT seen between chunks ends the transfer like bStop() and is
// posted again for the message loop. Starting another transfer on the same
// object from inside a handler is refused.
//
// Text is UTF-8 throughout the interface; PostData's bytes are sent as given.
#pragma once
#include "base/result.h"
#include "base/win/handles.h"

#include <wininet.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "net/event.h"
#include "net/url.h"

namespace net {

// Stages reported by the Status event.
struct DownStatus {
    enum : int32_t {
        Starting = 1,       // Download starts, before the session is opened
        Connecting = 2,     // session opened
        OpeningRequest = 3, // connection object made
        Sending = 4,        // request opened; headers, cookie and body follow
        Chunk = 5,          // a chunk arrived (raised just before each Progress)
        Finished = 6,       // the transfer completed and the handles are closed
    };
};

// Codes reported by the Error event. 1 to 7 are the original set; the rest
// report failures that used to pass unnoticed.
struct DownError {
    enum : int32_t {
        SessionFailed = 1,    // the WinINet session could not be opened
        ConnectFailed = 2,    // the connection object could not be made
        RequestFailed = 3,    // the request could not be opened
        Stopped = 4,          // bStop() was called before the transfer ended
        TargetHasSize = 5,    // DownloadToFile: the target already has the reported size and ReDown is false
        NoDrive = 6,          // DownloadToFile: Filename has no drive part
        CannotOpenTarget = 7, // DownloadToFile: the file cannot be opened for writing (or Filename is a folder)
        BadAddress = 8,       // URL has no host, an unknown scheme or a port outside 1 to 65535
        SendFailed = 9,       // the request could not be sent (refused connection, unknown host, TLS failure)
        ReadFailed = 10,      // the body could not be read to its end, or ended before the reported size
        WriteFailed = 11,     // DownloadToFile: writing the file, or putting it in place of the target, failed
        UnknownCharset = 12,  // DownLoadToText: Charset names no character set this system can decode
        Busy = 13,            // a transfer method was called while another runs on this object
        BadStatus = 14,       // DownloadToFile: the server answered 400 or more (see StatusCode); nothing is written
    };
};

class WininetDown {
public:
    WininetDown() = default;
    virtual ~WininetDown();
    WininetDown(const WininetDown&) = delete;
    WininetDown& operator=(const WininetDown&) = delete;

    // Request properties (see the README for their roles and defaults).
    const std::string& Method() const { return Method_; }
    void SetMethod(std::string oValue) { Method_ = std::move(oValue); }
    const std::string& URL() const { return URL_; }
    void SetURL(std::string oValue) { URL_ = std::move(oValue); }
    const std::string& Referer() const { return Referer_; }
    void SetReferer(std::string oValue) { Referer_ = std::move(oValue); }
    const std::string& UserAgent() const { return UserAgent_; }
    void SetUserAgent(std::string oValue) { UserAgent_ = std::move(oValue); }
    const std::string& Cookie() const { return Cookie_; }
    void SetCookie(std::string oValue) { Cookie_ = std::move(oValue); }
    const std::string& Charset() const { return Charset_; }
    void SetCharset(std::string oValue) { Charset_ = std::move(oValue); }
    int32_t Pakesize() const { return Pakesize_; }
    void SetPakesize(int32_t oValue) { Pakesize_ = oValue; }
    bool ReDown() const { return ReDown_; }
    void SetReDown(bool oValue) { ReDown_ = oValue; }
    const std::string& Filename() const { return Filename_; }
    void SetFilename(std::string oValue) { Filename_ = std::move(oValue); }
    const std::string& PostData() const { return PostData_; }
    void SetPostData(std::string oValue) { PostData_ = std::move(oValue); }
    bool IsUpload() const { return IsUpload_; }
    void SetIsUpload(bool oValue) { IsUpload_ = oValue; }
    const std::string& SplitCode() const { return SplitCode_; }
    void SetSplitCode(std::string oValue) { SplitCode_ = std::move(oValue); }
    static std::string_view Version() { return "Corvin WininetDown 1.0.0"; }

    // Events, raised synchronously on the thread that called the method.
    Event<double, double, double> Progress;  // reported size (0 if unknown), bytes so far, bytes per second
    Event<bool> DownloadEnd;                 // once per transfer loop: true on completion
    Event<int32_t> Status;                   // DownStatus
    Event<int32_t> Error;                    // DownError

    // Opens session, connection and request, sends the request and stores the
    // response headers. True when the request went out. Raises no DownloadEnd.
    bool Download();
    // Ends the transfer: closes the handles and drops the cached copy of URL.
    void bStop();
    // The whole body decoded from Charset, an error page's too (StatusCode
    // tells); empty text on any failure or stop.
    std::string DownLoadToText();
    // Writes the body to Filename (folders are made as needed). The body goes
    // to a file beside the target, which replaces the target only when the
    // whole body has arrived; an unfinished transfer leaves the target as it was.
    bool DownloadToFile();

    // While a transfer runs: a value of one of the five headers Content-Length,
    // Content-Type, Date, Last-Modified, Server (any letter case), or all raw
    // headers (each line ending in NUL) for an empty name; "0" otherwise.
    std::string GetHeader(std::string_view hdrName);
    // Content-Length while a transfer runs; 0 when unknown, 1 when unreadable.
    int64_t FileSize();
    // The cookies WinINet holds for URL, padded with blanks to 256 characters
    // when shorter; empty text when there are none.
    std::string GetCookie(std::string_view CookName);

    // The address as the last transfer parsed it.
    const UrlParts& Address() const { return address_; }
    bool Running() const { return bRunning_; }
    // The HTTP status of the last response (200, 404, ...); 0 before the
    // first one and after a transfer whose request could not be sent.
    int32_t StatusCode() const { return statusCode_; }
    // The system error code captured at the last failing call (0 if none).
    unsigned long LastSystemError() const { return lastError_; }

protected:
    // Opens the WinINet session; a derived class may supply its own (for
    // instance with a named proxy). Returns null on failure with the reason
    // in GetLastError().
    virtual HINTERNET OpenSession(const std::wstring& agent);

private:
    // Set while the object exists. A method copies it before anything that
    // may run a handler or a window procedure, and reads only the copy after.
    using Lifeline = std::shared_ptr<const bool>;

    // How sending the request ended. Failed: an error is raised and the
    // transfer loops raise nothing more; NotSent: an error is raised and the
    // loops end with DownloadEnd(false); Stopped: a Status handler called
    // bStop() before the request went out, nothing raised yet; Gone: a
    // handler destroyed the object.
    enum class Sent { Yes, Failed, NotSent, Stopped, Gone };
    enum class Outcome { Complete, Stopped, ReadFailed, WriteFailed, Gone };
    template <class Sink>
    Outcome ReadBody(Sink&& sink);
    Sent DownloadOnce();
    bool BeginTransfer();   // Download plus the checks both transfer methods share
    // Raises an event; false when a handler destroyed this object, and the
    // caller then returns at once without touching a member.
    template <class... Args, class... Values>
    bool Notify(const Event<Args...>& event, Values... values) {
        const Lifeline alive = alive_;
        event.Raise(values...);
        return *alive;
    }
    Sent FailedWith(int32_t code, Sent how) { return Notify(Error, code) ? how : Sent::Gone; }
    // Ends a transfer loop that did not complete: closes the handles, raises
    // Error(code) and DownloadEnd(false). Always false.
    bool EndFailed(int32_t code);
    std::string CacheUrl() const;

    std::string Method_ = "GET";
    std::string URL_;
    std::string Referer_ = "http://down.tovi.com";
    std::string UserAgent_ = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";
    std::string Cookie_;
    std::string Charset_ = "gb2312";
    int32_t Pakesize_ = 1024;
    bool ReDown_ = true;
    std::string Filename_;
    std::string PostData_;
    bool IsUpload_ = false;
    std::string SplitCode_;

    UrlParts address_;             // host, port, path and scheme taken from URL
    bool bRunning_ = false;        // from the start of Download until bStop
    bool busy_ = false;            // a transfer method is on the stack
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);   // cleared by the destructor
    std::string sRawHeaders_;      // response headers, each line ending in NUL
    bool bHeadersOK_ = false;      // whether the last header query succeeded
    int64_t dbFileSize_ = 0;       // size the server reported for this transfer
    int64_t dbFinished_ = 0;       // bytes received in this transfer
    double dbSpeedNow_ = 0;        // average bytes per second since the first read; kept between transfers
    unsigned long lastError_ = 0;
    int32_t statusCode_ = 0;       // HTTP status of the last response

    // Declared in open order, so they close in reverse: request, connection, session.
    using InternetHandle = base::win::Owned<HINTERNET, InternetCloseHandle>;
    InternetHandle hOpen_;
    InternetHandle hConnect_;
    InternetHandle hRequest_;
};

// Normalises `path` in place ("/" to "\", "\\" to "\", NULs removed) and
// makes every missing folder on it. A path holding a "." names a file, one
// without names a folder. False only when the path has no drive part;
// folders that cannot be made are left to fail when the file is opened.
bool EnsureFolder(std::string& path);

// Decodes bytes in a character set named as a text stream accepts it
// ("gb2312", "utf-8", "big5", ...) into UTF-8.
base::Result<std::string> BytesToText(std::string_view bytes, std::string_view charset);

}  // namespace net
