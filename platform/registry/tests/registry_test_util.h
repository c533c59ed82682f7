// Small helpers shared by the registry tests.
#pragma once

#include <string>

#include "platform/registry/registry.h"

namespace registry_test {

inline LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueEx(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

inline LONG SetString(HKEY key, const char* name, const std::string& text) {
  return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
}

// The DWORD stored under name, or `fallback` when it cannot be read.
inline DWORD GetDword(HKEY key, const char* name, DWORD fallback = 0xDEADBEEF) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return fallback;
  return value;
}

// A key opened or created with full access; nullptr on failure.
inline HKEY CreateKey(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace registry_test
