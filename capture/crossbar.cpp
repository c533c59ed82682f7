#include "capture/crossbar.h"

#include <algorithm>
#include <cstring>

#include "platform/base/strings.h"
#include "capture/device_walk.h"
#include "platform/com/out_param.h"

namespace {

std::vector<CComPtr<IPin>> PinsOf(IAMCrossbar* crossbar) {
  CComPtr<IBaseFilter> filter;
  if (FAILED(crossbar->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&filter)))) return {};
  return capture::PinsOf(filter);
}

}  // namespace

HRESULT GetCrossbarPinAtIndex(IAMCrossbar* crossbar, long index, BOOL isInput, IPin** pin) {
  if (!crossbar || !pin) return E_POINTER;
  *pin = nullptr;
  long outputs = 0, inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return E_FAIL;
  const long wanted = isInput ? index : index + inputs;
  const auto pins = PinsOf(crossbar);
  if (index < 0 || wanted >= static_cast<long>(pins.size())) return E_FAIL;
  return pins[static_cast<std::size_t>(wanted)].CopyTo(pin);
}

HRESULT GetCrossbarIndexFromPin(IAMCrossbar* crossbar, long* index, BOOL isInput, IPin* pin) {
  if (!crossbar || !index || !pin) return E_POINTER;
  long outputs = 0, inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return E_FAIL;
  const auto pins = PinsOf(crossbar);
  for (std::size_t i = 0; i < pins.size(); ++i) {
    if (pins[i].get() != pin) continue;
    *index = static_cast<long>(i) - (isInput ? 0 : inputs);
    return S_OK;
  }
  return E_FAIL;
}

CCrossbar::CCrossbar(IPin* startPin, HRESULT* result) : startPin_(startPin) {
  std::vector<CRoutingRecord> path(1);
  const HRESULT hr = Build(startPin_, path, 0);
  if (result) *result = hr;
}

HRESULT CCrossbar::Build(IPin* pin, std::vector<CRoutingRecord>& path, int depth) {
  if (!pin) return E_POINTER;
  const HRESULT terminal = depth == 0 ? E_FAIL : S_FALSE;
  CComPtr<IPin> peer;
  if (FAILED(pin->ConnectedTo(&peer)) || !peer) return terminal;
  PIN_INFO info;
  if (FAILED(peer->QueryPinInfo(&info))) return terminal;
  CComPtr<IBaseFilter> filter;
  filter.Attach(info.pFilter);
  CComPtr<IAMCrossbar> crossbar;
  if (!filter || FAILED(filter->QueryInterface(IID_IAMCrossbar, reinterpret_cast<void**>(&crossbar)))) return terminal;

  long outputs = 0, inputs = 0;
  if (FAILED(crossbar->get_PinCounts(&outputs, &inputs))) return terminal;
  long outIndex = 0, outRelated = -1, outType = 0;
  if (FAILED(GetCrossbarIndexFromPin(crossbar, &outIndex, FALSE, peer))) return terminal;
  crossbar->get_CrossbarPinInfo(FALSE, outIndex, &outRelated, &outType);

  for (long in = 0; in < inputs; ++in) {
    long inRelated = -1, inType = 0;
    if (FAILED(crossbar->get_CrossbarPinInfo(TRUE, in, &inRelated, &inType))) continue;
    if (inType >= PhysConn_Audio_Tuner || crossbar->CanRoute(outIndex, in) != S_OK) continue;
    CComPtr<IPin> inPin;
    if (FAILED(GetCrossbarPinAtIndex(crossbar, in, TRUE, &inPin))) continue;
    if (path.size() < static_cast<std::size_t>(depth) + 2) path.resize(static_cast<std::size_t>(depth) + 2);
    CRoutingRecord& record = path[static_cast<std::size_t>(depth)];
    record = CRoutingRecord();
    record.crossbar = crossbar;
    record.videoInput = in;
    record.videoOutput = outIndex;
    record.audioInput = inRelated;
    record.audioOutput = outRelated;
    record.inputPhysicalType = inType;
    record.outputPhysicalType = outType;
    record.depth = depth;
    if (Build(inPin, path, depth + 1) == S_FALSE) {
      // The input is a physical connector: the route ends here. Saved from the connector
      // end down to the crossbar next to the capture filter.
      std::vector<CRoutingRecord> route(path.begin(), path.begin() + depth + 1);
      std::reverse(route.begin(), route.end());
      routes_.push_back(std::move(route));
    }
  }
  return S_OK;
}

HRESULT CCrossbar::GetInputCount(long* count) const {
  return platform::com::CopyOut(count, static_cast<long>(routes_.size()));
}

HRESULT CCrossbar::GetInputType(long index, long* type) const {
  if (!type) return E_POINTER;
  if (index < 0 || index >= static_cast<long>(routes_.size())) return E_FAIL;
  *type = routes_[static_cast<std::size_t>(index)].front().inputPhysicalType;
  return S_OK;
}

HRESULT CCrossbar::GetInputName(long index, std::string& name) const {
  long type = 0;
  const HRESULT hr = GetInputType(index, &type);
  if (FAILED(hr)) return hr;
  name = PinTypeName(type);
  return S_OK;
}

HRESULT CCrossbar::GetInputName(long index, char* buffer, int size) const {
  if (!buffer || size <= 0) return E_FAIL;
  if (index < 0 || index >= static_cast<long>(routes_.size())) return E_FAIL;
  long type = 0;
  GetInputType(index, &type);
  return GetPinTypeName(buffer, size, type) ? S_OK : E_FAIL;
}

HRESULT CCrossbar::SetInputIndex(long index) {
  if (index < 0 || index >= static_cast<long>(routes_.size())) return E_FAIL;
  HRESULT hr = S_OK;
  for (const auto& r : routes_[static_cast<std::size_t>(index)]) {
    hr = r.crossbar->Route(r.videoOutput, r.videoInput);
    if (r.audioOutput != -1 && r.audioInput != -1) r.crossbar->Route(r.audioOutput, r.audioInput);
  }
  current_ = index;
  return hr;
}

HRESULT CCrossbar::GetInputIndex(long* index) const { return platform::com::CopyOut(index, current_); }

std::string CCrossbar::PinTypeName(long type) {
  switch (type) {
    case 1: return "Video Tuner";
    case 2: return "Video Composite";
    case 3: return "Video SVideo";
    case 4: return "Video RGB";
    case 5: return "Video YRYBY";
    case 6: return "Video SerialDigital";
    case 7: return "Video ParallelDigital";
    case 8: return "Video SCSI";
    case 9: return "Video AUX";
    case 10: return "Video 1394";
    case 11: return "Video USB";
    case 12: return "Video Decoder";
    case 13: return "Video Encoder";
    case 4096: return "Audio Tuner";
    case 4097: return "Audio Line";
    case 4098: return "Audio Mic";
    case 4099: return "Audio AESDigital";
    case 4100: return "Audio SPDIFDigital";
    case 4101: return "Audio SCSI";
    case 4102: return "Audio AUX";
    case 4103: return "Audio 1394";
    case 4104: return "Audio USB";
    case 4105: return "Audio Decoder";
    default: return "Unknown";
  }
}

BOOL CCrossbar::GetPinTypeName(char* buffer, int size, long type) {
  if (!buffer || size <= 0) return FALSE;
  const std::string name = PinTypeName(type);
  platform::CopyToBuffer(name, buffer, size);
  return TRUE;
}
