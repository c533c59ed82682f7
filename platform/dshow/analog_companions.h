// The filters an analog capture device puts in front of its capture filter: its crossbars, which
// route a physical connector to the video decoder, and its TV tuner. Shared by the simulated
// devices and the machine's own.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/dshow/base_filter.h"
#include "platform/dshow/filter_interfaces.h"
#include "platform/dshow/sim_hardware.h"

struct CAUUID;

namespace platform::dshow {

// An analog input pin of a capture filter or crossbar (category PIN_CATEGORY_ANALOGVIDEOIN).
class AnalogInputPin : public CPatternInputPin {
 public:
  AnalogInputPin(CBaseFilter* f, std::string name, GUID major)
      : CPatternInputPin(f, std::move(name), {TypePattern(major)}) {
    SetCategory(PIN_CATEGORY_ANALOGVIDEOIN);
  }
};

// Called before the crossbar next to the capture filter switches output `out` to input `in`; a
// failure leaves the route as it was (the device refused the input).
using RouteHook = std::function<HRESULT(long out, long in)>;

// The card behind a TV tuner that really tunes: the tuner hands it the video carrier of the
// channel chosen (by the country's channel plan) and asks it for the signal there.
class TunerDevice {
 public:
  virtual ~TunerDevice() = default;
  virtual HRESULT Tune(std::uint64_t carrierHz) = 0;
  // AMTUNER_SIGNALPRESENT or AMTUNER_NOSIGNAL.
  virtual HRESULT Signal(long* strength) = 0;
  // Where the device is tuned now, in Hz; 0 when it cannot tell.
  virtual std::uint64_t CarrierHz() = 0;
};

// Adds the crossbars (the first one feeds analogIn) and, when tvFormats >= 0, a TV tuner
// offering those AnalogVideoStandard bits on the first free tuner input. Without a tunerDevice
// the tuner only keeps its channel (1 to 125) and always finds a signal.
HRESULT AddAnalogUpstream(IGraphBuilder* graph, IPin* analogIn, const std::vector<sim::Crossbar>& crossbars,
                          long tvFormats, const RouteHook& hook = {}, std::shared_ptr<TunerDevice> tunerDevice = {});

// ISpecifyPropertyPages::GetPages answered with these pages.
HRESULT PropertyPages(std::initializer_list<GUID> ids, CAUUID* pages);

}  // namespace platform::dshow
