#include "jet/text_codec.h"

#include "jet/format.h"

namespace jet {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

inline void PutUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        const char b[2] = {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 2);
    } else if (cp < 0x10000) {
        const char b[3] = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                           static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 3);
    } else {
        const char b[4] = {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                           static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        out.append(b, 4);
    }
}

// Turns a stream of UTF-16 code units into UTF-8, pairing surrogates across calls.
class Utf16Sink {
public:
    explicit Utf16Sink(std::string& out) : out_(out) {}
    ~Utf16Sink() { Flush(); }
    void Put(char16_t u) {
        if (u < 0x80 && !high_) {
            out_.push_back(static_cast<char>(u));
            return;
        }
        if (high_) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                PutUtf8(out_, 0x10000 + ((static_cast<char32_t>(high_) - 0xD800) << 10) + (u - 0xDC00));
                high_ = 0;
                return;
            }
            PutUtf8(out_, kReplacement);
            high_ = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF) high_ = u;
        else if (u >= 0xDC00 && u <= 0xDFFF) PutUtf8(out_, kReplacement);
        else PutUtf8(out_, u);
    }
    void Flush() {
        if (high_) PutUtf8(out_, kReplacement);
        high_ = 0;
    }

private:
    std::string& out_;
    char16_t high_ = 0;
};

void AppendUcs2(const uint8_t* p, size_t n, std::string& out) {
    Utf16Sink sink(out);
    size_t i = 0;
    for (; i + 1 < n; i += 2) {
        sink.Put(static_cast<char16_t>(p[i] | p[i + 1] << 8));
    }
    sink.Flush();
    if (i < n) PutUtf8(out, kReplacement);
}

}  // namespace

void AppendUcs2Text(std::span<const uint8_t> bytes, std::string& out) {
    AppendUcs2(bytes.data(), bytes.size(), out);
}

void AppendJetText(std::span<const uint8_t> bytes, std::string& out) {
    const size_t n = bytes.size();
    const uint8_t* p = bytes.data();
    if (n < 2 || p[0] != format::kCompressedTextMark[0] || p[1] != format::kCompressedTextMark[1]) {
        AppendUcs2(p, n, out);
        return;
    }
    Utf16Sink sink(out);
    bool compressed = true;
    size_t i = 2;
    while (i < n) {
        const uint8_t b = p[i];
        if (b == 0) {
            compressed = !compressed;
            ++i;
        } else if (compressed) {
            sink.Put(b);
            ++i;
        } else if (i + 1 < n) {
            sink.Put(static_cast<char16_t>(b | p[i + 1] << 8));
            i += 2;
        } else {
            sink.Flush();
            PutUtf8(out, kReplacement);
            ++i;
        }
    }
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
