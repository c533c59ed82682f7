#include "platform/window/resources.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/image_file.h"
#include "platform/window/monitors.h"
#include "platform/window/resource_table.h"

namespace {

std::mutex g_mu;
platform::ResourceImageFactory* g_factory = nullptr;
std::set<const VidarroResourceTable*> g_tables;
std::map<std::pair<HINSTANCE, std::string>, HCURSOR> g_cursors;
DWORD g_nextCursor = 0x00C00000;

const VidarroResourceTable* TableOf(HMODULE module) {
  if (!module) return nullptr;
  auto fn = reinterpret_cast<VidarroResourcesFn>(GetProcAddress(module, "VidarroResources"));
  if (!fn) return nullptr;
  const VidarroResourceTable* table = fn();
  if (!table || table->version != 1) return nullptr;
  std::lock_guard lock(g_mu);
  g_tables.insert(table);
  return table;
}

// Matches a resource name or type given as a number, "#123" or a name (case ignored).
bool Matches(unsigned short id, const char* name, LPCSTR wanted) {
  if (IS_INTRESOURCE(wanted)) return id != 0 && id == static_cast<unsigned short>(reinterpret_cast<ULONG_PTR>(wanted));
  if (!wanted) return false;
  if (wanted[0] == '#') {
    char* end = nullptr;
    const long v = std::strtol(wanted + 1, &end, 10);
    return end && !*end && v > 0 && id == v;
  }
  return name && platform::EqualsNoCase(name, wanted);
}

const VidarroResourceEntry* Valid(HRSRC resource) {
  auto* entry = reinterpret_cast<const VidarroResourceEntry*>(resource);
  if (!entry) return nullptr;
  std::lock_guard lock(g_mu);
  for (auto* t : g_tables)
    if (entry >= t->entries && entry < t->entries + t->count) return entry;
  return nullptr;
}

std::string ResourceData(HMODULE module, LPCSTR name, LPCSTR type, bool* found) {
  HRSRC r = FindResource(module, name, type);
  *found = r != nullptr;
  if (!r) return std::string();
  auto* data = static_cast<const char*>(LockResource(LoadResource(module, r)));
  return std::string(data, SizeofResource(module, r));
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

HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
  const VidarroResourceTable* table = TableOf(module);
  if (!table) return nullptr;
  for (unsigned i = 0; i < table->count; ++i) {
    const VidarroResourceEntry& e = table->entries[i];
    if (Matches(e.typeId, e.typeName, type) && Matches(e.id, e.name, name))
      return reinterpret_cast<HRSRC>(const_cast<VidarroResourceEntry*>(&e));
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  return Valid(resource) ? reinterpret_cast<HGLOBAL>(resource) : nullptr;
}

LPVOID LockResource(HGLOBAL data) {
  const VidarroResourceEntry* e = Valid(reinterpret_cast<HRSRC>(data));
  return e ? const_cast<unsigned char*>(e->data) : nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
  const VidarroResourceEntry* e = Valid(resource);
  return e ? e->size : 0;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  auto text = platform::LoadStdString(instance, id);
  if (!text) return 0;
  const int n = std::min<int>(size - 1, static_cast<int>(text->size()));
  std::memcpy(buffer, text->data(), static_cast<size_t>(n));
  buffer[n] = 0;
  return n;
}

HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name) {
  HRSRC r = FindResource(instance, name, RT_BITMAP);
  if (!r) return nullptr;
  auto* entry = reinterpret_cast<const VidarroResourceEntry*>(r);
  std::lock_guard lock(g_mu);
  if (!g_factory) return platform::gdi::DecodeImage(entry->data, entry->size);
  return g_factory->BitmapFromDib(entry->data, entry->size);
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

namespace {
// LoadIcon(module, id) of the drawing layer reaches the resource tables through this loader; like
// Win32 it takes the icon size of the system metrics.
HICON LoadIconOfModule(HINSTANCE instance, LPCSTR name) {
  return LoadModuleIcon(instance, name, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
}
const bool g_iconLoaderInstalled = (platform::gdi::SetModuleIconLoader(&LoadIconOfModule), true);
}  // namespace

HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, int cx, int cy) {
  HRSRC r = FindResource(instance, name, RT_GROUP_ICON);
  if (!r) return nullptr;
  std::lock_guard lock(g_mu);
  auto* entry = reinterpret_cast<const VidarroResourceEntry*>(r);
  if (!g_factory) return platform::gdi::DecodeIcon(entry->data, entry->size, cx, cy);
  return g_factory->IconFromFile(entry->data, entry->size, cx, cy);
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
