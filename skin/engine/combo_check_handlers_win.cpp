// Combo boxes, drive lists, check boxes and option buttons keep their own
// painting; the skin draws the drop-down button with the frame, or the box,
// over it in the state each message calls for.
#include "skin/paint/paint.h"
#include "skin/engine/skin_handlers_win.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skinner.h"

namespace skin {

namespace {

constexpr WPARAM kSpace = 32;

// A combo box with its own edit field (style bit 0x1 clear, drop-down) has a
// button strip at its right edge; a simple combo or a drop-down list counts
// as all button.
bool HasEditField(HWND hWnd) { return (GetWindowLongW(hWnd, GWL_STYLE) & 0x1) == 0; }

bool OverComboButton(HWND hWnd, LPARAM lParam) {
    if (!HasEditField(hWnd)) return true;
    const int x = MouseX(lParam);
    const int y = MouseY(lParam);
    const int w = WindowWidth(hWnd);
    const int h = WindowHeight(hWnd);
    const int v = GetSystemMetrics(SM_CXVSCROLL);
    return w - v - 2 <= x && x <= w - 2 && 2 <= y && y <= h - 2;
}

// Outer ring in the border colour, inner ring white.
void ListFrame(HWND hWnd, HDC dc) {
    const int w = WindowWidth(hWnd);
    const int h = WindowHeight(hWnd);
    FrameBox(dc, 0, 0, w, h, BorderColorOf(hWnd));
    FrameBox(dc, 1, 1, w - 2, h - 2, kWhite);
}

void FrameAndButtonOverOwnPainting(HWND hWnd) {
    HDC dc = GetWindowDC(hWnd);
    ListFrame(hWnd, dc);
    PaintComboButton(SkinImagesInUse(), hWnd, dc, GetSkinInt(hWnd, kPropOldState), true);
    ReleaseDC(hWnd, dc);
}

LRESULT OnComboPaint(const SkinMsg& m, SkinKind kind) {
    if (kind == SkinKind::ComboBox && HasEditField(m.hWnd)) {
        // Drawn whole: the edit field is a child window and paints itself.
        PAINTSTRUCT ps{};
        HDC dc = BeginPaint(m.hWnd, &ps);
        const int w = WindowWidth(m.hWnd);
        const int h = WindowHeight(m.hWnd);
        FillBox(dc, 0, 0, w, h, kWhite);
        FrameBox(dc, 0, 0, w, h, BorderColorOf(m.hWnd));
        PaintComboButton(SkinImagesInUse(), m.hWnd, dc, GetSkinInt(m.hWnd, kPropOldState), true);
        EndPaint(m.hWnd, &ps);
        return 0;
    }
    const LRESULT result = m.PassOn();
    FrameAndButtonOverOwnPainting(m.hWnd);
    return result;
}

}  // namespace

LRESULT OnComboBox(const SkinMsg& m, SkinKind kind) {
    if (m.msg == WM_PAINT) return OnComboPaint(m, kind);
    const LRESULT result = m.PassOn();
    const bool isCombo = kind == SkinKind::ComboBox;
    switch (m.msg) {
    case WM_MOUSEMOVE: {
        TrackLeaveOnce(m.hWnd);
        int state = (m.wParam & MK_LBUTTON) ? 2 : 1;
        if (isCombo && !OverComboButton(m.hWnd, m.lParam)) state = 0;
        PaintComboButton(SkinImagesInUse(), m.hWnd, nullptr, state, false);
        break;
    }
    case WM_MOUSELEAVE:
        SetSkinProp(m.hWnd, kPropMouseFlag, 0);
        PaintComboButton(SkinImagesInUse(), m.hWnd, nullptr, 0, false);
        break;
    case WM_LBUTTONDOWN:
        if (!isCombo || OverComboButton(m.hWnd, m.lParam)) PaintComboButton(SkinImagesInUse(), m.hWnd, nullptr, 2, false);
        break;
    case WM_LBUTTONUP:
        PaintComboButton(SkinImagesInUse(), m.hWnd, nullptr, CursorOver(m.hWnd) ? 1 : 0, false);
        break;
    case WM_WINDOWPOSCHANGING:
        PaintComboButton(SkinImagesInUse(), m.hWnd, nullptr, 0, false);
        break;
    default:
        break;
    }
    return result;
}

LRESULT OnCheckOrOption(const SkinMsg& m, SkinKind kind) {
    const LRESULT result = m.PassOn();
    const auto paint = [&](int state, bool forced) {
        if (kind == SkinKind::CheckBox) {
            PaintCheckBox(SkinImagesInUse(), m.hWnd, state, forced);
        } else {
            PaintOptionButton(SkinImagesInUse(), m.hWnd, state, forced);
        }
    };
    switch (m.msg) {
    case WM_PAINT:
        paint(0, true);
        break;
    case WM_MOUSEMOVE:
        TrackLeaveOnce(m.hWnd);
        paint((m.wParam & MK_LBUTTON) ? 2 : 1, true);
        break;
    case WM_MOUSELEAVE:
        SetSkinProp(m.hWnd, kPropMouseFlag, 0);
        paint(0, false);
        break;
    case WM_LBUTTONDOWN:
        paint(2, false);
        break;
    case WM_LBUTTONUP:
        paint(0, false);
        break;
    case WM_KEYDOWN:
        if (m.wParam == kSpace) paint(2, false);
        break;
    case WM_KEYUP:
        if (m.wParam == kSpace) paint(0, false);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (kind == SkinKind::OptionButton) paint(0, true);
        break;
    default:
        break;
    }
    return result;
}

}  // namespace skin
