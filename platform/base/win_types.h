// Win32 base types and their numeric conventions, for what crosses the suite's interfaces.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = ULONG_PTR;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using HRESULT = std::int32_t;
using COLORREF = DWORD;
using LPCSTR = const char*;
using LPSTR = char*;
using LPVOID = void*;
using LPCVOID = const void*;
using SIZE_T = std::size_t;

// The classic path buffer size that fixed-size interfaces still use.
constexpr DWORD MAX_PATH = 260;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles are opaque pointer types whose values are small numbers; window handles stay
// within 32 bits so they can travel between processes in a REG_DWORD or a message.
#define VIDARRO_DECLARE_HANDLE(name) \
  struct name##__;                   \
  using name = name##__*
VIDARRO_DECLARE_HANDLE(HWND);
VIDARRO_DECLARE_HANDLE(HKEY);
VIDARRO_DECLARE_HANDLE(HINSTANCE);
VIDARRO_DECLARE_HANDLE(HMENU);
VIDARRO_DECLARE_HANDLE(HDC);
VIDARRO_DECLARE_HANDLE(HGDIOBJ);
VIDARRO_DECLARE_HANDLE(HBITMAP);
VIDARRO_DECLARE_HANDLE(HBRUSH);
VIDARRO_DECLARE_HANDLE(HPEN);
VIDARRO_DECLARE_HANDLE(HFONT);
VIDARRO_DECLARE_HANDLE(HRGN);
VIDARRO_DECLARE_HANDLE(HICON);
VIDARRO_DECLARE_HANDLE(HMONITOR);
VIDARRO_DECLARE_HANDLE(HRSRC);
VIDARRO_DECLARE_HANDLE(HGLOBAL);
VIDARRO_DECLARE_HANDLE(HDROP);
using HMODULE = HINSTANCE;
using HCURSOR = HICON;
using HANDLE = void*;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

// Handle <-> 32-bit number, for registry values and cross-process messages.
template <typename H>
inline DWORD HandleToDword(H h) {
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(h));
}
template <typename H>
inline H DwordToHandle(DWORD v) {
  return reinterpret_cast<H>(static_cast<ULONG_PTR>(v));
}

// 64-bit value with its 32-bit halves, as the performance counter and file sizes pass it.
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

constexpr WORD LOWORD(DWORD_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(DWORD_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(DWORD_PTR v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(DWORD_PTR v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) {
  return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi))); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(lo, hi))); }
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return static_cast<COLORREF>(r | (g << 8) | (b << 16)); }
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// HRESULT basics; the COM layer adds the rest of the codes.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
