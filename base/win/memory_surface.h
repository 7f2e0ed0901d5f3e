// An off-screen drawing surface: a memory DC with its own bitmap selected into
// it. DeleteDC alone does not free a bitmap that is selected into the DC, so the
// owner keeps the bitmap and the one it replaced, puts the old one back, deletes
// the bitmap, and only then deletes the DC.
#pragma once
#include <windows.h>

#include <utility>

#include "base/win/handles.h"

namespace base::win {

class MemorySurface {
public:
    MemorySurface() = default;
    // Takes over dc and bitmap; bitmap must already be selected into dc, and
    // previous is what that selection returned.
    MemorySurface(HDC dc, HBITMAP bitmap, HGDIOBJ previous) : dc_(dc), bitmap_(bitmap), previous_(previous) {
        if (dc_) detail::CountHandle(+1);
        if (bitmap_) detail::CountHandle(+1);
    }
    ~MemorySurface() { reset(); }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;
    MemorySurface(MemorySurface&& o) noexcept
        : dc_(std::exchange(o.dc_, nullptr)),
          bitmap_(std::exchange(o.bitmap_, nullptr)),
          previous_(std::exchange(o.previous_, nullptr)) {}
    MemorySurface& operator=(MemorySurface&& o) noexcept {
        if (this != &o) {
            reset();
            dc_ = std::exchange(o.dc_, nullptr);
            bitmap_ = std::exchange(o.bitmap_, nullptr);
            previous_ = std::exchange(o.previous_, nullptr);
        }
        return *this;
    }

    HDC get() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    explicit operator bool() const { return dc_ != nullptr; }

    void reset() {
        if (dc_ && previous_) SelectObject(dc_, previous_);
        if (bitmap_) { DeleteObject(bitmap_); detail::CountHandle(-1); }
        if (dc_) { DeleteDC(dc_); detail::CountHandle(-1); }
        dc_ = nullptr;
        bitmap_ = nullptr;
        previous_ = nullptr;
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

}  // namespace base::win
