// A real top-level window for the shell tests. Its own procedure (the end of
// the subclass chain) records every message it receives and answers each with
// a known result, so a test can tell a forwarded message from a consumed one.
// While a menu's modal loop idles it plays a list of keys into the menu.
#pragma once
#include <windows.h>

#include <vector>

namespace shelltest {

struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

inline constexpr LRESULT kBaseResult = 4711;  // what the window's own procedure answers

struct Log {
    std::vector<Seen> seen;
    std::vector<UINT> menuKeys;    // keys played into the next open menu
    int menusOpened = 0;           // menus that reached their idle loop
    HWND foregroundInMenu = nullptr;
    HMENU lastPopup = nullptr;     // from WM_INITMENUPOPUP
    bool deleteIconOnClose = false;

    int Count(UINT msg) const {
        int n = 0;
        for (const auto& s : seen) n += s.msg == msg;
        return n;
    }
    int Count(UINT msg, WPARAM wParam, LPARAM lParam) const {
        int n = 0;
        for (const auto& s : seen) n += s.msg == msg && s.wParam == wParam && s.lParam == lParam;
        return n;
    }
};

inline Log g_log;
inline void (*g_onClose)() = nullptr;

inline LRESULT CALLBACK BaseProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_log.seen.push_back({msg, wParam, lParam});
    switch (msg) {
    case WM_INITMENUPOPUP:
        g_log.lastPopup = reinterpret_cast<HMENU>(wParam);
        break;
    case WM_ENTERIDLE:
        if (wParam == MSGF_MENU) {
            ++g_log.menusOpened;
            g_log.foregroundInMenu = GetForegroundWindow();
            HWND menuWindow = reinterpret_cast<HWND>(lParam);
            if (!menuWindow) menuWindow = FindWindowW(L"#32768", nullptr);
            std::vector<UINT> keys = std::move(g_log.menuKeys);
            g_log.menuKeys.clear();
            if (keys.empty()) keys.push_back(VK_ESCAPE);
            for (UINT key : keys) {
                if (key >= 'a' && key <= 'z') PostMessageW(menuWindow, WM_CHAR, key, 0);
                else PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
            }
        }
        return 0;
    case WM_CLOSE:
        if (g_onClose) g_onClose();
        break;
    case 2025:
    case WM_USER + 7:
        return kBaseResult;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// Creates and shows a test window; DestroyWindow on scope exit.
class TestWindow {
public:
    TestWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = BaseProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(nullptr, IDI_INFORMATION);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = L"ToviShellTestWindow";
        RegisterClassW(&wc);
        g_log = Log{};
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"ToviArdo答题器", WS_OVERLAPPEDWINDOW, 100, 100, 539, 459,
                                nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        UpdateWindow(hwnd_);
        Pump();
    }
    ~TestWindow() {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
        Pump();
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd() const { return hwnd_; }

    static void Pump() {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }

private:
    HWND hwnd_ = nullptr;
};

}  // namespace shelltest
