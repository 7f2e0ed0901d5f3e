#include "skin/engine/skin_routing.h"

#include <initializer_list>

namespace skin {

namespace {

using K = SkinKind;

constexpr bool IsOneOf(K kind, std::initializer_list<K> kinds) {
    for (K k : kinds) {
        if (k == kind) return true;
    }
    return false;
}

// Kinds whose mouse handlers paint (and track the mouse leaving).
constexpr bool TracksMouse(K kind) {
    return IsOneOf(kind, {K::PushButton, K::ComboBox, K::DriveList, K::CheckBox, K::OptionButton, K::Header});
}

}  // namespace

Route RouteOf(unsigned message, SkinKind kind) {
    const auto handledBy = [kind](std::initializer_list<K> kinds) {
        return IsOneOf(kind, kinds) ? Route::KindHandler : Route::PassOn;
    };
    switch (message) {
    case msg::kDestroy: return Route::Destroy;
    case msg::kActivate: return Route::Activate;
    case msg::kEnterIdle:
    case msg::kCtlColorListBox: return Route::AttachLParam;
    case msg::kNcPaint:
        if (kind == K::ProgressBar) return Route::KindHandler;
        if (kind == K::DataList) return Route::PassOn;
        return Route::FrameRule;
    case msg::kPaint: return (kind == K::Form || kind == K::Other) ? Route::PassOn : Route::KindHandler;
    case msg::kSize: return handledBy({K::PushButton});
    case msg::kMouseMove:
    case msg::kMouseLeave:
    case msg::kLButtonDown:
    case msg::kLButtonUp: return TracksMouse(kind) ? Route::KindHandler : Route::PassOn;
    case msg::kLButtonDblClk: return handledBy({K::PushButton, K::Header});
    case msg::kKeyDown:
    case msg::kKeyUp: return handledBy({K::PushButton, K::CheckBox, K::OptionButton});
    case msg::kTimer:
    case msg::kEnable: return handledBy({K::PushButton});
    case msg::kSetFocus:
    case msg::kKillFocus: return handledBy({K::PushButton, K::OptionButton});
    case msg::kWindowPosChanging: return handledBy({K::ComboBox, K::DriveList});
    default: return Route::PassOn;
    }
}

}  // namespace skin
