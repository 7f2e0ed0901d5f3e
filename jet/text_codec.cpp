#include "jet/text_codec.h"

#include <cstring>

#include "jet/format.h"

namespace jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Writes UTF-8 through a raw pointer into space reserved beforehand: every
// input byte yields at most two output bytes, so callers reserve 2n + 3.
class Utf8Writer {
public:
    explicit Utf8Writer(char* p) : p_(p) {}
    char* end() const { return p_; }

    void Put(char32_t cp) {
        if (cp < 0x80) {
            *p_++ = static_cast<char>(cp);
        } else if (cp < 0x800) {
            *p_++ = static_cast<char>(0xC0 | (cp >> 6));
            *p_++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *p_++ = static_cast<char>(0xE0 | (cp >> 12));
            *p_++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p_++ = static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            *p_++ = static_cast<char>(0xF0 | (cp >> 18));
            *p_++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *p_++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p_++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    // One UTF-16 code unit; surrogate pairs are joined, lone halves become U+FFFD.
    void PutUnit(char16_t u) {
        if (u < 0x80 && !high_) {
            *p_++ = static_cast<char>(u);
            return;
        }
        if (high_) {
            const char16_t high = high_;
            high_ = 0;
            if (u >= 0xDC00 && u <= 0xDFFF) {
                Put(0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (u - 0xDC00));
                return;
            }
            Put(kReplacement);
        }
        if (u >= 0xD800 && u <= 0xDBFF) high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF) Put(kReplacement);
        else Put(u);
    }

    void Flush() {
        if (high_) Put(kReplacement);
        high_ = 0;
    }

    // True when no surrogate half is waiting for its partner.
    bool Idle() const { return high_ == 0; }
    // Copies bytes that are already UTF-8 (ASCII).
    void Copy(const uint8_t* src, size_t n) {
        std::memcpy(p_, src, n);
        p_ += n;
    }

private:
    char* p_;
    char16_t high_ = 0;
};

// Runs `decode(Utf8Writer&)` into space reserved at the end of `out`.
template <class Decode>
void AppendDecoded(size_t inputSize, std::string& out, Decode&& decode) {
    const size_t old = out.size();
    out.resize(old + 2 * inputSize + 3);
    Utf8Writer w(out.data() + old);
    decode(w);
    w.Flush();
    out.resize(static_cast<size_t>(w.end() - out.data()));
}

void DecodeUcs2(const uint8_t* p, size_t n, Utf8Writer& w) {
    size_t i = 0;
    for (; i + 1 < n; i += 2) w.PutUnit(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    if (i < n) {
        w.Flush();
        w.Put(kReplacement);   // a dangling odd byte
    }
}

}  // namespace

void AppendUcs2Text(std::span<const uint8_t> bytes, std::string& out) {
    AppendDecoded(bytes.size(), out, [&](Utf8Writer& w) { DecodeUcs2(bytes.data(), bytes.size(), w); });
}

void AppendJetText(std::span<const uint8_t> bytes, std::string& out) {
    const size_t n = bytes.size();
    const uint8_t* p = bytes.data();
    if (n < 2 || p[0] != format::kCompressedTextMark[0] || p[1] != format::kCompressedTextMark[1]) {
        AppendUcs2Text(bytes, out);
        return;
    }
    AppendDecoded(n, out, [&](Utf8Writer& w) {
        bool compressed = true;
        size_t i = 2;
        while (i < n) {
            const uint8_t b = p[i];
            if (b == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                if (b < 0x80 && w.Idle()) {
                    // A run of ASCII: copied as it stands.
                    size_t j = i + 1;
                    while (j < n && p[j] != 0 && p[j] < 0x80) ++j;
                    w.Copy(p + i, j - i);
                    i = j;
                    continue;
                }
                w.PutUnit(b);
                ++i;
            } else if (i + 1 < n) {
                w.PutUnit(static_cast<char16_t>(b | p[i + 1] << 8));
                i += 2;
            } else {
                w.Flush();
                w.Put(kReplacement);
                ++i;
            }
        }
    });
}

size_t JetTextUtf8SizeBound(std::span<const uint8_t> bytes) {
    const size_t n = bytes.size();
    const uint8_t* p = bytes.data();
    if (n < 2 || p[0] != format::kCompressedTextMark[0] || p[1] != format::kCompressedTextMark[1]) {
        // Two bytes a character: three of UTF-8 at most (a surrogate pair is
        // four for four), a dangling odd byte three.
        return n / 2 * 3 + (n % 2) * 3;
    }
    // Compressed, up to the first toggle (00): one byte a character, which
    // is two bytes of UTF-8 from U+0080 on. From there on no stored byte
    // yields more than two (a surrogate half left alone is three for two),
    // the room the decoder itself asks for.
    size_t size = 0;
    size_t i = 2;
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
