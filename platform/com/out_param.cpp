#include "platform/com/out_param.h"

#include <cstring>

#include "platform/com/task_mem.h"

namespace platform::com {

LPOLESTR TaskString(const std::string& text) {
  auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(text.size() + 1));
  if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

HRESULT CopyOutText(const std::string& text, LPOLESTR* out) {
  if (!out) return E_POINTER;
  *out = TaskString(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform::com
