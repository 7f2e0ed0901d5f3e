#include "shell/sysmenu_win.h"

#include <utility>

namespace shell {
namespace {

struct SysMenu {
    WNDPROC previous = nullptr;  // the procedure SysMenuWndProc replaced
    MessageBoxFn showBox = MessageBoxW;
};
SysMenu g_sysMenu;

}  // namespace

void ExtendSystemMenu(HWND main, HBITMAP aboutPicture) {
    // Installing twice would make SysMenuWndProc forward to itself.
    if (GetWindowLongPtrW(main, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&SysMenuWndProc)) return;
    const HMENU menu = GetSystemMenu(main, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"关于Tovi(&L)");
    DrawMenuBar(main);
    // By command, not by position: a system menu without the seven standard
    // entries would otherwise give the picture to some other entry.
    SetMenuItemBitmaps(menu, IDM_ABOUT, MF_BYCOMMAND, aboutPicture, aboutPicture);

    g_sysMenu.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SysMenuWndProc)));
}

LRESULT CALLBACK SysMenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOMMAND && wParam == IDM_ABOUT) {
        g_sysMenu.showBox(hwnd, L"您单击了'演示菜单二' Tovi游戏网", L"Orvane", MB_OK);
    }
    return CallWindowProcW(g_sysMenu.previous, hwnd, msg, wParam, lParam);
}

MessageBoxFn SetAboutBox(MessageBoxFn fn) { return std::exchange(g_sysMenu.showBox, fn); }

}  // namespace shell
