// IUnknown, the method-declaration macros, and the link from an interface type to its IID.
#pragma once

#include <type_traits>

#include "platform/base/win_types.h"
#include "platform/com/guid.h"
#include "platform/com/hresult.h"

#define STDMETHODCALLTYPE
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define PURE = 0

namespace platform::com {
// Each interface names its IID and the interface it extends, so QueryInterface can answer
// for the whole chain (asking an IGraphBuilder for IFilterGraph finds the same pointer).
template <typename I>
struct InterfaceTraits;
}  // namespace platform::com

// VIDARRO_INTERFACE(IFoo, IUnknown, IID_IFoo) after the declaration of IFoo.
#define VIDARRO_INTERFACE(Iface, BaseIface, iidConstant)      \
  template <>                                                 \
  struct platform::com::InterfaceTraits<Iface> {              \
    using Base = BaseIface;                                   \
    static constexpr const IID& iid() { return iidConstant; } \
  }

DEFINE_GUID(IID_IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;

 protected:
  ~IUnknown() = default;  // objects die through Release, never through an interface pointer
};
using LPUNKNOWN = IUnknown*;

template <>
struct platform::com::InterfaceTraits<IUnknown> {
  using Base = void;
  static constexpr const IID& iid() { return IID_IUnknown; }
};

// __uuidof in place: the IID of an interface type.
template <typename I>
constexpr const IID& uuidof() {
  return platform::com::InterfaceTraits<I>::iid();
}

// IID_PPV_ARGS(&p): the IID of p's type and p as void**.
template <typename I>
void** IID_PPV_ARGS_Helper(I** pp) {
  return reinterpret_cast<void**>(pp);
}
#define IID_PPV_ARGS(pp) uuidof<std::remove_pointer_t<std::remove_pointer_t<decltype(pp)>>>(), IID_PPV_ARGS_Helper(pp)
