#include "widgets/reg_helpers.h"

#include <cstring>

#include "platform/registry/registry.h"

namespace {

REGSAM View() { return IsWow64() ? KEY_WOW64_32KEY : 0; }

// A key handle closed when it goes.
class Key {
 public:
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  LONG Open(HKEY root, LPCSTR subKey, REGSAM access) {
    return RegCreateKeyEx(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access | View(), nullptr, &key_, nullptr);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Reads a value into buffer; ERROR_FILE_NOT_FOUND only when the key or the value is absent.
LONG ReadValue(HKEY root, LPCSTR subKey, LPCSTR name, DWORD* type, BYTE* buffer, DWORD* size) {
  Key key;
  const LONG rc = key.Open(root, subKey, KEY_READ);
  if (rc != ERROR_SUCCESS) return rc;
  return RegQueryValueEx(key.get(), name, nullptr, type, buffer, size);
}

}  // namespace

BOOL IsWow64() { return FALSE; }

bool RegReadDword(HKEY root, LPCSTR subKey, LPCSTR name, DWORD* value, DWORD defaultValue) {
  DWORD type = 0, data = 0, size = sizeof data;
  const LONG rc = ReadValue(root, subKey, name, &type, reinterpret_cast<BYTE*>(&data), &size);
  if (rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof data) {
    if (value) *value = data;
    return value != nullptr;
  }
  if (rc == ERROR_FILE_NOT_FOUND && defaultValue != REG_READ_NO_DEFAULT)
    RegWriteDword(root, subKey, name, defaultValue);
  return false;
}

bool RegReadString(HKEY root, LPCSTR subKey, LPCSTR name, char* out, LPCSTR defaultValue) {
  char buffer[REG_READ_STRING_SIZE];
  DWORD type = 0, size = sizeof buffer;
  const LONG rc = ReadValue(root, subKey, name, &type, reinterpret_cast<BYTE*>(buffer), &size);
  if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
    // The stored bytes may lack their terminator; the text must leave room for one.
    const size_t length = strnlen(buffer, size);
    if (length < sizeof buffer && out) {
      std::memcpy(out, buffer, length);
      out[length] = '\0';
      return true;
    }
    return false;
  }
  if (rc == ERROR_FILE_NOT_FOUND && defaultValue) RegWriteString(root, subKey, name, defaultValue);
  return false;
}

bool RegWriteDword(HKEY root, LPCSTR subKey, LPCSTR name, DWORD value) {
  Key key;
  if (key.Open(root, subKey, KEY_WRITE) != ERROR_SUCCESS) return false;
  if (RegSetValueEx(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) !=
      ERROR_SUCCESS)
    return false;
  return RegFlushKey(key.get()) == ERROR_SUCCESS;
}

bool RegWriteString(HKEY root, LPCSTR subKey, LPCSTR name, LPCSTR text) {
  if (!text) return false;
  Key key;
  if (key.Open(root, subKey, KEY_WRITE) != ERROR_SUCCESS) return false;
  return RegSetValueEx(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}
