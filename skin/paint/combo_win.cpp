// Combo box button painter: the drop-down button over the right end of the
// control, white when idle, shaded when hot or pressed, with the arrow centred.
#include "base/win/handles.h"
#include "base/win/window_props.h"
#include "skin/paint/paint.h"

namespace skin {

using base::win::GetPropInt;
using base::win::SetPropInt;
using base::win::WindowDc;

void PaintComboButton(const SkinImages& images, HWND window, HDC dc, int state, bool force) {
    if (SendMessageW(window, CB_GETDROPPEDSTATE, 0, 0)) state = kStatePressed;
    if (state == GetPropInt(window, L"OLDSTATE") && !force) return;
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (!(style & CBS_DROPDOWN)) return;  // no drop-down button to paint
    SetPropInt(window, L"OLDSTATE", state);

    WindowBox box;
    GetWindowBox(window, box);
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const int bh = box.height - 2;
    MemorySurface surface = CreateMemorySurface(bw, bh);
    const HDC s = surface.get();
    if (state == kStateHot) {
        DrawNineSlice(s, 0, 0, bw, bh, images.comboButton.get(), 0, 0, 4, 18, 2, 1, 1, 1);
    } else if (state == kStatePressed) {
        DrawNineSlice(s, 0, 0, bw, bh, images.comboButton.get(), 4, 0, 4, 18, 2, 1, 1, 1);
    } else {
        FillBox(s, 0, 0, bw, bh, kWhite);
    }
    const int arrowY = IsWindowEnabled(window) ? 0 : 4;
    DrawTransparent(s, HalfToEven(bw - 7), HalfToEven(box.height - 6), 7, 4, images.comboButton.get(), 8, arrowY,
                    kKeyColour);
    if (!s) return;
    if (dc) {
        BitBlt(dc, box.width - bw - 1, 1, bw, bh, s, 0, 0, SRCCOPY);
    } else {
        WindowDc own{window, WindowDc::Whole};
        BitBlt(own.get(), box.width - bw - 1, 1, bw, bh, s, 0, 0, SRCCOPY);
    }
}

}  // namespace skin
