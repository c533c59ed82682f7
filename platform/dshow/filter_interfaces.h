// The core filter interfaces: filters, pins, their enumerators, clocks and the filter graph.
#pragma once

#include "platform/com/moniker.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/media_types.h"

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

constexpr int MAX_PIN_NAME = 128;
constexpr int MAX_FILTER_NAME = 128;

struct IBaseFilter;
struct IFilterGraph;
struct IPin;

// Names are UTF-8 here; a name longer than the field is cut (the field stays terminated).
struct PIN_INFO {
  IBaseFilter* pFilter = nullptr;  // referenced; the caller releases it
  PIN_DIRECTION dir = PINDIR_INPUT;
  char achName[MAX_PIN_NAME] = {};
};
struct FILTER_INFO {
  char achName[MAX_FILTER_NAME] = {};
  IFilterGraph* pGraph = nullptr;  // referenced; the caller releases it
};

DEFINE_GUID(IID_IReferenceClock, 0x56A86897, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaFilter, 0x56A86899, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IBaseFilter, 0x56A86895, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IPin, 0x56A86891, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IEnumPins, 0x56A86892, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IEnumFilters, 0x56A86893, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IEnumMediaTypes, 0x89C31040, 0x846B, 0x11CE, 0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A);
DEFINE_GUID(IID_IFilterGraph, 0x56A8689F, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IGraphBuilder, 0x56A868A9, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);
DEFINE_GUID(IID_IMediaEventSink, 0x56A868A2, 0x0AD4, 0x11CE, 0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70);

struct IReferenceClock : public IUnknown {
  STDMETHOD(GetTime)(REFERENCE_TIME* time) PURE;
};
VIDARRO_INTERFACE(IReferenceClock, IUnknown, IID_IReferenceClock);

struct IMediaFilter : public IPersist {
  STDMETHOD(Stop)() PURE;
  STDMETHOD(Pause)() PURE;
  STDMETHOD(Run)(REFERENCE_TIME start) PURE;
  STDMETHOD(GetState)(DWORD timeoutMs, FILTER_STATE* state) PURE;
  STDMETHOD(SetSyncSource)(IReferenceClock* clock) PURE;
  STDMETHOD(GetSyncSource)(IReferenceClock** clock) PURE;
};
VIDARRO_INTERFACE(IMediaFilter, IPersist, IID_IMediaFilter);

struct IEnumMediaTypes : public IUnknown {
  // Each type is task memory the caller frees with DeleteMediaType.
  STDMETHOD(Next)(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumMediaTypes** clone) PURE;
};
VIDARRO_INTERFACE(IEnumMediaTypes, IUnknown, IID_IEnumMediaTypes);

struct IPin : public IUnknown {
  STDMETHOD(Connect)(IPin* receivePin, const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(ReceiveConnection)(IPin* connector, const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(Disconnect)() PURE;
  STDMETHOD(ConnectedTo)(IPin** pin) PURE;
  STDMETHOD(ConnectionMediaType)(AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(QueryPinInfo)(PIN_INFO* info) PURE;
  STDMETHOD(QueryDirection)(PIN_DIRECTION* dir) PURE;
  STDMETHOD(QueryId)(LPOLESTR* id) PURE;
  STDMETHOD(QueryAccept)(const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(EnumMediaTypes)(IEnumMediaTypes** types) PURE;
  STDMETHOD(QueryInternalConnections)(IPin** pins, ULONG* count) PURE;
  STDMETHOD(EndOfStream)() PURE;
  STDMETHOD(BeginFlush)() PURE;
  STDMETHOD(EndFlush)() PURE;
  STDMETHOD(NewSegment)(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) PURE;
};
VIDARRO_INTERFACE(IPin, IUnknown, IID_IPin);

struct IEnumPins : public IUnknown {
  STDMETHOD(Next)(ULONG count, IPin** pins, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumPins** clone) PURE;
};
VIDARRO_INTERFACE(IEnumPins, IUnknown, IID_IEnumPins);

struct IBaseFilter : public IMediaFilter {
  STDMETHOD(EnumPins)(IEnumPins** pins) PURE;
  STDMETHOD(FindPin)(LPCOLESTR id, IPin** pin) PURE;
  STDMETHOD(QueryFilterInfo)(FILTER_INFO* info) PURE;
  STDMETHOD(JoinFilterGraph)(IFilterGraph* graph, LPCOLESTR name) PURE;
  STDMETHOD(QueryVendorInfo)(LPOLESTR* vendorInfo) PURE;
};
VIDARRO_INTERFACE(IBaseFilter, IMediaFilter, IID_IBaseFilter);

struct IEnumFilters : public IUnknown {
  STDMETHOD(Next)(ULONG count, IBaseFilter** filters, ULONG* fetched) PURE;
  STDMETHOD(Skip)(ULONG count) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumFilters** clone) PURE;
};
VIDARRO_INTERFACE(IEnumFilters, IUnknown, IID_IEnumFilters);

struct IFilterGraph : public IUnknown {
  STDMETHOD(AddFilter)(IBaseFilter* filter, LPCOLESTR name) PURE;
  STDMETHOD(RemoveFilter)(IBaseFilter* filter) PURE;
  STDMETHOD(EnumFilters)(IEnumFilters** filters) PURE;
  STDMETHOD(FindFilterByName)(LPCOLESTR name, IBaseFilter** filter) PURE;
  STDMETHOD(ConnectDirect)(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) PURE;
  STDMETHOD(Reconnect)(IPin* pin) PURE;
  STDMETHOD(Disconnect)(IPin* pin) PURE;
  STDMETHOD(SetDefaultSyncSource)() PURE;
};
VIDARRO_INTERFACE(IFilterGraph, IUnknown, IID_IFilterGraph);

struct IGraphBuilder : public IFilterGraph {
  STDMETHOD(Connect)(IPin* out, IPin* in) PURE;
  STDMETHOD(Render)(IPin* out) PURE;
  STDMETHOD(RenderFile)(LPCOLESTR file, LPCOLESTR playList) PURE;
  STDMETHOD(AddSourceFilter)(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) PURE;
  STDMETHOD(SetLogFile)(DWORD_PTR file) PURE;
  STDMETHOD(Abort)() PURE;
  STDMETHOD(ShouldOperationContinue)() PURE;
};
VIDARRO_INTERFACE(IGraphBuilder, IFilterGraph, IID_IGraphBuilder);

// Filters report events to their graph through this.
struct IMediaEventSink : public IUnknown {
  STDMETHOD(Notify)(long code, LONG_PTR param1, LONG_PTR param2) PURE;
};
VIDARRO_INTERFACE(IMediaEventSink, IUnknown, IID_IMediaEventSink);
