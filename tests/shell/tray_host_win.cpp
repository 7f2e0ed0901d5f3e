// Stands in for the main window in process-level tests: a window with the
// About entry and the tray icon installed in start-up order, closed either by
// its close box (which deletes the icon first) or by the tray menu's "关闭".
#include <windows.h>

#include "base/win/handles.h"
#include "shell/sysmenu_win.h"
#include "shell/tray_win.h"

namespace {

LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        shell::DeleteTrayIcon();
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, msg, wParam, lParam);
}

base::win::OwnedBitmap AboutPicture() {
    base::win::WindowDc screen{nullptr};
    base::win::MemoryDc dc{CreateCompatibleDC(screen.get())};
    base::win::OwnedBitmap picture{CreateCompatibleBitmap(screen.get(), 13, 13)};
    base::win::SelectGuard keep{dc.get(), picture.get()};
    const RECT all{0, 0, 13, 13}, inner{2, 2, 11, 11};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    base::win::OwnedBrush blue{CreateSolidBrush(RGB(0x54, 0xA5, 0xD5))};
    FillRect(dc.get(), &inner, blue.get());
    return picture;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(nullptr, IDI_INFORMATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"ToviTrayHost";
    RegisterClassW(&wc);

    const base::win::OwnedBitmap picture = AboutPicture();
    shell::MenuTray menuTray;
    const HWND main = CreateWindowExW(0, wc.lpszClassName, L"ToviArdo答题器", WS_OVERLAPPEDWINDOW, 40, 40, 555,
                                      498, nullptr, nullptr, instance, nullptr);
    shell::ExtendSystemMenu(main, picture.get());
    shell::AddTrayIcon(main, menuTray.mnuTray());
    shell::SetTrayTip(L"Tovi最小化模板");
    ShowWindow(main, SW_SHOWNORMAL);

    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
