#include "platform/registry/string_value.h"

#include <cstring>
#include <vector>

LONG RegQueryStringValue(HKEY key, LPCSTR name, std::string* text) {
  // Another process may rewrite the value between the two calls: a grown value is asked again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_PARAMETER;
    std::vector<char> buffer(size + 1, '\0');
    DWORD got = size;
    rc = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return rc;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_PARAMETER;
    if (text) text->assign(buffer.data(), strnlen(buffer.data(), got));
    return ERROR_SUCCESS;
  }
  return ERROR_MORE_DATA;
}
