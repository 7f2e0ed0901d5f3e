#include "skin/paint/geometry.h"

namespace skin {

int HalfToEven(int length, int offset) {
    // Twice the exact value is an integer: length + 2 offset.
    const long long twice = static_cast<long long>(length) + 2LL * offset;
    long long floor = twice / 2;
    if (twice % 2 != 0 && twice < 0) --floor;  // floor division for negatives
    const bool half = (twice - 2 * floor) == 1;
    if (half && (floor % 2 != 0)) ++floor;     // x.5 goes to the even neighbour
    return static_cast<int>(floor);
}

std::int16_t LowWordOf(std::int64_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu));
}

std::int16_t HighWordOf(std::int64_t value) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((static_cast<std::uint64_t>(value) >> 16) & 0xFFFFu));
}

NineSlicePlan PlanNineSlice(const NineSliceRequest& r) {
    NineSlicePlan plan;
    const int W = r.width, H = r.height;
    const int w = r.source.width, h = r.source.height;
    const int sx = r.source.x, sy = r.source.y;
    if (W <= 0 || H <= 0 || w <= 0 || h <= 0) return plan;

    auto add = [&plan](Box to, Box from, bool stretch) {
        if (to.width <= 0 || to.height <= 0 || from.width <= 0 || from.height <= 0) return;
        plan.copies[plan.count++] = SliceCopy{to, from, stretch};
    };
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (L <= 0 && T <= 0 && R <= 0 && B <= 0) {
        add({0, 0, W, H}, {sx + L, sy + T, w - R, h - B}, true);
        return plan;
    }
    if (L > 0 && T > 0) add({0, 0, L, T}, {sx, sy, L, T}, false);
    if (R > 0 && T > 0) add({W - R, 0, R, T}, {sx + w - R, sy, R, T}, false);
    if (L > 0 && B > 0) add({0, H - B, L, B}, {sx, sy + h - B, L, B}, false);
    if (R > 0 && B > 0) add({W - R, H - B, R, B}, {sx + w - R, sy + h - B, R, B}, false);
    if (L > 0) add({0, T, L, H - T - B}, {sx, sy + T, L, h - T - B}, true);
    if (R > 0) add({W - R, T, R, H - T - B}, {sx + w - R, sy + T, R, h - T - B}, true);
    if (T > 0) add({L, 0, W - L - R, T}, {sx + L, sy, w - L - R, T}, true);
    if (B > 0) add({L, H - B, W - L - R, B}, {sx + L, sy + h - B, w - L - R, B}, true);
    add({L, T, W - L - R, H - T - B}, {sx + L, sy + T, w - L - R, h - T - B}, true);
    return plan;
}

}  // namespace skin
