#include "questionbank/result_list_win.h"

#include "base/text.h"
#include "base/win/handles.h"
#include "base/win/subclass.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace questionbank {

using base::win::OwnedBrush;
using base::win::SelectGuard;
using base::win::WindowDc;

namespace {

// The band colours of each striped list, kept on the list itself.
constexpr wchar_t kFirstBandProp[] = L"TOVIBANDA";
constexpr wchar_t kSecondBandProp[] = L"TOVIBANDB";

COLORREF BandOf(HWND list, int row) {
    const wchar_t* prop = row % 2 == 0 ? kFirstBandProp : kSecondBandProp;
    return static_cast<COLORREF>(reinterpret_cast<INT_PTR>(GetPropW(list, prop))) & 0x00FFFFFFu;
}

bool IsStriped(HWND list) { return GetPropW(list, kFirstBandProp) != nullptr; }

constexpr int kLabelPadding = 5;   // what the list leaves left of a label's text

void AddColumn(HWND list, int index, const wchar_t* header, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<wchar_t*>(header);
    col.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

// The empty area behind and below the rows, in bands that continue the rows'
// pattern from the first row shown.
LRESULT EraseInBands(HWND list, HDC dc) {
    RECT client{};
    GetClientRect(list, &client);
    int top = 0;
    HWND header = ListView_GetHeader(list);
    if (header && IsWindowVisible(header)) {
        RECT h{};
        GetWindowRect(header, &h);
        top = h.bottom - h.top;
    }
    const int height = ResultRowHeight(list);
    const int first = ListView_GetTopIndex(list);
    int y = top;
    if (ListView_GetItemCount(list) > 0) {
        RECT item{};
        if (ListView_GetItemRect(list, first, &item, LVIR_BOUNDS)) y = item.top;
    }
    OwnedBrush bands[2] = {OwnedBrush{CreateSolidBrush(BandOf(list, 0))}, OwnedBrush{CreateSolidBrush(BandOf(list, 1))}};
    if (y > client.top) {
        RECT above{client.left, client.top, client.right, y};
        FillRect(dc, &above, bands[first % 2 == 0 ? 1 : 0].get());
    }
    for (int row = first; y < client.bottom; ++row, y += height) {
        RECT band{client.left, y, client.right, y + height};
        FillRect(dc, &band, bands[row % 2].get());
    }
    return 1;
}

LRESULT CALLBACK BandedListProc(HWND list, UINT msg, WPARAM wp, LPARAM lp);
constexpr base::win::Subclass kBandSubclass{&BandedListProc, L"TOVIBANDPROC", L"TOVIBANDOFF"};

LRESULT CALLBACK BandedListProc(HWND list, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (IsStriped(list)) return EraseInBands(list, reinterpret_cast<HDC>(wp));
        break;
    case WM_NCDESTROY:
        RemovePropW(list, kFirstBandProp);
        RemovePropW(list, kSecondBandProp);
        break;
    }
    return base::win::CallNext(list, kBandSubclass, msg, wp, lp);
}

void ReadScrollBars(HWND list, HeldResultList& into) {
    into.bars = GetWindowLongPtrW(list, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL);
    for (auto [bar, info] : {std::pair{SB_VERT, &into.vertical}, std::pair{SB_HORZ, &into.horizontal}}) {
        info->cbSize = sizeof *info;
        info->fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        GetScrollInfo(list, bar, info);
    }
}

// Relative luminance of a colour (sRGB), 0 for black to 1 for white.
double Luminance(COLORREF c) {
    auto linear = [](BYTE v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(c)) + 0.7152 * linear(GetGValue(c)) + 0.0722 * linear(GetBValue(c));
}

// The match colour that stands out more from a background, by the ratio of
// luminances: the deep red on the bands, the yellow on a blue selection.
COLORREF MatchColorOn(COLORREF background) {
    const double b = Luminance(background) + 0.05;
    auto contrast = [b](COLORREF c) { const double l = Luminance(c) + 0.05; return std::max(l, b) / std::min(l, b); };
    return contrast(kMatchOnBand) >= contrast(kMatchOnDark) ? kMatchOnBand : kMatchOnDark;
}

// UTF-16 index of a byte offset into UTF-8 text, counted as the conversion
// the list's text goes through counts it (a character outside the Basic
// Multilingual Plane is two units).
size_t Utf16Index(std::string_view utf8, size_t byteOffset) {
    return base::Utf8ToUtf16(utf8.substr(0, std::min(byteOffset, utf8.size()))).size();
}

// Draws the question column of a row the way the list itself lays it out
// (the label rectangle, five pixels of padding, one line, vertically centred,
// an ellipsis where it does not fit), in the row's band or, while the list
// has the focus, the selection's colours; then draws again, clipped to each
// matched run, the same line in the match colour.
void DrawQuestionCell(HWND list, HDC dc, int row, const RowMatches& matches) {
    RECT cell{};
    if (!ListView_GetSubItemRect(list, row, 0, LVIR_LABEL, &cell)) return;
    const bool selected = GetFocus() == list && (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED);
    const COLORREF background = selected ? GetSysColor(COLOR_HIGHLIGHT) : BandOf(list, row);
    const COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF match = MatchColorOn(background);

    const int savedDc = SaveDC(dc);
    SetBkColor(dc, background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);

    RECT line = cell;
    line.left += kLabelPadding;
    constexpr UINT kFormat = DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_SINGLELINE | DT_WORD_ELLIPSIS | DT_END_ELLIPSIS;
    const std::u16string whole = base::Utf8ToUtf16(matches.question);
    // What is shown: the whole question, or its beginning and an ellipsis.
    std::wstring shown(whole.begin(), whole.end());
    shown.append(4, L'\0');   // room for the ellipsis DT_MODIFYSTRING may write
    SetTextColor(dc, text);
    DrawTextW(dc, shown.data(), static_cast<int>(whole.size()), &line, kFormat | DT_MODIFYSTRING);
    shown.resize(wcslen(shown.c_str()));
    // The characters of the question that are shown: all, or those before "...".
    const bool cut = shown.size() != whole.size() || !std::equal(shown.begin(), shown.end(), whole.begin());
    const size_t kept = !cut ? shown.size() : shown.size() >= 3 ? shown.size() - 3 : 0;

    if (!matches.spans.empty() && kept > 0) {
        std::vector<int> ends(shown.size());
        SIZE size{};
        GetTextExtentExPointW(dc, shown.c_str(), static_cast<int>(shown.size()), 0, nullptr, ends.data(), &size);
        OwnedBrush fill{CreateSolidBrush(background)};
        for (const auto& [beginByte, endByte] : matches.spans) {
            const size_t begin = Utf16Index(matches.question, beginByte);
            const size_t end = std::min(Utf16Index(matches.question, endByte), kept);
            if (begin >= end) continue;
            RECT run{line.left + (begin > 0 ? ends[begin - 1] : 0), cell.top, line.left + ends[end - 1], cell.bottom};
            IntersectRect(&run, &run, &line);
            if (IsRectEmpty(&run)) continue;
            const int savedRun = SaveDC(dc);
            IntersectClipRect(dc, run.left, run.top, run.right, run.bottom);
            FillRect(dc, &run, fill.get());
            SetTextColor(dc, match);
            RECT again = line;
            DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &again, kFormat);
            RestoreDC(dc, savedRun);
        }
    }
    RestoreDC(dc, savedDc);
}

}  // namespace

void SetUpResultList(HWND list) {
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    // The list's "label edit" setting is off: questions cannot be renamed in place.
    style = (style & ~static_cast<LONG_PTR>(LVS_TYPEMASK | LVS_EDITLABELS)) | LVS_REPORT;
    SetWindowLongPtrW(list, GWL_STYLE, style);
    // The widths come from the list's width once, here; they never follow later
    // changes. The width is what lies inside the frame, less a vertical scroll
    // bar, so that the two columns never call up a horizontal one, not even
    // when a long result list brings the vertical one.
    RECT client{};
    GetClientRect(list, &client);
    const float width = static_cast<float>(std::max(0L, client.right - client.left - GetSystemMetrics(SM_CXVSCROLL)));
    AddColumn(list, 0, kQuestionHeader, static_cast<int>(std::lround(width * 0.75f)));
    AddColumn(list, 1, L"答案", static_cast<int>(std::lround(width * 0.25f)));
}

HeldResultList HoldResultListDrawing(HWND list) {
    HeldResultList shown;
    if (!(GetWindowLongPtrW(list, GWL_STYLE) & WS_VISIBLE)) return shown;   // already held
    shown.held = true;
    ReadScrollBars(list, shown);
    HWND header = ListView_GetHeader(list);
    shown.headerToPaint = header && GetUpdateRect(header, nullptr, FALSE);
    // The system's own WM_SETREDRAW, not the list's: it takes the visible
    // state off the window without hiding it, so nothing of it can be drawn
    // and the focus stays. The list's WM_SETREDRAW would cost more: when
    // drawing comes back on, the list resets its scroll bars twice, and each
    // time the system draws the vertical bar at once, on the screen (about
    // 10 ms a time under Wine with a theme), before the list is repainted.
    DefWindowProcW(list, WM_SETREDRAW, FALSE, 0);
    return shown;
}

void RefreshResultList(HWND list, const HeldResultList& shown) {
    HoldResultListDrawing(list);
    // The restyle: the two Boolean list settings, grid lines off and full-row
    // selection on, then HideSelection, no small icons, and the bands.
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    SetWindowLongPtrW(list, GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_SHOWSELALWAYS));
    ListView_SetImageList(list, nullptr, LVSIL_SMALL);
    StripeListRows(list, kBandA, kBandB);
    DefWindowProcW(list, WM_SETREDRAW, TRUE, 0);

    // Drawing a themed scroll bar costs more than all the rows; it is drawn
    // only when the bars changed while the list was refilled.
    auto same = [](const SCROLLINFO& a, const SCROLLINFO& b) {
        return a.nMin == b.nMin && a.nMax == b.nMax && a.nPage == b.nPage && a.nPos == b.nPos;
    };
    HeldResultList now;
    ReadScrollBars(list, now);
    const bool barsChanged = !shown.held || now.bars != shown.bars || !same(now.vertical, shown.vertical) ||
                             !same(now.horizontal, shown.horizontal);
    UINT flags = RDW_ERASE | RDW_INVALIDATE;
    if (barsChanged) flags |= RDW_FRAME;
    if (!shown.held || shown.headerToPaint) flags |= RDW_ALLCHILDREN;
    RedrawWindow(list, nullptr, nullptr, flags);
}

void StripeListRows(HWND list, COLORREF first, COLORREF second) {
    // Colours go in as pointer-sized values; bit 24 marks "set", since black would read as "none".
    SetPropW(list, kFirstBandProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(first | 0x01000000u)));
    SetPropW(list, kSecondBandProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(second | 0x01000000u)));
    base::win::AttachSubclass(list, kBandSubclass);   // once: a second attach changes nothing
    ListView_SetBkColor(list, CLR_NONE);   // the rows' text has no opaque background of its own
    ListView_SetTextBkColor(list, CLR_NONE);
    InvalidateRect(list, nullptr, TRUE);
}

LRESULT PaintRowBand(HWND list, NMLVCUSTOMDRAW& draw, const MatchesOfRow& matchesOf) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return IsStriped(list) ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT:
        draw.clrTextBk = BandOf(list, row);
        return matchesOf ? CDRF_NEWFONT | CDRF_NOTIFYSUBITEMDRAW : CDRF_NEWFONT;
    case CDDS_SUBITEM | CDDS_ITEMPREPAINT:
        // Each column is announced on its own; the colours are set again for
        // each, as a list may keep what an earlier column was given.
        draw.clrTextBk = BandOf(list, row);
        if (draw.iSubItem == 0 && matchesOf) {
            DrawQuestionCell(list, draw.nmcd.hdc, row, matchesOf(row));
            return CDRF_SKIPDEFAULT;
        }
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

void ShowSimilarRows(HWND list, bool similar) {
    const wchar_t* wanted = similar ? kSimilarHeader : kQuestionHeader;
    wchar_t now[32] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = now;
    col.cchTextMax = 32;
    if (ListView_GetColumn(list, 0, &col) && lstrcmpW(now, wanted) == 0) return;
    col.pszText = const_cast<wchar_t*>(wanted);
    ListView_SetColumn(list, 0, &col);   // the header repaints itself with the new text
}

int ResultRowHeight(HWND list) {
    if (ListView_GetItemCount(list) > 0) {
        RECT item{};
        if (ListView_GetItemRect(list, ListView_GetTopIndex(list), &item, LVIR_BOUNDS) && item.bottom > item.top) {
            return item.bottom - item.top;
        }
    }
    WindowDc dc{list};
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    SelectGuard keep{dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT)};
    TEXTMETRICW tm{};
    GetTextMetricsW(dc.get(), &tm);
    return tm.tmHeight + 1;
}

}  // namespace questionbank
