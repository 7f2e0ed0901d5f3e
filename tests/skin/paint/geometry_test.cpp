#include "skin/paint/geometry.h"

#include <gtest/gtest.h>

using namespace skin;

TEST(CentringRule, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(HalfToEven(11), 6);   // 5.5
    EXPECT_EQ(HalfToEven(9), 4);    // 4.5
    EXPECT_EQ(HalfToEven(15), 8);   // 7.5
    EXPECT_EQ(HalfToEven(7), 4);    // 3.5
    EXPECT_EQ(HalfToEven(4), 2);
    EXPECT_EQ(HalfToEven(0), 0);
    EXPECT_EQ(HalfToEven(1), 0);    // 0.5
    EXPECT_EQ(HalfToEven(3), 2);    // 1.5
    EXPECT_EQ(HalfToEven(-1), 0);   // -0.5
    EXPECT_EQ(HalfToEven(-3), -2);  // -1.5
    EXPECT_EQ(HalfToEven(-5), -2);  // -2.5
    EXPECT_EQ(HalfToEven(-4), -2);
}

TEST(CentringRule, RoundsAnOffsetSumOnce) {
    EXPECT_EQ(HalfToEven(9, 1), 6);   // 4.5 + 1 = 5.5 -> 6, not 4 + 1
    EXPECT_EQ(HalfToEven(9, 2), 6);   // 6.5 -> 6
    EXPECT_EQ(HalfToEven(8, 3), 7);
    EXPECT_EQ(HalfToEven(-7, 2), -2);  // -1.5 -> -2
}

TEST(MessageWords, AreSigned16BitHalves) {
    EXPECT_EQ(LowWordOf(0xFFFF0005LL), 5);
    EXPECT_EQ(HighWordOf(0xFFFF0005LL), -1);
    EXPECT_EQ(LowWordOf(0x0000FFFELL), -2);
    EXPECT_EQ(HighWordOf(0x7FFF0000LL), 32767);
    EXPECT_EQ(HighWordOf(0x80000000LL), -32768);
    // An LPARAM sign-extended to 64 bits keeps the same halves.
    EXPECT_EQ(LowWordOf(-65531LL), 5);
    EXPECT_EQ(HighWordOf(-65531LL), -1);
}

namespace {
NineSliceRequest Request(int W, int H, Box src, int l, int t, int r, int b) {
    NineSliceRequest q;
    q.width = W;
    q.height = H;
    q.source = src;
    q.left = l;
    q.top = t;
    q.right = r;
    q.bottom = b;
    return q;
}
}  // namespace

TEST(NineSlice, ButtonFaceOntoAWideButtonKeepsCornersAndStretchesTheCentre) {
    const NineSlicePlan p = PlanNineSlice(Request(75, 23, {0, 21, 7, 21}, 3, 3, 3, 3));
    ASSERT_EQ(p.count, 9u);
    const SliceCopy expected[9] = {
        {{0, 0, 3, 3}, {0, 21, 3, 3}, false},
        {{72, 0, 3, 3}, {4, 21, 3, 3}, false},
        {{0, 20, 3, 3}, {0, 39, 3, 3}, false},
        {{72, 20, 3, 3}, {4, 39, 3, 3}, false},
        {{0, 3, 3, 17}, {0, 24, 3, 15}, true},
        {{72, 3, 3, 17}, {4, 24, 3, 15}, true},
        {{3, 0, 69, 3}, {3, 21, 1, 3}, true},
        {{3, 20, 69, 3}, {3, 39, 1, 3}, true},
        {{3, 3, 69, 17}, {3, 24, 1, 15}, true},
    };
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(p.copies[i], expected[i]) << "slice " << i;
}

TEST(NineSlice, SameSizeCopiesEverySliceOneToOne) {
    const NineSlicePlan p = PlanNineSlice(Request(13, 13, {0, 26, 13, 13}, 5, 5, 5, 5));
    ASSERT_EQ(p.count, 9u);
    int area = 0;
    for (std::size_t i = 0; i < p.count; ++i) {
        const SliceCopy& c = p.copies[i];
        EXPECT_EQ(c.to.width, c.from.width);
        EXPECT_EQ(c.to.height, c.from.height);
        EXPECT_EQ(c.to.x, c.from.x);
        EXPECT_EQ(c.to.y + 26, c.from.y);
        area += c.to.width * c.to.height;
    }
    EXPECT_EQ(area, 13 * 13);  // the slices tile the destination exactly
}

TEST(NineSlice, ZeroMarginsStretchTheWholeSourceAndZeroSizesDrawNothing) {
    NineSlicePlan p = PlanNineSlice(Request(40, 30, {4, 0, 4, 18}, 0, 0, 0, 0));
    ASSERT_EQ(p.count, 1u);
    EXPECT_EQ(p.copies[0], (SliceCopy{{0, 0, 40, 30}, {4, 0, 4, 18}, true}));

    EXPECT_EQ(PlanNineSlice(Request(0, 23, {0, 0, 7, 21}, 3, 3, 3, 3)).count, 0u);
    EXPECT_EQ(PlanNineSlice(Request(75, 0, {0, 0, 7, 21}, 3, 3, 3, 3)).count, 0u);
    EXPECT_EQ(PlanNineSlice(Request(75, 23, {0, 0, 0, 21}, 3, 3, 3, 3)).count, 0u);
    EXPECT_EQ(PlanNineSlice(Request(-5, 23, {0, 0, 7, 21}, 3, 3, 3, 3)).count, 0u);
}

TEST(NineSlice, UnevenMarginsSkipSlicesWithoutAMargin) {
    // The combo button face: left 2, top 1, right 1, bottom 1.
    const NineSlicePlan p = PlanNineSlice(Request(18, 19, {4, 0, 4, 18}, 2, 1, 1, 1));
    ASSERT_EQ(p.count, 9u);
    EXPECT_EQ(p.copies[1], (SliceCopy{{17, 0, 1, 1}, {7, 0, 1, 1}, false}));
    EXPECT_EQ(p.copies[8], (SliceCopy{{2, 1, 15, 17}, {6, 1, 1, 16}, true}));

    const NineSlicePlan onlyLeft = PlanNineSlice(Request(10, 10, {0, 0, 4, 4}, 1, 0, 0, 0));
    ASSERT_EQ(onlyLeft.count, 2u);  // the left edge and the centre
    EXPECT_EQ(onlyLeft.copies[0], (SliceCopy{{0, 0, 1, 10}, {0, 0, 1, 4}, true}));
    EXPECT_EQ(onlyLeft.copies[1], (SliceCopy{{1, 0, 9, 10}, {1, 0, 3, 4}, true}));
}

TEST(NineSlice, DestinationNarrowerThanTheMarginsIsNeverDrawnMirrored) {
    // A 1-pixel-wide header item with margins 1: no slice with a negative size.
    const NineSlicePlan p = PlanNineSlice(Request(1, 20, {0, 0, 3, 20}, 1, 1, 1, 1));
    for (std::size_t i = 0; i < p.count; ++i) {
        EXPECT_GT(p.copies[i].to.width, 0);
        EXPECT_GT(p.copies[i].to.height, 0);
        EXPECT_GT(p.copies[i].from.width, 0);
        EXPECT_GT(p.copies[i].from.height, 0);
    }
    EXPECT_GT(p.count, 0u);
}
