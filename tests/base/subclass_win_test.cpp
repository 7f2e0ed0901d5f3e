// The subclass chain on a real window: two procedures in front of the window's
// own, taken out in either order.
#include "base/win/subclass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace base::win;

namespace {

std::vector<std::string> g_seen;   // "who:message" for the messages below
constexpr UINT kPing = WM_APP + 5;

void Note(const char* who, UINT msg) {
    if (msg == kPing || msg == WM_NCDESTROY) g_seen.push_back(std::string(who) + (msg == kPing ? ":ping" : ":ncdestroy"));
}

LRESULT CALLBACK WindowOwn(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    Note("own", msg);
    return msg == kPing ? 7 : DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK FirstProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK SecondProc(HWND, UINT, WPARAM, LPARAM);
constexpr Subclass kFirst{&FirstProc, L"TESTFIRSTPROC", L"TESTFIRSTOFF"};
constexpr Subclass kSecond{&SecondProc, L"TESTSECONDPROC", L"TESTSECONDOFF"};

LRESULT CALLBACK FirstProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (IsSubclassed(w, kFirst)) Note("first", msg);
    return CallNext(w, kFirst, msg, wp, lp);
}
LRESULT CALLBACK SecondProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (IsSubclassed(w, kSecond)) Note("second", msg);
    return CallNext(w, kSecond, msg, wp, lp);
}

HWND NewWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowOwn;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ToviSubclassTest";
    RegisterClassW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

WNDPROC Front(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)); }

std::vector<std::string> Ping(HWND w) {
    g_seen.clear();
    EXPECT_EQ(SendMessageW(w, kPing, 0, 0), 7);
    return g_seen;
}

using Seen = std::vector<std::string>;

TEST(SubclassChain, DetachingOutOfOrderKeepsTheLaterSubclassInTheChain) {
    const HWND w = NewWindow();
    ASSERT_TRUE(AttachSubclass(w, kFirst));
    ASSERT_TRUE(AttachSubclass(w, kSecond));
    EXPECT_FALSE(AttachSubclass(w, kFirst)) << "never linked twice";
    EXPECT_EQ(Ping(w), (Seen{"second:ping", "first:ping", "own:ping"}));

    // The first goes while the second is in front: it stays, passing on only.
    EXPECT_TRUE(DetachSubclass(w, kFirst));
    EXPECT_FALSE(DetachSubclass(w, kFirst));
    EXPECT_EQ(Front(w), &SecondProc);
    EXPECT_EQ(Ping(w), (Seen{"second:ping", "own:ping"}));

    // Taken back into service where it stands, not linked a second time.
    EXPECT_TRUE(AttachSubclass(w, kFirst));
    EXPECT_EQ(Ping(w), (Seen{"second:ping", "first:ping", "own:ping"}));
    EXPECT_TRUE(DetachSubclass(w, kFirst));

    // The second still sees the end of the window, and nothing is left on it.
    g_seen.clear();
    DestroyWindow(w);
    EXPECT_EQ(g_seen, (Seen{"second:ncdestroy", "own:ncdestroy"}));
    for (const wchar_t* name : {kFirst.previous, kFirst.retired, kSecond.previous, kSecond.retired}) {
        EXPECT_EQ(GetPropW(w, name), nullptr);
    }
}

TEST(SubclassChain, ARetiredSubclassStepsOutOnceInFrontAgain) {
    const HWND w = NewWindow();
    ASSERT_TRUE(AttachSubclass(w, kFirst));
    ASSERT_TRUE(AttachSubclass(w, kSecond));
    ASSERT_TRUE(DetachSubclass(w, kFirst));
    ASSERT_TRUE(DetachSubclass(w, kSecond));   // in front: its procedure goes back at once
    EXPECT_EQ(Front(w), &FirstProc);
    EXPECT_EQ(Ping(w), (Seen{"own:ping"}));
    EXPECT_EQ(Front(w), &WindowOwn);
    EXPECT_EQ(GetPropW(w, kFirst.previous), nullptr);
    EXPECT_EQ(GetPropW(w, kFirst.retired), nullptr);

    // A fresh link after all that works like the first.
    ASSERT_TRUE(AttachSubclass(w, kSecond));
    EXPECT_EQ(Ping(w), (Seen{"second:ping", "own:ping"}));
    DestroyWindow(w);
}

}  // namespace
