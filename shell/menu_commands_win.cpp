#include "shell/menu_commands_win.h"

namespace shell {

void CheckMenuCommand(HWND main, HMENU trayMenu, unsigned id, bool checked) {
    const UINT flags = MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED);
    if (main) {
        if (const HMENU system = GetSystemMenu(main, FALSE)) CheckMenuItem(system, id, flags);
    }
    if (trayMenu) CheckMenuItem(trayMenu, id, flags);
}

}  // namespace shell
