// The failure box as the player sees it: a real message box under Windows
// (or Wine), found by its caption, read and closed from a second thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/text.h"
#include "questionbank/access_db.h"

namespace {

struct SeenBox {
    std::wstring text;
    bool okButton = false;
    bool cancelButton = false;
    bool iconShown = false;
};

// Waits for the box captioned "Zorvex", records what it shows and presses OK.
void CloseBoxWhenItAppears(SeenBox& seen, std::atomic<int>& boxes) {
    for (int tries = 0; tries < 500; ++tries) {
        HWND box = FindWindowW(L"#32770", L"Zorvex");
        if (box) {
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            seen.text = text;
            seen.okButton = GetDlgItem(box, IDOK) != nullptr;
            seen.cancelButton = GetDlgItem(box, IDCANCEL) != nullptr;
            // The icon is a static control; a box without one has no such
            // control, or (Wine) a hidden one holding no icon.
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t cls[32] = {};
                GetClassNameW(child, cls, 32);
                if (lstrcmpiW(cls, L"Static") != 0 || !IsWindowVisible(child)) continue;
                if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                    SendMessageW(child, STM_GETICON, 0, 0) != 0) {
                    seen.iconShown = true;
                }
            }
            ++boxes;
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return;
        }
        Sleep(20);
    }
}

TEST(DatabaseErrorBox, ShowsTheTextWithAnOkButtonAndNoIcon) {
    SeenBox seen;
    std::atomic<int> boxes{0};
    std::thread closer(CloseBoxWhenItAppears, std::ref(seen), std::ref(boxes));
    questionbank::ShowDatabaseErrorBox(questionbank::kDatabaseErrorText, questionbank::kDatabaseErrorCaption);
    closer.join();
    ASSERT_EQ(boxes.load(), 1);
    EXPECT_EQ(seen.text, L"链接数据库错误");
    EXPECT_TRUE(seen.okButton);
    EXPECT_FALSE(seen.cancelButton);
    EXPECT_FALSE(seen.iconShown);
}

TEST(DatabaseErrorBox, IsWhatAFailedQueryShowsByDefault) {
    questionbank::AccessDb db;   // the platform's own reporter
    db.SetTempBankPath(std::string(TOVI_BINARY_DIR) + "\\no-such-folder\\d9x3.tmp");
    SeenBox seen;
    std::atomic<int> boxes{0};
    std::thread closer(CloseBoxWhenItAppears, std::ref(seen), std::ref(boxes));
    db.OpenQuery("select Question from wd");
    closer.join();
    EXPECT_EQ(boxes.load(), 1);
    EXPECT_EQ(seen.text, L"链接数据库错误");
    EXPECT_EQ(db.BankRecordset().RecordCount(), 0u);
}

}  // namespace
