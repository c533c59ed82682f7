#include "uploader/corrin_account.h"

#include <vector>

#include "platform/registry/registry.h"

std::string ScramblePassword(const std::string& password) {
  std::string out = password;
  const std::size_t n = password.size();
  for (std::size_t i = 0; i < n; ++i)
    out[i] = static_cast<char>((static_cast<unsigned char>(password[i]) + i + n + 1) & 0xFF);
  return out;
}

std::string UnscramblePassword(const std::string& stored) {
  std::string out = stored;
  const std::size_t n = stored.size();
  for (std::size_t i = 0; i < n; ++i)
    out[i] = static_cast<char>((static_cast<unsigned char>(stored[i]) - i - n - 1) & 0xFF);
  return out;
}

bool StorePassword(HKEY root, const char* key, const std::string& password) {
  HKEY handle = nullptr;
  if (RegCreateKeyEx(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const std::string scrambled = ScramblePassword(password);
  const LONG result = RegSetValueEx(handle, "Password", 0, REG_BINARY, reinterpret_cast<const BYTE*>(scrambled.data()),
                                    static_cast<DWORD>(scrambled.size()));
  RegFlushKey(handle);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

std::string LoadPassword(HKEY root, const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyEx(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  std::string stored;
  if (RegQueryValueEx(handle, "Password", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
    std::vector<BYTE> data(size);
    if (RegQueryValueEx(handle, "Password", nullptr, &type, data.data(), &size) == ERROR_SUCCESS) {
      stored.assign(reinterpret_cast<const char*>(data.data()), size);
      // The older string form ends at its terminator (and at the first 0 it held).
      if (type == REG_SZ) stored = stored.c_str();
    }
  }
  RegCloseKey(handle);
  return UnscramblePassword(stored);
}

void ForgetPassword(HKEY root, const char* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyEx(root, key, 0, KEY_ALL_ACCESS, &handle) != ERROR_SUCCESS) return;
  RegDeleteValue(handle, "Password");
  RegCloseKey(handle);
}
