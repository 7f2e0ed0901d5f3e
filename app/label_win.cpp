#include "app/label_win.h"

#include "base/win/handles.h"

#include <algorithm>
#include <array>
#include <cwctype>
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

bool IsArrow(wchar_t c) { return c >= L'\x2190' && c <= L'\x2193'; }   // ← ↑ → ↓
bool IsWordChar(wchar_t c) { return c < 0x80 && (iswalnum(c) || c == L'_'); }

// An arrow drawn as a shape in the text's colour, in a cell of the given
// width whose baseline is at y: the fonts' own arrows are hairlines, and some
// hang below the line. The strokes are as heavy as the font's, the shafts
// stand on the baseline and reach the height of a Chinese character, and the
// left and right arrows lie across its middle.
void DrawArrow(HDC dc, wchar_t arrow, int x, int cellWidth, int baseline, const TEXTMETRICW& tm) {
    const int em = std::max(4, static_cast<int>(tm.tmHeight - tm.tmInternalLeading));
    const int stroke = std::max(1, (em + 6) / 12);
    const int tall = em * 4 / 5;           // a Chinese character stands about this high
    int head = std::max(3, (em + 1) / 3);      // the head's length along the shaft, and its half-width
    const int pad = std::max(1, cellWidth / 6);
    const COLORREF ink = GetTextColor(dc);
    base::win::OwnedBrush brush{CreateSolidBrush(ink)};
    HPEN pen = static_cast<HPEN>(GetStockObject(NULL_PEN));
    SelectGuard keepBrush{dc, brush.get()};
    SelectGuard keepPen{dc, pen};
    std::array<POINT, 7> p{};
    if (arrow == L'\x2191' || arrow == L'\x2193') {   // up, down
        const int cx = x + cellWidth / 2;
        const int top = baseline - tall, bottom = baseline;
        const int l = cx - stroke / 2, r = l + stroke;   // shaft
        if (arrow == L'\x2191') {
            p = {{{cx, top}, {cx + head + 1, top + head + 1}, {r, top + head + 1}, {r, bottom}, {l, bottom},
                  {l, top + head + 1}, {cx - head, top + head + 1}}};
        } else {
            p = {{{cx, bottom}, {cx - head, bottom - head - 1}, {l, bottom - head - 1}, {l, top}, {r, top},
                  {r, bottom - head - 1}, {cx + head + 1, bottom - head - 1}}};
        }
    } else {   // left, right: across the middle of the rows a character fills
        const int cy = baseline - 1 - (tall - 1) / 2;
        head = std::min(head, (tall - 1) / 2 - 1);
        const int left = x + pad, right = x + cellWidth - pad;
        const int t = cy - stroke / 2, b = t + stroke;
        if (arrow == L'\x2190') {
            p = {{{left, cy}, {left + head + 1, cy - head}, {left + head + 1, t}, {right, t}, {right, b},
                  {left + head + 1, b}, {left + head + 1, cy + head + 1}}};
        } else {
            p = {{{right, cy}, {right - head - 1, cy + head + 1}, {right - head - 1, b}, {left, b}, {left, t},
                  {right - head - 1, t}, {right - head - 1, cy - head}}};
        }
    }
    Polygon(dc, p.data(), static_cast<int>(p.size()));
}

// Left-aligned, wrapped text that holds arrows: laid out here, a character at
// a time (Chinese breaks anywhere, a run of Latin letters and digits stays
// whole where it can), so that each arrow can be drawn as a shape in its place.
void DrawTextWithArrows(HDC dc, const std::wstring& text, const RECT& box) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SIZE ideograph{};
    GetTextExtentPoint32W(dc, L"\x4E2D", 1, &ideograph);
    auto advance = [&](wchar_t c) {
        SIZE size{};
        GetTextExtentPoint32W(dc, &c, 1, &size);
        return IsArrow(c) ? std::max<int>(size.cx, ideograph.cx * 3 / 5) : static_cast<int>(size.cx);
    };
    const int width = box.right - box.left;
    int y = box.top;
    size_t at = 0;
    while (at < text.size() && y < box.bottom) {
        // One line: as many characters as fit, at least one.
        size_t end = at;
        int used = 0;
        while (end < text.size() && text[end] != L'\r' && text[end] != L'\n') {
            const int w = advance(text[end]);
            if (end > at && used + w > width) break;
            used += w;
            ++end;
        }
        size_t next = end;
        if (end < text.size() && text[end] != L'\r' && text[end] != L'\n') {
            // Broken inside a Latin word: move the word to the next line if it has room there.
            size_t word = end;
            while (word > at && IsWordChar(text[word - 1]) && IsWordChar(text[end])) --word;
            if (word > at && word < end) end = next = word;
        } else if (end < text.size()) {
            next = end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
        }
        int x = box.left;
        for (size_t i = at; i < end;) {
            if (IsArrow(text[i])) {
                const int w = advance(text[i]);
                DrawArrow(dc, text[i], x, w, y + tm.tmAscent, tm);
                x += w;
                ++i;
                continue;
            }
            size_t run = i;
            while (run < end && !IsArrow(text[run])) ++run;
            const int n = static_cast<int>(run - i);
            TextOutW(dc, x, y, text.c_str() + i, n);
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str() + i, n, &size);
            x += size.cx;
            i = run;
        }
        at = next;
        y += tm.tmHeight;
    }
}

bool LaidOutHere(const std::wstring& text, UINT format) {
    const UINT notPlain = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM | DT_SINGLELINE | DT_CALCRECT;
    return (format & DT_WORDBREAK) && !(format & notPlain) &&
           std::any_of(text.begin(), text.end(), IsArrow);
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
    if (LaidOutHere(text, state.look.format)) {
        DrawTextWithArrows(dc, text, box);
        return;
    }
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
