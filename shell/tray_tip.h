// The notification-area icon's tip lives in a fixed, NUL-terminated field of
// the notification record; longer text has to be cut to fit.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace shell {

// The longest prefix of `tip` that fits a field of `fieldUnits` UTF-16 units
// with its terminating NUL. A surrogate pair is never split: the shell would
// show a broken last character.
std::u16string FitTrayTip(std::u16string_view tip, std::size_t fieldUnits);

}  // namespace shell
