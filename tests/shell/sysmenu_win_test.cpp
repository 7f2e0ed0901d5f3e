#include "shell/sysmenu_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win/handles.h"
#include "shell/menu_commands.h"
#include "tests/shell/test_window_win.h"

namespace {

using shelltest::g_log;
using shelltest::TestWindow;

struct Box {
    HWND owner;
    std::wstring text, caption;
    UINT type;
};
std::vector<Box> g_boxes;
int WINAPI RecordBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    g_boxes.push_back({owner, text, caption, type});
    return IDOK;
}

// A 13 x 13 picture like the About entry's.
base::win::OwnedBitmap AboutPicture() {
    base::win::WindowDc screen{nullptr};
    return base::win::OwnedBitmap{CreateCompatibleBitmap(screen.get(), 13, 13)};
}

class SystemMenu : public ::testing::Test {
protected:
    void SetUp() override {
        previousBox_ = shell::SetAboutBox(RecordBox);
        g_boxes.clear();
        shell::ExtendSystemMenu(window.hwnd(), picture.get());
    }
    void TearDown() override { shell::SetAboutBox(previousBox_); }
    HWND hwnd() const { return window.hwnd(); }
    HMENU menu() const { return GetSystemMenu(hwnd(), FALSE); }

    base::win::OwnedBitmap picture = AboutPicture();
    TestWindow window;

private:
    shell::MessageBoxFn previousBox_ = nullptr;
};

TEST_F(SystemMenu, EndsWithTheCommandsASeparatorAndTheAboutEntryCarryingThePicture) {
    const HMENU m = menu();
    const int count = GetMenuItemCount(m);
    ASSERT_GE(count, 6);
    // The program's commands follow the standard entries.
    EXPECT_GE(GetMenuItemID(m, count - 6), static_cast<UINT>(0xF000));   // a standard entry
    EXPECT_EQ(GetMenuItemID(m, count - 5), shell::IDM_TOPMOST);
    EXPECT_EQ(GetMenuItemID(m, count - 4), shell::IDM_WATCHCLIPBOARD);
    wchar_t command[32]{};
    GetMenuStringW(m, shell::IDM_TOPMOST, command, 32, MF_BYCOMMAND);
    EXPECT_STREQ(command, L"总在最前");
    GetMenuStringW(m, shell::IDM_WATCHCLIPBOARD, command, 32, MF_BYCOMMAND);
    EXPECT_STREQ(command, L"监视剪贴板");
    GetMenuStringW(m, shell::IDM_CHECKBANKUPDATE, command, 32, MF_BYCOMMAND);
    EXPECT_STREQ(command, L"检查题库更新");

    MENUITEMINFOW separator{};
    separator.cbSize = sizeof(separator);
    separator.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(m, static_cast<UINT>(count - 2), TRUE, &separator));
    EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);
    EXPECT_EQ(GetMenuItemID(m, count - 3), shell::IDM_CHECKBANKUPDATE);

    EXPECT_EQ(GetMenuItemID(m, count - 1), shell::IDM_ABOUT);
    wchar_t text[64]{};
    GetMenuStringW(m, static_cast<UINT>(count - 1), text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"关于Tovi(&L)");

    // The picture is the entry's check-mark bitmap whether checked or not,
    // and no other entry got it.
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item{};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_CHECKMARKS | MIIM_ID;
        ASSERT_TRUE(GetMenuItemInfoW(m, static_cast<UINT>(i), TRUE, &item));
        if (item.wID == shell::IDM_ABOUT) {
            EXPECT_EQ(item.hbmpChecked, picture.get());
            EXPECT_EQ(item.hbmpUnchecked, picture.get());
        } else {
            EXPECT_NE(item.hbmpChecked, picture.get()) << "entry " << i;
            EXPECT_NE(item.hbmpUnchecked, picture.get()) << "entry " << i;
        }
    }
}

TEST_F(SystemMenu, PictureFindsTheAboutEntryInAShortenedMenu) {
    // Without some standard entries, the ninth position is not the About entry.
    TestWindow other;
    const HMENU m = GetSystemMenu(other.hwnd(), FALSE);
    DeleteMenu(m, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(m, SC_MOVE, MF_BYCOMMAND);
    shell::ExtendSystemMenu(other.hwnd(), picture.get());

    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoW(m, shell::IDM_ABOUT, FALSE, &item));
    EXPECT_EQ(item.hbmpUnchecked, picture.get());
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoW(m, SC_CLOSE, FALSE, &item));
    EXPECT_NE(item.hbmpUnchecked, picture.get());
}

TEST_F(SystemMenu, AboutShowsTheBoxOncePerChoiceAndStillForwards) {
    SendMessageW(hwnd(), WM_SYSCOMMAND, shell::IDM_ABOUT, 0);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].owner, hwnd());
    EXPECT_EQ(g_boxes[0].text, L"您单击了'演示菜单二' Tovi游戏网");
    EXPECT_EQ(g_boxes[0].caption, L"Orvane");
    EXPECT_EQ(g_boxes[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(g_log.Count(WM_SYSCOMMAND, shell::IDM_ABOUT, 0), 1);

    SendMessageW(hwnd(), WM_SYSCOMMAND, shell::IDM_ABOUT, 0);
    EXPECT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_log.Count(WM_SYSCOMMAND, shell::IDM_ABOUT, 0), 2);
}

TEST_F(SystemMenu, WholeWParamIsCompared) {
    for (WPARAM nearby : {WPARAM{shell::IDM_ABOUT + 1}, WPARAM{shell::IDM_ABOUT | 0xF000}, WPARAM{0x80}}) {
        SendMessageW(hwnd(), WM_SYSCOMMAND, nearby, 0);
        EXPECT_EQ(g_log.Count(WM_SYSCOMMAND, nearby, 0), 1);
    }
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(SystemMenu, StandardCommandsPassThrough) {
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(hwnd()));
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(hwnd()));
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(IsIconic(hwnd()));
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(hwnd()));

    shelltest::g_onClose = [] {};  // the base procedure records WM_CLOSE, then destroys
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    shelltest::g_onClose = nullptr;
    EXPECT_EQ(g_log.Count(WM_CLOSE), 1);
    EXPECT_FALSE(IsWindow(hwnd()));
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(SystemMenu, PressingLInTheOpenMenuChoosesAbout) {
    g_log.menuKeys = {'l'};
    SendMessageW(hwnd(), WM_SYSCOMMAND, SC_KEYMENU, ' ');
    TestWindow::Pump();
    EXPECT_EQ(g_log.menusOpened, 1);
    EXPECT_EQ(g_boxes.size(), 1u);
}

}  // namespace
