// Push-button painter: the four state faces rendered into the surfaces held in
// the window's properties, and the constant-alpha blend that shows one of them.
#include "base/win/handles.h"
#include "base/win/window_props.h"
#include "skin/paint/paint.h"

namespace skin {

using base::win::GetPropInt;
using base::win::GetPropPtr;
using base::win::SelectGuard;
using base::win::SetPropInt;
using base::win::WindowDc;

namespace {

constexpr const wchar_t* kStateSurfaceNames[4] = {L"0HDC", L"1HDC", L"2HDC", L"3HDC"};
constexpr UINT kCaptionFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;

HDC StateSurface(HWND window, int state) {
    if (state < 0 || state > 3) return nullptr;
    return reinterpret_cast<HDC>(GetPropPtr(window, kStateSurfaceNames[state]));
}

}  // namespace

void RenderButtonStates(const SkinImages& images, HWND window) {
    WindowBox box;
    GetWindowBox(window, box);
    const std::wstring text = GetWindowTextString(window);
    const bool focused = GetFocus() == window;
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    for (int state = 0; state < 4; ++state) {
        const HDC surface = StateSurface(window, state);
        if (!surface) continue;
        // The font is the window's; it is put back after drawing so that the
        // window's owner can delete it while the surface lives on.
        SelectGuard keepFont{surface, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT)};
        SetBkMode(surface, TRANSPARENT);
        DrawNineSlice(surface, 0, 0, box.width, box.height, images.button.get(), 0, 21 * state, 7, 21, 3, 3, 3, 3);
        SetTextColor(surface, state == kStateDisabled ? kDisabledTextColour : kBlack);
        DrawTextInBox(surface, text, 2, 2, box.width - 4, box.height - 4, kCaptionFormat);
        if (focused) DrawFocusBox(surface, 2, 2, box.width - 4, box.height - 4);
    }
}

int FadeBlendButton(HWND window, HDC dc) {
    if (!IsWindowEnabled(window)) SetPropInt(window, L"OLDSTATE", kStateDisabled);
    const std::int32_t style = GetPropInt(window, L"OLDSTYLE");
    if (style & 0x6) return 0;  // check box, radio button, three-state or group box

    WindowBox box;
    GetWindowBox(window, box);
    const int state = GetPropInt(window, L"OLDSTATE");
    const int alpha = GetPropInt(window, L"ALPHALEVEL");
    const HDC surface = StateSurface(window, state);
    if (!surface) return 0;

    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.BlendFlags = 0;
    blend.SourceConstantAlpha = static_cast<BYTE>(alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha));
    blend.AlphaFormat = 0;
    if (dc) {
        AlphaBlend(dc, 0, 0, box.width, box.height, surface, 0, 0, box.width, box.height, blend);
    } else {
        WindowDc own{window, WindowDc::Whole};
        AlphaBlend(own.get(), 0, 0, box.width, box.height, surface, 0, 0, box.width, box.height, blend);
    }
    return 0;
}

}  // namespace skin
