// Frames of windows with a sunken client edge, the frames of list windows,
// progress bars drawn whole, and headers drawn whole with hot and pressed items.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "skin/paint/paint.h"
#include "skin/engine/skin_handlers_win.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skinner.h"

namespace skin {

namespace {

int ClientWidth(const RECT& r) { return r.right - r.left; }
int ClientHeight(const RECT& r) { return r.bottom - r.top; }

double ProgressOf(HWND hWnd) {
    return ProgressFraction(static_cast<long>(SendMessageW(hWnd, PBM_GETPOS, 0, 0)));
}

bool IsVertical(HWND hWnd) { return (GetWindowLongW(hWnd, GWL_STYLE) & PBS_VERTICAL) != 0; }

// The whole window: border ring, white inside, and the bar over the client area.
LRESULT OnProgressNcPaint(HWND hWnd) {
    int bx = 0, by = 0;
    GetBorderThickness(hWnd, bx, by);
    const int w = WindowWidth(hWnd);
    const int h = WindowHeight(hWnd);
    RECT client{};
    GetClientRect(hWnd, &client);
    const int cx = ClientWidth(client), cy = ClientHeight(client);
    MemorySurface owned = CreateMemorySurface(w, h);
    HDC surface = owned.get();
    if (!surface) return 0;
    const double f = ProgressOf(hWnd);
    FillBox(surface, 0, 0, w, h, kSkinBorderColour);
    FillBox(surface, 1, 1, w - 2, h - 2, kWhite);
    if (f != 0.0) {
        if (IsVertical(hWnd)) {
            // Filled from the bottom, smooth or not, as the client paint does.
            const int fill = ProgressFillLength(cy, f);
            FillBox(surface, bx, by + cy - fill, cx, fill, kProgressFillColour);
        } else {
            FillBox(surface, bx, by, ProgressFillLength(cx, f), cy, kProgressFillColour);
        }
    }
    HDC windowDc = GetWindowDC(hWnd);
    BitBlt(windowDc, 0, 0, w, h, surface, 0, 0, SRCCOPY);
    ReleaseDC(hWnd, windowDc);
    return 0;
}

LRESULT OnProgressPaint(HWND hWnd) {
    RECT client{};
    GetClientRect(hWnd, &client);
    const int cx = ClientWidth(client), cy = ClientHeight(client);
    MemorySurface owned = CreateMemorySurface(cx, cy);
    HDC surface = owned.get();
    const double f = ProgressOf(hWnd);
    if (surface) {
        FillBox(surface, 0, 0, cx, cy, kWhite);
        if (f != 0.0) {
            if (IsVertical(hWnd)) {
                const int fill = ProgressFillLength(cy, f);
                FillBox(surface, 0, cy - fill, cx, fill, kProgressFillColour);
            } else {
                FillBox(surface, 0, 0, ProgressFillLength(cx, f), cy, kProgressFillColour);
            }
        }
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hWnd, &ps);
    if (surface) BitBlt(dc, 0, 0, cx, cy, surface, 0, 0, SRCCOPY);
    EndPaint(hWnd, &ps);
    return 0;
}

int HeaderItemCount(HWND hWnd) { return static_cast<int>(SendMessageW(hWnd, HDM_GETITEMCOUNT, 0, 0)); }

RECT HeaderItemRect(HWND hWnd, int index) {
    RECT r{};
    SendMessageW(hWnd, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

// Item texts of up to 255 characters; NULs inside the buffer are dropped.
std::wstring HeaderItemText(HWND hWnd, int index) {
    wchar_t buffer[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(hWnd, HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    std::wstring text;
    // The control may point pszText at its own storage instead of copying.
    const wchar_t* source = item.pszText ? item.pszText : buffer;
    for (int i = 0; i < 255 && source[i]; ++i) text.push_back(source[i]);
    return text;
}

int HitHeaderItem(HWND hWnd, int x) {
    const int n = HeaderItemCount(hWnd);
    for (int i = 0; i < n; ++i) {
        const RECT r = HeaderItemRect(hWnd, i);
        if (r.left <= x && x <= r.right) return i;
    }
    return -1;
}

LRESULT OnHeaderPaint(HWND hWnd) {
    const int w = WindowWidth(hWnd);
    const int h = WindowHeight(hWnd);
    MemorySurface owned = CreateMemorySurface(w, h);
    HDC surface = owned.get();
    if (surface) {
        HDC image = SkinImagesInUse().headerItem.get();
        // Background: the one-pixel column at x 1 of the normal face, stretched.
        StretchBlt(surface, 0, 0, w, h, image, 1, 0, 1, 20, SRCCOPY);
        const int n = HeaderItemCount(hWnd);
        if (n > 0) {
            const int pressed = GetSkinInt(hWnd, kPropHdIndex);
            const int hot = GetSkinInt(hWnd, kPropHmIndex);
            HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(hWnd, WM_GETFONT, 0, 0));
            HGDIOBJ oldFont = font ? SelectObject(surface, font) : nullptr;
            SetBkMode(surface, TRANSPARENT);
            for (int i = 0; i < n; ++i) {
                const RECT r = HeaderItemRect(hWnd, i);
                const std::wstring text = HeaderItemText(hWnd, i);
                const int face = i == pressed ? 6 : i == hot ? 3 : 0;
                DrawNineSlice(surface, r.left, 0, r.right - r.left, h, image, face, 0, 3, 20, 1, 1, 1, 1);
                if (!text.empty()) {
                    DrawTextInBox(surface, text.c_str(), r.left, 0, r.right - r.left, r.bottom,
                                          DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
                }
            }
            if (oldFont) SelectObject(surface, oldFont);
        }
    }
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hWnd, &ps);
    if (surface) BitBlt(dc, 0, 0, w, h, surface, 0, 0, SRCCOPY);
    EndPaint(hWnd, &ps);
    return 0;
}

void HeaderMouseMove(const SkinMsg& m) {
    TrackLeaveOnce(m.hWnd);
    const int hit = HitHeaderItem(m.hWnd, MouseX(m.lParam));
    const int hot = GetSkinInt(m.hWnd, kPropHmIndex);
    const int pressed = GetSkinInt(m.hWnd, kPropHdIndex);
    if (hit == hot) return;
    if (hot >= 0 && hot != pressed) PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hot, 0);
    if (m.wParam & MK_LBUTTON) {
        // While dragging, only the pressed item is drawn (pressed again when
        // the cursor comes back over it); nothing becomes hot.
        if (hit == pressed) PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hit, 2);
    } else {
        SetSkinProp(m.hWnd, kPropHmIndex, hit);
        PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hit, 1);
    }
}

void HeaderButtonDown(const SkinMsg& m) {
    if (HeaderItemCount(m.hWnd) <= 0) return;
    const int hit = HitHeaderItem(m.hWnd, MouseX(m.lParam));
    SetSkinProp(m.hWnd, kPropHdIndex, hit);
    if (hit >= 0) PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hit, 2);
}

void HeaderButtonUp(const SkinMsg& m) {
    const int pressed = GetSkinInt(m.hWnd, kPropHdIndex);
    SetSkinProp(m.hWnd, kPropHdIndex, -1);
    if (pressed < 0) return;
    // Released over the header, the item under the cursor shows hot and the
    // released one, if it is another, normal; released outside, the released
    // item returns to normal.
    const int hit = CursorOver(m.hWnd) ? HitHeaderItem(m.hWnd, MouseX(m.lParam)) : -1;
    if (hit != pressed) PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, pressed, 0);
    if (hit >= 0) {
        SetSkinProp(m.hWnd, kPropHmIndex, hit);
        PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hit, 1);
    }
}

void HeaderMouseLeave(const SkinMsg& m) {
    const int hot = GetSkinInt(m.hWnd, kPropHmIndex);
    SetSkinProp(m.hWnd, kPropMouseFlag, 0);
    SetSkinProp(m.hWnd, kPropHdIndex, -1);
    SetSkinProp(m.hWnd, kPropHmIndex, -1);
    if (hot >= 0) PaintHeaderItem(SkinImagesInUse(), m.hWnd, nullptr, hot, 0);
}

}  // namespace

LRESULT ApplyFrameRule(const SkinMsg& m) {
    const LRESULT result = m.PassOn();
    if ((GetWindowLongW(m.hWnd, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) == 0) return result;
    int t = 0, unused = 0;
    GetBorderThickness(m.hWnd, t, unused);
    const int w = WindowWidth(m.hWnd);
    const int h = WindowHeight(m.hWnd);
    HDC windowDc = GetWindowDC(m.hWnd);
    HDC clientDc = GetDC(m.hWnd);
    FrameBox(windowDc, 0, 0, w, h, BorderColorOf(m.hWnd));
    // The rest of the sunken edge takes the client's background, so the
    // control looks flat with a one-pixel coloured border.
    const COLORREF background = GetBkColor(clientDc);
    for (int d = 1; d <= t; ++d) {
        const Ring ring = EdgeRing(w, h, d);
        FrameBox(windowDc, ring.x, ring.y, ring.width, ring.height, background);
    }
    ReleaseDC(m.hWnd, clientDc);
    ReleaseDC(m.hWnd, windowDc);
    return result;
}

LRESULT OnProgressBar(const SkinMsg& m) {
    // Drawn whole off screen; the control's own painting never runs.
    if (m.msg == WM_NCPAINT) return OnProgressNcPaint(m.hWnd);
    if (m.msg == WM_PAINT) return OnProgressPaint(m.hWnd);
    return m.PassOn();
}

LRESULT OnHeader(const SkinMsg& m) {
    if (m.msg == WM_PAINT) return OnHeaderPaint(m.hWnd);
    const LRESULT result = m.PassOn();
    switch (m.msg) {
    case WM_MOUSEMOVE: HeaderMouseMove(m); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: HeaderButtonDown(m); break;
    case WM_LBUTTONUP: HeaderButtonUp(m); break;
    case WM_MOUSELEAVE: HeaderMouseLeave(m); break;
    default: break;
    }
    return result;
}

LRESULT OnListPaint(const SkinMsg& m, SkinKind kind) {
    const LRESULT result = m.PassOn();
    if (m.msg != WM_PAINT) return result;
    const int w = WindowWidth(m.hWnd);
    const int h = WindowHeight(m.hWnd);
    HDC windowDc = GetWindowDC(m.hWnd);
    if (kind == SkinKind::Grid) {
        if (GetWindowLongW(m.hWnd, GWL_STYLE) & WS_BORDER) FrameBox(windowDc, 0, 0, w, h, BorderColorOf(m.hWnd));
    } else {
        FrameBox(windowDc, 0, 0, w, h, BorderColorOf(m.hWnd));
        FrameBox(windowDc, 1, 1, w - 2, h - 2, kWhite);
    }
    ReleaseDC(m.hWnd, windowDc);
    return result;
}

}  // namespace skin
