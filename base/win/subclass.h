// Subclassing: putting a procedure in front of a window's own, the system's
// way, with the chain kept intact. Every module that replaces a window
// procedure goes through here; none writes its own detach rule.
//
// How to use it:
//   constexpr base::win::Subclass kMine{&MyProc, L"MYPROC", L"MYPROCOFF"};
//   AttachSubclass(w, kMine);     // false when already attached (never twice)
//   LRESULT CALLBACK MyProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
//       if (IsSubclassed(w, kMine) && msg == WM_WHATEVER) { ...; return 0; }
//       return CallNext(w, kMine, msg, wp, lp);   // every message not consumed
//   }
//   DetachSubclass(w, kMine);     // whenever; or never: WM_NCDESTROY cleans up
//
// The link lives in two kept window properties (window_props.h), pointer-sized:
// `previous` holds the procedure that was replaced, and `retired` is set when
// the subclass was detached while another one sat in front of it. A retired
// subclass cannot leave the chain without cutting out the ones in front, so
// it stays, passes every message on untouched (IsSubclassed is false), and
// steps out the first time it finds itself in front again. Both properties
// are removed once WM_NCDESTROY has been passed on.
#pragma once
#include <windows.h>

namespace base::win {

struct Subclass {
    WNDPROC proc;             // the procedure put in front
    const wchar_t* previous;  // window property: the procedure it replaced
    const wchar_t* retired;   // window property: set while detached but still in the chain
};

// Puts s.proc in front of w's procedure. A retired subclass is taken back
// into service where it stands. False when it is already attached, or when
// the procedure cannot be replaced (no window, another process's window).
bool AttachSubclass(HWND w, const Subclass& s);

// Ends the subclass: the replaced procedure goes back while s.proc is in
// front; otherwise s.proc is retired (see above). False when not attached.
bool DetachSubclass(HWND w, const Subclass& s);

// Attached and not retired: the subclass's own handling applies.
bool IsSubclassed(HWND w, const Subclass& s);

// Passes a message to the procedure s.proc replaced (the default procedure
// when there is no record of one). A retired subclass in front steps out
// first; after WM_NCDESTROY the record is removed.
LRESULT CallNext(HWND w, const Subclass& s, UINT msg, WPARAM wParam, LPARAM lParam);

}  // namespace base::win
