// The form taking the question as it comes: a question copied in another
// program is searched for at once, a global hotkey brings the window up and
// sends it away, the window can stay above the others, and these choices and
// the window's place last from one run to the next.
#include "app/form_tovi_win.h"

#include "base/win/wide.h"
#include "settings/hotkey.h"
#include "settings/window_position.h"
#include "shell/clipboard_text.h"
#include "shell/menu_commands.h"

#include <vector>

namespace app {

using base::win::Widen;

namespace {

constexpr int kHotkeyId = 1;
constexpr UINT kModNoRepeat = 0x4000;   // MOD_NOREPEAT: holding the keys down counts once

settings::Box BoxOf(const RECT& r) { return settings::Box{r.left, r.top, r.right, r.bottom}; }

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM boxes) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) reinterpret_cast<std::vector<settings::Box>*>(boxes)->push_back(BoxOf(info.rcMonitor));
    return TRUE;
}

// The clipboard's Unicode text, or nothing when it has none or cannot be
// opened. The length comes from the memory block, never from a terminator
// that a careless program may have left out.
std::optional<std::wstring> ClipboardText(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(owner)) return std::nullopt;
    std::optional<std::wstring> text;
    if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const size_t units = GlobalSize(data) / sizeof(wchar_t);
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            size_t n = 0;
            while (n < units && p[n] != L'\0') ++n;
            text = std::wstring(p, n);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::wstring TextOf(HWND w) {
    const int len = GetWindowTextLengthW(w);
    if (len <= 0) return {};
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), len + 1)));
    return text;
}

}  // namespace

// At its saved place when that is still on some monitor, else centred on the
// main one; where the system puts it when no place was ever saved.
void FormTovi::placeWindow() {
    const std::optional<settings::Point> saved = settings_.values().windowPosition;
    if (!saved) return;
    std::vector<settings::Box> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    RECT frame{};
    GetWindowRect(hwnd_, &frame);
    const int caption = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME);
    const settings::Point at = settings::OpeningPosition(saved, frame.right - frame.left, frame.bottom - frame.top,
                                                         caption, monitors, BoxOf(primary.rcWork));
    SetWindowPos(hwnd_, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormTovi::applyLastingSettings() {
    const settings::Settings& s = settings_.values();
    setTopMost(s.topMost);
    setWatchClipboard(s.watchClipboard);
    if (s.hotkey) {
        const auto modifiers = static_cast<UINT>(s.hotkey->modifiers);
        hotkeyRegistered_ = RegisterHotKey(hwnd_, kHotkeyId, modifiers | kModNoRepeat, s.hotkey->key) ||
                            RegisterHotKey(hwnd_, kHotkeyId, modifiers, s.hotkey->key);
        if (!hotkeyRegistered_ && hooks_.setTrayTip) {
            hooks_.setTrayTip(Widen(kTrayTip) + L"（热键" + Widen(settings::HotkeyName(*s.hotkey)) + L"已被其他程序占用）");
        }
    }
}

// The place the window had before it was minimised, so that closing it from
// the tray does not save the minimised window's parking place.
void FormTovi::endCapture() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement)) {
        RECT at = placement.rcNormalPosition;   // in work-area coordinates
        if (!IsIconic(hwnd_)) GetWindowRect(hwnd_, &at);
        else {
            RECT work{};
            if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) OffsetRect(&at, work.left, work.top);
        }
        if (!settings_.path().empty()) settings_.SetWindowPosition(settings::Point{at.left, at.top});
    }
    if (listeningToClipboard_) RemoveClipboardFormatListener(hwnd_);
    listeningToClipboard_ = false;
    if (hotkeyRegistered_) UnregisterHotKey(hwnd_, kHotkeyId);
    hotkeyRegistered_ = false;
}

// A change that cannot be saved still holds for this run.
void FormTovi::setTopMost(bool on) {
    if (settings_.values().topMost != on) settings_.SetTopMost(on);
    SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (hooks_.checkCommand) hooks_.checkCommand(hwnd_, shell::IDM_TOPMOST, on);
}

void FormTovi::setWatchClipboard(bool on) {
    if (settings_.values().watchClipboard != on) settings_.SetWatchClipboard(on);
    if (on && !listeningToClipboard_) listeningToClipboard_ = AddClipboardFormatListener(hwnd_) != FALSE;
    if (!on && listeningToClipboard_) {
        RemoveClipboardFormatListener(hwnd_);
        listeningToClipboard_ = false;
    }
    if (hooks_.checkCommand) hooks_.checkCommand(hwnd_, shell::IDM_WATCHCLIPBOARD, on);
}

// A text another program copied is searched for as if typed, and the first
// row it finds is shown. Our own copies, texts that are no question and the
// text already in the box change nothing.
LRESULT FormTovi::onClipboardUpdate() {
    if (!settings_.values().watchClipboard || GetClipboardOwner() == hwnd_) return 0;
    const std::optional<std::wstring> copied = ClipboardText(hwnd_);
    if (!copied || (!ownCopy_.empty() && *copied == ownCopy_)) return 0;
    const std::optional<std::u16string> search =
        shell::SearchTextFromClipboard(std::u16string_view(reinterpret_cast<const char16_t*>(copied->data()), copied->size()));
    if (!search) return 0;
    const std::wstring text(search->begin(), search->end());
    HWND box = control(Control::Text1);
    if (text == TextOf(box)) return 0;
    SetWindowTextW(box, text.c_str());   // runs Text1_Change
    // The search may have shown the database error box, and the tray's close
    // may have ended the window meanwhile.
    if (!hwnd_) return 0;
    ListView1_ItemClick();               // the display shows the selected first row
    bringForwardQuietly();
    return 0;
}

// Out of the minimised state and above the other windows, but the keyboard
// stays with the program the player is in.
void FormTovi::bringForwardQuietly() {
    if (IsIconic(hwnd_)) {
        restoringQuietly_ = true;
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
        restoringQuietly_ = false;
    }
    constexpr UINT kKeepAll = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (settings_.values().topMost) {
        SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, kKeepAll);
    } else {
        // A window that is not in front cannot just be raised above the
        // foreground window; passing through the topmost band lifts it.
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, kKeepAll);
        SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, kKeepAll);
    }
}

// In front with the box's text selected, ready to be typed over; pressed
// while the window is active it minimises the window as its button does.
LRESULT FormTovi::onHotkey() {
    if (GetForegroundWindow() == hwnd_ && !IsIconic(hwnd_)) {
        SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return 0;
    }
    if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
    SetForegroundWindow(hwnd_);
    HWND box = control(Control::Text1);
    SetFocus(box);
    SendMessageW(box, EM_SETSEL, 0, -1);
    return 0;
}

}  // namespace app
