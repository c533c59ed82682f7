#include "platform/com/property_frame.h"

#include <atomic>

namespace {
std::atomic<platform::com::PropertyFrameShower> shower{nullptr};
}  // namespace

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount, IUnknown** objects,
                               ULONG pageCount, const CLSID* pages, LCID, DWORD, LPVOID) {
  if (objectCount > 0 && !objects) return E_POINTER;
  if (pageCount > 0 && !pages) return E_POINTER;
  platform::com::PropertyFrameRequest request;
  request.owner = owner;
  request.x = x;
  request.y = y;
  request.caption = caption ? caption : "";
  request.objectCount = objectCount;
  request.objects = objects;
  request.pages.assign(pages, pages + pageCount);
  const platform::com::PropertyFrameShower show = shower.load();
  return show ? show(request) : E_NOTIMPL;
}

namespace platform::com {
void SetPropertyFrameShower(PropertyFrameShower s) { shower.store(s); }
}  // namespace platform::com
