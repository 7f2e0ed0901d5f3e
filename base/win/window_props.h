// Window properties that hold pointer-sized integers. Values are stored as the
// property's handle value, so -1 is all bits set and the x86_64 build keeps
// the full width; a property that was never set reads as 0.
#pragma once
#include <windows.h>

#include <cstdint>

namespace base::win {

inline INT_PTR GetPropPtr(HWND w, const wchar_t* name) {
    return reinterpret_cast<INT_PTR>(GetPropW(w, name));
}

// The value read back as a signed 32-bit integer.
inline std::int32_t GetPropInt(HWND w, const wchar_t* name) {
    return static_cast<std::int32_t>(GetPropPtr(w, name));
}

inline bool SetPropPtr(HWND w, const wchar_t* name, INT_PTR value) {
    return SetPropW(w, name, reinterpret_cast<HANDLE>(value)) != FALSE;
}

inline bool SetPropInt(HWND w, const wchar_t* name, std::int32_t value) {
    return SetPropPtr(w, name, static_cast<INT_PTR>(value));
}

// Kept properties: set on the window like any other, for whoever looks, and
// kept in the process as well, where they are read. A property read on every
// message wants that: under Wine each GetPropW is a request to the window
// server, about 50 microseconds, and a keystroke in the result list read two
// hundred of them. A kept property is written only through these three, and
// its owner removes it by the window's WM_NCDESTROY at the latest.
INT_PTR GetKeptProp(HWND w, const wchar_t* name);   // 0 when not kept
bool SetKeptProp(HWND w, const wchar_t* name, INT_PTR value);
void RemoveKeptProp(HWND w, const wchar_t* name);

}  // namespace base::win
