#include "platform/dshow/v4l2_tuner.h"

#include <linux/videodev2.h>

#include <cerrno>

#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_filters.h"

namespace platform::dshow::v4l2 {

namespace {

HRESULT Refused() { return errno == ENODEV ? sim::E_DEVICE_NOT_CONNECTED : E_FAIL; }

class CardTuner : public TunerDevice {
 public:
  CardTuner(std::shared_ptr<Device> device, std::uint32_t index) : device_(std::move(device)), index_(index) {}

  HRESULT Tune(std::uint64_t carrierHz) override {
    TunerInfo info;
    if (!device_->GetTuner(index_, &info)) return Refused();
    // 62.5 Hz or 62.5 kHz steps: Hz * 16 / 1000 or / 1000000.
    const std::uint64_t units = (carrierHz * 16 + (info.lowUnits ? 500 : 500000)) / (info.lowUnits ? 1000 : 1000000);
    // The driver would tune the nearest frequency it can: another channel than the one asked.
    if (units < info.rangeLow || units > info.rangeHigh) return E_INVALIDARG;
    if (!device_->SetFrequency(index_, V4L2_TUNER_ANALOG_TV, static_cast<std::uint32_t>(units))) return Refused();
    return S_OK;
  }

  HRESULT Signal(long* strength) override {
    TunerInfo info;
    if (!device_->GetTuner(index_, &info)) return Refused();
    *strength = info.signal > 0 ? AMTUNER_SIGNALPRESENT : AMTUNER_NOSIGNAL;
    return S_OK;
  }

  std::uint64_t CarrierHz() override {
    TunerInfo info;
    std::uint32_t units = 0;
    if (!device_->GetTuner(index_, &info) || !device_->GetFrequency(index_, &units)) return 0;
    return static_cast<std::uint64_t>(units) * (info.lowUnits ? 1000 : 1000000) / 16;
  }

 private:
  std::shared_ptr<Device> device_;
  std::uint32_t index_;
};

}  // namespace

std::shared_ptr<TunerDevice> MakeCardTuner(std::shared_ptr<Device> device, std::uint32_t tunerIndex) {
  return std::make_shared<CardTuner>(std::move(device), tunerIndex);
}

}  // namespace platform::dshow::v4l2
