// The portal addresses behind the six link areas of the main window. The table
// of the five link labels is built once at start-up from one text.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Index i belongs to Link_Lbl(i): home, news, the game's section, the forum and
// the game's download page.
using LinkTable = std::vector<std::string>;
inline constexpr int kLinkCount = 5;

// The forum thread behind Label5 ("提交我的建议>>").
inline constexpr std::string_view kForumThreadAddress = "http://bbs.tovi.com/thread-3761360-1-1.html";

// The one text the table is split from: every entry but the last followed by
// "|". A "|" after the last entry would give the table an empty sixth entry.
std::string LinkText();

// Trims blanks from both ends and splits at every "|", keeping empty pieces.
std::vector<std::string> SplitLinkText(std::string_view text);

// SplitLinkText(LinkText()): exactly kLinkCount addresses.
LinkTable BuildLinkTable();

}  // namespace shell
