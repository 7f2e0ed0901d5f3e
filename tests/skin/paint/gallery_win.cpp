// A window with every painter in every state, for looking at the skin:
// push buttons, check boxes, option buttons, combo box buttons, header items,
// and the five skin images enlarged. Each control paints itself first and the
// painter is laid over it, as the skinning engine does.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <vector>

#include "base/win/window_props.h"
#include "skin/paint/paint.h"

using namespace skin;
using base::win::GetPropInt;
using base::win::SetPropInt;
using base::win::SetPropPtr;

namespace {

SkinImages g_images;
std::vector<std::array<MemorySurface, 4>> g_buttonSurfaces;
HFONT g_font = nullptr;

enum class Kind { CheckBox, Option, Combo, Header };

// The state each control shows; stored in its own property.
constexpr const wchar_t* kShow = L"GALLERYSTATE";
// Alpha of a hot face laid over a button's normal one, to show a fade step.
constexpr const wchar_t* kFade = L"GALLERYFADE";

LRESULT CALLBACK Overlay(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    const LRESULT result = DefSubclassProc(w, msg, wp, lp);
    if (msg == WM_PAINT || msg == WM_NCPAINT || msg == WM_LBUTTONUP || msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
        const int state = GetPropInt(w, kShow);
        switch (static_cast<Kind>(id)) {
        case Kind::CheckBox: PaintCheckBox(g_images, w, state, true); break;
        case Kind::Option: PaintOptionButton(g_images, w, state, true); break;
        case Kind::Combo: PaintComboButton(g_images, w, nullptr, state, true); break;
        case Kind::Header: {
            const int n = static_cast<int>(SendMessageW(w, HDM_GETITEMCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) PaintHeaderItem(g_images, w, nullptr, i, i % 3);
            break;
        }
        }
    }
    return result;
}

HWND Make(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h) {
    HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
    return c;
}

void Label(HWND parent, const wchar_t* text, int x, int y, int w = 600) {
    Make(parent, L"STATIC", text, SS_LEFT, x, y, w, 16);
}

void Skinned(HWND w, Kind kind, int state) {
    SetPropInt(w, kShow, state);
    SetWindowSubclass(w, Overlay, static_cast<UINT_PTR>(kind), 0);
}

// A push button prepared as the engine prepares one, shown in `state`.
void PushButton(HWND parent, const wchar_t* text, int state, int x, int y, int w, int h, bool focus = false) {
    HWND b = Make(parent, L"BUTTON", text, BS_OWNERDRAW, x, y, w, h);
    std::array<MemorySurface, 4> surfaces;
    const wchar_t* names[4] = {L"0HDC", L"1HDC", L"2HDC", L"3HDC"};
    for (int s = 0; s < 4; ++s) {
        surfaces[static_cast<std::size_t>(s)] = CreateMemorySurface(w, h);
        SetPropPtr(b, names[s], reinterpret_cast<INT_PTR>(surfaces[static_cast<std::size_t>(s)].get()));
    }
    g_buttonSurfaces.push_back(std::move(surfaces));
    SetPropInt(b, L"OLDSTYLE", WS_CHILD | BS_PUSHBUTTON);
    SetPropInt(b, L"OLDSTATE", state);
    SetPropInt(b, L"ALPHALEVEL", 255);
    if (state == kStateDisabled) EnableWindow(b, FALSE);
    if (focus) SetFocus(b);
    RenderButtonStates(g_images, b);
}

void Build(HWND main) {
    const wchar_t* stateNames[4] = {L"normal", L"hot", L"pressed", L"disabled"};
    Label(main, L"Push buttons: normal, hot, pressed, disabled, focused, long caption", 10, 8);
    for (int s = 0; s < 4; ++s) PushButton(main, stateNames[s], s, 10 + 95 * s, 28, 85, 25);
    PushButton(main, L"确定(&O)", kStateNormal, 390, 28, 85, 25, true);
    PushButton(main, L"A caption far too long for it", kStateNormal, 485, 28, 90, 25);
    PushButton(main, L"Big", kStateHot, 585, 20, 60, 40);
    // Halfway through a fade from normal to hot: the hot face blended at 100 over the normal one.
    PushButton(main, L"fading", kStateNormal, 420, 420, 85, 25);
    SetPropInt(FindWindowExW(main, nullptr, L"BUTTON", L"fading"), kFade, 100);

    Label(main, L"Check boxes: columns normal, hot, pressed, disabled; rows unchecked, checked, mixed", 10, 72);
    for (int s = 0; s < 4; ++s) {
        for (int check = 0; check < 3; ++check) {
            HWND c = Make(main, L"BUTTON", stateNames[s], BS_3STATE, 10 + 130 * s, 92 + 20 * check, 120, 17);
            SendMessageW(c, BM_SETCHECK, static_cast<WPARAM>(check), 0);
            if (s == 3) EnableWindow(c, FALSE);
            Skinned(c, Kind::CheckBox, s == 3 ? 0 : s);
        }
    }
    Label(main, L"Option buttons: columns normal, hot, pressed, disabled; rows off, on", 10, 160);
    for (int s = 0; s < 4; ++s) {
        for (int check = 0; check < 2; ++check) {
            HWND c = Make(main, L"BUTTON", stateNames[s], BS_RADIOBUTTON, 10 + 130 * s, 180 + 22 * check, 120, 20);
            SendMessageW(c, BM_SETCHECK, static_cast<WPARAM>(check), 0);
            if (s == 3) EnableWindow(c, FALSE);
            Skinned(c, Kind::Option, s == 3 ? 0 : s);
        }
    }
    Label(main, L"Combo boxes: normal, hot, pressed, disabled, disabled hot", 10, 232);
    for (int s = 0; s < 5; ++s) {
        HWND c = Make(main, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL, 10 + 110 * s, 252, 100, 200);
        SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"答案"));
        SendMessageW(c, CB_SETCURSEL, 0, 0);
        if (s >= 3) EnableWindow(c, FALSE);
        Skinned(c, Kind::Combo, s == 3 ? 0 : (s == 4 ? 1 : s));
    }
    Label(main, L"Header items: normal, hot, pressed, normal (long caption), hot, pressed", 10, 290);
    HWND header = Make(main, WC_HEADERW, L"", HDS_BUTTONS | HDS_HORZ, 10, 310, 620, 22);
    const wchar_t* captions[6] = {L"问题", L"答案", L"Pressed", L"A caption much too long for its item", L"热", L"按下"};
    const int widths[6] = {110, 110, 110, 110, 90, 90};
    for (int i = 0; i < 6; ++i) {
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.pszText = const_cast<wchar_t*>(captions[i]);
        item.cxy = widths[i];
        item.fmt = HDF_CENTER | HDF_STRING;
        SendMessageW(header, HDM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    Skinned(header, Kind::Header, 0);
    Label(main, L"The skin images, four times enlarged: button, combo button, marks, round boxes, header items", 10, 345);
    Label(main, L"A fade step: hot at alpha 100 over normal", 420, 400, 260);
}

// The five images, enlarged four times, on a grey ground.
void PaintImages(HDC dc) {
    const struct {
        HDC image;
        int w, h;
    } images[5] = {{g_images.button.get(), 7, 84},
                   {g_images.comboButton.get(), 15, 18},
                   {g_images.mark.get(), 18, 24},
                   {g_images.roundBox.get(), 13, 52},
                   {g_images.headerItem.get(), 9, 20}};
    int x = 10;
    for (const auto& i : images) {
        StretchBlt(dc, x, 365, i.w * 4, i.h * 4, i.image, 0, 0, i.w, i.h, SRCCOPY);
        x += i.w * 4 + 20;
    }
}

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        const int fade = GetPropInt(item->hwndItem, kFade);
        FadeBlendButton(item->hwndItem, item->hDC);
        if (fade > 0) {
            SetPropInt(item->hwndItem, L"OLDSTATE", kStateHot);
            SetPropInt(item->hwndItem, L"ALPHALEVEL", fade);
            FadeBlendButton(item->hwndItem, item->hDC);
            SetPropInt(item->hwndItem, L"OLDSTATE", kStateNormal);
            SetPropInt(item->hwndItem, L"ALPHALEVEL", 255);
        }
        return TRUE;
    }
    case WM_PAINT: {
        base::win::PaintScope paint{w};
        PaintImages(paint.dc());
        return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    g_images = BuildSkinImages();
    base::win::OwnedFont font{CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                          CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"宋体")};
    g_font = font.get();

    WNDCLASSW wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"SkinGallery";
    RegisterClassW(&wc);
    HWND main = CreateWindowExW(0, L"SkinGallery", L"Skin gallery", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                0, 0, 700, 760, nullptr, nullptr, instance, nullptr);
    Build(main);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    g_buttonSurfaces.clear();
    g_images.Release();
    return 0;
}
