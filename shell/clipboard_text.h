// What a text copied by another program becomes before it is searched for: a
// question copied from a game's window often spans lines and carries blanks.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace shell {

// Longer texts are not questions (a page, a log): they are left alone.
inline constexpr std::size_t kMaxWatchedCharacters = 1000;

// The text as one line: every line trimmed of blanks (spaces, tabs, the
// ideographic space U+3000, NUL), empty lines dropped, and the rest joined;
// a single space goes between two lines only where both sides are ASCII
// letters or digits, so that wrapped Chinese text joins up again while two
// Latin words stay apart. nullopt when nothing is left or when the joined text
// is over kMaxWatchedCharacters characters (a surrogate pair counts as one).
std::optional<std::u16string> SearchTextFromClipboard(std::u16string_view text);

}  // namespace shell
