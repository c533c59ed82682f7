// Inputs of CCaptureGraph: the crossbar in front of the capture filter, the TV tuner, the video
// signal and the devices' own property pages.
#include "capture/capture_graph.h"
#include "capture/crossbar.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/uuids.h"

namespace {

bool IsAnalogVideoInput(IPin* pin) {
  CComPtr<IKsPropertySet> ks;
  if (FAILED(pin->QueryInterface(IID_IKsPropertySet, reinterpret_cast<void**>(&ks))) || !ks) return false;
  GUID category{};
  DWORD returned = 0;
  return SUCCEEDED(
             ks->Get(AMPROPSETID_Pin, AMPROPERTY_PIN_CATEGORY, nullptr, 0, &category, sizeof category, &returned)) &&
         returned == sizeof category && category == PIN_CATEGORY_ANALOGVIDEOIN;
}

}  // namespace

void CCaptureGraph::BuildCrossbar() {
  delete crossbar_;
  crossbar_ = nullptr;
  crossbarInputs_ = 0;
  if (!videoCapture_) return;
  for (const auto& pin : platform::dshow::PinsOf(videoCapture_)) {
    if (platform::dshow::DirectionOf(pin) != PINDIR_INPUT || !IsAnalogVideoInput(pin)) continue;
    HRESULT hr = E_FAIL;
    crossbar_ = new CCrossbar(pin, &hr);
    long count = 0;
    // A crossbar that could not be walked counts as absent.
    if (SUCCEEDED(hr) && SUCCEEDED(crossbar_->GetInputCount(&count))) crossbarInputs_ = count;
    return;
  }
}

BOOL CCaptureGraph::HasCrossbar() const { return crossbar_ && crossbarInputs_ != 0; }

BOOL CCaptureGraph::HasCrossbarInput(long physicalType) const { return CrossbarInputOfType(physicalType) >= 0; }

long CCaptureGraph::CrossbarInputOfType(long physicalType) const {
  if (!HasCrossbar()) return -1;
  for (long i = 0; i < crossbarInputs_; ++i) {
    long type = -1;
    if (SUCCEEDED(crossbar_->GetInputType(i, &type)) && type == physicalType) return i;
  }
  return -1;
}

BOOL CCaptureGraph::SelectCrossbarInput(long physicalType) {
  const long index = CrossbarInputOfType(physicalType);
  return index >= 0 && SUCCEEDED(crossbar_->SetInputIndex(index));
}

long CCaptureGraph::GetCurrentCrossbarInputType() const {
  if (!HasCrossbar()) return -1;
  long index = -1, type = -1;
  if (FAILED(crossbar_->GetInputIndex(&index)) || FAILED(crossbar_->GetInputType(index, &type))) return -1;
  return type;
}

BOOL CCaptureGraph::HasTvTuner() {
  if (!videoCapture_ || !builder_) return FALSE;
  CComPtr<IAMTVTuner> tuner;
  return SUCCEEDED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMTVTuner,
                                           reinterpret_cast<void**>(&tuner))) &&
         tuner;
}

BOOL CCaptureGraph::IsVideoSignalPresent() {
  if (interleaved_) return TRUE;
  CComPtr<IAMAnalogVideoDecoder> decoder;
  if (!videoCapture_ || !builder_ ||
      FAILED(builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMAnalogVideoDecoder,
                                     reinterpret_cast<void**>(&decoder))) ||
      !decoder)
    return TRUE;
  // A tuner always delivers a picture, snow included.
  if (GetCurrentCrossbarInputType() == PhysConn_Video_Tuner) return TRUE;
  long locked = 0;
  if (FAILED(decoder->get_HorizontalLocked(&locked))) return FALSE;
  return locked ? TRUE : FALSE;
}

CComPtr<IUnknown> CCaptureGraph::FindOnVideoStream(REFIID iid) {
  CComPtr<IUnknown> found;
  if (videoCapture_ && builder_)
    builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, iid,
                            reinterpret_cast<void**>(&found));
  return found;
}

BOOL CCaptureGraph::ShowDevicePropertyPage() { return ShowPropertyPages(videoCapture_, owner_, 0, 0); }

BOOL CCaptureGraph::ShowAudioDevicePropertyPage() { return ShowPropertyPages(audioCapture_, owner_, 0, 0); }

BOOL CCaptureGraph::ShowCrossbarPropertyPage() {
  return ShowPropertyPages(FindOnVideoStream(IID_IAMCrossbar), owner_, 30, 30);
}

BOOL CCaptureGraph::ShowTvTunerPropertyPage() {
  return ShowPropertyPages(FindOnVideoStream(IID_IAMTVTuner), owner_, 30, 30);
}
