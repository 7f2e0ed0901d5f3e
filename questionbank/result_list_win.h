// The result list ListView1: its one-time set-up at start-up.
#pragma once
#include <windows.h>

namespace questionbank {

// Report view, no in-place editing, and the columns "题目" (three quarters of
// the list's width) and "答案" (the rest of it).
void SetUpResultList(HWND list);

}  // namespace questionbank
