#include "shell/tray_tip.h"

namespace shell {

std::u16string FitTrayTip(std::u16string_view tip, std::size_t fieldUnits) {
    if (fieldUnits == 0) return {};
    std::size_t keep = tip.size() < fieldUnits - 1 ? tip.size() : fieldUnits - 1;
    if (keep < tip.size() && keep > 0) {
        const char16_t last = tip[keep - 1];
        if (last >= 0xD800 && last <= 0xDBFF) --keep;  // high surrogate whose pair was cut off
    }
    return std::u16string(tip.substr(0, keep));
}

}  // namespace shell
