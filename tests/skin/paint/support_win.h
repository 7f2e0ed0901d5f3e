// Helpers of the skin painting tests under Windows: the images built once,
// surfaces to draw into, pixel reads, real windows and a count of the process's
// live GDI objects.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/win/handles.h"
#include "skin/paint/paint.h"

namespace skintest {

inline const skin::SkinImages& Images() {
    static const skin::SkinImages images = skin::BuildSkinImages();
    return images;
}

inline std::string Hex(COLORREF c) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%06lX", static_cast<unsigned long>(c));
    return buf;
}

inline skin::MemorySurface Surface(int w, int h, COLORREF fill) {
    skin::MemorySurface s = skin::CreateMemorySurface(w, h);
    skin::FillBox(s.get(), 0, 0, w, h, fill);
    return s;
}

// Pixels of a rectangle, row by row.
inline std::vector<COLORREF> Pixels(HDC dc, int x, int y, int w, int h) {
    std::vector<COLORREF> out;
    for (int j = 0; j < h; ++j) {
        for (int i = 0; i < w; ++i) out.push_back(GetPixel(dc, x + i, y + j));
    }
    return out;
}

inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A visible top-level window holding the controls of one test. The window
// itself lives for the whole run (Wine waits for the X server on every
// top-level window it hides); the controls go with the Host.
class Host {
public:
    Host() {
        static base::win::OwnedWindow top{CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                                          40, 40, 400, 300, nullptr, nullptr, GetModuleHandleW(nullptr),
                                                          nullptr)};
        top_ = top.get();
        Pump();
    }
    ~Host() {
        children_.clear();
        Pump();
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;
    HWND get() const { return top_; }
    HWND Child(const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, DWORD exStyle = 0) {
        HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, top_, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        children_.emplace_back(c);
        UpdateWindow(c);
        Pump();
        return c;
    }

private:
    HWND top_;
    std::vector<base::win::OwnedWindow> children_;
};

// Live GDI objects of the process. Windows reports them through
// GetGuiResources; Wine answers 0 there, but its GetObjectType accepts a bare
// table index as a handle, so the table can be counted directly.
inline long CountGdiObjects() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) return static_cast<long>(reported);
    long n = 0;
    for (UINT_PTR i = 1; i < 0x10000; ++i) {
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
    }
    return n;
}

}  // namespace skintest
