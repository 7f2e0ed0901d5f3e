#include "app/program/program_hooks_win.h"

#include <memory>

#include "base/win/wide.h"
#include "shell/links.h"
#include "shell/links_win.h"
#include "shell/menu_commands_win.h"
#include "shell/sysmenu_win.h"
#include "shell/tray_win.h"
#include "skin/engine/skinner.h"

namespace app {

// Every start-up and close step of the form, from the modules that own them.
FormHooks ProgramHooks() {
    FormHooks hooks;
    hooks.extendSystemMenu = [](HWND form, HBITMAP aboutPicture) { shell::ExtendSystemMenu(form, aboutPicture); };
    hooks.skinWindow = [](HWND form) { skin::SkinWindow(form); };

    // Reaching mnuTray loads the never-shown MenuTray window; the hooks keep it
    // for as long as the form keeps them, past the icon's deletion.
    auto menuTray = std::make_shared<std::unique_ptr<shell::MenuTray>>();
    hooks.addTrayIcon = [menuTray](HWND form) {
        if (!*menuTray) *menuTray = std::make_unique<shell::MenuTray>();
        shell::AddTrayIcon(form, (*menuTray)->mnuTray());
    };
    hooks.setTrayTip = [](const std::wstring& tip) { shell::SetTrayTip(tip); };
    hooks.checkCommand = [menuTray](HWND form, unsigned command, bool checked) {
        shell::CheckMenuCommand(form, *menuTray ? (*menuTray)->mnuTray() : nullptr, command, checked);
    };
    hooks.deleteTrayIcon = [] { shell::DeleteTrayIcon(); };

    hooks.buildLinkTable = [] {
        std::vector<std::wstring> table;
        for (const std::string& address : shell::BuildLinkTable()) table.push_back(base::win::Widen(address));
        return table;
    };
    hooks.openLink = [](const std::wstring& address) { shell::OpenLink(base::win::Narrow(address)); };
    hooks.forumThread = base::win::Widen(shell::kForumThreadAddress);
    return hooks;
}

}  // namespace app
