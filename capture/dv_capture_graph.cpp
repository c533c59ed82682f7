#include "capture/dv_capture_graph.h"
#include "capture/audio_analyzer_calls.h"

#include <algorithm>

#include "capture/graph_events.h"
#include "capture/video_fit.h"
#include "platform/base/clock.h"
#include "platform/base/strings.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace {

// A state change may still be under way when Run or Pause answers S_FALSE; this long is waited.
constexpr LONG kStateWaitMs = 5000;

}  // namespace

CDvCaptureGraph::CDvCaptureGraph() { CoInitialize(nullptr); }

CDvCaptureGraph::~CDvCaptureGraph() {
  Close();
  ReleaseGraph();
  graph_ = nullptr;
  CoUninitialize();
}

BOOL CDvCaptureGraph::CreateGraph() {
  ReleaseGraph();
  graph_ = nullptr;
  if (FAILED(graph_.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER))) return FALSE;
  if (FAILED(graph_.QueryInterface(&events_))) return FALSE;
  events_->SetNotifyWindow(reinterpret_cast<OAHWND>(notify_), WM_USER + 70, 0);
  events_->SetNotifyFlags(0);
  if (FAILED(builder_.CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER)) ||
      FAILED(builder_->SetFiltergraph(graph_)))
    return FALSE;
  helper_.Attach(graph_, builder_);
  writer_.Attach(graph_, builder_);
  return TRUE;
}

void CDvCaptureGraph::DropVideoWindow() {
  if (!videoWindow_) return;
  videoWindow_->put_Visible(OAFALSE);
  videoWindow_->put_Owner(0);
  videoWindow_ = nullptr;
}

void CDvCaptureGraph::RemoveCaptureChains() {
  DropVideoWindow();
  for (IBaseFilter** slot :
       {&dvSplitter_,     &dvDecoder_,   &videoTee_,         &audioTee_,      &videoRenderer_, &audioRenderer_,
        &aviMux_,         &mpegEncoder_, &colourConverter_,  &acmWrapper_,    &downSampler_,   &audioAnalyzer_,
        &audioAnalyzer2_, &asfWriter_,   &mpeg2Multiplexer_, &hdvdWriter_,    &bdMultiplexer_, &lpcmEncoder_,
        &infTee_,         &videoDump_,   &audioDump_,        &audioDecoder2_, &bufferFilter_})
    RemoveAndRelease(graph_, slot);
}

void CDvCaptureGraph::ReleaseGraph() {
  RemoveCaptureChains();
  for (IBaseFilter** slot : {&psiParser_, &streamDump_, &rawTee_, &demultiplexer_, &videoStreamTee_, &audioStreamTee_,
                             &videoDecoder_, &audioDecoder_})
    RemoveAndRelease(graph_, slot);
  timecode_ = nullptr;
  events_ = nullptr;
  extDevice_ = nullptr;
  transport_ = nullptr;
  RemoveAndRelease(graph_, &camcorder_);
  builder_ = nullptr;
  helper_.Attach(graph_, nullptr);
  writer_.Attach(graph_, nullptr);
  built_ = capturing_ = previewing_ = FALSE;
  psiCount_ = 0;
}

void CDvCaptureGraph::Close() {
  if (!built_) return;
  if (mode_ >= kHdvPreview) StopHdvCapture();
  else StopCapture();
  ReleaseGraph();
}

BOOL CDvCaptureGraph::RunGraph() {
  if (!graph_) return FALSE;
  SetAudioGain(analyzerEnable_, analyzerGain_);
  CComPtr<IMediaControl> control;
  if (FAILED(graph_.QueryInterface(&control))) return FALSE;
  control->Pause();
  Sleep(150);
  // S_FALSE means the graph is still on its way: it runs once the state settles.
  const HRESULT hr = control->Run();
  if (FAILED(hr)) return FALSE;
  if (hr == S_OK) return TRUE;
  OAFilterState state = State_Stopped;
  return SUCCEEDED(control->GetState(kStateWaitMs, &state)) && state == State_Running;
}

BOOL CDvCaptureGraph::StopGraph() {
  if (!graph_) return FALSE;
  CComPtr<IMediaControl> control;
  if (FAILED(graph_.QueryInterface(&control))) return FALSE;
  const HRESULT paused = control->Pause();
  Sleep(50);
  const HRESULT stopped = control->Stop();
  return SUCCEEDED(paused) && SUCCEEDED(stopped);
}

BOOL CDvCaptureGraph::RestartGraph() {
  if (!built_) return TRUE;
  StopGraph();
  return RunGraph();
}

HRESULT CDvCaptureGraph::SetVideoWindowOwner(HWND owner) {
  owner_ = owner;
  if (!videoWindow_) {
    if (!builder_) return E_FAIL;
    const HRESULT hr = builder_->FindInterface(nullptr, &MEDIATYPE_Interleaved, camcorder_, IID_IVideoWindow,
                                               reinterpret_cast<void**>(&videoWindow_));
    if (FAILED(hr)) return hr;
    if (!videoWindow_) return E_FAIL;
  }
  videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner));
  videoWindow_->put_AutoShow(OATRUE);
  videoWindow_->put_WindowStyle(WS_CHILD);
  RefitVideoWindow();
  return S_OK;
}

BOOL CDvCaptureGraph::ResetVideoWindow() {
  if (!videoRenderer_) return FALSE;
  helper_.ReconnectFilterPin(videoRenderer_, PINDIR_INPUT, 0);
  videoWindow_ = nullptr;
  return SUCCEEDED(SetVideoWindowOwner(owner_));
}

void CDvCaptureGraph::FitVideoWindow(int aspect) {
  aspect_ = aspect;
  FitVideoWindowToOwner(videoWindow_, owner_, aspect);
}

long CDvCaptureGraph::HandleGraphEvents() {
  if (!graph_ || !events_) return FALSE;
  bool closed = false;
  return DrainGraphEvents(
      events_,
      [&](long code, LONG_PTR p1, LONG_PTR p2) {
        if (code == EC_DEVICE_LOST && p2 == 0 && camcorder_ &&
            reinterpret_cast<IUnknown*>(p1) == static_cast<IUnknown*>(camcorder_)) {
          Close();
          closed = true;
          return GraphEventAction::Stop;
        }
        if (code == kPsiTablesRead) HandleHdvEvent();
        return GraphEventAction::Continue;
      },
      [&] { return !closed; });
}

BOOL CDvCaptureGraph::GetTransportStatus(long item, long* value) {
  return transport_ && value && SUCCEEDED(transport_->GetStatus(item, value));
}

BOOL CDvCaptureGraph::HasTape() {
  long value = 0;
  return GetTransportStatus(ED_MEDIA_TYPE, &value) && value == ED_MEDIA_DVC;
}

std::string CDvCaptureGraph::GetTimecodeText() {
  const std::string none = "--:--:--.--";
  if (!HasTape() || !timecode_) return none;
  TIMECODE_SAMPLE sample;
  sample.dwFlags = ED_DEVCAP_TIMECODE_READ;
  if (FAILED(timecode_->GetTimecode(&sample))) return none;
  const DWORD tc = sample.timecode.dwFrames;
  if (tc >= 0x3F7F7F3Fu) return none;
  return platform::Format("%.2x:%.2x:%.2x.%.2x", (tc >> 24) & 0xFF, (tc >> 16) & 0xFF, (tc >> 8) & 0xFF, tc & 0xFF);
}

long CDvCaptureGraph::GetTransportMode() {
  long mode = ED_MODE_STOP;
  if (!transport_ || FAILED(transport_->get_Mode(&mode))) return ED_MODE_STOP;
  return mode;
}

HRESULT CDvCaptureGraph::SetTransportMode(long mode, long) {
  if (!transport_) return E_FAIL;
  const HRESULT hr = transport_->put_Mode(mode);
  return SUCCEEDED(hr) ? S_OK : hr;
}

BOOL CDvCaptureGraph::ShowDevicePropertyPage() {
  const BOOL shown = ShowPropertyPages(camcorder_, notify_, 0, 0);
  KeepChosenResolution();
  return shown;
}

void CDvCaptureGraph::SetAudioGain(BYTE enable, float gain) {
  analyzerEnable_ = enable;
  analyzerGain_ = gain;
  for (IBaseFilter* analyzer : {audioAnalyzer_, audioAnalyzer2_}) ApplyAnalyzerGain(analyzer, enable, gain);
}

bool CDvCaptureGraph::GetAudioLevels(BYTE* record) { return ReadAnalyzerLevels(audioAnalyzer_, record); }

DWORD CDvCaptureGraph::GetEncoderStatus() {
  DWORD frames = 0;
  writer_.GetEncoderStatus(mpegEncoder_, nullptr, &frames);
  return frames;
}

BOOL CDvCaptureGraph::AddAudioRenderer() {
  if (SUCCEEDED(helper_.AddFilter(CLSID_DSoundRender, &audioRenderer_, "DSound Audio Renderer"))) return TRUE;
  if (SUCCEEDED(helper_.AddFilter(CLSID_AudioRender, &audioRenderer_, "WaveOut Audio Renderer"))) return TRUE;
  return SUCCEEDED(helper_.AddFilter(CLSID_NullRenderer, &audioRenderer_, "Null Audio Renderer"));
}

BOOL CDvCaptureGraph::AddAudioAnalyzer() {
  return SUCCEEDED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &audioAnalyzer_, "Audio Analyzer"));
}

BOOL CDvCaptureGraph::AddAudioAnalyzer2() {
  return SUCCEEDED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &audioAnalyzer2_, "Audio Analyzer2"));
}

BOOL CDvCaptureGraph::FinishBuild(int mode) {
  SetVideoWindowOwner(owner_);
  if (!RunGraph()) return FALSE;
  built_ = TRUE;
  mode_ = mode;
  capturing_ = TRUE;
  return TRUE;
}

void CDvCaptureGraph::PostStopMessage() {
  UINT message = 0;
  LPARAM lParam = 0;
  switch (mode_) {
    case kDvFile: message = kDvFileCaptureStopped; break;
    case kDvMpeg:
    case kHdvMpeg:
      message = WM_USER + 73;
      lParam = static_cast<LPARAM>(writer_.GetEncoderResult(mpegEncoder_));
      break;
    case kDvWmv:
    case kHdvWmv: message = WM_USER + 75; break;
    case kDvAvi:
    case kHdvAvi: message = WM_USER + 74; break;
    case kHdvMpeg2:
    case kHdvStream:
      message = kHdvCaptureStopped;
      lParam = static_cast<LPARAM>(GetWriterFileCount());
      break;
    case kHdvDisc: message = kHdvCaptureStopped; break;
    default: return;
  }
  PostMessage(notify_, message, 16, lParam);
}
