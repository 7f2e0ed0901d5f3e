// Transparent labels and picture boxes for the main window. A label paints
// whatever its parent draws behind it (the parent answers WM_PRINTCLIENT),
// then its text; a click tells the parent with WM_COMMAND / STN_CLICKED.
#pragma once
#include <windows.h>

namespace app {

inline constexpr wchar_t kLabelClass[] = L"ToviLabel";
inline constexpr wchar_t kPictureClass[] = L"ToviPicture";

struct LabelLook {
    COLORREF textColor = RGB(0, 0, 0);
    UINT format = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;   // DrawTextW flags
    HCURSOR cursor = nullptr;    // shown over the label; borrowed, null for the arrow
    HFONT font = nullptr;        // borrowed from the form, which outlives its labels
};

// Registers both classes once per process; returns false if that failed.
bool RegisterLabelClasses(HINSTANCE instance);

// A child label at the given pixel rectangle with the caption text.
HWND CreateLabel(HWND parent, int id, const RECT& box, const wchar_t* text, const LabelLook& look);

// A child picture box that draws bitmap (borrowed) at its top-left corner.
HWND CreatePicture(HWND parent, int id, const RECT& box, HBITMAP bitmap, bool visible);

// The look a label was created with.
LabelLook LabelLookOf(HWND label);

}  // namespace app
