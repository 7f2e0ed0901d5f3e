#include "shell/tray_win.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/menu_commands.h"
#include "shell/sysmenu_win.h"
#include "tests/shell/test_window_win.h"

namespace {

using shelltest::g_log;
using shelltest::kBaseResult;
using shelltest::TestWindow;

// Whether the shell knows an icon of this window: modifying an icon the
// notification area does not hold fails.
bool IconPresent(HWND w) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = w;
    probe.uID = 0;
    probe.uFlags = 0;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

LRESULT TrayEvent(HWND w, UINT mouseMessage) {
    return SendMessageW(w, shell::kTrayCallbackMessage, 0, mouseMessage);
}

HWND g_ended = nullptr;
void RecordEnd(HWND main) { g_ended = main; }

class Tray : public ::testing::Test {
public:
    void Minimise() { ShowWindow(hwnd(), SW_MINIMIZE); TestWindow::Pump(); ASSERT_TRUE(IsIconic(hwnd())); }
    void Maximise() { ShowWindow(hwnd(), SW_MAXIMIZE); TestWindow::Pump(); ASSERT_TRUE(IsZoomed(hwnd())); }

protected:
    void SetUp() override {
        shell::AddTrayIcon(window.hwnd(), menuTray.mnuTray());
        shell::SetTrayTip(L"Tovi最小化模板");
        TestWindow::Pump();
    }
    void TearDown() override { shell::DeleteTrayIcon(); }

    HWND hwnd() const { return window.hwnd(); }

    shell::MenuTray menuTray;
    TestWindow window;
};

TEST_F(Tray, IconIsAddedWithTheWindowIconAndRemovedWithItsSubclass) {
    EXPECT_TRUE(IconPresent(hwnd()));
    const NOTIFYICONDATAW& data = shell::TrayIconData();
    EXPECT_EQ(data.hWnd, hwnd());
    EXPECT_EQ(data.uID, 0u);
    EXPECT_EQ(data.uCallbackMessage, 2025u);
    EXPECT_EQ(data.hIcon, reinterpret_cast<HICON>(GetClassLongPtrW(hwnd(), GCLP_HICON)));
    EXPECT_EQ(GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shell::TrayWndProc));

    shell::DeleteTrayIcon();
    EXPECT_FALSE(IconPresent(hwnd()));
    EXPECT_EQ(GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shelltest::BaseProc));
    shell::DeleteTrayIcon();  // a second delete changes nothing
    EXPECT_EQ(GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shelltest::BaseProc));
}

TEST_F(Tray, SecondAddDoesNotSubclassTwice) {
    shell::AddTrayIcon(hwnd(), menuTray.mnuTray());
    EXPECT_EQ(SendMessageW(hwnd(), WM_USER + 7, 0, 0), kBaseResult);  // no endless self-forwarding
    shell::DeleteTrayIcon();
    EXPECT_EQ(GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shelltest::BaseProc));
}

TEST_F(Tray, TipIsCutToTheRecordField) {
    EXPECT_EQ(std::wstring(shell::TrayIconData().szTip), L"Tovi最小化模板");
    constexpr std::size_t field = sizeof(shell::TrayIconData().szTip) / sizeof(wchar_t);
    shell::SetTrayTip(std::wstring(field + 40, L'题'));
    const std::wstring tip = shell::TrayIconData().szTip;
    EXPECT_EQ(tip, std::wstring(field - 1, L'题'));
    EXPECT_TRUE(IconPresent(hwnd()));
}

TEST_F(Tray, LeftReleaseRestoresOnlyAMinimisedWindow) {
    // Normal: forwarded, nothing changes.
    EXPECT_EQ(TrayEvent(hwnd(), WM_LBUTTONUP), kBaseResult);
    EXPECT_EQ(g_log.Count(2025, 0, WM_LBUTTONUP), 1);
    EXPECT_FALSE(IsIconic(hwnd()) || IsZoomed(hwnd()));

    // Maximised: forwarded, stays maximised.
    Maximise();
    EXPECT_EQ(TrayEvent(hwnd(), WM_LBUTTONUP), kBaseResult);
    EXPECT_EQ(g_log.Count(2025, 0, WM_LBUTTONUP), 2);
    EXPECT_TRUE(IsZoomed(hwnd()));

    // Minimised: consumed, back to the normal state (not to maximised).
    Minimise();
    EXPECT_EQ(TrayEvent(hwnd(), WM_LBUTTONUP), 0);
    EXPECT_EQ(g_log.Count(2025, 0, WM_LBUTTONUP), 2);
    EXPECT_FALSE(IsIconic(hwnd()));
    EXPECT_FALSE(IsZoomed(hwnd()));
    EXPECT_TRUE(IsWindowVisible(hwnd()));
    EXPECT_EQ(g_log.menusOpened, 0);
}

TEST_F(Tray, DoubleClickDoesNothingOnItsOwn) {
    Minimise();
    EXPECT_EQ(TrayEvent(hwnd(), WM_LBUTTONDBLCLK), kBaseResult);
    EXPECT_EQ(g_log.Count(2025, 0, WM_LBUTTONDBLCLK), 1);
    EXPECT_TRUE(IsIconic(hwnd()));
    // The release that follows the double-click is what restores.
    EXPECT_EQ(TrayEvent(hwnd(), WM_LBUTTONUP), 0);
    EXPECT_FALSE(IsIconic(hwnd()));
}

TEST_F(Tray, OtherMouseEventsAndOtherMessagesAreForwarded) {
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONUP}) {
        EXPECT_EQ(TrayEvent(hwnd(), mouse), kBaseResult) << mouse;
        EXPECT_EQ(g_log.Count(2025, 0, mouse), 1) << mouse;
    }
    EXPECT_EQ(SendMessageW(hwnd(), WM_USER + 7, 12, 34), kBaseResult);
    EXPECT_EQ(g_log.Count(WM_USER + 7, 12, 34), 1);
    EXPECT_EQ(g_log.menusOpened, 0);
}

TEST_F(Tray, RightReleaseOpensTheMenuInEveryState) {
    struct { const char* state; void (Tray::*enter)(); } states[] = {
        {"normal", nullptr}, {"maximised", &Tray::Maximise}, {"minimised", &Tray::Minimise}};
    int opened = 0;
    for (const auto& s : states) {
        if (s.enter) (this->*s.enter)();
        EXPECT_EQ(TrayEvent(hwnd(), WM_RBUTTONUP), 0) << s.state;  // cancelled with Escape
        EXPECT_EQ(g_log.menusOpened, ++opened) << s.state;
        EXPECT_EQ(g_log.lastPopup, menuTray.mnuTray()) << s.state;
        EXPECT_EQ(g_log.Count(2025, 0, WM_RBUTTONUP), 0) << s.state;
    }
    EXPECT_TRUE(IsIconic(hwnd()));  // cancelling changed nothing
}

TEST_F(Tray, MenuHasShowThenTheProgramsCommandsThenClose) {
    const HMENU menu = menuTray.mnuTray();
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    wchar_t text[32]{};
    const wchar_t* const expected[] = {L"显示主窗口", L"总在最前", L"监视剪贴板", L"检查题库更新", L"关闭"};
    for (int i = 0; i < 5; ++i) {
        GetMenuStringW(menu, static_cast<UINT>(i), text, 32, MF_BYPOSITION);
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_EQ(GetMenuItemID(menu, 1), shell::IDM_TOPMOST);
    EXPECT_EQ(GetMenuItemID(menu, 2), shell::IDM_WATCHCLIPBOARD);
    EXPECT_EQ(GetMenuItemID(menu, 3), shell::IDM_CHECKBANKUPDATE);
    const HMENU bar = GetMenu(menuTray.hwnd());
    GetMenuStringW(bar, 0, text, 32, MF_BYPOSITION);
    EXPECT_STREQ(text, L"弹出菜单");
    EXPECT_FALSE(IsWindowVisible(menuTray.hwnd()));
}

TEST_F(Tray, MenuOpensWithTheWindowInFrontAndClosesWhenClickedElsewhere) {
    TestWindow::Pump();
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100,
                                 nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    TestWindow::Pump();
    ASSERT_EQ(GetForegroundWindow(), other);

    TrayEvent(hwnd(), WM_RBUTTONUP);
    EXPECT_EQ(g_log.menusOpened, 1);
    EXPECT_EQ(g_log.foregroundInMenu, hwnd());
    // The extra message that lets the owner notice the menu has gone.
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, hwnd(), WM_NULL, WM_NULL, PM_REMOVE));
    DestroyWindow(other);
}

TEST_F(Tray, ShowMainReturnsAMaximisedWindowToNormal) {
    Maximise();
    g_log.menuKeys = {VK_DOWN, VK_RETURN};
    TrayEvent(hwnd(), WM_RBUTTONUP);
    TestWindow::Pump();
    EXPECT_EQ(g_log.menusOpened, 1);
    EXPECT_FALSE(IsZoomed(hwnd()));
    EXPECT_FALSE(IsIconic(hwnd()));
    EXPECT_TRUE(IsWindowVisible(hwnd()));

    Minimise();
    g_log.menuKeys = {VK_DOWN, VK_RETURN};
    TrayEvent(hwnd(), WM_RBUTTONUP);
    EXPECT_FALSE(IsIconic(hwnd()));
}

TEST_F(Tray, AProgramCommandReachesTheWindowAsFromItsSystemMenu) {
    g_log.menuKeys = {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};   // "监视剪贴板"
    TrayEvent(hwnd(), WM_RBUTTONUP);
    TestWindow::Pump();
    EXPECT_EQ(g_log.Count(WM_SYSCOMMAND, shell::IDM_WATCHCLIPBOARD, 0), 1);
    EXPECT_TRUE(IconPresent(hwnd()));
}

TEST_F(Tray, CloseItemRemovesTheIconThenEndsTheProgram) {
    const auto previous = shell::SetEndProgram(RecordEnd);
    g_ended = nullptr;
    g_log.menuKeys = {VK_UP, VK_RETURN};   // the last item
    TrayEvent(hwnd(), WM_RBUTTONUP);
    shell::SetEndProgram(previous);

    EXPECT_EQ(g_ended, hwnd());
    EXPECT_FALSE(IconPresent(hwnd()));
    EXPECT_EQ(GetWindowLongPtrW(hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shelltest::BaseProc));
    EXPECT_EQ(g_log.Count(WM_CLOSE), 0);  // the window's own close sequence is not run
}

TEST_F(Tray, IconComesBackWhenTheNotificationAreaIsRecreated) {
    NOTIFYICONDATAW gone = shell::TrayIconData();
    gone.uFlags = 0;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_FALSE(IconPresent(hwnd()));

    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    SendMessageW(hwnd(), taskbarCreated, 0, 0);
    EXPECT_TRUE(IconPresent(hwnd()));
    EXPECT_EQ(g_log.Count(taskbarCreated), 1);  // still forwarded
    EXPECT_NE(shell::TrayIconData().uFlags & NIF_TIP, 0u);
}

// Whoever subclasses the main window keeps their place: the system menu's
// procedure first, then the skin's, then the tray's in front of both.
LRESULT CALLBACK MiddleProc(HWND, UINT, WPARAM, LPARAM);
WNDPROC g_beforeMiddle = nullptr;
int g_middleSawAbout = 0;
LRESULT CALLBACK MiddleProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOMMAND && wParam == shell::IDM_ABOUT) ++g_middleSawAbout;
    return CallWindowProcW(g_beforeMiddle, w, msg, wParam, lParam);
}
int g_boxes = 0;
int WINAPI CountBox(HWND, LPCWSTR, LPCWSTR, UINT) { return ++g_boxes, IDOK; }

TEST(SubclassChain, TrayInFrontOfSkinInFrontOfSystemMenu) {
    shell::MenuTray menuTray;
    TestWindow window;
    const HWND w = window.hwnd();
    const auto previousBox = shell::SetAboutBox(CountBox);
    g_boxes = 0;
    g_middleSawAbout = 0;

    shell::ExtendSystemMenu(w, nullptr);
    g_beforeMiddle = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MiddleProc)));
    shell::AddTrayIcon(w, menuTray.mnuTray());
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shell::TrayWndProc));

    SendMessageW(w, WM_SYSCOMMAND, shell::IDM_ABOUT, 0);
    EXPECT_EQ(g_middleSawAbout, 1);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_EQ(g_log.Count(WM_SYSCOMMAND, shell::IDM_ABOUT, 0), 1);
    EXPECT_EQ(TrayEvent(w, WM_LBUTTONUP), kBaseResult);  // through all three to the window

    shell::DeleteTrayIcon();
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&MiddleProc));
    shell::SetAboutBox(previousBox);
}

}  // namespace
