#include "jet/sql_text.h"

#include <cstring>

#include "jet/text_codec.h"

namespace jet {

namespace {

// Simple case folding of the letters Jet's text comparison treats alike.
char32_t FoldCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 0x20 : c;
    if (c >= 0xFF01 && c <= 0xFF5E) {   // full-width ASCII forms
        const char32_t ascii = c - 0xFF01 + 0x21;
        return (ascii >= 'A' && ascii <= 'Z') ? ascii + 0x20 : ascii;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;            // Latin-1 capitals
    if (c >= 0x100 && c <= 0x17F) {                                      // Latin Extended-A
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (c == 0x178) return 0xFF;
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddPairs) return (c & 1) ? c + 1 : c;
        return (c & 1) ? c : c + 1;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;          // Greek capitals
    if (c >= 0x386 && c <= 0x38F) {                                      // Greek capitals with tonos
        switch (c) {
        case 0x386: return 0x3AC;
        case 0x388: return 0x3AD;
        case 0x389: return 0x3AE;
        case 0x38A: return 0x3AF;
        case 0x38C: return 0x3CC;
        case 0x38E: return 0x3CD;
        case 0x38F: return 0x3CE;
        default: return c;
        }
    }
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;                       // Cyrillic capitals
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;                       // Cyrillic Ѐ..Џ
    return c;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

size_t CharLength(std::string_view s, size_t i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len = 1;
    if (b0 >= 0xC2 && b0 <= 0xDF) len = 2;
    else if (b0 >= 0xE0 && b0 <= 0xEF) len = 3;
    else if (b0 >= 0xF0 && b0 <= 0xF4) len = 4;
    if (len == 1 || i + len > s.size()) return 1;
    for (size_t k = 1; k < len; ++k) {
        if (!IsContinuation(static_cast<unsigned char>(s[i + k]))) return 1;
    }
    return len;
}

void AppendFolded(std::string& out, std::string_view s) {
    // Written in place: folding never lengthens a text (a two-byte sequence
    // folds to two bytes, a full-width form to one).
    const size_t start = out.size();
    out.resize(start + s.size());
    char* to = out.data() + start;
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        // Only two-byte sequences (Latin, Greek, Cyrillic) and the full-width
        // block (EF BC xx / EF BD xx) can fold; every other byte is copied,
        // those of other sequences one at a time, since none of them is
        // the first byte of one that folds.
        if (b0 < 0x80) {
            *to++ = (b0 >= 'A' && b0 <= 'Z') ? static_cast<char>(b0 + 0x20) : static_cast<char>(b0);
            ++i;
            continue;
        }
        if ((b0 < 0xC2 || b0 > 0xDF) && b0 != 0xEF) {
            *to++ = static_cast<char>(b0);
            ++i;
            continue;
        }
        const size_t len = CharLength(s, i);
        if (len == 2) {
            to = PutCodePoint(FoldCodePoint((char32_t(b0 & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F)), to);
        } else if (len == 3) {   // EF
            to = PutCodePoint(FoldCodePoint((char32_t(b0 & 0x0F) << 12) | (char32_t(static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) |
                                            (static_cast<unsigned char>(s[i + 2]) & 0x3F)),
                              to);
        } else {
            *to++ = static_cast<char>(b0);
        }
        i += len;
    }
    out.resize(static_cast<size_t>(to - out.data()));
}

std::string Folded(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendFolded(out, utf8);
    return out;
}

LikePattern::LikePattern(std::string_view pattern) {
    // Wildcards are recognised in the pattern as written, before folding, so a
    // full-width percent sign stays a literal character.
    bool anyChar = false;
    size_t runs = 0;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '%') {
            if (tokens_.empty() || tokens_.back().kind != Token::AnyRun) tokens_.push_back({Token::AnyRun, {}});
            ++runs;
            ++i;
        } else if (c == '_') {
            tokens_.push_back({Token::AnyChar, {}});
            anyChar = true;
            ++i;
        } else {
            const size_t len = CharLength(pattern, i);
            tokens_.push_back({Token::Char, Folded(pattern.substr(i, len))});
            i += len;
        }
    }
    if (anyChar) return;
    size_t firstChar = 0, lastChar = tokens_.size();
    const bool leading = !tokens_.empty() && tokens_.front().kind == Token::AnyRun;
    const bool trailing = tokens_.size() > 1 && tokens_.back().kind == Token::AnyRun;
    if (leading) ++firstChar;
    if (trailing) --lastChar;
    for (size_t k = firstChar; k < lastChar; ++k) {
        if (tokens_[k].kind != Token::Char) return;   // a '%' in the middle
        literal_ += tokens_[k].bytes;
    }
    if (runs == 0) shape_ = Shape::Exact;
    else if (leading && (trailing || tokens_.size() == 1)) shape_ = Shape::Contains;
    else if (!leading && trailing) shape_ = Shape::Prefix;
}

bool LikePattern::Matches(std::string_view text) const {
    switch (shape_) {
    case Shape::Exact: return text == literal_;
    case Shape::Contains: return text.find(literal_) != std::string_view::npos;
    case Shape::Prefix: return text.substr(0, literal_.size()) == literal_;
    case Shape::General: break;
    }
    // Wildcard matching with one backtracking point: on a mismatch, the last
    // '%' seen absorbs one more character and matching resumes after it.
    size_t ti = 0, pi = 0;
    size_t starPattern = SIZE_MAX, starText = 0;
    const size_t count = tokens_.size();
    while (ti < text.size()) {
        if (pi < count && tokens_[pi].kind == Token::AnyRun) {
            starPattern = pi++;
            starText = ti;
            continue;
        }
        const size_t len = CharLength(text, ti);
        if (pi < count) {
            const Token& t = tokens_[pi];
            if (t.kind == Token::AnyChar ||
                (t.bytes.size() == len && std::memcmp(t.bytes.data(), text.data() + ti, len) == 0)) {
                ti += len;
                ++pi;
                continue;
            }
        }
        if (starPattern == SIZE_MAX) return false;
        pi = starPattern + 1;
        starText += CharLength(text, starText);
        ti = starText;
    }
    while (pi < count && tokens_[pi].kind == Token::AnyRun) ++pi;
    return pi == count;
}

}  // namespace jet
