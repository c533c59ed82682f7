// The four registry helpers through which the suite's programs read and write their settings:
// root key, sub-key and value name at every call.
#pragma once

#include <cstddef>

#include "platform/base/win_types.h"

// A read with this default stores nothing when the value is absent.
constexpr DWORD REG_READ_NO_DEFAULT = 0xFFFFFFFF;
// The size of the caller's buffer that RegReadString fills, terminator included.
constexpr std::size_t REG_READ_STRING_SIZE = 1024;

// True with *value set when a 4-byte REG_DWORD was read. Otherwise *value is untouched and,
// only when the value is absent (not when it has another type or size), the default is stored
// unless it is REG_READ_NO_DEFAULT.
bool RegReadDword(HKEY root, LPCSTR subKey, LPCSTR name, DWORD* value, DWORD defaultValue);
// True with `out` (REG_READ_STRING_SIZE bytes) set when a string value that fits was read.
// Otherwise `out` is untouched and, only when the value is absent, a non-NULL default is stored.
// A stored string too long for the buffer is neither read nor overwritten.
bool RegReadString(HKEY root, LPCSTR subKey, LPCSTR name, char* out, LPCSTR defaultValue);
// Creates the key when missing. The DWORD write is flushed; the string write is not (the store
// is durable either way).
bool RegWriteDword(HKEY root, LPCSTR subKey, LPCSTR name, DWORD value);
bool RegWriteString(HKEY root, LPCSTR subKey, LPCSTR name, LPCSTR text);

// Whether the process is a 32-bit one on a 64-bit system; never here.
BOOL IsWow64();
