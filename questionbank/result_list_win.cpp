#include "questionbank/result_list_win.h"

#include "base/text.h"
#include "base/win/handles.h"
#include "base/win/subclass.h"
#include "base/win/window_props.h"

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
    return static_cast<COLORREF>(base::win::GetKeptProp(list, prop)) & 0x00FFFFFFu;
}

bool IsStriped(HWND list) { return base::win::GetKeptProp(list, kFirstBandProp) != 0; }

constexpr int kLabelPadding = 5;   // what the list leaves left of a label's text

void AddColumn(HWND list, int index, const wchar_t* header, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = const_cast<wchar_t*>(header);
    col.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

// Where the rows begin: below the header.
int HeaderBottom(HWND list) {
    HWND header = ListView_GetHeader(list);
    if (!header || !IsWindowVisible(header)) return 0;
    RECT h{};
    GetWindowRect(header, &h);
    return h.bottom - h.top;
}

// The empty area behind and below the rows, in bands that continue the rows'
// pattern from the first row shown.
LRESULT EraseInBands(HWND list, HDC dc) {
    RECT client{};
    GetClientRect(list, &client);
    const int top = HeaderBottom(list);
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
        base::win::RemoveKeptProp(list, kFirstBandProp);
        base::win::RemoveKeptProp(list, kSecondBandProp);
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
    into.verticalBar.cbSize = sizeof into.verticalBar;
    if (!GetScrollBarInfo(list, OBJID_VSCROLL, &into.verticalBar)) into.verticalBar = {};
}

// Whether the vertical bar is drawn the same: its place, its thumb and the
// states of its parts. A range that changed can leave all of them alone
// (thousands of rows either way give the smallest thumb).
bool SameBarFace(const HeldResultList& a, const HeldResultList& b) {
    const SCROLLBARINFO& x = a.verticalBar;
    const SCROLLBARINFO& y = b.verticalBar;
    return a.bars == b.bars && EqualRect(&x.rcScrollBar, &y.rcScrollBar) && x.dxyLineButton == y.dxyLineButton &&
           x.xyThumbTop == y.xyThumbTop && x.xyThumbBottom == y.xyThumbBottom &&
           std::equal(std::begin(x.rgstate), std::end(x.rgstate), std::begin(y.rgstate));
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
// matched run, the same line in the match colour over its own background.
void DrawQuestionCell(HWND list, HDC dc, int row, const RowMatches& matches) {
    RECT cell{};
    if (!ListView_GetSubItemRect(list, row, 0, LVIR_LABEL, &cell)) return;
    // The focus is asked for last: under Wine that is a request to the server.
    const bool selected = (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) && GetFocus() == list;
    const COLORREF background = selected ? GetSysColor(COLOR_HIGHLIGHT) : BandOf(list, row);
    const COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);

    const int savedDc = SaveDC(dc);
    SetBkColor(dc, background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &cell, nullptr, 0, nullptr);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);

    RECT line = cell;
    line.left += kLabelPadding;
    const std::u16string whole16 = base::Utf8ToUtf16(matches.question);
    const std::wstring whole(whole16.begin(), whole16.end());
    const int length = static_cast<int>(whole.size());
    // One measure gives whether the line fits, where each character ends and
    // the line's height.
    std::vector<int> ends(whole.size());
    int fit = 0;
    SIZE size{};
    if (length > 0) {
        GetTextExtentExPointW(dc, whole.c_str(), length, std::max(0L, line.right - line.left), &fit, ends.data(), &size);
    }
    if (length > 0 && fit >= length) {
        // The line fits: drawn as the system's text drawing draws one line
        // that needs no ellipsis, at the left, clipped to the label.
        const int y = line.top + (line.bottom - line.top) / 2 - size.cy / 2;
        ExtTextOutW(dc, line.left, y, ETO_CLIPPED, &line, whole.c_str(), static_cast<UINT>(length), nullptr);
        if (!matches.spans.empty()) {
            SetBkColor(dc, background);
            SetTextColor(dc, MatchColorOn(background));
            for (const auto& [beginByte, endByte] : matches.spans) {
                const size_t begin = Utf16Index(matches.question, beginByte);
                const size_t end = std::min(Utf16Index(matches.question, endByte), whole.size());
                if (begin >= end) continue;
                RECT run{line.left + (begin > 0 ? ends[begin - 1] : 0), cell.top, line.left + ends[end - 1], cell.bottom};
                IntersectRect(&run, &run, &line);
                if (IsRectEmpty(&run)) continue;
                // The run's background, then the whole line clipped to it.
                ExtTextOutW(dc, line.left, y, ETO_CLIPPED | ETO_OPAQUE, &run, whole.c_str(), static_cast<UINT>(length),
                            nullptr);
            }
        }
        RestoreDC(dc, savedDc);
        return;
    }

    constexpr UINT kFormat = DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL | DT_SINGLELINE | DT_WORD_ELLIPSIS | DT_END_ELLIPSIS;
    // What is shown: the beginning of the question and an ellipsis.
    std::wstring shown = whole;
    shown.append(4, L'\0');   // room for the ellipsis DT_MODIFYSTRING may write
    DrawTextW(dc, shown.data(), length, &line, kFormat | DT_MODIFYSTRING);
    shown.resize(wcslen(shown.c_str()));
    // The characters of the question that are shown: all, or those before "...".
    const bool cut = shown.size() != whole.size() || shown != whole;
    const size_t kept = !cut ? shown.size() : shown.size() >= 3 ? shown.size() - 3 : 0;

    if (!matches.spans.empty() && kept > 0) {
        std::vector<int> shownEnds(shown.size());
        GetTextExtentExPointW(dc, shown.c_str(), static_cast<int>(shown.size()), 0, nullptr, shownEnds.data(), &size);
        OwnedBrush fill{CreateSolidBrush(background)};
        for (const auto& [beginByte, endByte] : matches.spans) {
            const size_t begin = Utf16Index(matches.question, beginByte);
            const size_t end = std::min(Utf16Index(matches.question, endByte), kept);
            if (begin >= end) continue;
            RECT run{line.left + (begin > 0 ? shownEnds[begin - 1] : 0), cell.top, line.left + shownEnds[end - 1],
                     cell.bottom};
            IntersectRect(&run, &run, &line);
            if (IsRectEmpty(&run)) continue;
            const int savedRun = SaveDC(dc);
            IntersectClipRect(dc, run.left, run.top, run.right, run.bottom);
            FillRect(dc, &run, fill.get());
            SetTextColor(dc, MatchColorOn(background));
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
    // Holding drawing off validates the rows too; what was waiting is put back.
    shown.toPaint.reset(CreateRectRgn(0, 0, 0, 0));
    if (shown.toPaint && GetUpdateRgn(list, shown.toPaint.get(), FALSE) <= NULLREGION) shown.toPaint.reset();
    // The system's own WM_SETREDRAW, not the list's: it takes the visible
    // state off the window without hiding it, so nothing of it can be drawn
    // and the focus stays. The list's WM_SETREDRAW would cost more: when
    // drawing comes back on, the list resets its scroll bars twice, and each
    // time the system draws the vertical bar at once, on the screen (about
    // 10 ms a time under Wine with a theme), before the list is repainted.
    DefWindowProcW(list, WM_SETREDRAW, FALSE, 0);
    return shown;
}

bool RestyleResultList(HWND list) {
    bool changed = false;
    // The two Boolean list settings, grid lines off and full-row selection on.
    constexpr DWORD kShown = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    if ((ListView_GetExtendedListViewStyle(list) & kShown) != LVS_EX_FULLROWSELECT) {
        ListView_SetExtendedListViewStyleEx(list, kShown, LVS_EX_FULLROWSELECT);
        changed = true;
    }
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    if (style & LVS_SHOWSELALWAYS) {   // HideSelection
        SetWindowLongPtrW(list, GWL_STYLE, style & ~static_cast<LONG_PTR>(LVS_SHOWSELALWAYS));
        changed = true;
    }
    if (ListView_GetImageList(list, LVSIL_SMALL)) {
        ListView_SetImageList(list, nullptr, LVSIL_SMALL);
        changed = true;
    }
    const bool striped = IsStriped(list) && BandOf(list, 0) == kBandA && BandOf(list, 1) == kBandB &&
                         ListView_GetBkColor(list) == CLR_NONE && ListView_GetTextBkColor(list) == CLR_NONE;
    if (!striped) {
        StripeListRows(list, kBandA, kBandB);
        changed = true;
    }
    return changed;
}

void RefreshResultList(HWND list, const HeldResultList& shown) {
    HoldResultListDrawing(list);
    RestyleResultList(list);
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

void SetResultRowCount(HWND list, int count) {
    if (ListView_GetItemCount(list) == count) return;
    ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
}

RowsInView ResultRowsInView(HWND list) {
    RowsInView view;
    const int rows = ListView_GetItemCount(list);
    if (rows <= 0) return view;
    view.first = ListView_GetTopIndex(list);
    // A page of whole rows and the one cut by the bottom edge.
    view.count = std::clamp(ListView_GetCountPerPage(list) + 1, 0, std::max(0, rows - view.first));
    return view;
}

void RefreshChangedRows(HWND list, const HeldResultList& shown, RowsInView was, const std::vector<ShownRow>& before,
                        RowsInView now, const std::vector<ShownRow>& after) {
    if (shown.held) {
        DefWindowProcW(list, WM_SETREDRAW, TRUE, 0);
        if (shown.toPaint) InvalidateRgn(list, shown.toPaint.get(), TRUE);
        HWND header = ListView_GetHeader(list);
        if (header && shown.headerToPaint) InvalidateRect(header, nullptr, TRUE);
    }
    HeldResultList drawn{};
    if (shown.held) ReadScrollBars(list, drawn);
    if (was.first != now.first || (shown.held && drawn.bars != shown.bars)) {
        // Moved, or a scroll bar came or went and the client area with it.
        RedrawWindow(list, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
        return;
    }
    RECT client{};
    GetClientRect(list, &client);
    // Rows are placed from the header down, also those the list has no more
    // (or not yet): while drawing was held off, its own invalidation of them
    // was lost.
    // Gathered into one region and invalidated at once: under Wine each
    // invalidation is a request to the window server.
    const int top = HeaderBottom(list);
    const int height = ResultRowHeight(list);
    const size_t kept = std::min(before.size(), after.size());
    base::win::OwnedRegion changed{CreateRectRgn(0, 0, 0, 0)};
    const auto add = [&](int from, int to) {
        base::win::OwnedRegion part{CreateRectRgn(client.left, from, client.right, to)};
        if (changed && part) CombineRgn(changed.get(), changed.get(), part.get(), RGN_OR);
        else InvalidateRect(list, nullptr, TRUE);   // no region to be had: everything
    };
    for (size_t i = 0; i < kept; ++i) {
        if (before[i] == after[i]) continue;
        // The whole width, the bands right of the columns included.
        const int y = top + static_cast<int>(i) * height;
        add(y, y + height);
    }
    if (before.size() != after.size()) {   // rows came or went: from there down, rows or bands
        add(top + static_cast<int>(kept) * height, client.bottom);
    }
    RECT box{};
    if (changed && GetRgnBox(changed.get(), &box) != NULLREGION) InvalidateRgn(list, changed.get(), TRUE);
    if (!shown.held) return;
    if (SameBarFace(shown, drawn)) {
        // The frame looks as it did. Under Wine a change of the style, as the
        // hold makes, has the next paint draw the frame and its scroll bar
        // again (about 5 ms with a theme); that is called off. Validating an
        // empty rectangle leaves the rows to paint as they are. With no rows
        // to paint Wine keeps the request until some later paint, and only
        // emptying the update region drops it: a pixel is invalidated and
        // validated again.
        if (GetUpdateRect(list, nullptr, FALSE)) {
            RECT none{0, 0, 0, 0};
            RedrawWindow(list, &none, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
        } else {
            RECT pixel{0, 0, 1, 1};
            InvalidateRect(list, &pixel, FALSE);
            ValidateRect(list, &pixel);
        }
    } else {
        // The bar's thumb changed: the bar lies outside the client area, so
        // the rectangle reaches only the frame.
        RECT bar{};
        UnionRect(&bar, &shown.verticalBar.rcScrollBar, &drawn.verticalBar.rcScrollBar);
        MapWindowPoints(HWND_DESKTOP, list, reinterpret_cast<POINT*>(&bar), 2);
        RedrawWindow(list, &bar, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
    }
}

void StripeListRows(HWND list, COLORREF first, COLORREF second) {
    // Colours go in as pointer-sized values; bit 24 marks "set", since black would read as "none".
    base::win::SetKeptProp(list, kFirstBandProp, static_cast<INT_PTR>(first | 0x01000000u));
    base::win::SetKeptProp(list, kSecondBandProp, static_cast<INT_PTR>(second | 0x01000000u));
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
    // The list's frame is drawn again after the header, as it was when every
    // keystroke drew it: the skin's frame lies over the header's outer edge.
    // Only the frame's top edge is invalidated, above the client area.
    RECT client{};
    GetClientRect(list, &client);
    RECT top{client.left - GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE), client.right, 0};
    RedrawWindow(list, &top, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
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
