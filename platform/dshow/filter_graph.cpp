#include "platform/dshow/filter_graph.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "platform/base/clock.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/enumerators.h"
#include "platform/dshow/file_source.h"
#include "platform/dshow/pin_walk.h"

namespace platform::dshow {

namespace {

std::mutex convertersMutex;
std::vector<CLSID>& Converters() {
  static std::vector<CLSID> converters;
  return converters;
}

// The reference clock of a graph that has no filter offering one: the process clock.
class SystemClock : public com::ComObject<IReferenceClock> {
 public:
  STDMETHODIMP GetTime(REFERENCE_TIME* time) override { return com::CopyOut(time, ProcessClockTime()); }
};

std::string FilterNameOf(IBaseFilter* filter) {
  FILTER_INFO info;
  if (FAILED(filter->QueryFilterInfo(&info))) return {};
  if (info.pGraph) info.pGraph->Release();
  return info.achName;
}

std::string PinNameOf(IPin* pin, IBaseFilter** owner = nullptr) {
  PIN_INFO info;
  if (FAILED(pin->QueryPinInfo(&info))) return {};
  if (owner) *owner = info.pFilter;
  else if (info.pFilter) info.pFilter->Release();
  return info.achName;
}

std::string DescribeType(const AM_MEDIA_TYPE& mt) {
  std::string text = MajorTypeName(mt.majortype) + " " + SubTypeName(mt.subtype);
  if ((mt.formattype == FORMAT_VideoInfo) && mt.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat);
    text +=
        Format(" %dx%d", static_cast<int>(vih->bmiHeader.biWidth), static_cast<int>(std::abs(vih->bmiHeader.biHeight)));
  } else if (mt.formattype == FORMAT_WaveFormatEx && mt.cbFormat >= sizeof(WAVEFORMATEX)) {
    const auto* wfx = reinterpret_cast<const WAVEFORMATEX*>(mt.pbFormat);
    text += Format(" %uHz %uch %ubit", static_cast<unsigned>(wfx->nSamplesPerSec),
                   static_cast<unsigned>(wfx->nChannels), static_cast<unsigned>(wfx->wBitsPerSample));
  }
  return text;
}

struct Event {
  long code;
  LONG_PTR param1;
  LONG_PTR param2;
};

class FilterGraph
    : public com::ComObject<IGraphBuilder, IMediaControl, IMediaEventEx, IMediaFilter, IMediaEventSink, IMediaSeeking> {
 public:
  ~FilterGraph() override {
    StopAll();
    for (auto& f : filters_) {
      for (auto& p : PinsOf(f.filter)) p->Disconnect();
      f.filter->JoinFilterGraph(nullptr, nullptr);
    }
    filters_.clear();
    for (auto& e : events_) FreeEventParams(e.code, e.param1, e.param2);
  }

  // IFilterGraph
  STDMETHODIMP AddFilter(IBaseFilter* filter, LPCOLESTR name) override {
    if (!filter) return E_POINTER;
    std::lock_guard lock(mutex_);
    for (auto& f : filters_)
      if (f.filter.get() == filter) return E_INVALIDARG;  // already in this graph
    std::string base = name && *name ? name : DefaultNameOf(filter);
    std::string unique = base;
    HRESULT result = S_OK;
    for (int n = 1; NameTaken(unique); ++n) {
      unique = Format("%s %04d", base.c_str(), n);
      result = VFW_S_DUPLICATE_NAME;
    }
    const HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr)) return hr;
    filters_.push_back({CComPtr<IBaseFilter>(filter), unique});
    if (state_ != State_Stopped) {
      if (state_ == State_Paused) filter->Pause();
      else filter->Run(runTime_);
    }
    return result;
  }

  STDMETHODIMP RemoveFilter(IBaseFilter* filter) override {
    if (!filter) return E_POINTER;
    CComPtr<IBaseFilter> doomed;
    {
      std::lock_guard lock(mutex_);
      auto it = std::find_if(filters_.begin(), filters_.end(), [&](auto& f) { return f.filter.get() == filter; });
      if (it == filters_.end()) return VFW_E_NOT_FOUND;
      doomed = it->filter;
      filters_.erase(it);
    }
    doomed->Stop();
    for (auto& p : PinsOf(doomed)) {
      CComPtr<IPin> peer;
      if (SUCCEEDED(p->ConnectedTo(&peer))) peer->Disconnect();
      p->Disconnect();
    }
    doomed->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
  }

  STDMETHODIMP EnumFilters(IEnumFilters** out) override {
    if (!out) return E_POINTER;
    std::vector<CComPtr<IBaseFilter>> items;
    {
      std::lock_guard lock(mutex_);
      // Most recently added first, as the platform's graph lists them.
      for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) items.push_back(it->filter);
    }
    *out = new CEnumFilters(std::move(items));
    return S_OK;
  }

  STDMETHODIMP FindFilterByName(LPCOLESTR name, IBaseFilter** out) override {
    if (!name || !out) return E_POINTER;
    *out = nullptr;
    std::lock_guard lock(mutex_);
    for (auto& f : filters_)
      if (f.name == name) return f.filter.CopyTo(out);
    return VFW_E_NOT_FOUND;
  }

  STDMETHODIMP ConnectDirect(IPin* out, IPin* in, const AM_MEDIA_TYPE* mt) override {
    if (!out || !in) return E_POINTER;
    if (!InGraph(out) || !InGraph(in)) return VFW_E_NOT_IN_GRAPH;
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (DirectionOf(out) != PINDIR_OUTPUT || DirectionOf(in) != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    return out->Connect(in, mt);
  }

  STDMETHODIMP Reconnect(IPin* pin) override {
    if (!pin) return E_POINTER;
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer))) return VFW_E_NOT_CONNECTED;
    CMediaType mt;
    pin->ConnectionMediaType(&mt);
    IPin* out = DirectionOf(pin) == PINDIR_OUTPUT ? pin : peer.get();
    IPin* in = out == pin ? peer.get() : pin;
    out->Disconnect();
    in->Disconnect();
    return ConnectDirect(out, in, nullptr);
  }

  STDMETHODIMP Disconnect(IPin* pin) override {
    if (!pin) return E_POINTER;
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    return pin->Disconnect();
  }

  STDMETHODIMP SetDefaultSyncSource() override {
    CComPtr<IReferenceClock> clock;
    for (auto& f : Snapshot())
      if (SUCCEEDED(f->QueryInterface(IID_IReferenceClock, reinterpret_cast<void**>(&clock)))) break;
    if (!clock) clock.Attach(new SystemClock());
    const HRESULT hr = SetSyncSource(clock);
    clockChosen_ = false;  // still the graph's own choice: a later start picks again
    return hr;
  }

  // IGraphBuilder
  STDMETHODIMP Connect(IPin* out, IPin* in) override { return ConnectIntelligent(out, in, 2); }

  STDMETHODIMP Render(IPin* out) override {
    if (!out) return E_POINTER;
    if (DirectionOf(out) != PINDIR_OUTPUT) return VFW_E_INVALID_DIRECTION;
    GUID major = GUID_NULL;
    CComPtr<IEnumMediaTypes> types;
    if (SUCCEEDED(out->EnumMediaTypes(&types)) && types) {
      AM_MEDIA_TYPE* mt = nullptr;
      if (types->Next(1, &mt, nullptr) == S_OK) {
        major = mt->majortype;
        DeleteMediaType(mt);
      }
    }
    CLSID rendererClass;
    const char* rendererName;
    if (major == MEDIATYPE_Video || major == MEDIATYPE_Interleaved) {
      rendererClass = CLSID_VideoRendererDefault;
      rendererName = "Video Renderer";
    } else if (major == MEDIATYPE_Audio) {
      rendererClass = CLSID_DSoundRender;
      rendererName = "Default DirectSound Device";
    } else {
      return VFW_E_CANNOT_RENDER;
    }
    CComPtr<IBaseFilter> renderer;
    if (FAILED(CoCreateInstance(rendererClass, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                reinterpret_cast<void**>(&renderer))))
      return VFW_E_CANNOT_RENDER;
    const auto before = Snapshot();
    if (FAILED(AddFilter(renderer, rendererName))) return VFW_E_CANNOT_RENDER;
    CComPtr<IPin> in = FirstFreePin(renderer, PINDIR_INPUT);
    if (!in || FAILED(Connect(out, in))) {
      RemoveFilter(renderer);
      return VFW_E_CANNOT_RENDER;
    }
    // Filters put in between (a DV splitter) have their other streams rendered as well.
    for (auto& f : Snapshot()) {
      if (f.get() == renderer.get() ||
          std::any_of(before.begin(), before.end(), [&](auto& b) { return b.get() == f.get(); }))
        continue;
      for (auto& pin : PinsOf(f)) {
        CComPtr<IPin> peer;
        if (DirectionOf(pin) == PINDIR_OUTPUT && FAILED(pin->ConnectedTo(&peer))) Render(pin);
      }
    }
    return S_OK;
  }

  STDMETHODIMP RenderFile(LPCOLESTR file, LPCOLESTR) override {
    CComPtr<IBaseFilter> source;
    HRESULT hr = AddSourceFilter(file, nullptr, &source);
    if (FAILED(hr)) return hr;
    hr = RenderOutputs(this, source);
    if (FAILED(hr)) RemoveFilter(source);
    return hr;
  }
  STDMETHODIMP AddSourceFilter(LPCOLESTR file, LPCOLESTR filterName, IBaseFilter** filter) override {
    if (!filter || !file) return E_POINTER;
    *filter = nullptr;
    CComPtr<IBaseFilter> source;
    HRESULT hr = CreateMediaFileSource(IID_IBaseFilter, reinterpret_cast<void**>(&source));
    if (FAILED(hr)) return hr;
    CComPtr<IFileSourceFilter> loader;
    source->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&loader));
    if (!loader) return E_NOINTERFACE;
    if (FAILED(hr = loader->Load(file, nullptr))) return hr;
    if (FAILED(hr = AddFilter(source, filterName && *filterName ? filterName : file))) return hr;
    *filter = source.Detach();
    return S_OK;
  }
  STDMETHODIMP SetLogFile(DWORD_PTR) override { return S_OK; }
  STDMETHODIMP Abort() override { return S_OK; }
  STDMETHODIMP ShouldOperationContinue() override { return S_OK; }

  // IMediaControl and IMediaFilter
  STDMETHODIMP Run() override {
    if (state_ == State_Running) return S_OK;
    if (state_ == State_Stopped) {
      const HRESULT hr = Pause();
      if (FAILED(hr)) return hr;
    }
    auto filters = Snapshot();
    // A filter still on its way to running answers S_FALSE; the graph runs all the same and
    // tells its caller so.
    bool settling = false;
    // One run time for every filter, on the monotonic clock in 100-ns units: live sources stamp
    // their samples against it, so picture and sound from different devices share one timeline.
    runTime_ = static_cast<REFERENCE_TIME>(platform::CurrentClock().NowUs()) * 10;
    // Downstream filters run before the sources start pushing.
    for (auto& f : filters)
      if (!IsSource(f)) settling = f->Run(runTime_) == S_FALSE || settling;
    state_ = State_Running;
    for (auto& f : filters)
      if (IsSource(f)) settling = f->Run(runTime_) == S_FALSE || settling;
    return settling ? S_FALSE : S_OK;
  }
  STDMETHODIMP Run(REFERENCE_TIME) override { return Run(); }

  STDMETHODIMP Pause() override {
    auto filters = Snapshot();
    const bool starting = state_ == State_Stopped;
    if (starting) {
      // Renderers may end while the sources preroll, before Run.
      std::lock_guard lock(eventMutex_);
      pendingComplete_ = 0;
      completed_ = false;
      for (auto& f : filters) {
        CBaseFilter* base = AsBaseFilter(f);
        if (base && base->IsRenderer()) ++pendingComplete_;
      }
    }
    if (starting && !clockChosen_) SetDefaultSyncSource();
    // Sources stop pushing first (a starting file source prerolls here).
    // A source whose device cannot start (held by another program) fails the graph too.
    HRESULT result = S_OK;
    for (auto& f : filters)
      if (IsSource(f)) {
        const HRESULT hr = f->Pause();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    for (auto& f : filters)
      if (!IsSource(f)) {
        const HRESULT hr = f->Pause();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
      }
    // A writer that cannot open its file fails the whole graph, which stays stopped.
    if (FAILED(result)) {
      StopAll();
      return result;
    }
    state_ = State_Paused;
    return S_OK;
  }

  STDMETHODIMP Stop() override {
    StopAll();
    return S_OK;
  }

  STDMETHODIMP GetState(LONG, OAFilterState* state) override { return com::CopyOut(state, state_); }
  STDMETHODIMP GetState(DWORD, FILTER_STATE* state) override { return com::CopyOut(state, state_); }
  STDMETHODIMP RenderFile(BSTR file) override { return RenderFile(file, nullptr); }
  STDMETHODIMP AddSourceFilter(BSTR file, IUnknown** filter) override {
    if (!filter) return E_POINTER;
    IBaseFilter* source = nullptr;
    const HRESULT hr = AddSourceFilter(file, nullptr, &source);
    *filter = source;
    return hr;
  }
  STDMETHODIMP StopWhenReady() override { return Stop(); }

  STDMETHODIMP GetClassID(CLSID* clsid) override { return com::CopyOut(clsid, CLSID_FilterGraph); }
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override {
    clockChosen_ = true;
    clock_ = clock;
    for (auto& f : Snapshot()) f->SetSyncSource(clock);
    return S_OK;
  }
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override {
    if (!clock) return E_POINTER;
    return clock_.CopyTo(clock);
  }

  // IMediaEventEx
  STDMETHODIMP GetEventHandle(OAEVENT* handle) override {
    return com::CopyOut(handle, reinterpret_cast<OAEVENT>(this));
  }
  STDMETHODIMP GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2, long timeoutMs) override {
    if (!code || !param1 || !param2) return E_POINTER;
    std::unique_lock lock(eventMutex_);
    auto ready = [this] { return !events_.empty(); };
    if (timeoutMs < 0) eventArrived_.wait(lock, ready);
    else if (timeoutMs > 0) eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
    if (events_.empty()) return E_ABORT;
    const Event e = events_.front();
    events_.pop_front();
    *code = e.code;
    *param1 = e.param1;
    *param2 = e.param2;
    return S_OK;
  }
  STDMETHODIMP WaitForCompletion(long timeoutMs, long* code) override {
    if (!code) return E_POINTER;
    std::unique_lock lock(eventMutex_);
    auto done = [this] { return completed_; };
    if (timeoutMs < 0) eventArrived_.wait(lock, done);
    else eventArrived_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
    if (!completed_) {
      *code = 0;
      return E_ABORT;
    }
    *code = completionCode_;
    return S_OK;
  }
  STDMETHODIMP CancelDefaultHandling(long code) override {
    std::lock_guard lock(eventMutex_);
    cancelled_.insert(code);
    return S_OK;
  }
  STDMETHODIMP RestoreDefaultHandling(long code) override {
    std::lock_guard lock(eventMutex_);
    cancelled_.erase(code);
    return S_OK;
  }
  STDMETHODIMP FreeEventParams(long code, LONG_PTR param1, LONG_PTR) override {
    // A lost device's filter travels with a reference.
    if (code == EC_DEVICE_LOST && param1) reinterpret_cast<IUnknown*>(param1)->Release();
    return S_OK;
  }
  STDMETHODIMP SetNotifyWindow(OAHWND hwnd, long msg, LONG_PTR instanceData) override {
    std::lock_guard lock(eventMutex_);
    notifyWindow_ = reinterpret_cast<HWND>(hwnd);
    notifyMessage_ = static_cast<UINT>(msg);
    notifyInstance_ = instanceData;
    return S_OK;
  }
  STDMETHODIMP SetNotifyFlags(long flags) override {
    if (flags != 0 && flags != AM_MEDIAEVENT_NONOTIFY) return E_INVALIDARG;
    notifyFlags_ = flags;
    return S_OK;
  }
  STDMETHODIMP GetNotifyFlags(long* flags) override { return com::CopyOut(flags, notifyFlags_); }

  // IMediaSeeking, answered by the first source that seeks.
  STDMETHODIMP GetCapabilities(DWORD* caps) override {
    return Seek([&](IMediaSeeking* s) { return s->GetCapabilities(caps); });
  }
  STDMETHODIMP CheckCapabilities(DWORD* caps) override {
    return Seek([&](IMediaSeeking* s) { return s->CheckCapabilities(caps); });
  }
  STDMETHODIMP IsFormatSupported(const GUID* format) override {
    return Seek([&](IMediaSeeking* s) { return s->IsFormatSupported(format); });
  }
  STDMETHODIMP QueryPreferredFormat(GUID* format) override {
    return Seek([&](IMediaSeeking* s) { return s->QueryPreferredFormat(format); });
  }
  STDMETHODIMP GetTimeFormat(GUID* format) override { return com::CopyOut(format, timeFormat_); }
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override {
    if (!format) return E_POINTER;
    return *format == timeFormat_ ? S_OK : S_FALSE;
  }
  STDMETHODIMP SetTimeFormat(const GUID* format) override {
    if (!format) return E_POINTER;
    if (state_ != State_Stopped) return VFW_E_WRONG_STATE;
    const HRESULT hr = Seek([&](IMediaSeeking* s) { return s->SetTimeFormat(format); });
    if (SUCCEEDED(hr)) timeFormat_ = *format;
    return hr;
  }
  STDMETHODIMP GetDuration(LONGLONG* duration) override {
    return Seek([&](IMediaSeeking* s) { return s->GetDuration(duration); });
  }
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override {
    return Seek([&](IMediaSeeking* s) { return s->GetStopPosition(stop); });
  }
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override {
    return Seek([&](IMediaSeeking* s) { return s->GetCurrentPosition(current); });
  }
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override {
    return Seek([&](IMediaSeeking* s) { return s->ConvertTimeFormat(target, targetFormat, source, sourceFormat); });
  }
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override {
    return Seek([&](IMediaSeeking* s) { return s->SetPositions(current, currentFlags, stop, stopFlags); });
  }
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override {
    return Seek([&](IMediaSeeking* s) { return s->GetPositions(current, stop); });
  }
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override {
    return Seek([&](IMediaSeeking* s) { return s->GetAvailable(earliest, latest); });
  }
  STDMETHODIMP SetRate(double rate) override {
    return Seek([&](IMediaSeeking* s) { return s->SetRate(rate); });
  }
  STDMETHODIMP GetRate(double* rate) override {
    return Seek([&](IMediaSeeking* s) { return s->GetRate(rate); });
  }
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override {
    return Seek([&](IMediaSeeking* s) { return s->GetPreroll(preroll); });
  }

  // IMediaEventSink
  STDMETHODIMP Notify(long code, LONG_PTR param1, LONG_PTR param2) override {
    HWND window = nullptr;
    UINT msg = 0;
    LONG_PTR instance = 0;
    {
      std::lock_guard lock(eventMutex_);
      if (code == EC_COMPLETE && !cancelled_.count(EC_COMPLETE)) {
        // One EC_COMPLETE for the graph, when every renderer has ended.
        if (pendingComplete_ > 1) {
          --pendingComplete_;
          return S_OK;
        }
        pendingComplete_ = 0;
      }
      if (code == EC_DEVICE_LOST && param1) reinterpret_cast<IUnknown*>(param1)->AddRef();
      events_.push_back({code, param1, param2});
      if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT) {
        completed_ = true;
        completionCode_ = code;
      }
      if (notifyWindow_ && notifyFlags_ == 0) {
        window = notifyWindow_;
        msg = notifyMessage_;
        instance = notifyInstance_;
      }
    }
    eventArrived_.notify_all();
    if (window) PostGraphNotification(window, msg, 0, instance);
    return S_OK;
  }

 private:
  struct Entry {
    CComPtr<IBaseFilter> filter;
    std::string name;
  };

  static std::string DefaultNameOf(IBaseFilter* filter) {
    if (CBaseFilter* base = AsBaseFilter(filter)) return base->DefaultName();
    return "Filter";
  }
  static bool IsSource(IBaseFilter* filter) {
    if (CBaseFilter* base = AsBaseFilter(filter)) return base->IsSource();
    for (auto& p : PinsOf(filter))
      if (DirectionOf(p) == PINDIR_INPUT) return false;
    return true;
  }
  template <typename Call>
  HRESULT Seek(Call call) {
    for (auto& f : Snapshot()) {
      if (!IsSource(f)) continue;
      CComPtr<IMediaSeeking> seeking;
      if (SUCCEEDED(f->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))) && seeking)
        return call(seeking);
    }
    return E_NOTIMPL;
  }
  bool NameTaken(const std::string& name) const {
    return std::any_of(filters_.begin(), filters_.end(), [&](const Entry& e) { return e.name == name; });
  }
  bool InGraph(IPin* pin) {
    CComPtr<IBaseFilter> owner;
    PinNameOf(pin, &owner);
    std::lock_guard lock(mutex_);
    return std::any_of(filters_.begin(), filters_.end(), [&](const Entry& e) { return e.filter.get() == owner.get(); });
  }
  std::vector<CComPtr<IBaseFilter>> Snapshot() {
    std::lock_guard lock(mutex_);
    std::vector<CComPtr<IBaseFilter>> all;
    for (auto& f : filters_) all.push_back(f.filter);
    return all;
  }
  void StopAll() {
    auto filters = Snapshot();
    // Sources first, joining their threads, so everything downstream has seen the last
    // sample before it stops (writers finish their files complete).
    for (auto& f : filters)
      if (IsSource(f)) f->Stop();
    for (auto& f : filters)
      if (!IsSource(f)) f->Stop();
    state_ = State_Stopped;
  }

  HRESULT ConnectIntelligent(IPin* out, IPin* in, int depth) {
    if (!out || !in) return E_POINTER;
    HRESULT hr = ConnectDirect(out, in, nullptr);
    if (SUCCEEDED(hr) || hr == VFW_E_NOT_IN_GRAPH || hr == VFW_E_NOT_STOPPED || hr == VFW_E_ALREADY_CONNECTED ||
        depth <= 0)
      return hr;
    std::vector<CLSID> converters;
    {
      std::lock_guard lock(convertersMutex);
      converters = Converters();
    }
    for (const CLSID& clsid : converters) {
      CComPtr<IBaseFilter> conv;
      if (FAILED(
              CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, reinterpret_cast<void**>(&conv))))
        continue;
      if (FAILED(AddFilter(conv, nullptr))) continue;
      CComPtr<IPin> convIn = FirstFreePin(conv, PINDIR_INPUT);
      if (convIn && SUCCEEDED(ConnectDirect(out, convIn, nullptr))) {
        for (auto& convOut : PinsOf(conv)) {
          if (DirectionOf(convOut) != PINDIR_OUTPUT) continue;
          if (SUCCEEDED(ConnectIntelligent(convOut, in, depth - 1))) return S_OK;
        }
      }
      RemoveFilter(conv);
    }
    return VFW_E_CANNOT_CONNECT;
  }

  std::mutex mutex_;
  std::vector<Entry> filters_;
  std::atomic<FILTER_STATE> state_{State_Stopped};
  REFERENCE_TIME runTime_ = 0;  // when the graph last ran, on the monotonic clock
  CComPtr<IReferenceClock> clock_;
  std::atomic<bool> clockChosen_{false};
  GUID timeFormat_ = TIME_FORMAT_MEDIA_TIME;

  std::mutex eventMutex_;
  std::condition_variable eventArrived_;
  std::deque<Event> events_;
  std::set<long> cancelled_;
  int pendingComplete_ = 0;
  bool completed_ = false;
  long completionCode_ = 0;
  HWND notifyWindow_ = nullptr;
  UINT notifyMessage_ = 0;
  LONG_PTR notifyInstance_ = 0;
  std::atomic<long> notifyFlags_{0};
};

}  // namespace

void RegisterConverterClass(const CLSID& clsid, bool first) {
  std::lock_guard lock(convertersMutex);
  auto& list = Converters();
  if (std::find(list.begin(), list.end(), clsid) != list.end()) return;
  if (first) list.insert(list.begin(), clsid);
  else list.push_back(clsid);
}

std::string DumpGraph(IFilterGraph* graph) {
  if (!graph) return {};
  CComPtr<IEnumFilters> e;
  if (FAILED(graph->EnumFilters(&e)) || !e) return {};
  std::vector<std::pair<std::string, CComPtr<IBaseFilter>>> filters;
  IBaseFilter* f = nullptr;
  while (e->Next(1, &f, nullptr) == S_OK) {
    CComPtr<IBaseFilter> filter;
    filter.Attach(f);
    filters.emplace_back(FilterNameOf(filter), filter);
  }
  std::sort(filters.begin(), filters.end(), [](auto& a, auto& b) { return a.first < b.first; });
  std::string text;
  for (auto& [name, filter] : filters) {
    text += name + "\n";
    for (auto& pin : PinsOf(filter)) {
      if (DirectionOf(pin) != PINDIR_OUTPUT) continue;
      text += "  " + PinNameOf(pin);
      CComPtr<IPin> peer;
      if (FAILED(pin->ConnectedTo(&peer))) {
        text += " (unconnected)\n";
        continue;
      }
      CComPtr<IBaseFilter> peerFilter;
      const std::string peerPin = PinNameOf(peer, &peerFilter);
      CMediaType mt;
      pin->ConnectionMediaType(&mt);
      text += " -> " + FilterNameOf(peerFilter) + "." + peerPin + " [" + DescribeType(mt) + "]\n";
    }
  }
  return text;
}

namespace internal {
HRESULT CreateFilterGraph(REFIID riid, void** ppv) { return com::HandOver(new FilterGraph(), riid, ppv); }
}  // namespace internal

}  // namespace platform::dshow
