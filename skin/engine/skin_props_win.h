// Window properties that hold all per-window skin state. Values are pointer
// sized (INT_PTR stored as the HANDLE of SetPropW), so handles and procedure
// addresses survive a 64-bit build; -1 is stored with all bits set, and a
// property that was never set reads as 0.
//
//  name         kinds                                   value
//  PROCADDR     every skinned window                    procedure in place before the skin
//  PROCOFF      a window released while another          set while SkinWndProc stays in the chain only
//               subclass was in front of the skin        to pass messages on (base/win/subclass.h)
//  MOUSEFLAG    push button, combo, drive list,         1 while a TME_LEAVE request is outstanding
//               check, option, header
//  OLDSTATE     push button, combo, drive list,         state shown / last painted (0 normal, 1 hot,
//               check, option                            2 pressed, 3 disabled)
//  OLDSTYLE     push button                             GWL_STYLE read at attach, before owner-draw
//  TIMERID      push button                             running fade timer, 0 when none
//  ALPHALEVEL   push button                             constant alpha of the next fade step, 0..255
//  HDINDEX      header                                  pressed item, -1 for none
//  HMINDEX      header                                  hot item, -1 for none
//  0HDC..3HDC   push button                             state surface of each state
//  0BMP..3BMP   push button                             bitmap selected into that surface
#pragma once
#include <windows.h>

#include "base/win/subclass.h"
#include "base/win/window_props.h"

namespace skin {

inline constexpr const wchar_t* kPropProcAddr = L"PROCADDR";
inline constexpr const wchar_t* kPropProcOff = L"PROCOFF";
inline constexpr const wchar_t* kPropMouseFlag = L"MOUSEFLAG";
inline constexpr const wchar_t* kPropOldState = L"OLDSTATE";
inline constexpr const wchar_t* kPropOldStyle = L"OLDSTYLE";
inline constexpr const wchar_t* kPropTimerId = L"TIMERID";
inline constexpr const wchar_t* kPropAlphaLevel = L"ALPHALEVEL";
inline constexpr const wchar_t* kPropHdIndex = L"HDINDEX";
inline constexpr const wchar_t* kPropHmIndex = L"HMINDEX";
inline constexpr const wchar_t* kPropSurface[4] = {L"0HDC", L"1HDC", L"2HDC", L"3HDC"};
inline constexpr const wchar_t* kPropBitmap[4] = {L"0BMP", L"1BMP", L"2BMP", L"3BMP"};

LRESULT CALLBACK SkinWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
inline constexpr base::win::Subclass kSkinSubclass{&SkinWndProc, kPropProcAddr, kPropProcOff};

inline INT_PTR GetSkinProp(HWND hWnd, const wchar_t* name) { return base::win::GetPropPtr(hWnd, name); }
inline void SetSkinProp(HWND hWnd, const wchar_t* name, INT_PTR value) { base::win::SetPropPtr(hWnd, name, value); }
inline void RemoveSkinProp(HWND hWnd, const wchar_t* name) { RemovePropW(hWnd, name); }
inline int GetSkinInt(HWND hWnd, const wchar_t* name) { return base::win::GetPropInt(hWnd, name); }

}  // namespace skin
