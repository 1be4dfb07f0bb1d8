#pragma once
// Scalar and handle types of the operating-system layer. Handles are opaque pointers to
// distinct incomplete types, so that an HWND never converts to an HDC by accident.

#include <cstdint>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Types.h"

using BOOL = int32_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using LONG = int32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using HRESULT = int32_t;
using ATOM = uint16_t;
using COLORREF = uint32_t;  // 0x00BBGGRR

#define ZEPHSE_DECLARE_HANDLE(Name) \
  struct Name##__;                  \
  using Name = Name##__*

ZEPHSE_DECLARE_HANDLE(HWND);
ZEPHSE_DECLARE_HANDLE(HDC);
ZEPHSE_DECLARE_HANDLE(HGDIOBJ);
ZEPHSE_DECLARE_HANDLE(HBITMAP);
ZEPHSE_DECLARE_HANDLE(HBRUSH);
ZEPHSE_DECLARE_HANDLE(HPEN);
ZEPHSE_DECLARE_HANDLE(HFONT);
ZEPHSE_DECLARE_HANDLE(HRGN);
ZEPHSE_DECLARE_HANDLE(HPALETTE);
ZEPHSE_DECLARE_HANDLE(HCURSOR);
ZEPHSE_DECLARE_HANDLE(HICON);
ZEPHSE_DECLARE_HANDLE(HMENU);
ZEPHSE_DECLARE_HANDLE(HMONITOR);
ZEPHSE_DECLARE_HANDLE(HINSTANCE);
ZEPHSE_DECLARE_HANDLE(HMODULE);
ZEPHSE_DECLARE_HANDLE(HHOOK);
ZEPHSE_DECLARE_HANDLE(HGLOBAL);
ZEPHSE_DECLARE_HANDLE(HKEY);
ZEPHSE_DECLARE_HANDLE(HANDLE);


inline constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
inline constexpr int16_t GET_X_LPARAM(LPARAM v) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(v))); }
inline constexpr int16_t GET_Y_LPARAM(LPARAM v) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(v))); }
inline constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<uint32_t>((static_cast<uint16_t>(lo)) | (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16)));
}
// RGB, GetRValue, GetGValue, GetBValue: rtl/RTL.Geometry.h (COLORREF is TColorRef).
