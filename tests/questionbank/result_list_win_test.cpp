// The result list drawn by the system's list view under our custom drawing:
// matched characters in their colours over both bands and the selection, rows
// without matches exactly as the list draws them itself, and the header of the
// question column. Pixels are read back from the window.
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "questionbank/result_list_win.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace questionbank;

namespace {

// Three rows: row 0 and row 2 in the first band, row 1 in the second.
const char* const kQuestions[] = {"长江三峡位于哪个省？", "中国最长的河流是长江吗", "黄河流经哪些省份？"};
const char* const kAnswers[] = {"湖北", "是", "九个"};

struct Host {
    HWND parent = nullptr;
    HWND list = nullptr;
    MatchesOfRow matchesOf;
    std::wstring text;   // what the list was last handed
};
Host* g_host = nullptr;

LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NOTIFY && g_host && reinterpret_cast<NMHDR*>(lp)->hwndFrom == g_host->list) {
        auto& hdr = *reinterpret_cast<NMHDR*>(lp);
        if (hdr.code == LVN_GETDISPINFOW) {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(hdr).item;
            if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && item.iItem < 3) {
                g_host->text = base::win::Widen(item.iSubItem == 0 ? kQuestions[item.iItem] : kAnswers[item.iItem]);
                lstrcpynW(item.pszText, g_host->text.c_str(), item.cchTextMax);
            }
            return 0;
        }
        if (hdr.code == NM_CUSTOMDRAW) return PaintRowBand(g_host->list, reinterpret_cast<NMLVCUSTOMDRAW&>(hdr), g_host->matchesOf);
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// The pixels of one row of the list's client area, read from the screen.
struct RowPixels {
    int width = 0, height = 0;
    std::vector<COLORREF> at;   // row-major
    COLORREF operator()(int x, int y) const { return at[static_cast<size_t>(y * width + x)]; }
};

class ResultList : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSW wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ToviResultListHost";
        RegisterClassW(&wc);
        host_.parent = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED | WS_CLIPCHILDREN | WS_VISIBLE, 10, 10,
                                       560, 240, nullptr, nullptr, wc.hInstance, nullptr);
        host_.list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | kResultListStyle | LVS_REPORT, 10, 10, 500, 150,
                                     host_.parent, nullptr, wc.hInstance, nullptr);
        g_host = &host_;
        // A font with Chinese glyphs, as the program gives the list.
        LOGFONTW lf{};
        lf.lfHeight = -12;
        lf.lfCharSet = GB2312_CHARSET;
        lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
        font_.reset(CreateFontIndirectW(&lf));
        SendMessageW(host_.list, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        SetUpResultList(host_.list);
        ListView_SetItemCountEx(host_.list, 3, 0);
        ListView_SetItemState(host_.list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        RefreshResultList(host_.list);
        SetForegroundWindow(host_.parent);
        SetFocus(host_.list);
    }
    void TearDown() override {
        g_host = nullptr;
        DestroyWindow(host_.parent);
    }

    RowPixels Row(int row) {
        RedrawWindow(host_.list, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT r{};
        ListView_GetItemRect(host_.list, row, &r, LVIR_BOUNDS);
        RowPixels p;
        p.width = r.right - r.left;
        p.height = r.bottom - r.top;
        base::win::WindowDc dc{host_.list};
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) p.at.push_back(GetPixel(dc.get(), x, y));
        return p;
    }

    // x range, in row coordinates, of the question column's text.
    std::pair<int, int> QuestionColumn() const {
        RECT r{};
        ListView_GetSubItemRect(host_.list, 0, 0, LVIR_LABEL, &r);
        RECT b{};
        ListView_GetItemRect(host_.list, 0, &b, LVIR_BOUNDS);
        return {r.left - b.left, r.right - b.left};
    }

    template <class Pred>
    static int Count(const RowPixels& p, Pred test, int x0, int x1) {
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = x0; x < x1; ++x) n += test(p(x, y));
        return n;
    }

    Host host_;
    base::win::OwnedFont font_;
};

}  // namespace

// Row 0 is selected in the focused list; rows 1 and 2 lie on the two bands.
// The first two characters of every question match.
TEST_F(ResultList, MatchedCharactersTakeTheMatchColourOverBothBandsAndTheSelection) {
    host_.matchesOf = [](int row) { return RowMatches{kQuestions[row], {{0, 6}}}; };
    ASSERT_EQ(GetFocus(), host_.list);
    const auto [left, right] = QuestionColumn();
    // Where the two matched characters stand: measured with the list's font.
    base::win::WindowDc dc{host_.list};
    base::win::SelectGuard keep{dc.get(), font_.get()};
    SIZE two{};
    GetTextExtentPoint32W(dc.get(), L"长江", 2, &two);
    const int split = left + 5 + two.cx;

    // Glyph edges are smoothed, so colours are told apart by their hue: red
    // and dark text on the bands, yellow and white text on the blue selection.
    auto red = [](COLORREF c) { return GetRValue(c) - std::max(GetGValue(c), GetBValue(c)) > 60; };
    auto dark = [](COLORREF c) { return std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) < 110; };
    auto yellow = [](COLORREF c) { return std::min(GetRValue(c), GetGValue(c)) - GetBValue(c) > 80; };
    auto white = [](COLORREF c) { return std::min({GetRValue(c), GetGValue(c), GetBValue(c)}) > 235; };
    struct Case { int row; COLORREF background; bool (*match)(COLORREF); bool (*text)(COLORREF); };
    const Case cases[] = {
        {0, GetSysColor(COLOR_HIGHLIGHT), yellow, white},
        {1, kBandB, red, dark},
        {2, kBandA, red, dark},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        const RowPixels p = Row(c.row);
        EXPECT_EQ(p(right - 3, p.height / 2), c.background) << "right of the text the cell keeps its background";
        EXPECT_GT(Count(p, c.match, left, split), 10) << "the matched characters are drawn, in the match colour";
        EXPECT_EQ(Count(p, c.match, split, right), 0) << "nothing after them is";
        EXPECT_GT(Count(p, c.text, split, right), 10) << "the rest of the question keeps the text colour";
        EXPECT_EQ(Count(p, c.text, left, split - 1), 0) << "the matched characters are not drawn twice";
    }
}

TEST_F(ResultList, RowsWithoutMatchesLookExactlyAsTheListDrawsThem) {
    std::vector<RowPixels> plain;
    for (int row = 0; row < 3; ++row) plain.push_back(Row(row));
    host_.matchesOf = [](int row) { return RowMatches{kQuestions[row], {}}; };
    for (int row = 0; row < 3; ++row) {
        const RowPixels drawn = Row(row);
        ASSERT_EQ(drawn.at.size(), plain[static_cast<size_t>(row)].at.size());
        int differing = 0;
        for (size_t i = 0; i < drawn.at.size(); ++i) differing += drawn.at[i] != plain[static_cast<size_t>(row)].at[i];
        EXPECT_EQ(differing, 0) << "row " << row;
    }
}

TEST_F(ResultList, TheQuestionColumnIsHeadedSimilarWhileTheRowsAreOnlySimilar) {
    auto header = [&] {
        wchar_t text[32] = {};
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT;
        col.pszText = text;
        col.cchTextMax = 32;
        ListView_GetColumn(host_.list, 0, &col);
        return std::wstring(text);
    };
    EXPECT_EQ(header(), kQuestionHeader);
    ShowSimilarRows(host_.list, true);
    EXPECT_EQ(header(), kSimilarHeader);
    ShowSimilarRows(host_.list, false);
    EXPECT_EQ(header(), kQuestionHeader);
}
