// The real program updating its bank from this test's own HTTP server on
// 127.0.0.1: the menus' command is sent to its window, the box it ends with is
// read, and the search is checked by typing into the box. The program runs
// from a folder of its own with its own APPDATA, LOCALAPPDATA and TMP.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/sha256.h"
#include "base/win/wide.h"
#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "shell/sysmenu_win.h"
#include "tests/net/http_server_win.h"

namespace {

namespace fs = std::filesystem;
using base::win::Narrow;
using base::win::Widen;

constexpr wchar_t kProgressClass[] = L"ToviBankProgress";
const std::wstring kOldKeyword = L"旧题";        // two questions in every bank here
const std::wstring kNewKeyword = L"新题独有";    // one question, only in the new bank

std::string Bank(bool withNew, size_t padding = 0, std::string_view password = questionbank::kBankPassword) {
    jet::NewTable t;
    t.name = "wd";
    for (const char* c : {"Question", "Answer", "PinYin"}) t.columns.push_back({c, jet::ColumnType::Text, 510});
    t.rows.push_back({"旧题：中国的首都是哪座城市？", "北京", "jtzgdsd"});
    t.rows.push_back({"旧题：中国最长的河流", "长江", "jtzgzcdhl"});
    if (withNew) t.rows.push_back({"新题独有：月亮绕地球一圈要多久？", "约27天", "xtdy"});
    for (size_t i = 0; i < padding; ++i) {
        t.rows.push_back({"填充问题第" + std::to_string(i) + "号，用来让题库变大一些", "答案", "tc"});
    }
    auto bytes = jet::WriteDatabase(t, password);
    EXPECT_TRUE(bytes);
    questionbank::ScrambleBank(*bytes, questionbank::kBankKey);
    return std::string(bytes->begin(), bytes->end());
}

std::string Manifest(const std::string& bank, const std::string& url = "wd.dat") {
    return "format=1\nversion=20261207T170000Z\nsize=" + std::to_string(bank.size()) +
           "\nsha256=" + base::Sha256Hex(bank.data(), bank.size()) + "\nquestions=3\nurl=" + url + "\n";
}

std::string Response(const std::string& status, const std::string& body, bool withLength = true) {
    return "HTTP/1.0 " + status + "\r\nServer: tovi-test\r\nConnection: close\r\n" +
           (withLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : std::string()) + "\r\n" + body;
}
std::string Ok(const std::string& body) { return Response("200 OK", body); }

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
void WriteFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Every file and folder under `folder`, by path relative to it.
std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::recursive_directory_iterator(folder, ec)) {
        names.insert(Narrow(fs::relative(e.path(), folder).wstring()));
    }
    return names;
}

fs::path TestFolder() {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return fs::path(self).parent_path();
}

// Runs a Linux command from inside Wine (Wine starts ELF programs itself);
// false elsewhere.
bool RunUnix(const std::wstring& program, const std::wstring& arguments) {
    std::wstring command = program + L" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::wstring image = L"Z:" + program;
    if (!CreateProcessW(image.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::wstring UnixPath(const fs::path& p) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name");
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(found));
    if (!toUnix) return {};
    char* unix = toUnix(p.wstring().c_str());
    if (!unix) return {};
    std::wstring out = Widen(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

bool CanMakeFileIn(const fs::path& folder) {
    const fs::path probe = folder / "probe.tmp";
    const HANDLE h = CreateFileW(probe.wstring().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// The Linux program may still be running when its Windows handle says it
// ended, so the folder is watched until the change shows.
bool WaitUntilFolderTakesFiles(const fs::path& folder, bool takes) {
    for (int i = 0; i < 100; ++i) {
        if (CanMakeFileIn(folder) == takes) return true;
        Sleep(50);
    }
    return false;
}

// A folder in which nothing can be made, removed or renamed, for as long as it lives.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const fs::path& folder) : folder_(folder), unix_(UnixPath(folder)) {
        set_ = !unix_.empty() && RunUnix(L"/usr/bin/chattr", L"+i \"" + unix_ + L"\"") &&
               WaitUntilFolderTakesFiles(folder_, false);
    }
    ~ImmutableFolder() {
        if (unix_.empty()) return;
        RunUnix(L"/usr/bin/chattr", L"-i \"" + unix_ + L"\"");
        WaitUntilFolderTakesFiles(folder_, true);
        // A probe made just before the flag took hold could not be deleted
        // when it was closed.
        std::error_code ec;
        fs::remove(folder_ / "probe.tmp", ec);
    }
    bool set() const { return set_; }

private:
    fs::path folder_;
    std::wstring unix_;
    bool set_ = false;
};

struct FindWindowOf {
    DWORD pid;
    const wchar_t* className;
    HWND found = nullptr;
};
BOOL CALLBACK MatchWindow(HWND w, LPARAM param) {
    auto* find = reinterpret_cast<FindWindowOf*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t name[64]{};
    GetClassNameW(w, name, 64);
    if (pid == find->pid && IsWindowVisible(w) && std::wstring(name) == find->className) {
        find->found = w;
        return FALSE;
    }
    return TRUE;
}
HWND WaitForWindow(DWORD pid, const wchar_t* className, int ms = 20000) {
    for (int waited = 0; waited < ms; waited += 50) {
        FindWindowOf find{pid, className};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&find));
        if (find.found) return find.found;
        Sleep(50);
    }
    return nullptr;
}

// The control's own text, asked of it (GetWindowTextW would give another
// process's window's creation text, not what was typed).
std::wstring TextOf(HWND w) {
    wchar_t text[512]{};
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000, nullptr);
    return text;
}

HWND ChildOfClass(HWND parent, const wchar_t* className, const std::wstring& text = {}) {
    HWND child = nullptr;
    while ((child = FindWindowExW(parent, child, className, nullptr))) {
        if (text.empty() || TextOf(child) == text) return child;
    }
    return nullptr;
}

// The program in its own folder, with its own settings and per-user folders.
class Program {
public:
    Program(const fs::path& root, const std::string& updateUrl) : root_(root) {
        fs::create_directories(root / "appdata" / "ToviArdo");
        fs::create_directories(root / "localappdata");
        fs::create_directories(root / "tmp");
        WriteFile(root / "appdata" / "ToviArdo" / "ToviArdo.ini", "[ToviArdo]\r\nUpdateUrl=" + updateUrl + "\r\n");
    }
    ~Program() { Stop(); }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Start() {
        std::wstring env;
        for (const wchar_t* e = GetEnvironmentStringsW(); *e; e += wcslen(e) + 1) {
            std::wstring entry = e, name = entry.substr(0, entry.find(L'='));
            std::transform(name.begin(), name.end(), name.begin(), ::towupper);
            if (name == L"APPDATA" || name == L"LOCALAPPDATA" || name == L"TMP" || name == L"TEMP") continue;
            env += entry + L'\0';
        }
        env += L"APPDATA=" + (root_ / "appdata").wstring() + L'\0';
        env += L"LOCALAPPDATA=" + (root_ / "localappdata").wstring() + L'\0';
        env += L"TMP=" + (root_ / "tmp").wstring() + L'\0';
        env += L"TEMP=" + (root_ / "tmp").wstring() + L'\0';
        env += L'\0';
        const fs::path exe = root_ / "prog" / "ToviArdo.exe";
        std::wstring command = L"\"" + exe.wstring() + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                            (root_ / "prog").wstring().c_str(), &si, &pi_)) {
            return false;
        }
        main_ = WaitForWindow(pi_.dwProcessId, L"Form");
        edit_ = main_ ? ChildOfClass(main_, L"Edit") : nullptr;
        list_ = main_ ? ChildOfClass(main_, L"SysListView32") : nullptr;
        return edit_ && list_;
    }
    void Stop() {
        if (!pi_.hProcess) return;
        PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
        pi_ = {};
    }

    DWORD pid() const { return pi_.dwProcessId; }
    void CheckForUpdate() const { PostMessageW(main_, WM_SYSCOMMAND, shell::IDM_CHECKBANKUPDATE, 0); }

    // Waits for the box the update ends with, reads it and presses OK.
    std::wstring TakeBox() const {
        const HWND box = WaitForWindow(pi_.dwProcessId, L"#32770", 60000);
        if (!box) return L"(no box)";
        std::wstring text;
        HWND child = nullptr;
        while ((child = FindWindowExW(box, child, L"Static", nullptr))) {
            if (TextOf(child).size() > text.size()) text = TextOf(child);
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
        return text;
    }

    // Types the keyword into the search box and returns how many rows are listed.
    int Search(const std::wstring& keyword) const {
        SendMessageTimeoutW(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""), SMTO_BLOCK, 5000, nullptr);
        for (wchar_t c : keyword) PostMessageW(edit_, WM_CHAR, c, 1);
        // Each keystroke refills the list before the box shows the next one,
        // so once the box holds the whole keyword its rows are listed.
        for (int i = 0; i < 200; ++i) {
            if (TextOf(edit_) == keyword) {
                DWORD_PTR count = 0;
                SendMessageTimeoutW(list_, LVM_GETITEMCOUNT, 0, 0, SMTO_BLOCK, 5000, &count);
                return static_cast<int>(count);
            }
            Sleep(50);
        }
        return -1;
    }

private:
    fs::path root_;
    PROCESS_INFORMATION pi_{};
    HWND main_ = nullptr, edit_ = nullptr, list_ = nullptr;
};

class BankUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = TestFolder() / "update-test" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (const char* sub : {"prog", "localappdata"}) {   // left by an aborted run
            if (fs::exists(root_ / sub)) RunUnix(L"/usr/bin/chattr", L"-i \"" + UnixPath(root_ / sub) + L"\"");
        }
        fs::remove_all(root_);
        fs::create_directories(root_ / "prog");
        fs::copy_file(TestFolder() / ".." / ".." / "bin" / "ToviArdo.exe", root_ / "prog" / "ToviArdo.exe");
        oldBank_ = Bank(false);
        WriteFile(bankPath(), oldBank_);
    }
    fs::path bankPath() const { return root_ / "prog" / "wd.dat"; }
    std::string ManifestUrl() const { return server_.Url("/site/wd.manifest"); }

    nettest::HttpServer server_;
    fs::path root_;
    std::string oldBank_;
};

// Every way of failing names its reason, leaves wd.dat byte for byte as it was,
// makes no file anywhere and keeps the search going; one program runs them
// all, and then an update that succeeds and one that finds nothing new.
TEST_F(BankUpdate, FailuresKeepTheOldBankAndASuccessfulUpdateIsSearchedAtOnce) {
    const std::string newBank = Bank(true);
    std::string flipped = newBank;
    flipped[flipped.size() / 2] ^= 1;
    const std::string junk(8192, 'x');
    const std::string otherPassword = Bank(true, 0, "another password");
    std::string noDigest = Manifest(newBank);
    noDigest.erase(noDigest.find("sha256="), 72);

    struct Case {
        const char* name;
        std::vector<std::string> responses;   // manifest, then bank
        std::wstring expected;                // a piece of the box's text
        bool unwritable = false;              // program folder and per-user folder take no files
    };
    const Case cases[] = {
        {"manifest 404", {Response("404 Not Found", "<html>missing</html>")}, L"服务器返回 404"},
        {"manifest 500", {Response("500 Internal Server Error", "oops")}, L"服务器返回 500"},
        {"manifest malformed", {Ok(noDigest)}, L"缺少 sha256"},
        {"manifest is a web page", {Ok("<html><body>hello</body></html>")}, L"第 1 行"},
        {"bank 404", {Ok(Manifest(newBank)), Response("404 Not Found", "gone")}, L"新题库下载失败（服务器返回 404）"},
        {"bank 500", {Ok(Manifest(newBank)), Response("500 Internal Server Error", "x")}, L"服务器返回 500"},
        {"bank cut short, length announced",
         {Ok(Manifest(newBank)),
          "HTTP/1.0 200 OK\r\nConnection: close\r\nContent-Length: " + std::to_string(newBank.size()) + "\r\n\r\n" +
              newBank.substr(0, newBank.size() / 2)},
         L"没有下载完整"},
        {"bank cut short, no length",
         {Ok(Manifest(newBank)), Response("200 OK", newBank.substr(0, newBank.size() - 100), false)},
         L"没有下载完整"},
        {"bank too long", {Ok(Manifest(newBank)), Ok(newBank + std::string(5000, 'z'))}, L"比更新信息所说的大"},
        {"bank too long, no length",
         {Ok(Manifest(newBank)), Response("200 OK", newBank + std::string(20000, 'z'), false)}, L"比更新信息所说的大"},
        {"wrong digest", {Ok(Manifest(newBank)), Ok(flipped)}, L"SHA-256 不符"},
        {"not a bank", {Ok(Manifest(junk)), Ok(junk)}, L"不是题库"},
        {"other password", {Ok(Manifest(otherPassword)), Ok(otherPassword)}, L"密码不符"},
        {"nowhere to write", {Ok(Manifest(newBank))}, L"无法保存新题库", true},
    };

    Program program(root_, ManifestUrl());
    ASSERT_TRUE(program.Start());
    ASSERT_EQ(program.Search(kOldKeyword), 2);
    const std::set<std::string> files = Listing(root_);
    // The first search saved its index for the next start.
    EXPECT_EQ(files.count("localappdata\\ToviArdo\\wd.idx"), 1u);

    for (const Case& c : cases) {
        for (const std::string& r : c.responses) server_.Serve(r);
        std::unique_ptr<ImmutableFolder> lockedProgram, lockedPerUser;
        if (c.unwritable) {
            // The per-user folder cannot be made: a file holds its name (the
            // folder the search index is kept in is put aside meanwhile).
            fs::rename(root_ / "localappdata" / "ToviArdo", root_ / "localappdata" / "aside");
            WriteFile(root_ / "localappdata" / "ToviArdo", "not a folder");
            lockedProgram = std::make_unique<ImmutableFolder>(root_ / "prog");
            lockedPerUser = std::make_unique<ImmutableFolder>(root_ / "localappdata");
            if (!lockedProgram->set()) GTEST_SKIP() << "chattr is not available to make a folder unwritable";
        }
        program.CheckForUpdate();
        const std::wstring box = program.TakeBox();
        EXPECT_NE(box.find(c.expected), std::wstring::npos) << c.name << ": " << Narrow(box);
        EXPECT_NE(box.find(L"题库未改动"), std::wstring::npos) << c.name;
        EXPECT_TRUE(ReadFile(bankPath()) == oldBank_) << c.name;
        EXPECT_EQ(program.Search(kOldKeyword), 2) << c.name;
        EXPECT_EQ(program.Search(kNewKeyword), 0) << c.name;
        lockedProgram.reset();
        lockedPerUser.reset();
        if (c.unwritable) {
            fs::remove(root_ / "localappdata" / "ToviArdo");
            fs::rename(root_ / "localappdata" / "aside", root_ / "localappdata" / "ToviArdo");
        }
        EXPECT_EQ(Listing(root_), files) << c.name;
    }

    // No server at all.
    {
        Program offline(root_, "http://127.0.0.1:" + std::to_string(nettest::ClosedPort()) + "/wd.manifest");
        program.Stop();
        ASSERT_TRUE(offline.Start());
        offline.CheckForUpdate();
        const std::wstring box = offline.TakeBox();
        EXPECT_NE(box.find(L"无法连接"), std::wstring::npos) << Narrow(box);
        EXPECT_TRUE(ReadFile(bankPath()) == oldBank_);
        EXPECT_EQ(offline.Search(kOldKeyword), 2);
    }

    Program again(root_, ManifestUrl());
    ASSERT_TRUE(again.Start());
    ASSERT_EQ(again.Search(kNewKeyword), 0);
    server_.Serve(Ok(Manifest(newBank)));
    server_.Serve(Ok(newBank));
    again.CheckForUpdate();
    EXPECT_EQ(again.TakeBox(), L"题库已更新：3 道题");
    EXPECT_TRUE(ReadFile(bankPath()) == newBank);
    EXPECT_TRUE(ReadFile(root_ / "prog" / "wd.dat.bak") == oldBank_);
    const std::string oldIndex = ReadFile(root_ / "localappdata" / "ToviArdo" / "wd.idx");
    EXPECT_EQ(again.Search(kNewKeyword), 1);   // no restart
    EXPECT_EQ(again.Search(kOldKeyword), 2);
    EXPECT_NE(ReadFile(root_ / "localappdata" / "ToviArdo" / "wd.idx"), oldIndex);   // saved again for the new bank
    std::set<std::string> expected = files;
    expected.insert("prog\\wd.dat.bak");
    EXPECT_EQ(Listing(root_), expected);

    // The bank is the published one now: only the manifest is fetched.
    const size_t requests = server_.Requests().size();
    server_.Serve(Ok(Manifest(newBank)));
    again.CheckForUpdate();
    EXPECT_EQ(again.TakeBox(), L"题库已是最新");
    EXPECT_EQ(server_.Requests().size(), requests + 1);
    EXPECT_TRUE(ReadFile(bankPath()) == newBank);
}

// A program folder that takes no files (an installation under Program Files):
// the new bank goes to the per-user folder, and the next start uses it.
TEST_F(BankUpdate, AnUnwritableProgramFolderSendsTheBankToThePerUserFolder) {
    const std::string newBank = Bank(true);
    ImmutableFolder locked(root_ / "prog");
    if (!locked.set()) GTEST_SKIP() << "chattr is not available to make a folder unwritable";
    {
        Program program(root_, ManifestUrl());
        ASSERT_TRUE(program.Start());
        server_.Serve(Ok(Manifest(newBank)));
        server_.Serve(Ok(newBank));
        program.CheckForUpdate();
        EXPECT_EQ(program.TakeBox(), L"题库已更新：3 道题");
        EXPECT_TRUE(ReadFile(root_ / "localappdata" / "ToviArdo" / "wd.dat") == newBank);
        EXPECT_EQ(program.Search(kNewKeyword), 1);
    }
    EXPECT_TRUE(ReadFile(bankPath()) == oldBank_);
    Program restarted(root_, ManifestUrl());
    ASSERT_TRUE(restarted.Start());
    EXPECT_EQ(restarted.Search(kNewKeyword), 1);
    // A damaged per-user copy is passed over for the bank beside the program.
    restarted.Stop();
    WriteFile(root_ / "localappdata" / "ToviArdo" / "wd.dat", "damaged");
    Program third(root_, ManifestUrl());
    ASSERT_TRUE(third.Start());
    EXPECT_EQ(third.Search(kOldKeyword), 2);
    EXPECT_EQ(third.Search(kNewKeyword), 0);
}

// "取消" in the progress window while the bank is still arriving.
TEST_F(BankUpdate, CancellingDuringTheDownloadKeepsTheOldBank) {
    const std::string newBank = Bank(true, 3000);
    Program program(root_, ManifestUrl());
    ASSERT_TRUE(program.Start());
    const std::set<std::string> files = Listing(root_);
    server_.Serve(Ok(Manifest(newBank)));
    server_.ServeSlowly(Ok(newBank), 4096, 100);
    program.CheckForUpdate();
    const HWND progress = WaitForWindow(program.pid(), kProgressClass);
    ASSERT_TRUE(progress);
    const HWND cancel = ChildOfClass(progress, L"Button", L"取消");
    ASSERT_TRUE(cancel);
    HWND count = nullptr;
    for (HWND c = nullptr; (c = FindWindowExW(progress, c, L"Static", nullptr));) {
        if (TextOf(c).starts_with(L"已下载")) count = c;
    }
    ASSERT_TRUE(count);
    for (int i = 0; i < 200 && TextOf(count).starts_with(L"已下载 0 "); ++i) Sleep(50);
    EXPECT_FALSE(TextOf(count).starts_with(L"已下载 0 ")) << Narrow(TextOf(count));
    PostMessageW(cancel, BM_CLICK, 0, 0);
    EXPECT_NE(program.TakeBox().find(L"已取消"), std::wstring::npos);
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_TRUE(ReadFile(bankPath()) == oldBank_);
    EXPECT_EQ(Listing(root_), files);
    EXPECT_EQ(program.Search(kOldKeyword), 2);
}

}  // namespace
