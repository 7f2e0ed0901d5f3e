// The skinning engine on real windows: a form holding one window of every
// kind, registered under the recognised class names as superclasses of the
// standard controls. Each superclass procedure logs the messages that reach
// it, so a test can tell which messages the skin passes on and which it
// consumes.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skinner.h"
#include "skin/paint/images.h"

using namespace skin;

namespace {

std::map<std::wstring, WNDPROC> g_baseProcs;          // superclass name -> standard procedure
std::vector<std::pair<HWND, UINT>> g_reached;         // messages that reached the old procedures

LRESULT CALLBACK Recorder(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_reached.emplace_back(hWnd, msg);
    wchar_t name[64] = {};
    GetClassNameW(hWnd, name, 64);
    const auto it = g_baseProcs.find(name);
    if (it == g_baseProcs.end() || !it->second) return DefWindowProcW(hWnd, msg, wParam, lParam);
    return CallWindowProcW(it->second, hWnd, msg, wParam, lParam);
}

bool Reached(HWND hWnd, UINT msg) {
    for (const auto& [w, m] : g_reached) {
        if (w == hWnd && m == msg) return true;
    }
    return false;
}

void RegisterSuperclass(const wchar_t* name, const wchar_t* base) {
    if (g_baseProcs.count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (base) {
        ASSERT_TRUE(GetClassInfoExW(nullptr, base, &wc)) << "no standard class";
        g_baseProcs[name] = wc.lpfnWndProc;
    } else {
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        g_baseProcs[name] = nullptr;
    }
    wc.cbSize = sizeof wc;
    wc.style &= ~CS_GLOBALCLASS;
    wc.lpfnWndProc = Recorder;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    ASSERT_NE(RegisterClassExW(&wc), 0);
}

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    return true;
}

INT_PTR Prop(HWND w, const wchar_t* name) { return GetSkinProp(w, name); }

bool HasProp(HWND w, const wchar_t* name) { return GetPropW(w, name) != nullptr; }

COLORREF WindowPixel(HWND w, int x, int y) {
    HDC dc = GetWindowDC(w);
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(w, dc);
    return c;
}

COLORREF SurfacePixel(HWND button, int state, int x, int y) {
    return GetPixel(reinterpret_cast<HDC>(Prop(button, kPropSurface[state])), x, y);
}

POINT ScreenPointOf(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    return p;
}

// Moves the cursor and waits until the system reports it there. The mouse
// moves that the warp itself produces are dropped: each test sends the mouse
// messages it means, with the button state it means.
void PutCursorOver(HWND w, int x, int y) {
    const POINT p = ScreenPointOf(w, x, y);
    SetCursorPos(p.x, p.y);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    MSG m;
    while (std::chrono::steady_clock::now() < end) {
        while (PeekMessageW(&m, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
        }
        Sleep(5);
    }
    POINT now{};
    GetCursorPos(&now);
    EXPECT_TRUE(now.x == p.x && now.y == p.y) << "cursor did not move";
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// The test form: one window of every kind the engine recognises.
struct TestForm {
    HWND form = nullptr;
    HWND command = nullptr;     // push button
    HWND buttonCheck = nullptr; // a check box of class "button", as in a message box
    HWND check = nullptr;
    HWND option = nullptr;
    HWND combo = nullptr;       // drop-down with its own edit field
    HWND progress = nullptr;
    HWND vprogress = nullptr;
    HWND header = nullptr;
    HWND dataList = nullptr;
    HWND grid = nullptr;
    HWND edit = nullptr;        // Other, with a sunken client edge

    TestForm() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterSuperclass(L"ThunderRT6FormDC", nullptr);
        RegisterSuperclass(L"ThunderRT6CommandButton", L"BUTTON");
        RegisterSuperclass(L"ThunderRT6CheckBox", L"BUTTON");
        RegisterSuperclass(L"ThunderRT6OptionButton", L"BUTTON");
        RegisterSuperclass(L"ThunderRT6ComboBox", L"COMBOBOX");
        RegisterSuperclass(L"ProgressBar20WndClass", PROGRESS_CLASSW);
        RegisterSuperclass(L"msvb_lib_header", WC_HEADERW);
        RegisterSuperclass(L"DataListWndClass", L"LISTBOX");
        RegisterSuperclass(L"ApexGridOleDB32", L"LISTBOX");
        RegisterSuperclass(L"ThunderRT6TextBox", L"EDIT");

        HINSTANCE inst = GetModuleHandleW(nullptr);
        form = CreateWindowExW(0, L"ThunderRT6FormDC", L"Skin test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 520,
                               420, nullptr, nullptr, inst, nullptr);
        const auto child = [&](DWORD ex, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
                               int h) {
            return CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, form, nullptr, inst,
                                   nullptr);
        };
        command = child(0, L"ThunderRT6CommandButton", L"确定", BS_PUSHBUTTON, 10, 10, 75, 23);
        buttonCheck = child(0, L"Button", L"Plain check", BS_AUTOCHECKBOX, 100, 10, 120, 20);
        check = child(0, L"ThunderRT6CheckBox", L"Check", BS_AUTOCHECKBOX, 10, 40, 120, 20);
        option = child(0, L"ThunderRT6OptionButton", L"Option", BS_AUTORADIOBUTTON, 140, 40, 120, 20);
        combo = child(0, L"ThunderRT6ComboBox", L"", CBS_DROPDOWN | WS_VSCROLL, 10, 70, 150, 200);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"第一"));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"second"));
        progress = child(0, L"ProgressBar20WndClass", L"", WS_BORDER, 10, 110, 200, 20);
        vprogress = child(0, L"ProgressBar20WndClass", L"", WS_BORDER | PBS_VERTICAL, 230, 110, 20, 200);
        for (HWND p : {progress, vprogress}) SendMessageW(p, PBM_SETRANGE32, 0, 30000);
        header = child(0, L"msvb_lib_header", L"", HDS_HORZ | HDS_BUTTONS, 10, 140, 300, 24);
        for (int i = 0; i < 3; ++i) {
            wchar_t text[16];
            wsprintfW(text, L"列%d", i + 1);
            HDITEMW item{};
            item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
            item.cxy = 100;
            item.fmt = HDF_LEFT | HDF_STRING;
            item.pszText = text;
            SendMessageW(header, HDM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        }
        dataList = child(WS_EX_CLIENTEDGE, L"DataListWndClass", L"", 0, 10, 180, 150, 80);
        grid = child(0, L"ApexGridOleDB32", L"", WS_BORDER, 270, 180, 150, 80);
        edit = child(WS_EX_CLIENTEDGE, L"ThunderRT6TextBox", L"", ES_AUTOHSCROLL, 10, 280, 200, 24);
        UpdateWindow(form);
        Pump();
    }
    ~TestForm() {
        if (IsWindow(form)) DestroyWindow(form);
        Pump();
    }
    TestForm(const TestForm&) = delete;
    TestForm& operator=(const TestForm&) = delete;

    std::vector<HWND> all() const {
        return {form, command, buttonCheck, check, option, combo, progress, vprogress, header, dataList, grid, edit};
    }
};

BOOL CALLBACK CountWindow(HWND, LPARAM n) {
    ++*reinterpret_cast<long*>(n);
    return TRUE;
}

// Starts each test with the engine released.
class SkinEngine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SkinGlobals().skinnedCount, 0);
        g_reached.clear();
    }
    void TearDown() override {
        Pump();
        EXPECT_EQ(SkinGlobals().skinnedCount, 0) << "every skinned window is released with its window";
    }
};

TEST_F(SkinEngine, AttachSetsEachKindsPropertiesAndDetachRemovesThemAll) {
    TestForm t;
    const LONG commandStyle = GetWindowLongW(t.command, GWL_STYLE);
    const LONG checkStyle = GetWindowLongW(t.buttonCheck, GWL_STYLE);
    ASSERT_EQ(SkinWindow(t.form), 1);
    EXPECT_TRUE(SkinGlobals().imagesReady);
    EXPECT_TRUE(SkinImagesInUse().ready());
    long descendants = 0;
    EnumChildWindows(t.form, CountWindow, reinterpret_cast<LPARAM>(&descendants));
    EXPECT_EQ(descendants, static_cast<long>(t.all().size())) << "the children and the combo's edit";
    EXPECT_EQ(SkinGlobals().skinnedCount, descendants + 1) << "and the form";
    EXPECT_EQ(SkinWindow(t.form), 0) << "a skinned window is not attached twice";
    EXPECT_EQ(AttachSkin(t.command), 0);
    EXPECT_EQ(AttachSkin(nullptr), 0);

    for (HWND w : t.all()) {
        EXPECT_TRUE(HasProp(w, kPropProcAddr));
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), &SkinWndProc);
        EXPECT_TRUE(IsWindowUnicode(w));
    }
    // Push buttons: four surfaces the size of the window with their bitmaps.
    for (HWND b : {t.command, t.buttonCheck}) {
        for (int s = 0; s < 4; ++s) {
            HDC dc = reinterpret_cast<HDC>(Prop(b, kPropSurface[s]));
            ASSERT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
            HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(Prop(b, kPropBitmap[s]));
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
            BITMAP info{};
            GetObjectW(bitmap, sizeof info, &info);
            RECT r{};
            GetWindowRect(b, &r);
            EXPECT_EQ(info.bmWidth, r.right - r.left);
            EXPECT_EQ(info.bmHeight, r.bottom - r.top);
        }
        EXPECT_EQ(Prop(b, kPropTimerId), 0);
        EXPECT_EQ(Prop(b, kPropAlphaLevel), 0);
        EXPECT_EQ(Prop(b, kPropOldState), 0);
        RECT box{};
        EXPECT_EQ(GetWindowRgnBox(b, &box), COMPLEXREGION) << "rounded corners";
    }
    // Only the plain push button becomes owner-drawn; the check box of class
    // "button" keeps its look.
    EXPECT_EQ(Prop(t.command, kPropOldStyle), commandStyle);
    EXPECT_EQ(GetWindowLongW(t.command, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongW(t.buttonCheck, GWL_STYLE), checkStyle);
    for (HWND w : {t.check, t.option, t.combo}) {
        EXPECT_TRUE(HasProp(w, kPropOldState) || Prop(w, kPropOldState) == 0);
        EXPECT_EQ(Prop(w, kPropMouseFlag), 0);
        EXPECT_FALSE(HasProp(w, kPropOldStyle));
    }
    EXPECT_EQ(Prop(t.header, kPropHdIndex), -1);
    EXPECT_EQ(Prop(t.header, kPropHmIndex), -1);
    for (HWND w : {t.progress, t.dataList, t.grid, t.edit, t.form}) {
        EXPECT_FALSE(HasProp(w, kPropMouseFlag));
        EXPECT_FALSE(HasProp(w, kPropOldState));
    }

    // Disabled after skinning: the detach gives the button its type back but
    // leaves it disabled.
    EnableWindow(t.command, FALSE);
    Pump();
    ASSERT_EQ(DetachSkin(t.form), 1);
    EXPECT_EQ(DetachSkin(t.form), 0);
    EXPECT_EQ(SkinGlobals().skinnedCount, 0);
    EXPECT_FALSE(SkinGlobals().imagesReady);
    EXPECT_FALSE(SkinImagesInUse().button) << "images released with the last skinned window";
    EXPECT_FALSE(SkinImagesInUse().headerItem);
    const wchar_t* names[] = {kPropProcAddr, kPropMouseFlag, kPropOldState, kPropOldStyle, kPropTimerId,
                              kPropAlphaLevel, kPropHdIndex, kPropHmIndex, L"0HDC", L"1HDC", L"2HDC", L"3HDC",
                              L"0BMP", L"1BMP", L"2BMP", L"3BMP"};
    for (HWND w : t.all()) {
        if (w != t.buttonCheck) {
            EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC)), &Recorder);
        }
        for (const wchar_t* n : names) EXPECT_FALSE(HasProp(w, n)) << "left behind";
    }
    EXPECT_EQ(GetWindowLongW(t.command, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_FALSE(IsWindowEnabled(t.command));
    RECT box{};
    EXPECT_EQ(GetWindowRgnBox(t.command, &box), ERROR) << "region taken back";

    // The next SkinWindow builds the images again.
    EnableWindow(t.command, TRUE);
    ASSERT_EQ(SkinWindow(t.command), 1);
    EXPECT_TRUE(SkinImagesInUse().ready());
    EXPECT_EQ(SkinGlobals().skinnedCount, 1);
}

TEST_F(SkinEngine, OnlyPlainAndDefaultPushButtonsBecomeOwnerDrawn) {
    TestForm t;
    // (BS_USERBUTTON cannot be checked here: this system creates it as a push button.)
    const struct { LONG type; bool ownerDrawn; } kinds[] = {
        {BS_PUSHBUTTON, true}, {BS_DEFPUSHBUTTON, true}, {BS_AUTORADIOBUTTON, false},
        {BS_RADIOBUTTON, false}, {BS_GROUPBOX, false}, {BS_CHECKBOX, false}};
    std::vector<HWND> buttons;
    for (const auto& k : kinds) {
        buttons.push_back(CreateWindowExW(0, L"Button", L"b", WS_CHILD | WS_VISIBLE | k.type, 300, 10, 60, 20, t.form,
                                          nullptr, GetModuleHandleW(nullptr), nullptr));
    }
    ASSERT_EQ(SkinWindow(t.form), 1);
    for (size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(GetWindowLongW(buttons[i], GWL_STYLE) & BS_TYPEMASK, kinds[i].ownerDrawn ? BS_OWNERDRAW : kinds[i].type)
            << "button type " << kinds[i].type;
    }
}

TEST_F(SkinEngine, DestroyingSkinnedWindowsReleasesThemAndTheLastTakesTheImages) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    const long count = SkinGlobals().skinnedCount;
    g_reached.clear();
    DestroyWindow(t.edit);
    EXPECT_EQ(SkinGlobals().skinnedCount, count - 1);
    EXPECT_TRUE(Reached(t.edit, WM_DESTROY)) << "the old procedure still sees WM_DESTROY";
    EXPECT_TRUE(SkinImagesInUse().ready());
    DestroyWindow(t.form);
    EXPECT_TRUE(Reached(t.form, WM_DESTROY));
    EXPECT_TRUE(Reached(t.command, WM_DESTROY));
    EXPECT_EQ(SkinGlobals().skinnedCount, 0);
    EXPECT_FALSE(SkinImagesInUse().button);
}

TEST_F(SkinEngine, RoutingPassesOnEverythingButTheWholeControlPaints) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    Pump();
    // Only these never reach the old procedure.
    const std::vector<std::pair<HWND, UINT>> consumed = {
        {t.command, WM_PAINT}, {t.combo, WM_PAINT},      {t.progress, WM_PAINT},
        {t.progress, WM_NCPAINT}, {t.header, WM_PAINT},
    };
    WINDOWPOS pos{};
    pos.flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    struct Row {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Row rows[] = {
        {WM_SIZE, 0, MAKELPARAM(50, 20)},   {WM_ACTIVATE, WA_INACTIVE, 0}, {WM_SETFOCUS, 0, 0},
        {WM_KILLFOCUS, 0, 0},              {0x0009, 0, 0},                 {WM_ENABLE, TRUE, 0},
        {WM_PAINT, 0, 0},                  {WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos)},
        {WM_NCPAINT, 1, 0},                {WM_KEYDOWN, 'A', 0},           {WM_KEYUP, 'A', 0},
        {WM_TIMER, 7, 0},                  {WM_ENTERIDLE, 0, 0},           {WM_CTLCOLORLISTBOX, 0, 0},
        {WM_MOUSEMOVE, 0, At(300, 300)},   {WM_MOUSELEAVE, 0, 0},          {WM_GETTEXTLENGTH, 0, 0},
        {WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1)}, {WM_LBUTTONUP, 0, At(1, 1)},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, At(1, 1)}, {WM_LBUTTONUP, 0, At(1, 1)},
    };
    for (HWND w : t.all()) {
        if (w == t.buttonCheck) continue;   // a standard class: its old procedure logs nothing
        for (const Row& row : rows) {
            g_reached.clear();
            SendMessageW(w, row.msg, row.wParam, row.lParam);
            bool shouldReach = true;
            for (const auto& [cw, cm] : consumed) {
                if ((cw == w || (cw == t.progress && w == t.vprogress)) && cm == row.msg) shouldReach = false;
            }
            wchar_t cls[64] = {};
            GetClassNameW(w, cls, 64);
            EXPECT_EQ(Reached(w, row.msg), shouldReach)
                << "message 0x" << std::hex << row.msg << " to " << base::Utf16ToUtf8(reinterpret_cast<const char16_t*>(cls));
            if (GetCapture()) ReleaseCapture();
            SendMessageW(t.combo, CB_SHOWDROPDOWN, FALSE, 0);
            Pump();
        }
    }
    // A window that is no longer skinned but still reaches SkinWndProc is
    // served by the default procedure, not by the one the skin replaced.
    ASSERT_EQ(DetachSkin(t.edit), 1);
    g_reached.clear();
    CallWindowProcW(&SkinWndProc, t.edit, WM_GETTEXTLENGTH, 0, 0);
    EXPECT_FALSE(Reached(t.edit, WM_GETTEXTLENGTH));
    EXPECT_EQ(SkinWndProc(nullptr, WM_PAINT, 0, 0), 0);
}

// Records the fade's alpha as each tick arrives, in front of the skin.
WNDPROC g_skinInFront = nullptr;
std::vector<INT_PTR> g_tickAlphas;
LRESULT CALLBACK AlphaSpy(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) g_tickAlphas.push_back(GetSkinProp(hWnd, kPropAlphaLevel));
    return CallWindowProcW(g_skinInFront, hWnd, msg, wParam, lParam);
}

std::vector<INT_PTR> Steps(int from) {
    std::vector<INT_PTR> v;
    for (int a = from; a <= 255; a += 3) v.push_back(a);
    return v;
}

TEST_F(SkinEngine, PushButtonFadesInStepsOfThreeOnTheTimer) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    HWND b = t.command;
    // A later subclasser in front of the skin: the skin keeps working behind it.
    g_skinInFront = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AlphaSpy)));
    Pump();
    PutCursorOver(b, 37, 11);

    g_tickAlphas.clear();
    SendMessageW(b, WM_MOUSEMOVE, 0, At(37, 11));
    EXPECT_EQ(Prop(b, kPropOldState), 1);
    EXPECT_EQ(Prop(b, kPropMouseFlag), 1);
    EXPECT_EQ(Prop(b, kPropTimerId), 1);
    ASSERT_TRUE(PumpUntil([&] { return Prop(b, kPropTimerId) == 0; }));
    EXPECT_EQ(g_tickAlphas, Steps(0));
    EXPECT_EQ(g_tickAlphas.size(), 86u);
    EXPECT_EQ(Prop(b, kPropAlphaLevel), 0);
    EXPECT_EQ(WindowPixel(b, 37, 4), SurfacePixel(b, 1, 37, 4)) << "the last blend is opaque";

    // A press shows at once; the release fades back from 60.
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, At(37, 11));
    EXPECT_EQ(Prop(b, kPropOldState), 2);
    EXPECT_EQ(Prop(b, kPropTimerId), 0);
    EXPECT_EQ(WindowPixel(b, 37, 4), SurfacePixel(b, 2, 37, 4));
    g_tickAlphas.clear();
    SendMessageW(b, WM_LBUTTONUP, 0, At(37, 11));
    EXPECT_EQ(Prop(b, kPropOldState), 0);
    EXPECT_EQ(Prop(b, kPropAlphaLevel), 60);
    ASSERT_TRUE(PumpUntil([&] { return Prop(b, kPropTimerId) == 0; }));
    EXPECT_EQ(g_tickAlphas, Steps(60));
    EXPECT_EQ(g_tickAlphas.size(), 66u);
    EXPECT_EQ(WindowPixel(b, 37, 4), SurfacePixel(b, 0, 37, 4));

    // Starting a fade while one runs keeps the running timer.
    SendMessageW(b, WM_KEYUP, VK_SPACE, 0);
    const INT_PTR timer = Prop(b, kPropTimerId);
    SendMessageW(b, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Prop(b, kPropTimerId), timer);
    EXPECT_EQ(Prop(b, kPropOldState), 0);
    EXPECT_EQ(Prop(b, kPropAlphaLevel), 0);
    EXPECT_EQ(Prop(b, kPropMouseFlag), 0);
    // A paint shows the face at once and ends the fade.
    RedrawWindow(b, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Prop(b, kPropTimerId), 0);
    SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_skinInFront));
}

TEST_F(SkinEngine, DraggingOutOfAPressedButtonKeepsThePressedFace) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    HWND b = t.command;
    PutCursorOver(b, 37, 11);
    SendMessageW(b, WM_MOUSEMOVE, 0, At(37, 11));
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, At(37, 11));
    EXPECT_EQ(GetCapture(), b);
    PutCursorOver(b, 200, 200);
    SendMessageW(b, WM_MOUSEMOVE, MK_LBUTTON, At(200, 200));
    EXPECT_EQ(Prop(b, kPropOldState), 2);
    EXPECT_EQ(Prop(b, kPropTimerId), 0) << "no fade while outside";
    EXPECT_EQ(Prop(b, kPropAlphaLevel), 255);
    EXPECT_EQ(WindowPixel(b, 37, 4), SurfacePixel(b, 2, 37, 4));
    EXPECT_NE(SurfacePixel(b, 2, 37, 4), SurfacePixel(b, 0, 37, 4)) << "faces differ, or the check proves nothing";
    SendMessageW(b, WM_LBUTTONUP, 0, At(200, 200));
    ReleaseCapture();
}

// The window whose leave the thread is tracking now, if any.
HWND TrackedWindow() {
    TRACKMOUSEEVENT q{};
    q.cbSize = sizeof q;
    q.dwFlags = TME_QUERY;
    TrackMouseEvent(&q);
    return (q.dwFlags & TME_LEAVE) ? q.hwndTrack : nullptr;
}

void DiscardLeaveMessages(HWND w) {
    MSG m;
    while (PeekMessageW(&m, w, WM_MOUSELEAVE, WM_MOUSELEAVE, PM_REMOVE)) {
    }
}

TEST_F(SkinEngine, LeaveTrackingIsAskedOncePerEntry) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    // (A header control asks for leave tracking itself, so it cannot be told apart here.)
    for (HWND w : {t.command, t.check, t.option, t.combo}) {
        // Over the window itself: for the combo box, its button (the rest is its edit field).
        RECT client{};
        GetClientRect(w, &client);
        const int x = w == t.combo ? client.right - 6 : 5;
        PutCursorOver(w, x, 5);
        ASSERT_EQ(WindowFromPoint(ScreenPointOf(w, x, 5)), w);
        SendMessageW(w, WM_MOUSEMOVE, 0, At(x, 5));
        EXPECT_EQ(TrackedWindow(), w);
        EXPECT_EQ(Prop(w, kPropMouseFlag), 1);
        // Someone else takes the tracking; further moves within the same
        // entry must not ask for it again.
        TRACKMOUSEEVENT other{sizeof other, TME_LEAVE, t.form, 0};
        TrackMouseEvent(&other);
        DiscardLeaveMessages(w);
        ASSERT_NE(TrackedWindow(), w);
        SendMessageW(w, WM_MOUSEMOVE, 0, At(x + 1, 5));
        SendMessageW(w, WM_MOUSEMOVE, 0, At(x, 6));
        EXPECT_NE(TrackedWindow(), w) << "asked again within the same entry";
        // After the leave, the next move asks again.
        SendMessageW(w, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(Prop(w, kPropMouseFlag), 0);
        SendMessageW(w, WM_MOUSEMOVE, 0, At(x, 5));
        EXPECT_EQ(TrackedWindow(), w) << "asked again on the next entry";
        PutCursorOver(t.form, 480, 380);
        ASSERT_TRUE(PumpUntil([&] { return Prop(w, kPropMouseFlag) == 0; })) << "the real leave arrives";
    }
    // Kinds that do not paint on mouse moves do not track.
    PutCursorOver(t.edit, 5, 5);
    SendMessageW(t.edit, WM_MOUSEMOVE, 0, At(5, 5));
    EXPECT_NE(TrackedWindow(), t.edit);
}

TEST_F(SkinEngine, SunkenEdgesBecomeOneRingInTheBorderColour) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    RECT r{};
    GetWindowRect(t.edit, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const auto frame = [&] { RedrawWindow(t.edit, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW); };
    frame();
    HDC cdc = GetDC(t.edit);
    const COLORREF background = GetBkColor(cdc);
    ReleaseDC(t.edit, cdc);
    EXPECT_EQ(WindowPixel(t.edit, 0, h / 2), kSkinBorderColour);
    EXPECT_EQ(WindowPixel(t.edit, w - 1, h / 2), kSkinBorderColour);
    EXPECT_EQ(WindowPixel(t.edit, w / 2, h - 1), kSkinBorderColour);
    // The rest of the two-pixel edge, on all four sides, takes the background.
    for (const POINT p : {POINT{1, h / 2}, POINT{w - 2, h / 2}, POINT{w - 3, h / 2}, POINT{w / 2, 1},
                          POINT{w / 2, h - 2}, POINT{w / 2, h - 3}}) {
        EXPECT_EQ(WindowPixel(t.edit, p.x, p.y), background) << p.x << "," << p.y;
    }
    EnableWindow(t.edit, FALSE);
    frame();
    EXPECT_EQ(WindowPixel(t.edit, 0, h / 2), kSkinBorderDisabledColour);
    EXPECT_EQ(WindowPixel(t.edit, w - 1, 1), kSkinBorderDisabledColour);

    // A data list keeps its own edge and gets the list frame: coloured outer
    // ring, white inner ring.
    RedrawWindow(t.dataList, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    GetWindowRect(t.dataList, &r);
    EXPECT_EQ(WindowPixel(t.dataList, 0, (r.bottom - r.top) / 2), kSkinBorderColour);
    EXPECT_EQ(WindowPixel(t.dataList, 1, (r.bottom - r.top) / 2), kWhite);
}

TEST_F(SkinEngine, ProgressBarAtHalfRangeIsHalfFilled) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    for (HWND p : {t.progress, t.vprogress}) {
        SendMessageW(p, PBM_SETPOS, 15000, 0);
        RedrawWindow(p, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    }
    // Horizontal 200 x 20 with a one-pixel border: client 198 x 18, filled from the left.
    EXPECT_EQ(WindowPixel(t.progress, 0, 0), kSkinBorderColour);
    EXPECT_EQ(WindowPixel(t.progress, 1 + 0, 9), kProgressFillColour);
    EXPECT_EQ(WindowPixel(t.progress, 1 + 98, 9), kProgressFillColour);
    EXPECT_EQ(WindowPixel(t.progress, 1 + 99, 9), kWhite);
    EXPECT_EQ(WindowPixel(t.progress, 1 + 197, 9), kWhite);
    // Vertical 20 x 200: filled from the bottom.
    EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 197), kProgressFillColour);
    EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 99), kProgressFillColour);
    EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 98), kWhite);
    EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 0), kWhite);
    // The frame paint alone draws the bar too, also for a vertical bar that is not smooth.
    {
        HDC dc = GetDC(t.vprogress);
        RECT client{};
        GetClientRect(t.vprogress, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(t.vprogress, dc);
        SendMessageW(t.vprogress, WM_NCPAINT, 1, 0);
        EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 197), kProgressFillColour);
        EXPECT_EQ(WindowPixel(t.vprogress, 9, 1 + 0), kWhite);
    }
    // Beyond the range the bar stays within its frame.
    SendMessageW(t.progress, PBM_SETRANGE32, 0, 60000);
    SendMessageW(t.progress, PBM_SETPOS, 60000, 0);
    RedrawWindow(t.progress, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixel(t.progress, 1 + 197, 9), kProgressFillColour);
    EXPECT_EQ(WindowPixel(t.progress, 199, 9), kSkinBorderColour);
}

TEST_F(SkinEngine, HeaderTracksHotAndPressedItemsThroughADrag) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    HWND h = t.header;
    const ImagePixels image = SkinImagePixels(SkinImageId::HeaderItem);
    const auto face = [&](int item) { return WindowPixel(h, item * 100 + 50, 1); };
    const Colour normal = image.at(1, 1), hot = image.at(4, 1), pressed = image.at(7, 1);
    ASSERT_NE(normal, hot);
    ASSERT_NE(hot, pressed);
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(face(0), normal);

    PutCursorOver(h, 50, 10);
    SendMessageW(h, WM_MOUSEMOVE, 0, At(50, 10));
    EXPECT_EQ(Prop(h, kPropHmIndex), 0);
    EXPECT_EQ(face(0), hot);
    SendMessageW(h, WM_MOUSEMOVE, 0, At(150, 10));
    EXPECT_EQ(Prop(h, kPropHmIndex), 1);
    EXPECT_EQ(face(0), normal);
    EXPECT_EQ(face(1), hot);

    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(150, 10));
    EXPECT_EQ(Prop(h, kPropHdIndex), 1);
    EXPECT_EQ(face(1), pressed);
    // Dragging to the next item: nothing becomes hot, the pressed item stays.
    PutCursorOver(h, 250, 10);
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(250, 10));
    EXPECT_EQ(Prop(h, kPropHdIndex), 1);
    EXPECT_EQ(Prop(h, kPropHmIndex), 1);
    EXPECT_EQ(face(2), normal);
    EXPECT_EQ(face(1), pressed);
    // A repaint in the middle of the drag shows the same states.
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(face(1), pressed);
    EXPECT_EQ(face(2), normal);
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, At(150, 10));
    EXPECT_EQ(face(1), pressed);

    // Released over the header on another item: that item is hot, the released one normal.
    PutCursorOver(h, 250, 10);
    SendMessageW(h, WM_LBUTTONUP, 0, At(250, 10));
    if (GetCapture()) ReleaseCapture();
    EXPECT_EQ(Prop(h, kPropHdIndex), -1);
    EXPECT_EQ(Prop(h, kPropHmIndex), 2);
    EXPECT_EQ(face(1), normal);
    EXPECT_EQ(face(2), hot);

    SendMessageW(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Prop(h, kPropHmIndex), -1);
    EXPECT_EQ(Prop(h, kPropMouseFlag), 0);
    EXPECT_EQ(face(2), normal);

    // Released outside the header: the item returns to normal.
    PutCursorOver(h, 50, 10);
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 10));
    EXPECT_EQ(face(0), pressed);
    PutCursorOver(t.form, 450, 350);
    SendMessageW(h, WM_LBUTTONUP, 0, At(50, 300));
    if (GetCapture()) ReleaseCapture();
    EXPECT_EQ(face(0), normal);
}

struct MessageBoxSeen {
    HWND box = nullptr;
    bool boxSkinned = false;
    bool okSkinned = false;
    bool okHasFaces = false;
    bool allChildrenSkinned = false;
};
MessageBoxSeen g_seen;
HWND g_owner = nullptr;

BOOL CALLBACK CheckSkinned(HWND w, LPARAM) {
    if (!GetPropW(w, kPropProcAddr)) g_seen.allChildrenSkinned = false;
    return TRUE;
}

BOOL CALLBACK FindBox(HWND w, LPARAM) {
    if (GetWindow(w, GW_OWNER) == g_owner && KindOfWindow(w) == SkinKind::Form) {
        g_seen.box = w;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
    if (!g_seen.box) return;
    KillTimer(nullptr, id);
    g_seen.boxSkinned = GetPropW(g_seen.box, kPropProcAddr) != nullptr;
    HWND ok = GetDlgItem(g_seen.box, IDOK);
    g_seen.okSkinned = ok && GetPropW(ok, kPropProcAddr) != nullptr;
    RECT box{};
    g_seen.okHasFaces = ok && GetObjectType(reinterpret_cast<HDC>(GetSkinProp(ok, L"0HDC"))) == OBJ_MEMDC &&
                        GetWindowRgnBox(ok, &box) == COMPLEXREGION;
    g_seen.allChildrenSkinned = true;
    EnumChildWindows(g_seen.box, CheckSkinned, 0);
    PostMessageW(g_seen.box, WM_COMMAND, IDOK, 0);
}

TEST_F(SkinEngine, MessageBoxOfASkinnedWindowIsSkinnedWhenItAppears) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    SetForegroundWindow(t.form);
    Pump();
    const long before = SkinGlobals().skinnedCount;
    g_seen = {};
    g_owner = t.form;
    SetTimer(nullptr, 0, 100, InspectMessageBox);
    MessageBoxW(t.form, L"链接数据库错误", L"提示", MB_OK);
    ASSERT_NE(g_seen.box, nullptr);
    EXPECT_TRUE(g_seen.boxSkinned);
    EXPECT_TRUE(g_seen.okSkinned);
    EXPECT_TRUE(g_seen.okHasFaces);
    EXPECT_TRUE(g_seen.allChildrenSkinned) << "buttons, icon and text of the box";
    Pump();
    EXPECT_EQ(SkinGlobals().skinnedCount, before) << "the box and its children released with it";
}

TEST_F(SkinEngine, OpenedComboListIsSkinnedThroughItsColourRequest) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(t.combo, &info));
    EXPECT_FALSE(GetPropW(info.hwndList, kPropProcAddr));
    SendMessageW(t.combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    UpdateWindow(info.hwndList);
    EXPECT_TRUE(GetPropW(info.hwndList, kPropProcAddr));
    EXPECT_EQ(KindOfWindow(info.hwndList), SkinKind::ComboList);
    SendMessageW(t.combo, CB_SHOWDROPDOWN, FALSE, 0);
    Pump();
}

TEST_F(SkinEngine, TextTypedIntoASkinnedEditStaysUnicode) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    SetFocus(t.edit);
    for (wchar_t c : std::wstring(L"中文答题")) SendMessageW(t.edit, WM_CHAR, c, 1);
    wchar_t text[16] = {};
    GetWindowTextW(t.edit, text, 16);
    EXPECT_EQ(std::wstring(text), L"中文答题");
}

DWORD WINAPI ForeignWindowThread(LPVOID param) {
    auto* handles = static_cast<HANDLE*>(param);
    HWND w = CreateWindowExW(0, L"BUTTON", L"foreign", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    *reinterpret_cast<HWND*>(handles[2]) = w;
    SetEvent(handles[0]);
    WaitForSingleObject(handles[1], 5000);
    DestroyWindow(w);
    return 0;
}

TEST_F(SkinEngine, WindowsOfOtherThreadsAreNeverAttached) {
    TestForm t;
    ASSERT_EQ(SkinWindow(t.form), 1);
    HWND foreign = nullptr;
    HANDLE created = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE params[3] = {created, release, reinterpret_cast<HANDLE>(&foreign)};
    HANDLE thread = CreateThread(nullptr, 0, ForeignWindowThread, params, 0, nullptr);
    WaitForSingleObject(created, 5000);
    ASSERT_NE(foreign, nullptr);
    const LONG style = GetWindowLongW(foreign, GWL_STYLE);
    EXPECT_EQ(AttachSkin(foreign), 0);
    // Activation from a window of another thread leaves it alone too.
    SendMessageW(t.form, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(foreign));
    EXPECT_FALSE(GetPropW(foreign, kPropProcAddr));
    EXPECT_FALSE(GetPropW(foreign, L"0HDC"));
    EXPECT_EQ(GetWindowLongW(foreign, GWL_STYLE), style);
    SetEvent(release);
    WaitForSingleObject(thread, 5000);
    for (HANDLE hd : {thread, created, release}) CloseHandle(hd);
}

}  // namespace
