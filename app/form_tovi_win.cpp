#include "app/form_tovi_win.h"

#include "app/answer_copy.h"
#include "app/bank_update_win.h"
#include "app/label_win.h"
#include "assets/resource.h"
#include "base/win/subclass.h"
#include "base/win/wide.h"
#include "questionbank/access_db.h"
#include "questionbank/bank_file.h"
#include "questionbank/bank_file_win.h"
#include "questionbank/keyword_query.h"
#include "questionbank/result_list_win.h"
#include "search/highlight.h"
#include "shell/sysmenu_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <memory>

namespace app {

using base::win::MemoryDc;
using base::win::Narrow;
using base::win::OwnedBitmap;
using base::win::OwnedFont;
using base::win::PaintScope;
using base::win::SelectGuard;
using base::win::Widen;
using base::win::WindowDc;

namespace {

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr COLORREF kClickAreaColor = RGB(255, 0, 0);
constexpr COLORREF kLinkColor = RGB(255, 255, 255);
constexpr BYTE kGb2312Charset = GB2312_CHARSET;   // 134
constexpr UINT kReturnFocusMessage = WM_APP + 1;   // an empty list gives the focus back to the box

std::wstring WindowText(HWND w) {
    const int len = GetWindowTextLengthW(w);
    if (len <= 0) return {};
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), len + 1)));
    return text;
}

// Global memory handed to the clipboard; freed here unless the clipboard took it.
class ClipboardMemory {
public:
    explicit ClipboardMemory(size_t bytes) : h_(GlobalAlloc(GMEM_MOVEABLE, bytes)) {}
    ~ClipboardMemory() { if (h_) GlobalFree(h_); }
    ClipboardMemory(const ClipboardMemory&) = delete;
    ClipboardMemory& operator=(const ClipboardMemory&) = delete;
    bool fill(const void* data, size_t bytes) {
        void* p = h_ ? GlobalLock(h_) : nullptr;
        if (!p) return false;
        memcpy(p, data, bytes);
        GlobalUnlock(h_);
        return true;
    }
    // Hands the memory to the clipboard as format; it owns it on success.
    bool give(UINT format) {
        if (h_ && SetClipboardData(format, h_)) { h_ = nullptr; return true; }
        return false;
    }

private:
    HGLOBAL h_;
};

// Puts text on the clipboard as Unicode, with the system's locale, so that
// the plain text the system derives from it uses the system's code page
// (GBK on a Chinese system) whatever keyboard layout is active. A clipboard
// that cannot be opened or filled is left as it is.
void PutOnClipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    ClipboardMemory unicode{(text.size() + 1) * sizeof(wchar_t)};
    if (unicode.fill(text.c_str(), (text.size() + 1) * sizeof(wchar_t))) unicode.give(CF_UNICODETEXT);
    const LCID locale = GetSystemDefaultLCID();
    ClipboardMemory localeBlock{sizeof locale};
    if (localeBlock.fill(&locale, sizeof locale)) localeBlock.give(CF_LOCALE);
    CloseClipboard();
}

std::wstring ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) { path.resize(n); break; }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

// "宋体" at 9 points for the screen's vertical resolution.
HFONT CreateSongti(int dpiY, bool underline) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(9, dpiY, 72);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfCharSet = kGb2312Charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

// "宋体" at 9 points, or smaller if its lines would be taller than height
// pixels: every character typed into the search box must show whole.
HFONT CreateSongtiFitting(int dpiY, int height) {
    HFONT font = CreateSongti(dpiY, false);
    WindowDc screen{nullptr};
    for (int cell = height; font && screen.get() && cell > 0; --cell) {
        TEXTMETRICW tm{};
        {
            SelectGuard measure{screen.get(), font};
            GetTextMetricsW(screen.get(), &tm);
        }
        if (tm.tmHeight <= height) break;
        DeleteObject(font);
        LOGFONTW lf{};
        lf.lfHeight = cell;   // positive: the whole line's height
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = kGb2312Charset;
        lstrcpynW(lf.lfFaceName, L"宋体", LF_FACESIZE);
        font = CreateFontIndirectW(&lf);
    }
    return font;
}

// COM interfaces released when they go.
struct ComRelease {
    void operator()(IUnknown* p) const { if (p) p->Release(); }
};
template <class T>
using ComOwned = std::unique_ptr<T, ComRelease>;

// The PNG drawing in RCDATA resource id, decoded into a 24-bit DIB section;
// null if it is missing or cannot be decoded.
HBITMAP LoadPngResource(HINSTANCE instance, int id) {
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));   // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(instance, found) : 0;
    if (!bytes || size == 0) return nullptr;

    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HBITMAP result = nullptr;
    {
        IWICImagingFactory* rawFactory = nullptr;
        IWICStream* rawStream = nullptr;
        IWICBitmapDecoder* rawDecoder = nullptr;
        IWICBitmapFrameDecode* rawFrame = nullptr;
        IWICBitmapSource* rawPixels = nullptr;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(&rawFactory));
        ComOwned<IWICImagingFactory> factory{rawFactory};
        if (factory) factory->CreateStream(&rawStream);
        ComOwned<IWICStream> stream{rawStream};
        if (stream && SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)), size))) {
            factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &rawDecoder);
        }
        ComOwned<IWICBitmapDecoder> decoder{rawDecoder};
        if (decoder) decoder->GetFrame(0, &rawFrame);
        ComOwned<IWICBitmapFrameDecode> frame{rawFrame};
        if (frame) WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.get(), &rawPixels);
        ComOwned<IWICBitmapSource> pixels{rawPixels};
        UINT width = 0, height = 0;
        if (pixels && SUCCEEDED(pixels->GetSize(&width, &height)) && width > 0 && height > 0 && width < 16384 &&
            height < 16384) {
            BITMAPINFO info{};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), -static_cast<LONG>(height), 1, 24,
                              BI_RGB, 0, 0, 0, 0, 0};
            void* bits = nullptr;
            OwnedBitmap dib{CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)};
            const UINT stride = (width * 3 + 3) & ~3u;
            if (dib && SUCCEEDED(pixels->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
                result = dib.release();
            }
        }
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return result;
}

// The background drawn for artDpi: the 100% one is a bitmap resource, the
// larger ones are PNG.
HBITMAP LoadBackground(HINSTANCE instance, int artDpi) {
    switch (artDpi) {
    case 120: return LoadPngResource(instance, IDB_BACKGROUND_125);
    case 144: return LoadPngResource(instance, IDB_BACKGROUND_150);
    case 192: return LoadPngResource(instance, IDB_BACKGROUND_200);
    default:
        return static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    }
}

bool RegisterFormClass(HINSTANCE instance, WNDPROC proc) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(instance, kFormClass, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    // LR_SHARED images belong to the system and are never destroyed by us.
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kFormClass;
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

const base::win::Subclass FormTovi::kText1Subclass{&FormTovi::Text1Proc, L"TOVITEXT1PROC", L"TOVITEXT1OFF"};

FormTovi::FormTovi(HINSTANCE instance, FormHooks hooks, FormOptions options)
    : instance_(instance), hooks_(std::move(hooks)), options_(std::move(options)), settings_(options_.settingsPath) {
    if (options_.bankPath.empty()) {
        programBank_ = ExecutableFolder() + L"\\wd.dat";
        options_.bankPath = StartupBankPath(programBank_);
    } else {
        programBank_ = options_.bankPath;
    }
    WindowDc screen{nullptr};
    if (options_.dpi > 0) {
        dpiX_ = dpiY_ = options_.dpi;
    } else if (screen.get()) {
        dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
        dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    artDpi_ = ArtDpiFor(dpiX_);
}

FormTovi::~FormTovi() {
    if (hwnd_) DestroyWindow(hwnd_);   // WM_NCDESTROY clears hwnd_
}

std::unique_ptr<FormTovi> FormTovi::Create(HINSTANCE instance, FormHooks hooks, FormOptions options) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    if (!RegisterFormClass(instance, WndProc) || !RegisterLabelClasses(instance)) return nullptr;

    std::unique_ptr<FormTovi> form{new FormTovi(instance, std::move(hooks), std::move(options))};
    RECT frame{0, 0, TwipsToPixels(kClientWidthTwips, form->dpiX_), TwipsToPixels(kClientHeightTwips, form->dpiY_)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
    const std::wstring caption = Widen(kCaption);
    CreateWindowExW(0, kFormClass, caption.c_str(), kFormStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, form.get());
    if (!form->hwnd_) return nullptr;
    form->placeWindow();
    form->Form_Load();
    return form;
}

RECT FormTovi::boxOf(Control c) const {
    const TwipsBox& t = PlacementOf(c).box;
    const int left = TwipsToPixels(t.left, dpiX_);
    const int top = TwipsToPixels(t.top, dpiY_);
    return RECT{left, top, left + TwipsToPixels(t.width, dpiX_), top + TwipsToPixels(t.height, dpiY_)};
}

LRESULT CALLBACK FormTovi::WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FormTovi*>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = w;
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormTovi*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    if (!self) return DefWindowProcW(w, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->controls_.fill(nullptr);
        return DefWindowProcW(w, msg, wp, lp);
    }
    return self->handle(msg, wp, lp);
}

LRESULT FormTovi::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:          return onCreate();
    case WM_ERASEBKGND:      return 1;   // WM_PAINT covers the whole client area
    case WM_PAINT:           return onPaint();
    case WM_PRINTCLIENT:     return onPrintClient(reinterpret_cast<HDC>(wp));
    case WM_SIZE:            return Form_Resize();
    case WM_COMMAND:         return onCommand(LOWORD(wp), HIWORD(wp));
    case WM_NOTIFY:          return onNotify(*reinterpret_cast<NMHDR*>(lp));
    case kReturnFocusMessage: return onReturnFocus();
    case WM_ACTIVATE:        return onActivate(LOWORD(wp));
    case WM_SETFOCUS:        return onSetFocus();
    case WM_SYSCOMMAND:      return onSysCommand(wp, lp);
    case WM_CLOSE:           return onClose();
    case WM_QUERYENDSESSION: return TRUE;   // the shutdown may still be cancelled: the icon stays
    case WM_ENDSESSION:      return onEndSession(wp != 0);
    case WM_CLIPBOARDUPDATE: return onClipboardUpdate();
    case WM_HOTKEY:          return onHotkey();
    case WM_DESTROY:         return onDestroy();
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT FormTovi::onCreate() {
    background_.reset(LoadBackground(instance_, artDpi_));
    if (!background_ && artDpi_ != kArtDpi) {   // the 100% drawing, stretched, rather than none
        artDpi_ = kArtDpi;
        background_.reset(LoadBackground(instance_, artDpi_));
    }
    aboutPicture_.reset(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    formFont_.reset(CreateSongti(dpiY_, false));
    clickFont_.reset(CreateSongti(dpiY_, true));
    hand_ = LoadCursorW(instance_, MAKEINTRESOURCEW(IDC_HAND));
    createControls();
    return 0;
}

void FormTovi::createControls() {
    auto idOf = [](Control c) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(c))); };
    auto place = [&](Control c, HWND w) {
        controls_[static_cast<size_t>(c)] = w;
        if (w && formFont_) SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
    };
    auto create = [&](Control c, const wchar_t* cls, DWORD style, DWORD exStyle) {
        const RECT b = boxOf(c);
        place(c, CreateWindowExW(exStyle, cls, L"", WS_CHILD | style, b.left, b.top, b.right - b.left,
                                 b.bottom - b.top, hwnd_, idOf(c), instance_, nullptr));
    };

    // The search box lies on the white box of the artwork, which is its border.
    // Its edge is one pixel wide (Text1Proc), just the skin's frame, so that
    // the box keeps all but two rows for the text, and its font fits them.
    create(Control::Text1, L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
    HWND box = control(Control::Text1);
    base::win::AttachSubclass(box, kText1Subclass);
    SetWindowPos(box, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT inside{};
    GetClientRect(box, &inside);
    boxFont_.reset(CreateSongtiFitting(dpiY_, inside.bottom));
    if (boxFont_) SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_.get()), FALSE);
    const int margin = ScaledPixels(2, dpiX_);
    SendMessageW(box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    // Columns come with Form_Load. The list is a report from the start so that
    // its header exists when the skin attaches to the form and its children.
    create(Control::ListView1, WC_LISTVIEWW, WS_VISIBLE | WS_TABSTOP | questionbank::kResultListStyle | LVS_REPORT,
           WS_EX_CLIENTEDGE);

    LabelLook plain;
    plain.font = formFont_.get();
    LabelLook clickArea;
    clickArea.textColor = kClickAreaColor;
    clickArea.font = clickFont_.get();
    clickArea.cursor = hand_;
    LabelLook link;
    link.textColor = kLinkColor;
    link.font = formFont_.get();
    link.cursor = hand_;
    link.format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;

    auto label = [&](Control c, std::string_view text, const LabelLook& look) {
        const std::wstring wide = Widen(text);
        controls_[static_cast<size_t>(c)] = CreateLabel(hwnd_, ControlIdOf(c), boxOf(c), wide.c_str(), look);
    };
    label(Control::Label34, "", clickArea);
    label(Control::Label2, kHelpText, plain);
    label(Control::Label3, kAnswerCaption, plain);
    label(Control::Label4, "", plain);
    label(Control::Label1, "", clickArea);
    label(Control::Label5, "", clickArea);
    for (int i = 0; i < kLinkCount; ++i) label(LinkLabel(i), kLinkCaptions[static_cast<size_t>(i)], link);

    controls_[static_cast<size_t>(Control::PicAboutIco)] =
        CreatePicture(hwnd_, ControlIdOf(Control::PicAboutIco), boxOf(Control::PicAboutIco), aboutPicture_.get(), false);
    controls_[static_cast<size_t>(Control::Picture1)] =
        CreatePicture(hwnd_, ControlIdOf(Control::Picture1), boxOf(Control::Picture1), nullptr, false);
}

void FormTovi::paintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    MemoryDc art{CreateCompatibleDC(dc)};
    if (!background_ || !art) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    SelectGuard keep{art.get(), background_.get()};
    const int artWidth = ArtPixels(kArtWidth, artDpi_), artHeight = ArtPixels(kArtHeight, artDpi_);
    if (dpiX_ == artDpi_ && dpiY_ == artDpi_) {
        BitBlt(dc, 0, 0, artWidth, artHeight, art.get(), 0, 0, SRCCOPY);
        return;
    }
    // No drawing for this resolution: the nearest one follows the controls.
    POINT brushOrigin{};
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, &brushOrigin);
    StretchBlt(dc, 0, 0, MulDiv(kArtWidth, dpiX_, kArtDpi), MulDiv(kArtHeight, dpiY_, kArtDpi), art.get(), 0, 0,
               artWidth, artHeight, SRCCOPY);
    SetBrushOrgEx(dc, brushOrigin.x, brushOrigin.y, nullptr);
}

LRESULT FormTovi::onPaint() {
    PaintScope paint{hwnd_};
    paintBackground(paint.dc());
    return 0;
}

LRESULT FormTovi::onPrintClient(HDC dc) {
    paintBackground(dc);
    return 0;
}

LRESULT FormTovi::onCommand(int id, int code) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= static_cast<int>(Control::Count)) return 0;
    const auto c = static_cast<Control>(index);
    if (c == Control::Text1) {
        if (code == EN_CHANGE) Text1_Change();
        return 0;
    }
    if (code != STN_CLICKED) return 0;
    switch (c) {
    case Control::Label1:  Label1_Click(); break;
    case Control::Label34: Label34_Click(); break;
    case Control::Label5:  Label5_Click(); break;
    case Control::LinkLbl0: case Control::LinkLbl1: case Control::LinkLbl2: case Control::LinkLbl3:
    case Control::LinkLbl4:
        Link_Lbl_Click(index - static_cast<int>(Control::LinkLbl0));
        break;
    default: break;
    }
    return 0;
}

// The search box's keys and clicks. Nothing is consumed: the box still gets
// every key after its handler has run.
LRESULT CALLBACK FormTovi::Text1Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    // The form, while it is alive: it forgets its window at WM_NCDESTROY.
    auto* form = reinterpret_cast<FormTovi*>(GetWindowLongPtrW(GetParent(w), GWLP_USERDATA));
    if (form) {
        switch (msg) {
        case WM_KEYDOWN: form->Text1_KeyDown(static_cast<int>(wp)); break;
        case WM_CHAR:    form->Text1_KeyPress(static_cast<int>(wp)); break;
        case WM_LBUTTONUP: {
            const LRESULT r = base::win::CallNext(w, kText1Subclass, msg, wp, lp);
            if (IsWindow(w)) form->Text1_Click();
            return r;
        }
        }
    }
    switch (msg) {
    case WM_NCCALCSIZE: {
        // A one-pixel edge all round instead of the sunken two.
        RECT& client = wp ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : *reinterpret_cast<RECT*>(lp);
        const RECT window = client;
        const LRESULT r = base::win::CallNext(w, kText1Subclass, msg, wp, lp);
        if (client.right - client.left < window.right - window.left) {
            client = window;
            InflateRect(&client, -1, -1);
        }
        return r;
    }
    case WM_NCPAINT:
        // The skin's frame paints the ring just inside the edge, which is now
        // the text's own outer row: the text is drawn again after it.
        InvalidateRect(w, nullptr, FALSE);
        break;
    }
    return base::win::CallNext(w, kText1Subclass, msg, wp, lp);
}

LRESULT FormTovi::onNotify(NMHDR& header) {
    if (header.hwndFrom != control(Control::ListView1)) return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW: return onListText(reinterpret_cast<NMLVDISPINFOW&>(header).item);
    case NM_CUSTOMDRAW:
        return questionbank::PaintRowBand(header.hwndFrom, reinterpret_cast<NMLVCUSTOMDRAW&>(header),
                                          [this](int row) { return matchesOfRow(row); });
    case NM_SETFOCUS:      ListView1_GotFocus(); return 0;
    case LVN_KEYDOWN:      ListView1_KeyDown(reinterpret_cast<NMLVKEYDOWN&>(header).wVKey); return 0;
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        const bool selected = (change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_SELECTED) &&
                              !(change.uOldState & LVIS_SELECTED);
        if (selected && !selectingByProgram_) ListView1_ItemClick();
        return 0;
    }
    }
    return 0;
}

// The list asks for the text of each row it shows: column 0 the question,
// column 1 the answer, straight from the recordset.
LRESULT FormTovi::onListText(LVITEMW& item) {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return 0;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= listRows_ || item.iSubItem < 0 || item.iSubItem > 1) {
        return 0;
    }
    const auto& rows = questionbank::BankRecordset();
    listTextBuffer_ = Widen(rows.Cell(static_cast<size_t>(item.iItem), static_cast<size_t>(item.iSubItem)));
    lstrcpynW(item.pszText, listTextBuffer_.c_str(), item.cchTextMax);
    return 0;
}

// What a row shows: its question, the characters of it that matched the
// keyword the rows were found for, and its answer.
const questionbank::ShownRow& FormTovi::shownRow(int row) const {
    constexpr size_t kKept = 512;   // rows drawn or compared since the refill; a few pages
    if (auto found = shownRows_.find(row); found != shownRows_.end()) return found->second;
    if (shownRows_.size() >= kKept) shownRows_.clear();
    questionbank::ShownRow& shown = shownRows_[row];
    if (row >= 0 && static_cast<size_t>(row) < listRows_) {
        const auto& rows = questionbank::BankRecordset();
        shown.question = std::string(rows.Cell(static_cast<size_t>(row), 0));
        shown.answer = std::string(rows.Cell(static_cast<size_t>(row), 1));
        shown.spans = search::MatchedSpans(shown.question, listKeyword_);
    }
    return shown;
}

std::vector<questionbank::ShownRow> FormTovi::shownRows(questionbank::RowsInView view) const {
    std::vector<questionbank::ShownRow> rows;
    rows.reserve(static_cast<size_t>(view.count));
    for (int i = 0; i < view.count; ++i) rows.push_back(shownRow(view.first + i));
    return rows;
}

// A row's question and the characters of it that matched the keyword the
// rows were found for.
questionbank::RowMatches FormTovi::matchesOfRow(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= listRows_) return {};
    const std::string_view question = questionbank::BankRecordset().Cell(static_cast<size_t>(row), 0);
    return {question, shownRow(row).spans};
}

// A row's question (column 0) or answer (column 1), whole, from the recordset
// the list shows: the list's own copy of a row can be cut short.
std::wstring FormTovi::rowText(int row, int column) const {
    if (row < 0 || static_cast<size_t>(row) >= listRows_) return {};
    return Widen(questionbank::BankRecordset().Cell(static_cast<size_t>(row), static_cast<size_t>(column)));
}

// Shows the first count rows of the recordset, the first of them selected, so
// that entering the list shows it at once. Returns the rows whose selection
// or focus it changed.
std::vector<int> FormTovi::showRows(size_t count) {
    HWND list = control(Control::ListView1);
    selectingByProgram_ = true;
    // A single-selection list: clearing the one selected and focused row is
    // enough, and costs nothing however many rows the list had. Both are
    // looked up before either is cleared: a search for a row that is not
    // there walks every row of the list.
    const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    // The first row selected and focused already stays so: setting the
    // states again would only repaint it.
    const bool firstAlready = count > 0 && selected == 0 && focused == 0;
    std::vector<int> changed;
    if (!firstAlready) {
        for (int row : {selected, focused}) {
            if (row >= 0) {
                ListView_SetItemState(list, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
                changed.push_back(row);
            }
        }
        if (count > 0) changed.push_back(0);
    }
    listRows_ = count;
    shownRows_.clear();
    questionbank::SetResultRowCount(list, static_cast<int>(count));
    if (count > 0) {
        if (!firstAlready) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, 0, FALSE);
    }
    selectingByProgram_ = false;
    return changed;
}

// The form keeps the focus on one of its controls: the search box at first,
// and on return whichever control had it when the window was left.
LRESULT FormTovi::onActivate(int state) {
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
    }
    return DefWindowProcW(hwnd_, WM_ACTIVATE, static_cast<WPARAM>(state), 0);
}

LRESULT FormTovi::onSetFocus() {
    SetFocus(lastFocus_ && IsWindow(lastFocus_) ? lastFocus_ : control(Control::Text1));
    return 0;
}

LRESULT FormTovi::onReturnFocus() {
    if (GetFocus() == control(Control::ListView1) && selectedRow() < 0) SetFocus(control(Control::Text1));
    return 0;
}

LRESULT FormTovi::onClose() {
    Form_QueryUnload();   // never cancels
    DestroyWindow(hwnd_);
    return 0;
}

// The session really ends: the process may be ended without WM_DESTROY, so
// the icon goes and the window's place is saved now.
LRESULT FormTovi::onEndSession(bool ending) {
    if (!ending) return 0;
    Form_QueryUnload();
    endCapture();
    return 0;
}

LRESULT FormTovi::onDestroy() {
    endCapture();
    if (options_.quitOnDestroy) PostQuitMessage(0);
    return 0;
}

// Start-up, in this order. No query runs here: the list stays empty until the
// first keystroke in the search box.
void FormTovi::Form_Load() {
    if (hooks_.extendSystemMenu) hooks_.extendSystemMenu(hwnd_, aboutPicture_.get());  // 1. About entry
    if (hooks_.skinWindow) hooks_.skinWindow(hwnd_);                // 2. skin the form and its controls
    if (hooks_.addTrayIcon) hooks_.addTrayIcon(hwnd_);              // 3. notification-area icon
    if (hooks_.setTrayTip) hooks_.setTrayTip(Widen(kTrayTip));      // 4. its tip
    if (hooks_.buildLinkTable) linkTable_ = hooks_.buildLinkTable();  // 5. LinkTable
    unpacked_ = questionbank::UnpackBank(options_.bankPath, questionbank::kBankKey);   // 6.
    questionbank::SetUpResultList(control(Control::ListView1));     // 7.
    // 8. TempBankPath for the queries: empty if step 6 could not write the
    // copy, so that the first query fails with the database error box rather
    // than opening a copy left by an earlier run.
    questionbank::Access_DB().SetTempBankPath(base::win::Narrow(questionbank::TempBankPathForQueries()));
    questionbank::Access_DB().SetSearchIndexPath(base::win::Narrow(options_.searchIndexPath));
    applyLastingSettings();   // 9. on top, clipboard watch, hotkey
}

// Nothing moves: the layout is fixed. Every change of size or state, restoring
// from the tray included, brings the window to the front; except a restore
// for a copied question, which leaves the focus where the player has it.
LRESULT FormTovi::Form_Resize() {
    if (!restoringQuietly_) SetForegroundWindow(hwnd_);
    return 0;
}

// The program's menu commands, whichever menu they came from; the system's
// own commands go on to the system.
LRESULT FormTovi::onSysCommand(WPARAM command, LPARAM lp) {
    switch (command) {
    case shell::IDM_CHECKBANKUPDATE: CheckBankUpdate(); return 0;
    case shell::IDM_TOPMOST:         setTopMost(!settings_.values().topMost); return 0;
    case shell::IDM_WATCHCLIPBOARD:  setWatchClipboard(!settings_.values().watchClipboard); return 0;
    }
    return DefWindowProcW(hwnd_, WM_SYSCOMMAND, command, lp);
}

// The download pumps messages and the box is modal: the window may be gone
// when either returns (the tray's "关闭"), so hwnd_ is checked after each.
void FormTovi::CheckBankUpdate() {
    if (updating_) return;
    updating_ = true;
    const BankUpdate update = RunBankUpdate(hwnd_, UpdateManifestUrl(), options_.bankPath, programBank_);
    if (!hwnd_) return;
    options_.bankPath = update.bankInUse;
    const bool done = update.outcome.end == questionbank::UpdateEnd::Updated ||
                      update.outcome.end == questionbank::UpdateEnd::UpToDate;
    const std::wstring text = Widen(questionbank::UpdateMessage(update.outcome));
    const std::wstring caption = Widen(questionbank::kUpdateCaption);
    MessageBoxW(hwnd_, text.c_str(), caption.c_str(), MB_OK | (done ? MB_ICONINFORMATION : MB_ICONWARNING));
    updating_ = false;
}

void FormTovi::Form_QueryUnload() {
    if (hooks_.deleteTrayIcon) hooks_.deleteTrayIcon();
}

// Every change of the box, typed, pasted or set by the program, runs one
// query with the whole text as the keyword. An empty box keeps the rows. The
// list is restyled either way.
void FormTovi::Text1_Change() {
    const std::string keyword = Narrow(WindowText(control(Control::Text1)));
    HWND list = control(Control::ListView1);
    // What the rows in view show before the search replaces them.
    const questionbank::RowsInView was = questionbank::ResultRowsInView(list);
    const std::vector<questionbank::ShownRow> before = shownRows(was);
    if (!keyword.empty()) {
        questionbank::SearchKeyword(keyword);
        // A failed query shows the modal error box, and while it is up the
        // tray's "关闭" may destroy the form: nothing of it is touched then.
        if (!hwnd_ || !IsWindow(list)) return;
    }
    // A refill that changes the number of rows or brings the list back to
    // its top happens with drawing held off, so that the scroll bar is drawn
    // once, after it, and only if it looks different. Otherwise the list is
    // refilled as it is shown; either way only the rows whose text or
    // matched characters change are repainted.
    const size_t count = keyword.empty() ? listRows_ : questionbank::BankRecordset().RecordCount();
    questionbank::HeldResultList shown;
    if (was.first != 0 || count != listRows_) shown = questionbank::HoldResultListDrawing(list);
    std::vector<int> reselected;
    if (!keyword.empty()) {
        listKeyword_ = keyword;
        reselected = showRows(count);
    }
    const bool restyled = questionbank::RestyleResultList(list);
    const questionbank::RowsInView now = questionbank::ResultRowsInView(list);
    if (restyled || was.first != now.first) {
        questionbank::RefreshResultList(list, shown);
    } else {
        questionbank::RefreshChangedRows(list, shown, was, before, now, shownRows(now));
        // A selection moved while drawing was held off is drawn again too.
        for (int row : reselected) ListView_RedrawItems(list, row, row);
    }
    // Once the list can be drawn again, so that the header repaints itself.
    if (!keyword.empty()) questionbank::ShowSimilarRows(list, questionbank::Access_DB().SimilarRows());
}

void FormTovi::Text1_KeyDown(int key) {
    if (key == VK_UP || key == VK_RETURN || key == VK_DOWN) SetFocus(control(Control::ListView1));
}

void FormTovi::Text1_KeyPress(int ch) {
    if (ch == '\r') SetFocus(control(Control::ListView1));
}

void FormTovi::Text1_Click() { SetWindowTextW(control(Control::Text1), L""); }

// The list's selected row, or -1. A selection left over from rows that are
// gone does not count.
int FormTovi::selectedRow() const {
    const int row = ListView_GetNextItem(control(Control::ListView1), -1, LVNI_SELECTED);
    return row >= 0 && static_cast<size_t>(row) < listRows_ ? row : -1;
}

void FormTovi::ListView1_ItemClick() {
    const int row = selectedRow();
    if (row < 0) return;
    SetWindowTextW(control(Control::Label2), rowText(row, 0).c_str());
    SetWindowTextW(control(Control::Label4), rowText(row, 1).c_str());
}

void FormTovi::ListView1_GotFocus() {
    const int row = selectedRow();
    if (row < 0) {   // an empty list: straight back to the box
        // Not from inside the list's own focus handling: the list records that
        // it has the focus after notifying us, and would then ignore the next
        // time it really gets it.
        PostMessageW(hwnd_, kReturnFocusMessage, 0, 0);
        return;
    }
    const std::wstring question = rowText(row, 0);
    if (question.empty()) return;
    SetWindowTextW(control(Control::Label2), question.c_str());
    SetWindowTextW(control(Control::Label4), rowText(row, 1).c_str());
}

// Only Backspace goes back; every other key keeps its effect in the list.
void FormTovi::ListView1_KeyDown(int key) {
    if (key == VK_BACK) SetFocus(control(Control::Text1));
}

// Copies what the two labels show, whatever the list holds.
void FormTovi::Label1_Click() {
    const std::string text = CopiedAnswerText(Narrow(WindowText(control(Control::Label2))),
                                              Narrow(WindowText(control(Control::Label4))));
    ownCopy_ = Widen(text);
    PutOnClipboard(hwnd_, ownCopy_);
}

void FormTovi::Label34_Click() {
    SetWindowTextW(control(Control::Text1), L"");   // runs Text1_Change with an empty box
    showRows(0);
    listKeyword_.clear();
    questionbank::ShowSimilarRows(control(Control::ListView1), false);
    SetWindowTextW(control(Control::Label2), Widen(kHelpText).c_str());
    SetWindowTextW(control(Control::Label4), L"");
    SetFocus(control(Control::Text1));
}

void FormTovi::Label5_Click() {
    if (hooks_.openLink && !hooks_.forumThread.empty()) hooks_.openLink(hooks_.forumThread);
}

void FormTovi::Link_Lbl_Click(int index) {
    if (hooks_.openLink && index >= 0 && static_cast<size_t>(index) < linkTable_.size()) {
        hooks_.openLink(linkTable_[static_cast<size_t>(index)]);
    }
}

}  // namespace app
