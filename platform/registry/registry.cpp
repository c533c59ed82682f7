// The Win32 registry calls over the shared hive files.
#include "platform/registry/registry.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/paths.h"
#include "platform/registry/hive_file.h"

using platform::registry::HiveFile;
using platform::registry::RegKeyNode;
using platform::registry::RegValue;

namespace {

constexpr int kHiveCount = 3;
const char* const kHiveNames[kHiveCount] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"};
constexpr ULONG_PTR kFirstRoot = 0x80000000u;
constexpr size_t kMaxKeyNameLength = 255;
constexpr REGSAM kRightsThatCreate = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;

// What a handle stands for: a key named by its path, looked up again at every call, so a key
// that another process deletes is noticed rather than served from a stale copy.
struct OpenKey {
  int hive = 0;
  std::vector<std::string> path;
  REGSAM access = 0;
};

class Store {
 public:
  std::mutex mutex;

  HiveFile& Hive(int hive) {
    const std::string base = Folder() + kHiveNames[hive];
    auto& slot = hives_[base];
    if (!slot) slot = std::make_unique<HiveFile>(base);
    return *slot;
  }

  LONG Resolve(HKEY key, OpenKey& out) const {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    if (value >= kFirstRoot && value < kFirstRoot + kHiveCount) {
      out = OpenKey{static_cast<int>(value - kFirstRoot), {}, KEY_ALL_ACCESS};
      return ERROR_SUCCESS;
    }
    const auto it = open_.find(value);
    if (it == open_.end()) return ERROR_INVALID_HANDLE;
    out = it->second;
    return ERROR_SUCCESS;
  }

  HKEY Add(OpenKey key) {
    while (open_.count(next_) || next_ == 0) next_ += 4;
    const ULONG_PTR value = next_;
    next_ = next_ + 4 >= kFirstRoot ? 0x1000 : next_ + 4;
    open_.emplace(value, std::move(key));
    return reinterpret_cast<HKEY>(value);
  }

  LONG Remove(HKEY key) {
    const auto value = reinterpret_cast<ULONG_PTR>(key);
    if (value >= kFirstRoot && value < kFirstRoot + kHiveCount) return ERROR_SUCCESS;
    return open_.erase(value) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }

 private:
  static std::string Folder() {
    const char* dir = std::getenv("VIDARRO_REGISTRY_DIR");
    if (dir && *dir) return platform::WithTrailingSlash(dir);
    return platform::ConfigFolder() + "vidarro/registry/";
  }

  std::map<std::string, std::unique_ptr<HiveFile>> hives_;  // by folder, so a changed folder is honoured
  std::map<ULONG_PTR, OpenKey> open_;
  ULONG_PTR next_ = 0x1000;
};

Store& TheStore() {
  static Store* store = new Store;  // never destroyed: handles may be closed during exit
  return *store;
}

// "A\B\C" -> {"A","B","C"}. A leading "\" or an empty name inside is refused; a trailing "\"
// is allowed, as the platform allows it.
LONG SplitPath(LPCSTR subKey, std::vector<std::string>& out) {
  if (!subKey || !*subKey) return ERROR_SUCCESS;
  if (subKey[0] == '\\') return ERROR_BAD_PATHNAME;
  std::string_view rest(subKey);
  while (!rest.empty()) {
    const size_t slash = rest.find('\\');
    const std::string_view name = rest.substr(0, slash);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    out.emplace_back(name);
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return ERROR_SUCCESS;
}

std::string_view ValueName(LPCSTR name) { return name ? std::string_view(name) : std::string_view(); }

// Runs `read` on the key behind a handle, after the access check.
template <typename Fn>
LONG ReadKey(HKEY hKey, REGSAM needed, Fn read) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  OpenKey key;
  LONG rc = store.Resolve(hKey, key);
  if (rc != ERROR_SUCCESS) return rc;
  if ((key.access & needed) != needed) return ERROR_ACCESS_DENIED;
  return store.Hive(key.hive).Read([&](const RegKeyNode& root) -> LONG {
    const RegKeyNode* node = platform::registry::FindPath(root, key.path);
    if (!node) return ERROR_KEY_DELETED;
    return read(*node);
  });
}

template <typename Fn>
LONG WriteKey(HKEY hKey, REGSAM needed, Fn change) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  OpenKey key;
  LONG rc = store.Resolve(hKey, key);
  if (rc != ERROR_SUCCESS) return rc;
  if ((key.access & needed) != needed) return ERROR_ACCESS_DENIED;
  return store.Hive(key.hive).Write([&](RegKeyNode& root, bool* changed) -> LONG {
    RegKeyNode* node = platform::registry::FindPath(root, key.path);
    if (!node) return ERROR_KEY_DELETED;
    return change(*node, changed);
  });
}

// Copies a name and its terminator into a buffer of *size characters; *size becomes its length.
LONG CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (!buffer || !size) return ERROR_INVALID_PARAMETER;
  if (*size <= name.size()) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The data part of RegQueryValueEx and RegEnumValue.
LONG CopyData(const RegValue& value, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (type) *type = value.type;
  if (!size) return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  const auto needed = static_cast<DWORD>(value.data.size());
  if (data) {
    if (*size < needed) {
      *size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, value.data.data(), needed);
  }
  *size = needed;
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, bool mayCreate, PHKEY phkResult,
                  LPDWORD lpdwDisposition) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::vector<std::string> sub;
  LONG rc = SplitPath(lpSubKey, sub);
  if (rc != ERROR_SUCCESS) return rc;
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  OpenKey parent;
  rc = store.Resolve(hKey, parent);
  if (rc != ERROR_SUCCESS) return rc;
  OpenKey result{parent.hive, parent.path, samDesired};
  result.path.insert(result.path.end(), sub.begin(), sub.end());
  HiveFile& hive = store.Hive(parent.hive);
  bool exists = false;
  rc = hive.Read([&](const RegKeyNode& root) -> LONG {
    if (!platform::registry::FindPath(root, parent.path)) return ERROR_KEY_DELETED;
    exists = platform::registry::FindPath(root, result.path) != nullptr;
    return ERROR_SUCCESS;
  });
  if (rc != ERROR_SUCCESS) return rc;
  DWORD disposition = REG_OPENED_EXISTING_KEY;
  if (!exists) {
    if (!mayCreate || (samDesired & kRightsThatCreate) == 0) return ERROR_FILE_NOT_FOUND;
    if ((parent.access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;
    rc = hive.Write([&](RegKeyNode& root, bool* changed) -> LONG {
      RegKeyNode* node = platform::registry::FindPath(root, parent.path);
      if (!node) return ERROR_KEY_DELETED;
      for (const std::string& name : sub) {
        bool created = false;
        node = node->AddSubkey(name, &created);
        if (created) {
          *changed = true;
          disposition = REG_CREATED_NEW_KEY;
        }
      }
      return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS) return rc;
  }
  *phkResult = store.Add(std::move(result));
  if (lpdwDisposition) *lpdwDisposition = disposition;
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, LPVOID, PHKEY phkResult,
                    LPDWORD lpdwDisposition) {
  return OpenOrCreate(hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  return OpenOrCreate(hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

LONG RegCloseKey(HKEY hKey) {
  Store& store = TheStore();
  std::lock_guard lock(store.mutex);
  return store.Remove(hKey);
}

LONG RegFlushKey(HKEY hKey) {
  return ReadKey(hKey, 0, [](const RegKeyNode&) { return ERROR_SUCCESS; });
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                     LPDWORD lpcbData) {
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  return ReadKey(hKey, KEY_QUERY_VALUE, [&](const RegKeyNode& node) -> LONG {
    const RegValue* value = node.FindValue(ValueName(lpValueName));
    if (!value) return ERROR_FILE_NOT_FOUND;
    return CopyData(*value, lpType, lpData, lpcbData);
  });
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> data(lpData, lpData + cbData);
  return WriteKey(hKey, KEY_SET_VALUE, [&](RegKeyNode& node, bool* changed) -> LONG {
    const std::string_view name = ValueName(lpValueName);
    const RegValue* old = node.FindValue(name);
    if (old && old->type == dwType && old->data == data) return ERROR_SUCCESS;
    node.SetValue(name, dwType, std::move(data));
    *changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
  return WriteKey(hKey, KEY_SET_VALUE, [&](RegKeyNode& node, bool* changed) -> LONG {
    if (!node.RemoveValue(ValueName(lpValueName))) return ERROR_FILE_NOT_FOUND;
    *changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> sub;
  const LONG rc = SplitPath(lpSubKey, sub);
  if (rc != ERROR_SUCCESS) return rc;
  if (sub.empty()) return ERROR_ACCESS_DENIED;  // a key cannot delete itself through its own handle
  const std::string leaf = sub.back();
  sub.pop_back();
  return WriteKey(hKey, 0, [&](RegKeyNode& node, bool* changed) -> LONG {
    RegKeyNode* parent = platform::registry::FindPath(node, sub);
    RegKeyNode* target = parent ? parent->FindSubkey(leaf) : nullptr;
    if (!target) return ERROR_FILE_NOT_FOUND;
    if (!target->Subkeys().empty()) return ERROR_ACCESS_DENIED;
    parent->RemoveSubkey(leaf);
    *changed = true;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved, LPSTR lpClass,
                  LPDWORD lpcchClass, LPVOID) {
  if (lpReserved || !lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  return ReadKey(hKey, KEY_ENUMERATE_SUB_KEYS, [&](const RegKeyNode& node) -> LONG {
    if (dwIndex >= node.Subkeys().size()) return ERROR_NO_MORE_ITEMS;
    const LONG rc = CopyName(node.Subkeys()[dwIndex]->Name(), lpName, lpcchName);
    if (rc == ERROR_SUCCESS && lpClass && lpcchClass && *lpcchClass > 0) {
      lpClass[0] = '\0';
      *lpcchClass = 0;
    }
    return rc;
  });
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                  LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved || !lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  return ReadKey(hKey, KEY_QUERY_VALUE, [&](const RegKeyNode& node) -> LONG {
    if (dwIndex >= node.Values().size()) return ERROR_NO_MORE_ITEMS;
    const RegValue& value = node.Values()[dwIndex];
    const LONG rc = CopyName(value.name, lpValueName, lpcchValueName);
    if (rc != ERROR_SUCCESS) return rc;
    return CopyData(value, lpType, lpData, lpcbData);
  });
}
