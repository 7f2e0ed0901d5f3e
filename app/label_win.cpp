#include "app/label_win.h"

#include "base/win/handles.h"

#include <memory>
#include <string>

namespace app {

using base::win::MemoryDc;
using base::win::OwnedBitmap;
using base::win::PaintScope;
using base::win::SelectGuard;

namespace {

// Per-window state, owned through GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY.
struct LabelState {
    LabelLook look;
    HBITMAP picture = nullptr;   // picture boxes only; borrowed
    bool pressed = false;        // the left button went down on this label
};

LabelState* StateOf(HWND w) { return reinterpret_cast<LabelState*>(GetWindowLongPtrW(w, GWLP_USERDATA)); }

// Asks the parent to draw what lies behind child into dc, in child coordinates.
void PaintParentBehind(HWND child, HDC dc) {
    HWND parent = GetParent(child);
    if (!parent) return;
    POINT origin{0, 0};
    MapWindowPoints(child, parent, &origin, 1);
    POINT old{};
    SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void DrawLabel(HWND w, const LabelState& state, HDC dc, const RECT& client) {
    PaintParentBehind(w, dc);
    if (state.picture) {
        BITMAP bm{};
        GetObjectW(state.picture, sizeof bm, &bm);
        MemoryDc src{CreateCompatibleDC(dc)};
        SelectGuard keep{src.get(), state.picture};
        BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src.get(), 0, 0, SRCCOPY);
        return;
    }
    const int len = GetWindowTextLengthW(w);
    if (len <= 0) return;
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), len + 1)));
    SelectGuard font{dc, state.look.font ? static_cast<HGDIOBJ>(state.look.font) : GetStockObject(DEFAULT_GUI_FONT)};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, state.look.textColor);
    RECT box = client;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, state.look.format);
}

// Draws through a back buffer so that the parent's background and the text
// reach the screen in one copy; without a buffer it draws straight on.
LRESULT OnPaint(HWND w, const LabelState& state) {
    PaintScope paint{w};
    RECT client{};
    GetClientRect(w, &client);
    MemoryDc buffer{CreateCompatibleDC(paint.dc())};
    OwnedBitmap surface{CreateCompatibleBitmap(paint.dc(), client.right, client.bottom)};
    if (!buffer || !surface) {
        DrawLabel(w, state, paint.dc(), client);
        return 0;
    }
    SelectGuard keep{buffer.get(), surface.get()};
    DrawLabel(w, state, buffer.get(), client);
    BitBlt(paint.dc(), 0, 0, client.right, client.bottom, buffer.get(), 0, 0, SRCCOPY);
    return 0;
}

LRESULT OnPrintClient(HWND w, const LabelState& state, HDC dc) {
    RECT client{};
    GetClientRect(w, &client);
    DrawLabel(w, state, dc, client);
    return 0;
}

LRESULT OnButtonUp(HWND w, LabelState& state, LPARAM lp) {
    if (!state.pressed) return 0;
    state.pressed = false;
    if (GetCapture() == w) ReleaseCapture();
    RECT client{};
    GetClientRect(w, &client);
    const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (PtInRect(&client, at)) {
        SendMessageW(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), STN_CLICKED), reinterpret_cast<LPARAM>(w));
    }
    return 0;
}

LRESULT CALLBACK LabelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    LabelState* state = StateOf(w);
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
        auto owned = std::make_unique<LabelState>();
        if (cs->lpCreateParams) *owned = *static_cast<const LabelState*>(cs->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owned.release()));
        return DefWindowProcW(w, msg, wp, lp);
    }
    if (!state) return DefWindowProcW(w, msg, wp, lp);
    switch (msg) {
    case WM_ERASEBKGND:  return 1;   // WM_PAINT draws the background too
    case WM_PAINT:       return OnPaint(w, *state);
    case WM_PRINTCLIENT: return OnPrintClient(w, *state, reinterpret_cast<HDC>(wp));
    case WM_SETTEXT: {
        const LRESULT r = DefWindowProcW(w, msg, wp, lp);
        InvalidateRect(w, nullptr, FALSE);
        return r;
    }
    case WM_SETFONT:     state->look.font = reinterpret_cast<HFONT>(wp); if (lp) InvalidateRect(w, nullptr, FALSE); return 0;
    case WM_GETFONT:     return reinterpret_cast<LRESULT>(state->look.font);
    case WM_SETCURSOR:
        if (state->look.cursor && LOWORD(lp) == HTCLIENT) { SetCursor(state->look.cursor); return TRUE; }
        break;
    case WM_LBUTTONDOWN: state->pressed = true; SetCapture(w); return 0;
    case WM_LBUTTONUP:   return OnButtonUp(w, *state, lp);
    case WM_CAPTURECHANGED: state->pressed = state->pressed && reinterpret_cast<HWND>(lp) == w; return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        delete state;
        break;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

bool RegisterOne(HINSTANCE instance, const wchar_t* name) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, name, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = LabelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);   // shared system cursor
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateChild(HWND parent, const wchar_t* cls, int id, const RECT& box, const wchar_t* text, const LabelState& state,
                 bool visible) {
    return CreateWindowExW(0, cls, text, WS_CHILD | (visible ? WS_VISIBLE : 0u), box.left, box.top,
                           box.right - box.left, box.bottom - box.top, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)),
                           const_cast<LabelState*>(&state));
}

}  // namespace

bool RegisterLabelClasses(HINSTANCE instance) {
    return RegisterOne(instance, kLabelClass) && RegisterOne(instance, kPictureClass);
}

HWND CreateLabel(HWND parent, int id, const RECT& box, const wchar_t* text, const LabelLook& look) {
    LabelState state;
    state.look = look;
    return CreateChild(parent, kLabelClass, id, box, text, state, true);
}

HWND CreatePicture(HWND parent, int id, const RECT& box, HBITMAP bitmap, bool visible) {
    LabelState state;
    state.picture = bitmap;
    return CreateChild(parent, kPictureClass, id, box, L"", state, visible);
}

LabelLook LabelLookOf(HWND label) {
    const LabelState* state = StateOf(label);
    return state ? state->look : LabelLook{};
}

}  // namespace app
