// Picture adjustment and TV standard of CCaptureGraph; the values live under the product key's
// "Adjust" sub-key, one DWORD per device and property.
#include "capture/capture_graph.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace {

constexpr const char* kAdjustKey = "Software\\Narvell\\Vidarro 5\\Adjust";
constexpr long kBrightness = 0, kContrast = 1, kHue = 2, kSaturation = 3;

}  // namespace

CComPtr<IAMVideoProcAmp> CCaptureGraph::ProcAmp() {
  CComPtr<IAMVideoProcAmp> procAmp;
  if (videoCapture_ && builder_)
    builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMVideoProcAmp,
                            reinterpret_cast<void**>(&procAmp));
  return procAmp;
}

std::string CCaptureGraph::ProcAmpValueName(long property) const {
  // "Brigtness" is the name the stored values have always had.
  const char* suffix = property == kBrightness   ? "_Brigtness"
                       : property == kContrast   ? "_Contrast"
                       : property == kSaturation ? "_Saturation"
                                                 : "_Hue";
  return videoName_ + suffix;
}

BOOL CCaptureGraph::GetProcAmpRange(long property, long* min, long* max, long* defaultValue) {
  auto procAmp = ProcAmp();
  if (!procAmp) return FALSE;
  long lo = 0, hi = 0, step = 0, def = 0, caps = 0;
  if (procAmp->GetRange(property, &lo, &hi, &step, &def, &caps) != S_OK) return FALSE;
  if (min) *min = lo;
  if (max) *max = hi;
  if (defaultValue) *defaultValue = def;
  return TRUE;
}

BOOL CCaptureGraph::GetProcAmp(long property, long* value) {
  auto procAmp = ProcAmp();
  long flags = 0;
  return procAmp && value && procAmp->Get(property, value, &flags) == S_OK;
}

BOOL CCaptureGraph::GetAdjustment(long property, long* value) {
  if (!value) return FALSE;
  if (!GetProcAmpRange(property, nullptr, nullptr, nullptr)) {
    *value = -1;
    return FALSE;
  }
  return GetProcAmp(property, value);
}

BOOL CCaptureGraph::SetProcAmp(long property, long value) {
  auto procAmp = ProcAmp();
  if (!procAmp) return FALSE;
  long current = 0, flags = 0;
  if (FAILED(procAmp->Get(property, &current, &flags))) return FALSE;
  return procAmp->Set(property, value, flags) == S_OK;
}

void CCaptureGraph::LoadProcAmpSettings(long* brightness, long* contrast, long* saturation, long* hue) {
  const std::pair<long, long*> fields[] = {
      {kBrightness, brightness}, {kContrast, contrast}, {kSaturation, saturation}, {kHue, hue}};
  for (const auto& [property, out] : fields) {
    if (!out) continue;
    long def = 0;
    if (!GetProcAmpRange(property, nullptr, nullptr, &def)) {
      *out = -1;
      continue;
    }
    DWORD value = static_cast<DWORD>(def);
    RegReadDword(HKEY_CURRENT_USER, kAdjustKey, ProcAmpValueName(property).c_str(), &value, static_cast<DWORD>(def));
    *out = static_cast<std::int32_t>(value);  // DWORDs hold signed values (hue)
  }
}

void CCaptureGraph::SaveProcAmpSettings(long brightness, long contrast, long saturation, long hue) {
  const std::pair<long, long> fields[] = {
      {kBrightness, brightness}, {kContrast, contrast}, {kSaturation, saturation}, {kHue, hue}};
  for (const auto& [property, value] : fields) {
    // Whether the device offers it decides, not the value: -1 is a real hue on many devices.
    if (!GetProcAmpRange(property, nullptr, nullptr, nullptr)) continue;
    if (SetProcAmp(property, value))
      RegWriteDword(HKEY_CURRENT_USER, kAdjustKey, ProcAmpValueName(property).c_str(), static_cast<DWORD>(value));
  }
}

void CCaptureGraph::StoreCurrentProcAmp() {
  long values[4] = {-1, -1, -1, -1};
  const long properties[4] = {kBrightness, kContrast, kSaturation, kHue};
  for (int i = 0; i < 4; ++i)
    if (GetProcAmpRange(properties[i], nullptr, nullptr, nullptr)) GetProcAmp(properties[i], &values[i]);
  SaveProcAmpSettings(values[0], values[1], values[2], values[3]);
}

long CCaptureGraph::GetTvFormat() {
  if (!videoCapture_ || !builder_) return 1;
  CComPtr<IAMAnalogVideoDecoder> decoder;
  if (FAILED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMAnalogVideoDecoder,
                                     reinterpret_cast<void**>(&decoder))))
    return 1;
  long format = 1;
  decoder->get_TVFormat(&format);
  return format;
}

BOOL CCaptureGraph::SetTvFormat(long standard) {
  if (!videoCapture_ || !builder_) return FALSE;
  CComPtr<IAMAnalogVideoDecoder> decoder;
  if (FAILED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMAnalogVideoDecoder,
                                     reinterpret_cast<void**>(&decoder))))
    return FALSE;
  long b, c, s, h;
  LoadProcAmpSettings(&b, &c, &s, &h);
  const HRESULT format = decoder->put_TVFormat(standard);
  const HRESULT locking = decoder->put_VCRHorizontalLocking(TRUE);
  SaveProcAmpSettings(b, c, s, h);
  // A standard the decoder refuses is a failure, not a success hidden by the locking call.
  return SUCCEEDED(format) && locking == S_OK;
}
