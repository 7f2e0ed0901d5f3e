#include "shell/sysmenu_win.h"

#include <string>
#include <utility>

#include "base/win/subclass.h"
#include "base/win/wide.h"
#include "shell/menu_commands.h"

namespace shell {
namespace {

struct SysMenu {
    MessageBoxFn showBox = MessageBoxW;
};
SysMenu g_sysMenu;

constexpr base::win::Subclass kSysMenuSubclass{&SysMenuWndProc, L"TOVISYSMENUPROC", L"TOVISYSMENUOFF"};

}  // namespace

void ExtendSystemMenu(HWND main, HBITMAP aboutPicture) {
    if (!main || base::win::IsSubclassed(main, kSysMenuSubclass)) return;
    const HMENU menu = GetSystemMenu(main, FALSE);
    for (const MenuCommand& c : kMenuCommands) {
        AppendMenuW(menu, MF_STRING, c.id, base::win::Widen(c.text).c_str());
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"关于Tovi(&L)");
    DrawMenuBar(main);
    // By command, not by position: a system menu without the seven standard
    // entries would otherwise give the picture to some other entry.
    SetMenuItemBitmaps(menu, IDM_ABOUT, MF_BYCOMMAND, aboutPicture, aboutPicture);
    base::win::AttachSubclass(main, kSysMenuSubclass);
}

LRESULT CALLBACK SysMenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOMMAND && wParam == IDM_ABOUT && base::win::IsSubclassed(hwnd, kSysMenuSubclass)) {
        g_sysMenu.showBox(hwnd, L"您单击了'演示菜单二' Tovi游戏网", L"Orvane", MB_OK);
        // The box is modal: the window may be gone by now, and CallNext then
        // finds no record and touches nothing of it.
    }
    return base::win::CallNext(hwnd, kSysMenuSubclass, msg, wParam, lParam);
}

MessageBoxFn SetAboutBox(MessageBoxFn fn) { return std::exchange(g_sysMenu.showBox, fn); }

}  // namespace shell
