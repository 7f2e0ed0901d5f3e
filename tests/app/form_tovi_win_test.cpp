// The main window, created for real: start-up order, layout at 96 dpi, texts,
// fonts and cursors, resizing, closing, and clicks on the link labels.
#include "app/form_tovi_win.h"
#include "app/label_win.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skinner.h"
#include "tests/support/pixels_win.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <vector>

using app::Control;
using app::FormTovi;

namespace {

std::wstring TextOf(HWND w) {
    wchar_t buf[512];
    const int n = GetWindowTextW(w, buf, 512);
    return std::wstring(buf, static_cast<size_t>(n));
}

RECT ClientBoxOf(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int ColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void Click(HWND label) {
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
}

// A window at 96 dpi whose start-up steps are recorded; "tmp" points at a fresh
// folder and the bank beside it holds a few scrambled bytes.
class Form : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t tmp[1024];
        const DWORD n = GetEnvironmentVariableW(L"tmp", tmp, 1024);
        if (n > 0 && n < 1024) savedTmp_ = std::wstring(tmp, n);
        wchar_t base[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, base);
        folder_ = std::wstring(base) + L"窗口测试-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        SetEnvironmentVariableW(L"tmp", folder_.c_str());
        copy_ = folder_ + L"\\d9x3.tmp";
        SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(copy_.c_str());
        bank_ = folder_ + L"\\wd.dat";
        HANDLE f = CreateFileW(bank_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD put = 0;
        WriteFile(f, "abcdef", 6, &put, nullptr);
        CloseHandle(f);
        questionbank::Access_DB().SetTempBankPath("");
    }
    void TearDown() override {
        form_.reset();
        SetEnvironmentVariableW(L"tmp", savedTmp_ ? savedTmp_->c_str() : nullptr);
        SetFileAttributesW(copy_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(copy_.c_str());
        DeleteFileW(bank_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    app::FormHooks RecordingHooks() {
        app::FormHooks h;
        h.extendSystemMenu = [this](HWND w, HBITMAP) { note("menu", w); };
        // The real skin, so that every test here runs on the skinned window.
        h.skinWindow = [this](HWND w) {
            note("skin", w);
            skin::SkinWindow(w);
        };
        h.addTrayIcon = [this](HWND w) { note("tray", w); };
        h.setTrayTip = [this](const std::wstring& tip) { steps_.push_back("tip:" + base::win::Narrow(tip)); };
        h.buildLinkTable = [this] {
            note("links", nullptr);
            return std::vector<std::wstring>{L"http://a/", L"http://b/", L"http://c/", L"http://d/", L"http://e/x"};
        };
        h.deleteTrayIcon = [this] { steps_.push_back("untray"); };
        h.openLink = [this](const std::wstring& address) { opened_.push_back(address); };
        h.forumThread = L"http://forum/thread";
        return h;
    }

    // Records a step, and what the real steps had done by then.
    void note(const char* step, HWND w) {
        steps_.push_back(step);
        if (w) formSeen_.push_back(w);
        copyExisted_.push_back(FileExists(copy_));
        columnsSeen_.push_back(form_ ? ColumnCount(form_->control(Control::ListView1)) : -1);
    }

    void Open(int dpi = 0) {
        app::FormOptions options;
        options.bankPath = bank_;
        options.quitOnDestroy = false;
        options.dpi = dpi;
        form_ = FormTovi::Create(GetModuleHandleW(nullptr), RecordingHooks(), options);
        ASSERT_TRUE(form_);
    }

    std::optional<std::wstring> savedTmp_;
    std::wstring folder_, bank_, copy_;
    std::unique_ptr<FormTovi> form_;
    std::vector<std::string> steps_;
    std::vector<HWND> formSeen_;
    std::vector<bool> copyExisted_;
    std::vector<int> columnsSeen_;
    std::vector<std::wstring> opened_;
};

}  // namespace

TEST_F(Form, LoadRunsItsStepsInOrderBeforeTheBankAndTheList) {
    Open();
    const std::vector<std::string> expected{"menu", "skin", "tray", "tip:Tovi最小化模板", "links"};
    EXPECT_EQ(steps_, expected);
    for (HWND w : formSeen_) EXPECT_EQ(w, form_->hwnd());
    for (bool existed : copyExisted_) EXPECT_FALSE(existed) << "the bank is unpacked after steps 1 to 5";

    // Steps 6 to 8 have run: the copy, the list's columns, the path for the queries.
    std::vector<uint8_t> plain{'a', 'b', 'c', 'd', 'e', 'f'};
    questionbank::ScrambleBank(plain, questionbank::kBankKey);
    HANDLE f = CreateFileW(copy_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    char got[16] = {};
    DWORD n = 0;
    ReadFile(f, got, sizeof got, &n, nullptr);
    CloseHandle(f);
    EXPECT_EQ(std::vector<uint8_t>(got, got + n), plain);
    EXPECT_TRUE(form_->unpackResult().ok());
    EXPECT_EQ(questionbank::Access_DB().TempBankPath(), base::win::Narrow(copy_));
    EXPECT_EQ(form_->linkTable().size(), 5u);
    EXPECT_FALSE(IsWindowVisible(form_->hwnd())) << "the caller shows the window after Form_Load";
}

TEST_F(Form, ListIsAnEmptyReportWithQuestionAndAnswerColumns) {
    Open();
    HWND list = form_->control(Control::ListView1);
    wchar_t cls[64];
    GetClassNameW(list, cls, 64);
    EXPECT_STREQ(cls, L"SysListView32");
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(GetWindowLongPtrW(list, GWL_STYLE) & LVS_EDITLABELS, 0);
    ASSERT_EQ(ColumnCount(list), 2);
    wchar_t text[32];
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = text;
    col.cchTextMax = 32;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 0, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, L"题目");
    const int first = col.cx;
    ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, L"答案");
    const int second = col.cx;
    if (GetDeviceCaps(base::win::WindowDc(nullptr).get(), LOGPIXELSX) == 96) {
        // The list is 521 pixels wide; inside its 2-pixel frame and beside a
        // 17-pixel scroll bar 500 remain, three quarters and a quarter of them.
        EXPECT_EQ(first, 375);
        EXPECT_EQ(second, 125);
    }
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(Form, ClientAreaAndEveryControlSitWhereTheLayoutPutsThemAt96Dpi) {
    if (GetDeviceCaps(base::win::WindowDc(nullptr).get(), LOGPIXELSX) != 96) GTEST_SKIP() << "needs a 96 dpi screen";
    Open();
    HWND form = form_->hwnd();
    wchar_t cls[16];
    GetClassNameW(form, cls, 16);
    EXPECT_STREQ(cls, L"Form");
    EXPECT_EQ(TextOf(form), L"ToviArdo答题器");
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 539);
    EXPECT_EQ(client.bottom, 459);

    struct Expected { Control c; RECT r; };
    const Expected table[] = {
        {Control::Text1, {160, 50, 353, 65}},       {Control::Label34, {360, 40, 425, 69}},
        {Control::ListView1, {8, 80, 529, 273}},    {Control::Label2, {32, 288, 521, 335}},
        {Control::Label3, {32, 336, 73, 349}},      {Control::Label4, {80, 336, 345, 353}},
        {Control::Label1, {440, 328, 521, 349}},    {Control::Label5, {440, 376, 529, 389}},
        {Control::LinkLbl0, {40, 424, 121, 441}},   {Control::LinkLbl1, {136, 424, 217, 441}},
        {Control::LinkLbl2, {224, 424, 305, 441}},  {Control::LinkLbl3, {320, 424, 401, 441}},
        {Control::LinkLbl4, {408, 424, 489, 441}},  {Control::PicAboutIco, {8, 424, 25, 441}},
        {Control::Picture1, {136, 184, 177, 225}},
    };
    for (const Expected& e : table) {
        HWND w = form_->control(e.c);
        ASSERT_TRUE(IsWindow(w)) << app::PlacementOf(e.c).name;
        const RECT r = ClientBoxOf(w);
        EXPECT_TRUE(EqualRect(&r, &e.r)) << app::PlacementOf(e.c).name << " is at " << r.left << "," << r.top
                                         << "-" << r.right << "," << r.bottom;
    }
    EXPECT_FALSE(IsWindowVisible(form_->control(Control::Picture1)));
    EXPECT_FALSE(IsWindowVisible(form_->control(Control::PicAboutIco)));
}

TEST_F(Form, StartsWithTheHelpTextAnEmptyAnswerAndTheLinkCaptions) {
    Open();
    const std::wstring help =
        L"输入完关键字按回车键\"Enter\"，\"↑\"，\"↓\"可快速进入题目显示栏,按删除键\"←\"可返回查询关键字窗口，继续输入关键字";
    EXPECT_EQ(TextOf(form_->control(Control::Label2)), help);
    EXPECT_EQ(TextOf(form_->control(Control::Label3)), L"答案：");
    EXPECT_EQ(TextOf(form_->control(Control::Label4)), L"");
    EXPECT_EQ(TextOf(form_->control(Control::Text1)), L"");
    for (Control c : {Control::Label1, Control::Label5, Control::Label34}) EXPECT_EQ(TextOf(form_->control(c)), L"");
    const wchar_t* captions[] = {L"Tovi首页", L"新闻中心", L"Ardo首页", L"火爆论坛", L"游戏下载"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(TextOf(form_->control(app::LinkLabel(i))), captions[i]);
}

TEST_F(Form, ClickAreasAreRedUnderlinedSongtiWithTheHandAndLinksAreWhite) {
    Open();
    for (Control c : {Control::Label1, Control::Label5, Control::Label34}) {
        const app::LabelLook look = app::LabelLookOf(form_->control(c));
        EXPECT_EQ(look.textColor, RGB(255, 0, 0));
        LOGFONTW lf{};
        ASSERT_TRUE(GetObjectW(look.font, sizeof lf, &lf));
        EXPECT_STREQ(lf.lfFaceName, L"宋体");
        EXPECT_TRUE(lf.lfUnderline);
        EXPECT_EQ(lf.lfCharSet, 134);
        EXPECT_EQ(lf.lfWeight, FW_NORMAL);
        ASSERT_NE(look.cursor, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(look.cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, 12u);
        EXPECT_EQ(info.yHotspot, 4u);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
    for (int i = 0; i < 5; ++i) {
        const app::LabelLook look = app::LabelLookOf(form_->control(app::LinkLabel(i)));
        EXPECT_EQ(look.textColor, RGB(255, 255, 255));
        EXPECT_EQ(look.cursor, app::LabelLookOf(form_->control(Control::Label1)).cursor);
    }
    EXPECT_EQ(app::LabelLookOf(form_->control(Control::Label2)).cursor, nullptr);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectW(form_->aboutPicture(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 13);
    EXPECT_EQ(bm.bmHeight, 13);
}

TEST_F(Form, LinkLabelsOpenTheirTableEntryAndLabel5TheForumThread) {
    Open();
    Click(form_->control(app::LinkLabel(3)));
    Click(form_->control(app::LinkLabel(4)));
    Click(form_->control(Control::Label5));
    // A press that ends outside the label is no click.
    SendMessageW(form_->control(app::LinkLabel(0)), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(form_->control(app::LinkLabel(0)), WM_LBUTTONUP, 0, MAKELPARAM(500, 3));
    const std::vector<std::wstring> expected{L"http://d/", L"http://e/x", L"http://forum/thread"};
    EXPECT_EQ(opened_, expected);
}

TEST_F(Form, ResizingMovesNothingAndBringsTheWindowToTheFront) {
    Open();
    ShowWindow(form_->hwnd(), SW_SHOW);
    Pump();
    std::vector<RECT> before;
    for (size_t i = 0; i < static_cast<size_t>(Control::Count); ++i)
        before.push_back(ClientBoxOf(form_->control(static_cast<Control>(i))));

    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    Pump();
    SetWindowPos(form_->hwnd(), nullptr, 0, 0, 800, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    EXPECT_EQ(GetForegroundWindow(), form_->hwnd());
    ShowWindow(form_->hwnd(), SW_MINIMIZE);
    ShowWindow(form_->hwnd(), SW_RESTORE);
    Pump();
    for (size_t i = 0; i < before.size(); ++i) {
        const RECT now = ClientBoxOf(form_->control(static_cast<Control>(i)));
        EXPECT_TRUE(EqualRect(&now, &before[i])) << app::kLayout[i].name;
    }
    DestroyWindow(other);
}

TEST_F(Form, ClosingDeletesTheTrayIconAndReleasesEverything) {
    const long handlesBefore = base::win::LiveHandleCount();
    Open();
    steps_.clear();
    HWND form = form_->hwnd();
    InvalidateRect(form, nullptr, TRUE);
    UpdateWindow(form);
    SendMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(steps_, std::vector<std::string>{"untray"});
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(form_->hwnd(), nullptr);
    form_.reset();
    EXPECT_EQ(base::win::LiveHandleCount(), handlesBefore);
}

TEST_F(Form, ABankCopyThatCannotBeWrittenFailsTheFirstQueryWithTheErrorBox) {
    // An earlier run's copy is in the folder, but "tmp" now names a folder that does not exist.
    HANDLE f = CreateFileW(copy_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(f);
    SetEnvironmentVariableW(L"tmp", (folder_ + L"\\gone").c_str());
    Open();
    EXPECT_FALSE(form_->unpackResult().ok());
    EXPECT_EQ(steps_.size(), 5u) << "start-up goes on";

    std::vector<std::string> boxes;
    questionbank::Access_DB().SetReporter(
        [&](std::string_view text, std::string_view caption) { boxes.push_back(std::string(caption) + ":" + std::string(text)); });
    questionbank::OpenQuery("select Question from wd");
    questionbank::Access_DB().SetReporter(questionbank::ShowDatabaseErrorBox);
    EXPECT_EQ(boxes, std::vector<std::string>{"Zorvex:链接数据库错误"});
    EXPECT_EQ(questionbank::BankRecordset().RecordCount(), 0u);
}

BOOL CALLBACK ExpectSkinned(HWND w, LPARAM missing) {
    if (!GetPropW(w, skin::kPropProcAddr)) ++*reinterpret_cast<int*>(missing);
    return TRUE;
}

TEST_F(Form, StartsSkinnedWithTheListHeaderAndTheSunkenFramesDrawnByTheSkin) {
    Open();
    HWND form = form_->hwnd();
    EXPECT_TRUE(GetPropW(form, skin::kPropProcAddr));
    int missing = 0;
    EnumChildWindows(form, ExpectSkinned, reinterpret_cast<LPARAM>(&missing));
    EXPECT_EQ(missing, 0) << "every child, the list's header included";
    HWND header = reinterpret_cast<HWND>(SendMessageW(form_->control(Control::ListView1), LVM_GETHEADER, 0, 0));
    ASSERT_TRUE(header);
    EXPECT_EQ(skin::KindOfWindow(header), skin::SkinKind::Header);
    EXPECT_EQ(skin::GetSkinProp(header, skin::kPropHmIndex), -1);

    ShowWindow(form, SW_SHOWNOACTIVATE);
    UpdateWindow(form);
    for (Control c : {Control::Text1, Control::ListView1}) {
        HWND w = form_->control(c);
        RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        HDC dc = GetWindowDC(w);
        RECT r{};
        GetWindowRect(w, &r);
        EXPECT_EQ(GetPixel(dc, 0, (r.bottom - r.top) / 2), skin::kSkinBorderColour);
        ReleaseDC(w, dc);
    }
    // The header face comes from the skin image, not from the control.
    const skin::ImagePixels image = skin::SkinImagePixels(skin::SkinImageId::HeaderItem);
    HDC dc = GetWindowDC(header);
    EXPECT_EQ(GetPixel(dc, 100, 1), image.at(1, 1));
    ReleaseDC(header, dc);
}

TEST_F(Form, ChineseTypedIntoTheSkinnedSearchBoxArrivesUnchanged) {
    Open();
    HWND box = form_->control(Control::Text1);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(box, GWLP_WNDPROC)), &skin::SkinWndProc);
    EXPECT_TRUE(IsWindowUnicode(box));
    // This fixture's bank is no database: each change queries it and reports the failure.
    int boxes = 0;
    questionbank::Access_DB().SetReporter([&](std::string_view, std::string_view) { ++boxes; });
    SetFocus(box);
    for (wchar_t c : std::wstring(L"答题器abc")) PostMessageW(box, WM_CHAR, c, 1);
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    questionbank::Access_DB().SetReporter(questionbank::ShowDatabaseErrorBox);
    EXPECT_EQ(TextOf(box), L"答题器abc");
    EXPECT_EQ(boxes, 6) << "one query per change";
}

TEST_F(Form, ClosingReleasesTheSkinWithTheWindow) {
    Open();
    EXPECT_GT(skin::SkinGlobals().skinnedCount, 0);
    SendMessageW(form_->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(skin::SkinGlobals().skinnedCount, 0);
    EXPECT_FALSE(skin::SkinImagesInUse().button);
}

struct ErrorBoxSeen {
    HWND box = nullptr;
    bool skinned = false;
    bool okHasFaces = false;
};
ErrorBoxSeen g_errorBox;

BOOL CALLBACK FindErrorBox(HWND w, LPARAM) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(w)) {
        g_errorBox.box = w;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK InspectErrorBox(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), FindErrorBox, 0);
    if (!g_errorBox.box) return;
    KillTimer(nullptr, id);
    HWND box = g_errorBox.box;
    g_errorBox.skinned = GetPropW(box, skin::kPropProcAddr) != nullptr;
    HWND ok = GetDlgItem(box, IDOK);
    g_errorBox.okHasFaces = ok && GetPropW(ok, L"0HDC") != nullptr && GetPropW(ok, skin::kPropProcAddr) != nullptr;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(Form, DatabaseErrorBoxIsSkinnedWhenItAppears) {
    Open();
    HWND form = form_->hwnd();
    ShowWindow(form, SW_SHOW);
    SetForegroundWindow(form);
    UpdateWindow(form);
    g_errorBox = {};
    const long before = skin::SkinGlobals().skinnedCount;
    SetTimer(nullptr, 0, 100, InspectErrorBox);
    // The bank copy of this fixture is no database, so the query reports its failure.
    questionbank::OpenQuery("select * from wd");
    ASSERT_NE(g_errorBox.box, nullptr) << "no error box appeared";
    EXPECT_TRUE(g_errorBox.skinned);
    EXPECT_TRUE(g_errorBox.okHasFaces);
    EXPECT_EQ(skin::SkinGlobals().skinnedCount, before) << "released with the box";
}

namespace {

// Where the dark pixels of a column range lie, and how dark the darkest is.
struct Ink {
    int top = INT_MAX, bottom = -1;
    int darkest = 255;
};

Ink InkIn(HDC dc, int left, int right, int height) {
    Ink ink;
    for (int y = 0; y < height; ++y) {
        for (int x = left; x < right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            const int grey = (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
            ink.darkest = std::min(ink.darkest, grey);
            if (grey < 160) {
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

}  // namespace

// The help text's arrows are as solid as the letters beside them: the up and
// down arrows stand on the baseline as tall as a capital, the left arrow lies
// across the capital's middle.
TEST_F(Form, ArrowsInTheTextAreSolidAndSitOnTheBaseline) {
    Open();
    HWND label = form_->control(Control::Label2);
    RECT client{};
    GetClientRect(label, &client);
    base::win::WindowDc screen{nullptr};
    base::win::MemoryDc dc{CreateCompatibleDC(screen.get())};
    base::win::OwnedBitmap surface{CreateCompatibleBitmap(screen.get(), client.right, client.bottom)};
    base::win::SelectGuard keep{dc.get(), surface.get()};
    SIZE letterSize{};
    {
        base::win::SelectGuard font{dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0))};
        GetTextExtentPoint32W(dc.get(), L"E", 1, &letterSize);
    }
    for (const wchar_t* text : {L"E\x2191", L"E\x2193", L"E\x2190"}) {
        SetWindowTextW(label, text);
        SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        const Ink letter = InkIn(dc.get(), 0, letterSize.cx, client.bottom);
        const Ink arrow = InkIn(dc.get(), letterSize.cx, 3 * letterSize.cx, client.bottom);
        const std::string name = base::win::Narrow(text + 1);
        ASSERT_GE(arrow.bottom, 0) << name << " is not drawn";
        EXPECT_LE(arrow.darkest, letter.darkest + 24) << name << " is fainter than the letter";
        if (text[1] == L'\x2190') {
            EXPECT_GT(arrow.top, letter.top) << name;
            EXPECT_LT(arrow.bottom, letter.bottom) << name;
        } else {
            EXPECT_EQ(arrow.bottom, letter.bottom) << name << " does not stand on the baseline";
            EXPECT_LE(arrow.top, letter.top + 1) << name << " is shorter than a capital";
        }
    }
}

using testsupport::PixelsOf;

// Whatever is typed into the search box shows whole, the descenders of g, j,
// p, q, y and the underscore included, in the box the layout gives it.
TEST_F(Form, TypedTextShowsWholeInTheSearchBoxAt96And120Dpi) {
    questionbank::Access_DB().SetReporter([](std::string_view, std::string_view) {});   // this bank is no database
    for (int dpi : {96, 120}) {
        Open(dpi);
        HWND box = form_->control(Control::Text1);
        const RECT placed = ClientBoxOf(box), expected = form_->boxOf(Control::Text1);
        EXPECT_TRUE(EqualRect(&placed, &expected)) << dpi;
        RECT client{}, format{};
        GetClientRect(box, &client);
        SendMessageW(box, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
        TEXTMETRICW tm{};
        {
            base::win::WindowDc dc{box};
            base::win::SelectGuard font{dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0))};
            GetTextMetricsW(dc.get(), &tm);
        }
        EXPECT_GE(format.top, 0) << dpi;
        EXPECT_LE(format.top + tm.tmHeight, client.bottom) << dpi << " dpi: a line is taller than the box shows";

        // On screen, an underscore darkens pixels of the box (the caret hidden).
        ShowWindow(form_->hwnd(), SW_SHOWNOACTIVATE);
        auto shown = [&](const wchar_t* text) {
            SetWindowTextW(box, text);
            HideCaret(box);
            RedrawWindow(box, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
            Pump();
            base::win::WindowDc dc{box};
            return PixelsOf(dc.get(), client.right, client.bottom);
        };
        const std::vector<uint32_t> empty = shown(L""), underscore = shown(L"_");
        auto grey = [](uint32_t c) { return static_cast<int>((c >> 16 & 0xFF) + (c >> 8 & 0xFF) + (c & 0xFF)) / 3; };
        bool inked = false;
        for (size_t i = 0; i < empty.size() && i < underscore.size(); ++i) inked |= grey(underscore[i]) + 48 < grey(empty[i]);
        EXPECT_TRUE(inked) << dpi << " dpi: the underscore is not drawn";
        form_.reset();
    }
    questionbank::Access_DB().SetReporter(questionbank::ShowDatabaseErrorBox);
}

// At each resolution the artwork is drawn for, the window shows that drawing
// pixel for pixel, and every face on it lies exactly under its control.
TEST_F(Form, AtEachDrawnResolutionTheFacesLieUnderTheirControlsPixelForPixel) {
    for (int dpi : {96, 120, 144, 192}) {
        Open(dpi);
        EXPECT_EQ(form_->backgroundDpi(), dpi);
        BITMAP bm{};
        ASSERT_TRUE(GetObjectW(form_->background(), sizeof bm, &bm));
        EXPECT_EQ(bm.bmWidth, app::ArtPixels(app::kArtWidth, dpi));
        EXPECT_EQ(bm.bmHeight, app::ArtPixels(app::kArtHeight, dpi));
        RECT client{};
        GetClientRect(form_->hwnd(), &client);
        EXPECT_EQ(client.right, app::TwipsToPixels(app::kClientWidthTwips, dpi));
        EXPECT_EQ(client.bottom, app::TwipsToPixels(app::kClientHeightTwips, dpi));

        base::win::WindowDc screen{nullptr};
        base::win::MemoryDc painted{CreateCompatibleDC(screen.get())};
        base::win::OwnedBitmap surface{CreateCompatibleBitmap(screen.get(), client.right, client.bottom)};
        base::win::SelectGuard keepPainted{painted.get(), surface.get()};
        SendMessageW(form_->hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(painted.get()), PRF_CLIENT);
        // Selected only now: a bitmap lies in one DC at a time, and the form selects it to paint.
        base::win::MemoryDc art{CreateCompatibleDC(screen.get())};
        base::win::SelectGuard keepArt{art.get(), form_->background()};
        const std::vector<uint32_t> shown = PixelsOf(painted.get(), client.right, client.bottom);
        const std::vector<uint32_t> drawn = PixelsOf(art.get(), client.right, client.bottom);
        const auto differ = std::mismatch(shown.begin(), shown.end(), drawn.begin(), drawn.end());
        if (differ.first != shown.end()) {
            const auto at = differ.first - shown.begin();
            ADD_FAILURE() << dpi << " dpi: the background is not shown as drawn, first at (" << at % client.right
                          << ", " << at / client.right << "): " << std::hex << *differ.first << " for "
                          << *differ.second;
        }

        // Down the middle of each face, its edge is the control's top and bottom row.
        auto faceRows = [&](Control c, bool red) {
            const RECT b = ClientBoxOf(form_->control(c));
            const int x = (b.left + b.right) / 2;
            int first = -1, last = -1;
            for (int y = b.top - 6; y < b.bottom + 6; ++y) {
                const COLORREF p = GetPixel(art.get(), x, y);
                if (red ? GetGValue(p) < 150 && GetRValue(p) > 150 : GetRValue(p) < 150) {
                    if (first < 0) first = y;
                    last = y;
                }
            }
            EXPECT_EQ(first, b.top) << dpi << " dpi: " << app::PlacementOf(c).name;
            EXPECT_EQ(last, b.bottom - 1) << dpi << " dpi: " << app::PlacementOf(c).name;
        };
        faceRows(Control::Label1, true);
        for (int i = 0; i < app::kLinkCount; ++i) faceRows(app::LinkLabel(i), false);
        form_.reset();
    }
}
