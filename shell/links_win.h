// Opening the portal's pages: the address goes to the shell with the verb
// "open", asking for a maximised browser window. The program shows no page.
#pragma once
#include <windows.h>

#include <string_view>

#include "shell/links.h"

namespace shell {

// Hands `address` (UTF-8) to the shell. Failures are not reported.
void OpenLink(std::string_view address);

// Link_Lbl(index): the table's entry at `index`; an index outside the table
// opens nothing.
void OpenSiteLink(const LinkTable& table, int index);

// Label5: the forum thread.
void OpenForumThread();

// The shell call (ShellExecuteW unless replaced; tests put a recorder here so
// no browser ever opens). Returns the previous one.
using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                                          LPCWSTR directory, INT show);
ShellExecuteFn SetShellExecute(ShellExecuteFn fn);

}  // namespace shell
