// ComObject: the reference count and QueryInterface of a COM object, answered from the list of
// interfaces it implements. The creator holds the first reference (the count starts at 1), so a
// caller's AddRef/Release pair can never destroy an object still being set up.
#pragma once

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com/com_ptr.h"
#include "platform/com/unknown.h"

namespace platform::com {

template <typename I>
constexpr bool InterfaceChainHas(REFIID riid) {
  if constexpr (std::is_void_v<I>) {
    return false;
  } else {
    return IsEqualIID(riid, InterfaceTraits<I>::iid()) || InterfaceChainHas<typename InterfaceTraits<I>::Base>(riid);
  }
}

template <typename... Interfaces>
class ComObject : public Interfaces... {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (void* p = FindInterface<Interfaces...>(riid)) {
      *ppv = p;
    } else {
      *ppv = QueryExtraInterface(riid);
      if (!*ppv) return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  IUnknown* GetUnknown() { return static_cast<FirstInterface*>(this); }
  ULONG RefCount() const { return refs_.load(); }

 protected:
  virtual ~ComObject() = default;
  // Interfaces served by something other than a base class (a tear-off, an inner object);
  // returns the pointer without a reference, or nullptr.
  virtual void* QueryExtraInterface(REFIID) { return nullptr; }

 private:
  using FirstInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;

  template <typename First, typename... Rest>
  void* FindInterface(REFIID riid) {
    if (InterfaceChainHas<First>(riid)) return static_cast<First*>(this);
    if constexpr (sizeof...(Rest) > 0) return FindInterface<Rest...>(riid);
    return nullptr;
  }

  std::atomic<ULONG> refs_{1};
};

// Creates an object whose first reference the returned pointer owns.
template <typename T, typename... Args>
CComPtr<T> MakeComObject(Args&&... args) {
  CComPtr<T> p;
  p.Attach(new T(std::forward<Args>(args)...));
  return p;
}

}  // namespace platform::com
