// Character sets for decoding a response body, named as a text stream accepts
// them ("gb2312", "utf-8", "big5", ...), and the carry that keeps a character
// whole when its bytes arrive in two chunks.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace net {

// Windows code page for a character-set name (any letter case); nothing for a
// name we do not know.
std::optional<unsigned> CodePageForCharset(std::string_view charset);

// Cuts a stream of chunks at character boundaries. Feed each chunk; the
// result is the bytes up to the last whole character, and the bytes of an
// incomplete character at the end wait for the next chunk. Finish hands back
// whatever is still waiting when the stream ends.
class ChunkCarry {
public:
    explicit ChunkCarry(unsigned codePage) : codePage_(codePage) {}

    std::string Feed(std::string_view chunk);
    std::string Finish();
    size_t Waiting() const { return pending_.size(); }

private:
    unsigned codePage_;
    std::string pending_;
};

// How many bytes at the end of `bytes` belong to a character that is not
// complete yet, for the given code page (0 for single-byte code pages).
size_t IncompleteTail(unsigned codePage, std::string_view bytes);

}  // namespace net
