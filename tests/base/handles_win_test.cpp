#include "base/win/handles.h"

#include <gtest/gtest.h>

using namespace base::win;

TEST(HandleOwners, ReleaseWhatTheyOwnAndCountLiveHandles) {
    const long before = LiveHandleCount();
    HGDIOBJ raw[3] = {};
    {
        OwnedBrush brush{CreateSolidBrush(RGB(1, 2, 3))};
        MemoryDc dc{CreateCompatibleDC(nullptr)};
        OwnedBitmap bmp{CreateCompatibleBitmap(dc.get(), 4, 4)};
        SelectGuard keep{dc.get(), bmp.get()};
        raw[0] = brush.get();
        raw[1] = dc.get();
        raw[2] = bmp.get();
        EXPECT_EQ(LiveHandleCount(), before + 3);
        OwnedBrush moved = std::move(brush);
        EXPECT_FALSE(brush);
        EXPECT_TRUE(moved);
        EXPECT_EQ(LiveHandleCount(), before + 3);
        EXPECT_EQ(GetObjectType(raw[0]), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(LiveHandleCount(), before);
    // The system's own answer: every handle is gone, the bitmap included (it
    // can only be deleted once the guard has put the DC's old one back).
    for (HGDIOBJ h : raw) EXPECT_EQ(GetObjectType(h), 0u) << h;
}

TEST(HandleOwners, ReleaseHandsOwnershipAway) {
    const long before = LiveHandleCount();
    OwnedRegion rgn{CreateRectRgn(0, 0, 5, 5)};
    HRGN raw = rgn.release();
    EXPECT_EQ(LiveHandleCount(), before);
    EXPECT_NE(DeleteObject(raw), 0);   // still valid: the owner did not delete it
}
