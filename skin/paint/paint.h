// Skin painting over Win32 GDI: the five skin images, the drawing primitives
// and the painters of push buttons, check boxes, option buttons, combo box
// buttons and header items. Painters take an HDC and numbers and read the
// per-window state they need from window properties ("OLDSTATE", "OLDSTYLE",
// "ALPHALEVEL", "0HDC".."3HDC"); they know nothing about subclassing.
//
// Resources: every function releases what it creates before it returns,
// except CreateMemorySurface's surface and BuildSkinImages' images, which are
// owners handed to the caller. A DC passed in is never released here; a DC
// obtained here with GetWindowDC is released here.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/win/memory_surface.h"
#include "skin/paint/colours.h"
#include "skin/paint/geometry.h"
#include "skin/paint/images.h"

namespace skin {

using base::win::MemorySurface;

// The five process-wide skin images, painted once and afterwards only read.
// The skinning engine owns them (in its global state): it builds them before
// the first window is skinned and releases them, in this order, with Release()
// when the last skinned window goes away. Each is a memory surface owning its
// bitmap; a null member means that image could not be created and copies from
// it draw nothing.
struct SkinImages {
    MemorySurface button;       // 7 x 84
    MemorySurface comboButton;  // 15 x 18
    MemorySurface mark;         // 18 x 24
    MemorySurface roundBox;     // 13 x 52
    MemorySurface headerItem;   // 9 x 20

    bool ready() const { return button && comboButton && mark && roundBox && headerItem; }
    void Release() {
        button.reset();
        comboButton.reset();
        mark.reset();
        roundBox.reset();
        headerItem.reset();
    }
};

// Creates the five images in the order above and sets every pixel of each.
SkinImages BuildSkinImages();

// ---- primitives -----------------------------------------------------------

// A memory DC compatible with the display with its own display-compatible
// bitmap of width x height selected into it. Null owner on failure (nothing
// is left behind then). Pixels start undefined.
MemorySurface CreateMemorySurface(int width, int height);

// GetWindowRect into a WindowBox; returns GetWindowRect's result.
bool GetWindowBox(HWND window, WindowBox& box);

// The window's text (GetWindowTextW); empty when it has none.
std::wstring GetWindowTextString(HWND window);

// DrawTextW of the whole text in the rectangle; returns the text height.
int DrawTextInBox(HDC dc, std::wstring_view text, int x, int y, int width, int height, UINT format);

// A solid fill and a one-pixel frame of the rectangle in a colour.
int FillBox(HDC dc, int x, int y, int width, int height, Colour colour);
int FrameBox(HDC dc, int x, int y, int width, int height, Colour colour);

// The dotted focus rectangle (DrawFocusRect, an XOR).
bool DrawFocusBox(HDC dc, int x, int y, int width, int height);

// Thickness of the window's frame on one side: half the difference between the
// window and client sizes (after taking a vertical scroll bar off the width),
// by the centring rule. Always true.
bool GetBorderThickness(HWND window, int& horizontal, int& vertical);

// Stretches a rectangle of a skin image onto dest, keeping margins crisp (see
// PlanNineSlice for the slices). Composes off screen and copies once: opaque
// (BitBlt's result) or, with a key colour, through DrawTransparent (1).
// Returns 0 and draws nothing when a size is 0 or negative.
int DrawNineSlice(HDC dest, int x, int y, int width, int height,
                  HDC source, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                  int left, int top, int right, int bottom,
                  std::optional<Colour> key = std::nullopt);

// Copies width x height from source (sourceX, sourceY) to dest (x, y), leaving
// dest unchanged under source pixels of the key colour. The destination is
// written once. A key with the high bit set names a system colour. Without a
// palette a halftone palette is made for the call.
void DrawTransparent(HDC dest, int x, int y, int width, int height,
                     HDC source, int sourceX, int sourceY, Colour key, HPALETTE palette = nullptr);

// ---- painters -------------------------------------------------------------

// Renders the four state faces of a skinned push button into the surfaces
// held in its properties "0HDC".."3HDC": face, caption, and the focus
// rectangle when the button has the keyboard focus.
void RenderButtonStates(const SkinImages& images, HWND window);

// Blends the face of state "OLDSTATE" onto dc (the window's own DC when dc
// is null) with constant alpha "ALPHALEVEL". Sets "OLDSTATE" to 3 when the
// window is disabled; draws nothing when "OLDSTYLE" marks a check box, radio
// button or group box. Returns 0.
int FadeBlendButton(HWND window, HDC dc);

// The box of a check box or option button at the left edge of the window,
// vertically centred, in state 0..2 (disabled look follows IsWindowEnabled).
// Skips (returns 0) when state equals "OLDSTATE" and force is false; else
// stores state in "OLDSTATE", draws and returns 1.
int PaintCheckBox(const SkinImages& images, HWND window, int state, bool force);
int PaintOptionButton(const SkinImages& images, HWND window, int state, bool force);

// The drop-down button at the right end of a combo box, onto dc in window
// coordinates (the window's own DC when dc is null). An open list forces
// state 2. Skips when the state equals "OLDSTATE" and force is false, and for
// a combo box without CBS_DROPDOWN (then "OLDSTATE" is left alone).
void PaintComboButton(const SkinImages& images, HWND window, HDC dc, int state, bool force);

// One header item's face in state 0..2 (others drawn as 0) with its text
// centred, onto dc (the header's own DC when dc is null). Index below 0 draws
// nothing. Returns 0.
int PaintHeaderItem(const SkinImages& images, HWND window, HDC dc, int index, int state);

}  // namespace skin
