#include "tools/bank/pinyin.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace bankcli {

namespace {

constexpr size_t kLongestWord = 8;   // characters

// The word of the table that `text` starts with, longest first.
const WordInitials* WordAt(std::string_view text, const std::vector<size_t>& charEnds) {
    for (size_t n = std::min(kLongestWord, charEnds.size()); n >= 2; --n) {
        const std::string_view word = text.substr(0, charEnds[n - 1]);
        const auto* end = kWordInitials + kWordInitialCount;
        const auto* it = std::lower_bound(kWordInitials, end, word,
                                          [](const WordInitials& w, std::string_view x) { return std::string_view(w.word) < x; });
        if (it != end && std::string_view(it->word) == word) return it;
    }
    return nullptr;
}

}  // namespace

char UsualInitial(char32_t c) {
    const auto* end = kUsualInitials + kUsualInitialCount;
    const auto* it = std::lower_bound(kUsualInitials, end, c, [](const CharInitial& u, char32_t x) { return u.code < x; });
    return it != end && it->code == c ? it->initial : HanInitial(c);
}

std::string PinyinInitials(std::string_view text) {
    std::string out;
    const std::u16string wide = base::Utf8ToUtf16(text);
    std::vector<char32_t> chars;
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        chars.push_back(c);
    }
    const std::string utf8 = base::Utf16ToUtf8(wide);
    // Byte offset of each character in utf8, and the end.
    std::vector<size_t> starts;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) starts.push_back(i);
    }
    starts.push_back(utf8.size());
    std::vector<size_t> ends;
    for (size_t k = 0; k < chars.size();) {
        char32_t c = chars[k];
        if (c >= 0xFF10 && c <= 0xFF5A) c = c - 0xFF10 + 0x30;   // full-width digits and letters
        if (c >= 'A' && c <= 'Z') c += 0x20;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out += static_cast<char>(c);
            ++k;
            continue;
        }
        if (HanInitial(c)) {
            ends.clear();
            for (size_t n = 1; n <= kLongestWord && k + n <= chars.size(); ++n) ends.push_back(starts[k + n] - starts[k]);
            if (const WordInitials* w = WordAt(std::string_view(utf8).substr(starts[k]), ends)) {
                out += w->initials;
                k += std::strlen(w->initials);
                continue;
            }
            out += UsualInitial(c);
        }
        ++k;
    }
    return out;
}

}  // namespace bankcli
