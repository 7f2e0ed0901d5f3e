// ChangeSysMenu: the About entry "关于Tovi(&L)" at the end of the main window's
// system menu, with the 13 x 13 About picture beside it. The module subclasses
// the main window with SysMenuWndProc first, so the skin's and the tray's
// procedures sit in front of it.
#pragma once
#include <windows.h>

#include "shell/menu_commands.h"

namespace shell {

// Command id of the About entry; WM_SYSCOMMAND carries it as wParam.
inline constexpr UINT IDM_ABOUT = 132;

// Appends the program's commands (shell/menu_commands.h), a separator and the
// About entry to `main`'s system menu, gives the About entry `aboutPicture` as
// both check-mark bitmaps and subclasses `main`. The bitmap stays owned by the
// caller and must outlive the window. A second call straight after the first
// does nothing.
void ExtendSystemMenu(HWND main, HBITMAP aboutPicture);

// Shows the About box for WM_SYSCOMMAND with wParam exactly IDM_ABOUT, then
// forwards every message, that one included.
LRESULT CALLBACK SysMenuWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The call that shows the About box (MessageBoxW unless replaced). Returns the
// previous one.
using MessageBoxFn = int(WINAPI*)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
MessageBoxFn SetAboutBox(MessageBoxFn fn);

}  // namespace shell
