#include "thumbs/thumbnail_grabber.h"

#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/dshow/playback_interfaces.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/still_capture.h"
#include "platform/gdi/objects.h"

namespace {

// What "QT Source" answers when QuickTime itself is missing.
constexpr HRESULT kQuickTimeMissing = static_cast<HRESULT>(0x80004022);
constexpr int kFramePolls = 11;
constexpr DWORD kPollMs = 100;

}  // namespace

CThumbnailGrabber::CThumbnailGrabber() { comInitialised_ = SUCCEEDED(CoInitialize(nullptr)); }

CThumbnailGrabber::~CThumbnailGrabber() {
  ReleaseGraph();
  if (comInitialised_) CoUninitialize();
}

bool CThumbnailGrabber::CreateGraph() {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph_))) ||
      !graph_)
    return false;
  return SUCCEEDED(graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_))) && control_;
}

bool CThumbnailGrabber::AddStillCapture() {
  CComPtr<IBaseFilter> grabber;
  if (FAILED(CoCreateInstance(CLSID_QnStillCapture, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&grabber))) ||
      !grabber)
    return false;
  if (FAILED(graph_->AddFilter(grabber, "Still Capture"))) return false;
  grabber_ = grabber;
  return true;
}

int CThumbnailGrabber::OpenByRendering(const std::string& path) {
  picture_ = FirstKeyPicture::Decode(path, FirstKeyPicture::FormatForName(path));
  if (!picture_) return BuildByRendering(path);
  pending_ = Road::Rendering, path_ = path;
  return 1;
}

int CThumbnailGrabber::OpenWithSourceFilter(const std::string& path) {
  // "QT Source" takes the QuickTime family by content, and so does this road.
  picture_ = FirstKeyPicture::Decode(path, "mov");
  if (!picture_) return BuildWithSourceFilter(path);
  pending_ = Road::SourceFilter, path_ = path;
  return 1;
}

bool CThumbnailGrabber::BuildPendingGraph() {
  const Road road = pending_;
  pending_ = Road::None;
  if (road == Road::Rendering) return BuildByRendering(path_) == 1;
  if (road == Road::SourceFilter) return BuildWithSourceFilter(path_) == 1;
  return true;
}

IGraphBuilder* CThumbnailGrabber::Graph() {
  BuildPendingGraph();
  return graph_;
}

IBaseFilter* CThumbnailGrabber::GrabberFilter() {
  BuildPendingGraph();
  return grabber_;
}

int CThumbnailGrabber::BuildByRendering(const std::string& path) {
  if (!CreateGraph() || FAILED(RenderForFirstPicture(graph_, path))) {
    control_ = nullptr;
    graph_ = nullptr;
    return 0;
  }
  CComPtr<IBaseFilter> renderer;
  renderer.Attach(FindVideoRenderer(graph_));
  if (!renderer) return 1;  // nothing to grab: an audio-only file
  CComPtr<IBaseFilter> source;
  source.Attach(FindSourceFilter(graph_));
  if (!source) return 1;
  CComPtr<IBaseFilter> cut;
  cut.Attach(CutAfterDecodedVideo(graph_, source));
  if (!cut) return 1;
  if (!AddStillCapture()) return 0;
  InsertColorConverter(graph_, cut, grabber_);
  return 1;
}

int CThumbnailGrabber::BuildWithSourceFilter(const std::string& path) {
  if (!CreateGraph()) return 0;
  CComPtr<IBaseFilter> source;
  if (FAILED(CoCreateInstance(CLSID_QTSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                              reinterpret_cast<void**>(&source))) ||
      !source)
    return 0;
  source_ = source;
  graph_->AddFilter(source_, "QT Source");
  AskFirstPictureOnly(source_);
  CComPtr<IFileSourceFilter> loader;
  if (FAILED(source_->QueryInterface(IID_IFileSourceFilter, reinterpret_cast<void**>(&loader))) || !loader) return 0;
  const HRESULT hr = loader->Load(path.c_str(), nullptr);
  if (hr == kQuickTimeMissing) return -1;
  if (FAILED(hr)) return 0;
  const int video = FindVideoOutputPin(source_, PINDIR_OUTPUT);
  if (video < 0) return 0;
  if (!AddStillCapture()) return 0;
  return SUCCEEDED(ConnectFilters(graph_, source_, video, grabber_, 0)) ? 1 : 0;
}

int CThumbnailGrabber::GrabFrame(HBITMAP* out, int width, int height) {
  // Only a bitmap made counts: the caller adds whatever it is handed to its clip list.
  if (!out) return 0;
  if (picture_ && picture_->Shrinks(width, height)) {
    if (HBITMAP bitmap = picture_->ShrinkTo(width, height)) {
      *out = bitmap;
      return 1;
    }
  }
  if (!BuildPendingGraph() || !grabber_ || !control_) return 0;
  CComPtr<IFrameGrab> grab;
  if (FAILED(grabber_->QueryInterface(IID_IFrameGrab, reinterpret_cast<void**>(&grab))) || !grab) return 0;
  // Paused, the sources preroll until the first picture reaches the grabber and then wait: nothing
  // upstream reads or decodes past it. Only a graph whose preroll brought no picture is run.
  AskGraphForFirstPictureOnly(graph_);
  if (FAILED(control_->Pause())) return 0;
  if (grab->IsFrameReady() != S_OK) {
    if (FAILED(control_->Run())) {
      control_->Stop();
      return 0;
    }
    // The look after the pause was the first of the polls.
    Sleep(kPollMs);
    for (int poll = 1; poll < kFramePolls && grab->IsFrameReady() != S_OK; ++poll) Sleep(kPollMs);
  }
  HBITMAP bitmap = nullptr;
  if (FAILED(grab->GetFrame(&bitmap, width, height))) bitmap = nullptr;
  if (FAILED(control_->Stop())) {
    if (bitmap) DeleteObject(bitmap);
    return 0;
  }
  if (!bitmap) return 0;
  *out = bitmap;
  return 1;
}

void CThumbnailGrabber::ReleaseGraph() {
  picture_.reset();
  pending_ = Road::None;
  if (grabber_) {
    if (graph_) graph_->RemoveFilter(grabber_);
    grabber_ = nullptr;
  }
  if (source_) {
    if (graph_) graph_->RemoveFilter(source_);
    source_ = nullptr;
  }
  control_ = nullptr;
  graph_ = nullptr;
}
