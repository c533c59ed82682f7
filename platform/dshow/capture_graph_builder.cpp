// The capture graph builder: finds pins and interfaces around a filter, renders capture and
// preview streams (a Smart Tee when a device has no preview pin) and makes file writers.
#include <set>

#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/wdm_upstream.h"
#include "platform/dshow/writer_interfaces.h"

namespace platform::dshow {

namespace {

CComPtr<IBaseFilter> OwnerOf(IPin* pin) {
  PIN_INFO info;
  CComPtr<IBaseFilter> owner;
  if (SUCCEEDED(pin->QueryPinInfo(&info))) owner.Attach(info.pFilter);
  return owner;
}

bool PinHasCategory(IPin* pin, const GUID& category) {
  CComPtr<IKsPropertySet> ks;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&ks)))) return false;
  GUID got;
  DWORD returned = 0;
  return SUCCEEDED(ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &got, sizeof got, &returned)) &&
         got == category;
}

bool PinHasMajorType(IPin* pin, const GUID& major) {
  CMediaType connected;
  if (SUCCEEDED(pin->ConnectionMediaType(&connected)) && connected.majortype == major) return true;
  CComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(&types)) || !types) return false;
  AM_MEDIA_TYPE* mt = nullptr;
  bool found = false;
  while (!found && types->Next(1, &mt, nullptr) == S_OK) {
    found = mt->majortype == major;
    DeleteMediaType(mt);
  }
  return found;
}

class CaptureGraphBuilder : public com::ComObject<ICaptureGraphBuilder2> {
 public:
  STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override {
    if (!graph) return E_POINTER;
    if (graph_) return E_UNEXPECTED;
    graph_ = graph;
    return S_OK;
  }
  STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override {
    if (!graph) return E_POINTER;
    if (!graph_) {
      *graph = nullptr;
      return E_UNEXPECTED;
    }
    return graph_.CopyTo(graph);
  }

  STDMETHODIMP SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux, IFileSinkFilter** sink) override {
    if (!type || !file || !mux) return E_POINTER;
    *mux = nullptr;
    if (sink) *sink = nullptr;
    if (!graph_) return E_UNEXPECTED;
    CComPtr<IBaseFilter> muxFilter, writer;
    if (*type == MEDIASUBTYPE_Avi) {
      HRESULT hr = Create(CLSID_AviDest, "AVI Mux", muxFilter);
      if (FAILED(hr)) return hr;
      hr = Create(CLSID_FileWriter, "File writer", writer);
      if (FAILED(hr)) return hr;
      CComPtr<IPin> out = FirstFreePin(muxFilter, PINDIR_OUTPUT);
      CComPtr<IPin> in = FirstFreePin(writer, PINDIR_INPUT);
      if (!out || !in) return E_FAIL;
      hr = graph_->ConnectDirect(out, in, nullptr);
      if (FAILED(hr)) return hr;
    } else if (*type == MEDIASUBTYPE_Asf) {
      HRESULT hr = Create(CLSID_WMAsfWriter, "WM ASF Writer", muxFilter);
      if (FAILED(hr)) return hr;
      writer = muxFilter;
    } else {
      return E_INVALIDARG;
    }
    CComPtr<IFileSinkFilter> fileSink;
    HRESULT hr = writer->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&fileSink));
    if (FAILED(hr)) return hr;
    hr = fileSink->SetFileName(file, nullptr);
    if (FAILED(hr)) return hr;
    *mux = muxFilter.Detach();
    if (sink) *sink = fileSink.Detach();
    return S_OK;
  }

  STDMETHODIMP FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID riid,
                             void** ppv) override {
    if (!filter || !ppv) return E_POINTER;
    *ppv = nullptr;
    AddUpstream(filter);
    std::set<IBaseFilter*> seen;
    if (category && *category == LOOK_UPSTREAM_ONLY)
      return SearchUpstream(filter, riid, ppv, seen) ? S_OK : E_NOINTERFACE;
    if (category && *category == LOOK_DOWNSTREAM_ONLY) {
      for (auto& pin : PinsOf(filter))
        if (DirectionOf(pin) == PINDIR_OUTPUT && SearchDownstreamFrom(pin, riid, ppv, seen)) return S_OK;
      return E_NOINTERFACE;
    }
    if (SUCCEEDED(filter->QueryInterface(riid, ppv))) return S_OK;
    if (category && *category != GUID_NULL) {
      // A pin category narrows the downstream search to the matching output pins; what feeds
      // the filter (a crossbar, a tuner) is still looked at.
      seen.insert(filter);
      for (auto& pin : PinsOf(filter)) {
        if (!Matches(pin, PINDIR_OUTPUT, category, type, FALSE)) continue;
        if (SUCCEEDED(pin->QueryInterface(riid, ppv))) return S_OK;
        if (SearchDownstreamFrom(pin, riid, ppv, seen)) return S_OK;
      }
      return SearchUpstream(filter, riid, ppv, seen) ? S_OK : E_NOINTERFACE;
    }
    // No category: the whole graph around the filter. The filter, then its pins, then the
    // filters downstream (behind pins of the given major type first) and upstream.
    const auto pins = PinsOf(filter);
    for (auto& pin : pins)
      if (SUCCEEDED(pin->QueryInterface(riid, ppv))) return S_OK;
    seen.insert(filter);
    for (const bool typed : {true, false}) {
      if (typed && (!type || *type == GUID_NULL)) continue;
      for (auto& pin : pins) {
        if (DirectionOf(pin) != PINDIR_OUTPUT) continue;
        if (type && *type != GUID_NULL && PinHasMajorType(pin, *type) != typed) continue;
        if (SearchDownstreamFrom(pin, riid, ppv, seen)) return S_OK;
      }
    }
    return SearchUpstream(filter, riid, ppv, seen) ? S_OK : E_NOINTERFACE;
  }

  STDMETHODIMP RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* intermediate,
                            IBaseFilter* sink) override {
    if (!source) return E_POINTER;
    if (!graph_) return E_UNEXPECTED;
    HRESULT result = S_OK;
    CComPtr<IPin> out;
    if (FAILED(source->QueryInterface(IID_IPin, reinterpret_cast<void**>(&out)))) {
      CComPtr<IBaseFilter> filter;
      if (FAILED(source->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)))) return E_INVALIDARG;
      AddUpstream(filter);
      out = FindPinOn(filter, PINDIR_OUTPUT, category, type, TRUE, 0);
      if (!out && category && *category == PIN_CATEGORY_PREVIEW) {
        // No preview pin: split the capture pin with a Smart Tee.
        CComPtr<IPin> capture = FindPinOn(filter, PINDIR_OUTPUT, &PIN_CATEGORY_CAPTURE, type, TRUE, 0);
        if (!capture) return E_FAIL;
        CComPtr<IBaseFilter> tee;
        HRESULT hr = Create(CLSID_SmartTee, "Smart Tee", tee);
        if (FAILED(hr)) return hr;
        CComPtr<IPin> teeIn = FirstFreePin(tee, PINDIR_INPUT);
        hr = graph_->Connect(capture, teeIn);
        if (FAILED(hr)) return hr;
        out = FindPinOn(tee, PINDIR_OUTPUT, nullptr, nullptr, TRUE, 1);
        result = VFW_S_NOPREVIEWPIN;
      }
      if (!out) return E_FAIL;
    }
    if (intermediate) {
      CComPtr<IPin> in = FirstFreePin(intermediate, PINDIR_INPUT);
      if (!in) return E_FAIL;
      HRESULT hr = graph_->Connect(out, in);
      if (FAILED(hr)) return hr;
      out = FirstFreePin(intermediate, PINDIR_OUTPUT);
      if (!out) return sink ? E_FAIL : result;
    }
    if (sink) {
      CComPtr<IPin> in = FirstFreePin(sink, PINDIR_INPUT);
      if (!in) return E_FAIL;
      const HRESULT hr = graph_->Connect(out, in);
      return FAILED(hr) ? hr : result;
    }
    const HRESULT hr = graph_->Render(out);
    return FAILED(hr) ? hr : result;
  }

  STDMETHODIMP ControlStream(const GUID*, const GUID*, IBaseFilter*, REFERENCE_TIME*, REFERENCE_TIME*, WORD,
                             WORD) override {
    return S_OK;
  }
  STDMETHODIMP AllocCapFile(LPCOLESTR file, ULONGLONG) override { return file ? S_OK : E_POINTER; }
  STDMETHODIMP CopyCaptureFile(LPOLESTR, LPOLESTR, int, IUnknown*) override { return E_NOTIMPL; }

  STDMETHODIMP FindPin(IUnknown* source, PIN_DIRECTION dir, const GUID* category, const GUID* type, BOOL unconnected,
                       int num, IPin** pin) override {
    if (!source || !pin) return E_POINTER;
    *pin = nullptr;
    CComPtr<IPin> asPin;
    if (SUCCEEDED(source->QueryInterface(IID_IPin, reinterpret_cast<void**>(&asPin)))) {
      if (num == 0 && Matches(asPin, dir, category, type, unconnected)) return asPin.CopyTo(pin);
      return E_FAIL;
    }
    CComPtr<IBaseFilter> filter;
    if (FAILED(source->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)))) return E_INVALIDARG;
    CComPtr<IPin> found = FindPinOn(filter, dir, category, type, unconnected, num);
    if (!found) return E_FAIL;
    return found.CopyTo(pin);
  }

 private:
  static constexpr HRESULT VFW_S_NOPREVIEWPIN = 0x0004027E;

  HRESULT Create(const CLSID& clsid, const char* name, CComPtr<IBaseFilter>& filter) {
    HRESULT hr = filter.CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(hr)) return hr;
    hr = graph_->AddFilter(filter, name);
    return FAILED(hr) ? hr : S_OK;
  }

  void AddUpstream(IBaseFilter* filter) {
    CComPtr<IVidarroWdmUpstream> wdm;
    if (graph_ && SUCCEEDED(filter->QueryInterface(IID_IVidarroWdmUpstream, reinterpret_cast<void**>(&wdm))))
      wdm->AddUpstreamFilters(graph_);
  }

  static bool Matches(IPin* pin, PIN_DIRECTION dir, const GUID* category, const GUID* type, BOOL unconnected) {
    if (DirectionOf(pin) != dir) return false;
    if (unconnected && IsConnected(pin)) return false;
    if (category && *category != GUID_NULL && !PinHasCategory(pin, *category)) return false;
    if (type && *type != GUID_NULL && !PinHasMajorType(pin, *type)) return false;
    return true;
  }

  static CComPtr<IPin> FindPinOn(IBaseFilter* filter, PIN_DIRECTION dir, const GUID* category, const GUID* type,
                                 BOOL unconnected, int num) {
    for (auto& pin : PinsOf(filter)) {
      if (!Matches(pin, dir, category, type, unconnected)) continue;
      if (num-- == 0) return pin;
    }
    return nullptr;
  }

  bool SearchDownstreamFrom(IPin* out, REFIID riid, void** ppv, std::set<IBaseFilter*>& seen) {
    CComPtr<IPin> peer;
    if (FAILED(out->ConnectedTo(&peer))) return false;
    if (SUCCEEDED(peer->QueryInterface(riid, ppv))) return true;
    CComPtr<IBaseFilter> next = OwnerOf(peer);
    if (!next || !seen.insert(next.get()).second) return false;
    if (SUCCEEDED(next->QueryInterface(riid, ppv))) return true;
    for (auto& pin : PinsOf(next)) {
      if (DirectionOf(pin) != PINDIR_OUTPUT) continue;
      if (SUCCEEDED(pin->QueryInterface(riid, ppv))) return true;
      if (SearchDownstreamFrom(pin, riid, ppv, seen)) return true;
    }
    return false;
  }

  bool SearchUpstream(IBaseFilter* filter, REFIID riid, void** ppv, std::set<IBaseFilter*>& seen) {
    for (auto& pin : PinsOf(filter)) {
      if (DirectionOf(pin) != PINDIR_INPUT) continue;
      if (SUCCEEDED(pin->QueryInterface(riid, ppv))) return true;
      CComPtr<IPin> peer;
      if (FAILED(pin->ConnectedTo(&peer))) continue;
      if (SUCCEEDED(peer->QueryInterface(riid, ppv))) return true;
      CComPtr<IBaseFilter> prev = OwnerOf(peer);
      if (!prev || !seen.insert(prev.get()).second) continue;
      if (SUCCEEDED(prev->QueryInterface(riid, ppv))) return true;
      if (SearchUpstream(prev, riid, ppv, seen)) return true;
    }
    return false;
  }

  CComPtr<IGraphBuilder> graph_;
};

}  // namespace

namespace internal {
HRESULT CreateCaptureGraphBuilder(REFIID riid, void** ppv) {
  return com::HandOver(new CaptureGraphBuilder(), riid, ppv);
}
}  // namespace internal

}  // namespace platform::dshow
