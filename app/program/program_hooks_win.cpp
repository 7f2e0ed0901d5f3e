#include "app/program/program_hooks_win.h"

namespace app {

// Each hook stays empty until its module exists: system menu (extendSystemMenu),
// skin (skinWindow), tray (addTrayIcon, setTrayTip, deleteTrayIcon) and site
// links (buildLinkTable, openLink, forumThread).
FormHooks ProgramHooks() {
    FormHooks hooks;
    return hooks;
}

}  // namespace app
