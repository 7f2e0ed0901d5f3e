// The skinning engine: recognises windows by class name, subclasses each with
// the shared SkinWndProc, and keeps every piece of per-window skin state in
// window properties (see skin_props.h). The main window calls SkinWindow once;
// every other window reaches the engine through SkinWndProc (dialogs and
// message boxes on activation or idle, drop-down lists on WM_CTLCOLORLISTBOX).
#pragma once
#include <windows.h>

#include <string>

#include "skin/engine/skin_kind.h"
#include "skin/paint/paint.h"

namespace skin {

// Process-wide engine state. All of it is touched only by the UI thread.
struct SkinGlobalState {
    bool imagesReady = false;           // the images are built and the probe done
    bool hasUserTrackMouseEvent = false;  // user32 exports TrackMouseEvent
    long skinnedCount = 0;              // windows attached and not yet detached
};
const SkinGlobalState& SkinGlobals();

// Builds the skin images on first use, then attaches the window (and, for a
// form, all its descendants). Returns AttachSkin's result.
int SkinWindow(HWND hWnd);

// 1 when the window was subclassed now; 0 for a null handle, a window that is
// already skinned, or a window that belongs to another thread (its procedure
// cannot be replaced safely from here).
int AttachSkin(HWND hWnd);

// 1 when the window was released now; 0 for a null handle or a plain window.
// Releasing the last skinned window releases the skin images too.
int DetachSkin(HWND hWnd);

BOOL CALLBACK SkinChildCallback(HWND hWnd, LPARAM lParam);
BOOL CALLBACK UnskinChildCallback(HWND hWnd, LPARAM lParam);

// The class name, empty when it cannot be read.
std::wstring GetClassNameString(HWND hWnd);
SkinKind KindOfWindow(HWND hWnd);

// True when the library (already loaded or loadable) exports the function.
bool ProbeExport(const char* functionName, const wchar_t* libraryName);

// The procedure that every skinned window runs first.
LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Shared services of the handlers.
void TrackMouseLeave(HWND hWnd);
UINT_PTR StartFadeTimer(HWND hWnd);   // the new timer id, 0 when one was running
BOOL StopFadeTimer(HWND hWnd);        // KillTimer's result, FALSE when none ran
BOOL CALLBACK RepaintMarksCallback(HWND hWnd, LPARAM lParam);

// The five skin images while at least one window is skinned (null members otherwise).
const SkinImages& SkinImagesInUse();

// Width and height of the window rectangle.
int WindowWidth(HWND hWnd);
int WindowHeight(HWND hWnd);

// Frames of enabled controls in the skin colour, of disabled ones paler.
inline Colour BorderColorOf(HWND hWnd) {
    return IsWindowEnabled(hWnd) ? kSkinBorderColour : kSkinBorderDisabledColour;
}

}  // namespace skin
