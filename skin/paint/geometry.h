// Layout arithmetic of the skin painters: the centring rule, the nine-slice
// plan, window boxes and the signed halves of message values. No Win32 here.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

namespace skin {

// The centring rule: length / 2 + offset as a real number, rounded to the
// nearest integer with halves going to the even neighbour (5.5 -> 6,
// 4.5 -> 4, -0.5 -> 0). The sum is rounded once, so HalfToEven(9, 1) is
// round(5.5) = 6 while HalfToEven(9) + 1 is 5. Every "divide by 2" of the
// painters goes through here.
int HalfToEven(int length, int offset = 0);

// The low and high 16 bits of a message value, read as signed (mouse x and y
// in an lParam). Takes a 64-bit value so that LPARAM converts on both targets.
std::int16_t LowWordOf(std::int64_t value);
std::int16_t HighWordOf(std::int64_t value);

// A window's rectangle in screen coordinates with its size.
struct WindowBox {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t width = 0, height = 0;  // right - left, bottom - top
};

// A rectangle as position and size.
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Box&, const Box&) = default;
};

// What to stretch where: the destination size, the source rectangle and the
// margins (source pixels, kept as the same number of destination pixels).
struct NineSliceRequest {
    int width = 0, height = 0;             // destination size
    Box source;                            // rectangle of the skin image
    int left = 0, top = 0, right = 0, bottom = 0;
};

// One copy of the plan: BitBlt when the sizes are equal and the slice is a
// corner, StretchBlt otherwise. Destinations are relative to the surface origin.
struct SliceCopy {
    Box to;
    Box from;
    bool stretch = false;
    friend bool operator==(const SliceCopy&, const SliceCopy&) = default;
};

struct NineSlicePlan {
    std::array<SliceCopy, 9> copies{};
    std::size_t count = 0;
};

// The copies in drawing order: corners (top-left, top-right, bottom-left,
// bottom-right), edges (left, right, top, bottom), then the centre; a slice
// whose margin is not positive is left out. With every margin 0 or less the
// plan is one stretch of the source (from its origin moved by left and top,
// shrunk by right and bottom) over the whole destination. Slices whose
// destination or source would be empty or negative (a destination smaller
// than two opposite margins) are left out rather than drawn mirrored. An
// empty plan means nothing to draw: a zero or negative size.
NineSlicePlan PlanNineSlice(const NineSliceRequest& request);

}  // namespace skin
