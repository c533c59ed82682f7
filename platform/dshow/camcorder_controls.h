// What every camcorder filter answers alike through IAMExtDevice, IAMExtTransport,
// IAMTimecodeReader and ISpecifyPropertyPages: a VCR that reads time code, its device path as its
// id, its one page, and the settings a camcorder keeps without acting on them. A filter adds the
// transport, the status and the time code of its own tape.
#pragma once

#include <string>

#include "platform/com/property_frame.h"
#include "platform/dshow/base_pin.h"
#include "platform/dshow/device_interfaces.h"

namespace platform::dshow {

class CamcorderControls : public IAMExtDevice,
                          public IAMExtTransport,
                          public IAMTimecodeReader,
                          public ISpecifyPropertyPages {
 public:
  explicit CamcorderControls(std::string devicePath) : devicePath_(std::move(devicePath)) {}

  STDMETHODIMP GetCapability(long capability, long* value, double* doubleValue) override;
  STDMETHODIMP get_ExternalDeviceID(LPOLESTR* id) override;
  STDMETHODIMP get_ExternalDeviceVersion(LPOLESTR* version) override;
  STDMETHODIMP put_DevicePort(long) override { return S_OK; }
  STDMETHODIMP get_DevicePort(long* port) override;
  STDMETHODIMP put_MediaState(long) override { return S_OK; }
  STDMETHODIMP get_MediaState(long* state) override;
  STDMETHODIMP SetTransportBasicParameters(long, long, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP put_Rate(double rate) override;
  STDMETHODIMP get_Rate(double* rate) override;
  STDMETHODIMP GetTCRMode(long, long* value) override;
  STDMETHODIMP SetTCRMode(long, long) override { return S_OK; }
  STDMETHODIMP put_VITCLine(long) override { return S_OK; }
  STDMETHODIMP get_VITCLine(long* line) override;
  STDMETHODIMP GetPages(CAUUID* pages) override;

  // The ED_TRANSBASIC_INPUT_SIGNAL value of a camcorder's stream.
  static long InputSignal(bool hdv, bool pal);

 protected:
  // The interfaces above, for a filter's GetFilterInterface.
  void* OfferControls(REFIID riid);

 private:
  std::string devicePath_;
  double rate_ = 1.0;
};

}  // namespace platform::dshow
