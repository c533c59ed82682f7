// The maker's thumbnail filters: "Still Capture", which keeps the latest picture and hands it
// out as a bitmap through IFrameGrab, and "QT Source", the file source for QuickTime files.
#pragma once

#include "platform/dshow/filter_interfaces.h"
#include "platform/gdi/gdi_types.h"

DEFINE_GUID(CLSID_QnStillCapture, 0xD77728EC, 0x77EB, 0x40F7, 0x77, 0x5D, 0xEB, 0xC7, 0x77, 0xD8, 0x4B, 0x90);
DEFINE_GUID(CLSID_QTSource, 0x246FBF45, 0x1328, 0x3350, 0x4F, 0xDF, 0x34, 0x1B, 0x39, 0x4F, 0x39, 0x22);
DEFINE_GUID(IID_IFrameGrab, 0x877753B1, 0x97DE, 0x77DC, 0x8A, 0x77, 0x62, 0x82, 0xA4, 0xBC, 0x15, 0x27);

struct IFrameGrab : public IUnknown {
  // A new 24-bit DIB section of width x height from the held picture; the caller owns it.
  // Fails, leaving *out alone, while no picture is held.
  STDMETHOD(GetFrame)(HBITMAP* out, int width, int height) PURE;
  // S_OK once a picture is held, S_FALSE before.
  STDMETHOD(IsFrameReady)() PURE;
};
VIDARRO_INTERFACE(IFrameGrab, IUnknown, IID_IFrameGrab);

namespace platform::filters {
HRESULT CreateStillCapture(REFIID riid, void** ppv);
HRESULT CreateQtSource(REFIID riid, void** ppv);
}  // namespace platform::filters
