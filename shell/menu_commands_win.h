// Check marks of the program's commands, kept alike in both menus that offer them.
#pragma once
#include <windows.h>

namespace shell {

// Checks or clears command `id` in `main`'s system menu and in `trayMenu`
// (either may be missing).
void CheckMenuCommand(HWND main, HMENU trayMenu, unsigned id, bool checked);

}  // namespace shell
