// The pixels tests compare: what a device context shows, copied out.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/win/handles.h"

namespace testsupport {

// The pixels of a w x h area of dc, top row first, as 0x00RRGGBB.
inline std::vector<uint32_t> PixelsOf(HDC dc, int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    base::win::OwnedBitmap dib{CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0)};
    base::win::MemoryDc copy{CreateCompatibleDC(dc)};
    if (!dib || !copy) return {};
    base::win::SelectGuard keep{copy.get(), dib.get()};
    BitBlt(copy.get(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
    for (uint32_t& c : pixels) c &= 0xFFFFFF;   // the fourth byte is no colour
    return pixels;
}

// Pixels of a whole window, its frame and scroll bars included, as the screen shows them.
inline std::vector<uint32_t> WindowPixels(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    HDC screen = GetWindowDC(w);
    std::vector<uint32_t> pixels = PixelsOf(screen, r.right - r.left, r.bottom - r.top);
    ReleaseDC(w, screen);
    return pixels;
}

}  // namespace testsupport
