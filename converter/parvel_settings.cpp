#include "converter/parvel_settings.h"

#include "platform/base/strings.h"
#include "platform/registry/string_value.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "widgets/reg_helpers.h"

bool ReadRegDword(HKEY root, LPCSTR key, LPCSTR name, DWORD& out, DWORD defaultValue) {
  return RegReadDword(root, key, name, &out, defaultValue);
}

bool ReadRegString(HKEY root, LPCSTR key, LPCSTR name, std::string& out, LPCSTR defaultText) {
  // Read whole: a folder or a rendered file's path may be longer than any fixed buffer.
  HKEY opened = nullptr;
  LONG rc = RegCreateKeyEx(root, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ, nullptr, &opened, nullptr);
  std::string text;
  if (rc == ERROR_SUCCESS) {
    rc = RegQueryStringValue(opened, name, &text);
    RegCloseKey(opened);
  }
  if (rc == ERROR_SUCCESS) {
    if (!text.empty()) out = text;
    return true;
  }
  if (rc == ERROR_FILE_NOT_FOUND && defaultText) WriteRegString(root, key, name, defaultText);
  return false;
}

bool WriteRegDword(HKEY root, LPCSTR key, LPCSTR name, DWORD value) { return RegWriteDword(root, key, name, value); }

bool WriteRegString(HKEY root, LPCSTR key, LPCSTR name, const std::string& text) {
  return RegWriteString(root, key, name, text.c_str());
}

std::string LanguageSubFolder(const std::string& language) {
  struct Row {
    const char* id;
    const char* folder;
  };
  static constexpr Row kTable[] = {
      {"0x0409", ""},     {"0x0412", "kor/"}, {"0x0c0c", "fre/"}, {"0x0407", "ger/"}, {"0x0411", "jpn/"},
      {"0x0416", "por/"}, {"0x0419", "rus/"}, {"0x0404", "sch/"}, {"0x080a", "spa/"}, {"0x0804", "tch/"},
  };
  for (const Row& row : kTable)
    if (platform::EqualsNoCase(language, row.id)) return row.folder;
  return "";
}

std::string GetLanguageSetting() {
  std::string language;
  ReadRegString(HKEY_CURRENT_USER, kParvelKey, "language", language, nullptr);
  return language;
}

LPCSTR LoadResString(UINT id) {
  static thread_local std::string buffer;
  auto text = platform::LoadStdString(AfxGetResourceHandle(), id);
  if (!text) return nullptr;
  buffer = *text;
  return buffer.c_str();
}

std::string ResString(UINT id, const char* fallback) {
  LPCSTR text = LoadResString(id);
  return text ? text : fallback;
}
