// The recording graphs of CCaptureGraph: tees split the device's picture and sound into the
// writer's branch and the preview; stopping posts one message for the file written.
#include "capture/capture_graph.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/window/messages.h"

BOOL CCaptureGraph::StartMpegCapture(const MpegCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartRecording(kMpeg, [&](IPin* video, IPin* audio) {
    return writerHelper_.AddMpegEncoder(settings, video, audio, &mpegEncoder_);
  });
}

BOOL CCaptureGraph::StartAviCapture(const AviCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartRecording(
      kAvi, [&](IPin* video, IPin* audio) { return writerHelper_.BuildAviWriter(settings, video, audio, &aviMux_); });
}

BOOL CCaptureGraph::SetAviOutputFile(const char* name) {
  if (!capturing_ || captureMode_ != kAvi || !aviMux_ || !name) return FALSE;
  if (!StopGraph()) return FALSE;
  CComPtr<IFileSinkFilter> sink;
  if (FAILED(
          builder_->FindInterface(nullptr, nullptr, aviMux_, IID_IFileSinkFilter, reinterpret_cast<void**>(&sink))) ||
      !sink || FAILED(sink->SetFileName(name, nullptr)))
    return FALSE;
  return Run();
}

BOOL CCaptureGraph::StartRecording(int mode, const std::function<BOOL(IPin*, IPin*)>& buildWriter) {
  if (!open_) return FALSE;
  if (capturing_) return TRUE;
  if (previewing_ && !StopCapture()) return FALSE;

  if (HasVideoPortPin()) {
    CComPtr<IPin> video = helper_.GetOutputPin(videoCapture_, 0);
    CComPtr<IPin> audio = audioCapture_ ? helper_.GetOutputPin(audioCapture_, 0) : nullptr;
    if (!buildWriter(video, audio)) return FALSE;
    const int vp = helper_.FindPinByName(videoCapture_, PINDIR_OUTPUT, "VP");
    CComPtr<IPin> vpPin = helper_.GetOutputPin(videoCapture_, vp);
    if (FAILED(helper_.AddFilter(CLSID_OverlayMixer, &overlayMixer_, "Overlay Mixer"))) return FALSE;
    SetOverlayAspectRatioMode(overlayMixer_, AM_ARMODE_STRETCHED);
    if (builder_->RenderStream(nullptr, &MEDIATYPE_Video, vpPin, overlayMixer_, nullptr) != S_OK) return FALSE;
  } else {
    // Video: [Erase Line], then the tee.
    IBaseFilter* videoSource = videoCapture_;
    if (eraseLines_ != 0) {
      if (FAILED(helper_.AddFilter(CLSID_QnEraseLine, &eraseLine_, "Erase Line")) ||
          FAILED(helper_.ConnectByMediaType(videoCapture_, &MEDIATYPE_Video, eraseLine_, 0)))
        return FALSE;
      CComPtr<IQnEraseLine> erase;
      if (SUCCEEDED(eraseLine_->QueryInterface(IID_IQnEraseLine, reinterpret_cast<void**>(&erase))))
        erase->SetEraseLines(eraseLines_);
      videoSource = eraseLine_;
    }
    if (FAILED(helper_.AddFilter(CLSID_InfTee, &videoTee_, "InfTee Video"))) return FALSE;
    const HRESULT linked = videoSource == videoCapture_
                               ? helper_.ConnectByMediaType(videoCapture_, &MEDIATYPE_Video, videoTee_, 0)
                               : helper_.ConnectFilters(eraseLine_, 0, videoTee_, 0);
    if (FAILED(linked)) return FALSE;

    // Audio: the device's own pin or the separate device, then the analyzer and the tee.
    if (ownAudio_) {
      if (FAILED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &audioAnalyzer_, "Audio Analyzer")) ||
          FAILED(helper_.ConnectByMediaType(videoCapture_, &MEDIATYPE_Audio, audioAnalyzer_, 0)))
        return FALSE;
    } else if (audioCapture_) {
      SetAudioCaptureFormat(audioCapture_, 2, 2, 48000);
      if (FAILED(helper_.AddFilter(CLSID_ACMWrapper, &audioConverter_, "ACM Wapper")) ||
          FAILED(helper_.ConnectFilters(audioCapture_, 0, audioConverter_, 0)) ||
          FAILED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &audioAnalyzer_, "Audio Analyzer")) ||
          FAILED(helper_.ConnectFilters(audioConverter_, 0, audioAnalyzer_, 0)))
        return FALSE;
    }
    if (audioAnalyzer_ && (FAILED(helper_.AddFilter(CLSID_InfTee, &audioTee_, "InfTee Audio")) ||
                           FAILED(helper_.ConnectFilters(audioAnalyzer_, 0, audioTee_, 0))))
      return FALSE;

    // Recording pins, through the time offset when there is one.
    CComPtr<IPin> video = helper_.GetOutputPin(videoTee_, 0);
    CComPtr<IPin> audio = audioTee_ ? helper_.GetOutputPin(audioTee_, 0) : nullptr;
    if (timeOffsetMs_ != 0 && mode != kAvi) {
      const LONGLONG offset = static_cast<LONGLONG>(timeOffsetMs_) * 10000;
      auto shift = [&](IBaseFilter* tee, IBaseFilter** slot, const char* name, CComPtr<IPin>& pin) {
        if (FAILED(helper_.AddFilter(CLSID_QnTimeOffset, slot, name)) ||
            FAILED(helper_.ConnectFilters(tee, 0, *slot, 0)))
          return false;
        CComPtr<IQnTimeOffset> control;
        if (SUCCEEDED((*slot)->QueryInterface(IID_IQnTimeOffset, reinterpret_cast<void**>(&control))))
          control->SetOffset(offset);
        pin = helper_.GetOutputPin(*slot, 0);
        return true;
      };
      if (!shift(videoTee_, &videoTimeOffset_, "TimeOffset Video", video)) return FALSE;
      if (audioTee_ && !shift(audioTee_, &audioTimeOffset_, "TimeOffset Audio", audio)) return FALSE;
    }
    if (!buildWriter(video, audio)) return FALSE;

    // Preview branch from the tee's second output.
    if (!BuildPreviewVideo(videoTee_, false)) return FALSE;
    if (audioTee_ && (deviceKind_ == 2 || ownAudio_) && !ConnectAudioRenderer(audioTee_, 1)) return FALSE;
  }
  SetVideoWindowOwner(owner_);
  // A run that fails (a file the writer cannot create) leaves nothing half built behind.
  if (!Run()) return FailStart();
  captureMode_ = mode;
  capturing_ = TRUE;
  previewing_ = FALSE;
  return TRUE;
}

BOOL CCaptureGraph::FailStart() {
  if (mediaControl_) mediaControl_->Stop();
  HideVideoWindow();
  helper_.RemoveDownstream(videoCapture_);
  helper_.RemoveDownstream(audioCapture_);
  ReleaseChains();
  previewing_ = capturing_ = FALSE;
  return FALSE;
}

BOOL CCaptureGraph::StopCapture() {
  if (!open_) return TRUE;
  // A graph that will not stop is torn down all the same, and what was written is reported.
  const BOOL stopped = StopGraph();
  if (!stopped && mediaControl_) mediaControl_->Stop();
  HideVideoWindow();
  for (IBaseFilter* writer : {aviMux_, mpegEncoder_, asfWriter_})
    if (writer) helper_.DisconnectPin(writer, 1, PINDIR_INPUT);
  helper_.RemoveDownstream(videoCapture_);
  helper_.RemoveDownstream(audioCapture_);
  if (capturing_ && notify_) {
    switch (captureMode_) {
      case kAvi: PostMessage(notify_, kAviCaptureStopped, kCaptureStoppedCode, 0); break;
      case kMpeg:
        PostMessage(notify_, kMpegCaptureStopped, kCaptureStoppedCode,
                    static_cast<LPARAM>(writerHelper_.GetEncoderResult(mpegEncoder_)));
        break;
      case kWmv: PostMessage(notify_, kWmvCaptureStopped, kCaptureStoppedCode, 0); break;
      default: break;
    }
  }
  ReleaseChains();
  previewing_ = capturing_ = FALSE;
  return stopped;
}

BOOL CCaptureGraph::StopCaptureToPreview() {
  if (!open_) return FALSE;
  if (!capturing_) return TRUE;
  return StopCapture() && StartPreview();
}
