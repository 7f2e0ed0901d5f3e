// What the skinning engine decides without a window: the kind of a window from
// its class name, the fade's alpha steps and the geometry of the frames and
// progress bars it draws. The Win32 side (skinner.h) applies these.
#pragma once
#include <string_view>

namespace skin {

// The kind of a skinned window, derived from its class name compared without
// regard to letter case. A class name never changes, so the kind never does.
enum class SkinKind {
    Other,         // everything unrecognised: only the frame rule applies
    Form,          // dialogs and forms: children are skinned first
    PushButton,    // every "button": four state surfaces, the fade
    ComboBox,
    DriveList,
    CheckBox,
    OptionButton,
    ProgressBar,
    Header,
    DataList,
    ComboList,     // the drop-down list of a combo box
    Grid,          // "apexgrid*"
};

SkinKind ClassifySkinClass(std::string_view className);

// The push-button fade: each timer tick blends the target face with the
// current alpha and then advances it by this much; past 255 the fade ends.
inline constexpr int kFadeStep = 3;
inline constexpr int kFadeFromMove = 0;      // after a move in, a key release, a focus change
inline constexpr int kFadeFromRelease = 60;  // after a mouse release
inline constexpr int kLeaveBlendAlpha = 140; // the hot face once more as the mouse leaves

struct FadeTick {
    int next;   // alpha of the following tick (0 once the fade has ended)
    bool done;  // the timer is to be stopped
};
constexpr FadeTick AdvanceFade(int alpha) {
    const int next = alpha + kFadeStep;
    return next > 255 ? FadeTick{0, true} : FadeTick{next, false};
}

// Rounds to the nearest integer with halves going to the even neighbour.
int RoundHalfEven(double v);

// A progress position as a fraction of the skinned controls' range 0..30000,
// kept within 0..1 so that a position beyond the range never spills the bar
// over the control's frame.
double ProgressFraction(long position);

// The filled length of a progress bar of the given client extent.
int ProgressFillLength(int extent, double fraction);

// The rings that flatten a sunken client edge of `thickness` pixels on a
// window of w x h: ring d (1..thickness) is the rectangle (d, d, w - 2d, h - 2d),
// so every ring lies fully inside the previous one on all four sides.
struct Ring {
    int x, y, width, height;
};
constexpr Ring EdgeRing(int w, int h, int d) { return Ring{d, d, w - 2 * d, h - 2 * d}; }

}  // namespace skin
