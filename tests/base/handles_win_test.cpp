#include "base/win/handles.h"

#include <gtest/gtest.h>

using namespace base::win;

TEST(HandleOwners, ReleaseWhatTheyOwnAndCountLiveHandles) {
    const long before = LiveHandleCount();
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    {
        OwnedBrush brush{CreateSolidBrush(RGB(1, 2, 3))};
        MemoryDc dc{CreateCompatibleDC(nullptr)};
        OwnedBitmap bmp{CreateCompatibleBitmap(dc.get(), 4, 4)};
        SelectGuard keep{dc.get(), bmp.get()};
        EXPECT_EQ(LiveHandleCount(), before + 3);
        OwnedBrush moved = std::move(brush);
        EXPECT_FALSE(brush);
        EXPECT_TRUE(moved);
        EXPECT_EQ(LiveHandleCount(), before + 3);
    }
    EXPECT_EQ(LiveHandleCount(), before);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
}

TEST(HandleOwners, ReleaseHandsOwnershipAway) {
    const long before = LiveHandleCount();
    OwnedRegion rgn{CreateRectRgn(0, 0, 5, 5)};
    HRGN raw = rgn.release();
    EXPECT_EQ(LiveHandleCount(), before);
    EXPECT_NE(DeleteObject(raw), 0);   // still valid: the owner did not delete it
}
