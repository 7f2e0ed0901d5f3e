#include "tools/bank/pinyin.h"

#include "base/text.h"

namespace bankcli {

std::string PinyinInitials(std::string_view text) {
    std::string out;
    const std::u16string wide = base::Utf8ToUtf16(text);
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        if (c >= 0xFF10 && c <= 0xFF5A) c = c - 0xFF10 + 0x30;   // full-width digits and letters
        if (c >= 'A' && c <= 'Z') c += 0x20;
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            out += static_cast<char>(c);
        } else if (const char initial = HanInitial(c)) {
            out += initial;
        }
    }
    return out;
}

}  // namespace bankcli
