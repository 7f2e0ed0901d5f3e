#include "shell/links_win.h"

#include <shellapi.h>

#include <string>
#include <utility>

#include "base/text.h"

namespace shell {
namespace {

ShellExecuteFn g_shellExecute = ShellExecuteW;

}  // namespace

void OpenLink(std::string_view address) {
    const std::u16string utf16 = base::Utf8ToUtf16(address);
    const std::wstring file(utf16.begin(), utf16.end());
    g_shellExecute(nullptr, L"open", file.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void OpenSiteLink(const LinkTable& table, int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return;
    OpenLink(table[static_cast<std::size_t>(index)]);
}

void OpenForumThread() { OpenLink(kForumThreadAddress); }

ShellExecuteFn SetShellExecute(ShellExecuteFn fn) { return std::exchange(g_shellExecute, fn); }

}  // namespace shell
