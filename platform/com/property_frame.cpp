#include "platform/com/property_frame.h"

#include <mutex>

namespace {
std::mutex requestsMutex;
std::vector<platform::com::PropertyFrameRequest>& Requests() {
  static std::vector<platform::com::PropertyFrameRequest> requests;
  return requests;
}
}  // namespace

HRESULT OleCreatePropertyFrame(HWND owner, UINT, UINT, LPCOLESTR caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages, LCID, DWORD, LPVOID) {
  if (objectCount > 0 && !objects) return E_POINTER;
  if (pageCount > 0 && !pages) return E_POINTER;
  platform::com::PropertyFrameRequest request;
  request.owner = owner;
  request.caption = caption ? caption : "";
  request.objectCount = objectCount;
  request.pages.assign(pages, pages + pageCount);
  std::lock_guard lock(requestsMutex);
  Requests().push_back(std::move(request));
  return S_OK;
}

namespace platform::com {
std::vector<PropertyFrameRequest> PropertyFrameRequests() {
  std::lock_guard lock(requestsMutex);
  return Requests();
}
void ClearPropertyFrameRequests() {
  std::lock_guard lock(requestsMutex);
  Requests().clear();
}
}  // namespace platform::com
