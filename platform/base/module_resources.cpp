#include "platform/base/module_resources.h"

#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/base/resource_table.h"
#include "platform/base/strings.h"

namespace {

std::mutex g_mu;
std::set<const VidarroResourceTable*> g_tables;

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

namespace platform {

void ForgetResourceTable(HMODULE module) {
  if (!module) return;
  auto fn = reinterpret_cast<VidarroResourcesFn>(GetProcAddress(module, "VidarroResources"));
  if (!fn) return;
  std::lock_guard lock(g_mu);
  g_tables.erase(fn());
}

std::optional<std::string_view> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC r = FindResource(module, name, type);
  if (!r) return std::nullopt;
  auto* data = static_cast<const char*>(LockResource(LoadResource(module, r)));
  return std::string_view(data, SizeofResource(module, r));
}

}  // namespace platform
