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

}  // namespace base::win
