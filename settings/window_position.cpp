#include "settings/window_position.h"

#include <algorithm>

namespace settings {

bool CaptionReachable(const Box& window, int captionHeight, std::span<const Box> monitors) {
    const Box caption{window.left, window.top, window.right, window.top + std::max(captionHeight, 1)};
    const int needWidth = std::min(kMinCaptionVisible, caption.width());
    const int needHeight = (caption.height() + 1) / 2;
    for (const Box& m : monitors) {
        const int w = std::min(caption.right, m.right) - std::max(caption.left, m.left);
        const int h = std::min(caption.bottom, m.bottom) - std::max(caption.top, m.top);
        if (w > 0 && h > 0 && w >= needWidth && h >= needHeight) return true;
    }
    return false;
}

Point OpeningPosition(std::optional<Point> saved, int width, int height, int captionHeight,
                      std::span<const Box> monitors, const Box& workArea) {
    if (saved) {
        const Box window{saved->x, saved->y, saved->x + width, saved->y + height};
        if (CaptionReachable(window, captionHeight, monitors)) return *saved;
    }
    return Point{workArea.left + std::max(0, (workArea.width() - width) / 2),
                 workArea.top + std::max(0, (workArea.height() - height) / 2)};
}

}  // namespace settings
