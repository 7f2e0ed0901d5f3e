// Owners of Win32 handles: one type per release call, named after it. An owner
// stores everything its destructor needs, cannot be copied, and can be moved.
// Handles we do not own (stock objects, system colour brushes, LR_SHARED
// images, DCs passed in by a caller) stay plain.
#pragma once
#include <windows.h>

#include <utility>

namespace base::win {

// Counts live owned handles in every build; tests read it to prove that a
// routine released what it created.
long LiveHandleCount();
namespace detail {
void CountHandle(int delta);
}

// Generic owner for handles released by one free function.
template <class H, BOOL(WINAPI* Release)(H)>
class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) { if (h_) detail::CountHandle(+1); }
    ~Owned() { reset(); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) { reset(); h_ = std::exchange(o.h_, nullptr); }
        return *this;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Hands the handle to someone else, who releases it from then on.
    H release() { if (h_) detail::CountHandle(-1); return std::exchange(h_, nullptr); }
    void reset(H h = nullptr) {
        if (h_) { Release(h_); detail::CountHandle(-1); }
        h_ = h;
        if (h_) detail::CountHandle(+1);
    }

private:
    H h_ = nullptr;
};

namespace detail {
template <class T>
inline BOOL WINAPI DeleteTyped(T h) { return DeleteObject(h); }
}  // namespace detail

using OwnedBrush = Owned<HBRUSH, detail::DeleteTyped<HBRUSH>>;     // DeleteObject
using OwnedPen = Owned<HPEN, detail::DeleteTyped<HPEN>>;           // DeleteObject
using OwnedFont = Owned<HFONT, detail::DeleteTyped<HFONT>>;        // DeleteObject
using OwnedBitmap = Owned<HBITMAP, detail::DeleteTyped<HBITMAP>>;  // DeleteObject
using OwnedRegion = Owned<HRGN, detail::DeleteTyped<HRGN>>;        // DeleteObject
using MemoryDc = Owned<HDC, DeleteDC>;                             // DeleteDC
using OwnedIcon = Owned<HICON, DestroyIcon>;                       // DestroyIcon
using OwnedCursor = Owned<HCURSOR, DestroyCursor>;                 // DestroyCursor
using OwnedMenu = Owned<HMENU, DestroyMenu>;                       // DestroyMenu
using OwnedWindow = Owned<HWND, DestroyWindow>;                    // DestroyWindow

// A DC from GetDC or GetWindowDC, released with ReleaseDC and its window.
class WindowDc {
public:
    enum Area { Client, Whole };
    explicit WindowDc(HWND w, Area area = Client)
        : wnd_(w), dc_(area == Client ? GetDC(w) : GetWindowDC(w)) { if (dc_) detail::CountHandle(+1); }
    ~WindowDc() { if (dc_) { ReleaseDC(wnd_, dc_); detail::CountHandle(-1); } }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// Selects an object into a DC for one scope and puts the previous one back.
// Declare the object's owner first, so that this guard is destroyed first.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~SelectGuard() { if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_); }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint / EndPaint.
class PaintScope {
public:
    explicit PaintScope(HWND w) : wnd_(w) { dc_ = BeginPaint(w, &ps_); }
    ~PaintScope() { EndPaint(wnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

private:
    HWND wnd_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

}  // namespace base::win
