#include "pcm_decoder.h"

#include <algorithm>

#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/base/clock.h"
#include "platform/com/class_table.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/playback_interfaces.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"

namespace {

template <typename T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

CPcmDecoder::CPcmDecoder() { comInitialised_ = SUCCEEDED(CoInitialize(nullptr)); }

CPcmDecoder::~CPcmDecoder() {
  Teardown();
  if (comInitialised_) CoUninitialize();
}

CPcmDecoder& PcmDecoder() {
  static CPcmDecoder decoder;
  return decoder;
}

int CPcmDecoder::CreateGraph() {
  Teardown();
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph_))) ||
      FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                              reinterpret_cast<void**>(&builder_))) ||
      FAILED(builder_->SetFiltergraph(graph_)))
    return 0;
  helper_.Attach(graph_, builder_);
  if (FAILED(graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_))) ||
      FAILED(graph_->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking_))) ||
      FAILED(graph_->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events_))))
    return 0;
  events_->SetNotifyWindow(reinterpret_cast<OAHWND>(notify_), WM_PCM_DECODER_EVENT, 0);
  return 1;
}

int CPcmDecoder::Build(HWND notify, const std::string& source, const std::string& target, BOOL cdFormat) {
  notify_ = notify;
  if (!CreateGraph()) {
    Teardown();
    return 0;
  }
  bool built = SUCCEEDED(graph_->AddSourceFilter(source.c_str(), source.c_str(), &source_)) &&
               SUCCEEDED(helper_.AddFilter(CLSID_QnPcmDump, &writer_, "PCM Dump Filter"));
  if (built) {
    IFileSinkFilter* sink = nullptr;
    built = SUCCEEDED(writer_->QueryInterface(IID_IFileSinkFilter, reinterpret_cast<void**>(&sink))) &&
            SUCCEEDED(sink->SetFileName(target.c_str(), nullptr));
    Release(sink);
  }
  if (built && cdFormat) {
    IQnPcmFormat* format = nullptr;
    built = SUCCEEDED(writer_->QueryInterface(IID_IQnPcmFormat, reinterpret_cast<void**>(&format))) &&
            SUCCEEDED(format->SetFormat(2, 44100, 16));
    Release(format);
  }
  if (!built || FAILED(helper_.ConnectFilters(source_, 0, writer_, 0))) {
    Teardown();
    return 0;
  }
  state_ = kBuilt;
  target_ = target;
  ReadExpectedSize();
  return 1;
}

BOOL CPcmDecoder::Run() {
  if (!control_) return FALSE;
  // Pause returns once every filter holds its first samples, so the run can follow at once.
  const bool paused = SUCCEEDED(control_->Pause());
  helper_.SetSyncSource(nullptr);
  return paused && SUCCEEDED(control_->Run());
}

int CPcmDecoder::GetProgress() {
  if (state_ != kBuilt || expectedBytes_ <= 0.0) return 0;
  return static_cast<int>(std::min(100.0, GetBytesWritten() * 100.0 / expectedBytes_));
}

long CPcmDecoder::PollEvents() {
  if (!events_) return 0;
  long last = 0, code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  while (SUCCEEDED(events_->GetEvent(&code, &p1, &p2, 0))) {
    events_->FreeEventParams(code, p1, p2);
    // An end read earlier is not hidden by a later notice.
    if (last != EC_COMPLETE && last != EC_USERABORT && last != EC_ERRORABORT) last = code;
  }
  return last;
}

LONGLONG CPcmDecoder::GetDuration() {
  LONGLONG duration = 0;
  if (seeking_ && SUCCEEDED(seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME))) seeking_->GetDuration(&duration);
  return duration;
}

void CPcmDecoder::ReadExpectedSize() {
  IQnPcmFormat* format = nullptr;
  if (writer_ && SUCCEEDED(writer_->QueryInterface(IID_IQnPcmFormat, reinterpret_cast<void**>(&format))))
    format->GetFormat(&channels_, &sampleRate_, &bits_);
  Release(format);
  expectedBytes_ = static_cast<double>(GetDuration()) * 1e-7 * bits_ * sampleRate_ * channels_ * 0.125;
}

int CPcmDecoder::GetBytesWritten() {
  int bytes = 0;
  IQnPcmFormat* format = nullptr;
  if (writer_ && SUCCEEDED(writer_->QueryInterface(IID_IQnPcmFormat, reinterpret_cast<void**>(&format))))
    format->GetBytesWritten(&bytes);
  Release(format);
  return bytes;
}

void CPcmDecoder::Teardown() {
  if (control_) control_->Stop();
  if (source_) helper_.RemoveDownstream(source_);
  RemoveAndRelease(graph_, &source_);
  RemoveAndRelease(graph_, &writer_);
  Release(seeking_);
  Release(events_);
  Release(control_);
  helper_.Attach(nullptr, nullptr);
  Release(builder_);
  Release(graph_);
  state_ = kIdle;
  channels_ = sampleRate_ = bits_ = 1;
  expectedBytes_ = 0.0;
  target_.clear();
}
