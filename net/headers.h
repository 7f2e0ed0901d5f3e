// Reading the response headers that a transfer stores, and the cookie text
// that the class hands back. The stored headers are the raw header block in
// which every line (the status line first) ends with a NUL character.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

// The value of header `name` in a raw header block: the name must stand as a
// whole header name at the start of a line and is matched without regard to
// letter case; blanks after the colon are skipped. Lines may end in NUL or in
// CR LF. Nothing when no such header is present.
std::optional<std::string> FindHeaderValue(std::string_view rawHeaders, std::string_view name);

// GetHeader's answer for a stored header block: the value of one of the five
// well-known headers (Content-Length, Content-Type, Date, Last-Modified,
// Server, named in any letter case), the whole block for an empty name, and
// "0" for a header that is missing, for any other name and for an empty block.
std::string HeaderQuery(std::string_view rawHeaders, std::string_view hdrName);

// The size a GetHeader("Content-Length") answer states. "0" (no such header)
// gives 0; text that is not a whole number from 0 up gives 1, the fallback the
// class has always used for a size it cannot read.
int64_t ReportedSize(std::string_view contentLength);

// The cookie text as GetCookie returns it: NUL, LF and CR removed, then padded
// with blanks to 256 characters when it is shorter than that.
std::string CookieField(std::string_view cookieData);

}  // namespace net
