#include "platform/com/class_table.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/com/object.h"
#include "platform/com/registered_classes.h"

namespace {

struct Entry {
  DWORD cookie = 0;
  CLSID clsid;
  std::string progId;
  platform::com::Creator creator;  // either this
  CComPtr<IClassFactory> factory;  // or a registered factory object
};

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

class Table {
 public:
  DWORD Add(Entry entry) {
    std::lock_guard lock(mutex_);
    entry.cookie = ++lastCookie_;
    entries_.push_back(std::move(entry));
    return entries_.back().cookie;
  }
  bool Remove(DWORD cookie) {
    CComPtr<IClassFactory> doomed;  // released outside the lock
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->cookie == cookie) {
        doomed = std::move(it->factory);
        entries_.erase(it);
        return true;
      }
    }
    return false;
  }
  // The latest registration wins, so a test can shadow a stock class with a spy.
  bool Find(REFCLSID clsid, platform::com::Creator* creator, CComPtr<IClassFactory>* factory) {
    std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (it->clsid == clsid) {
        *creator = it->creator;
        *factory = it->factory;
        return true;
      }
    }
    return false;
  }
  bool FindProgId(const std::string& progId, CLSID* clsid) {
    const std::string key = UpperAscii(progId);
    std::lock_guard lock(mutex_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      if (!it->progId.empty() && UpperAscii(it->progId) == key) {
        *clsid = it->clsid;
        return true;
      }
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::vector<Entry> entries_;
  DWORD lastCookie_ = 0;
};

Table& TheTable() {
  static Table* table = new Table();  // outlives static registrations torn down at exit
  return *table;
}

// Wraps a Creator as an IClassFactory for CoGetClassObject callers.
class CreatorFactory : public platform::com::ComObject<IClassFactory> {
 public:
  explicit CreatorFactory(platform::com::Creator creator) : creator_(std::move(creator)) {}
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return creator_(riid, ppv);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  platform::com::Creator creator_;
};

}  // namespace

HRESULT CoInitialize(LPVOID) { return S_OK; }
HRESULT CoInitializeEx(LPVOID, DWORD) { return S_OK; }
void CoUninitialize() {}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  platform::com::Creator creator;
  CComPtr<IClassFactory> factory;
  if (!TheTable().Find(clsid, &creator, std::addressof(factory))) {
    // Not made by this process: a class installed in the registry.
    const HRESULT found =
        platform::com::RegisteredClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(found)) return found;
  }
  if (outer) return CLASS_E_NOAGGREGATION;
  HRESULT hr = factory ? factory->CreateInstance(nullptr, riid, ppv) : creator(riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  else if (!*ppv) hr = E_NOINTERFACE;
  return hr;
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD, LPVOID, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  platform::com::Creator creator;
  CComPtr<IClassFactory> factory;
  if (!TheTable().Find(clsid, &creator, std::addressof(factory)))
    return platform::com::RegisteredClassObject(clsid, riid, ppv);
  if (!factory) factory.Attach(new CreatorFactory(creator));
  return factory->QueryInterface(riid, ppv);
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  if (TheTable().FindProgId(progId, clsid)) return S_OK;
  return platform::com::RegisteredProgId(progId, clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  if (GuidFromString(text, clsid)) return S_OK;
  return TheTable().FindProgId(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* factory, DWORD, DWORD, LPDWORD cookie) {
  if (!factory || !cookie) return E_INVALIDARG;
  *cookie = 0;
  Entry entry;
  entry.clsid = clsid;
  if (FAILED(factory->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&entry.factory)))) return E_INVALIDARG;
  *cookie = TheTable().Add(std::move(entry));
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) { return TheTable().Remove(cookie) ? S_OK : E_INVALIDARG; }

namespace platform::com {

ClassRegistration::ClassRegistration(REFCLSID clsid, Creator creator, const std::string& progId) {
  Entry entry;
  entry.clsid = clsid;
  entry.progId = progId;
  entry.creator = std::move(creator);
  cookie_ = TheTable().Add(std::move(entry));
}

ClassRegistration::ClassRegistration(ClassRegistration&& other) noexcept : cookie_(std::exchange(other.cookie_, 0)) {}

ClassRegistration& ClassRegistration::operator=(ClassRegistration&& other) noexcept {
  if (this != &other) {
    Revoke();
    cookie_ = std::exchange(other.cookie_, 0);
  }
  return *this;
}

ClassRegistration::~ClassRegistration() { Revoke(); }

void ClassRegistration::Revoke() {
  if (cookie_) TheTable().Remove(std::exchange(cookie_, 0));
}

void RegisterClassForever(REFCLSID clsid, Creator creator, const std::string& progId) {
  Entry entry;
  entry.clsid = clsid;
  entry.progId = progId;
  entry.creator = std::move(creator);
  TheTable().Add(std::move(entry));
}

}  // namespace platform::com
