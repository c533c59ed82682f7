// The DV side of the camcorder graph: opening, the preview and the four recording graphs.
#include <string>

#include "capture/dv_capture_graph.h"
#include "platform/base/clock.h"
#include "platform/base/strings.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/maker_interfaces.h"

namespace {

bool Ok(HRESULT hr) { return SUCCEEDED(hr); }

// The DV decoder's size control; null without a decoder.
CComPtr<IIPDVDec> DisplayOf(IBaseFilter* decoder) {
  CComPtr<IIPDVDec> display;
  if (decoder) decoder->QueryInterface(IID_IIPDVDec, reinterpret_cast<void**>(&display));
  return display;
}

}  // namespace

BOOL CDvCaptureGraph::OpenDv(HWND notifyWindow, HWND videoOwner, const std::string& name) {
  Close();
  ForgetDvSizeUnlessFor(name);
  notify_ = notifyWindow;
  owner_ = videoOwner;
  if (!CreateGraph() || !AddDvDevice(name)) {
    ReleaseGraph();
    return FALSE;
  }
  ReadTapeSignal();
  if (!BuildDvPreview()) {
    ReleaseGraph();
    return FALSE;
  }
  return TRUE;
}

void CDvCaptureGraph::SetDecoderResolution(int resolution) {
  const CComPtr<IIPDVDec> display = DisplayOf(dvDecoder_);
  if (display && Ok(display->put_IPDisplay(resolution))) decoderResolution_ = resolution;
}

int CDvCaptureGraph::PreviewResolution() const { return chosenResolution_ ? chosenResolution_ : DVRESOLUTION_HALF; }

// The page sets the size on the decoders it finds, which take it only when next connected, and
// every rebuild puts the graph's own size back: a size other than the one the graph put is the
// user's, and is kept for the following previews.
void CDvCaptureGraph::KeepChosenResolution() {
  const CComPtr<IIPDVDec> display = DisplayOf(dvDecoder_);
  int now = 0;
  if (!display || !Ok(display->get_IPDisplay(&now)) || now == decoderResolution_) return;
  chosenResolution_ = now;
  decoderResolution_ = now;
}

void CDvCaptureGraph::ForgetDvSizeUnlessFor(const std::string& device) {
  if (platform::EqualsNoCase(device, chosenFor_)) return;
  chosenResolution_ = 0;
  chosenFor_ = device;
}

BOOL CDvCaptureGraph::AddDvDevice(const std::string& name) { return AddCamcorder(name, "DV Device"); }

BOOL CDvCaptureGraph::AddCamcorder(const std::string& name, const char* filterName) {
  if (!graph_) return FALSE;
  RemoveAndRelease(graph_, &camcorder_);
  if (FindDeviceFilter(name.c_str(), &camcorder_, &CLSID_VideoInputDeviceCategory) != S_OK || !camcorder_) return FALSE;
  if (FAILED(graph_->AddFilter(camcorder_, filterName))) return FALSE;
  builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camcorder_, IID_IAMExtTransport,
                          reinterpret_cast<void**>(&transport_));
  builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camcorder_, IID_IAMTimecodeReader,
                          reinterpret_cast<void**>(&timecode_));
  builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, camcorder_, IID_IAMExtDevice,
                          reinterpret_cast<void**>(&extDevice_));
  return TRUE;
}

void CDvCaptureGraph::ReadTapeSignal() {
  if (!transport_) return;
  long signal = 0;
  const HRESULT hr = transport_->GetTransportBasicParameters(ED_TRANSBASIC_INPUT_SIGNAL, &signal, nullptr);
  Sleep(500);
  if (FAILED(hr)) return;
  switch (signal) {
    case 5040:
    case 5041:
      signalCode_ = 2001;
      frameDurationMs_ = 40;
      break;
    case 5042:
    case 5043:
    case 5044:
    case 5076:
    case 5077:
    case 5078:
    case 5081:
    case 5082:
    case 5083: break;
    default: signalCode_ = 2000; frameDurationMs_ = 33;
  }
}

BOOL CDvCaptureGraph::BuildDvVideoPreview() {
  if (!camcorder_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_DVSplitter, &dvSplitter_, "DV Spliter")) ||
      !Ok(helper_.ConnectByMediaType(camcorder_, &MEDIATYPE_Interleaved, dvSplitter_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_DVVideoCodec, &dvDecoder_, "DV Decoder")) ||
      !Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Video, dvDecoder_, 0)))
    return FALSE;
  SetDecoderResolution(PreviewResolution());
  return ConnectPreviewVideo(dvDecoder_, 0, false);
}

BOOL CDvCaptureGraph::BuildDvPreview() {
  if (!BuildDvVideoPreview()) return FALSE;
  if (!AddAudioAnalyzer() || !Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Audio, audioAnalyzer_, 0)) ||
      !AddAudioRenderer() || !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, audioRenderer_, 0)))
    return FALSE;
  SetVideoWindowOwner(owner_);
  // The preview stands once it is connected, even when it does not run.
  built_ = TRUE;
  if (RunGraph()) {
    mode_ = kDvPreview;
    previewing_ = TRUE;
  }
  return TRUE;
}

// "Qn Space Color Converter" (after the optional down-sampler) and "Video Render" on a decoded output.
BOOL CDvCaptureGraph::ConnectPreviewVideo(IBaseFilter* upstream, int outIndex, bool downSampler) {
  IBaseFilter* last = upstream;
  int lastOut = outIndex;
  if (downSampler && Ok(helper_.AddFilter(CLSID_QnVideoDownSampler, &downSampler_, "Qn Video DownSampler")) &&
      Ok(helper_.ConnectFilters(upstream, outIndex, downSampler_, 0))) {
    last = downSampler_;
    lastOut = 0;
  } else if (downSampler_) {
    RemoveAndRelease(graph_, &downSampler_);
  }
  return Ok(helper_.AddFilter(CLSID_QnSpaceColorConverter, &colourConverter_, "Qn Space Color Converter")) &&
         Ok(helper_.ConnectFilters(last, lastOut, colourConverter_, 0)) &&
         Ok(helper_.AddFilter(CLSID_VideoRendererDefault, &videoRenderer_, "Video Render")) &&
         Ok(helper_.ConnectFilters(colourConverter_, 0, videoRenderer_, 0));
}

template <typename Build>
BOOL CDvCaptureGraph::StartDv(const std::string& name, Build build) {
  if (capturing_) return TRUE;
  if (!StopCapture()) return FALSE;
  outputName_ = name;
  if (build()) return TRUE;
  StopCapture();
  BuildDvPreview();
  return FALSE;
}

BOOL CDvCaptureGraph::StartDvCapture(const std::string& fileName) {
  return StartDv(fileName, [&] { return BuildDvFileCapture(); });
}

BOOL CDvCaptureGraph::StartMpegCapture(const MpegCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartDv(settings->fileName, [&] { return BuildDvMpegCapture(settings); });
}

BOOL CDvCaptureGraph::StartWmvCapture(const WmvCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartDv(settings->fileName, [&] { return BuildDvWmvCapture(settings); });
}

BOOL CDvCaptureGraph::StartAviCapture(const AviCaptureSettings* settings) {
  if (!settings) return FALSE;
  return StartDv(settings->fileName, [&] { return BuildDvAviCapture(settings); });
}

BOOL CDvCaptureGraph::BuildDvFileCapture() {
  if (!camcorder_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_SmartTee, &videoTee_, "SmartTee")) ||
      !Ok(helper_.ConnectByMediaType(camcorder_, &MEDIATYPE_Interleaved, videoTee_, 0)))
    return FALSE;
  IBaseFilter* mux = nullptr;
  CComPtr<IFileSinkFilter> sink;
  if (!Ok(builder_->SetOutputFileName(&MEDIASUBTYPE_Avi, outputName_.c_str(), &mux, &sink)) || !mux) return FALSE;
  RemoveAndRelease(graph_, &aviMux_);
  aviMux_ = mux;
  CComPtr<IConfigAviMux> config;
  if (Ok(aviMux_->QueryInterface(IID_IConfigAviMux, reinterpret_cast<void**>(&config))))
    config->SetOutputCompatibilityIndex(TRUE);
  CComPtr<IConfigInterleaving> interleaving;
  if (Ok(aviMux_->QueryInterface(IID_IConfigInterleaving, reinterpret_cast<void**>(&interleaving))))
    interleaving->put_Mode(INTERLEAVE_NONE);
  if (!Ok(helper_.ConnectFilters(videoTee_, 0, aviMux_, 0))) return FALSE;
  // Preview on the tee's second output.
  if (!Ok(helper_.AddFilter(CLSID_DVSplitter, &dvSplitter_, "DV Spliter")) ||
      !Ok(helper_.ConnectFilters(videoTee_, 1, dvSplitter_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_DVVideoCodec, &dvDecoder_, "DV Decoder")) ||
      !Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Video, dvDecoder_, 0)))
    return FALSE;
  // This decoder only feeds the preview: the user's size holds here too.
  SetDecoderResolution(PreviewResolution());
  if (!ConnectPreviewVideo(dvDecoder_, 0, false)) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_ACMWrapper, &acmWrapper_, "ACM Wrapper")) ||
      !Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Audio, acmWrapper_, 0)) || !AddAudioAnalyzer() ||
      !Ok(helper_.ConnectFilters(acmWrapper_, 0, audioAnalyzer_, 0)) || !AddAudioRenderer() ||
      !Ok(helper_.ConnectFilters(audioAnalyzer_, 0, audioRenderer_, 0)))
    return FALSE;
  return FinishBuild(kDvFile);
}

// Splitter, decoder at the resolution, and the two tees with the analyzer between: the common
// front of the encoder graphs.
BOOL CDvCaptureGraph::BuildDvDecodedChains(int resolution) {
  if (!camcorder_) return FALSE;
  if (!Ok(helper_.AddFilter(CLSID_DVSplitter, &dvSplitter_, "DV Splitter")) ||
      !Ok(helper_.ConnectByMediaType(camcorder_, &MEDIATYPE_Interleaved, dvSplitter_, 0)) ||
      !Ok(helper_.AddFilter(CLSID_DVVideoCodec, &dvDecoder_, "DV Decoder")) ||
      !Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Video, dvDecoder_, 0)))
    return FALSE;
  SetDecoderResolution(resolution);
  return Ok(helper_.AddFilter(CLSID_SmartTee, &videoTee_, "Video SmartTee")) &&
         Ok(helper_.ConnectFilters(dvDecoder_, 0, videoTee_, 0)) &&
         Ok(helper_.AddFilter(CLSID_ACMWrapper, &acmWrapper_, "ACM Wapper")) &&
         Ok(helper_.ConnectByMediaType(dvSplitter_, &MEDIATYPE_Audio, acmWrapper_, 0)) && AddAudioAnalyzer() &&
         Ok(helper_.ConnectFilters(acmWrapper_, 0, audioAnalyzer_, 0)) &&
         Ok(helper_.AddFilter(CLSID_SmartTee, &audioTee_, "Audio SmartTee")) &&
         Ok(helper_.ConnectFilters(audioAnalyzer_, 0, audioTee_, 0));
}

BOOL CDvCaptureGraph::BuildDvMpegCapture(const MpegCaptureSettings* settings) {
  if (!settings) return FALSE;
  const bool full = settings->resolutionLevel != 0;
  if (!BuildDvDecodedChains(full ? DVRESOLUTION_FULL : DVRESOLUTION_HALF)) return FALSE;
  if (!writer_.AddMpegEncoder(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0),
                              &mpegEncoder_))
    return FALSE;
  if (!ConnectPreviewVideo(videoTee_, 1, full)) return FALSE;
  if (!AddAudioRenderer() || !Ok(helper_.ConnectFilters(audioTee_, 1, audioRenderer_, 0))) return FALSE;
  return FinishBuild(kDvMpeg);
}

BOOL CDvCaptureGraph::BuildWmvBranch(const WmvCaptureSettings* settings, IPin* video, IPin* audio) {
  return writer_.BuildWmvWriter(settings, video, audio, &asfWriter_);
}

BOOL CDvCaptureGraph::BuildDvWmvCapture(const WmvCaptureSettings* settings) {
  if (!settings || !BuildDvDecodedChains(DVRESOLUTION_HALF)) return FALSE;
  if (!BuildWmvBranch(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0))) return FALSE;
  if (!ConnectPreviewVideo(videoTee_, 1, false)) return FALSE;
  if (!AddAudioRenderer() || !Ok(helper_.ConnectFilters(audioTee_, 1, audioRenderer_, 0))) return FALSE;
  return FinishBuild(kDvWmv);
}

BOOL CDvCaptureGraph::BuildDvAviCapture(const AviCaptureSettings* settings) {
  if (!settings || !BuildDvDecodedChains(DVRESOLUTION_HALF)) return FALSE;
  if (!writer_.BuildAviWriter(settings, helper_.GetOutputPin(videoTee_, 0), helper_.GetOutputPin(audioTee_, 0),
                              &aviMux_))
    return FALSE;
  if (!ConnectPreviewVideo(videoTee_, 1, false)) return FALSE;
  if (!AddAudioRenderer() || !Ok(helper_.ConnectFilters(audioTee_, 1, audioRenderer_, 0))) return FALSE;
  return FinishBuild(kDvAvi);
}

// A failed Pause or Stop is reported, but the recording still ends: its message goes out and the
// chains come down, so the caller never waits for a stop that already happened.
BOOL CDvCaptureGraph::StopCapture() {
  const BOOL stopped = StopGraph();
  if (!graph_) return FALSE;
  if (capturing_) {
    for (IBaseFilter* writer : {aviMux_, mpegEncoder_, asfWriter_})
      if (writer) helper_.DisconnectPin(writer, 1, PINDIR_INPUT);
    PostStopMessage();
  }
  previewing_ = capturing_ = FALSE;
  DropVideoWindow();
  if (camcorder_) helper_.RemoveDownstream(camcorder_);
  RemoveCaptureChains();
  return stopped;
}

BOOL CDvCaptureGraph::StopDvCapture() {
  if (!capturing_) return TRUE;
  StopCapture();
  return BuildDvPreview();
}

BOOL CDvCaptureGraph::SetAviOutputFile(const std::string& name) {
  if ((mode_ != kDvFile && mode_ != kDvAvi && mode_ != kHdvAvi) || !aviMux_ || !capturing_ || !StopGraph())
    return FALSE;
  CComPtr<IFileSinkFilter> sink;
  if (FAILED(
          builder_->FindInterface(nullptr, nullptr, aviMux_, IID_IFileSinkFilter, reinterpret_cast<void**>(&sink))) ||
      !sink || FAILED(sink->SetFileName(name.c_str(), nullptr)))
    return FALSE;
  outputName_ = name;
  return RunGraph();
}

BOOL CDvCaptureGraph::SetWmvOutputFile(const std::string& name) {
  if ((mode_ != kDvWmv && mode_ != kHdvWmv) || !asfWriter_ || !capturing_ || !StopGraph()) return FALSE;
  CComPtr<IFileSinkFilter2> sink;
  if (FAILED(asfWriter_->QueryInterface(IID_IFileSinkFilter2, reinterpret_cast<void**>(&sink))) ||
      FAILED(sink->SetFileName(name.c_str(), nullptr)))
    return FALSE;
  outputName_ = name;
  return RunGraph();
}
