#include "capture/capture_graph.h"

#include "platform/com/class_table.h"
#include "platform/window/wm_messages.h"

CCaptureGraph::CCaptureGraph() { CoInitialize(nullptr); }

CCaptureGraph::~CCaptureGraph() {
  ReleaseGraph();
  CoUninitialize();
}

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

void CCaptureGraph::ReleaseGraph() {
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
