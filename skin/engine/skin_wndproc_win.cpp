// SkinWndProc: the one procedure in front of every skinned window, and the
// services its handlers share (leave tracking, the fade timer, the repaint of
// check and option boxes after a click).
#include <windows.h>
#include <commctrl.h>

#include "skin/paint/paint.h"
#include "skin/engine/skin_handlers_win.h"
#include "skin/engine/skin_props_win.h"
#include "skin/engine/skin_routing.h"
#include "skin/engine/skinner.h"

namespace skin {

namespace {

constexpr UINT_PTR kFadeTimerId = 1;
constexpr UINT kFadeIntervalMs = 15;

bool IsFormClass(HWND hWnd) { return KindOfWindow(hWnd) == SkinKind::Form; }

// A dialog or message box is skinned the moment it takes the activation from
// a skinned window: owned windows of this one, and every form-class window.
LRESULT OnSkinActivate(const SkinMsg& m) {
    HWND other = reinterpret_cast<HWND>(m.lParam);
    if (other && (GetParent(other) == m.hWnd || IsFormClass(other))) AttachSkin(other);
    return m.PassOn();
}

LRESULT RunKindHandler(const SkinMsg& m, SkinKind kind) {
    switch (kind) {
    case SkinKind::PushButton: return OnPushButton(m);
    case SkinKind::ComboBox:
    case SkinKind::DriveList: return OnComboBox(m, kind);
    case SkinKind::CheckBox:
    case SkinKind::OptionButton: return OnCheckOrOption(m, kind);
    case SkinKind::Header: return OnHeader(m);
    case SkinKind::ProgressBar: return OnProgressBar(m);
    case SkinKind::DataList:
    case SkinKind::ComboList:
    case SkinKind::Grid: return OnListPaint(m, kind);
    default: return m.PassOn();
    }
}

}  // namespace

LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hWnd) return 0;
    // Released but still in the chain behind a later subclass: pass on only.
    if (!base::win::IsSubclassed(hWnd, kSkinSubclass)) {
        return base::win::CallNext(hWnd, kSkinSubclass, message, wParam, lParam);
    }
    const auto old = reinterpret_cast<WNDPROC>(GetSkinProp(hWnd, kPropProcAddr));

    const SkinMsg m{old, hWnd, message, wParam, lParam};
    const SkinKind kind = KindOfWindow(hWnd);
    LRESULT result = 0;
    switch (RouteOf(message, kind)) {
    case Route::Destroy:
        DetachSkin(hWnd);   // releases the skin; the procedure read above still sees WM_DESTROY
        return m.PassOn();
    case Route::Activate:
        return OnSkinActivate(m);
    case Route::AttachLParam:
        result = m.PassOn();
        if (lParam) AttachSkin(reinterpret_cast<HWND>(lParam));
        return result;
    case Route::FrameRule:
        return ApplyFrameRule(m);
    case Route::KindHandler:
        result = RunKindHandler(m, kind);
        break;
    case Route::PassOn:
        result = m.PassOn();
        break;
    }
    if (RepaintsMarksAfter(message)) {
        HWND parent = GetParent(hWnd);
        EnumChildWindows(parent ? parent : hWnd, RepaintMarksCallback, 0);
    }
    return result;
}

void TrackMouseLeave(HWND hWnd) {
    TRACKMOUSEEVENT request{};
    request.cbSize = sizeof request;
    request.dwFlags = TME_LEAVE;
    request.hwndTrack = hWnd;
    request.dwHoverTime = 0;
    if (SkinGlobals().hasUserTrackMouseEvent) {
        TrackMouseEvent(&request);
    } else {
        _TrackMouseEvent(&request);
    }
}

void TrackLeaveOnce(HWND hWnd) {
    if (GetSkinProp(hWnd, kPropMouseFlag) != 0) return;
    SetSkinProp(hWnd, kPropMouseFlag, 1);
    TrackMouseLeave(hWnd);
}

UINT_PTR StartFadeTimer(HWND hWnd) {
    if (GetSkinProp(hWnd, kPropTimerId) != 0) return 0;   // the running timer serves the new fade
    const UINT_PTR id = SetTimer(hWnd, kFadeTimerId, kFadeIntervalMs, nullptr);
    SetSkinProp(hWnd, kPropTimerId, static_cast<INT_PTR>(id));
    return id;
}

BOOL StopFadeTimer(HWND hWnd) {
    const INT_PTR id = GetSkinProp(hWnd, kPropTimerId);
    if (id == 0) return FALSE;
    const BOOL killed = KillTimer(hWnd, static_cast<UINT_PTR>(id));
    SetSkinProp(hWnd, kPropTimerId, 0);
    return killed;
}

BOOL CALLBACK RepaintMarksCallback(HWND hWnd, LPARAM) {
    if (!base::win::IsSubclassed(hWnd, kSkinSubclass)) return TRUE;
    switch (KindOfWindow(hWnd)) {
    case SkinKind::CheckBox: PaintCheckBox(SkinImagesInUse(), hWnd, 0, true); break;
    case SkinKind::OptionButton: PaintOptionButton(SkinImagesInUse(), hWnd, 0, true); break;
    default: break;
    }
    return TRUE;
}

bool CursorOver(HWND hWnd) {
    POINT pt{};
    GetCursorPos(&pt);
    return WindowFromPoint(pt) == hWnd;
}

}  // namespace skin
