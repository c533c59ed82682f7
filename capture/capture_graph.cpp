#include "capture/capture_graph.h"
#include "capture/audio_analyzer_calls.h"

#include <algorithm>

#include "capture/crossbar.h"
#include "capture/graph_events.h"
#include "capture/video_fit.h"
#include "platform/base/clock.h"
#include "platform/base/strings.h"
#include "platform/com/class_table.h"
#include "platform/dshow/codes.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "platform/window/wm_messages.h"
#include "widgets/system_info.h"

CCaptureGraph::CCaptureGraph() {
  winVersion_ = CWinVersion().GetVersion();
  CoInitialize(nullptr);
}

CCaptureGraph::~CCaptureGraph() {
  ReleaseGraph();
  CoUninitialize();
}

BOOL CCaptureGraph::OpenDevice(HWND videoOwner, HWND notifyWindow, const std::string& videoName,
                               const std::string& audioName, long videoStandard) {
  if (open_) return TRUE;
  videoStandard_ = videoStandard;
  deviceKind_ = 1;
  aspectMode_ = 0;
  previewing_ = capturing_ = open_ = interleaved_ = ownAudio_ = downSamplerOn_ = FALSE;
  videoName_.clear();
  audioName_.clear();
  owner_ = videoOwner;
  notify_ = notifyWindow;
  if (!CreateGraph(notifyWindow) || !AddCaptureDevice(videoName) || interleaved_) {
    ReleaseGraph();
    return FALSE;
  }
  BuildCrossbar();
  CComPtr<IPin> audioPin;
  ownAudio_ = SUCCEEDED(builder_->FindPin(videoCapture_, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Audio, TRUE, 0, &audioPin));
  if (!ownAudio_ && platform::ToUpperAscii(audioName) != "NULL" && !AddAudioCaptureDevice(audioName)) {
    ReleaseGraph();
    return FALSE;
  }
  videoName_ = videoName;
  audioName_ = audioName;
  open_ = TRUE;
  deviceKind_ = ownAudio_ ? 1 : GetDeviceNameKind(videoName);
  return TRUE;
}

void CCaptureGraph::CloseDevice() {
  if (!open_) return;
  StopCapture();
  ReleaseGraph();
  downSamplerOn_ = FALSE;
}

BOOL CCaptureGraph::Run() {
  if (!open_) return TRUE;
  if (!mediaControl_) return FALSE;
  SetAudioGain(analyzerEnable_, analyzerGain_);
  const HRESULT paused = mediaControl_->Pause();
  Sleep(150);
  return SUCCEEDED(paused) && SUCCEEDED(mediaControl_->Run());
}

BOOL CCaptureGraph::StopGraph() {
  if (!open_) return TRUE;
  if (!mediaControl_) return FALSE;
  // A graph that never ran is not paused on the way to stop: that would open its writers.
  OAFilterState state = State_Running;
  if (SUCCEEDED(mediaControl_->GetState(0, &state)) && state == State_Stopped) return TRUE;
  const HRESULT paused = mediaControl_->Pause();
  Sleep(50);
  return SUCCEEDED(paused) && SUCCEEDED(mediaControl_->Stop());
}

HRESULT CCaptureGraph::SetVideoWindowOwner(HWND owner) {
  if (!open_) return E_FAIL;
  owner_ = owner;
  if (!videoWindow_ && FAILED(builder_->FindInterface(nullptr, &MEDIATYPE_Video, videoCapture_, IID_IVideoWindow,
                                                      reinterpret_cast<void**>(&videoWindow_))))
    return E_FAIL;
  if (!videoWindow_) return E_FAIL;
  videoWindow_->put_Owner(reinterpret_cast<OAHWND>(owner));
  videoWindow_->put_AutoShow(OATRUE);
  videoWindow_->put_WindowStyle(WS_CHILD);
  FitVideoWindow(aspectMode_);
  return S_OK;
}

void CCaptureGraph::FitVideoWindow(int aspect) {
  aspectMode_ = aspect;
  FitVideoWindowToOwner(videoWindow_, owner_, aspect);
}

void CCaptureGraph::HideVideoWindow() {
  if (!videoWindow_) return;
  videoWindow_->put_Visible(OAFALSE);
  videoWindow_->put_Owner(0);
  videoWindow_ = nullptr;
}

long CCaptureGraph::HandleGraphEvents() {
  if (!graph_ || !mediaEvent_) return 0;
  bool closed = false;
  return DrainGraphEvents(
      mediaEvent_,
      [&](long code, LONG_PTR p1, LONG_PTR p2) {
        if (code == EC_DEVICE_LOST && p2 == 0 && videoCapture_ &&
            reinterpret_cast<IUnknown*>(p1) == static_cast<IUnknown*>(videoCapture_)) {
          CloseDevice();
          closed = true;
          return GraphEventAction::Stop;
        }
        return GraphEventAction::Continue;
      },
      [&] { return !closed; });
}

void CCaptureGraph::SetAudioGain(BYTE enable, float gain) {
  analyzerEnable_ = enable;
  analyzerGain_ = gain;
  ApplyAnalyzerGain(audioAnalyzer_, enable, gain);
}

bool CCaptureGraph::GetAudioLevels(BYTE* record) { return ReadAnalyzerLevels(audioAnalyzer_, record); }

BOOL CCaptureGraph::CreateGraph(HWND notifyWindow) {
  ReleaseGraph();
  if (FAILED(graph_.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER))) return FALSE;
  if (FAILED(builder_.CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER)) ||
      FAILED(builder_->SetFiltergraph(graph_)))
    return FALSE;
  if (FAILED(graph_.QueryInterface(&mediaControl_)) || FAILED(graph_.QueryInterface(&mediaEvent_))) return FALSE;
  mediaEvent_->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow), WM_USER + 70, 0);
  mediaEvent_->SetNotifyFlags(0);
  helper_.Attach(graph_, builder_);
  writerHelper_.Attach(graph_, builder_);
  return TRUE;
}

void CCaptureGraph::ReleaseChains() {
  for (IBaseFilter** slot : {&videoTee_, &mpegEncoder_, &overlayMixer_, &audioConverter_, &eraseLine_, &audioAnalyzer_,
                             &audioTee_, &nullRenderer_, &aviMux_, &colourConverter_, &downSampler_, &videoTimeOffset_,
                             &audioTimeOffset_, &videoRenderer_, &audioRenderer_, &asfWriter_})
    RemoveAndRelease(graph_, slot);
}

void CCaptureGraph::ReleaseGraph() {
  ReleaseChains();
  HideVideoWindow();
  delete crossbar_;
  crossbar_ = nullptr;
  crossbarInputs_ = 0;
  RemoveAndRelease(graph_, &videoCapture_);
  RemoveAndRelease(graph_, &audioCapture_);
  streamConfig_ = nullptr;
  mediaControl_ = nullptr;
  mediaEvent_ = nullptr;
  builder_ = nullptr;
  graph_ = nullptr;
  helper_.Attach(nullptr, nullptr);
  writerHelper_.Attach(nullptr, nullptr);
  interleaved_ = FALSE;
  audioAdded_ = FALSE;
  open_ = FALSE;
  ownAudio_ = FALSE;
  previewing_ = capturing_ = FALSE;
}

BOOL CCaptureGraph::AddCaptureDevice(const std::string& name) {
  if (!graph_) return FALSE;
  RemoveAndRelease(graph_, &videoCapture_);
  HRESULT hr = FindDeviceFilter(name.c_str(), &videoCapture_, &CLSID_VideoInputDeviceCategory);
  if (hr != S_OK || !videoCapture_) return FALSE;  // an empty category answers S_FALSE without a filter
  hr = graph_->AddFilter(videoCapture_, "Video Capture");
  if (FAILED(hr)) return FALSE;
  streamConfig_ = nullptr;
  hr = builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, videoCapture_, IID_IAMStreamConfig,
                               reinterpret_cast<void**>(&streamConfig_));
  CComPtr<IPin> interleavedPin;
  interleaved_ = SUCCEEDED(
      builder_->FindPin(videoCapture_, PINDIR_OUTPUT, nullptr, &MEDIATYPE_Interleaved, TRUE, 0, &interleavedPin));
  return hr == S_OK;
}

BOOL CCaptureGraph::AddAudioCaptureDevice(const std::string& name) {
  audioAdded_ = FALSE;
  if (!graph_) return FALSE;
  RemoveAndRelease(graph_, &audioCapture_);
  const HRESULT hr = FindDeviceFilter(name.c_str(), &audioCapture_, &CLSID_AudioInputDeviceCategory);
  if (hr != S_OK || !audioCapture_) return FALSE;
  if (graph_->AddFilter(audioCapture_, "Audio Capture Device") != S_OK) return FALSE;
  audioAdded_ = TRUE;
  return TRUE;
}

BOOL CCaptureGraph::HasVideoPortPin() {
  if (!videoCapture_) return FALSE;
  return helper_.FindPinByName(videoCapture_, PINDIR_OUTPUT, "VP") >= 0;
}

HRESULT CCaptureGraph::SetOverlayAspectRatioMode(IBaseFilter* mixer, AM_ASPECT_RATIO_MODE mode) {
  if (!mixer) return E_POINTER;
  CComPtr<IEnumPins> pins;
  HRESULT hr = mixer->EnumPins(&pins);
  if (FAILED(hr) || !pins) return FAILED(hr) ? hr : E_FAIL;
  hr = E_FAIL;
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> p;
    p.Attach(pin);
    PIN_DIRECTION dir = PINDIR_OUTPUT;
    if (FAILED(p->QueryDirection(&dir)) || dir != PINDIR_INPUT) continue;
    CComPtr<IMixerPinConfig> config;
    hr = p->QueryInterface(IID_IMixerPinConfig, reinterpret_cast<void**>(&config));
    if (SUCCEEDED(hr)) return config->SetAspectRatioMode(mode);
  }
  return hr;
}
