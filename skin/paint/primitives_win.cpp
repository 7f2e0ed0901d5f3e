// Drawing primitives over GDI: memory surfaces, window measurements, boxes,
// text, and the two copies that carry the skin: nine-slice and transparent.
#include <olectl.h>

#include "base/win/handles.h"
#include "base/win/palette.h"
#include "skin/paint/paint.h"

namespace skin {

using base::win::MemoryDc;
using base::win::OwnedBitmap;
using base::win::OwnedBrush;
using base::win::OwnedPalette;
using base::win::PaletteGuard;
using base::win::SelectGuard;

namespace {

MemoryDc CreateDisplayDc() { return MemoryDc{CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr)}; }

RECT RectOf(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

}  // namespace

MemorySurface CreateMemorySurface(int width, int height) {
    MemoryDc display = CreateDisplayDc();
    if (!display) return {};
    MemoryDc memory{CreateCompatibleDC(display.get())};
    if (!memory) return {};
    OwnedBitmap bitmap{CreateCompatibleBitmap(display.get(), width, height)};
    if (!bitmap) return {};
    HGDIOBJ previous = SelectObject(memory.get(), bitmap.get());
    if (!previous || previous == HGDI_ERROR) return {};
    return MemorySurface{memory.release(), bitmap.release(), previous};
}

bool GetWindowBox(HWND window, WindowBox& box) {
    RECT r{};
    const BOOL ok = GetWindowRect(window, &r);
    box.left = r.left;
    box.top = r.top;
    box.right = r.right;
    box.bottom = r.bottom;
    box.width = r.right - r.left;
    box.height = r.bottom - r.top;
    return ok != FALSE;
}

std::wstring GetWindowTextString(HWND window) {
    const int n = GetWindowTextLengthW(window);
    if (n <= 0) return {};
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), n + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

int DrawTextInBox(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format) {
    RECT r = RectOf(x, y, width, height);
    // An explicit length, so the view need not be NUL-terminated; without
    // DT_MODIFYSTRING the text is only read.
    return DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r, format & ~UINT{DT_MODIFYSTRING});
}

int FillBox(HDC dc, int x, int y, int width, int height, Colour colour) {
    OwnedBrush brush{CreateSolidBrush(colour)};
    const RECT r = RectOf(x, y, width, height);
    return FillRect(dc, &r, brush.get());
}

int FrameBox(HDC dc, int x, int y, int width, int height, Colour colour) {
    OwnedBrush brush{CreateSolidBrush(colour)};
    const RECT r = RectOf(x, y, width, height);
    return FrameRect(dc, &r, brush.get());
}

bool DrawFocusBox(HDC dc, int x, int y, int width, int height) {
    const RECT r = RectOf(x, y, width, height);
    return DrawFocusRect(dc, &r) != FALSE;
}

bool GetBorderThickness(HWND window, int& horizontal, int& vertical) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int vscroll = GetSystemMetrics(SM_CXVSCROLL);
    int spareX = (outer.right - outer.left) - (client.right - client.left);
    const int spareY = (outer.bottom - outer.top) - (client.bottom - client.top);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (style & WS_VSCROLL) spareX -= vscroll;
    // The vertical spare is taken as it is: the only reader of the vertical
    // thickness measures windows without scroll bars.
    horizontal = HalfToEven(spareX);
    vertical = HalfToEven(spareY);
    return true;
}

int DrawNineSlice(HDC dest, int x, int y, int width, int height,
                  HDC source, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                  int left, int top, int right, int bottom, std::optional<Colour> key) {
    NineSliceRequest request;
    request.width = width;
    request.height = height;
    request.source = Box{sourceX, sourceY, sourceWidth, sourceHeight};
    request.left = left;
    request.top = top;
    request.right = right;
    request.bottom = bottom;
    const NineSlicePlan plan = PlanNineSlice(request);
    if (plan.count == 0) return 0;

    MemorySurface surface = CreateMemorySurface(width, height);
    if (!surface) return 0;
    // The stretch mode stays at its default (BLACKONWHITE).
    for (std::size_t i = 0; i < plan.count; ++i) {
        const SliceCopy& c = plan.copies[i];
        if (c.stretch) {
            StretchBlt(surface.get(), c.to.x, c.to.y, c.to.width, c.to.height,
                       source, c.from.x, c.from.y, c.from.width, c.from.height, SRCCOPY);
        } else {
            BitBlt(surface.get(), c.to.x, c.to.y, c.to.width, c.to.height, source, c.from.x, c.from.y, SRCCOPY);
        }
    }
    if (!key) return BitBlt(dest, x, y, width, height, surface.get(), 0, 0, SRCCOPY);
    DrawTransparent(dest, x, y, width, height, surface.get(), 0, 0, *key);
    return 1;
}

void DrawTransparent(HDC dest, int x, int y, int width, int height,
                     HDC source, int sourceX, int sourceY, Colour key, HPALETTE palette) {
    if (width <= 0 || height <= 0) return;
    MemoryDc display = CreateDisplayDc();
    OwnedPalette ownPalette;
    if (!palette) {
        ownPalette.reset(CreateHalftonePalette(display.get()));
        palette = ownPalette.get();
    }
    COLORREF translated = key;
    if (OleTranslateColor(key, palette, &translated) != S_OK) translated = key;
    translated &= 0xFFFFFF;

    // Declaration order is release order in reverse: bitmaps are put back
    // (guards) before they are deleted, and DCs are deleted last.
    MemoryDc back{CreateCompatibleDC(display.get())};
    OwnedBitmap backBitmap{CreateCompatibleBitmap(display.get(), width, height)};
    SelectGuard backSelect{back.get(), backBitmap.get()};
    PaletteGuard backPalette{back.get(), palette};
    BitBlt(back.get(), 0, 0, width, height, dest, x, y, SRCCOPY);

    MemoryDc copy{CreateCompatibleDC(display.get())};
    OwnedBitmap copyBitmap{CreateCompatibleBitmap(display.get(), width, height)};
    SelectGuard copySelect{copy.get(), copyBitmap.get()};
    PaletteGuard copyPalette{copy.get(), palette};
    SetBkColor(copy.get(), GetBkColor(source));
    SetTextColor(copy.get(), GetTextColor(source));
    BitBlt(copy.get(), 0, 0, width, height, source, sourceX, sourceY, SRCCOPY);

    MemoryDc mask{CreateCompatibleDC(display.get())};
    OwnedBitmap maskBitmap{CreateBitmap(width, height, 1, 1, nullptr)};
    SelectGuard maskSelect{mask.get(), maskBitmap.get()};

    // Key pixels become 1 (white) in the mask, all others 0.
    SetBkColor(copy.get(), translated);
    SetTextColor(copy.get(), 0xFFFFFF);
    BitBlt(mask.get(), 0, 0, width, height, copy.get(), 0, 0, SRCCOPY);

    // Key pixels of the copy become black: copy AND NOT mask.
    SetTextColor(copy.get(), 0x000000);
    SetBkColor(copy.get(), 0xFFFFFF);
    BitBlt(copy.get(), 0, 0, width, height, mask.get(), 0, 0, 0x00220326);

    // The background keeps its pixels under the key and turns black elsewhere;
    // the opaque source pixels then fill those holes.
    BitBlt(back.get(), 0, 0, width, height, mask.get(), 0, 0, SRCAND);
    BitBlt(back.get(), 0, 0, width, height, copy.get(), 0, 0, SRCPAINT);

    BitBlt(dest, x, y, width, height, back.get(), 0, 0, SRCCOPY);
}

}  // namespace skin
