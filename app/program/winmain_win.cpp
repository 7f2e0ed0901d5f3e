// ToviArdo.exe: loads the main window and runs its message loop until it closes.
#include "app/bank_update_win.h"
#include "app/form_tovi_win.h"
#include "app/program/program_hooks_win.h"

#include <windows.h>

#include <utility>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    app::FormOptions options;
    options.settingsPath = settings::DefaultSettingsPath();
    options.searchIndexPath = app::PerUserSearchIndexPath();
    auto form = app::FormTovi::Create(instance, app::ProgramHooks(), std::move(options));
    if (!form) return 1;
    ShowWindow(form->hwnd(), show);
    UpdateWindow(form->hwnd());
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
