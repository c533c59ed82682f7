#include "clip_player.h"

#include <optional>

#include "platform/registry/registry.h"

namespace studio {
namespace {

constexpr const char* kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// Read only: looking up the user's choice must not create keys.
std::optional<std::string> ReadString(HKEY root, const std::string& subKey, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  return std::string(buffer);
}

}  // namespace

std::string ClipClassKey(const std::string& extension, int windowsVersion) {
  if (!extension.empty()) {
    const std::string choice = kFileExts + extension;
    if (windowsVersion < 8) {
      if (auto progId = ReadString(HKEY_CURRENT_USER, choice, "Progid"); progId && !progId->empty()) return *progId;
      if (auto application = ReadString(HKEY_CURRENT_USER, choice, "Application"); application && !application->empty())
        return "Applications\\" + *application;
    } else if (auto progId = ReadString(HKEY_CURRENT_USER, choice + "\\UserChoice", "Progid");
               progId && !progId->empty()) {
      return *progId;
    }
    if (auto own = ReadString(HKEY_CLASSES_ROOT, extension, ""); own && !own->empty()) return *own;
  }
  return "____";
}

std::string ClipPlayVerb(const std::string& extension, int windowsVersion) {
  const std::string command = ClipClassKey(extension, windowsVersion) + "\\shell\\play\\command";
  return ReadString(HKEY_CLASSES_ROOT, command, "") ? "play" : "open";
}

}  // namespace studio
