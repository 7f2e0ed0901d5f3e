#include "net/charset.h"

#include <utility>

#include "base/text.h"

namespace net {
namespace {

struct CharsetName {
    std::string_view name;
    unsigned codePage;
};

// The names a text stream accepts for its character set, with their aliases.
constexpr CharsetName kCharsets[] = {
    {"gb2312", 936},        {"gbk", 936},           {"x-gbk", 936},         {"cp936", 936},
    {"gb18030", 54936},  {"big5", 950},          {"cp950", 950},
    {"shift_jis", 932},     {"shift-jis", 932},     {"sjis", 932},          {"x-sjis", 932},
    {"euc-jp", 51932}, {"ks_c_5601-1987", 949}, {"euc-kr", 949},
    {"korean", 949},        {"utf-8", 65001},       {"utf8", 65001},        {"unicode-1-1-utf-8", 65001},
    {"unicode", 1200},      {"utf-16", 1200},       {"utf-16le", 1200},
    {"unicodefffe", 1201},  {"utf-16be", 1201},     {"us-ascii", 20127},    {"ascii", 20127},
    {"iso-8859-1", 28591},  {"latin1", 28591},      {"iso-8859-2", 28592},  {"iso-8859-5", 28595},
    {"iso-8859-15", 28605}, {"koi8-r", 20866},      {"koi8-u", 21866},      {"windows-874", 874},
    {"windows-1250", 1250}, {"windows-1251", 1251}, {"windows-1252", 1252}, {"windows-1253", 1253},
    {"windows-1254", 1254}, {"windows-1255", 1255}, {"windows-1256", 1256}, {"windows-1257", 1257},
};

bool Between(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// Lead bytes of the double-byte code pages; every other byte stands alone.
bool IsLeadByte(unsigned codePage, unsigned char b) {
    switch (codePage) {
    case 932: return Between(b, 0x81, 0x9F) || Between(b, 0xE0, 0xFC);
    case 936: case 949: case 950: case 54936: return Between(b, 0x81, 0xFE);
    case 51932: return b == 0x8E || b == 0x8F || Between(b, 0xA1, 0xFE);
    default: return false;
    }
}

size_t Utf8IncompleteTail(std::string_view bytes) {
    // Look back over at most three continuation bytes for the lead byte.
    const size_t n = bytes.size();
    for (size_t back = 1; back <= 4 && back <= n; ++back) {
        const auto b = static_cast<unsigned char>(bytes[n - back]);
        if ((b & 0xC0) == 0x80) continue;   // continuation byte
        size_t need = 1;
        if ((b & 0xE0) == 0xC0) need = 2;
        else if ((b & 0xF0) == 0xE0) need = 3;
        else if ((b & 0xF8) == 0xF0) need = 4;
        return need > back ? back : 0;
    }
    return 0;   // only stray continuation bytes: nothing to wait for
}

size_t Utf16IncompleteTail(bool bigEndian, std::string_view bytes) {
    const size_t odd = bytes.size() % 2;
    if (bytes.size() < 2 + odd) return odd;
    const size_t at = bytes.size() - odd - 2;   // the last whole code unit
    const auto hi = static_cast<unsigned char>(bytes[bigEndian ? at : at + 1]);
    const bool highSurrogate = hi >= 0xD8 && hi <= 0xDB;
    return odd + (highSurrogate ? 2 : 0);
}

size_t DbcsIncompleteTail(unsigned codePage, std::string_view bytes) {
    // A trail byte can look like a lead byte, so walk from the chunk's start,
    // which is always a character boundary.
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (!IsLeadByte(codePage, b)) { ++i; continue; }
        size_t width = (codePage == 51932 && b == 0x8F) ? 3 : 2;
        // GB18030 four-byte form: lead, digit, lead, digit.
        if (codePage == 54936 && i + 1 < bytes.size() && Between(static_cast<unsigned char>(bytes[i + 1]), 0x30, 0x39))
            width = 4;
        if (i + width > bytes.size()) return bytes.size() - i;
        i += width;
    }
    return 0;
}

}  // namespace

std::optional<unsigned> CodePageForCharset(std::string_view charset) {
    const std::string lower = base::AsciiLower(charset);
    for (const CharsetName& c : kCharsets) {
        if (c.name == lower) return c.codePage;
    }
    return std::nullopt;
}

size_t IncompleteTail(unsigned codePage, std::string_view bytes) {
    switch (codePage) {
    case 65001: return Utf8IncompleteTail(bytes);
    case 1200: case 1201: return Utf16IncompleteTail(codePage == 1201, bytes);
    case 932: case 936: case 949: case 950: case 51932: case 54936: return DbcsIncompleteTail(codePage, bytes);
    default: return 0;
    }
}

std::string ChunkCarry::Feed(std::string_view chunk) {
    std::string whole = std::exchange(pending_, {});
    whole.append(chunk);
    const size_t tail = IncompleteTail(codePage_, whole);
    pending_.assign(whole, whole.size() - tail, tail);
    whole.resize(whole.size() - tail);
    return whole;
}

std::string ChunkCarry::Finish() { return std::exchange(pending_, {}); }

}  // namespace net
