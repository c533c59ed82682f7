// In-process servers: what a module exports so that CoCreateInstance can make its objects from
// the registry (HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 naming the module), and the
// entries its DllRegisterServer writes.
//   extern "C" HRESULT DllGetClassObject(REFCLSID, REFIID, void**);
//   extern "C" HRESULT DllRegisterServer();  DllUnregisterServer();  DllCanUnloadNow();
#pragma once

#include <string>

#include "platform/com/class_table.h"
#include "platform/com/object.h"

constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201);

namespace platform::com {

// The entry points' names, as regsvr32 and the object creation look them up.
inline constexpr const char* kGetClassObjectEntry = "DllGetClassObject";
inline constexpr const char* kRegisterServerEntry = "DllRegisterServer";
inline constexpr const char* kUnregisterServerEntry = "DllUnregisterServer";
using GetClassObjectFunction = HRESULT (*)(REFCLSID, REFIID, void**);
using RegisterServerFunction = HRESULT (*)();

// HKCR\<progId>\CLSID = "{clsid}", HKCR\CLSID\{clsid} with ProgID = progId and
// InprocServer32 = modulePath. SELFREG_E_CLASS when a value cannot be written or a name is empty.
HRESULT RegisterInprocServer(REFCLSID clsid, const std::string& progId, const std::string& modulePath);
// Removes what RegisterInprocServer wrote; S_OK when nothing was there.
HRESULT UnregisterInprocServer(REFCLSID clsid, const std::string& progId);
// The file of the loaded module that holds `address`; "" when none does.
std::string ModuleFileOf(const void* address);

// The class factory a module's DllGetClassObject hands out for its class T.
template <typename T>
class ClassFactory : public ComObject<IClassFactory> {
 public:
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreatorOf<T>()(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

// DllGetClassObject for a module serving the one class `served` made by T.
template <typename T>
HRESULT ServeClassObject(REFCLSID clsid, REFCLSID served, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != served) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new ClassFactory<T>();
  const HRESULT hr = factory->QueryInterface(riid, ppv);
  factory->Release();
  return hr;
}

}  // namespace platform::com
