// CComPtr: owns one reference to a COM object and releases it when it goes.
#pragma once

#include <memory>
#include <utility>

#include "platform/com/unknown.h"

template <typename T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(std::nullptr_t) {}
  CComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.p_) {}
  CComPtr(CComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~CComPtr() { Release(); }

  CComPtr& operator=(T* p) {
    if (p) p->AddRef();
    Release();
    p_ = p;
    return *this;
  }
  CComPtr& operator=(const CComPtr& other) { return *this = other.p_; }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      Release();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  CComPtr& operator=(std::nullptr_t) {
    Release();
    return *this;
  }

  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  operator T*() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* get() const { return p_; }

  // For out parameters: the old object is released first, so nothing leaks on reuse.
  T** operator&() {
    Release();
    return &p_;
  }

  void Release() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Takes over a reference the caller already owns.
  void Attach(T* p) {
    Release();
    p_ = p;
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  // Hands out a new reference through an out parameter.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  template <typename Q>
  HRESULT QueryInterface(Q** out) const {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!p_) return E_POINTER;
    return p_->QueryInterface(uuidof<Q>(), reinterpret_cast<void**>(out));
  }
  bool IsEqualObject(IUnknown* other) const;

  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD context = 0x17);

 private:
  T* p_ = nullptr;
};

// A pointer filled by QueryInterface from any other interface pointer.
template <typename T>
class CComQIPtr : public CComPtr<T> {
 public:
  CComQIPtr() = default;
  CComQIPtr(T* p) : CComPtr<T>(p) {}
  template <typename U>
  explicit CComQIPtr(U* other) {
    if (other) other->QueryInterface(uuidof<T>(), reinterpret_cast<void**>(&*this));
  }
  using CComPtr<T>::operator=;
};

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** ppv);

template <typename T>
HRESULT CComPtr<T>::CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context) {
  Release();
  return ::CoCreateInstance(clsid, outer, context, uuidof<T>(), reinterpret_cast<void**>(&p_));
}

template <typename T>
bool CComPtr<T>::IsEqualObject(IUnknown* other) const {
  if (!p_ && !other) return true;
  if (!p_ || !other) return false;
  CComPtr<IUnknown> a, b;
  p_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  return a.get() == b.get();
}
