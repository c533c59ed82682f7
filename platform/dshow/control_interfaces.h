// What a program drives a graph with: media control, graph events, the video window, audio
// volume and the capture graph builder. (The SDK derives the first four from IDispatch; nothing
// here calls through IDispatch, so they derive from IUnknown.)
#pragma once

#include "platform/dshow/filter_interfaces.h"

using OAHWND = LONG_PTR;
using OAEVENT = LONG_PTR;
using OAFilterState = long;
constexpr long OATRUE = -1;
constexpr long OAFALSE = 0;
constexpr long INFINITE_WAIT = -1;
constexpr long AM_MEDIAEVENT_NONOTIFY = 0x01;

struct IFileSinkFilter;

DEFINE_GUID(IID_IMediaControl, 0x56A868B1, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEvent, 0x56A868B6, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEventEx, 0x56A868C0, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IVideoWindow, 0x56A868B4, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IBasicAudio, 0x56A868B3, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_ICaptureGraphBuilder2, 0x93E5A4E0, 0x2D50, 0x11D2, 0xAB, 0xFA, 0x00, 0xA0, 0xC9, 0xC6, 0xE3, 0x8D);

struct IMediaControl : public IUnknown {
  STDMETHOD(Run)() PURE;
  STDMETHOD(Pause)() PURE;
  STDMETHOD(Stop)() PURE;
  STDMETHOD(GetState)(LONG timeoutMs, OAFilterState* state) PURE;
  STDMETHOD(RenderFile)(BSTR file) PURE;
  STDMETHOD(AddSourceFilter)(BSTR file, IUnknown** filter) PURE;
  STDMETHOD(StopWhenReady)() PURE;
};
VIDARRO_INTERFACE(IMediaControl, IUnknown, IID_IMediaControl);

struct IMediaEvent : public IUnknown {
  STDMETHOD(GetEventHandle)(OAEVENT* handle) PURE;
  // E_ABORT when no event arrives within the time-out.
  STDMETHOD(GetEvent)(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) PURE;
  STDMETHOD(WaitForCompletion)(long timeoutMs, long* code) PURE;
  STDMETHOD(CancelDefaultHandling)(long code) PURE;
  STDMETHOD(RestoreDefaultHandling)(long code) PURE;
  STDMETHOD(FreeEventParams)(long code, LONG_PTR param1, LONG_PTR param2) PURE;
};
VIDARRO_INTERFACE(IMediaEvent, IUnknown, IID_IMediaEvent);

struct IMediaEventEx : public IMediaEvent {
  // Posts msg (wParam 0, lParam the instance data) to the window whenever an event is queued.
  STDMETHOD(SetNotifyWindow)(OAHWND hwnd, long msg, LONG_PTR instanceData) PURE;
  STDMETHOD(SetNotifyFlags)(long flags) PURE;
  STDMETHOD(GetNotifyFlags)(long* flags) PURE;
};
VIDARRO_INTERFACE(IMediaEventEx, IMediaEvent, IID_IMediaEventEx);

struct IVideoWindow : public IUnknown {
  STDMETHOD(put_Caption)(BSTR caption) PURE;
  STDMETHOD(get_Caption)(BSTR* caption) PURE;
  STDMETHOD(put_WindowStyle)(long style) PURE;
  STDMETHOD(get_WindowStyle)(long* style) PURE;
  STDMETHOD(put_AutoShow)(long autoShow) PURE;
  STDMETHOD(get_AutoShow)(long* autoShow) PURE;
  STDMETHOD(put_Visible)(long visible) PURE;
  STDMETHOD(get_Visible)(long* visible) PURE;
  STDMETHOD(put_Owner)(OAHWND owner) PURE;
  STDMETHOD(get_Owner)(OAHWND* owner) PURE;
  STDMETHOD(put_MessageDrain)(OAHWND drain) PURE;
  STDMETHOD(get_MessageDrain)(OAHWND* drain) PURE;
  STDMETHOD(put_FullScreenMode)(long fullScreen) PURE;
  STDMETHOD(get_FullScreenMode)(long* fullScreen) PURE;
  STDMETHOD(SetWindowForeground)(long focus) PURE;
  STDMETHOD(SetWindowPosition)(long left, long top, long width, long height) PURE;
  STDMETHOD(GetWindowPosition)(long* left, long* top, long* width, long* height) PURE;
};
VIDARRO_INTERFACE(IVideoWindow, IUnknown, IID_IVideoWindow);

struct IBasicAudio : public IUnknown {
  STDMETHOD(put_Volume)(long volume) PURE;  // hundredths of a decibel, -10000 to 0
  STDMETHOD(get_Volume)(long* volume) PURE;
  STDMETHOD(put_Balance)(long balance) PURE;
  STDMETHOD(get_Balance)(long* balance) PURE;
};
VIDARRO_INTERFACE(IBasicAudio, IUnknown, IID_IBasicAudio);

struct ICaptureGraphBuilder2 : public IUnknown {
  STDMETHOD(SetFiltergraph)(IGraphBuilder* graph) PURE;
  STDMETHOD(GetFiltergraph)(IGraphBuilder** graph) PURE;
  STDMETHOD(SetOutputFileName)(const GUID* type, LPCOLESTR file, IBaseFilter** mux, IFileSinkFilter** sink) PURE;
  STDMETHOD(FindInterface)(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid, void** ppv) PURE;
  STDMETHOD(RenderStream)
  (const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate, IBaseFilter* sink) PURE;
  STDMETHOD(ControlStream)
  (const GUID* category, const GUID* type, IBaseFilter* filter, REFERENCE_TIME* start, REFERENCE_TIME* stop,
   WORD startCookie, WORD stopCookie) PURE;
  STDMETHOD(AllocCapFile)(LPCOLESTR file, ULONGLONG size) PURE;
  STDMETHOD(CopyCaptureFile)(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort, IUnknown* callback) PURE;
  STDMETHOD(FindPin)
  (IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type, BOOL unconnected, int num,
   IPin** pin) PURE;
};
VIDARRO_INTERFACE(ICaptureGraphBuilder2, IUnknown, IID_ICaptureGraphBuilder2);
