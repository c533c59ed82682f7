// The in-process class table: objects are created by class identifier (CoCreateInstance) or by
// ProgID (CLSIDFromProgID), from factories registered by the modules and tests of this process,
// else from the classes installed in the registry (registered_classes.h).
#pragma once

#include <functional>
#include <string>

#include "platform/com/unknown.h"

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

DEFINE_GUID(IID_IClassFactory, 0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IClassFactory : public IUnknown {
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) PURE;
  STDMETHOD(LockServer)(BOOL lock) PURE;
};
VIDARRO_INTERFACE(IClassFactory, IUnknown, IID_IClassFactory);

using LPDWORD = DWORD*;
using OLECHAR = char;  // text crosses as UTF-8
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
void CoUninitialize();

// Writes NULL to *ppv on every failure. REGDB_E_CLASSNOTREG for an unknown class,
// CLASS_E_NOAGGREGATION when an outer object is given; an installed class whose module is
// missing gives CO_E_DLLNOTFOUND.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, LPVOID reserved, REFIID riid, void** ppv);
// CO_E_CLASSSTRING for an unknown ProgID; ProgIDs compare without case.
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// Reads "{...}" text; a registered ProgID is accepted as well, as the platform does.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);

// Registers a factory; the table holds a reference until CoRevokeClassObject(cookie).
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD context, DWORD flags, LPDWORD cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

namespace platform::com {

// Makes one new object of a class and answers riid on it.
using Creator = std::function<HRESULT(REFIID riid, void** ppv)>;

// Registers a class in the table for as long as the registration lives; a later registration
// of the same class identifier (a test's spy) hides the earlier one until it goes.
class ClassRegistration {
 public:
  ClassRegistration() = default;
  ClassRegistration(REFCLSID clsid, Creator creator, const std::string& progId = {});
  ClassRegistration(ClassRegistration&& other) noexcept;
  ClassRegistration& operator=(ClassRegistration&& other) noexcept;
  ClassRegistration(const ClassRegistration&) = delete;
  ClassRegistration& operator=(const ClassRegistration&) = delete;
  ~ClassRegistration();
  void Revoke();
  bool Registered() const { return cookie_ != 0; }

 private:
  DWORD cookie_ = 0;
};

// Registers a class for the life of the process (stock classes of a platform library).
void RegisterClassForever(REFCLSID clsid, Creator creator, const std::string& progId = {});

// Creator for a class derived from ComObject with a default constructor.
template <typename T>
Creator CreatorOf() {
  return [](REFIID riid, void** ppv) -> HRESULT {
    T* object = new T();
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
  };
}

}  // namespace platform::com
