// The real ToviArdo.exe taking the question as it comes: a text copied on the
// X side is searched for, the hotkey typed as real input brings the window up
// and sends it away, and the settings file, whole, damaged or read-only,
// decides how the next run starts. Each run gets its own %APPDATA%.
#include "app/form_layout.h"
#include "shell/menu_commands.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using app::Control;

namespace {

std::wstring TestFolder() {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

bool WaitFor(const std::function<bool()>& done, int ms = 15000) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

std::wstring TextOf(HWND w) {
    wchar_t buf[512]{};
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
    return buf;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    const HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::string ReadBytes(const std::wstring& path) {
    const HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string bytes(GetFileSize(f, nullptr), '\0');
    DWORD read = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(f);
    bytes.resize(read);
    return bytes;
}

// UTF-16 text with its byte-order mark, the way the profile functions keep it.
std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

// A settings folder no earlier run has seen (Wine reuses process ids, so the
// id alone is not enough), removed with what the run left in it.
class AppData {
public:
    AppData() {
        wchar_t temp[MAX_PATH + 1]{};
        GetTempPathW(MAX_PATH + 1, temp);
        static int n = 0;
        folder_ = std::wstring(temp) + L"capture-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++n);
        CreateDirectoryW(folder_.c_str(), nullptr);
        CreateDirectoryW((folder_ + L"\\ToviArdo").c_str(), nullptr);
    }
    ~AppData() {
        SetFileAttributesW(ini().c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(ini().c_str())) RemoveDirectoryW(ini().c_str());
        RemoveDirectoryW((folder_ + L"\\ToviArdo").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    AppData(const AppData&) = delete;
    AppData& operator=(const AppData&) = delete;
    operator const std::wstring&() const { return folder_; }
    std::wstring ini() const { return folder_ + L"\\ToviArdo\\ToviArdo.ini"; }

private:
    std::wstring folder_;
};

// The program started with a settings folder of its own as %APPDATA%.
class Program {
public:
    explicit Program(const std::wstring& appData) {
        SetEnvironmentVariableW(L"APPDATA", appData.c_str());
        const std::wstring exe = TestFolder() + L"..\\..\\bin\\ToviArdo.exe";
        const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring command = L"\"" + exe + L"\"";
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi_);
        if (!started_) return;
        WaitFor([&] { return (form_ = FindForm()) != nullptr; });
        Sleep(500);   // start-up finishes after the window shows
    }
    ~Program() {
        if (!started_) return;
        if (!Closed()) TerminateProcess(pi_.hProcess, 1);
        CloseHandle(pi_.hThread);
        CloseHandle(pi_.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    HWND form() const { return form_; }
    HWND control(Control c) const { return GetDlgItem(form_, app::ControlIdOf(c)); }
    bool topMost() const { return (GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
    HWND focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info);
        return info.hwndFocus;
    }
    void command(unsigned id) const { PostMessageW(form_, WM_SYSCOMMAND, id, 0); }
    // The window's own close; the settings are saved on the way.
    bool Closed() {
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0) return true;
        PostMessageW(form_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi_.hProcess, 15000) != WAIT_OBJECT_0) return false;
        DWORD code = 1;
        GetExitCodeProcess(pi_.hProcess, &code);
        return code == 0;
    }

private:
    struct Find {
        DWORD pid;
        HWND found;
    };
    static BOOL CALLBACK MatchForm(HWND w, LPARAM p) {
        auto* f = reinterpret_cast<Find*>(p);
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        wchar_t name[16]{};
        GetClassNameW(w, name, 16);
        if (pid != f->pid || !IsWindowVisible(w) || std::wstring(name) != L"Form") return TRUE;
        f->found = w;
        return FALSE;
    }
    HWND FindForm() const {
        Find find{pi_.dwProcessId, nullptr};
        EnumWindows(MatchForm, reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    bool started_ = false;
    PROCESS_INFORMATION pi_{};
    HWND form_ = nullptr;
};

// A window of this process in front of everything, holding the keyboard: the game.
class Game {
public:
    Game() {
        window_ = CreateWindowExW(0, L"EDIT", L"game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
        Front();
    }
    ~Game() { DestroyWindow(window_); }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;
    HWND hwnd() const { return window_; }
    void Front() const {
        SetForegroundWindow(window_);
        SetFocus(window_);
        Pump();
    }
    static void Pump() {
        MSG msg;
        for (int i = 0; i < 10; ++i) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(20);
        }
    }

private:
    HWND window_ = nullptr;
};

std::wstring WindowsClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// Puts UTF-8 text on the X clipboard with xclip, as another program would,
// and waits until Wine's side of the clipboard has it. Wine's bridge to the X
// clipboard may miss a change made while it is still starting, so the copy is
// made again when it has not arrived.
bool CopyOnTheXSide(const std::string& utf8) {
    static int n = 0;
    const std::string unixPath = "/tmp/capture-clip-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount64()) + "-" + std::to_string(++n);
    const std::wstring windowsPath = L"Z:" + std::wstring(unixPath.begin(), unixPath.end());
    WriteBytes(windowsPath, utf8);
    std::wstring expected(utf8.size(), L'\0');
    expected.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                            expected.data(), static_cast<int>(expected.size()))));
    bool arrived = false;
    for (int attempt = 0; attempt < 3 && !arrived; ++attempt) {
        // xclip stays behind to serve the text; without its own standard
        // handles it would hold the test runner's output open until it ends.
        std::wstring command = L"Z:\\bin\\sh -c \"exec xclip -selection clipboard -i " +
                               std::wstring(unixPath.begin(), unixPath.end()) + L" </dev/null >/dev/null 2>&1\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) break;
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        arrived = WaitFor([&] {
            std::wstring now = WindowsClipboardText();   // line breaks may arrive as CR LF
            std::erase(now, L'\r');
            return now == expected;
        }, 4000);
    }
    DeleteFileW(windowsPath.c_str());
    return arrived;
}

void PressHotkey() {
    const WORD keys[] = {VK_CONTROL, VK_MENU, 'Q'};
    std::vector<INPUT> input;
    for (WORD k : keys) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        input.push_back(i);
    }
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        input.push_back(i);
    }
    SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
}

const wchar_t kQuestion[] = L"中华人民共和国的首都是哪座城市？";
const wchar_t kAnswer[] = L"北京";

TEST(CapturedQuestions, ACopiedQuestionIsAnsweredWithoutTakingTheKeyboardAndOwnCopiesAreNot) {
    const AppData appData;
    WriteBytes(appData.ini(), Utf16File(L"[ToviArdo]\r\nWatchClipboard=1\r\n"));
    Program program(appData);
    ASSERT_NE(program.form(), nullptr);
    PostMessageW(program.form(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(program.form()) != FALSE; }));
    Game game;

    // Wrapped over two lines with blanks around, as copied from a game's window.
    ASSERT_TRUE(CopyOnTheXSide("  中华人民共和国的\n首都是哪座城市？ \n"));
    HWND box = program.control(Control::Text1);
    ASSERT_TRUE(WaitFor([&] { return TextOf(box) == kQuestion; })) << "the box holds: " << TextOf(box).size();
    EXPECT_TRUE(WaitFor([&] { return TextOf(program.control(Control::Label4)) == kAnswer; }));
    EXPECT_EQ(TextOf(program.control(Control::Label2)), kQuestion);
    EXPECT_FALSE(IsIconic(program.form()));
    Game::Pump();
    EXPECT_EQ(GetForegroundWindow(), game.hwnd()) << "the program took the foreground";

    // The program's own copy: the copy area puts question, answer and credit
    // on the clipboard, which must not become the next search.
    const HWND copyArea = program.control(Control::Label1);
    PostMessageW(program.form(), WM_COMMAND, MAKEWPARAM(app::ControlIdOf(Control::Label1), STN_CLICKED),
                 reinterpret_cast<LPARAM>(copyArea));
    Sleep(3000);
    EXPECT_EQ(TextOf(box), kQuestion);

    // Still watching: the next question copied elsewhere is taken.
    ASSERT_TRUE(CopyOnTheXSide("中国最长的河流是？"));
    EXPECT_TRUE(WaitFor([&] { return TextOf(program.control(Control::Label4)) == L"长江"; }));
    EXPECT_TRUE(program.Closed());
}

TEST(CapturedQuestions, TheHotkeyBringsTheWindowToTheBoxAndSendsItAway) {
    const AppData appData;
    Program program(appData);
    ASSERT_NE(program.form(), nullptr);
    HWND box = program.control(Control::Text1);
    SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"上一个问题"));
    PostMessageW(program.form(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(program.form()) != FALSE; }));
    Game game;

    PressHotkey();
    ASSERT_TRUE(WaitFor([&] { return !IsIconic(program.form()) && GetForegroundWindow() == program.form(); }));
    EXPECT_TRUE(WaitFor([&] { return program.focus() == box; }));
    DWORD start = 1, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);

    PressHotkey();
    EXPECT_TRUE(WaitFor([&] { return IsIconic(program.form()) != FALSE; }));
    EXPECT_TRUE(program.Closed());
}

TEST(CapturedQuestions, ATakenHotkeyDoesNotStopTheProgram) {
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'Q'));
    {
        const AppData appData;
    Program program(appData);
        EXPECT_NE(program.form(), nullptr);
        EXPECT_TRUE(program.Closed());
    }
    UnregisterHotKey(nullptr, 1);
}

TEST(LastingSettings, EachChoiceAndThePlaceSurviveARestart) {
    const AppData appData;
    const std::wstring ini = appData.ini();
    {
        Program program(appData);
        ASSERT_NE(program.form(), nullptr);
        EXPECT_FALSE(program.topMost());
        program.command(shell::IDM_TOPMOST);
        EXPECT_TRUE(WaitFor([&] { return program.topMost(); }));
        program.command(shell::IDM_WATCHCLIPBOARD);
        SetWindowPos(program.form(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ASSERT_TRUE(program.Closed());
    }
    const std::string saved = ReadBytes(ini);
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved.substr(0, 2), "\xFF\xFE") << "not UTF-16";
    {
        Program program(appData);
        ASSERT_NE(program.form(), nullptr);
        EXPECT_TRUE(program.topMost());
        RECT at{};
        GetWindowRect(program.form(), &at);
        EXPECT_EQ(at.left, 100);
        EXPECT_EQ(at.top, 120);
        // Clipboard watching came back too: a copied question is searched for.
        ASSERT_TRUE(CopyOnTheXSide("世界上面积最大的国家是？"));
        EXPECT_TRUE(WaitFor([&] { return TextOf(program.control(Control::Label4)) == L"俄罗斯"; }))
            << "box " << TextOf(program.control(Control::Text1)).size() << " file " << saved.size();
        program.command(shell::IDM_TOPMOST);
        EXPECT_TRUE(WaitFor([&] { return !program.topMost(); }));
        ASSERT_TRUE(program.Closed());
    }
    Program program(appData);
    ASSERT_NE(program.form(), nullptr);
    EXPECT_FALSE(program.topMost());
}

// A settings file the program cannot use: it starts as with none, and what
// the player changes still works for the run.
struct BadFile {
    const char* name;
    std::function<void(const std::wstring& ini)> make;
    bool replacedAtTheFirstChange = false;   // by a new file holding the change
};

std::string RandomBytes(size_t n) {
    std::string bytes(n, '\0');
    unsigned x = 12345;
    for (char& c : bytes) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 16);
    return bytes;
}

class DamagedSettings : public ::testing::TestWithParam<BadFile> {};

TEST_P(DamagedSettings, StartsWithTheDefaults) {
    const AppData appData;
    const std::wstring ini = appData.ini();
    GetParam().make(ini);
    Program program(appData);
    ASSERT_NE(program.form(), nullptr);
    EXPECT_FALSE(program.topMost());
    program.command(shell::IDM_TOPMOST);
    EXPECT_TRUE(WaitFor([&] { return program.topMost(); }));
    EXPECT_TRUE(program.Closed());
    if (GetParam().replacedAtTheFirstChange) {
        EXPECT_EQ(ReadBytes(ini).substr(0, 48), Utf16File(L"[ToviArdo]\r\nTopMost=1\r\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedSettings,
    ::testing::Values(
        BadFile{"random", [](const std::wstring& ini) { WriteBytes(ini, RandomBytes(4096)); }},
        // Valid settings, but far more than a settings file of ours ever holds.
        BadFile{"huge", [](const std::wstring& ini) {
                    std::wstring text;
                    while (text.size() < 2 * 1024 * 1024) text += L"[ToviArdo]\r\nTopMost=1\r\n";
                    WriteBytes(ini, Utf16File(text));
                }, true},
        BadFile{"folder", [](const std::wstring& ini) { CreateDirectoryW(ini.c_str(), nullptr); }}),
    [](const auto& file) { return std::string(file.param.name); });

TEST(LastingSettings, AReadOnlyFileIsReadAndChangesLastTheRun) {
    const AppData appData;
    const std::wstring ini = appData.ini();
    // And a place off every monitor: the window comes up centred instead.
    const std::string original =
        Utf16File(L"[ToviArdo]\r\nTopMost=1\r\nWindowLeft=-30000\r\nWindowTop=-30000\r\n");
    WriteBytes(ini, original);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    {
        Program program(appData);
        ASSERT_NE(program.form(), nullptr);
        EXPECT_TRUE(program.topMost());
        RECT at{}, work{};
        GetWindowRect(program.form(), &at);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_LE(std::abs((at.left + at.right) / 2 - (work.left + work.right) / 2), 1);
        EXPECT_LE(std::abs((at.top + at.bottom) / 2 - (work.top + work.bottom) / 2), 1);
        program.command(shell::IDM_TOPMOST);
        EXPECT_TRUE(WaitFor([&] { return !program.topMost(); }));
        EXPECT_TRUE(program.Closed());
    }
    EXPECT_EQ(ReadBytes(ini), original);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
