// Which characters of a question a keyword matched, for drawing them in the
// list: the pieces the exact rule finds, or else the runs every word of the
// keyword matches, or else (a similar question) the characters it shares
// pairs of neighbours with.
#pragma once
#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace search {

// [begin, end) byte offsets into `question` (UTF-8, as stored), in order, not
// overlapping and not touching; each begins and ends on a character boundary.
using ByteSpan = std::pair<size_t, size_t>;
std::vector<ByteSpan> MatchedSpans(std::string_view question, std::string_view keyword);

}  // namespace search
