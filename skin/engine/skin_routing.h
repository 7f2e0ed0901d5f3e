// Which messages SkinWndProc handles, and for which kinds of window. Every
// message and kind not listed here is passed on unchanged to the procedure
// the skin replaced.
#pragma once
#include "skin/engine/skin_kind.h"

namespace skin {

namespace msg {
// Message numbers, spelled out so that this table builds without Windows headers.
inline constexpr unsigned kDestroy = 0x0002, kSize = 0x0005, kActivate = 0x0006, kSetFocus = 0x0007,
                          kKillFocus = 0x0008, kEnable = 0x000A, kPaint = 0x000F,
                          kWindowPosChanging = 0x0046, kNcPaint = 0x0085, kKeyDown = 0x0100,
                          kKeyUp = 0x0101, kTimer = 0x0113, kEnterIdle = 0x0121,
                          kCtlColorListBox = 0x0134, kMouseMove = 0x0200, kLButtonDown = 0x0201,
                          kLButtonUp = 0x0202, kLButtonDblClk = 0x0203, kMouseLeave = 0x02A3;
}  // namespace msg

enum class Route {
    PassOn,           // the old procedure only
    Destroy,          // release the skin first, then pass on with the procedure read before
    Activate,         // skin the window taking the activation, then pass on
    AttachLParam,     // pass on, then skin the window named by lParam
    FrameRule,        // pass on, then flatten a sunken client edge
    KindHandler,      // the handler of the window's kind
};

Route RouteOf(unsigned message, SkinKind kind);

// After a left-button release on any skinned window, the skinned check boxes
// and option buttons beside it are repainted, so a group shows its new choice.
constexpr bool RepaintsMarksAfter(unsigned message) { return message == msg::kLButtonUp; }

}  // namespace skin
