// Check box and option button painters: the skinned box over the control's own,
// at the left edge and vertically centred, with the system's check-mark size.
#include "base/win/handles.h"
#include "base/win/window_props.h"
#include "skin/paint/paint.h"

namespace skin {

using base::win::GetPropInt;
using base::win::SetPropInt;
using base::win::WindowDc;

namespace {

// The painters' shared skip rule: nothing to do when the state is already on
// screen and the caller does not force a repaint. Otherwise the state is
// recorded before anything is drawn.
bool TakeState(HWND window, int state, bool force) {
    if (state == GetPropInt(window, L"OLDSTATE") && !force) return false;
    SetPropInt(window, L"OLDSTATE", state);
    return true;
}

int CheckValue(HWND window) { return static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0)); }

}  // namespace

int PaintCheckBox(const SkinImages& images, HWND window, int state, bool force) {
    if (!TakeState(window, state, force)) return 0;
    const int W = GetSystemMetrics(SM_CXMENUCHECK);
    const int H = GetSystemMetrics(SM_CYMENUCHECK);
    WindowBox box;
    GetWindowBox(window, box);
    const int check = CheckValue(window);

    MemorySurface surface = CreateMemorySurface(W, H);
    WindowDc target{window, WindowDc::Whole};
    const HDC s = surface.get();
    const HDC mark = images.mark.get();
    FillBox(s, 0, 0, W, H, kWhite);
    if (IsWindowEnabled(window)) {
        FrameBox(s, 0, 0, W, H, state == kStatePressed ? kPressedBoxFrameColour : kSkinBorderColour);
        if (state == kStateHot) StretchBlt(s, 1, 1, W - 2, H - 2, images.roundBox.get(), 1, 17, 11, 5, SRCCOPY);
        if (state == kStatePressed) StretchBlt(s, 1, 1, W - 2, H - 2, images.roundBox.get(), 1, 30, 11, 5, SRCCOPY);
        if (check == BST_CHECKED) DrawTransparent(s, HalfToEven(W - 9), HalfToEven(H - 8), 9, 8, mark, 0, 0, kKeyColour);
        if (check == BST_INDETERMINATE) DrawTransparent(s, HalfToEven(W - 7), HalfToEven(H - 7), 7, 7, mark, 1, 9, kKeyColour);
    } else {
        FrameBox(s, 0, 0, W, H, kSkinBorderDisabledColour);
        if (check == BST_CHECKED) DrawTransparent(s, HalfToEven(W - 9), HalfToEven(H - 8), 9, 8, mark, 9, 0, kKeyColour);
        if (check == BST_INDETERMINATE) DrawTransparent(s, HalfToEven(W - 7), HalfToEven(H - 7), 7, 7, mark, 10, 9, kKeyColour);
    }
    if (s) BitBlt(target.get(), 0, HalfToEven(box.height - H), W, H, s, 0, 0, SRCCOPY);
    return 1;
}

int PaintOptionButton(const SkinImages& images, HWND window, int state, bool force) {
    if (!TakeState(window, state, force)) return 0;
    WindowBox box;
    GetWindowBox(window, box);
    const int W = GetSystemMetrics(SM_CXMENUCHECK);
    const int H = GetSystemMetrics(SM_CYMENUCHECK);
    const int top = HalfToEven(box.height - H);
    const int check = CheckValue(window);

    WindowDc target{window, WindowDc::Whole};
    const HDC dc = target.get();
    const bool enabled = IsWindowEnabled(window) != FALSE;
    const HDC round = images.roundBox.get();
    if (!enabled) {
        DrawNineSlice(dc, 0, top, W, H, round, 0, 39, 13, 13, 5, 5, 5, 5, kKeyColour);
    } else if (state >= kStateNormal && state <= kStatePressed) {
        DrawNineSlice(dc, 0, top, W, H, round, 0, 13 * state, 13, 13, 5, 5, 5, 5, kKeyColour);
    }
    if (check == BST_CHECKED) {
        DrawTransparent(dc, HalfToEven(W - 5), HalfToEven(H - 5, top), 5, 5, images.mark.get(), enabled ? 2 : 11, 18,
                        kKeyColour);
    }
    return 1;
}

}  // namespace skin
