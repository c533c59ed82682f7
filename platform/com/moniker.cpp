#include "platform/com/moniker.h"

#include <mutex>

#include "platform/com/object.h"
#include "platform/com/out_param.h"
#include "platform/com/task_mem.h"

namespace {

class ItemMoniker : public platform::com::ComObject<IMoniker> {
 public:
  explicit ItemMoniker(std::string name) : name_(std::move(name)) {}
  STDMETHODIMP BindToObject(IBindCtx*, IMoniker*, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP BindToStorage(IBindCtx*, IMoniker*, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* out) override {
    return platform::com::CopyOutText(name_, out);
  }

 private:
  std::string name_;
};

class RunningObjectTable : public platform::com::ComObject<IRunningObjectTable> {
 public:
  STDMETHODIMP Register(DWORD, IUnknown* object, IMoniker* name, DWORD* cookie) override {
    if (!object || !name || !cookie) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    entries_.push_back({++last_, platform::com::DisplayNameOf(name), object});
    *cookie = last_;
    return S_OK;
  }
  STDMETHODIMP Revoke(DWORD cookie) override {
    CComPtr<IUnknown> doomed;
    std::lock_guard lock(mutex_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->cookie == cookie) {
        doomed = std::move(it->object);
        entries_.erase(it);
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }
  STDMETHODIMP IsRunning(IMoniker* name) override {
    CComPtr<IUnknown> object;
    return SUCCEEDED(GetObject(name, &object)) ? S_OK : S_FALSE;
  }
  STDMETHODIMP GetObject(IMoniker* name, IUnknown** object) override {
    if (!name || !object) return E_INVALIDARG;
    *object = nullptr;
    const std::string wanted = platform::com::DisplayNameOf(name);
    std::lock_guard lock(mutex_);
    for (auto& e : entries_) {
      if (e.name == wanted) return e.object.CopyTo(object);
    }
    return MAKE_HRESULT(1, FACILITY_ITF, 0x1E3);  // MK_E_UNAVAILABLE
  }
  std::vector<std::string> Names() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    for (auto& e : entries_) names.push_back(e.name);
    return names;
  }

 private:
  struct Entry {
    DWORD cookie;
    std::string name;
    CComPtr<IUnknown> object;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
  DWORD last_ = 0;
};

RunningObjectTable& TheRot() {
  static RunningObjectTable* rot = new RunningObjectTable();  // lives for the process
  return *rot;
}

}  // namespace

HRESULT GetRunningObjectTable(DWORD, IRunningObjectTable** table) {
  if (!table) return E_INVALIDARG;
  *table = &TheRot();
  (*table)->AddRef();
  return S_OK;
}

HRESULT CreateItemMoniker(LPCOLESTR delimiter, LPCOLESTR item, IMoniker** moniker) {
  if (!moniker) return E_INVALIDARG;
  *moniker = new ItemMoniker(std::string(delimiter ? delimiter : "") + (item ? item : ""));
  return S_OK;
}

namespace platform::com {
std::vector<std::string> RunningObjectNames() { return TheRot().Names(); }

std::string DisplayNameOf(IMoniker* moniker) {
  if (!moniker) return {};
  LPOLESTR text = nullptr;
  if (FAILED(moniker->GetDisplayName(nullptr, nullptr, &text)) || !text) return {};
  std::string name = text;
  CoTaskMemFree(text);
  return name;
}
}  // namespace platform::com
