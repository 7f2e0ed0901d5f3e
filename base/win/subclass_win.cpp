#include "base/win/subclass.h"

#include "base/win/window_props.h"

namespace base::win {
namespace {

WNDPROC PreviousOf(HWND w, const Subclass& s) { return reinterpret_cast<WNDPROC>(GetKeptProp(w, s.previous)); }

bool Retired(HWND w, const Subclass& s) { return GetKeptProp(w, s.retired) != 0; }

bool InFront(HWND w, const Subclass& s) {
    return GetWindowLongPtrW(w, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(s.proc);
}

void Forget(HWND w, const Subclass& s) {
    RemoveKeptProp(w, s.previous);
    RemoveKeptProp(w, s.retired);
}

// Puts the replaced procedure back; only called while s.proc is in front.
void StepOut(HWND w, const Subclass& s, WNDPROC previous) {
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    Forget(w, s);
}

}  // namespace

bool AttachSubclass(HWND w, const Subclass& s) {
    if (!w || !IsWindow(w)) return false;
    // What the process kept of a window that ended unseen (another
    // subclass in front kept its WM_NCDESTROY) is not this window's.
    if (PreviousOf(w, s) && !GetPropW(w, s.previous)) Forget(w, s);
    if (PreviousOf(w, s)) {
        if (!Retired(w, s)) return false;   // attached: a second link would forward to itself
        RemoveKeptProp(w, s.retired);
        return true;
    }
    // A window of another process cannot be subclassed from here.
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process != GetCurrentProcessId()) return false;
    const LONG_PTR previous = SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(s.proc));
    if (previous == 0) return false;
    SetKeptProp(w, s.previous, previous);
    return true;
}

bool DetachSubclass(HWND w, const Subclass& s) {
    if (!IsSubclassed(w, s)) return false;
    if (InFront(w, s)) StepOut(w, s, PreviousOf(w, s));
    else SetKeptProp(w, s.retired, 1);
    return true;
}

bool IsSubclassed(HWND w, const Subclass& s) {
    return w && PreviousOf(w, s) && !Retired(w, s);
}

LRESULT CallNext(HWND w, const Subclass& s, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = PreviousOf(w, s);
    if (!previous) return DefWindowProcW(w, msg, wParam, lParam);
    if (Retired(w, s) && msg != WM_NCDESTROY && InFront(w, s)) StepOut(w, s, previous);
    const LRESULT result = CallWindowProcW(previous, w, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) Forget(w, s);
    return result;
}

}  // namespace base::win
