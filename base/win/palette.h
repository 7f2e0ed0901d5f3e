// Palette owner and the select-and-realise scope that colour copies use on
// palette displays. On true-colour displays both are cheap no-ops for drawing.
#pragma once
#include <windows.h>

#include "base/win/handles.h"

namespace base::win {

using OwnedPalette = Owned<HPALETTE, detail::DeleteTyped<HPALETTE>>;  // DeleteObject

// Selects a palette as a background palette and realises it; puts the previous
// palette back (and realises that) at the end of the scope.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE palette) : dc_(dc) {
        if (dc_ && palette) {
            old_ = SelectPalette(dc_, palette, TRUE);
            RealizePalette(dc_);
        }
    }
    ~PaletteGuard() {
        if (old_) {
            SelectPalette(dc_, old_, TRUE);
            RealizePalette(dc_);
        }
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;

private:
    HDC dc_;
    HPALETTE old_ = nullptr;
};

}  // namespace base::win
