#include "shell/tray_win.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/win/subclass.h"
#include "shell/sysmenu_win.h"
#include "base/win/wide.h"
#include "shell/menu_commands.h"
#include "shell/tray_tip.h"

namespace shell {
namespace {

void EndProgramNow(HWND main) {
    DestroyWindow(main);
    PostQuitMessage(0);
}

// Module state, held from AddTrayIcon to the end of the run.
struct Tray {
    HWND main = nullptr;
    HMENU menu = nullptr;              // borrowed from MenuTray
    bool installed = false;            // icon added and not yet deleted
    UINT taskbarCreated = 0;           // broadcast when the notification area is re-created
    NOTIFYICONDATAW data{};
    EndProgramFn endProgram = EndProgramNow;
};
Tray g_tray;

constexpr base::win::Subclass kTraySubclass{&TrayWndProc, L"TOVITRAYPROC", L"TOVITRAYOFF"};

HICON WindowIcon(HWND w) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(w, GCLP_HICON));
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);  // shared: not ours to destroy
    return icon;
}

// Adds the icon with everything the record holds, the tip included once set.
void AddIconToShell() {
    g_tray.data.uFlags = NIF_MESSAGE | NIF_ICON | (g_tray.data.szTip[0] ? NIF_TIP : 0u);
    Shell_NotifyIconW(NIM_ADD, &g_tray.data);
}

// Normal state: neither minimised nor maximised, shown. A window minimised
// from maximised comes back maximised at first, so it is restored once more.
void PutInNormalState(HWND w) {
    ShowWindow(w, SW_SHOWNORMAL);
    if (IsZoomed(w)) ShowWindow(w, SW_SHOWNORMAL);
}

void ShowTrayMenu() {
    POINT at{};
    GetCursorPos(&at);
    // A pop-up menu only closes on a click elsewhere when its owner is the
    // foreground window, and only after the owner has seen one more message.
    SetForegroundWindow(g_tray.main);
    const auto command = static_cast<UINT>(TrackPopupMenu(
        g_tray.menu, TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD, at.x, at.y, 0, g_tray.main, nullptr));
    PostMessageW(g_tray.main, WM_NULL, 0, 0);
    if (command == kShowMainCommand) ShowMain();
    else if (command == kFormCloseCommand) Form_Close();
    else if (IsMenuCommand(command)) PostMessageW(g_tray.main, WM_SYSCOMMAND, command, 0);
}

const wchar_t kMenuTrayClass[] = L"ToviMenuTray";

}  // namespace

MenuTray::MenuTray() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kMenuTrayClass;
    RegisterClassW(&wc);  // fails harmlessly when already registered

    base::win::OwnedMenu bar{CreateMenu()};
    base::win::OwnedMenu popup{CreatePopupMenu()};
    AppendMenuW(popup.get(), MF_STRING, kShowMainCommand, L"显示主窗口");
    for (const MenuCommand& c : kMenuCommands) {
        AppendMenuW(popup.get(), MF_STRING, c.id, base::win::Widen(c.text).c_str());
    }
    AppendMenuW(popup.get(), MF_STRING, kFormCloseCommand, L"关闭");
    popup_ = popup.get();
    if (AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup.get()), L"弹出菜单")) {
        popup.release();  // the bar destroys it from now on
    } else {
        popup_ = nullptr;
    }
    window_.reset(CreateWindowExW(0, kMenuTrayClass, L"MenuTray", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, bar.get(), instance, nullptr));
    if (window_) bar.release();  // the window destroys its menu bar
    else popup_ = nullptr;
}

void AddTrayIcon(HWND main, HMENU menu) {
    if (g_tray.installed) return;
    if (!base::win::AttachSubclass(main, kTraySubclass)) return;
    g_tray.main = main;
    g_tray.menu = menu;
    if (!g_tray.taskbarCreated) g_tray.taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    g_tray.installed = true;

    g_tray.data = NOTIFYICONDATAW{};
    g_tray.data.cbSize = sizeof(NOTIFYICONDATAW);
    g_tray.data.hWnd = main;
    g_tray.data.uID = 0;
    g_tray.data.uCallbackMessage = kTrayCallbackMessage;
    g_tray.data.hIcon = WindowIcon(main);
    AddIconToShell();
}

void SetTrayTip(std::wstring_view tip) {
    constexpr std::size_t field = sizeof(g_tray.data.szTip) / sizeof(g_tray.data.szTip[0]);
    const std::u16string fitted = FitTrayTip(std::u16string(tip.begin(), tip.end()), field);
    std::fill(std::begin(g_tray.data.szTip), std::end(g_tray.data.szTip), L'\0');
    std::copy(fitted.begin(), fitted.end(), g_tray.data.szTip);
    g_tray.data.uFlags = NIF_TIP;
    Shell_NotifyIconW(NIM_MODIFY, &g_tray.data);
}

namespace {

bool RemoveIcon() {
    if (!g_tray.installed) return false;
    g_tray.installed = false;
    g_tray.data.uFlags = 0;
    Shell_NotifyIconW(NIM_DELETE, &g_tray.data);
    return true;
}

}  // namespace

void DeleteTrayIcon() {
    if (RemoveIcon()) base::win::DetachSubclass(g_tray.main, kTraySubclass);
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_tray.installed && hwnd == g_tray.main && base::win::IsSubclassed(hwnd, kTraySubclass)) {
        if (msg == WM_NCDESTROY) {
            // However the window goes, its icon goes with it. The link itself
            // is cleaned up by CallNext below.
            RemoveIcon();
        } else if (msg == kTrayCallbackMessage) {
            if (lParam == WM_LBUTTONUP && IsIconic(g_tray.main)) {
                PutInNormalState(g_tray.main);
                return 0;
            }
            if (lParam == WM_RBUTTONUP) {
                ShowTrayMenu();
                return 0;
            }
        } else if (msg == g_tray.taskbarCreated && msg != 0) {
            AddIconToShell();  // the new notification area knows nothing of the icon
        }
    }
    return base::win::CallNext(hwnd, kTraySubclass, msg, wParam, lParam);
}

void ShowMain() {
    PutInNormalState(g_tray.main);
    SetForegroundWindow(g_tray.main);
}

void Form_Close() {
    const HWND main = g_tray.main;
    DeleteTrayIcon();
    g_tray.endProgram(main);
}

const NOTIFYICONDATAW& TrayIconData() { return g_tray.data; }

EndProgramFn SetEndProgram(EndProgramFn fn) { return std::exchange(g_tray.endProgram, fn); }

}  // namespace shell
