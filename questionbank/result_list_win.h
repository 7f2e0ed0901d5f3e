// Mod_ListView: the result list ListView1. It is a virtual list: the rows stay
// in the recordset and the list asks for the text of the rows it shows, so a
// refill costs the same for ten rows or thirty thousand. Rows are painted in
// alternating bands, and the empty area below the last row continues them.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "base/win/handles.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace questionbank {

inline constexpr COLORREF kBandA = 0x00E1FAFF;   // pale yellow: the first row and every second after it
inline constexpr COLORREF kBandB = 0x00E0E0E0;   // light grey: the second row and every second after it

// The characters of a question that matched the keyword are drawn in one of
// these colours, the one that stands out more from the background: the deep
// red over either band, the yellow over the system's blue selection.
inline constexpr COLORREF kMatchOnBand = RGB(200, 0, 0);
inline constexpr COLORREF kMatchOnDark = RGB(255, 230, 0);

// The first column's header: the rows match the keyword, or are only the
// questions most similar to it.
inline constexpr wchar_t kQuestionHeader[] = L"题目";
inline constexpr wchar_t kSimilarHeader[] = L"相似题目";

// Styles a new list must be created with (a virtual list cannot become one later).
inline constexpr DWORD kResultListStyle = LVS_OWNERDATA | LVS_SINGLESEL;

// Start-up, once: report view, no in-place editing of the question text, and
// the columns "题目" (three quarters of the list's width) and "答案" (the rest).
void SetUpResultList(HWND list);

// What the list's scroll bars and header showed when its drawing was held
// off, so that only what changed is drawn again.
struct HeldResultList {
    LONG_PTR bars = 0;                 // WS_VSCROLL and WS_HSCROLL of its style
    SCROLLINFO vertical{}, horizontal{};
    SCROLLBARINFO verticalBar{};       // where the vertical bar drew its thumb, and its parts' states
    base::win::OwnedRegion toPaint;    // the part of the rows that had a repaint pending, or none
    bool headerToPaint = false;        // the header had a repaint pending
    bool held = false;                 // false: nothing was recorded
};

// Holds off every drawing of the list, its scroll bars and its header until
// the next RefreshResultList or RefreshChangedRows, while the list itself goes on keeping its rows,
// its selection and its scroll range up to date. The focus stays where it is.
// Returns what the list showed; holding it again changes nothing.
HeldResultList HoldResultListDrawing(HWND list);

// The restyle that follows every change of the search box, whether the list
// was refilled or not: grid lines off, full-row selection on, the selection
// hidden while the list has no focus, no small icons, then the bands. Each
// setting is applied only where the list differs from it: the list
// invalidates every row for a setting it already had, and a style written
// again costs the frame's repaint. Returns whether anything changed; the
// list then repaints all its rows by itself.
bool RestyleResultList(HWND list);

// The restyle with drawing held off; at its end all rows are invalidated, to
// be painted by the next WM_PAINT, and the frame with its scroll bars and the
// header only when they differ from what `shown` recorded (always without it).
void RefreshResultList(HWND list, const HeldResultList& shown = {});

// Sets the number of rows of the virtual list without it scrolling to its
// focused row or invalidating every row: only the rows that appear or go
// are invalidated. A count that stays is not set again: the list would
// redraw its scroll bar twice at once.
void SetResultRowCount(HWND list, int count);

// Paints rows in the bands first, second, first, ... from the top of the list.
void StripeListRows(HWND list, COLORREF first, COLORREF second);

// A row's question as stored (UTF-8) and the parts of it that matched the
// keyword: [begin, end) byte offsets, in order, on character boundaries.
struct RowMatches {
    std::string_view question;
    std::vector<std::pair<size_t, size_t>> spans;
};
using MatchesOfRow = std::function<RowMatches(int row)>;

// What a row shows: the question with the parts that matched, and the answer.
struct ShownRow {
    std::string question, answer;
    std::vector<std::pair<size_t, size_t>> spans;
    bool operator==(const ShownRow&) const = default;
};

// The rows in view: the top one and how many follow it to the last one at
// least partly shown.
struct RowsInView {
    int first = 0;
    int count = 0;
};
RowsInView ResultRowsInView(HWND list);

// After a refill that kept the list at its top: ends the hold `shown` (if it
// holds), puts back what was waiting to be painted, and invalidates the rows
// in view whose question, matched parts or answer differ from what they
// showed before (`before` for `was`, `after` for `now`), so that a keystroke
// repaints only what it changed. The frame and its scroll bar are drawn again
// only where the bar looks different. A list that moved is invalidated whole.
void RefreshChangedRows(HWND list, const HeldResultList& shown, RowsInView was, const std::vector<ShownRow>& before,
                        RowsInView now, const std::vector<ShownRow>& after);

// The list's NM_CUSTOMDRAW, forwarded by its parent: each row's background
// takes its band. With matchesOf, the question column is drawn here, in the
// list's own layout, with the matched characters in the match colours.
LRESULT PaintRowBand(HWND list, NMLVCUSTOMDRAW& draw, const MatchesOfRow& matchesOf = {});

// Heads the first column with kSimilarHeader while the list holds similar
// rows, otherwise kQuestionHeader; the header repaints itself when it
// changes. Call it with the list's drawing on, so that the repaint is sure to
// be kept: while it is held off the header is invisible too.
void ShowSimilarRows(HWND list, bool similar);

// Height of one row in pixels: what the list uses, or the text height of its
// font and one pixel while it has no rows to measure.
int ResultRowHeight(HWND list);

}  // namespace questionbank
