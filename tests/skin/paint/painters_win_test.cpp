// The painters on real controls under Windows: what lands on screen for each
// state, where, and what is left alone.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>

#include "base/win/window_props.h"
#include "support_win.h"

using namespace skin;
using namespace skintest;
using base::win::GetPropInt;
using base::win::SetPropInt;
using base::win::SetPropPtr;

namespace {

// A font that draws without anti-aliasing, so text pixels carry the exact colour.
HFONT PlainFont() {
    static base::win::OwnedFont font{CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                                 CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, L"Tahoma")};
    return font.get();
}

// A push button set up the way the skinning engine leaves it: four state
// surfaces in its properties and the state, alpha and style properties.
struct SkinnedButton {
    HWND window;
    std::array<MemorySurface, 4> surfaces;

    SkinnedButton(Host& host, const wchar_t* text, int w = 75, int h = 23) {
        window = host.Child(L"BUTTON", text, BS_PUSHBUTTON, 10, 10, w, h);
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(PlainFont()), FALSE);
        const wchar_t* names[4] = {L"0HDC", L"1HDC", L"2HDC", L"3HDC"};
        for (int s = 0; s < 4; ++s) {
            surfaces[static_cast<std::size_t>(s)] = CreateMemorySurface(w, h);
            SetPropPtr(window, names[s], reinterpret_cast<INT_PTR>(surfaces[static_cast<std::size_t>(s)].get()));
        }
        SetPropInt(window, L"OLDSTYLE", static_cast<std::int32_t>(GetWindowLongPtrW(window, GWL_STYLE)));
        SetPropInt(window, L"OLDSTATE", 0);
        SetPropInt(window, L"ALPHALEVEL", 0);
    }
    HDC face(int s) const { return surfaces[static_cast<std::size_t>(s)].get(); }
};

int CountColour(HDC dc, int w, int h, COLORREF c) {
    const std::vector<COLORREF> px = Pixels(dc, 0, 0, w, h);
    return static_cast<int>(std::count(px.begin(), px.end(), c));
}

}  // namespace

TEST(ButtonFaces, KeepTheImageCornersAndDrawTheCaptionInTheStateColour) {
    Host host;
    SkinnedButton b(host, L"确定 OK");
    RenderButtonStates(Images(), b.window);
    const HDC button = Images().button.get();
    for (int s = 0; s < 4; ++s) {
        const HDC face = b.face(s);
        EXPECT_EQ(Pixels(face, 0, 0, 3, 3), Pixels(button, 0, 21 * s, 3, 3)) << "state " << s;
        EXPECT_EQ(Pixels(face, 72, 20, 3, 3), Pixels(button, 4, 21 * s + 18, 3, 3)) << "state " << s;
        EXPECT_EQ(Hex(GetPixel(face, 1, 11)), Hex(GetPixel(button, 1, 21 * s + 10)));  // left edge, stretched
        const int black = CountColour(face, 75, 23, 0x000000);
        const int grey = CountColour(face, 75, 23, 0x968A79);
        if (s == 3) {
            EXPECT_GT(grey, 20);
            EXPECT_EQ(black, 0);
        } else {
            EXPECT_GT(black, 20) << "state " << s;
            EXPECT_EQ(grey, 0) << "state " << s;
        }
    }
    // The window's font is not left selected in the surfaces, so its owner can delete it.
    for (int s = 0; s < 4; ++s) EXPECT_NE(GetCurrentObject(b.face(s), OBJ_FONT), static_cast<HGDIOBJ>(PlainFont()));
    // The pressed caption is not offset: same pixels as the normal one.
    std::vector<COLORREF> normal = Pixels(b.face(0), 0, 0, 75, 23), pressed = Pixels(b.face(2), 0, 0, 75, 23);
    for (std::size_t i = 0; i < normal.size(); ++i) EXPECT_EQ(normal[i] == 0, pressed[i] == 0) << i;
}

TEST(ButtonFaces, CarryTheFocusRectangleOnlyWhileTheButtonHasTheFocus) {
    Host host;
    SkinnedButton b(host, L"Go");
    HWND other = host.Child(L"BUTTON", L"other", BS_PUSHBUTTON, 10, 60, 75, 23);
    SetFocus(other);
    RenderButtonStates(Images(), b.window);
    std::array<std::vector<COLORREF>, 4> plain;
    for (int s = 0; s < 4; ++s) plain[static_cast<std::size_t>(s)] = Pixels(b.face(s), 0, 0, 75, 23);

    SetFocus(b.window);
    ASSERT_EQ(GetFocus(), b.window);
    RenderButtonStates(Images(), b.window);
    for (int s = 0; s < 4; ++s) {
        const std::vector<COLORREF> focused = Pixels(b.face(s), 0, 0, 75, 23);
        int changed = 0, outside = 0;
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 75; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * 75 + x);
                if (focused[i] == plain[static_cast<std::size_t>(s)][i]) continue;
                const bool onFrame = (x == 2 || x == 72 || y == 2 || y == 20) && x >= 2 && x <= 72 && y >= 2 && y <= 20;
                (onFrame ? changed : outside)++;
            }
        }
        EXPECT_GT(changed, 40) << "state " << s;  // dotted: about every other pixel of the inset frame
        EXPECT_EQ(outside, 0) << "state " << s;
    }

    SetFocus(other);
    RenderButtonStates(Images(), b.window);
    for (int s = 0; s < 4; ++s) EXPECT_EQ(Pixels(b.face(s), 0, 0, 75, 23), plain[static_cast<std::size_t>(s)]);
}

TEST(ButtonBlend, AlphaZeroChangesNothingAndAlpha255ShowsTheStateImage) {
    Host host;
    SkinnedButton b(host, L"Blend");
    RenderButtonStates(Images(), b.window);
    MemorySurface screen = Surface(75, 23, 0x00FF00);
    const std::vector<COLORREF> before = Pixels(screen.get(), 0, 0, 75, 23);

    SetPropInt(b.window, L"OLDSTATE", 1);
    SetPropInt(b.window, L"ALPHALEVEL", 0);
    EXPECT_EQ(FadeBlendButton(b.window, screen.get()), 0);
    EXPECT_EQ(Pixels(screen.get(), 0, 0, 75, 23), before);

    SetPropInt(b.window, L"ALPHALEVEL", 255);
    FadeBlendButton(b.window, screen.get());
    EXPECT_EQ(Pixels(screen.get(), 0, 0, 75, 23), Pixels(b.face(1), 0, 0, 75, 23));

    // A middle alpha lands between the two.
    MemorySurface half = Surface(75, 23, 0x000000);
    SetPropInt(b.window, L"ALPHALEVEL", 128);
    FadeBlendButton(b.window, half.get());
    const COLORREF mid = GetPixel(half.get(), 37, 11), full = GetPixel(b.face(1), 37, 11);
    EXPECT_NEAR(GetBValue(mid), GetBValue(full) / 2, 2);

    // Without a DC the window's own DC is the target.
    FadeBlendButton(b.window, nullptr);
    SetPropInt(b.window, L"ALPHALEVEL", 255);
    FadeBlendButton(b.window, nullptr);
    base::win::WindowDc wdc{b.window, base::win::WindowDc::Whole};
    EXPECT_EQ(Pixels(wdc.get(), 0, 0, 75, 23), Pixels(b.face(1), 0, 0, 75, 23));
}

TEST(ButtonBlend, ShowsTheDisabledFaceWhenDisabledAndSkipsNonPushButtons) {
    Host host;
    SkinnedButton b(host, L"Off");
    RenderButtonStates(Images(), b.window);
    EnableWindow(b.window, FALSE);
    SetPropInt(b.window, L"OLDSTATE", 2);
    SetPropInt(b.window, L"ALPHALEVEL", 255);
    MemorySurface screen = Surface(75, 23, 0x00FF00);
    FadeBlendButton(b.window, screen.get());
    EXPECT_EQ(GetPropInt(b.window, L"OLDSTATE"), 3);
    EXPECT_EQ(Pixels(screen.get(), 0, 0, 75, 23), Pixels(b.face(3), 0, 0, 75, 23));

    for (std::int32_t style : {BS_CHECKBOX, BS_RADIOBUTTON, BS_AUTO3STATE, BS_GROUPBOX}) {
        MemorySurface untouched = Surface(75, 23, 0x00FF00);
        SetPropInt(b.window, L"OLDSTYLE", WS_CHILD | style);
        EXPECT_EQ(FadeBlendButton(b.window, untouched.get()), 0);
        EXPECT_EQ(CountColour(untouched.get(), 75, 23, 0x00FF00), 75 * 23) << style;
    }
}

namespace {

struct BoxWindow {
    HWND window;
    BoxWindow(Host& host, DWORD style, int height, int check, int y = 10) {
        window = host.Child(L"BUTTON", L"choice", style, 10, y, 120, height);
        SendMessageW(window, BM_SETCHECK, static_cast<WPARAM>(check), 0);
        UpdateWindow(window);
        Pump();
    }
    COLORREF at(int x, int y) const {
        base::win::WindowDc dc{window, base::win::WindowDc::Whole};
        return GetPixel(dc.get(), x, y);
    }
};

}  // namespace

TEST(CheckBox, IsCentredByTheRuleAtTheLeftEdge) {
    Host host;
    const int H = GetSystemMetrics(SM_CYMENUCHECK);
    // With the usual 13-pixel box: 17 high puts it at 2, 20 high at round(3.5) = 4.
    const struct {
        int height, top;
    } cases[] = {{H + 4, 2}, {H + 7, 4}};
    int y = 10;
    for (const auto& c : cases) {
        BoxWindow box(host, BS_CHECKBOX, c.height, BST_UNCHECKED, y);
        y += 30;
        EXPECT_EQ(PaintCheckBox(Images(), box.window, kStateNormal, true), 1);
        EXPECT_EQ(Hex(box.at(0, c.top)), Hex(kSkinBorderColour)) << c.height;
        EXPECT_EQ(Hex(box.at(0, c.top + H - 1)), Hex(kSkinBorderColour)) << c.height;
        EXPECT_NE(Hex(box.at(0, c.top - 1)), Hex(kSkinBorderColour)) << c.height;
        EXPECT_NE(Hex(box.at(0, c.top + H)), Hex(kSkinBorderColour)) << c.height;
        EXPECT_EQ(Hex(box.at(1, c.top + 1)), "FFFFFF");
    }
    EXPECT_EQ(H, 13);
}

TEST(CheckBox, DrawsEachStateAndCheckValueAndSkipsAnUnchangedState) {
    Host host;
    const int W = GetSystemMetrics(SM_CXMENUCHECK), H = GetSystemMetrics(SM_CYMENUCHECK);
    BoxWindow box(host, BS_3STATE, H + 4, BST_CHECKED);
    const int top = 2, markX = HalfToEven(W - 9), markY = HalfToEven(H - 8);

    EXPECT_EQ(PaintCheckBox(Images(), box.window, kStateHot, false), 1);
    EXPECT_EQ(GetPropInt(box.window, L"OLDSTATE"), 1);
    EXPECT_EQ(Hex(box.at(0, top)), Hex(kSkinBorderColour));
    EXPECT_EQ(Hex(box.at(1, top + 1)), "F8EAC3");             // the hot band
    EXPECT_EQ(Hex(box.at(markX + 8, top + markY)), "1DB754");  // top of the check mark
    EXPECT_EQ(Hex(box.at(markX + 3, top + markY + 7)), "029135");

    // Same state, not forced: nothing drawn.
    {
        base::win::WindowDc dc{box.window, base::win::WindowDc::Whole};
        SetPixel(dc.get(), 1, top + 1, 0x0000FF);
    }
    EXPECT_EQ(PaintCheckBox(Images(), box.window, kStateHot, false), 0);
    EXPECT_EQ(Hex(box.at(1, top + 1)), "0000FF");

    EXPECT_EQ(PaintCheckBox(Images(), box.window, kStatePressed, false), 1);
    EXPECT_EQ(Hex(box.at(0, top)), "C48639");
    EXPECT_EQ(Hex(box.at(1, top + 1)), "F5E2B0");  // the pressed band

    SendMessageW(box.window, BM_SETCHECK, BST_INDETERMINATE, 0);
    PaintCheckBox(Images(), box.window, kStateNormal, true);
    EXPECT_EQ(Hex(box.at(HalfToEven(W - 7), top + HalfToEven(H - 7))), "1BB451");
    EXPECT_EQ(Hex(box.at(1, top + 1)), "FFFFFF");

    EnableWindow(box.window, FALSE);
    PaintCheckBox(Images(), box.window, kStatePressed, true);
    EXPECT_EQ(Hex(box.at(0, top)), Hex(kSkinBorderDisabledColour));
    EXPECT_EQ(Hex(box.at(HalfToEven(W - 7), top + HalfToEven(H - 7))), "8BD9A6");  // the pale square
    EXPECT_EQ(Hex(box.at(1, top + 1)), "FFFFFF");                                  // no band when disabled
    SendMessageW(box.window, BM_SETCHECK, BST_CHECKED, 0);
    PaintCheckBox(Images(), box.window, kStateNormal, true);
    EXPECT_EQ(Hex(box.at(markX + 8, top + markY)), "8CDAA8");
}

TEST(OptionButton, DrawsTheRoundBoxOverTheBackgroundWithTheDotCentred) {
    Host host;
    const int W = GetSystemMetrics(SM_CXMENUCHECK), H = GetSystemMetrics(SM_CYMENUCHECK);
    BoxWindow box(host, BS_RADIOBUTTON, H + 7, BST_CHECKED);
    const int top = HalfToEven(7);
    const COLORREF background = box.at(0, top);  // a key-colour corner of the round box

    EXPECT_EQ(PaintOptionButton(Images(), box.window, kStateHot, true), 1);
    EXPECT_EQ(Hex(box.at(0, top)), Hex(background));
    EXPECT_EQ(Hex(box.at(6, top)), Hex(GetPixel(Images().roundBox.get(), 6, 13)));
    EXPECT_EQ(Hex(box.at(0, top + 6)), "D2A683");
    const int dotX = HalfToEven(W - 5), dotY = HalfToEven(H - 5, top);
    EXPECT_EQ(Hex(box.at(dotX + 2, dotY + 2)), "12A847");
    EXPECT_EQ(Hex(box.at(dotX + 2, dotY)), "28BA5C");
    EXPECT_EQ(Hex(box.at(dotX, dotY)), Hex(GetPixel(Images().roundBox.get(), dotX, 13 + dotY - top)));  // dot corner is key

    EXPECT_EQ(PaintOptionButton(Images(), box.window, kStateHot, false), 0);

    SendMessageW(box.window, BM_SETCHECK, BST_UNCHECKED, 0);
    PaintOptionButton(Images(), box.window, kStatePressed, true);
    EXPECT_EQ(Hex(box.at(6, top)), "C18964");
    EXPECT_EQ(Hex(box.at(dotX + 2, dotY + 2)), Hex(GetPixel(Images().roundBox.get(), 6, 26 + 6)));

    SendMessageW(box.window, BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(box.window, FALSE);
    PaintOptionButton(Images(), box.window, kStateHot, true);
    EXPECT_EQ(Hex(box.at(6, top)), "E8D2C1");
    EXPECT_EQ(Hex(box.at(dotX + 2, dotY + 2)), "88D3A3");

    // Enabled and asked for state 3: the state is stored and no box is drawn.
    EnableWindow(box.window, TRUE);
    {
        base::win::WindowDc dc{box.window, base::win::WindowDc::Whole};
        SetPixel(dc.get(), 6, top, 0x0000FF);
    }
    EXPECT_EQ(PaintOptionButton(Images(), box.window, kStateDisabled, false), 1);
    EXPECT_EQ(GetPropInt(box.window, L"OLDSTATE"), 3);
    EXPECT_EQ(Hex(box.at(6, top)), "0000FF");
}

namespace {

// A drop-down combo box whose window is `height` pixels high.
HWND ComboOfHeight(Host& host, DWORD style, int height) {
    HWND combo = host.Child(L"COMBOBOX", L"", style | WS_VSCROLL, 10, 120, 140, 200);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"one"));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"two"));
    for (int item = 10; item < 40; ++item) {
        RECT r{};
        GetWindowRect(combo, &r);
        if (r.bottom - r.top == height) break;
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + (height - (r.bottom - r.top)));
    }
    UpdateWindow(combo);
    Pump();
    return combo;
}

COLORREF WindowPixel(HWND w, int x, int y) {
    base::win::WindowDc dc{w, base::win::WindowDc::Whole};
    return GetPixel(dc.get(), x, y);
}

}  // namespace

TEST(ComboButton, Is18By19WithTheArrowAt6And8ForA17PixelScrollBar) {
    Host host;
    HWND combo = ComboOfHeight(host, CBS_DROPDOWNLIST, 21);
    WindowBox box;
    GetWindowBox(combo, box);
    ASSERT_EQ(box.height, 21);
    // The button is one pixel wider than a scroll bar; the arrow is centred by
    // the rule: with 17 that is 18 x 19 with the arrow at (6, 8).
    const int bw = GetSystemMetrics(SM_CXVSCROLL) + 1;
    const int ax = HalfToEven(bw - 7), ay = HalfToEven(21 - 6);
    if (bw == 18) {
        EXPECT_EQ(ax, 6);
        EXPECT_EQ(ay, 8);
    }
    const int bx = box.width - bw - 1, by = 1;
    const HDC image = Images().comboButton.get();

    PaintComboButton(Images(), combo, nullptr, kStateHot, true);
    EXPECT_EQ(GetPropInt(combo, L"OLDSTATE"), 1);
    EXPECT_EQ(Hex(WindowPixel(combo, bx, by)), "D1A04E");
    EXPECT_EQ(Hex(WindowPixel(combo, bx + 1, by + 1)), Hex(GetPixel(image, 1, 1)));
    EXPECT_EQ(Hex(WindowPixel(combo, bx + bw - 1, by)), Hex(GetPixel(image, 3, 0)));
    EXPECT_EQ(Hex(WindowPixel(combo, bx + bw - 1, by + 18)), Hex(GetPixel(image, 3, 17)));
    const COLORREF outsideBelow = WindowPixel(combo, bx + 5, by + 19);
    EXPECT_NE(Hex(outsideBelow), Hex(GetPixel(image, 2, 17)));
    // Arrow: 7 x 4 at (ax, ay) inside the button, a downward triangle.
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 7; ++x) {
            const bool on = x >= r && x <= 6 - r;
            const COLORREF px = WindowPixel(combo, bx + ax + x, by + ay + r);
            EXPECT_EQ(px == 0x5F5519, on) << x << "," << r;
        }
    }
    EXPECT_NE(Hex(WindowPixel(combo, bx + ax, by + ay - 1)), "5F5519");
    EXPECT_NE(Hex(WindowPixel(combo, bx + ax - 1, by + ay)), "5F5519");

    // Normal: a plain white button; repeated without force: nothing drawn.
    PaintComboButton(Images(), combo, nullptr, kStateNormal, false);
    EXPECT_EQ(Hex(WindowPixel(combo, bx, by)), "FFFFFF");
    EXPECT_EQ(Hex(WindowPixel(combo, bx + ax + 3, by + ay)), "5F5519");
    {
        base::win::WindowDc dc{combo, base::win::WindowDc::Whole};
        SetPixel(dc.get(), bx, by, 0x0000FF);
    }
    PaintComboButton(Images(), combo, nullptr, kStateNormal, false);
    EXPECT_EQ(Hex(WindowPixel(combo, bx, by)), "0000FF");

    // Disabled: the grey arrow on the face of the state.
    EnableWindow(combo, FALSE);
    PaintComboButton(Images(), combo, nullptr, kStateHot, true);
    EXPECT_EQ(Hex(WindowPixel(combo, bx + ax + 3, by + ay)), "ACA584");
    EXPECT_EQ(Hex(WindowPixel(combo, bx, by)), "D1A04E");
    EnableWindow(combo, TRUE);

    // Onto a given DC in window coordinates.
    MemorySurface screen = Surface(box.width, box.height, 0x00FF00);
    PaintComboButton(Images(), combo, screen.get(), kStatePressed, true);
    EXPECT_EQ(Hex(GetPixel(screen.get(), bx + 1, by + 1)), Hex(GetPixel(image, 5, 1)));
    EXPECT_EQ(Hex(GetPixel(screen.get(), bx - 1, by)), "00FF00");
    EXPECT_EQ(Hex(GetPixel(screen.get(), box.width - 1, by)), "00FF00");
    EXPECT_EQ(Hex(GetPixel(screen.get(), bx, 0)), "00FF00");
}

TEST(ComboButton, AnOpenListForcesThePressedFaceAndASimpleComboIsNeverPainted) {
    Host host;
    HWND combo = ComboOfHeight(host, CBS_DROPDOWNLIST, 21);
    WindowBox box;
    GetWindowBox(combo, box);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    Pump();
    if (SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0)) {
        MemorySurface screen = Surface(box.width, box.height, 0x00FF00);
        PaintComboButton(Images(), combo, screen.get(), kStateHot, true);
        EXPECT_EQ(GetPropInt(combo, L"OLDSTATE"), 2);
        const int bx = box.width - GetSystemMetrics(SM_CXVSCROLL) - 2;
        EXPECT_EQ(Hex(GetPixel(screen.get(), bx + 1, 2)), Hex(GetPixel(Images().comboButton.get(), 5, 1)));
        SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
        Pump();
    } else {
        ADD_FAILURE() << "the list did not open";
    }

    HWND simple = host.Child(L"COMBOBOX", L"", CBS_SIMPLE, 200, 10, 120, 80);
    SetPropInt(simple, L"OLDSTATE", 0);
    MemorySurface screen = Surface(120, 80, 0x00FF00);
    PaintComboButton(Images(), simple, screen.get(), kStatePressed, true);
    EXPECT_EQ(GetPropInt(simple, L"OLDSTATE"), 0);
    EXPECT_EQ(CountColour(screen.get(), 120, 80, 0x00FF00), 120 * 80);
}

namespace {

HWND HeaderWithItems(Host& host, int height, std::initializer_list<std::pair<const wchar_t*, int>> items) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    HWND header = host.Child(WC_HEADERW, L"", HDS_BUTTONS | HDS_HORZ, 0, 200, 380, height);
    SendMessageW(header, WM_SETFONT, reinterpret_cast<WPARAM>(PlainFont()), FALSE);
    int i = 0;
    for (const auto& [text, width] : items) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = const_cast<wchar_t*>(text);
        item.cxy = width;
        item.fmt = HDF_LEFT | HDF_STRING;
        SendMessageW(header, HDM_INSERTITEMW, static_cast<WPARAM>(i++), reinterpret_cast<LPARAM>(&item));
    }
    UpdateWindow(header);
    Pump();
    return header;
}

RECT ItemRect(HWND header, int index) {
    RECT r{};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    return r;
}

}  // namespace

TEST(HeaderItem, DrawsTheFaceOfEachStateWithTheBottomLineAsLastRow) {
    Host host;
    HWND header = HeaderWithItems(host, 20, {{L"问题", 120}, {L"答案", 100}});
    const RECT item = ItemRect(header, 1);
    ASSERT_EQ(item.bottom - item.top, 20);
    const HDC image = Images().headerItem.get();
    for (int state : {0, 1, 2, 7}) {
        const int face = (state == 1 || state == 2) ? 3 * state : 0;
        MemorySurface screen = Surface(380, 20, 0x00FF00);
        EXPECT_EQ(PaintHeaderItem(Images(), header, screen.get(), 1, state), 0);
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.left, 0)), Hex(GetPixel(image, face, 0))) << state;
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.left + 1, 0)), Hex(GetPixel(image, face + 1, 0))) << state;
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.right - 1, 5)), Hex(GetPixel(image, face + 2, 5))) << state;
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.left + 3, 19)), "F2DAC0") << state;
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.left - 1, 5)), "00FF00");
        EXPECT_EQ(Hex(GetPixel(screen.get(), item.right, 5)), "00FF00");
        EXPECT_GT(CountColour(screen.get(), 380, 20, 0x000000), 10) << "caption";
    }
    // Without a DC the header's own DC is the target.
    PaintHeaderItem(Images(), header, nullptr, 0, kStatePressed);
    EXPECT_EQ(Hex(WindowPixel(header, 0, 0)), Hex(GetPixel(image, 6, 0)));
}

TEST(HeaderItem, EndsALongCaptionInAnEllipsisAndDrawsNothingForIndexMinusOne) {
    Host host;
    const wchar_t* longText = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    HWND header = HeaderWithItems(host, 20, {{longText, 60}, {L"", 80}});
    MemorySurface screen = Surface(380, 20, 0x00FF00);
    PaintHeaderItem(Images(), header, screen.get(), 0, kStateNormal);

    // The same face and caption drawn by hand, with and without the ellipsis.
    auto reference = [&](UINT format) {
        MemorySurface r = Surface(60, 20, 0x00FF00);
        DrawNineSlice(r.get(), 0, 0, 60, 20, Images().headerItem.get(), 0, 0, 3, 20, 1, 1, 1, 1);
        base::win::SelectGuard font{r.get(), PlainFont()};
        SetBkMode(r.get(), TRANSPARENT);
        RECT box{0, 0, 60, 20};
        DrawTextW(r.get(), longText, -1, &box, format);
        return Pixels(r.get(), 0, 0, 60, 20);
    };
    const std::vector<COLORREF> got = Pixels(screen.get(), 0, 0, 60, 20);
    EXPECT_EQ(got, reference(DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS));
    EXPECT_NE(got, reference(DT_CENTER | DT_VCENTER | DT_SINGLELINE));

    // An empty caption leaves the bare face.
    MemorySurface bare = Surface(380, 20, 0x00FF00);
    PaintHeaderItem(Images(), header, bare.get(), 1, kStateNormal);
    EXPECT_EQ(CountColour(bare.get(), 380, 20, 0x000000), 0);

    // A caption longer than the text buffer is cut, not overrun.
    const std::wstring huge(600, L'W');
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = const_cast<wchar_t*>(huge.c_str());
    SendMessageW(header, HDM_SETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    MemorySurface cut = Surface(380, 20, 0x00FF00);
    EXPECT_EQ(PaintHeaderItem(Images(), header, cut.get(), 1, kStateNormal), 0);
    EXPECT_GT(CountColour(cut.get(), 380, 20, 0x000000), 10);

    MemorySurface untouched = Surface(380, 20, 0x00FF00);
    EXPECT_EQ(PaintHeaderItem(Images(), header, untouched.get(), -1, kStateHot), 0);
    EXPECT_EQ(PaintHeaderItem(Images(), header, untouched.get(), 99, kStateHot), 0);
    EXPECT_EQ(CountColour(untouched.get(), 380, 20, 0x00FF00), 380 * 20);
}

TEST(GdiObjects, AreAllReleasedAfterManyPrimitiveAndPainterCalls) {
    Host host;
    SkinnedButton button(host, L"Leak?");
    BoxWindow check(host, BS_CHECKBOX, 17, BST_CHECKED, 60);
    BoxWindow option(host, BS_RADIOBUTTON, 20, BST_CHECKED, 90);
    HWND combo = ComboOfHeight(host, CBS_DROPDOWNLIST, 21);
    HWND header = HeaderWithItems(host, 20, {{L"问题", 120}, {L"答案", 100}});
    MemorySurface target = Surface(100, 40, 0xFFFFFF);

    auto everything = [&] {
        MemorySurface s = CreateMemorySurface(30, 30);
        FillBox(s.get(), 0, 0, 30, 30, 0x123456);
        FrameBox(s.get(), 0, 0, 30, 30, 0x654321);
        DrawFocusBox(s.get(), 1, 1, 20, 20);
        DrawTextInBox(s.get(), L"文字", 0, 0, 30, 30, DT_CENTER);
        DrawNineSlice(target.get(), 0, 0, 75, 23, Images().button.get(), 0, 0, 7, 21, 3, 3, 3, 3);
        DrawNineSlice(target.get(), 0, 0, 13, 13, Images().roundBox.get(), 0, 0, 13, 13, 5, 5, 5, 5, kKeyColour);
        DrawTransparent(target.get(), 0, 0, 9, 8, Images().mark.get(), 0, 0, kKeyColour);
        int h = 0, v = 0;
        GetBorderThickness(combo, h, v);
        RenderButtonStates(Images(), button.window);
        SetPropInt(button.window, L"ALPHALEVEL", 128);
        FadeBlendButton(button.window, nullptr);
        FadeBlendButton(button.window, target.get());
        PaintCheckBox(Images(), check.window, kStateHot, true);
        PaintOptionButton(Images(), option.window, kStatePressed, true);
        PaintComboButton(Images(), combo, nullptr, kStateHot, true);
        PaintComboButton(Images(), combo, target.get(), kStatePressed, true);
        PaintHeaderItem(Images(), header, nullptr, 1, kStateHot);
        PaintHeaderItem(Images(), header, target.get(), 0, kStatePressed);
    };
    everything();  // first use sets up the system's own caches
    const long live = base::win::LiveHandleCount();
    const long gdi = CountGdiObjects();
    for (int i = 0; i < 100; ++i) everything();
    EXPECT_EQ(base::win::LiveHandleCount(), live);
    EXPECT_EQ(CountGdiObjects(), gdi);

    // Building and releasing the images returns every object too.
    {
        SkinImages images = BuildSkinImages();
        EXPECT_TRUE(images.ready());
        EXPECT_EQ(base::win::LiveHandleCount(), live + 10);
        images.Release();
    }
    EXPECT_EQ(base::win::LiveHandleCount(), live);
    EXPECT_EQ(CountGdiObjects(), gdi);
}
