// The per-kind handlers that SkinWndProc calls for the messages its routing
// table gives to a window's kind.
#pragma once
#include <windows.h>

#include "skin/engine/skin_kind.h"

namespace skin {

// One message on its way through the skin, with the procedure it replaced.
struct SkinMsg {
    WNDPROC old;
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;

    LRESULT PassOn() const { return CallWindowProcW(old, hWnd, msg, wParam, lParam); }
};

LRESULT OnPushButton(const SkinMsg& m);
LRESULT OnComboBox(const SkinMsg& m, SkinKind kind);      // ComboBox, DriveList
LRESULT OnCheckOrOption(const SkinMsg& m, SkinKind kind);  // CheckBox, OptionButton
LRESULT OnHeader(const SkinMsg& m);
LRESULT OnProgressBar(const SkinMsg& m);
LRESULT OnListPaint(const SkinMsg& m, SkinKind kind);      // DataList, ComboList, Grid
LRESULT ApplyFrameRule(const SkinMsg& m);

// Leave tracking as the mouse-move handlers ask for it: once per entry.
void TrackLeaveOnce(HWND hWnd);

// Signed client coordinates of a mouse message.
inline int MouseX(LPARAM lParam) { return static_cast<short>(LOWORD(static_cast<DWORD>(lParam))); }
inline int MouseY(LPARAM lParam) { return static_cast<short>(HIWORD(static_cast<DWORD>(lParam))); }

// True when the cursor is over the window itself (not a child, not another window).
bool CursorOver(HWND hWnd);

}  // namespace skin
