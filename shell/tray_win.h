// mod_MinMax: the main window's icon in the notification area. The icon brings
// a minimised main window back on a left-button release and opens the tray menu
// ("显示主窗口", the program's commands of shell/menu_commands.h, "关闭") on a
// right-button release; a chosen program command goes to the main window as
// WM_SYSCOMMAND, as if chosen from its system menu. The module subclasses the main
// window with TrayWndProc; started last, it sits in front of the skin's and the
// system menu's procedures and forwards everything it does not consume.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "base/win/handles.h"

namespace shell {

// The shell posts mouse events on the icon to the main window with this
// message; lParam carries the mouse message.
inline constexpr UINT kTrayCallbackMessage = 2025;

// Command ids of the tray menu's items.
inline constexpr UINT kShowMainCommand = 2026;   // "显示主窗口"
inline constexpr UINT kFormCloseCommand = 2027;  // "关闭"

// The never-shown MenuTray window. It only owns the menu bar whose one menu,
// mnuTray ("弹出菜单"), serves as the tray's pop-up menu. Destroying the window
// destroys the menu with it.
class MenuTray {
public:
    MenuTray();
    MenuTray(const MenuTray&) = delete;
    MenuTray& operator=(const MenuTray&) = delete;
    HWND hwnd() const { return window_.get(); }
    HMENU mnuTray() const { return popup_; }

private:
    base::win::OwnedWindow window_;
    HMENU popup_ = nullptr;  // borrowed: part of window_'s menu bar
};

// Subclasses `main` with TrayWndProc and adds the icon (the window's icon, no
// tip yet). `menu` must outlive the icon. A second call while the icon is
// installed does nothing.
void AddTrayIcon(HWND main, HMENU menu);

// Sets the icon's tip, cut to the record's field.
void SetTrayTip(std::wstring_view tip);

// Removes the icon and ends the subclass (base/win/subclass.h). Safe to call
// when no icon is installed. The icon also goes when the window is destroyed
// without this call.
void DeleteTrayIcon();

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The tray menu's actions.
void ShowMain();    // normal state, shown, in front
void Form_Close();  // icon removed, then the program ends at once

// The notification record as last handed to the shell.
const NOTIFYICONDATAW& TrayIconData();

// How Form_Close ends the program once the icon is gone. The default destroys
// the main window without asking anything and posts WM_QUIT, so the message
// loop ends. Returns the previous function.
using EndProgramFn = void (*)(HWND main);
EndProgramFn SetEndProgram(EndProgramFn fn);

}  // namespace shell
