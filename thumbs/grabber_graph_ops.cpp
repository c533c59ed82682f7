#include "platform/com/class_table.h"
#include "platform/dshow/enumerators.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/pin_walk.h"
#include "platform/filters/maker_interfaces.h"
#include "thumbs/thumbnail_grabber.h"

namespace {

std::vector<CComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<CComPtr<IPin>> pins;
  CComPtr<IEnumPins> e;
  if (!filter || FAILED(filter->EnumPins(&e)) || !e) return pins;
  IPin* pin = nullptr;
  while (e->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> held;
    held.Attach(pin);
    pins.push_back(held);
  }
  return pins;
}

std::vector<CComPtr<IBaseFilter>> FiltersOf(IGraphBuilder* graph) {
  std::vector<CComPtr<IBaseFilter>> filters;
  CComPtr<IEnumFilters> e;
  if (!graph || FAILED(graph->EnumFilters(&e)) || !e) return filters;
  IBaseFilter* filter = nullptr;
  while (e->Next(1, &filter, nullptr) == S_OK) {
    CComPtr<IBaseFilter> held;
    held.Attach(filter);
    filters.push_back(held);
  }
  return filters;
}

bool DirectionIs(IPin* pin, PIN_DIRECTION wanted) {
  PIN_DIRECTION dir;
  return SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted;
}

CComPtr<IBaseFilter> OwnerOf(IPin* pin) {
  CComPtr<IBaseFilter> owner;
  PIN_INFO info;
  if (SUCCEEDED(pin->QueryPinInfo(&info))) owner.Attach(info.pFilter);
  return owner;
}

int CountPins(IBaseFilter* filter, PIN_DIRECTION dir) {
  int n = 0;
  for (auto& pin : PinsOf(filter))
    if (DirectionIs(pin, dir)) ++n;
  return n;
}

bool IsDecodedVideo(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video) return false;
  if (mt.formattype != FORMAT_VideoInfo && mt.formattype != FORMAT_VideoInfo2) return false;
  for (const GUID& sub : {MEDIASUBTYPE_YV12, MEDIASUBTYPE_YUY2, MEDIASUBTYPE_UYVY, MEDIASUBTYPE_RGB24,
                          MEDIASUBTYPE_RGB32, MEDIASUBTYPE_RGB555, MEDIASUBTYPE_RGB8, MEDIASUBTYPE_ARGB32})
    if (mt.subtype == sub) return true;
  return false;
}

// Only the source's video is rendered when it has any: a sound branch's decoder and device would be
// built, fed while the picture is looked for and torn down again, all for no picture. A source
// with no video is rendered whole, as the graph would.
HRESULT RenderVideoOutputs(IGraphBuilder* graph, IBaseFilter* source) {
  int rendered = 0, refused = 0;
  for (auto& pin : PinsOf(source)) {
    if (!DirectionIs(pin, PINDIR_OUTPUT) || CThumbnailGrabber::GetPinMajorType(pin) != MEDIATYPE_Video) continue;
    if (SUCCEEDED(graph->Render(pin))) ++rendered;
    else ++refused;
  }
  if (rendered + refused == 0) return platform::dshow::RenderOutputs(graph, source);
  if (rendered == 0) return VFW_E_CANNOT_RENDER;
  return refused ? VFW_S_PARTIAL_RENDER : S_OK;
}

}  // namespace

void CThumbnailGrabber::FindPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** pin) {
  if (!pin) return;
  *pin = nullptr;
  int seen = 0;
  for (auto& p : PinsOf(filter)) {
    if (!DirectionIs(p, dir)) continue;
    if (seen++ == index) {
      *pin = p;
      (*pin)->AddRef();
      return;
    }
  }
}

IPin* CThumbnailGrabber::GetInputPin(IBaseFilter* filter, int index) {
  CComPtr<IPin> pin;
  FindPin(filter, PINDIR_INPUT, index, &pin);
  return pin.get();  // the filter keeps it alive
}

IPin* CThumbnailGrabber::GetOutputPin(IBaseFilter* filter, int index) {
  CComPtr<IPin> pin;
  FindPin(filter, PINDIR_OUTPUT, index, &pin);
  return pin.get();
}

HRESULT CThumbnailGrabber::ConnectDirect(IGraphBuilder* graph, IBaseFilter* upstream, int output,
                                         IBaseFilter* downstream, int input) {
  if (!graph || !upstream || !downstream) return S_FALSE;
  return graph->ConnectDirect(GetOutputPin(upstream, output), GetInputPin(downstream, input), nullptr);
}

HRESULT CThumbnailGrabber::ConnectFilters(IGraphBuilder* graph, IBaseFilter* upstream, int output,
                                          IBaseFilter* downstream, int input) {
  if (!graph || !upstream || !downstream) return S_FALSE;
  return graph->Connect(GetOutputPin(upstream, output), GetInputPin(downstream, input));
}

GUID CThumbnailGrabber::GetPinMajorType(IPin* pin) {
  CComPtr<IEnumMediaTypes> types;
  if (!pin || FAILED(pin->EnumMediaTypes(&types)) || !types) return GUID_NULL;
  types->Reset();
  AM_MEDIA_TYPE* mt = nullptr;
  if (types->Next(1, &mt, nullptr) != S_OK || !mt) return GUID_NULL;
  const GUID major = mt->majortype;
  DeleteMediaType(mt);
  return major;
}

int CThumbnailGrabber::FindVideoOutputPin(IBaseFilter* filter, PIN_DIRECTION dir) {
  for (int i = 0; i < 10; ++i) {
    CComPtr<IPin> pin;
    FindPin(filter, dir, i, &pin);
    if (!pin) return -1;
    if (GetPinMajorType(pin) == MEDIATYPE_Video) return i;
  }
  return -1;
}

BOOL CThumbnailGrabber::IsDecodedVideoPin(IPin* pin) {
  CComPtr<IEnumMediaTypes> types;
  if (!pin || FAILED(pin->EnumMediaTypes(&types)) || !types) return FALSE;
  types->Reset();
  AM_MEDIA_TYPE* mt = nullptr;
  while (types->Next(1, &mt, nullptr) == S_OK && mt) {
    const bool decoded = IsDecodedVideo(*mt);
    DeleteMediaType(mt);
    if (decoded) return TRUE;
  }
  return FALSE;
}

IBaseFilter* CThumbnailGrabber::FindVideoRenderer(IGraphBuilder* graph) {
  for (auto& filter : FiltersOf(graph)) {
    if (CountPins(filter, PINDIR_OUTPUT) > 0) continue;
    for (auto& pin : PinsOf(filter)) {
      if (!DirectionIs(pin, PINDIR_INPUT)) continue;
      CMediaType mt;
      if (SUCCEEDED(pin->ConnectionMediaType(&mt)) && mt.majortype == MEDIATYPE_Video) {
        filter->AddRef();
        return filter;
      }
    }
  }
  return nullptr;
}

IBaseFilter* CThumbnailGrabber::FindSourceFilter(IGraphBuilder* graph) {
  for (auto& filter : FiltersOf(graph)) {
    if (CountPins(filter, PINDIR_INPUT) == 0) {
      filter->AddRef();
      return filter;
    }
  }
  return nullptr;
}

void CThumbnailGrabber::RemoveDownstream(IGraphBuilder* graph, IBaseFilter* filter) {
  if (!graph || !filter) return;
  for (auto& pin : PinsOf(filter)) {
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer || !DirectionIs(peer, PINDIR_INPUT)) continue;
    CComPtr<IBaseFilter> next = OwnerOf(peer);
    if (!next || next.get() == filter) continue;
    RemoveDownstream(graph, next);
    graph->Disconnect(peer);
    graph->Disconnect(pin);
    graph->RemoveFilter(next);
  }
}

IBaseFilter* CThumbnailGrabber::CutAfterDecodedVideo(IGraphBuilder* graph, IBaseFilter* filter) {
  if (!graph || !filter) return nullptr;
  CComPtr<IBaseFilter> cut;
  for (auto& pin : PinsOf(filter)) {
    CComPtr<IPin> peer;
    const bool connected = SUCCEEDED(pin->ConnectedTo(&peer)) && peer;
    if (connected && DirectionIs(peer, PINDIR_INPUT)) {
      CComPtr<IBaseFilter> next = OwnerOf(peer);
      if (IsDecodedVideoPin(pin)) {
        cut = filter;
        RemoveDownstream(graph, next);
        graph->Disconnect(peer);
        graph->Disconnect(pin);
        graph->RemoveFilter(next);
      } else if (next) {
        CComPtr<IBaseFilter> below;
        below.Attach(CutAfterDecodedVideo(graph, next));
        if (below) cut = below;
      }
    } else if (!connected && DirectionIs(pin, PINDIR_OUTPUT) && IsDecodedVideoPin(pin)) {
      cut = filter;
    }
  }
  return cut ? static_cast<IBaseFilter*>(cut.Detach()) : nullptr;
}

BOOL CThumbnailGrabber::InsertColorConverter(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* grabber) {
  CComPtr<IBaseFilter> converter;
  if (!graph ||
      FAILED(CoCreateInstance(CLSID_QnSpaceColorConverter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&converter))) ||
      !converter)
    return FALSE;
  if (FAILED(graph->AddFilter(converter, "Qn Color Space Converter"))) return FALSE;
  if (FAILED(ConnectDirect(graph, upstream, 0, converter, 0))) return FALSE;
  return ConnectDirect(graph, converter, 0, grabber, 0) == S_OK ? TRUE : FALSE;
}

void CThumbnailGrabber::AskFirstPictureOnly(IBaseFilter* source) {
  CComPtr<IFirstPictureSource> first;
  if (source && SUCCEEDED(source->QueryInterface(IID_IFirstPictureSource, reinterpret_cast<void**>(&first))) && first)
    first->ReadForFirstPictureOnly();
}

void CThumbnailGrabber::AskGraphForFirstPictureOnly(IGraphBuilder* graph) {
  for (auto& filter : FiltersOf(graph)) AskFirstPictureOnly(filter);
}

HRESULT CThumbnailGrabber::RenderForFirstPicture(IGraphBuilder* graph, const std::string& path) {
  if (!graph) return E_POINTER;
  CComPtr<IBaseFilter> source;
  HRESULT hr = CoCreateInstance(CLSID_MediaFileSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&source));
  if (FAILED(hr) || !source) return FAILED(hr) ? hr : E_FAIL;
  AskFirstPictureOnly(source);
  CComPtr<IFileSourceFilter> loader;
  if (FAILED(source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&loader))) || !loader)
    return E_NOINTERFACE;
  if (FAILED(hr = loader->Load(path.c_str(), nullptr))) return hr;
  if (FAILED(hr = graph->AddFilter(source, path.c_str()))) return hr;
  hr = RenderVideoOutputs(graph, source);
  if (FAILED(hr)) graph->RemoveFilter(source);
  return hr;
}
