#include "platform/window/resources.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

#include "platform/base/module_resources.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/gdi/image_file.h"

namespace {

std::mutex g_mu;
platform::ResourceImageFactory* g_factory = nullptr;
std::map<std::pair<HINSTANCE, std::string>, HCURSOR> g_cursors;
DWORD g_nextCursor = 0x00C00000;

std::string ResourceData(HMODULE module, LPCSTR name, LPCSTR type, bool* found) {
  auto bytes = platform::ResourceBytes(module, name, type);
  *found = bytes.has_value();
  return bytes ? std::string(*bytes) : std::string();
}

std::string NameKey(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  return name ? platform::ToUpperAscii(name) : std::string();
}

std::vector<BYTE> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  auto text = platform::LoadStdString(instance, id);
  if (!text) return 0;
  return platform::CopyToBuffer(*text, buffer, size);
}

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) {
  auto dib = platform::ResourceBytes(instance, name, RT_BITMAP);
  if (!dib) return nullptr;
  auto* data = reinterpret_cast<const BYTE*>(dib->data());
  std::lock_guard lock(g_mu);
  if (!g_factory) return platform::gdi::DecodeImage(data, dib->size());
  return g_factory->BitmapFromDib(data, dib->size());
}

HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name) || !name) return nullptr;
    std::vector<BYTE> bytes = ReadFile(name);
    std::lock_guard lock(g_mu);
    if (bytes.empty()) return nullptr;
    if (!g_factory) {
      if (type == IMAGE_BITMAP) return platform::gdi::DecodeImage(bytes.data(), bytes.size());
      return type == IMAGE_ICON ? platform::gdi::DecodeIcon(bytes.data(), bytes.size(), cx, cy) : nullptr;
    }
    if (type == IMAGE_BITMAP) {
      constexpr size_t kFileHeader = 14;
      if (bytes.size() <= kFileHeader || bytes[0] != 'B' || bytes[1] != 'M') return nullptr;
      return g_factory->BitmapFromDib(bytes.data() + kFileHeader, bytes.size() - kFileHeader);
    }
    if (type == IMAGE_ICON) return g_factory->IconFromFile(bytes.data(), bytes.size(), cx, cy);
    return nullptr;
  }
  switch (type) {
    case IMAGE_BITMAP: return LoadBitmap(instance, name);
    case IMAGE_ICON: return platform::LoadModuleIcon(instance, name, cx, cy);
    case IMAGE_CURSOR: return platform::LoadModuleCursor(instance, name);
    default: return nullptr;
  }
}

namespace platform {

void SetResourceImageFactory(ResourceImageFactory* factory) {
  std::lock_guard lock(g_mu);
  g_factory = factory;
}

std::optional<std::string> LoadStdString(HINSTANCE instance, UINT id) {
  if (id == 0 || id > 0xFFFF) return std::nullopt;
  bool found = false;
  std::string text = ResourceData(instance, MAKEINTRESOURCE(id), RT_STRING, &found);
  if (!found) return std::nullopt;
  return text;
}

std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE instance, LPCSTR name) {
  bool found = false;
  std::string text = ResourceData(instance, name, RT_DIALOG, &found);
  if (!found) return std::nullopt;
  return ParseDialog(text);
}

std::optional<MenuTemplate> LoadMenuTemplate(HINSTANCE instance, LPCSTR name) {
  bool found = false;
  std::string text = ResourceData(instance, name, RT_MENU, &found);
  if (!found) return std::nullopt;
  return ParseMenu(text);
}

HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, int cx, int cy) {
  auto file = ResourceBytes(instance, name, RT_GROUP_ICON);
  if (!file) return nullptr;
  auto* data = reinterpret_cast<const BYTE*>(file->data());
  std::lock_guard lock(g_mu);
  if (!g_factory) return platform::gdi::DecodeIcon(data, file->size(), cx, cy);
  return g_factory->IconFromFile(data, file->size(), cx, cy);
}

HCURSOR LoadModuleCursor(HINSTANCE instance, LPCSTR name) {
  if (!FindResource(instance, name, RT_GROUP_CURSOR)) return nullptr;
  std::lock_guard lock(g_mu);
  auto key = std::make_pair(instance, NameKey(name));
  auto it = g_cursors.find(key);
  if (it != g_cursors.end()) return it->second;
  g_nextCursor += 4;
  HCURSOR cursor = DwordToHandle<HCURSOR>(g_nextCursor);
  g_cursors[key] = cursor;
  return cursor;
}

HMODULE LoadResourceLibrary(const std::string& name, WORD languageId) {
  constexpr WORD kUsEnglish = 0x0409;
  if (languageId && languageId != kUsEnglish) {
    const std::string localized = std::to_string(languageId) + "/" + name;
    if (HMODULE m = LoadLibrary(localized.c_str())) return m;
  }
  return LoadLibrary(name.c_str());
}

}  // namespace platform
