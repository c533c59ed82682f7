#include "platform/dshow/base_filter.h"

#include <algorithm>
#include <cstring>

#include "platform/base/strings.h"
#include "platform/base/clock.h"
#include "platform/com/out_param.h"
#include "platform/dshow/enumerators.h"

namespace platform::dshow {

CBaseFilter::CBaseFilter(const CLSID& clsid, std::string defaultName)
    : clsid_(clsid), defaultName_(std::move(defaultName)) {}

CBaseFilter::~CBaseFilter() = default;

STDMETHODIMP CBaseFilter::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (com::InterfaceChainHas<IBaseFilter>(riid)) *ppv = static_cast<IBaseFilter*>(this);
  else *ppv = GetFilterInterface(riid);
  if (!*ppv) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) CBaseFilter::Release() {
  const ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* clsid) { return com::CopyOut(clsid, clsid_); }

STDMETHODIMP CBaseFilter::Stop() {
  if (state_ == State_Stopped) return S_OK;
  OnStop();
  state_ = State_Stopped;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Pause() {
  OnPause();
  state_ = State_Paused;
  return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME start) {
  // Mark the filter running first, so samples that arrive from a source started in OnRun are
  // taken by a filter that is already running.
  state_ = State_Running;
  OnRun(start);
  return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* state) { return com::CopyOut(state, state_); }

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* clock) { return com::CopyIn(clock_, clock); }

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** clock) {
  if (!clock) return E_POINTER;
  return clock_.CopyTo(clock);
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** pins) {
  if (!pins) return E_POINTER;
  std::vector<CComPtr<IPin>> items;
  for (CBasePin* p : Pins()) items.emplace_back(static_cast<IPin*>(p));
  *pins = new CEnumPins(std::move(items));
  return S_OK;
}

STDMETHODIMP CBaseFilter::FindPin(LPCOLESTR id, IPin** pin) {
  if (!id || !pin) return E_POINTER;
  *pin = nullptr;
  CBasePin* p = PinByName(id);
  if (!p) return VFW_E_NOT_FOUND;
  *pin = p;
  p->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (!info) return E_POINTER;
  const std::string name = Name();
  platform::CopyToBuffer(name, info->achName, sizeof info->achName);
  info->pGraph = graph_.load();
  if (info->pGraph) info->pGraph->AddRef();
  return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) {
  // A filter leaving its graph lets go of the graph's clock, which may be the filter itself.
  if (!graph) clock_ = nullptr;
  graph_ = graph;
  name_ = graph && name ? name : "";
  return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPOLESTR* vendorInfo) {
  if (vendorInfo) *vendorInfo = nullptr;
  return E_NOTIMPL;
}

std::string CBaseFilter::Name() const { return name_.empty() ? defaultName_ : name_; }

std::vector<CBasePin*> CBaseFilter::Pins() const {
  std::lock_guard lock(pinsMutex_);
  std::vector<CBasePin*> pins;
  for (const auto& p : pins_) pins.push_back(p.get());
  return pins;
}

CBasePin* CBaseFilter::PinByName(const std::string& name) const {
  std::lock_guard lock(pinsMutex_);
  for (const auto& p : pins_)
    if (p->Name() == name) return p.get();
  return nullptr;
}

int CBaseFilter::CountPins(PIN_DIRECTION dir, bool connectedOnly) const {
  std::lock_guard lock(pinsMutex_);
  int n = 0;
  for (const auto& p : pins_)
    if (p->Direction() == dir && (!connectedOnly || p->IsConnected())) ++n;
  return n;
}

void CBaseFilter::RemovePin(CBasePin* pin) {
  std::lock_guard lock(pinsMutex_);
  pins_.erase(std::remove_if(pins_.begin(), pins_.end(), [&](const auto& p) { return p.get() == pin; }), pins_.end());
}

void CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
  IFilterGraph* graph = graph_.load();
  if (!graph) return;
  CComPtr<IMediaEventSink> sink;
  if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))))
    sink->Notify(code, param1, param2);
}

REFERENCE_TIME ProcessClockTime() { return static_cast<REFERENCE_TIME>(platform::CurrentClock().NowUs()) * 10; }

CBaseFilter* AsBaseFilter(IUnknown* filter) {
  if (!filter) return nullptr;
  CComPtr<IBaseFilter> base;
  if (FAILED(filter->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&base)))) return nullptr;
  return dynamic_cast<CBaseFilter*>(base.get());
}

CBasePin* AsBasePin(IPin* pin) { return pin ? dynamic_cast<CBasePin*>(pin) : nullptr; }

}  // namespace platform::dshow
