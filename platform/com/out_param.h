// Out parameters: a value or a text handed back to the caller, with the usual answers
// (E_POINTER for a null pointer, E_OUTOFMEMORY when task memory runs out).
#pragma once

#include <string>

#include "platform/com/class_table.h"

namespace platform::com {

template <typename T, typename V>
HRESULT CopyOut(T* out, const V& value) {
  if (!out) return E_POINTER;
  *out = value;
  return S_OK;
}

// The setter's half: keeps a value the caller passed in.
template <typename T, typename V>
HRESULT CopyIn(T& field, const V& value) {
  field = value;
  return S_OK;
}

// A copy of text in task memory, or nullptr; the receiver frees it with CoTaskMemFree.
LPOLESTR TaskString(const std::string& text);

HRESULT CopyOutText(const std::string& text, LPOLESTR* out);

// Answers a creation request with a fresh object: the requested interface takes over the
// creator's first reference, so the object dies here when it does not offer that interface.
// GCC 12 speculatively devirtualises these calls into other classes made by the same creator
// template and warns about bounds of objects that are never there; the calls are plain virtual ones.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
template <typename T>
HRESULT HandOver(T* object, REFIID riid, void** ppv) {
  const HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace platform::com
