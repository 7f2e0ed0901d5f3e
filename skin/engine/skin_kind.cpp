#include "skin/engine/skin_kind.h"

#include <cmath>
#include <string>

#include "base/text.h"

namespace skin {

namespace {

struct NamedKind {
    std::string_view name;  // lower-cased class name
    SkinKind kind;
};

constexpr NamedKind kClassTable[] = {
    {"#32770", SkinKind::Form},
    {"thunderformdc", SkinKind::Form},
    {"thunderrt6formdc", SkinKind::Form},
    {"form", SkinKind::Form},
    {"thundercommandbutton", SkinKind::PushButton},
    {"thunderrt6commandbutton", SkinKind::PushButton},
    {"button", SkinKind::PushButton},
    {"thundercombobox", SkinKind::ComboBox},
    {"thunderrt6combobox", SkinKind::ComboBox},
    {"combo", SkinKind::ComboBox},
    {"combobox", SkinKind::ComboBox},
    {"thunderdrivelistbox", SkinKind::DriveList},
    {"thunderrt6drivelistbox", SkinKind::DriveList},
    {"thundercheckbox", SkinKind::CheckBox},
    {"thunderrt6checkbox", SkinKind::CheckBox},
    {"thunderoptionbutton", SkinKind::OptionButton},
    {"thunderrt6optionbutton", SkinKind::OptionButton},
    {"progressbar20wndclass", SkinKind::ProgressBar},
    {"progressbarwndclass", SkinKind::ProgressBar},
    {"msvb_lib_header", SkinKind::Header},
    {"sysheader32", SkinKind::Header},
    {"datalistwndclass", SkinKind::DataList},
    {"dblistwndclass", SkinKind::DataList},
    {"combolbox", SkinKind::ComboList},
};

constexpr std::string_view kGridPrefix = "apexgrid";

}  // namespace

SkinKind ClassifySkinClass(std::string_view className) {
    const std::string lower = base::AsciiLower(className);
    for (const NamedKind& entry : kClassTable) {
        if (lower == entry.name) return entry.kind;
    }
    if (lower.starts_with(kGridPrefix)) return SkinKind::Grid;
    return SkinKind::Other;
}

int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));  // default rounding mode: to nearest, ties to even
}

double ProgressFraction(long position) {
    const double f = static_cast<double>(position) / 30000.0;
    if (f < 0.0) return 0.0;
    if (f > 1.0) return 1.0;
    return f;
}

int ProgressFillLength(int extent, double fraction) {
    return RoundHalfEven(static_cast<double>(extent) * fraction);
}

}  // namespace skin
