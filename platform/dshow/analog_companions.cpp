#include "platform/dshow/analog_companions.h"

#include <algorithm>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/tv_channels.h"

namespace platform::dshow {

namespace {

DEFINE_GUID(CLSID_SimCrossbar, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x11);
DEFINE_GUID(CLSID_SimTuner, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x12);

using sim::Crossbar;

std::string ConnectorNameOf(long type) {
  switch (type) {
    case 1: return "Video Tuner";
    case 2: return "Video Composite";
    case 3: return "Video SVideo";
    case 4: return "Video RGB";
    case 5: return "Video YRYBY";
    case 9: return "Video AUX";
    case 12: return "Video Decoder";
    case 4096: return "Audio Tuner";
    case 4097: return "Audio Line";
    case 4098: return "Audio Mic";
    case 4105: return "Audio Decoder";
    default: return type < 4096 ? "Video" : "Audio";
  }
}

class AnalogOutputPin : public CBaseOutputPin {
 public:
  AnalogOutputPin(CBaseFilter* f, std::string name, GUID major) : CBaseOutputPin(f, std::move(name)) {
    CMediaType mt;
    mt.majortype = major;
    mt.subtype = GUID_NULL;
    mt.formattype = FORMAT_None;
    SetMediaTypes({mt});
  }
};

class CrossbarFilter : public CBaseFilter, public IAMCrossbar, public ISpecifyPropertyPages {
 public:
  CrossbarFilter(const Crossbar& desc, RouteHook hook)
      : CBaseFilter(CLSID_SimCrossbar, desc.name.empty() ? "Crossbar" : desc.name),
        desc_(desc),
        hook_(std::move(hook)) {
    for (std::size_t i = 0; i < desc_.inputs.size(); ++i) {
      const long t = desc_.inputs[i];
      auto* pin = AddPin<AnalogInputPin>(Format("%zu: %s In", i, ConnectorNameOf(t).c_str()),
                                         t < 4096 ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio);
      pin->SetCategory(GUID_NULL);
    }
    for (std::size_t i = 0; i < desc_.outputs.size(); ++i) {
      const long t = desc_.outputs[i];
      AddPin<AnalogOutputPin>(Format("%zu: %s Out", i, ConnectorNameOf(t).c_str()),
                              t < 4096 ? MEDIATYPE_AnalogVideo : MEDIATYPE_AnalogAudio);
    }
    routes_.assign(desc_.outputs.size(), -1);
    for (long o = 0; o < static_cast<long>(desc_.outputs.size()); ++o)
      for (long i = 0; i < static_cast<long>(desc_.inputs.size()); ++i)
        if (CanRoute(o, i) == S_OK) {
          routes_[static_cast<std::size_t>(o)] = i;
          break;
        }
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)

  STDMETHODIMP get_PinCounts(long* outputs, long* inputs) override {
    if (!outputs || !inputs) return E_POINTER;
    *outputs = static_cast<long>(desc_.outputs.size());
    *inputs = static_cast<long>(desc_.inputs.size());
    return S_OK;
  }
  STDMETHODIMP CanRoute(long out, long in) override {
    if (out < 0 || out >= static_cast<long>(desc_.outputs.size()) || in < 0 ||
        in >= static_cast<long>(desc_.inputs.size()))
      return E_INVALIDARG;
    const bool videoOut = desc_.outputs[static_cast<std::size_t>(out)] < 4096;
    const bool videoIn = desc_.inputs[static_cast<std::size_t>(in)] < 4096;
    if (videoOut != videoIn) return S_FALSE;
    for (auto [o, i] : desc_.blocked)
      if (o == out && i == in) return S_FALSE;
    return S_OK;
  }
  STDMETHODIMP Route(long out, long in) override {
    const HRESULT hr = CanRoute(out, in);
    if (hr != S_OK) return hr == S_FALSE ? E_FAIL : hr;
    if (hook_) {
      const HRESULT switched = hook_(out, in);
      if (FAILED(switched)) return switched;
    }
    std::lock_guard lock(mutex_);
    routes_[static_cast<std::size_t>(out)] = in;
    return S_OK;
  }
  STDMETHODIMP get_IsRoutedTo(long out, long* in) override {
    if (!in) return E_POINTER;
    if (out < 0 || out >= static_cast<long>(desc_.outputs.size())) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    *in = routes_[static_cast<std::size_t>(out)];
    return S_OK;
  }
  STDMETHODIMP get_CrossbarPinInfo(BOOL isInput, long index, long* related, long* type) override {
    if (!related || !type) return E_POINTER;
    const auto& pins = isInput ? desc_.inputs : desc_.outputs;
    if (index < 0 || index >= static_cast<long>(pins.size())) return E_INVALIDARG;
    *type = pins[static_cast<std::size_t>(index)];
    *related = RelatedOf(pins, index);
    return S_OK;
  }

  STDMETHODIMP GetPages(CAUUID* pages) override { return PropertyPages({CLSID_CrossbarFilterPropertyPage}, pages); }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<ISpecifyPropertyPages>(this, riid)) return p;
    return Offer<IAMCrossbar>(this, riid);
  }

 private:
  // The n-th video pin of a side is related to the n-th audio pin of the same side.
  static long RelatedOf(const std::vector<long>& pins, long index) {
    const bool video = pins[static_cast<std::size_t>(index)] < 4096;
    long rank = 0;
    for (long i = 0; i < index; ++i)
      if ((pins[static_cast<std::size_t>(i)] < 4096) == video) ++rank;
    for (long i = 0; i < static_cast<long>(pins.size()); ++i)
      if ((pins[static_cast<std::size_t>(i)] < 4096) != video && rank-- == 0) return i;
    return -1;
  }
  Crossbar desc_;
  RouteHook hook_;
  std::mutex mutex_;
  std::vector<long> routes_;
};

class TunerFilter : public CBaseFilter, public IAMTVTuner, public ISpecifyPropertyPages {
 public:
  TunerFilter(long formats, std::shared_ptr<TunerDevice> device)
      : CBaseFilter(CLSID_SimTuner, "TV Tuner"), formats_(formats), device_(std::move(device)) {
    AddPin<AnalogOutputPin>("Analog Video", MEDIATYPE_AnalogVideo);
    AddPin<AnalogOutputPin>("Analog Audio", MEDIATYPE_AnalogAudio);
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)

  // A card keeps its frequency from one program to the next: when that is a channel of the
  // user's country, the tuner takes it up (the channel last chosen stays); else the card goes to
  // the channel the tuner names.
  HRESULT TuneCard() {
    std::lock_guard lock(mutex_);
    if (!device_) return S_OK;
    country_ = LocaleTunerCountry();
    if (const std::uint64_t hz = device_->CarrierHz()) {
      const TunerInputType other = inputType_ == TunerInputCable ? TunerInputAntenna : TunerInputCable;
      for (TunerInputType type : {inputType_, other})
        if (const long channel = ChannelAt(country_, type == TunerInputCable, hz)) {
          inputType_ = type;
          channel_ = channel;
          return S_OK;
        }
    }
    if (VideoCarrierHz(country_, inputType_ == TunerInputCable, channel_) == 0)
      channel_ = ChannelsOf(country_, inputType_ == TunerInputCable).min;
    return TuneLocked(channel_);
  }

  STDMETHODIMP put_Channel(long channel, long, long) override {
    std::lock_guard lock(mutex_);
    if (!device_) {
      if (channel < 1 || channel > 125) return E_INVALIDARG;
      channel_ = channel;
      return S_OK;
    }
    const HRESULT hr = TuneLocked(channel);
    if (SUCCEEDED(hr)) channel_ = channel;
    return hr;
  }
  STDMETHODIMP get_Channel(long* channel, long* video, long* audio) override {
    if (!channel || !video || !audio) return E_POINTER;
    std::lock_guard lock(mutex_);
    *channel = channel_;
    *video = *audio = 0;
    return S_OK;
  }
  STDMETHODIMP ChannelMinMax(long* min, long* max) override {
    if (!min || !max) return E_POINTER;
    std::lock_guard lock(mutex_);
    const ChannelRange range = device_ ? ChannelsOf(country_, inputType_ == TunerInputCable) : ChannelRange{1, 125};
    *min = range.min;
    *max = range.max;
    return S_OK;
  }
  STDMETHODIMP put_CountryCode(long country) override {
    std::lock_guard lock(mutex_);
    if (!device_) return com::CopyIn(country_, country);
    if (!HasChannelPlan(country)) return E_INVALIDARG;
    country_ = country;
    return RetuneLocked();
  }
  STDMETHODIMP get_CountryCode(long* country) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(country, country_);
  }
  STDMETHODIMP SignalPresent(long* strength) override {
    if (!strength) return E_POINTER;
    if (device_) return device_->Signal(strength);
    return com::CopyOut(strength, AMTUNER_SIGNALPRESENT);
  }
  STDMETHODIMP put_Mode(long mode) override { return mode == AMTUNER_MODE_TV ? S_OK : E_INVALIDARG; }
  STDMETHODIMP get_Mode(long* mode) override { return com::CopyOut(mode, AMTUNER_MODE_TV); }
  STDMETHODIMP get_AvailableTVFormats(long* formats) override { return com::CopyOut(formats, formats_); }
  STDMETHODIMP get_TVFormat(long* format) override {
    return com::CopyOut(format, formats_ & 0x1 ? 0x1 : formats_ & -formats_);
  }
  STDMETHODIMP put_InputType(long index, TunerInputType type) override {
    if (index != 0) return E_INVALIDARG;
    if (type != TunerInputCable && type != TunerInputAntenna) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    inputType_ = type;
    return device_ ? RetuneLocked() : S_OK;
  }
  STDMETHODIMP get_InputType(long index, TunerInputType* type) override {
    if (!type) return E_POINTER;
    if (index != 0) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    *type = inputType_;
    return S_OK;
  }
  STDMETHODIMP put_ConnectInput(long index) override { return index == 0 ? S_OK : E_INVALIDARG; }
  STDMETHODIMP get_ConnectInput(long* index) override { return com::CopyOut(index, 0); }

  STDMETHODIMP GetPages(CAUUID* pages) override { return PropertyPages({CLSID_TVTunerFilterPropertyPage}, pages); }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<ISpecifyPropertyPages>(this, riid)) return p;
    return Offer<IAMTVTuner>(this, riid);
  }

 private:
  HRESULT TuneLocked(long channel) {
    const std::uint64_t carrier = VideoCarrierHz(country_, inputType_ == TunerInputCable, channel);
    if (carrier == 0) return E_INVALIDARG;  // not a channel of this plan
    return device_->Tune(carrier);
  }
  // Another plan: the same number when it has it, else the plan's first channel.
  HRESULT RetuneLocked() {
    if (VideoCarrierHz(country_, inputType_ == TunerInputCable, channel_) == 0)
      channel_ = ChannelsOf(country_, inputType_ == TunerInputCable).min;
    return TuneLocked(channel_);
  }

  long formats_;
  std::shared_ptr<TunerDevice> device_;
  std::mutex mutex_;
  long channel_ = 3;
  long country_ = 1;
  TunerInputType inputType_ = TunerInputCable;
};

}  // namespace

HRESULT PropertyPages(std::initializer_list<GUID> ids, CAUUID* pages) {
  if (!pages) return E_POINTER;
  pages->cElems = static_cast<ULONG>(ids.size());
  pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID) * ids.size()));
  if (!pages->pElems) return E_OUTOFMEMORY;
  std::copy(ids.begin(), ids.end(), pages->pElems);
  return S_OK;
}

HRESULT AddAnalogUpstream(IGraphBuilder* graph, IPin* analogIn, const std::vector<sim::Crossbar>& crossbars,
                          long tvFormats, const RouteHook& hook, std::shared_ptr<TunerDevice> tunerDevice) {
  IPin* downstreamIn = analogIn;
  CComPtr<IBaseFilter> tunerTarget;
  long tunerInput = -1;
  std::vector<CComPtr<IBaseFilter>> added;
  for (std::size_t k = 0; k < crossbars.size(); ++k) {
    const Crossbar& x = crossbars[k];
    CComPtr<IBaseFilter> filter;
    filter.Attach(new CrossbarFilter(x, k == 0 ? hook : RouteHook()));
    HRESULT hr = graph->AddFilter(filter, x.name.empty() ? "Crossbar" : x.name.c_str());
    if (FAILED(hr)) return hr;
    auto* base = AsBaseFilter(filter);
    IPin* out = base->Pins()[x.inputs.size()];  // first output
    if (k > 0) downstreamIn = AsBaseFilter(added.back())->Pins()[static_cast<std::size_t>(x.feedsInput)];
    hr = graph->ConnectDirect(out, downstreamIn, nullptr);
    if (FAILED(hr)) return hr;
    for (std::size_t i = 0; i < x.inputs.size(); ++i)
      if (x.inputs[i] == PhysConn_Video_Tuner && !base->Pins()[i]->IsConnected()) {
        tunerTarget = filter;
        tunerInput = static_cast<long>(i);
      }
    added.push_back(filter);
  }
  if (tvFormats >= 0 && tunerTarget) {
    auto* tunerFilter = new TunerFilter(tvFormats, std::move(tunerDevice));
    CComPtr<IBaseFilter> tuner;
    tuner.Attach(tunerFilter);
    HRESULT hr = graph->AddFilter(tuner, "TV Tuner");
    if (FAILED(hr)) return hr;
    hr = graph->ConnectDirect(AsBaseFilter(tuner)->Pins()[0],
                              AsBaseFilter(tunerTarget)->Pins()[static_cast<std::size_t>(tunerInput)], nullptr);
    if (FAILED(hr)) return hr;
    tunerFilter->TuneCard();  // a card that refuses still gets its tuner; the page says so later
  }
  return S_OK;
}

}  // namespace platform::dshow
