// The drawing primitives in real GDI: surfaces, boxes, window measurements and
// the nine-slice and transparent copies, checked pixel by pixel.
#include "support_win.h"

using namespace skin;
using namespace skintest;

TEST(MemorySurface, HasABitmapOfTheSizeAndRefusedSizesLeaveNothingBehind) {
    const long before = base::win::LiveHandleCount();
    {
        MemorySurface s = CreateMemorySurface(75, 23);
        ASSERT_TRUE(s);
        BITMAP bm{};
        ASSERT_NE(GetObjectW(GetCurrentObject(s.get(), OBJ_BITMAP), sizeof bm, &bm), 0);
        EXPECT_EQ(bm.bmWidth, 75);
        EXPECT_EQ(bm.bmHeight, 23);
        EXPECT_EQ(GetDeviceCaps(s.get(), BITSPIXEL), 32);  // the tests below rely on exact colours
    }
    const long gdiBefore = CountGdiObjects();
    EXPECT_FALSE(CreateMemorySurface(1 << 20, 1 << 20));
    EXPECT_EQ(CountGdiObjects(), gdiBefore);
    EXPECT_EQ(base::win::LiveHandleCount(), before);
}

TEST(Boxes, FillAndFrameExactlyTheRectangleGivenAsPositionAndSize) {
    MemorySurface s = Surface(12, 12, 0xFFFFFF);
    EXPECT_NE(FillBox(s.get(), 2, 3, 5, 4, 0x123456), 0);
    EXPECT_NE(FrameBox(s.get(), 1, 1, 10, 10, 0xD5A554), 0);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 12; ++x) {
            const bool frame = (x == 1 || x == 10 || y == 1 || y == 10) && x >= 1 && x <= 10 && y >= 1 && y <= 10;
            const bool fill = x >= 2 && x < 7 && y >= 3 && y < 7;
            const COLORREF want = frame ? 0xD5A554 : (fill ? 0x123456 : 0xFFFFFF);
            EXPECT_EQ(Hex(GetPixel(s.get(), x, y)), Hex(want)) << x << "," << y;
        }
    }
}

TEST(WindowMeasures, BoxTextAndBorderThickness) {
    Host host;
    HWND edit = host.Child(L"EDIT", L"题目：abc", 0, 10, 10, 120, 30, WS_EX_CLIENTEDGE);
    WindowBox box;
    EXPECT_TRUE(GetWindowBox(edit, box));
    EXPECT_EQ(box.width, 120);
    EXPECT_EQ(box.height, 30);
    EXPECT_EQ(box.right - box.left, 120);
    EXPECT_EQ(GetWindowTextString(edit), L"题目：abc");
    SetWindowTextW(edit, L"");
    EXPECT_EQ(GetWindowTextString(edit), L"");

    int h = -1, v = -1;
    EXPECT_TRUE(GetBorderThickness(edit, h, v));
    EXPECT_EQ(h, 2);
    EXPECT_EQ(v, 2);

    HWND list = host.Child(L"LISTBOX", L"", WS_VSCROLL | LBS_DISABLENOSCROLL, 10, 50, 120, 80, WS_EX_CLIENTEDGE);
    RECT outer{}, client{};
    GetWindowRect(list, &outer);
    GetClientRect(list, &client);
    const int spare = (outer.right - outer.left) - client.right - GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_TRUE(GetBorderThickness(list, h, v));
    EXPECT_EQ(h, HalfToEven(spare));
    EXPECT_EQ(h, 2);
}

namespace {
std::vector<COLORREF> ImageRect(HDC image, int x, int y, int w, int h) { return Pixels(image, x, y, w, h); }
}  // namespace

TEST(NineSlice, ButtonFaceOnto75By23KeepsCornersAndStretchesTheCentreColumn) {
    const HDC button = Images().button.get();
    for (int face = 0; face < 4; ++face) {
        MemorySurface s = Surface(75, 23, 0x00FF00);
        ASSERT_NE(DrawNineSlice(s.get(), 0, 0, 75, 23, button, 0, 21 * face, 7, 21, 3, 3, 3, 3), 0);
        const int sy = 21 * face;
        EXPECT_EQ(Pixels(s.get(), 0, 0, 3, 3), ImageRect(button, 0, sy, 3, 3));
        EXPECT_EQ(Pixels(s.get(), 72, 0, 3, 3), ImageRect(button, 4, sy, 3, 3));
        EXPECT_EQ(Pixels(s.get(), 0, 20, 3, 3), ImageRect(button, 0, sy + 18, 3, 3));
        EXPECT_EQ(Pixels(s.get(), 72, 20, 3, 3), ImageRect(button, 4, sy + 18, 3, 3));
        // The middle 69 x 17 comes from column 3 of rows 3..17, every row one colour.
        std::vector<COLORREF> column = ImageRect(button, 3, sy + 3, 1, 15);
        for (int y = 3; y < 20; ++y) {
            const COLORREF first = GetPixel(s.get(), 3, y);
            EXPECT_NE(std::find(column.begin(), column.end(), first), column.end()) << "row " << y;
            for (int x = 3; x < 72; ++x) ASSERT_EQ(GetPixel(s.get(), x, y), first) << x << "," << y;
        }
        EXPECT_EQ(Hex(GetPixel(s.get(), 3, 3)), Hex(GetPixel(button, 3, sy + 3)));
        EXPECT_EQ(Hex(GetPixel(s.get(), 3, 19)), Hex(GetPixel(button, 3, sy + 17)));
        // Edges: the frame columns keep their colour all the way down.
        for (int y = 3; y < 20; ++y) {
            EXPECT_EQ(Hex(GetPixel(s.get(), 0, y)), Hex(GetPixel(button, 0, sy + 3)));
            EXPECT_EQ(Hex(GetPixel(s.get(), 74, y)), Hex(GetPixel(button, 6, sy + 3)));
        }
    }
}

TEST(NineSlice, SameSizeReproducesTheSourceAndZeroMarginsStretchIt) {
    struct Case {
        HDC image;
        int sx, sy, w, h, margin;
    };
    const Case cases[] = {
        {Images().button.get(), 0, 42, 7, 21, 3},
        {Images().roundBox.get(), 0, 13, 13, 13, 5},
        {Images().headerItem.get(), 6, 0, 3, 20, 1},
        {Images().comboButton.get(), 4, 0, 4, 18, 1},
    };
    for (const Case& c : cases) {
        MemorySurface s = Surface(c.w, c.h, 0x00FF00);
        DrawNineSlice(s.get(), 0, 0, c.w, c.h, c.image, c.sx, c.sy, c.w, c.h, c.margin, c.margin, c.margin, c.margin);
        EXPECT_EQ(Pixels(s.get(), 0, 0, c.w, c.h), ImageRect(c.image, c.sx, c.sy, c.w, c.h));
    }
    // Margins 0: the whole 7 x 21 face doubled onto 14 x 42.
    MemorySurface s = Surface(20, 50, 0x00FF00);
    EXPECT_NE(DrawNineSlice(s.get(), 3, 4, 14, 42, Images().button.get(), 0, 21, 7, 21, 0, 0, 0, 0), 0);
    for (int y = 0; y < 42; ++y) {
        for (int x = 0; x < 14; ++x) {
            ASSERT_EQ(Hex(GetPixel(s.get(), 3 + x, 4 + y)), Hex(GetPixel(Images().button.get(), x / 2, 21 + y / 2)))
                << x << "," << y;
        }
    }
    EXPECT_EQ(Hex(GetPixel(s.get(), 2, 4)), "00FF00");
    EXPECT_EQ(Hex(GetPixel(s.get(), 17, 4)), "00FF00");
}

TEST(NineSlice, ZeroSizeDrawsNothingAndReturnsZero) {
    MemorySurface s = Surface(30, 30, 0x00FF00);
    const std::vector<COLORREF> before = Pixels(s.get(), 0, 0, 30, 30);
    const long live = base::win::LiveHandleCount();
    EXPECT_EQ(DrawNineSlice(s.get(), 0, 0, 0, 23, Images().button.get(), 0, 0, 7, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(DrawNineSlice(s.get(), 0, 0, 20, 0, Images().button.get(), 0, 0, 7, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(DrawNineSlice(s.get(), 0, 0, 20, 20, Images().button.get(), 0, 0, 0, 21, 3, 3, 3, 3), 0);
    EXPECT_EQ(base::win::LiveHandleCount(), live);
    EXPECT_EQ(Pixels(s.get(), 0, 0, 30, 30), before);
}

TEST(NineSlice, WithAKeyColourTheRoundBoxCornersShowTheDestination) {
    MemorySurface s = Surface(20, 20, 0x336699);
    EXPECT_EQ(DrawNineSlice(s.get(), 2, 2, 13, 13, Images().roundBox.get(), 0, 13, 13, 13, 5, 5, 5, 5, kKeyColour), 1);
    const HDC round = Images().roundBox.get();
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 13; ++x) {
            const COLORREF src = GetPixel(round, x, 13 + y);
            const COLORREF want = src == kKeyColour ? 0x336699 : src;
            EXPECT_EQ(Hex(GetPixel(s.get(), 2 + x, 2 + y)), Hex(want)) << x << "," << y;
        }
    }
}

TEST(Transparent, KeepsTheDestinationUnderTheKeyAndCopiesEverythingElse) {
    const HDC mark = Images().mark.get();
    MemorySurface s = Surface(30, 30, 0x000000);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) SetPixel(s.get(), x, y, RGB(x * 8, y * 8, 77));  // a pattern to keep
    }
    const std::vector<COLORREF> before = Pixels(s.get(), 0, 0, 30, 30);
    DrawTransparent(s.get(), 4, 5, 18, 24, mark, 0, 0, kKeyColour);
    int glyph = 0, kept = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            COLORREF want = before[static_cast<std::size_t>(y * 30 + x)];
            if (x >= 4 && x < 22 && y >= 5 && y < 29) {
                const COLORREF src = GetPixel(mark, x - 4, y - 5);
                if (src != kKeyColour) { want = src; ++glyph; } else { ++kept; }
            }
            ASSERT_EQ(Hex(GetPixel(s.get(), x, y)), Hex(want)) << x << "," << y;
        }
    }
    EXPECT_GT(glyph, 100);
    EXPECT_GT(kept, 200);
}

TEST(Transparent, WithoutKeyPixelsIsAnOpaqueCopyAndSystemColourKeysAreTranslated) {
    const HDC header = Images().headerItem.get();
    MemorySurface a = Surface(9, 20, 0x000000);
    DrawTransparent(a.get(), 0, 0, 9, 20, header, 0, 0, kKeyColour);
    EXPECT_EQ(Pixels(a.get(), 0, 0, 9, 20), Pixels(header, 0, 0, 9, 20));

    // A key given as a system colour (high bit set) means its current value.
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    MemorySurface src = Surface(4, 1, window);
    SetPixel(src.get(), 2, 0, 0x0000FF);
    MemorySurface dst = Surface(4, 1, 0x00FF00);
    DrawTransparent(dst.get(), 0, 0, 4, 1, src.get(), 0, 0, 0x80000000u | COLOR_WINDOW);
    EXPECT_EQ(Hex(GetPixel(dst.get(), 0, 0)), "00FF00");
    EXPECT_EQ(Hex(GetPixel(dst.get(), 2, 0)), "0000FF");
}
