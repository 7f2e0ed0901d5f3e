// Push buttons: four pre-rendered faces, and a fade that blends the new face
// over the old one with rising alpha on the 15 ms timer. A press shows at once.
#include "skin/paint/paint.h"
#include "skin/engine/skin_handlers_win.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skinner.h"

namespace skin {

namespace {

constexpr WPARAM kSpace = 32;

// Check boxes, radio buttons and group boxes of class "button" keep their own
// painting; only their state properties follow the push-button rules.
bool IsDrawnBySkin(HWND hWnd) {
    const INT_PTR type = GetSkinProp(hWnd, kPropOldStyle) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void SetState(HWND hWnd, int state, int alpha) {
    SetSkinProp(hWnd, kPropOldState, state);
    SetSkinProp(hWnd, kPropAlphaLevel, alpha);
}

// The pressed face (or any face) fully and at once, with no fade running.
void ShowAtOnce(HWND hWnd, int state) {
    StopFadeTimer(hWnd);
    SetState(hWnd, state, 255);
    FadeBlendButton(hWnd, nullptr);
    SetSkinProp(hWnd, kPropAlphaLevel, 0);
}

void FadeTo(HWND hWnd, int state, int fromAlpha) {
    SetState(hWnd, state, fromAlpha);
    StartFadeTimer(hWnd);
}

LRESULT OnPaint(const SkinMsg& m) {
    if (!IsDrawnBySkin(m.hWnd)) return m.PassOn();
    StopFadeTimer(m.hWnd);
    SetSkinProp(m.hWnd, kPropAlphaLevel, 255);
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(m.hWnd, &ps);
    FadeBlendButton(m.hWnd, dc);
    EndPaint(m.hWnd, &ps);
    return 0;
}

// New size: the four surfaces keep their DCs and get bitmaps of the new size.
LRESULT OnSize(const SkinMsg& m) {
    const LRESULT result = m.PassOn();
    const int w = WindowWidth(m.hWnd);
    const int h = WindowHeight(m.hWnd);
    HDC windowDc = GetWindowDC(m.hWnd);
    for (int s = 0; s < 4; ++s) {
        HDC surface = reinterpret_cast<HDC>(GetSkinProp(m.hWnd, kPropSurface[s]));
        HBITMAP bitmap = CreateCompatibleBitmap(windowDc, w, h);
        if (surface && bitmap) {
            DeleteObject(SelectObject(surface, bitmap));
        } else if (bitmap) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
        if (bitmap) SetSkinProp(m.hWnd, kPropBitmap[s], reinterpret_cast<INT_PTR>(bitmap));
    }
    RenderButtonStates(SkinImagesInUse(), m.hWnd);
    ReleaseDC(m.hWnd, windowDc);
    HRGN region = CreateRoundRectRgn(0, 0, w + 1, h + 1, 3, 3);
    if (region && !SetWindowRgn(m.hWnd, region, TRUE)) DeleteObject(region);
    return result;
}

LRESULT OnMouseMove(const SkinMsg& m) {
    const LRESULT result = m.PassOn();
    if (GetSkinProp(m.hWnd, kPropMouseFlag) == 0) {
        // The cursor has just come in.
        SetSkinProp(m.hWnd, kPropMouseFlag, 1);
        TrackMouseLeave(m.hWnd);
        FadeTo(m.hWnd, 1, kFadeFromMove);
    } else if (!CursorOver(m.hWnd)) {
        // Outside while the button holds the capture (dragged out pressed):
        // the face on screen is shown fully instead of fading.
        StopFadeTimer(m.hWnd);
        SetSkinProp(m.hWnd, kPropAlphaLevel, 255);
        FadeBlendButton(m.hWnd, nullptr);
    }
    return result;
}

LRESULT OnMouseLeave(const SkinMsg& m) {
    const LRESULT result = m.PassOn();
    SetSkinProp(m.hWnd, kPropMouseFlag, 0);
    SetState(m.hWnd, 1, kLeaveBlendAlpha);
    FadeBlendButton(m.hWnd, nullptr);
    FadeTo(m.hWnd, 0, kFadeFromMove);
    return result;
}

LRESULT OnTimer(const SkinMsg& m) {
    // The step is painted before the old procedure sees the tick.
    const int alpha = GetSkinInt(m.hWnd, kPropAlphaLevel);
    FadeBlendButton(m.hWnd, nullptr);
    const FadeTick tick = AdvanceFade(alpha);
    if (tick.done) StopFadeTimer(m.hWnd);
    SetSkinProp(m.hWnd, kPropAlphaLevel, tick.next);
    return m.PassOn();
}

}  // namespace

LRESULT OnPushButton(const SkinMsg& m) {
    switch (m.msg) {
    case WM_PAINT: return OnPaint(m);
    case WM_SIZE: return OnSize(m);
    case WM_MOUSEMOVE: return OnMouseMove(m);
    case WM_MOUSELEAVE: return OnMouseLeave(m);
    case WM_TIMER: return OnTimer(m);
    default: break;
    }

    const LRESULT result = m.PassOn();
    switch (m.msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ShowAtOnce(m.hWnd, 2);
        break;
    case WM_LBUTTONUP:
        SetSkinProp(m.hWnd, kPropMouseFlag, 0);
        FadeTo(m.hWnd, 0, kFadeFromRelease);
        break;
    case WM_KEYDOWN:
        if (m.wParam == kSpace) ShowAtOnce(m.hWnd, 2);
        break;
    case WM_KEYUP:
        if (m.wParam == kSpace) {
            SetSkinProp(m.hWnd, kPropMouseFlag, 0);
            FadeTo(m.hWnd, 0, kFadeFromMove);
        }
        break;
    case WM_ENABLE:
        SetSkinProp(m.hWnd, kPropOldState, m.wParam ? 0 : 3);
        FadeBlendButton(m.hWnd, nullptr);
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focused button's faces carry the focus rectangle.
        RenderButtonStates(SkinImagesInUse(), m.hWnd);
        SetSkinProp(m.hWnd, kPropAlphaLevel, 0);
        StartFadeTimer(m.hWnd);
        break;
    default:
        break;
    }
    return result;
}

}  // namespace skin
