// The program's start-up hooks put the shell services on the real main window:
// the About entry with the form's picture, the tray icon and its tip with the
// tray procedure in front, the portal links behind the six labels, and the
// icon's removal when the window closes.
#include "app/form_tovi_win.h"
#include "app/program/program_hooks_win.h"
#include "base/win/wide.h"
#include "shell/links.h"
#include "shell/links_win.h"
#include "shell/menu_commands.h"
#include "shell/sysmenu_win.h"
#include "shell/tray_win.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

#include <string>
#include <vector>

using app::Control;

namespace {

std::vector<std::wstring> g_opened;
HINSTANCE WINAPI RecordOpen(HWND, LPCWSTR verb, LPCWSTR file, LPCWSTR, LPCWSTR, INT show) {
    if (std::wstring(verb) == L"open" && show == SW_SHOWMAXIMIZED) g_opened.push_back(file);
    return reinterpret_cast<HINSTANCE>(42);
}

int g_boxes = 0;
int WINAPI CountBox(HWND, LPCWSTR, LPCWSTR, UINT) { return ++g_boxes, IDOK; }

bool IconPresent(HWND w) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = w;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

void Click(HWND label) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

class ProgramForm : public ::testing::Test {
protected:
    void SetUp() override {
        previousOpen_ = shell::SetShellExecute(RecordOpen);
        previousBox_ = shell::SetAboutBox(CountBox);
        g_opened.clear();
        g_boxes = 0;
        form_ = NewForm();
        ASSERT_TRUE(form_);
        ShowWindow(form_->hwnd(), SW_SHOWNORMAL);
    }
    static std::unique_ptr<app::FormTovi> NewForm() {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        app::FormOptions options;
        options.bankPath = std::wstring(temp) + L"no-such-bank-" + std::to_wstring(GetCurrentProcessId()) + L".dat";
        options.quitOnDestroy = false;
        return app::FormTovi::Create(GetModuleHandleW(nullptr), app::ProgramHooks(), options);
    }
    void TearDown() override {
        form_.reset();
        shell::DeleteTrayIcon();
        shell::SetShellExecute(previousOpen_);
        shell::SetAboutBox(previousBox_);
    }

    std::unique_ptr<app::FormTovi> form_;

private:
    shell::ShellExecuteFn previousOpen_ = nullptr;
    shell::MessageBoxFn previousBox_ = nullptr;
};

TEST_F(ProgramForm, SystemMenuEndsWithTheAboutEntryShowingTheFormsPicture) {
    const HMENU menu = GetSystemMenu(form_->hwnd(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), shell::IDM_ABOUT);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoW(menu, shell::IDM_ABOUT, FALSE, &item));
    ASSERT_NE(form_->aboutPicture(), nullptr);
    EXPECT_EQ(item.hbmpUnchecked, form_->aboutPicture());
    EXPECT_EQ(item.hbmpChecked, form_->aboutPicture());

    SendMessageW(form_->hwnd(), WM_SYSCOMMAND, shell::IDM_ABOUT, 0);
    EXPECT_EQ(g_boxes, 1);
    EXPECT_TRUE(IsWindow(form_->hwnd()));
}

TEST_F(ProgramForm, TrayIconWithItsTipAndTheTrayProcedureInFront) {
    EXPECT_TRUE(IconPresent(form_->hwnd()));
    EXPECT_EQ(std::wstring(shell::TrayIconData().szTip), L"Tovi最小化模板");
    EXPECT_EQ(GetWindowLongPtrW(form_->hwnd(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&shell::TrayWndProc));

    ShowWindow(form_->hwnd(), SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(form_->hwnd()));
    SendMessageW(form_->hwnd(), shell::kTrayCallbackMessage, 0, WM_LBUTTONUP);
    EXPECT_FALSE(IsIconic(form_->hwnd()));
}

TEST_F(ProgramForm, SkinSitsBetweenTheTrayAndTheSystemMenuProcedures) {
    // The tray procedure in front; the skin's old procedure is the system menu's.
    EXPECT_EQ(GetPropW(form_->hwnd(), L"PROCADDR"), reinterpret_cast<HANDLE>(&shell::SysMenuWndProc));
    EXPECT_NE(GetPropW(form_->control(Control::Text1), L"PROCADDR"), nullptr);
}

TEST_F(ProgramForm, SixLabelsHandTheirAddressesToTheShell) {
    for (Control c : {Control::LinkLbl0, Control::LinkLbl1, Control::LinkLbl2, Control::LinkLbl3,
                      Control::LinkLbl4, Control::Label5}) {
        Click(form_->control(c));
    }
    std::vector<std::wstring> expected;
    for (const std::string& address : shell::BuildLinkTable()) expected.push_back(base::win::Widen(address));
    expected.push_back(base::win::Widen(shell::kForumThreadAddress));
    EXPECT_EQ(g_opened, expected);
    EXPECT_FALSE(IsIconic(form_->hwnd()));  // the window stays where it is
}

// Both menus carry the program's commands with one check mark each, whichever
// menu the command came from.
TEST_F(ProgramForm, CommandsCheckTheirEntriesInBothMenus) {
    const HWND w = form_->hwnd();
    const HMENU system = GetSystemMenu(w, FALSE);
    auto checked = [](HMENU m, UINT id) { return (GetMenuState(m, id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    ASSERT_FALSE(checked(system, shell::IDM_TOPMOST));
    ASSERT_FALSE(checked(system, shell::IDM_WATCHCLIPBOARD));

    SendMessageW(w, WM_SYSCOMMAND, shell::IDM_TOPMOST, 0);
    EXPECT_TRUE(checked(system, shell::IDM_TOPMOST));
    EXPECT_NE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_TRUE(form_->lastingSettings().topMost);
    SendMessageW(w, WM_SYSCOMMAND, shell::IDM_WATCHCLIPBOARD, 0);
    EXPECT_TRUE(checked(system, shell::IDM_WATCHCLIPBOARD));
    EXPECT_TRUE(form_->lastingSettings().watchClipboard);
    SendMessageW(w, WM_SYSCOMMAND, shell::IDM_TOPMOST, 0);
    EXPECT_FALSE(checked(system, shell::IDM_TOPMOST));
    EXPECT_EQ(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // The tray menu shows the same marks: it is the hidden MenuTray window's.
    HWND menuTray = FindWindowW(L"ToviMenuTray", nullptr);
    ASSERT_NE(menuTray, nullptr);
    const HMENU tray = GetSubMenu(GetMenu(menuTray), 0);
    EXPECT_FALSE(checked(tray, shell::IDM_TOPMOST));
    EXPECT_TRUE(checked(tray, shell::IDM_WATCHCLIPBOARD));
}

TEST_F(ProgramForm, AHotkeyHeldElsewhereIsNamedInTheTrayTip) {
    EXPECT_TRUE(form_->hotkeyRegistered());
    form_.reset();
    shell::DeleteTrayIcon();
    ASSERT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'Q'));
    app::FormOptions options;
    options.quitOnDestroy = false;
    form_ = app::FormTovi::Create(GetModuleHandleW(nullptr), app::ProgramHooks(), options);
    UnregisterHotKey(nullptr, 1);
    ASSERT_TRUE(form_);
    EXPECT_FALSE(form_->hotkeyRegistered());
    EXPECT_EQ(std::wstring(shell::TrayIconData().szTip), L"Tovi最小化模板（热键Ctrl+Alt+Q已被其他程序占用）");
}

TEST_F(ProgramForm, ClosingTheWindowRemovesTheIcon) {
    const HWND w = form_->hwnd();
    ASSERT_TRUE(IconPresent(w));
    SendMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(IconPresent(w));
}

TEST_F(ProgramForm, IconStaysThroughACancelledShutdownAndGoesWhenTheSessionEnds) {
    const HWND w = form_->hwnd();
    EXPECT_TRUE(SendMessageW(w, WM_QUERYENDSESSION, 0, 0));
    EXPECT_TRUE(IconPresent(w));
    SendMessageW(w, WM_ENDSESSION, FALSE, 0);   // someone cancelled it
    EXPECT_TRUE(IconPresent(w));
    SendMessageW(w, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IconPresent(w));
}

TEST_F(ProgramForm, DestroyingTheWindowWithoutClosingItEndsItsIcon) {
    // The skin lets go of the form at WM_DESTROY while the tray procedure sits
    // in front of it; the tray must still see the window's end. (This shell
    // drops the icons of destroyed windows by itself, so what shows it is
    // that the next main window gets an icon of its own.)
    DestroyWindow(form_->hwnd());
    const auto next = NewForm();
    ASSERT_TRUE(next);
    EXPECT_TRUE(IconPresent(next->hwnd()));
}

}  // namespace
