#include "capture/graph_helper.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "capture/device_walk.h"
#include "platform/base/message_box.h"
#include "platform/base/strings.h"
#include "platform/base/sync.h"
#include "platform/com/class_table.h"
#include "platform/com/moniker.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"
#include "platform/window/messages.h"

CGraphHelper::~CGraphHelper() {
  builder_ = nullptr;
  graph_ = nullptr;
  rotCookie_ = 0;
}

void CGraphHelper::Attach(IGraphBuilder* graph, ICaptureGraphBuilder2* builder) {
  graph_ = graph;
  builder_ = builder;
}

HRESULT CGraphHelper::AddFilter(const CLSID& clsid, IBaseFilter** slot, LPCOLESTR name) {
  if (!graph_) return E_FAIL;
  if (!slot) return E_POINTER;
  RemoveAndRelease(graph_, slot);
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, IID_IBaseFilter,
                                reinterpret_cast<void**>(slot));
  if (FAILED(hr)) return hr;
  return graph_->AddFilter(*slot, name);
}

void CGraphHelper::GetPin(IBaseFilter* filter, PIN_DIRECTION dir, int index, IPin** out) {
  if (!out) return;
  *out = nullptr;
  for (auto& p : capture::PinsOf(filter)) {
    // A failed query leaves an invalid direction, which matches nothing.
    auto pinDir = static_cast<PIN_DIRECTION>(-1);
    if (FAILED(p->QueryDirection(&pinDir)) || pinDir != dir) continue;
    if (index-- == 0) {
      *out = p.Detach();
      return;
    }
  }
}

CComPtr<IPin> CGraphHelper::GetInputPin(IBaseFilter* filter, int index) {
  CComPtr<IPin> pin;
  GetPin(filter, PINDIR_INPUT, index, &pin);
  return pin;
}

CComPtr<IPin> CGraphHelper::GetOutputPin(IBaseFilter* filter, int index) {
  CComPtr<IPin> pin;
  GetPin(filter, PINDIR_OUTPUT, index, &pin);
  return pin;
}

HRESULT CGraphHelper::ConnectDirect(IBaseFilter* up, int outIndex, IBaseFilter* down, int inIndex) {
  if (!graph_) return E_FAIL;
  CComPtr<IPin> out = GetOutputPin(up, outIndex);
  CComPtr<IPin> in = GetInputPin(down, inIndex);
  if (!out || !in) return E_FAIL;
  return graph_->ConnectDirect(out, in, nullptr);
}

HRESULT CGraphHelper::ConnectFilters(IBaseFilter* up, int outIndex, IBaseFilter* down, int inIndex) {
  return ConnectPinToFilter(GetOutputPin(up, outIndex), down, inIndex);
}

HRESULT CGraphHelper::ConnectPinToFilter(IPin* out, IBaseFilter* down, int inIndex) {
  if (!graph_ || !out) return E_FAIL;
  CComPtr<IPin> in = GetInputPin(down, inIndex);
  if (!in) return E_FAIL;
  return graph_->Connect(out, in);
}

HRESULT CGraphHelper::ConnectFilterToPin(IBaseFilter* up, int outIndex, IPin* in) {
  if (!graph_ || !in) return E_FAIL;
  CComPtr<IPin> out = GetOutputPin(up, outIndex);
  if (!out) return E_FAIL;
  return graph_->Connect(out, in);
}

HRESULT CGraphHelper::ConnectByMediaType(IBaseFilter* up, const GUID* majorType, IBaseFilter* down, int inIndex) {
  if (!builder_) return E_FAIL;
  CComPtr<IPin> out;
  const HRESULT hr = builder_->FindPin(up, PINDIR_OUTPUT, nullptr, majorType, TRUE, 0, &out);
  if (FAILED(hr)) return hr;
  return ConnectPinToFilter(out, down, inIndex);
}

HRESULT CGraphHelper::ConnectDirectByMediaType(IBaseFilter* up, const GUID* majorType, IBaseFilter* down, int inIndex) {
  if (!builder_ || !graph_) return E_FAIL;
  CComPtr<IPin> out;
  const HRESULT hr = builder_->FindPin(up, PINDIR_OUTPUT, nullptr, majorType, TRUE, 0, &out);
  if (FAILED(hr)) return hr;
  CComPtr<IPin> in = GetInputPin(down, inIndex);
  if (!out || !in) return E_FAIL;
  return graph_->ConnectDirect(out, in, nullptr);
}

HRESULT CGraphHelper::ReconnectPin(IPin* pin) {
  if (!graph_ || !pin) return E_FAIL;
  CComPtr<IPin> hold(pin);  // the pin stays alive while its connection is remade
  CComPtr<IPin> peer;
  HRESULT hr = pin->ConnectedTo(&peer);
  if (FAILED(hr)) return hr;
  if (peer) graph_->Disconnect(peer);
  hr = graph_->Disconnect(pin);
  if (FAILED(hr)) return hr;
  PIN_DIRECTION dir = PINDIR_OUTPUT;
  pin->QueryDirection(&dir);
  // Connect always runs from the output to the input, whichever end was given.
  return dir == PINDIR_OUTPUT ? graph_->Connect(pin, peer) : graph_->Connect(peer, pin);
}

HRESULT CGraphHelper::ReconnectFilterPin(IBaseFilter* filter, int dir, int index) {
  if (!filter || (dir != PINDIR_INPUT && dir != PINDIR_OUTPUT)) return E_FAIL;
  CComPtr<IPin> pin;
  GetPin(filter, static_cast<PIN_DIRECTION>(dir), index, &pin);
  if (!pin) return E_FAIL;
  return ReconnectPin(pin);
}

HRESULT CGraphHelper::DisconnectPin(IBaseFilter* filter, int index, int dir) {
  if (!filter || !graph_) return E_FAIL;
  if (dir != PINDIR_INPUT && dir != PINDIR_OUTPUT) return E_FAIL;
  CComPtr<IPin> pin;
  GetPin(filter, static_cast<PIN_DIRECTION>(dir), index, &pin);
  if (!pin) return E_FAIL;
  CComPtr<IPin> peer;
  if (SUCCEEDED(pin->ConnectedTo(&peer)) && peer) graph_->Disconnect(peer);
  return graph_->Disconnect(pin);
}

void CGraphHelper::RemoveDownstreamOfOnePin(IPin* pin) {
  CComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(&peer)) || !peer) return;
  PIN_INFO info;
  if (FAILED(peer->QueryPinInfo(&info))) return;
  CComPtr<IBaseFilter> peerFilter;
  peerFilter.Attach(info.pFilter);
  if (info.dir != PINDIR_INPUT) return;
  RemoveDownstream(peerFilter);
  graph_->Disconnect(peer);
  graph_->Disconnect(pin);
  graph_->RemoveFilter(peerFilter);
}

void CGraphHelper::RemoveDownstream(IBaseFilter* filter) {
  if (!filter || !graph_) return;
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> p;
    p.Attach(pin);
    CComPtr<IPin> peer;
    if (FAILED(p->ConnectedTo(&peer)) || !peer) continue;
    PIN_INFO info;
    if (FAILED(peer->QueryPinInfo(&info))) return;
    if (info.pFilter) info.pFilter->Release();
    if (info.dir == PINDIR_INPUT) RemoveDownstreamOfOnePin(p);
  }
}

void CGraphHelper::RemoveDownstreamOfPin(IBaseFilter* filter, int outIndex) {
  if (!filter || !graph_) return;
  CComPtr<IPin> pin = GetOutputPin(filter, outIndex);
  if (pin) RemoveDownstreamOfOnePin(pin);
}

void CGraphHelper::RemoveBranch(IBaseFilter* filter, const GUID* majorType) {
  if (!filter || !graph_ || !builder_) return;
  CComPtr<IPin> pin;
  if (FAILED(builder_->FindPin(filter, PINDIR_OUTPUT, nullptr, majorType, FALSE, 0, &pin)) || !pin) return;
  RemoveDownstreamOfOnePin(pin);
}

void CGraphHelper::SetSyncSource(IBaseFilter* filter) {
  if (!graph_) return;
  CComPtr<IMediaFilter> media;
  if (FAILED(graph_->QueryInterface(IID_IMediaFilter, reinterpret_cast<void**>(&media)))) return;
  if (!filter) {
    media->SetSyncSource(nullptr);
    return;
  }
  CComPtr<IReferenceClock> clock;
  if (SUCCEEDED(filter->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&clock))))
    media->SetSyncSource(clock);
  else graph_->SetDefaultSyncSource();
}

int CGraphHelper::FindPinByName(IBaseFilter* filter, PIN_DIRECTION dir, LPCOLESTR name) {
  if (!filter || !name) return -1;
  for (int i = 0; i < 10; ++i) {
    CComPtr<IPin> pin;
    GetPin(filter, dir, i, &pin);
    if (!pin) break;
    PIN_INFO info;
    if (FAILED(pin->QueryPinInfo(&info))) continue;
    if (info.pFilter) info.pFilter->Release();
    if (std::strncmp(info.achName, name, 2) == 0) return i;
  }
  return -1;
}

int CGraphHelper::FindOutputPinByMediaType(IBaseFilter* filter) {
  if (!filter) return -1;
  for (int i = 0;; ++i) {
    CComPtr<IPin> pin = GetOutputPin(filter, i);
    if (!pin) return -1;
    if (capture::FirstTypeIs(pin, MEDIATYPE_Audio)) return i;
  }
}

void CGraphHelper::AddToRot() {
  if (!graph_) return;
  CComPtr<IRunningObjectTable> rot;
  if (FAILED(GetRunningObjectTable(0, &rot))) return;
  const std::string item =
      platform::Format("FilterGraph %08x  pid %08x", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(graph_)),
                       static_cast<unsigned>(GetCurrentProcessId()));
  CComPtr<IMoniker> moniker;
  if (FAILED(CreateItemMoniker("!", item.c_str(), &moniker))) return;
  rot->Register(0, graph_, moniker, &rotCookie_);
}

void CGraphHelper::RemoveFromRot() {
  CComPtr<IRunningObjectTable> rot;
  if (SUCCEEDED(GetRunningObjectTable(0, &rot))) rot->Revoke(rotCookie_);
  rotCookie_ = 0;
}

void CGraphHelper::ShowGraph(const char* text) {
  AddToRot();
  MessageBox(nullptr, text ? text : "", "", MB_OK);
  RemoveFromRot();
}

HRESULT FindDeviceFilter(const char* name, IBaseFilter** out, const CLSID* category) {
  if (!out || !category) return E_POINTER;
  HRESULT hr = S_OK;
  CComPtr<IEnumMoniker> monikers = capture::CategoryMonikers(*category, 0, &hr);
  if (!monikers) return hr;
  monikers->Reset();
  hr = E_FAIL;
  capture::VisitDeviceBags(monikers, [&](IMoniker* moniker, IPropertyBag* bag) {
    std::string friendly;
    // The whole name is compared: a long name is never cut short first.
    if (!capture::ReadBagString(bag, "FriendlyName", &friendly) || !platform::EqualsNoCase(friendly, name ? name : ""))
      return false;
    hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(out));
    return true;
  });
  return hr;
}

void RemoveAndRelease(IGraphBuilder* graph, IBaseFilter** slot) {
  if (!*slot) return;
  if (graph) graph->RemoveFilter(*slot);
  (*slot)->Release();
  *slot = nullptr;
}

BOOL ShowPropertyPages(IUnknown* object, HWND owner, UINT x, UINT y) {
  if (!object) return FALSE;
  CComPtr<ISpecifyPropertyPages> pages;
  if (FAILED(object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&pages))) || !pages)
    return TRUE;
  CAUUID ids{};
  if (FAILED(pages->GetPages(&ids))) return TRUE;
  IUnknown* objects[] = {object};
  OleCreatePropertyFrame(owner, x, y, nullptr, 1, objects, ids.cElems, ids.pElems, 0, 0, nullptr);
  CoTaskMemFree(ids.pElems);
  return TRUE;
}

void PumpMessages() {
  MSG msg;
  if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

int GetDeviceNameKind(const std::string& name) {
  const std::string upper = platform::ToUpperAscii(name);
  return upper.find("USB") != std::string::npos || upper.find(" US") != std::string::npos ? 2 : 1;
}

void GetPinVideoSize(IPin* pin, int* width, int* height) {
  if (!pin || !width || !height) return;
  CComPtr<IEnumMediaTypes> types;
  if (FAILED(pin->EnumMediaTypes(&types)) || !types) return;
  for (int attempt = 0; attempt < 10; ++attempt) {
    AM_MEDIA_TYPE* mt = nullptr;
    if (types->Next(1, &mt, nullptr) != S_OK || !mt) return;
    const BITMAPINFOHEADER* bih = nullptr;
    if (mt->formattype == FORMAT_VideoInfo && mt->cbFormat >= sizeof(VIDEOINFOHEADER))
      bih = &reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat)->bmiHeader;
    else if (mt->formattype == FORMAT_VideoInfo2 && mt->cbFormat >= sizeof(VIDEOINFOHEADER2))
      bih = &reinterpret_cast<const VIDEOINFOHEADER2*>(mt->pbFormat)->bmiHeader;
    if (bih) {
      *width = std::abs(bih->biWidth);
      *height = std::abs(bih->biHeight);
    }
    DeleteMediaType(mt);
    if (bih) return;
  }
}
