// The transfer class against a real HTTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "base/text.h"
#include "net/charset.h"
#include "net/wininet_down.h"
#include "tests/net/http_server_win.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using net::DownError;
using net::DownStatus;
using net::WininetDown;

// Every event in the order it came, as "S1", "P", "E4", "End1".
struct EventLog {
    explicit EventLog(WininetDown& down) {
        down.Status.Subscribe([this](int32_t s) { events.push_back("S" + std::to_string(s)); });
        down.Error.Subscribe([this](int32_t e) { events.push_back("E" + std::to_string(e)); });
        down.DownloadEnd.Subscribe([this](bool ok) { events.push_back(ok ? "End1" : "End0"); });
        down.Progress.Subscribe([this](double size, double done, double) {
            events.push_back("P");
            sizes.push_back(size);
            done_.push_back(done);
        });
    }
    // The events with runs of "S5","P" folded into one "chunks".
    std::vector<std::string> Folded() const {
        std::vector<std::string> out;
        for (const std::string& e : events) {
            if (e == "S5" || e == "P") {
                if (out.empty() || out.back() != "chunks") out.push_back("chunks");
            } else {
                out.push_back(e);
            }
        }
        return out;
    }
    size_t Count(const std::string& name) const { return size_t(std::count(events.begin(), events.end(), name)); }

    std::vector<std::string> events;
    std::vector<double> sizes;
    std::vector<double> done_;
};

using Events = std::vector<std::string>;

std::string Utf8(const fs::path& p) {
    const std::wstring wide = p.wstring();
    return base::Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// A fresh folder under the temporary folder, removed afterwards.
struct TempFolder {
    TempFolder() {
        static int counter = 0;
        path = fs::temp_directory_path() / ("tovi-net-" + std::to_string(GetCurrentProcessId()) + "-" +
                                            std::to_string(++counter));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(path, ignored))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

void WriteFile(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t EntriesIn(const fs::path& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::string Body(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + (i * 7 + i / 13) % 26);
    return body;
}

TEST(Transfer, NewObjectStartsWithItsDefaults) {
    WininetDown down;
    EXPECT_EQ(down.Method(), "GET");
    EXPECT_EQ(down.Charset(), "gb2312");
    EXPECT_EQ(down.Pakesize(), 1024);
    EXPECT_TRUE(down.ReDown());
    EXPECT_FALSE(down.IsUpload());
    EXPECT_EQ(down.Referer().rfind("http://", 0), 0u);
    EXPECT_EQ(down.UserAgent(), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)");
    EXPECT_EQ(WininetDown::Version(), "Corvin WininetDown 1.0.0");
}

TEST(Transfer, GetsTextWithAndWithoutContentLengthThroughTheFullStatusSequence) {
    nettest::HttpServer server;
    // The system hands out loopback ports above 32767, which the port type must carry.
    EXPECT_GT(server.port(), 32767);
    server.ServeBody("hello, world");
    server.ServeBody("no length here", false);

    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/a/b?c=1"));
    down.SetPakesize(4);
    EXPECT_EQ(down.DownLoadToText(), "hello, world");
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "S6", "End1"}));
    EXPECT_EQ(log.Count("P"), 3u);
    EXPECT_EQ(log.sizes.front(), 12.0);
    EXPECT_EQ(log.done_.back(), 12.0);
    EXPECT_EQ(down.Address().path, "/a/b?c=1");
    EXPECT_EQ(server.Requests().at(0).rfind("GET /a/b?c=1 HTTP/1.0\r\n", 0), 0u);

    EventLog second(down);
    EXPECT_EQ(down.DownLoadToText(), "no length here");
    EXPECT_EQ(second.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "S6", "End1"}));
    EXPECT_EQ(second.sizes.front(), 0.0);
    EXPECT_FALSE(down.Running());
}

TEST(Transfer, WritesABodyOfManyChunksAndReleasesEveryHandle) {
    nettest::HttpServer server;
    TempFolder folder;
    const std::string body = Body(300 * 1024 + 17);
    server.ServeBody(body);
    const long handlesBefore = base::win::LiveHandleCount();
    {
        WininetDown down;
        EventLog log(down);
        down.SetURL(server.Url("/big.bin"));
        down.SetFilename(Utf8(folder.path / "big.bin"));
        EXPECT_TRUE(down.DownloadToFile());
        EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "S6", "End1"}));
        EXPECT_GE(log.Count("P"), 300u);
        EXPECT_EQ(log.done_.back(), double(body.size()));
    }
    EXPECT_EQ(base::win::LiveHandleCount(), handlesBefore);
    EXPECT_EQ(ReadFile(folder.path / "big.bin"), body);
    EXPECT_EQ(EntriesIn(folder.path), 1u);   // nothing left beside it
}

TEST(Transfer, ReadsTheWholeBodyWhenPakesizeIsNotPositive) {
    nettest::HttpServer server;
    server.ServeBody(Body(3000));
    server.ServeBody(Body(10));
    WininetDown down;
    down.SetURL(server.Url("/"));
    down.SetPakesize(0);
    EXPECT_EQ(down.DownLoadToText(), Body(3000));
    down.SetPakesize(-5);
    EXPECT_EQ(down.DownLoadToText(), Body(10));
}

TEST(Transfer, PostsFormsInAnyLetterCaseAndSendsPostDataWithGet) {
    nettest::HttpServer server;
    server.ServeBody("ok");
    server.ServeBody("ok");
    WininetDown down;
    down.SetURL(server.Url("/form"));
    down.SetMethod("pOsT");
    down.SetPostData("a=1&b=%E4");
    EXPECT_EQ(down.DownLoadToText(), "ok");
    down.SetMethod("GET");
    down.SetPostData("q=2");
    EXPECT_EQ(down.DownLoadToText(), "ok");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::string post = base::AsciiLower(requests[0]);
    EXPECT_EQ(post.rfind("post /form ", 0), 0u) << requests[0];
    EXPECT_NE(post.find("\r\ncontent-type: application/x-www-form-urlencoded\r\n"), std::string::npos) << requests[0];
    EXPECT_EQ(requests[0].substr(requests[0].size() - 9), "a=1&b=%E4");
    EXPECT_EQ(requests[1].rfind("GET /form ", 0), 0u);
    EXPECT_EQ(base::AsciiLower(requests[1]).find("content-type: application/x-www-form"), std::string::npos);
    EXPECT_EQ(requests[1].substr(requests[1].size() - 3), "q=2");
}

TEST(Transfer, SendsTheRefererOnlyWhenOneIsSet) {
    nettest::HttpServer server;
    server.ServeBody("1");
    server.ServeBody("2");
    WininetDown down;
    down.SetURL(server.Url("/"));
    const std::string referer = down.Referer();
    EXPECT_EQ(down.DownLoadToText(), "1");
    down.SetReferer("");
    EXPECT_EQ(down.DownLoadToText(), "2");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("\r\nReferer: " + referer + "\r\n"), std::string::npos) << requests[0];
    EXPECT_EQ(base::AsciiLower(requests[1]).find("referer:"), std::string::npos) << requests[1];
}

TEST(Transfer, SendsTheCookieAndReadsItBackPadded) {
    nettest::HttpServer server;
    server.ServeBody("ok");
    WininetDown down;
    down.SetURL(server.Url("/c"));
    down.SetCookie("a=b");
    EXPECT_EQ(down.DownLoadToText(), "ok");
    EXPECT_NE(server.Requests().at(0).find("\r\nCookie: a=b\r\n"), std::string::npos) << server.Requests().at(0);
    EXPECT_EQ(down.GetCookie(""), "a=b" + std::string(253, ' '));

    // A cookie too long for the 256-character field comes back whole.
    WininetDown other;
    other.SetURL(server.Url("/long"));
    const std::string value(400, 'v');
    server.ServeBody("ok", true, "Set-Cookie: big=" + value + "; path=/\r\n");
    EXPECT_EQ(other.DownLoadToText(), "ok");
    EXPECT_NE(other.GetCookie("").find("big=" + value), std::string::npos);
}

TEST(Transfer, StopFromAProgressHandlerDiscardsTheTextAndLeavesTheTargetAlone) {
    nettest::HttpServer server;
    TempFolder folder;
    server.ServeBody(Body(20000));
    server.ServeBody(Body(20000));
    WininetDown down;
    down.SetURL(server.Url("/"));
    down.Progress.Subscribe([&down](double, double done, double) {
        if (done >= 2048) down.bStop();
    });
    EventLog log(down);
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "E4", "End0"}));
    EXPECT_EQ(log.Count("P"), 2u);

    const fs::path target = folder.path / "keep.txt";
    WriteFile(target, "the old contents");
    EventLog fileLog(down);
    down.SetFilename(Utf8(target));
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(fileLog.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "E4", "End0"}));
    EXPECT_EQ(ReadFile(target), "the old contents");
    EXPECT_EQ(EntriesIn(folder.path), 1u);
}

WininetDown* gStopTarget = nullptr;
int gSinkMessages = 0;

// Window code that stops the transfer when it is told to.
LRESULT CALLBACK StoppingSinkProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) {
        ++gSinkMessages;
        gStopTarget->bStop();
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

TEST(Transfer, WindowMessagesRunBetweenChunksAndMayStopTheTransfer) {
    nettest::HttpServer server;
    server.ServeBody(Body(8192));
    WininetDown down;
    gStopTarget = &down;
    gSinkMessages = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = StoppingSinkProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToviNetTestSink";
    RegisterClassW(&wc);
    base::win::OwnedWindow sink(CreateWindowW(L"ToviNetTestSink", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              wc.hInstance, nullptr));
    ASSERT_TRUE(sink);
    down.SetURL(server.Url("/"));
    bool posted = false;
    down.Progress.Subscribe([&](double, double, double) {
        if (!posted) PostMessageW(sink.get(), WM_APP, 0, 0);
        posted = true;
    });
    EventLog log(down);
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(gSinkMessages, 1);
    EXPECT_EQ(log.Count("P"), 1u);
    EXPECT_EQ(log.events.back(), "End0");
    EXPECT_EQ(log.events[log.events.size() - 2], "E4");
}

TEST(Transfer, AStopBeforeTheRequestGoesOutIsReportedAsAStop) {
    nettest::HttpServer server;
    TempFolder folder;
    const fs::path target = folder.path / "keep.bin";
    WriteFile(target, "kept");
    WininetDown down;
    down.SetURL(server.Url("/"));
    down.SetFilename(Utf8(target));
    down.Status.Subscribe([&down](int32_t s) {
        if (s == DownStatus::Sending) down.bStop();
    });
    EventLog log(down);
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_FALSE(down.Download());
    EXPECT_EQ(log.events, (Events{"S1", "S2", "S3", "S4", "E4", "End0",   // text
                                  "S1", "S2", "S3", "S4", "E4", "End0",   // file
                                  "S1", "S2", "S3", "S4", "E4"}));        // request only
    EXPECT_EQ(ReadFile(target), "kept");
    EXPECT_TRUE(server.Requests().empty());
}

// A transfer object in storage the test owns. Destroy() ends the object and
// fills its bytes with a marker, so any later write to it shows, and a later
// read of a handle or a list in it fails loudly.
class Doomed {
public:
    Doomed() : down_(new (storage_) WininetDown) {}
    ~Doomed() {
        if (!destroyed_) down_->~WininetDown();
    }
    Doomed(const Doomed&) = delete;
    Doomed& operator=(const Doomed&) = delete;
    WininetDown& operator*() const { return *down_; }
    void Destroy() {
        down_->~WininetDown();
        std::memset(storage_, 0xDD, sizeof storage_);
        destroyed_ = true;
    }
    bool Destroyed() const { return destroyed_; }
    bool UntouchedSinceDestroyed() const {
        return destroyed_ && std::all_of(std::begin(storage_), std::end(storage_), [](unsigned char b) { return b == 0xDD; });
    }

private:
    alignas(WininetDown) unsigned char storage_[sizeof(WininetDown)];
    WininetDown* down_;
    bool destroyed_ = false;
};

Doomed* gDoomed = nullptr;

// Window code that destroys the transfer object when it is told to.
LRESULT CALLBACK DestroyingSinkProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_APP) {
        gDoomed->Destroy();
        return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
}

TEST(Transfer, NothingTouchesAnObjectDestroyedDuringItsTransfer) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DestroyingSinkProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToviNetTestDestroyer";
    RegisterClassW(&wc);
    base::win::OwnedWindow sink(CreateWindowW(L"ToviNetTestDestroyer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                              wc.hInstance, nullptr));
    ASSERT_TRUE(sink);

    enum class By { SendingHandler, ProgressHandler, WindowCode };
    for (const By by : {By::SendingHandler, By::ProgressHandler, By::WindowCode}) {
        for (const bool toFile : {false, true}) {
            SCOPED_TRACE(testing::Message() << "by " << int(by) << (toFile ? ", to a file" : ", to text"));
            nettest::HttpServer server;
            server.ServeBody(Body(20000));
            TempFolder folder;
            const fs::path target = folder.path / "keep.bin";
            WriteFile(target, "kept");
            Doomed doomed;
            gDoomed = &doomed;
            WininetDown& down = *doomed;
            down.SetURL(server.Url("/"));
            down.SetFilename(Utf8(target));
            down.Status.Subscribe([&](int32_t s) {
                if (by == By::SendingHandler && s == DownStatus::Sending) doomed.Destroy();
            });
            down.Progress.Subscribe([&](double, double, double) {
                if (by == By::ProgressHandler) doomed.Destroy();
                if (by == By::WindowCode && !doomed.Destroyed()) PostMessageW(sink.get(), WM_APP, 0, 0);
            });
            EventLog log(down);   // subscribed after the handlers that destroy
            const bool ok = toFile ? down.DownloadToFile() : !down.DownLoadToText().empty();
            EXPECT_FALSE(ok);
            EXPECT_TRUE(doomed.UntouchedSinceDestroyed());
            // No handler runs for an object that is gone, not even the rest of the one event.
            const Events expected = by == By::SendingHandler    ? Events{"S1", "S2", "S3"}
                                    : by == By::ProgressHandler ? Events{"S1", "S2", "S3", "S4", "S5"}
                                                                : Events{"S1", "S2", "S3", "S4", "S5", "P"};
            EXPECT_EQ(log.events, expected);
            EXPECT_EQ(ReadFile(target), "kept");
            EXPECT_EQ(EntriesIn(folder.path), 1u);   // no part-file left beside it
        }
    }
}

TEST(Transfer, AQuitMessageEndsTheTransferAndStaysQueuedForTheMessageLoop) {
    nettest::HttpServer server;
    server.ServeBody(Body(20000));
    WininetDown down;
    down.SetURL(server.Url("/"));
    bool posted = false;
    down.Progress.Subscribe([&](double, double, double) {
        if (!posted) PostQuitMessage(7);
        posted = true;
    });
    EventLog log(down);
    EXPECT_TRUE(down.DownLoadToText().empty());
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "E4", "End0"}));
    EXPECT_EQ(log.Count("P"), 1u);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST(Transfer, KeepsATargetOfTheReportedSizeWhenReDownIsOff) {
    nettest::HttpServer server;
    TempFolder folder;
    const fs::path target = folder.path / "same.bin";
    WriteFile(target, "0123456789");
    server.ServeBody("abcdefghij");
    server.ServeBody("abcdefghij");
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/same.bin"));
    down.SetFilename(Utf8(target));
    down.SetReDown(false);
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "E5", "End0"}));
    EXPECT_EQ(ReadFile(target), "0123456789");

    down.SetReDown(true);
    EXPECT_TRUE(down.DownloadToFile());
    EXPECT_EQ(ReadFile(target), "abcdefghij");
}

TEST(Transfer, RefusesAFilenameWithoutDriveBeforeTouchingAnything) {
    nettest::HttpServer server;
    TempFolder folder;
    server.ServeBody("abc");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path);
    WriteFile(folder.path / "x.zip", "abc");   // same size as the body
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/x.zip"));
    down.SetFilename("dl\\..\\x.zip");
    const bool ok = down.DownloadToFile();
    fs::current_path(previous);
    EXPECT_FALSE(ok);
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "E6", "End0"}));
    EXPECT_EQ(ReadFile(folder.path / "x.zip"), "abc");
    EXPECT_EQ(EntriesIn(folder.path), 1u);
}

TEST(Transfer, MakesMissingFoldersAndNormalisesTheFilename) {
    nettest::HttpServer server;
    TempFolder folder;
    server.ServeBody("zip bytes");
    WininetDown down;
    down.SetURL(server.Url("/x.zip"));
    std::string name = Utf8(folder.path) + "/dl//sub/x.zip";
    down.SetFilename(name);
    EXPECT_TRUE(down.DownloadToFile());
    EXPECT_EQ(down.Filename(), Utf8(folder.path) + "\\dl\\sub\\x.zip");
    EXPECT_EQ(ReadFile(folder.path / "dl" / "sub" / "x.zip"), "zip bytes");

    std::string noDrive = "dl/x.zip";
    EXPECT_FALSE(net::EnsureFolder(noDrive));
    EXPECT_EQ(noDrive, "dl\\x.zip");
}

TEST(Transfer, ReportsAFilenameThatNamesAFolder) {
    nettest::HttpServer server;
    TempFolder folder;
    server.ServeBody("data");
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/data"));
    down.SetFilename(Utf8(folder.path / "dl" / "data"));   // no "." anywhere after the temp folder
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(log.events.back(), "End0");
    EXPECT_EQ(log.events[log.events.size() - 2], "E" + std::to_string(DownError::CannotOpenTarget));
    EXPECT_TRUE(fs::is_directory(folder.path / "dl" / "data"));
    EXPECT_TRUE(fs::is_empty(folder.path / "dl" / "data"));
}

TEST(Transfer, LeavesATargetThatCannotBeReplacedAsItWas) {
    nettest::HttpServer server;
    TempFolder folder;
    server.ServeBody("new contents");
    server.ServeBody("new contents");
    const fs::path readOnly = folder.path / "read-only.txt";
    WriteFile(readOnly, "read-only contents");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/t.txt"));
    down.SetFilename(Utf8(readOnly));
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "E7", "End0"}));
    EXPECT_EQ(ReadFile(readOnly), "read-only contents");

    // Someone holds the target open without letting it be replaced: the
    // body arrives, but putting it in place fails and is reported.
    const fs::path held = folder.path / "held.txt";
    WriteFile(held, "held contents");
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EventLog heldLog(down);
    down.SetFilename(Utf8(held));
    const bool ok = down.DownloadToFile();
    CloseHandle(holder);
    EXPECT_FALSE(ok);
    EXPECT_EQ(heldLog.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "E11", "End0"}));
    EXPECT_EQ(ReadFile(held), "held contents");
    EXPECT_EQ(EntriesIn(folder.path), 2u);
}

class FailingSession : public WininetDown {
protected:
    HINTERNET OpenSession(const std::wstring&) override {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
};

TEST(Transfer, ReportsEachPointWhereDownloadFails) {
    nettest::HttpServer server;
    {
        FailingSession down;
        EventLog log(down);
        down.SetURL(server.Url("/"));
        EXPECT_EQ(down.DownLoadToText(), "");
        EXPECT_EQ(log.events, (Events{"S1", "E1"}));
        EXPECT_EQ(down.LastSystemError(), unsigned(ERROR_NOT_ENOUGH_MEMORY));
    }
    {
        WininetDown down;   // no URL yet: no host to connect to
        EventLog log(down);
        EXPECT_FALSE(down.Download());
        EXPECT_EQ(log.events, (Events{"S1", "S2", "E2"}));
        down.bStop();
    }
    {
        // The session is gone by the time the request is to be opened.
        WininetDown down;
        EventLog log(down);
        down.SetURL(server.Url("/"));
        down.Status.Subscribe([&down](int32_t s) {
            if (s == DownStatus::OpeningRequest) down.bStop();
        });
        EXPECT_EQ(down.DownLoadToText(), "");
        EXPECT_EQ(log.events, (Events{"S1", "S2", "S3", "E3"}));
    }
    {
        WininetDown down;
        EventLog log(down);
        down.SetURL("http://127.0.0.1:70000/");
        EXPECT_FALSE(down.Download());
        EXPECT_EQ(log.events, (Events{"E8"}));
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST(Transfer, ARequestThatCannotBeSentEndsInFailure) {
    const uint16_t closed = nettest::ClosedPort();
    WininetDown down;
    EventLog log(down);
    down.SetURL("http://127.0.0.1:" + std::to_string(closed) + "/");
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(log.events, (Events{"S1", "S2", "S3", "S4", "E9", "End0"}));
    EXPECT_NE(down.LastSystemError(), 0u);

    TempFolder folder;
    const fs::path target = folder.path / "t.bin";
    WriteFile(target, "kept");
    EventLog fileLog(down);
    down.SetFilename(Utf8(target));
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(fileLog.events, (Events{"S1", "S2", "S3", "S4", "E9", "End0"}));
    EXPECT_EQ(ReadFile(target), "kept");
}

TEST(Transfer, ASecureAddressGoesToPort443WithTls) {
    WininetDown down;
    EventLog log(down);
    down.SetURL("HTTPS://127.0.0.1/secure?x=1");
    EXPECT_EQ(down.DownLoadToText(), "");   // nothing listens on 443 here
    EXPECT_EQ(down.Address().host, "127.0.0.1");
    EXPECT_EQ(down.Address().port, 443);
    EXPECT_EQ(down.Address().path, "/secure?x=1");
    EXPECT_TRUE(down.Address().secure);
    EXPECT_EQ(log.events, (Events{"S1", "S2", "S3", "S4", "E9", "End0"}));

    // A plain server does not pass for a secure one.
    nettest::HttpServer server;
    server.ServeBody("plain");
    down.SetURL("https://127.0.0.1:" + std::to_string(server.port()) + "/");
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(log.events.back(), "End0");
}

TEST(Transfer, ReadsLongHeadersAndHeaderNamesInAnyCase) {
    nettest::HttpServer server;
    const std::string filler(1500, 'f');
    server.Serve("HTTP/1.0 200 OK\r\nX-Filler: " + filler + "\r\ncontent-length: 6\r\nSERVER: far\r\n\r\nbody!!");
    WininetDown down;
    down.SetURL(server.Url("/"));
    std::string serverName, length, all;
    int64_t size = -1;
    down.Progress.Subscribe([&](double, double, double) {
        serverName = down.GetHeader("server");
        length = down.GetHeader("Content-Length");
        all = down.GetHeader("");
        size = down.FileSize();
    });
    EventLog log(down);
    EXPECT_EQ(down.DownLoadToText(), "body!!");
    EXPECT_EQ(serverName, "far");
    EXPECT_EQ(length, "6");
    EXPECT_EQ(size, 6);
    EXPECT_NE(all.find(filler), std::string::npos);
    EXPECT_EQ(log.sizes.front(), 6.0);
    // After the transfer the headers are gone.
    EXPECT_EQ(down.GetHeader("Server"), "0");
    EXPECT_EQ(down.FileSize(), 0);
}

TEST(Transfer, ReportsABodyThatEndsBeforeItsSize) {
    nettest::HttpServer server;
    TempFolder folder;
    server.Serve("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(1000));
    server.Serve("HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + Body(1000));
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/"));
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "chunks", "E10", "End0"}));

    const fs::path target = folder.path / "short.bin";
    WriteFile(target, "previous");
    down.SetFilename(Utf8(target));
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(ReadFile(target), "previous");
}

TEST(Transfer, AnErrorPageNeverReplacesTheTargetButIsReturnedAsText) {
    nettest::HttpServer server;
    TempFolder folder;
    const std::string notFound = "<html>no such file</html>";
    server.Serve("HTTP/1.0 404 Not Found\r\nContent-Length: 25\r\n\r\n" + notFound);
    server.Serve("HTTP/1.0 500 Internal Server Error\r\nContent-Length: 15\r\n\r\nserver broke!!!");
    server.Serve("HTTP/1.0 404 Not Found\r\nContent-Length: 25\r\n\r\n" + notFound);
    server.ServeBody("fresh");
    const fs::path target = folder.path / "wd.dat";
    const std::string good = "good bank\0bytes"s;
    WriteFile(target, good);

    WininetDown down;
    down.SetURL(server.Url("/wd.dat"));
    down.SetFilename(Utf8(target));
    EventLog log(down);
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(log.Folded(), (Events{"S1", "S2", "S3", "S4", "E14", "End0"}));
    EXPECT_EQ(down.StatusCode(), 404);
    // A 500 page of the target's own size is no reason to keep it either way.
    down.SetReDown(false);
    EventLog second(down);
    EXPECT_FALSE(down.DownloadToFile());
    EXPECT_EQ(second.Folded(), (Events{"S1", "S2", "S3", "S4", "E14", "End0"}));
    EXPECT_EQ(down.StatusCode(), 500);
    EXPECT_EQ(ReadFile(target), good);
    EXPECT_EQ(EntriesIn(folder.path), 1u);

    EventLog text(down);
    EXPECT_EQ(down.DownLoadToText(), notFound);
    EXPECT_EQ(text.events.back(), "End1");
    EXPECT_EQ(down.StatusCode(), 404);
    EXPECT_EQ(down.DownLoadToText(), "fresh");
    EXPECT_EQ(down.StatusCode(), 200);
}

TEST(Transfer, DecodesCharactersSplitAcrossChunks) {
    nettest::HttpServer server;
    const std::string gb2312 = "\xD6\xD0\xCE\xC4 abc \xB0\xA1\xB0\xA2";   // 中文 abc 啊阿
    const std::string expected = "\xE4\xB8\xAD\xE6\x96\x87 abc \xE5\x95\x8A\xE9\x98\xBF";
    const std::string utf8 = "x\xE4\xB8\xAD\xF0\x9F\x98\x80y";
    WininetDown down;
    down.SetURL(server.Url("/"));
    for (int32_t chunk : {1, 2, 3, 5}) {
        server.ServeBody("x" + gb2312);   // the leading byte shifts every character off the chunk grid
        down.SetCharset("gb2312");
        down.SetPakesize(chunk);
        EXPECT_EQ(down.DownLoadToText(), "x" + expected) << chunk;
        server.ServeBody(utf8);
        down.SetCharset("UTF-8");
        EXPECT_EQ(down.DownLoadToText(), utf8) << chunk;
    }
    server.ServeBody("\xA4\xA4\xA4\x40");   // 中一 in Big5: the second has an ASCII-range trail byte
    down.SetCharset("big5");
    down.SetPakesize(3);
    EXPECT_EQ(down.DownLoadToText(), "\xE4\xB8\xAD\xE4\xB8\x80");

    auto decoded = net::BytesToText("\xD6\xD0", "gb2312");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, "\xE4\xB8\xAD");
    EXPECT_FALSE(net::BytesToText("x", "no-such-set"));
}

TEST(Transfer, RefusesAnUnknownCharsetAndASecondTransferFromAHandler) {
    nettest::HttpServer server;
    WininetDown down;
    EventLog log(down);
    down.SetURL(server.Url("/"));
    down.SetCharset("no-such-set");
    EXPECT_EQ(down.DownLoadToText(), "");
    EXPECT_EQ(log.events, (Events{"E12"}));
    // So is a known one whose code page this system lacks (Wine has neither
    // of these): nothing would decode, so nothing is asked for.
    EventLog missingLog(down);
    Events refusals;
    for (const char* missing : {"gb18030", "euc-jp"}) {
        if (IsValidCodePage(*net::CodePageForCharset(missing))) continue;
        down.SetCharset(missing);
        EXPECT_EQ(down.DownLoadToText(), "") << missing;
        refusals.push_back("E12");
    }
    EXPECT_EQ(missingLog.events, refusals);
    EXPECT_TRUE(server.Requests().empty());

    server.ServeBody(Body(3000));
    down.SetCharset("utf-8");
    std::string nested = "untouched";
    bool nestedFile = true;
    down.Progress.Subscribe([&](double, double, double) {
        if (nested == "untouched") {
            nested = down.DownLoadToText();
            nestedFile = down.DownloadToFile();
        }
    });
    EXPECT_EQ(down.DownLoadToText(), Body(3000));
    EXPECT_EQ(nested, "");
    EXPECT_FALSE(nestedFile);
    EXPECT_EQ(log.Count("E13"), 2u);
    EXPECT_EQ(log.events.back(), "End1");
}

}  // namespace
