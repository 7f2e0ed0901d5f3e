// The program's own commands that both the system menu and the tray menu
// offer, in the order they appear: in the system menu between the standard
// entries and the separator before About, in the tray menu between
// "显示主窗口" and "关闭". The tray menu hands a chosen one to the main window
// as WM_SYSCOMMAND, so each command has one handler whichever menu it came from.
#pragma once
#include <span>

namespace shell {

inline constexpr unsigned IDM_TOPMOST = 133;         // "总在最前", checked while on
inline constexpr unsigned IDM_WATCHCLIPBOARD = 134;  // "监视剪贴板", checked while on
inline constexpr unsigned IDM_CHECKBANKUPDATE = 135; // "检查题库更新"

struct MenuCommand {
    unsigned id;       // WM_SYSCOMMAND's wParam; below 0xF000, the system's own range
    const char* text;  // UTF-8
};

inline constexpr MenuCommand kMenuCommands[] = {
    {IDM_TOPMOST, "总在最前"},
    {IDM_WATCHCLIPBOARD, "监视剪贴板"},
    {IDM_CHECKBANKUPDATE, "检查题库更新"},
};

inline constexpr bool IsMenuCommand(unsigned id) {
    for (const MenuCommand& c : kMenuCommands) {
        if (c.id == id) return true;
    }
    return false;
}

}  // namespace shell
