#include "platform/dshow/camcorder_controls.h"

#include "platform/com/out_param.h"
#include "platform/dshow/analog_companions.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/uuids.h"

namespace platform::dshow {

STDMETHODIMP CamcorderControls::GetCapability(long capability, long* value, double* doubleValue) {
  if (value) *value = 0;
  if (doubleValue) *doubleValue = 0;
  if (capability == ED_DEVCAP_DEVICE_TYPE) return com::CopyOut(value, ED_DEVTYPE_VCR);
  if (capability == static_cast<long>(ED_DEVCAP_TIMECODE_READ)) return com::CopyOut(value, OATRUE);
  return S_OK;
}

STDMETHODIMP CamcorderControls::get_ExternalDeviceID(LPOLESTR* id) { return com::CopyOutText(devicePath_, id); }
STDMETHODIMP CamcorderControls::get_ExternalDeviceVersion(LPOLESTR* version) {
  return com::CopyOutText("1.0", version);
}
STDMETHODIMP CamcorderControls::get_DevicePort(long* port) { return com::CopyOut(port, 0); }
STDMETHODIMP CamcorderControls::get_MediaState(long* state) { return com::CopyOut(state, 0); }
STDMETHODIMP CamcorderControls::put_Rate(double rate) { return com::CopyIn(rate_, rate); }
STDMETHODIMP CamcorderControls::get_Rate(double* rate) { return com::CopyOut(rate, rate_); }
STDMETHODIMP CamcorderControls::GetTCRMode(long, long* value) { return com::CopyOut(value, 0); }
STDMETHODIMP CamcorderControls::get_VITCLine(long* line) { return com::CopyOut(line, 0); }
STDMETHODIMP CamcorderControls::GetPages(CAUUID* pages) {
  return PropertyPages({CLSID_DvCamcorderPropertyPage}, pages);
}

long CamcorderControls::InputSignal(bool hdv, bool pal) {
  if (hdv) return ED_TRANSBASIC_SIGNAL_MPEG2TS;
  return pal ? ED_TRANSBASIC_SIGNAL_625_50_SD : ED_TRANSBASIC_SIGNAL_525_60_SD;
}

void* CamcorderControls::OfferControls(REFIID riid) {
  if (void* p = Offer<IAMExtDevice>(this, riid)) return p;
  if (void* p = Offer<IAMExtTransport>(this, riid)) return p;
  if (void* p = Offer<IAMTimecodeReader>(this, riid)) return p;
  return Offer<ISpecifyPropertyPages>(this, riid);
}

}  // namespace platform::dshow
