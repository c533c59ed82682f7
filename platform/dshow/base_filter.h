// CBaseFilter: reference count, pins, state and the link to the graph, for every filter of the
// layer (stock filters, simulated devices, and the filters other components stand in with).
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/base_pin.h"

namespace platform::dshow {

class CBaseFilter : public IBaseFilter {
 public:
  CBaseFilter(const CLSID& clsid, std::string defaultName);
  virtual ~CBaseFilter();
  CBaseFilter(const CBaseFilter&) = delete;
  CBaseFilter& operator=(const CBaseFilter&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeoutMs, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCOLESTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCOLESTR name) override;
  STDMETHODIMP QueryVendorInfo(LPOLESTR* vendorInfo) override;

  // Streaming calls from the input pins (on the upstream source's thread).
  virtual void Receive(CBaseInputPin*, const MediaSample&) {}
  virtual void EndOfStream(CBaseInputPin*) {}

  // Sources have a thread that the graph stops first.
  virtual bool IsSource() const { return false; }
  // Renderers and writers: the graph waits for end of stream from each before EC_COMPLETE.
  virtual bool IsRenderer() const { return false; }

  const std::string& DefaultName() const { return defaultName_; }
  std::string Name() const;
  FILTER_STATE State() const { return state_.load(); }
  IFilterGraph* Graph() const { return graph_.load(); }
  std::vector<CBasePin*> Pins() const;
  CBasePin* PinByName(const std::string& name) const;
  // How many pins of a direction there are (only the connected ones with connectedOnly).
  int CountPins(PIN_DIRECTION dir, bool connectedOnly = false) const;
  // Reports an event to the graph's event queue; nothing happens outside a graph.
  void NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);

 protected:
  virtual void* GetFilterInterface(REFIID) { return nullptr; }
  // State hooks; the state field changes after they return.
  virtual void OnRun(REFERENCE_TIME) {}
  virtual void OnPause() {}
  virtual void OnStop() {}
  template <typename PinT, typename... Args>
  PinT* AddPin(Args&&... args) {
    auto pin = std::make_unique<PinT>(this, std::forward<Args>(args)...);
    PinT* raw = pin.get();
    std::lock_guard lock(pinsMutex_);
    pins_.push_back(std::move(pin));
    return raw;
  }
  void RemovePin(CBasePin* pin);

 private:
  std::atomic<ULONG> refs_{1};
  CLSID clsid_;
  std::string defaultName_;
  std::string name_;
  std::atomic<IFilterGraph*> graph_{nullptr};  // the graph holds the filter, not the other way round
  std::atomic<FILTER_STATE> state_{State_Stopped};
  CComPtr<IReferenceClock> clock_;
  mutable std::mutex pinsMutex_;
  std::vector<std::unique_ptr<CBasePin>> pins_;
};

// The process clock in reference-time units: what the layer's reference clocks report.
REFERENCE_TIME ProcessClockTime();

// The CBaseFilter behind an interface pointer, when it is one of ours.
CBaseFilter* AsBaseFilter(IUnknown* filter);
CBasePin* AsBasePin(IPin* pin);

}  // namespace platform::dshow
