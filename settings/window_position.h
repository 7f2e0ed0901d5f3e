// Where the window opens: at its saved place while that is still reachable on
// some monitor, otherwise centred on the main monitor's work area.
#pragma once
#include "settings/settings.h"

#include <span>

namespace settings {

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// A saved place is reachable when the window's caption strip (the top
// `captionHeight` pixels) shows on one monitor at least kMinCaptionVisible
// pixels wide (or the whole width of a narrower window) and at least half its
// height, so that it can be grabbed and dragged.
inline constexpr int kMinCaptionVisible = 40;
bool CaptionReachable(const Box& window, int captionHeight, std::span<const Box> monitors);

// The top-left corner for a window of `width` x `height`: `saved` when the
// window would be reachable there, else centred in `workArea` (its top-left
// corner kept inside the area when the window is larger).
Point OpeningPosition(std::optional<Point> saved, int width, int height, int captionHeight,
                      std::span<const Box> monitors, const Box& workArea);

}  // namespace settings
