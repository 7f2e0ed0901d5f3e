// Header item painter: one item's face in its state with the caption centred,
// composed off screen and copied in with one BitBlt.
#include <windows.h>
#include <commctrl.h>

#include <array>

#include "base/win/handles.h"
#include "skin/paint/paint.h"

namespace skin {

using base::win::SelectGuard;
using base::win::WindowDc;

int PaintHeaderItem(const SkinImages& images, HWND window, HDC dc, int index, int state) {
    if (index < 0) return 0;
    WindowBox box;
    GetWindowBox(window, box);
    RECT item{};
    SendMessageW(window, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const int iw = item.right - item.left;
    const int ih = item.bottom - item.top;

    MemorySurface surface = CreateMemorySurface(iw, box.height);
    const HDC s = surface.get();
    if (!s) return 0;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    SelectGuard keepFont{s, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT)};
    SetBkMode(s, TRANSPARENT);

    const int faceX = state == kStateHot ? 3 : (state == kStatePressed ? 6 : 0);
    DrawNineSlice(s, 0, 0, iw, box.height, images.headerItem.get(), faceX, 0, 3, 20, 1, 1, 1, 1);

    // The buffer is as large as the control is told it is.
    std::array<wchar_t, 256> buffer{};
    HDITEMW request{};
    request.mask = HDI_TEXT;
    request.pszText = buffer.data();
    request.cchTextMax = static_cast<int>(buffer.size());
    SendMessageW(window, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&request));
    buffer.back() = L'\0';
    const std::wstring text(buffer.data());
    if (!text.empty()) {
        DrawTextInBox(s, text, 0, 0, iw, box.height, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }

    if (dc) {
        BitBlt(dc, item.left, 0, iw, ih, s, 0, 0, SRCCOPY);
    } else {
        WindowDc own{window, WindowDc::Whole};
        BitBlt(own.get(), item.left, 0, iw, ih, s, 0, 0, SRCCOPY);
    }
    return 0;
}

}  // namespace skin
