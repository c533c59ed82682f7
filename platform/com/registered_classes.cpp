#include "platform/com/registered_classes.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <vector>

#include "platform/base/module.h"
#include "platform/com/guid.h"
#include "platform/com/inproc_server.h"
#include "platform/registry/registry.h"

namespace platform::com {
namespace {

constexpr DWORD kLongestValue = 4096;

// The default value of an HKCR key as text; "" when missing, not text or too long.
std::string DefaultText(const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
  std::vector<BYTE> data(kLongestValue + 1, 0);
  DWORD size = kLongestValue, type = REG_NONE;
  const LONG result = RegQueryValueEx(key, nullptr, nullptr, &type, data.data(), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || size > kLongestValue) return {};
  std::string text(reinterpret_cast<const char*>(data.data()), size);
  if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
  return text;
}

LONG SetDefaultText(const std::string& subKey, const std::string& text) {
  HKEY key = nullptr;
  LONG result = RegCreateKeyEx(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                               nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  RegCloseKey(key);
  return result;
}

std::mutex& ModulesLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

// The modules loaded for their classes, by the name the registry gave.
std::map<std::string, HMODULE>& LoadedServers() {
  static auto* servers = new std::map<std::string, HMODULE>;
  return *servers;
}

HMODULE LoadServer(const std::string& module) {
  std::lock_guard lock(ModulesLock());
  auto& servers = LoadedServers();
  if (auto it = servers.find(module); it != servers.end()) return it->second;
  HMODULE handle = ::LoadLibrary(module.c_str());
  if (handle) servers[module] = handle;
  return handle;
}

}  // namespace

bool RegisteredProgId(const std::string& progId, CLSID* clsid) {
  if (progId.empty() || !clsid) return false;
  const std::string text = DefaultText(progId + "\\CLSID");
  return !text.empty() && GuidFromString(text, clsid);
}

HRESULT RegisteredClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  const std::string module = DefaultText("CLSID\\" + GuidToString(clsid) + "\\InprocServer32");
  if (module.empty()) return REGDB_E_CLASSNOTREG;
  HMODULE server = LoadServer(module);
  if (!server) return CO_E_DLLNOTFOUND;
  auto entry = reinterpret_cast<GetClassObjectFunction>(::GetProcAddress(server, kGetClassObjectEntry));
  if (!entry) return CO_E_ERRORINDLL;
  const HRESULT hr = entry(clsid, riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  else if (!*ppv) return E_NOINTERFACE;
  return hr;
}

HRESULT RegisterInprocServer(REFCLSID clsid, const std::string& progId, const std::string& modulePath) {
  if (progId.empty() || modulePath.empty()) return SELFREG_E_CLASS;
  const std::string classKey = "CLSID\\" + GuidToString(clsid);
  const bool written = SetDefaultText(progId + "\\CLSID", GuidToString(clsid)) == ERROR_SUCCESS &&
                       SetDefaultText(classKey + "\\ProgID", progId) == ERROR_SUCCESS &&
                       SetDefaultText(classKey + "\\InprocServer32", modulePath) == ERROR_SUCCESS;
  return written ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterInprocServer(REFCLSID clsid, const std::string& progId) {
  const std::string classKey = "CLSID\\" + GuidToString(clsid);
  // Innermost first: a key with sub-keys cannot go.
  for (const std::string& key :
       {classKey + "\\InprocServer32", classKey + "\\ProgID", classKey, progId + "\\CLSID", progId})
    if (!progId.empty() || key.rfind("CLSID\\", 0) == 0) RegDeleteKey(HKEY_CLASSES_ROOT, key.c_str());
  return S_OK;
}

std::string ModuleFileOf(const void* address) {
  Dl_info info{};
  if (!address || dladdr(address, &info) == 0 || !info.dli_fname) return {};
  return info.dli_fname;
}

}  // namespace platform::com
