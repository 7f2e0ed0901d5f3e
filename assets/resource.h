// Resource ids of the program, named by role. Shared by app.rc and the code.
#pragma once
#include <windows.h>

#define IDB_BACKGROUND 101       // main window's background artwork at 100%, 540 x 461
#define IDB_BACKGROUND_125 105   // the same at 125%, 675 x 577, PNG (RCDATA)
#define IDB_BACKGROUND_150 106   // the same at 150%, 810 x 692, PNG (RCDATA)
#define IDB_BACKGROUND_200 107   // the same at 200%, 1080 x 922, PNG (RCDATA)
#define IDI_MAIN 102         // window and tray icon, 32 x 32 (and 16 x 16)
#define IDB_ABOUT 104        // 13 x 13 picture of the system menu's About entry

// The system headers name their own hand cursor IDC_HAND; the program only
// ever uses this one, with its hot spot on the fingertip.
#ifdef IDC_HAND
#undef IDC_HAND
#endif
#define IDC_HAND 103         // pointing hand over click areas and links, 32 x 32
