// The main window end to end over a real bank: typing into the search box,
// the list's rows and bands, the display below it, the copy area and the keys
// that move between the box and the list. Everything goes through real
// window messages.
#include "app/form_layout.h"
#include "app/form_tovi_win.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "jet/database.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "questionbank/result_list_win.h"
#include "skin/engine/skinner.h"
#include "tests/support/pixels_win.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

using app::Control;
using app::FormTovi;

namespace {

struct QuizRow {
    const char* question;
    const char* answer;
    const char* pinyin;
};

const QuizRow kRows[] = {
    {"中国的首都是哪里？", "北京", "zgdsdsnl"},
    {"长城位于哪个国家？", "中国", "zcwyngg"},
    {"一年有几个季节？", "四个", "ynyjgjj"},
    {"太阳从哪边升起？", "东边", "tycnbsq"},
    {"Rock'n'roll 起源于哪个国家？", "美国", "rock'n'rollqyyngg"},
    {"水的化学式是什么？", "H2O", "sdhxssssm"},
};

std::wstring TextOf(HWND w) {
    wchar_t buf[1024];
    const int n = GetWindowTextW(w, buf, 1024);
    return std::wstring(buf, static_cast<size_t>(n));
}

std::wstring WholeTextOf(HWND w) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(w)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring W(const char* utf8) { return base::win::Widen(utf8); }

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

// Writes a scrambled bank with table wd (Question, Answer, PinYin); question
// and answer are Memo columns when memo is set.
void WriteBank(const std::wstring& path, const std::vector<QuizRow>& rows, size_t extraRows = 0, bool memo = false) {
    const jet::ColumnType textType = memo ? jet::ColumnType::Memo : jet::ColumnType::Text;
    jet::NewTable t{"wd",
                    {{"Question", textType, 510},
                     {"Answer", textType, 510},
                     {"PinYin", jet::ColumnType::Text, 510}},
                    {}};
    for (const QuizRow& r : rows) t.rows.push_back({r.question, r.answer, r.pinyin});
    for (size_t i = 0; i < extraRows; ++i) {
        const std::string n = std::to_string(i);
        t.rows.push_back({"批量题目 " + n, "答案 " + n, "pltm" + n});
    }
    auto bytes = jet::WriteDatabase(t, questionbank::kBankPassword);
    ASSERT_TRUE(bytes.ok()) << bytes.error().message;
    std::vector<uint8_t> scrambled = *bytes;
    questionbank::ScrambleBank(scrambled, questionbank::kBankKey);
    WriteFileBytes(path, scrambled);
}

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        folder_ = std::wstring(base) + L"搜索测试-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        wchar_t tmp[1024];
        const DWORD n = GetEnvironmentVariableW(L"tmp", tmp, 1024);
        if (n > 0 && n < 1024) savedTmp_ = std::wstring(tmp, n);
        SetEnvironmentVariableW(L"tmp", folder_.c_str());
        bank_ = folder_ + L"\\wd.dat";
        questionbank::Access_DB().SetReporter([this](std::string_view text, std::string_view) {
            boxes_.push_back(std::string(text));
        });
    }
    void TearDown() override {
        form_.reset();
        questionbank::Access_DB().SetReporter(questionbank::ShowDatabaseErrorBox);
        SetEnvironmentVariableW(L"tmp", savedTmp_ ? savedTmp_->c_str() : nullptr);
        const std::wstring copy = folder_ + L"\\d9x3.tmp";
        SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(copy.c_str());
        DeleteFileW(bank_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    void Open(size_t extraRows = 0, const std::vector<QuizRow>& moreRows = {}, bool skinned = false) {
        std::vector<QuizRow> rows(std::begin(kRows), std::end(kRows));
        rows.insert(rows.end(), moreRows.begin(), moreRows.end());
        WriteBank(bank_, rows, extraRows, !moreRows.empty());
        app::FormOptions options;
        options.bankPath = bank_;
        options.quitOnDestroy = false;
        app::FormHooks hooks;
        if (skinned) hooks.skinWindow = [](HWND w) { skin::SkinWindow(w); };
        form_ = FormTovi::Create(GetModuleHandleW(nullptr), hooks, options);
        ASSERT_TRUE(form_);
        ShowWindow(form_->hwnd(), SW_SHOW);
        SetForegroundWindow(form_->hwnd());
        Pump();
    }

    HWND box() const { return form_->control(Control::Text1); }
    HWND list() const { return form_->control(Control::ListView1); }
    HWND label(Control c) const { return form_->control(c); }

    // Types text into the search box one character at a time, as the keyboard would.
    void Type(const std::wstring& text) {
        for (wchar_t ch : text) SendMessageW(box(), WM_CHAR, ch, 1);
    }
    void Key(HWND w, int vk) {
        SendMessageW(w, WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
        SendMessageW(w, WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
        Pump();
    }
    void Click(HWND w) {
        SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }

    int Rows() const { return ListView_GetItemCount(list()); }
    std::wstring Cell(int row, int column) const {
        wchar_t buf[1024] = {};
        ListView_GetItemText(list(), row, column, buf, 1024);
        return buf;
    }
    int Selected() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }

    std::wstring ClipboardUnicode() {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
        if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
                text = p;
                GlobalUnlock(h);
            }
        }
        CloseClipboard();
        return text;
    }

    std::optional<std::wstring> savedTmp_;
    std::wstring folder_, bank_;
    std::unique_ptr<FormTovi> form_;
    std::vector<std::string> boxes_;
};

const std::wstring kHelp = L"输入完关键字按回车键\"Enter\"，\"↑\"，\"↓\"可快速进入题目显示栏,按删除键\"←\"可返回查询关键字窗口，继续输入关键字";

}  // namespace

TEST_F(Search, EveryKeystrokeListsTheQuestionsMatchingTheTextOrItsPinyin) {
    Open();
    Type(L"国");
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 0), W("中国的首都是哪里？"));   // table order
    EXPECT_EQ(Cell(0, 1), W("北京"));
    EXPECT_EQ(Cell(1, 0), W("长城位于哪个国家？"));
    EXPECT_EQ(Cell(2, 0), W("Rock'n'roll 起源于哪个国家？"));
    Type(L"家");
    EXPECT_EQ(Rows(), 2);

    SetWindowTextW(box(), L"");
    Type(L"ZGDS");   // pinyin, matched without regard to case
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), W("北京"));
    Type(L"x");
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(boxes_.empty()) << "a query that matches nothing is no error";
}

TEST_F(Search, AnEmptiedBoxKeepsTheRowsAndAnApostropheIsSearchedFor) {
    Open();
    Type(L"国家");
    ASSERT_EQ(Rows(), 2);
    SetWindowTextW(box(), L"");
    EXPECT_EQ(Rows(), 2) << "an empty box leaves the rows";

    Type(L"Rock'n");
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), W("美国"));
    EXPECT_TRUE(boxes_.empty()) << "an apostrophe must not break the query";
}

TEST_F(Search, TheListShowsEveryRowBeyondThirtyTwoThousand) {
    Open(40000);
    Type(L"批量");
    EXPECT_EQ(Rows(), 40000);
    EXPECT_EQ(Cell(39999, 1), W("答案 39999"));
}

TEST_F(Search, EnterOrAnArrowMovesIntoTheListAndShowsTheFirstRowAtOnce) {
    Open();
    ASSERT_EQ(GetFocus(), box()) << "the shown window starts with the focus in the search box";
    Type(L"国");
    EXPECT_EQ(TextOf(label(Control::Label2)), kHelp) << "typing alone changes no display";
    Key(box(), VK_RETURN);
    EXPECT_EQ(GetFocus(), list());
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(TextOf(label(Control::Label2)), W("中国的首都是哪里？"));
    EXPECT_EQ(TextOf(label(Control::Label4)), W("北京"));

    Key(list(), VK_DOWN);   // the display follows the selection
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(TextOf(label(Control::Label2)), W("长城位于哪个国家？"));
    EXPECT_EQ(TextOf(label(Control::Label4)), W("中国"));

    Key(list(), VK_LEFT);
    EXPECT_EQ(GetFocus(), list()) << "only Backspace returns";
    Key(list(), VK_BACK);
    EXPECT_EQ(GetFocus(), box());
    EXPECT_EQ(TextOf(box()), L"国") << "the box keeps its text";
    Type(L"家");
    EXPECT_EQ(TextOf(box()), L"国家");

    for (int vk : {VK_UP, VK_DOWN}) {
        SetFocus(box());
        Key(box(), vk);
        EXPECT_EQ(GetFocus(), list());
    }
}

TEST_F(Search, AnEmptyListSendsTheFocusStraightBack) {
    Open();
    Key(box(), VK_RETURN);
    EXPECT_EQ(GetFocus(), box());
    Type(L"没有这种题");
    ASSERT_EQ(Rows(), 0);
    Key(box(), VK_DOWN);
    EXPECT_EQ(GetFocus(), box());
    SetFocus(list());
    Pump();
    EXPECT_EQ(GetFocus(), box());
    EXPECT_EQ(TextOf(label(Control::Label2)), kHelp) << "both labels keep their text";
}

TEST_F(Search, ClickingTheBoxEmptiesItButTheRowsStay) {
    Open();
    Type(L"国");
    Click(box());
    EXPECT_EQ(TextOf(box()), L"");
    EXPECT_EQ(Rows(), 3);
}

TEST_F(Search, TheResetAreaRestoresTheStartingState) {
    Open();
    Type(L"国");
    Key(box(), VK_RETURN);
    ASSERT_NE(TextOf(label(Control::Label2)), kHelp);
    Click(label(Control::Label34));
    EXPECT_EQ(TextOf(box()), L"");
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(TextOf(label(Control::Label2)), kHelp);
    EXPECT_EQ(TextOf(label(Control::Label4)), L"");
    EXPECT_EQ(GetFocus(), box());
}

TEST_F(Search, TheCopyAreaCopiesWhatTheLabelsShowWithBareCarriageReturns) {
    Open();
    Click(label(Control::Label1));
    EXPECT_EQ(ClipboardUnicode(), L"题目：" + kHelp + L"\r答案：\r(此答题内容来至Tovi Ardo答题器 http://ardo.tovi.com)");

    Type(L"水");
    Key(box(), VK_RETURN);
    Click(label(Control::Label1));
    const std::wstring copied = ClipboardUnicode();
    EXPECT_EQ(copied, L"题目：水的化学式是什么？\r答案：H2O\r(此答题内容来至Tovi Ardo答题器 http://ardo.tovi.com)");
    EXPECT_EQ(copied.find(L'\n'), std::wstring::npos);

    // The plain text the system derives follows the system's locale.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE locale = GetClipboardData(CF_LOCALE);
    ASSERT_NE(locale, nullptr);
    EXPECT_EQ(*static_cast<const LCID*>(GlobalLock(locale)), GetSystemDefaultLCID());
    GlobalUnlock(locale);
    CloseClipboard();
}

TEST_F(Search, ALongQuestionAndAnswerAreShownAndCopiedWhole) {
    std::string question = "长问题";
    std::string answer = "长答案";
    for (int i = 0; i < 600; ++i) question += "问题" + std::to_string(i % 10);   // 1,803 characters
    for (int i = 0; i < 1000; ++i) answer += "答" + std::to_string(i % 100);     // 2,904 characters
    answer += "尾";
    Open(0, {{question.c_str(), answer.c_str(), "cwt"}});
    Type(L"长问题");
    Key(box(), VK_RETURN);
    ASSERT_EQ(GetFocus(), list());
    const std::wstring shownQuestion = base::win::Widen(question), shownAnswer = base::win::Widen(answer);
    ASSERT_GT(shownAnswer.size(), 2800u);
    EXPECT_EQ(WholeTextOf(label(Control::Label2)), shownQuestion);
    EXPECT_EQ(WholeTextOf(label(Control::Label4)), shownAnswer);
    Click(label(Control::Label1));
    EXPECT_EQ(ClipboardUnicode(), L"题目：" + shownQuestion + L"\r答案：" + shownAnswer +
                                      L"\r(此答题内容来至Tovi Ardo答题器 http://ardo.tovi.com)");
}

TEST_F(Search, RowsAndTheEmptyAreaBelowThemAlternateInBands) {
    Open();
    Type(L"国");
    Pump();
    UpdateWindow(list());
    ASSERT_EQ(Rows(), 3);
    RECT item{};
    ASSERT_TRUE(ListView_GetItemRect(list(), 0, &item, LVIR_BOUNDS));
    const int height = item.bottom - item.top;
    EXPECT_EQ(height, questionbank::ResultRowHeight(list()));
    RECT client{};
    GetClientRect(list(), &client);
    const int x = client.right - 20;   // right of any text, inside the answer column
    base::win::WindowDc dc{list()};
    // rows 1 and 2 (row 0 is selected but the list has no focus, so it shows its band)
    for (int row = 0; row < 6; ++row) {
        const int y = item.top + row * height + height / 2;
        if (y >= client.bottom) break;
        EXPECT_EQ(GetPixel(dc.get(), x, y), row % 2 == 0 ? questionbank::kBandA : questionbank::kBandB)
            << "row " << row << " at y " << y;
    }
}

TEST_F(Search, TheColumnsShareTheListThreeToOneAndNeverNeedAHorizontalScrollBar) {
    Open(2000);
    RECT client{};
    GetClientRect(list(), &client);
    const int question = ListView_GetColumnWidth(list(), 0);
    const int answer = ListView_GetColumnWidth(list(), 1);
    EXPECT_NEAR(question, 3 * answer, 3);
    EXPECT_LE(question + answer, client.right - GetSystemMetrics(SM_CXVSCROLL));
    Type(L"批量");   // 2,000 rows: the vertical scroll bar appears
    Pump();
    ASSERT_EQ(Rows(), 2000);
    const LONG_PTR style = GetWindowLongPtrW(list(), GWL_STYLE);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_FALSE(style & WS_HSCROLL);
}

TEST_F(Search, EachSearchShowsItsRowsFromTheTopInAListThatStaysVisible) {
    Open(2000);
    Type(L"批量");
    Pump();
    UpdateWindow(list());
    ListView_EnsureVisible(list(), 1500, FALSE);
    ASSERT_GT(ListView_GetTopIndex(list()), 1000);
    Type(L"题");   // the same 2,000 rows again
    EXPECT_TRUE(IsWindowVisible(list())) << "drawing is held only while the list is refilled";
    EXPECT_EQ(ListView_GetTopIndex(list()), 0);
    EXPECT_EQ(GetScrollPos(list(), SB_VERT), 0) << "the scroll bar follows";
    EXPECT_EQ(Rows(), 2000);
    EXPECT_EQ(Selected(), 0);
}

// Pixels of a window's client area as the screen shows them.
std::vector<COLORREF> Pixels(HWND w) {
    RECT r{};
    GetClientRect(w, &r);
    base::win::WindowDc dc{w};
    std::vector<COLORREF> p;
    for (int y = 0; y < r.bottom; ++y)
        for (int x = 0; x < r.right; ++x) p.push_back(GetPixel(dc.get(), x, y));
    return p;
}

TEST_F(Search, SimilarRowsAreHeadedSoInTheSkinnedHeaderAndMatchedCharactersStandOut) {
    Open(0, {}, true);
    HWND header = ListView_GetHeader(list());
    auto headed = [&] {
        wchar_t text[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 32;
        Header_GetItem(header, 0, &item);
        return std::wstring(text);
    };
    auto shown = [&] {
        Pump();
        UpdateWindow(list());
        UpdateWindow(header);
        return Pixels(header);
    };
    auto redInFirstRow = [&] {   // the deep red of matched characters over the first band
        RECT row{};
        ListView_GetSubItemRect(list(), 0, 0, LVIR_LABEL, &row);
        base::win::WindowDc dc{list()};
        int n = 0;
        for (int y = row.top; y < row.bottom; ++y)
            for (int x = row.left; x < row.right; ++x) {
                const COLORREF c = GetPixel(dc.get(), x, y);
                n += GetRValue(c) - std::max(GetGValue(c), GetBValue(c)) > 60;
            }
        return n;
    };

    SetWindowTextW(box(), L"长城");
    const std::vector<COLORREF> matching = shown();
    EXPECT_EQ(headed(), questionbank::kQuestionHeader);
    ASSERT_EQ(Rows(), 1);
    EXPECT_GT(redInFirstRow(), 10) << "长城 is drawn in the match colour";

    // A question copied from the game with a word changed matches nothing:
    // the most similar questions are listed, under their own heading.
    SetWindowTextW(box(), L"长城位于哪一个国度呢？");
    const std::vector<COLORREF> similar = shown();
    EXPECT_TRUE(questionbank::Access_DB().SimilarRows());
    EXPECT_EQ(headed(), questionbank::kSimilarHeader);
    ASSERT_GE(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), W("长城位于哪个国家？"));
    EXPECT_NE(similar, matching) << "the skinned header shows the new heading";
    EXPECT_GT(redInFirstRow(), 10) << "the characters it shares are drawn in the match colour";

    SetWindowTextW(box(), L"长城");
    EXPECT_EQ(headed(), questionbank::kQuestionHeader);
    EXPECT_EQ(shown(), matching) << "and the old one again, exactly";
}

// A keystroke repaints only the rows it changed; what it leaves must be what
// a repaint of everything would draw: rows that come, go or change, bands
// below the last row, the scroll bar and the selection.
TEST_F(Search, AfterEveryKeystrokeTheListLooksAsAWholeRepaintDrawsIt) {
    Open(300, {}, true);
    auto check = [&](const char* step) {
        SCOPED_TRACE(step);
        Pump();
        UpdateWindow(list());
        const std::vector<uint32_t> kept = testsupport::WindowPixels(list());
        RedrawWindow(list(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const std::vector<uint32_t> whole = testsupport::WindowPixels(list());
        ASSERT_EQ(kept.size(), whole.size());
        size_t differing = 0;
        for (size_t i = 0; i < kept.size(); ++i) differing += kept[i] != whole[i];
        EXPECT_EQ(differing, 0u) << Rows() << " rows";
    };
    auto set = [&](const wchar_t* text) { SetWindowTextW(box(), text); };
    Type(L"pltm1");   // 111 rows: the scroll bar comes
    check("pltm1");
    set(L"pltm2");    // 111 others, the same number
    check("pltm2");
    Type(L"5");       // 11 rows: the last one partly shown goes
    check("pltm25");
    SendMessageW(box(), WM_CHAR, VK_BACK, 1);   // 111 rows again
    check("pltm2 again");
    set(L"批量");     // 300 rows: a smaller thumb
    check("批量");
    set(L"国");       // a few rows: the bar goes, bands below them
    check("国");
    set(L"没有这道题");   // nothing
    check("no rows");
    set(L"pltm3");
    ListView_EnsureVisible(list(), 100, FALSE);
    check("scrolled");
    set(L"pltm1");    // back to the top
    check("pltm1 from below");
    // With the focus in the list, the selection shows; a search set by the
    // program moves it back to the first row.
    SetFocus(list());
    ListView_SetItemState(list(), 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    check("row 3 selected");
    set(L"pltm12");
    check("selection back on the first row");
}
