// The program ends with no icon left, whether its window is closed or the tray
// menu's "关闭" is chosen. Checked on a small host process that installs the
// shell services alone, and on the program itself.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>

#include "shell/tray_win.h"

namespace {

struct Program {
    const char* name;
    const wchar_t* relativePath;  // from the test executable's folder
    const wchar_t* windowClass;
};
const Program kPrograms[] = {
    {"host", L"tray_host.exe", L"ToviTrayHost"},
    {"program", L"..\\..\\bin\\ToviArdo.exe", L"Form"},
};

std::wstring TestFolder() {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool IconPresent(HWND w) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = w;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

struct Find {
    DWORD pid;
    const wchar_t* className;
    HWND found;
};
BOOL CALLBACK MatchWindow(HWND w, LPARAM param) {
    auto* find = reinterpret_cast<Find*>(param);
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
HWND WaitForWindow(DWORD pid, const wchar_t* className) {
    for (int i = 0; i < 300; ++i) {
        Find find{pid, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&find));
        if (find.found) return find.found;
        Sleep(50);
    }
    return nullptr;
}

class Host {
public:
    explicit Host(const Program& program) : Host(TestFolder() + program.relativePath, program.windowClass) {}
    Host(const std::wstring& path, const wchar_t* windowClass) {
        const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        std::wstring command = L"\"" + path + L"\"";
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                                  &pi_);
        if (started_) window_ = WaitForWindow(pi_.dwProcessId, windowClass);
    }
    ~Host() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool ready() const { return started_ && window_; }
    HWND window() const { return window_; }
    DWORD pid() const { return pi_.dwProcessId; }
    bool Ended(DWORD ms = 15000) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code;
    }

private:
    bool started_ = false;
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

class ProgramEnd : public ::testing::TestWithParam<Program> {};

TEST_P(ProgramEnd, ClosingTheWindowRemovesTheIconAndEndsTheProcess) {
    Host host(GetParam());
    ASSERT_TRUE(host.ready());
    ASSERT_TRUE(IconPresent(host.window()));
    PostMessageW(host.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(host.Ended());
    EXPECT_FALSE(IconPresent(host.window()));
}

// Opens the tray menu with a right click and chooses its last item, "关闭",
// from the keyboard (Up from no selection goes to the last item).
bool ChooseTrayClose(Host& host) {
    PostMessageW(host.window(), shell::kTrayCallbackMessage, 0, WM_RBUTTONUP);
    const HWND menu = WaitForWindow(host.pid(), L"#32768");
    if (!menu) return false;
    for (UINT key : {VK_UP, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, key, 0);
    return true;
}

TEST_P(ProgramEnd, TrayCloseItemRemovesTheIconAndEndsTheProcess) {
    Host host(GetParam());
    ASSERT_TRUE(host.ready());
    ASSERT_TRUE(IconPresent(host.window()));
    ASSERT_TRUE(ChooseTrayClose(host)) << "the tray menu did not open";
    EXPECT_TRUE(host.Ended());
    EXPECT_FALSE(IconPresent(host.window()));
}

TEST_P(ProgramEnd, TrayMenuClosesWithoutAChoiceAndTheProgramGoesOn) {
    Host host(GetParam());
    ASSERT_TRUE(host.ready());
    PostMessageW(host.window(), shell::kTrayCallbackMessage, 0, WM_RBUTTONUP);
    const HWND menu = WaitForWindow(host.pid(), L"#32768");
    ASSERT_NE(menu, nullptr);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(host.Ended(1000));
    EXPECT_TRUE(IconPresent(host.window()));
    PostMessageW(host.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(host.Ended());
}

std::wstring TextOf(HWND w) {
    wchar_t text[128]{};
    GetWindowTextW(w, text, 128);
    return text;
}

bool WaitUntilGone(HWND w) {
    for (int i = 0; i < 200 && IsWindow(w); ++i) Sleep(50);
    return !IsWindow(w);
}

TEST_P(ProgramEnd, AboutBoxAppearsOncePerChoiceAndTheProgramGoesOn) {
    Host host(GetParam());
    ASSERT_TRUE(host.ready());
    for (int choice = 0; choice < 2; ++choice) {
        PostMessageW(host.window(), WM_SYSCOMMAND, 132, 0);
        const HWND box = WaitForWindow(host.pid(), L"#32770");
        ASSERT_NE(box, nullptr) << "choice " << choice;
        EXPECT_EQ(TextOf(box), L"Orvane");
        PostMessageW(box, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntilGone(box));
    }
    EXPECT_FALSE(host.Ended(500));
    PostMessageW(host.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(host.Ended());
}

TEST_P(ProgramEnd, TrayCloseItemEndsTheProgramWhileTheAboutBoxIsOpen) {
    Host host(GetParam());
    ASSERT_TRUE(host.ready());
    PostMessageW(host.window(), WM_SYSCOMMAND, 132, 0);
    ASSERT_NE(WaitForWindow(host.pid(), L"#32770"), nullptr);
    ASSERT_TRUE(ChooseTrayClose(host)) << "the tray menu did not open";
    EXPECT_TRUE(host.Ended());
    EXPECT_FALSE(IconPresent(host.window()));
}

// How long a bare window with an icon takes to remove the icon and go, on this
// system: the shell and the window system may wait here (under Wine without a
// window manager each of the two takes about two seconds), and the program
// cannot be quicker than that.
double BareCloseMs() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToviBareCloseProbe";
    RegisterClassW(&wc);
    const HWND w = CreateWindowExW(0, wc.lpszClassName, L"probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 60, 60, 300, 200,
                                   nullptr, nullptr, wc.hInstance, nullptr);
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof(icon);
    icon.hWnd = w;
    icon.uFlags = NIF_ICON;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    Shell_NotifyIconW(NIM_ADD, &icon);
    Sleep(500);
    const ULONGLONG start = GetTickCount64();
    Shell_NotifyIconW(NIM_DELETE, &icon);
    DestroyWindow(w);
    return static_cast<double>(GetTickCount64() - start);
}

TEST(ProgramClose, EndsWithinASecondOfWhatABareWindowWithAnIconNeeds) {
    const double bare = BareCloseMs();
    Host host(kPrograms[1]);
    ASSERT_TRUE(host.ready());
    Sleep(500);
    const ULONGLONG start = GetTickCount64();
    PostMessageW(host.window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(host.Ended());
    const double program = static_cast<double>(GetTickCount64() - start);
    RecordProperty("bare_close_ms", std::to_string(static_cast<int>(bare)));
    RecordProperty("program_close_ms", std::to_string(static_cast<int>(program)));
    EXPECT_LT(program, bare + 1000) << "bare window " << bare << " ms, program " << program << " ms";
}

// A copy of the program beside a bank that cannot be read, in a folder of its
// own: the first keystroke in the search box brings up the database error box.
class ProgramWithBadBank : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1]{};
        GetTempPathW(MAX_PATH + 1, temp);
        folder_ = std::wstring(temp) + L"tovi-bad-bank-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder_.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW((TestFolder() + L"..\\..\\bin\\ToviArdo.exe").c_str(), exe().c_str(), FALSE));
        const HANDLE bank = CreateFileW((folder_ + L"wd.dat").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(bank, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(bank, "not a bank at all", 17, &written, nullptr);
        CloseHandle(bank);
    }
    void TearDown() override {
        DeleteFileW(exe().c_str());
        DeleteFileW((folder_ + L"wd.dat").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring exe() const { return folder_ + L"ToviArdo.exe"; }

    // Types one letter into the search box and waits for the error box.
    static HWND TypeUntilTheErrorBox(const Host& host) {
        const HWND box = FindWindowExW(host.window(), nullptr, L"Edit", nullptr);
        if (!box) return nullptr;
        PostMessageW(box, WM_CHAR, 'z', 1);
        return WaitForWindow(host.pid(), L"#32770");
    }

private:
    std::wstring folder_;
};

TEST_F(ProgramWithBadBank, TrayCloseWhileTheDatabaseErrorBoxIsUpEndsTheProgramCleanly) {
    Host host(exe(), L"Form");
    ASSERT_TRUE(host.ready());
    ASSERT_NE(TypeUntilTheErrorBox(host), nullptr) << "no error box";
    ASSERT_TRUE(ChooseTrayClose(host)) << "the tray menu did not open";
    ASSERT_TRUE(host.Ended());
    EXPECT_EQ(host.ExitCode(), 0u) << std::hex << host.ExitCode();
    EXPECT_FALSE(IconPresent(host.window()));
}

INSTANTIATE_TEST_SUITE_P(HostAndProgram, ProgramEnd, ::testing::ValuesIn(kPrograms),
                         [](const ::testing::TestParamInfo<Program>& p) { return std::string(p.param.name); });

}  // namespace
