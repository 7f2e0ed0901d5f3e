#include "jet/text_codec.h"

#include <cstring>

#include "jet/format.h"

namespace jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A high surrogate waiting for its partner is carried as `high` (0 when none);
// in compressed text it carries across mode toggles. Code points and state
// travel by value so that the decoding loops keep them in registers although
// they write chars.
struct Put {
    char* o;
    char16_t high;
};

// One UTF-16 code unit; surrogate pairs are joined, lone halves become U+FFFD.
Put PutUnitSlowly(char16_t u, Put at) {
    if (at.high) {
        const char16_t h = at.high;
        at.high = 0;
        if (u >= 0xDC00 && u <= 0xDFFF) {
            return {PutCodePoint(0x10000 + ((static_cast<char32_t>(h) - 0xD800) << 10) + (u - 0xDC00), at.o), 0};
        }
        at.o = PutCodePoint(kReplacement, at.o);
    }
    if (u >= 0xD800 && u <= 0xDBFF) return {at.o, u};
    return {PutCodePoint(u >= 0xDC00 && u <= 0xDFFF ? kReplacement : u, at.o), 0};
}

// A character of the Basic Multilingual Plane that is not a surrogate half.
inline char* PutBmp(char16_t u, char* o) {
    if (u < 0x80) {
        *o = static_cast<char>(u);
        return o + 1;
    }
    if (u < 0x800) {
        o[0] = static_cast<char>(0xC0 | (u >> 6));
        o[1] = static_cast<char>(0x80 | (u & 0x3F));
        return o + 2;
    }
    o[0] = static_cast<char>(0xE0 | (u >> 12));
    o[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    o[2] = static_cast<char>(0x80 | (u & 0x3F));
    return o + 3;
}

inline bool IsSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDFFF; }
inline char16_t UnitAt(const uint8_t* p) { return static_cast<char16_t>(p[0] | p[1] << 8); }

char* DecodeUcs2(const uint8_t* p, size_t n, char* o) {
    const uint8_t* const pairsEnd = p + (n & ~size_t{1});
    for (; p != pairsEnd; p += 2) {
        const char16_t u = UnitAt(p);
        if (!IsSurrogate(u)) {
            o = PutBmp(u, o);
        } else if (u <= 0xDBFF && pairsEnd - p >= 4 && UnitAt(p + 2) >= 0xDC00 && UnitAt(p + 2) <= 0xDFFF) {
            o = PutCodePoint(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (UnitAt(p + 2) - 0xDC00), o);
            p += 2;
        } else {
            o = PutCodePoint(kReplacement, o);
        }
    }
    if (n % 2) o = PutCodePoint(kReplacement, o);   // a dangling odd byte
    return o;
}

char* DecodeCompressed(const uint8_t* p, size_t n, char* o) {
    Put at{o, 0};
    bool compressed = true;
    size_t i = 2;
    while (i < n) {
        const uint8_t b = p[i];
        if (b == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            if (at.high) {
                at = PutUnitSlowly(b, at);
                ++i;
                continue;
            }
            // A run of one-byte characters, U+0001..U+00FF.
            char* w = at.o;
            for (; i < n && p[i] != 0; ++i) w = PutBmp(p[i], w);
            at.o = w;
        } else if (i + 1 < n) {
            const char16_t u = UnitAt(p + i);
            if (at.high == 0 && !IsSurrogate(u)) at.o = PutBmp(u, at.o);
            else at = PutUnitSlowly(u, at);
            i += 2;
        } else {
            // A waiting half alone, then the dangling odd byte.
            if (at.high) at.o = PutCodePoint(kReplacement, at.o);
            at = {PutCodePoint(kReplacement, at.o), 0};
            ++i;
        }
    }
    if (at.high) at.o = PutCodePoint(kReplacement, at.o);
    return at.o;
}

bool IsCompressed(const uint8_t* p, size_t n) {
    return n >= 2 && p[0] == format::kCompressedTextMark[0] && p[1] == format::kCompressedTextMark[1];
}

// Runs `decode(char* out) -> char* end` into room reserved at the end of `out`.
template <class Decode>
void AppendDecoded(size_t inputSize, std::string& out, Decode&& decode) {
    const size_t old = out.size();
    out.resize(old + JetTextDecodeRoom(inputSize));
    char* const end = decode(out.data() + old);
    out.resize(static_cast<size_t>(end - out.data()));
}

}  // namespace

char* DecodeJetText(std::span<const uint8_t> bytes, char* out) {
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    return IsCompressed(p, n) ? DecodeCompressed(p, n, out) : DecodeUcs2(p, n, out);
}

void AppendUcs2Text(std::span<const uint8_t> bytes, std::string& out) {
    AppendDecoded(bytes.size(), out, [&](char* o) { return DecodeUcs2(bytes.data(), bytes.size(), o); });
}

void AppendJetText(std::span<const uint8_t> bytes, std::string& out) {
    AppendDecoded(bytes.size(), out, [&](char* o) { return DecodeJetText(bytes, o); });
}

size_t JetTextUtf8SizeBound(std::span<const uint8_t> bytes) {
    const size_t n = bytes.size();
    const uint8_t* p = bytes.data();
    if (!IsCompressed(p, n)) {
        // Two bytes a character: three of UTF-8 at most (a surrogate pair is
        // four for four), a dangling odd byte three.
        return n / 2 * 3 + (n % 2) * 3;
    }
    // Compressed, up to the first toggle (00): one byte a character, which
    // is two bytes of UTF-8 from U+0080 on. From there on no stored byte
    // yields more than two (a surrogate half left alone is three for two),
    // the room the decoder itself asks for.
    constexpr uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    size_t size = 0;
    size_t i = 2;
    for (; i + 8 <= n; i += 8) {   // eight bytes at a time up to a word holding a 00
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (((w - kLow) & ~w & kHigh) != 0) break;
        size += 8 + static_cast<size_t>(((w & kHigh) >> 7) * kLow >> 56);   // the bytes from 0x80 up
    }
    for (; i < n && p[i] != 0; ++i) size += 1 + (p[i] >> 7);
    if (i < n) size += (n - i) * 2 + 3;
    return size;
}

std::vector<uint8_t> EncodeJetText(std::u16string_view text, bool allowCompression) {
    std::vector<uint8_t> out;
    bool compressible = allowCompression && !text.empty();
    size_t compressedSize = 2;
    if (compressible) {
        bool narrow = true;
        for (const char16_t u : text) {
            if ((u & 0xFF) == 0) {
                compressible = false;
                break;
            }
            const bool isNarrow = u <= 0xFF;
            if (isNarrow != narrow) {
                ++compressedSize;   // toggle byte
                narrow = isNarrow;
            }
            compressedSize += isNarrow ? 1 : 2;
        }
    }
    if (compressible && compressedSize < 2 * text.size()) {
        out.reserve(compressedSize);
        out.push_back(format::kCompressedTextMark[0]);
        out.push_back(format::kCompressedTextMark[1]);
        bool narrow = true;
        for (const char16_t u : text) {
            const bool isNarrow = u <= 0xFF;
            if (isNarrow != narrow) {
                out.push_back(0);
                narrow = isNarrow;
            }
            out.push_back(static_cast<uint8_t>(u));
            if (!isNarrow) out.push_back(static_cast<uint8_t>(u >> 8));
        }
        return out;
    }
    out.reserve(2 * text.size());
    for (const char16_t u : text) {
        out.push_back(static_cast<uint8_t>(u));
        out.push_back(static_cast<uint8_t>(u >> 8));
    }
    return out;
}

}  // namespace jet
