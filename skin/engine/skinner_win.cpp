// The skin registry: SkinWindow, AttachSkin, DetachSkin and the process-wide
// engine state. Per-window state lives only in the properties of skin_props_win.h.
#include "skin/engine/skinner.h"

#include "skin/paint/paint.h"
#include "skin/engine/skin_props_win.h"

namespace skin {

namespace {

SkinGlobalState g_skin;
SkinImages g_images;   // built with the first skinned window, released with the last

// Window corners of a skinned push button are rounded by this much.
constexpr int kButtonCorner = 3;

// Creates the four state surfaces of a push button, each as large as the window.
void CreateStateSurfaces(HWND hWnd, HDC windowDc, int w, int h) {
    for (int s = 0; s < 4; ++s) {
        HDC surface = CreateCompatibleDC(windowDc);
        HBITMAP bitmap = CreateCompatibleBitmap(windowDc, w, h);
        // A fresh DC holds the stock 1x1 bitmap; deleting a stock object is a no-op.
        if (surface) DeleteObject(SelectObject(surface, bitmap));
        SetSkinProp(hWnd, kPropSurface[s], reinterpret_cast<INT_PTR>(surface));
        SetSkinProp(hWnd, kPropBitmap[s], reinterpret_cast<INT_PTR>(bitmap));
    }
}

void ReleaseStateSurfaces(HWND hWnd) {
    for (int s = 0; s < 4; ++s) {
        // The DC goes first: a bitmap still selected into a DC cannot be deleted.
        if (HDC surface = reinterpret_cast<HDC>(GetSkinProp(hWnd, kPropSurface[s]))) DeleteDC(surface);
        if (HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(GetSkinProp(hWnd, kPropBitmap[s]))) DeleteObject(bitmap);
        RemoveSkinProp(hWnd, kPropSurface[s]);
        RemoveSkinProp(hWnd, kPropBitmap[s]);
    }
}

void SetRoundRegion(HWND hWnd, int w, int h) {
    // The window owns the region once SetWindowRgn succeeds.
    HRGN region = CreateRoundRectRgn(0, 0, w + 1, h + 1, kButtonCorner, kButtonCorner);
    if (region && !SetWindowRgn(hWnd, region, TRUE)) DeleteObject(region);
}

void AttachPushButton(HWND hWnd) {
    const int w = WindowWidth(hWnd);
    const int h = WindowHeight(hWnd);
    HDC windowDc = GetWindowDC(hWnd);
    CreateStateSurfaces(hWnd, windowDc, w, h);
    RenderButtonStates(SkinImagesInUse(), hWnd);
    ReleaseDC(hWnd, windowDc);

    const LONG style = GetWindowLongW(hWnd, GWL_STYLE);
    // Only plain and default push buttons are drawn by the skin; check boxes,
    // radio buttons and group boxes of class "button" keep their own painting.
    const LONG type = style & BS_TYPEMASK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) SendMessageW(hWnd, BM_SETSTYLE, BS_OWNERDRAW, TRUE);
    SetSkinProp(hWnd, kPropOldStyle, style);
    SetSkinProp(hWnd, kPropMouseFlag, 0);
    SetSkinProp(hWnd, kPropTimerId, 0);
    SetSkinProp(hWnd, kPropOldState, IsWindowEnabled(hWnd) ? 0 : 3);
    SetSkinProp(hWnd, kPropAlphaLevel, 0);
    SetRoundRegion(hWnd, w, h);
}

void DetachPushButton(HWND hWnd) {
    ReleaseStateSurfaces(hWnd);
    StopFadeTimer(hWnd);
    // Only the button type goes back to what it was: the rest of the style
    // (enabled, visible, ...) may have changed since the attach and stays.
    const LONG oldStyle = static_cast<LONG>(GetSkinProp(hWnd, kPropOldStyle));
    const LONG current = GetWindowLongW(hWnd, GWL_STYLE);
    SetWindowLongW(hWnd, GWL_STYLE, (current & ~LONG{BS_TYPEMASK}) | (oldStyle & LONG{BS_TYPEMASK}));
    for (const wchar_t* name : {kPropOldStyle, kPropMouseFlag, kPropTimerId, kPropOldState, kPropAlphaLevel}) {
        RemoveSkinProp(hWnd, name);
    }
    SetWindowRgn(hWnd, nullptr, TRUE);
}

void RepaintWhole(HWND hWnd) {
    SendMessageW(hWnd, WM_NCPAINT, 1, 0);
    RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_INTERNALPAINT);
}

}  // namespace

const SkinGlobalState& SkinGlobals() { return g_skin; }
const SkinImages& SkinImagesInUse() { return g_images; }

int WindowWidth(HWND hWnd) {
    WindowBox box;
    GetWindowBox(hWnd, box);
    return box.width;
}

int WindowHeight(HWND hWnd) {
    WindowBox box;
    GetWindowBox(hWnd, box);
    return box.height;
}

std::wstring GetClassNameString(HWND hWnd) {
    wchar_t buffer[256] = {};
    const int n = GetClassNameW(hWnd, buffer, 255);
    if (n <= 0) return {};
    return std::wstring(buffer, static_cast<size_t>(n));
}

SkinKind KindOfWindow(HWND hWnd) {
    // Every recognised name is ASCII; any other character stands in as '?',
    // which matches no name (only the tail of the grid wildcard).
    const std::wstring name = GetClassNameString(hWnd);
    std::string ascii(name.size(), '?');
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] < 0x80) ascii[i] = static_cast<char>(name[i]);
    }
    return ClassifySkinClass(ascii);
}

bool ProbeExport(const char* functionName, const wchar_t* libraryName) {
    HMODULE module = GetModuleHandleW(libraryName);
    bool loadedHere = false;
    if (!module) {
        module = LoadLibraryW(libraryName);
        loadedHere = module != nullptr;
    }
    if (!module) return false;
    const bool found = GetProcAddress(module, functionName) != nullptr;
    if (loadedHere) FreeLibrary(module);
    return found;
}

int SkinWindow(HWND hWnd) {
    if (!g_skin.imagesReady) {
        g_skin.imagesReady = true;
        g_skin.hasUserTrackMouseEvent = ProbeExport("TrackMouseEvent", L"User32");
        g_images = BuildSkinImages();
    }
    return AttachSkin(hWnd);
}

int AttachSkin(HWND hWnd) {
    if (!hWnd || base::win::IsSubclassed(hWnd, kSkinSubclass)) return 0;
    // A window of another thread (or process) is never ours to subclass: its
    // procedure cannot be replaced from here, and changing its button styles
    // would break another program's dialog.
    if (GetWindowThreadProcessId(hWnd, nullptr) != GetCurrentThreadId()) return 0;

    switch (KindOfWindow(hWnd)) {
    case SkinKind::Form:
        // Covers the whole subtree: every descendant is attached before the form.
        EnumChildWindows(hWnd, SkinChildCallback, 0);
        break;
    case SkinKind::PushButton:
        AttachPushButton(hWnd);
        break;
    case SkinKind::ComboBox:
    case SkinKind::DriveList:
    case SkinKind::CheckBox:
    case SkinKind::OptionButton:
        SetSkinProp(hWnd, kPropMouseFlag, 0);
        SetSkinProp(hWnd, kPropOldState, 0);
        break;
    case SkinKind::Header:
        SetSkinProp(hWnd, kPropMouseFlag, 0);
        SetSkinProp(hWnd, kPropHdIndex, -1);
        SetSkinProp(hWnd, kPropHmIndex, -1);
        break;
    default:
        break;
    }

    if (!base::win::AttachSubclass(hWnd, kSkinSubclass)) return 0;
    ++g_skin.skinnedCount;
    RepaintWhole(hWnd);
    return 1;
}

int DetachSkin(HWND hWnd) {
    if (!hWnd || !base::win::IsSubclassed(hWnd, kSkinSubclass)) return 0;

    switch (KindOfWindow(hWnd)) {
    case SkinKind::Form:
        EnumChildWindows(hWnd, UnskinChildCallback, 0);
        break;
    case SkinKind::PushButton:
        DetachPushButton(hWnd);
        break;
    case SkinKind::ComboBox:
    case SkinKind::DriveList:
    case SkinKind::CheckBox:
    case SkinKind::OptionButton:
        RemoveSkinProp(hWnd, kPropMouseFlag);
        RemoveSkinProp(hWnd, kPropOldState);
        break;
    case SkinKind::Header:
        RemoveSkinProp(hWnd, kPropMouseFlag);
        RemoveSkinProp(hWnd, kPropHdIndex);
        RemoveSkinProp(hWnd, kPropHmIndex);
        break;
    default:
        break;
    }

    // The procedure goes back only while the skin is in front; behind a later
    // subclass SkinWndProc stays and passes everything on.
    base::win::DetachSubclass(hWnd, kSkinSubclass);
    RepaintWhole(hWnd);

    if (--g_skin.skinnedCount <= 0) {
        // The images live as long as at least one skinned window does; the next
        // SkinWindow probes and builds everything again.
        g_skin.skinnedCount = 0;
        g_images.Release();   // DeleteDC of each, in the order they were built
        g_skin.imagesReady = false;
    }
    return 1;
}

BOOL CALLBACK SkinChildCallback(HWND hWnd, LPARAM) {
    AttachSkin(hWnd);
    return TRUE;
}

BOOL CALLBACK UnskinChildCallback(HWND hWnd, LPARAM) {
    DetachSkin(hWnd);
    return TRUE;
}

}  // namespace skin
