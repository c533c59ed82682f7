#include "audiorec/audio_record_graph.h"

#include <cmath>
#include <cstring>

#include "audiorec/capture_filter_lookup.h"
#include "capture/device_list.h"
#include "capture/graph_helper.h"
#include "platform/audio/audio_classes.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/base/clock.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/media_types.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/maker_interfaces.h"

namespace {

template <typename I>
CComPtr<I> Ask(IUnknown* object) {
  CComPtr<I> p;
  if (object) object->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&p));
  return p;
}

}  // namespace

double AudioLevelRecord::LeftDb() const {
  double v;
  std::memcpy(&v, bytes + 64, sizeof v);
  return v;
}
double AudioLevelRecord::RightDb() const {
  double v;
  std::memcpy(&v, bytes + 72, sizeof v);
  return v;
}

CAudioRecordGraph::CAudioRecordGraph() { CoInitialize(nullptr); }

CAudioRecordGraph::~CAudioRecordGraph() {
  Close();
  CoUninitialize();
}

BOOL CAudioRecordGraph::CreateGraph() {
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph_))) ||
      FAILED(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_ALL, IID_ICaptureGraphBuilder2,
                              reinterpret_cast<void**>(&builder_))))
    return FALSE;
  builder_->SetFiltergraph(graph_);
  if (FAILED(graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_))) ||
      FAILED(graph_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events_))))
    return FALSE;
  helper_.Attach(graph_, builder_);
  return TRUE;
}

BOOL CAudioRecordGraph::Open(HWND notify, const std::string& videoName, const std::string& audioName, int monitorMode) {
  if (opened_) return TRUE;
  sourceKind_ = kUnmonitored;
  sourceReady_ = previewing_ = recording_ = 0;
  graphKind_ = kNone;
  if (!CreateGraph()) {
    Close();
    return FALSE;
  }
  notify_ = notify;
  if (audioName.empty()) {
    if (videoName.empty()) return TRUE;  // nothing to open
    if (!SelectVideoAudioSource(videoName)) {
      Close();
      return FALSE;
    }
    sourceKind_ = kVideoAudio;
  } else {
    if (!SelectAudioInput(audioName)) {
      Close();
      return FALSE;
    }
    AddCaptureBox(audioName);
    if (monitorMode == 1) sourceKind_ = kMonitored;
    else if (monitorMode == 2) sourceKind_ = kUnmonitored;
    else sourceKind_ = GetDeviceNameKind(audioName) == 2 ? kMonitored : kUnmonitored;
  }
  opened_ = 1;
  openVideoName_ = videoName, openAudioName_ = audioName, openMonitorMode_ = monitorMode;
  return TRUE;
}

BOOL CAudioRecordGraph::SwitchDevice(HWND notify, const std::string& videoName, const std::string& audioName,
                                     int monitorMode) {
  const std::string previousVideo = openVideoName_, previousAudio = openAudioName_;
  const int previousMode = openMonitorMode_;
  const bool hadDevice = opened_ != 0;
  if (Reopen(notify, videoName, audioName, monitorMode)) return TRUE;
  if (hadDevice) Reopen(notify, previousVideo, previousAudio, previousMode);
  return FALSE;
}

BOOL CAudioRecordGraph::Reopen(HWND notify, const std::string& videoName, const std::string& audioName,
                               int monitorMode) {
  if (recording_) StopRecordingGraph();
  Stop();
  Close();
  if (Open(notify, videoName, audioName, monitorMode) && opened_ && StartPreview()) return TRUE;
  // Half an engine is no engine: the caller falls back to the device it had.
  Close();
  return FALSE;
}

BOOL CAudioRecordGraph::SelectAudioInput(const std::string& name) {
  sourceReady_ = 0;
  const bool wasPreviewing = previewing_ != 0;
  if (wasPreviewing) Stop();
  RemoveAndRelease(graph_, &audioSource_);
  if (FAILED(FindCaptureFilter(CLSID_AudioInputDeviceCategory, name, &audioSource_)) ||
      FAILED(graph_->AddFilter(audioSource_, "Audio Capture Device"))) {
    ReleaseInterface(&audioSource_);
    audioSource_ = nullptr;
    return FALSE;
  }
  sourceReady_ = 1;
  if (wasPreviewing) Run();
  return TRUE;
}

HRESULT CAudioRecordGraph::AddVideoCapture(const std::string& name, const char* filterName, IBaseFilter** slot) {
  if (FAILED(FindCaptureFilter(CLSID_VideoInputDeviceCategory, name, slot)) ||
      FAILED(graph_->AddFilter(*slot, filterName))) {
    ReleaseInterface(slot);
    *slot = nullptr;
    return E_FAIL;
  }
  // Asking the capture pin's stream configuration brings the device's crossbars into the graph.
  CComPtr<IAMStreamConfig> config;
  builder_->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, *slot, IID_IAMStreamConfig,
                          reinterpret_cast<void**>(&config));
  if (routing_.RouteCrossbar(builder_, *slot)) routing_.SelectRoute(kBoxInput);
  if (FAILED(helper_.AddFilter(CLSID_NullRenderer, &videoEnd_, "NULL Renderer")) ||
      FAILED(builder_->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, *slot, nullptr, videoEnd_)))
    return S_FALSE;
  return S_OK;
}

BOOL CAudioRecordGraph::SelectVideoAudioSource(const std::string& name) {
  if (FAILED(AddVideoCapture(name, "Video Capture", &videoSource_))) return FALSE;
  sourceReady_ = 1;
  return TRUE;
}

void CAudioRecordGraph::AddCaptureBox(const std::string& audioName) {
  std::string videoName;
  if (!CCaptureDeviceList().FindVideoPartner(audioName, videoName) || videoName.empty()) return;
  // Some boxes digitise sound only while their picture runs; without the picture the input
  // still records what it can.
  if (AddVideoCapture(videoName, "Capture Box", &boxVideo_) == S_OK) {
    boxAdded_ = 1;
    return;
  }
  RemoveAndRelease(graph_, &videoEnd_);
  RemoveAndRelease(graph_, &boxVideo_);
  routing_.Reset();
}

IBaseFilter* CAudioRecordGraph::SourceFilter() const {
  return sourceKind_ == kVideoAudio ? videoSource_ : audioSource_;
}

int CAudioRecordGraph::SourcePinIndex() {
  if (sourceKind_ != kVideoAudio) return 0;
  return helper_.FindOutputPinByMediaType(videoSource_);
}

void CAudioRecordGraph::SetUpSourcePin(int channels, int bytesPerSample, int rate) {
  const int index = SourcePinIndex();
  if (index < 0) return;
  CComPtr<IPin> pin = helper_.GetOutputPin(SourceFilter(), index);
  if (!pin) return;
  if (auto negotiation = Ask<IAMBufferNegotiation>(pin)) {
    ALLOCATOR_PROPERTIES props;
    props.cBuffers = 20, props.cbBuffer = 4096, props.cbAlign = 1, props.cbPrefix = 0;
    negotiation->SuggestAllocatorProperties(&props);
  }
  // The pin is asked for the build's format; one that keeps its own is converted downstream.
  if (auto config = Ask<IAMStreamConfig>(pin)) {
    AM_MEDIA_TYPE* current = nullptr;
    if (SUCCEEDED(config->GetFormat(&current)) && current) DeleteMediaType(current);
    CMediaType wanted = platform::dshow::MakeAudioType(static_cast<WORD>(channels), static_cast<DWORD>(rate),
                                                       static_cast<WORD>(bytesPerSample * 8));
    config->SetFormat(&wanted);
  }
}

BOOL CAudioRecordGraph::BuildFrontChain(bool withSplitter) {
  IBaseFilter* source = SourceFilter();
  const int pin = SourcePinIndex();
  if (!source || pin < 0) return FALSE;
  if (FAILED(helper_.AddFilter(CLSID_ACMWrapper, &acm_, "ACM Wapper")) ||
      FAILED(helper_.AddFilter(CLSID_QnNoiseReduction, &noiseReduction_, "Noise Reduction")) ||
      FAILED(helper_.AddFilter(CLSID_QnAudioAnalyzer, &analyzer_, "Qn Audio Analyzer")))
    return FALSE;
  if (FAILED(helper_.ConnectFilters(source, pin, acm_, 0)) ||
      FAILED(helper_.ConnectFilters(acm_, 0, noiseReduction_, 0)) ||
      FAILED(helper_.ConnectFilters(noiseReduction_, 0, analyzer_, 0)))
    return FALSE;
  if (!withSplitter) return TRUE;
  CoCreateInstance(CLSID_SmartTee, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                   reinterpret_cast<void**>(&splitter_));
  if (!splitter_ || FAILED(graph_->AddFilter(splitter_, "SmartTee Audio"))) return FALSE;
  return SUCCEEDED(helper_.ConnectFilters(analyzer_, 0, splitter_, 0));
}

BOOL CAudioRecordGraph::BuildMonitorBranch() {
  struct Choice {
    const CLSID* clsid;
    const char* name;
  };
  const Choice choices[] = {{&CLSID_DSoundRender, "DSound Audio Render"},
                            {&CLSID_AudioRender, "Waveout Audio Render"},
                            {&CLSID_NullRenderer, "NULL Render Audio"}};
  for (const Choice& c : choices) {
    if (SUCCEEDED(helper_.AddFilter(*c.clsid, &monitor_, c.name)) &&
        SUCCEEDED(helper_.ConnectDirect(splitter_, 1, monitor_, 0)))
      return TRUE;
    RemoveAndRelease(graph_, &monitor_);
  }
  return FALSE;
}

BOOL CAudioRecordGraph::StartPreview() {
  if (!opened_) return FALSE;
  if (previewing_) return Run();
  if (recording_) StopRecordingGraph();
  SetUpSourcePin(2, 2, 44100);
  BOOL built;
  if (sourceKind_ == kUnmonitored) {
    built = BuildFrontChain(false) && SUCCEEDED(helper_.AddFilter(CLSID_NullRenderer, &previewEnd_, "NULL Renderer")) &&
            SUCCEEDED(helper_.ConnectFilters(analyzer_, 0, previewEnd_, 0));
  } else {
    built = BuildFrontChain(true) && BuildMonitorBranch();
  }
  if (!built) {
    TearDownToSource();
    return FALSE;
  }
  SetAnalyzerMode(0);
  if (auto mode = Ask<IQnAudioMode>(analyzer_)) mode->SetParameters(3000, 50, 10);
  if (!Run()) return FALSE;
  graphKind_ = kPcm;
  previewing_ = 1;
  recording_ = 0;
  return TRUE;
}

BOOL CAudioRecordGraph::FinishRecordingStart(BOOL built) {
  if (!built) {
    TearDownToSource();
    StartPreview();
    return FALSE;
  }
  // What the preview reported is no news for this recording.
  ForgetGraphEvents();
  // A graph that will not run records nothing: the caller reports it and the preview returns.
  if (!Run()) {
    Stop();
    TearDownToSource();
    StartPreview();
    return FALSE;
  }
  if (auto flags = Ask<IQnAudioRecordFlags>(analyzer_)) flags->SetRecording(1), flags->SetReset(1);
  recording_ = 1;
  return TRUE;
}

BOOL CAudioRecordGraph::StartRecordWav(const std::string& file, int channels, int bitsPerSample, int sampleRate,
                                       int writerParam) {
  if (!opened_) return FALSE;
  Stop();
  TearDownToSource();
  previewing_ = 0;
  SetUpSourcePin(2, 2, 44100);
  recordRate_ = 44100;
  BOOL built =
      BuildFrontChain(true) && SUCCEEDED(helper_.AddFilter(CLSID_QnPcmDump, &pcmWriter_, "Qn PCM Dump Filter"));
  if (built) {
    auto sink = Ask<IFileSinkFilter>(pcmWriter_);
    auto format = Ask<IQnPcmFormat>(pcmWriter_);
    built = sink && SUCCEEDED(sink->SetFileName(file.c_str(), nullptr)) && format &&
            SUCCEEDED(format->SetFormat(channels, sampleRate, bitsPerSample)) &&
            SUCCEEDED(helper_.ConnectFilters(splitter_, 0, pcmWriter_, 0)) &&
            (sourceKind_ == kUnmonitored || BuildMonitorBranch());
  }
  if (built) {
    graphKind_ = kPcm;
    if (auto writer = Ask<IQnPcmWriter>(pcmWriter_)) writer->SetFlag(1), writer->SetParameter(writerParam);
  }
  return FinishRecordingStart(built);
}

BOOL CAudioRecordGraph::ConfigureWmaWriter(const WmvCaptureSettings& request) {
  auto sink = Ask<IFileSinkFilter2>(wmaWriter_);
  if (!sink || FAILED(sink->SetFileName(request.fileName.c_str(), nullptr))) return FALSE;
  sink->SetMode(AM_FILE_OVERWRITE);
  if (auto config = Ask<IConfigAsfWriter>(wmaWriter_)) {
    CComPtr<IWMProfile> profile;
    if (FAILED(CWriterGraphHelper::LoadProfileFromFile(request.profilePath.c_str(), &profile)) || !profile ||
        FAILED(config->ConfigureFilterUsingProfile(profile)))
      return FALSE;
  }
  return helper_.SetContentAttributes(wmaWriter_, &request);
}

BOOL CAudioRecordGraph::StartRecordWma(const WmvCaptureSettings& request) {
  if (!opened_) return FALSE;
  Stop();
  TearDownToSource();
  previewing_ = 0;
  SetUpSourcePin(2, 2, 48000);
  recordRate_ = 48000;
  const BOOL built = BuildFrontChain(true) && (sourceKind_ == kUnmonitored || BuildMonitorBranch()) &&
                     SUCCEEDED(helper_.AddFilter(CLSID_WMAsfWriter, &wmaWriter_, "WMA Encoder")) &&
                     ConfigureWmaWriter(request) && SUCCEEDED(helper_.ConnectFilters(splitter_, 0, wmaWriter_, 0));
  if (built) graphKind_ = kWma;
  return FinishRecordingStart(built);
}

BOOL CAudioRecordGraph::StartRecordMp3(const std::string& file) {
  if (!opened_) return FALSE;
  Stop();
  TearDownToSource();
  previewing_ = 0;
  SetUpSourcePin(2, 2, 48000);
  recordRate_ = 48000;
  BOOL built = BuildFrontChain(true) && (sourceKind_ == kUnmonitored || BuildMonitorBranch()) &&
               SUCCEEDED(helper_.AddFilter(CLSID_QnMp3Encoder, &mp3Encoder_, "MP3 Encoder")) &&
               SUCCEEDED(helper_.ConnectFilters(splitter_, 0, mp3Encoder_, 0)) &&
               SUCCEEDED(helper_.AddFilter(CLSID_QnMp3Dump, &mp3Writer_, "Qn MP3 Dump"));
  if (built) {
    auto sink = Ask<IFileSinkFilter>(mp3Writer_);
    built = sink && SUCCEEDED(sink->SetFileName(file.c_str(), nullptr)) &&
            SUCCEEDED(helper_.ConnectFilters(mp3Encoder_, 0, mp3Writer_, 0));
  }
  if (built) {
    if (auto encoder = Ask<IQnMp3Encoder>(mp3Encoder_))
      encoder->SetBitRate(192), encoder->SetVariableRate(0), encoder->SetSampleRate(48000);
    graphKind_ = kMp3;
  }
  return FinishRecordingStart(built);
}

int CAudioRecordGraph::DueMs() const {
  constexpr double kBufferBytes = 4096.0, kFrameBytes = 4.0;
  return static_cast<int>(std::ceil(kBufferBytes * 1000.0 / (kFrameBytes * recordRate_)));
}

BOOL CAudioRecordGraph::StopRecordingGraph() {
  if (!previewing_ && !recording_) return TRUE;
  // A recording lasts until the stop: what the card captured up to it is still on its way in
  // the source's buffer, and the writer hears nothing once the graph pauses.
  if (recording_ && control_) ::Sleep(static_cast<DWORD>(DueMs()));
  Stop();
  int result = 1;
  if (graphKind_ == kPcm && pcmWriter_) {
    if (auto writer = Ask<IQnPcmWriter>(pcmWriter_)) writer->GetResult(&result);
  } else if (graphKind_ == kMp3 && mp3Writer_) {
    if (auto writer = Ask<IQnMp3Writer>(mp3Writer_)) writer->GetResult(&result);
  }
  if (recording_ && notify_) ::PostMessage(notify_, WM_RECORD_FINISHED, kRecordFinishedCode, result);
  TearDownToSource();
  previewing_ = recording_ = 0;
  graphKind_ = kNone;
  return TRUE;
}

void CAudioRecordGraph::TakeGraphEvents() {
  if (!events_) return;
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  while (events_->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    if (code == EC_DEVICE_LOST && p2 == 0) sourceLost_ = true;
    if (code == EC_ERRORABORT && recording_) writeFailed_ = true;
    events_->FreeEventParams(code, p1, p2);
  }
}

void CAudioRecordGraph::ForgetGraphEvents() {
  TakeGraphEvents();
  sourceLost_ = writeFailed_ = false;
}

bool CAudioRecordGraph::WriteFailed() {
  TakeGraphEvents();
  const bool failed = writeFailed_ && recording_;
  writeFailed_ = false;
  return failed;
}

BOOL CAudioRecordGraph::StopRecording() {
  if (!recording_) return TRUE;
  StopRecordingGraph();
  return StartPreview();
}

BOOL CAudioRecordGraph::Run() {
  if (!control_) return FALSE;
  if (auto nr = Ask<IQnNoiseReduction>(noiseReduction_)) nr->SetAmount(noiseAmount_), nr->SetEnabled(noiseEnabled_);
  if (auto gain = Ask<IQnAudioGain>(analyzer_)) gain->SetGain(gain_), gain->SetEnable(gainEnabled_);
  if (FAILED(control_->Pause())) return FALSE;
  ::Sleep(150);
  return SUCCEEDED(control_->Run());
}

BOOL CAudioRecordGraph::Stop() {
  if (!opened_) return TRUE;
  if (!control_) return FALSE;
  control_->Pause();
  ::Sleep(50);
  control_->Stop();
  return TRUE;
}

void CAudioRecordGraph::ReleaseChain() {
  for (IBaseFilter** slot : {&splitter_, &monitor_, &previewEnd_, &mp3Writer_, &acm_, &analyzer_, &pcmWriter_,
                             &mp3Encoder_, &wmaWriter_, &noiseReduction_})
    RemoveAndRelease(graph_, slot);
}

void CAudioRecordGraph::TearDownToSource() {
  if (audioSource_) helper_.RemoveDownstream(audioSource_);
  if (videoSource_) helper_.RemoveBranch(videoSource_, &MEDIATYPE_Audio);
  ReleaseChain();
}

void CAudioRecordGraph::Close() {
  // Filters leave a stopped graph only: a running source would deliver into a released one.
  if (control_) control_->Stop();
  ReleaseChain();
  routing_.Reset();
  for (IBaseFilter** slot : {&videoEnd_, &boxVideo_, &videoSource_, &audioSource_}) RemoveAndRelease(graph_, slot);
  boxAdded_ = 0;
  ReleaseInterface(&events_);
  ReleaseInterface(&control_);
  ReleaseInterface(&builder_);
  ReleaseInterface(&graph_);
  events_ = nullptr, control_ = nullptr, builder_ = nullptr, graph_ = nullptr;
  helper_.Attach(nullptr, nullptr);
  opened_ = previewing_ = recording_ = sourceReady_ = 0;
  graphKind_ = kNone;
  sourceLost_ = writeFailed_ = false;
}

void CAudioRecordGraph::StopAndClose() {
  if (recording_) StopRecordingGraph();
  Stop();
  Close();
}

bool CAudioRecordGraph::GetLevels(AudioLevelRecord* record) {
  auto level = Ask<IQnAudioLevel>(analyzer_);
  return record && level && SUCCEEDED(level->GetLevels(record->bytes));
}

void CAudioRecordGraph::SetNoiseReduction(BYTE enabled, float amount) {
  noiseEnabled_ = enabled, noiseAmount_ = amount;
  if (auto nr = Ask<IQnNoiseReduction>(noiseReduction_)) nr->SetAmount(amount), nr->SetEnabled(enabled);
}

void CAudioRecordGraph::SetAudioGain(BYTE enabled, float gain) {
  gainEnabled_ = enabled, gain_ = gain;
  if (auto g = Ask<IQnAudioGain>(analyzer_)) g->SetGain(gain), g->SetEnable(enabled);
}

void CAudioRecordGraph::SetAnalyzerMode(int mode) {
  if (auto m = Ask<IQnAudioMode>(analyzer_)) m->SetMode(mode);
}

void CAudioRecordGraph::SetAnalyzerFlag(int flag) {
  if (auto f = Ask<IQnAudioRecordFlags>(analyzer_)) f->SetRecording(flag);
}

void CAudioRecordGraph::EnableAnalyzer() {
  if (auto f = Ask<IQnAudioRecordFlags>(analyzer_)) f->SetReset(1);
}

void CAudioRecordGraph::ShowPages(IBaseFilter* filter) {
  auto pages = Ask<ISpecifyPropertyPages>(filter);
  if (!pages) return;
  CAUUID ids;
  if (FAILED(pages->GetPages(&ids))) return;
  IUnknown* object = filter;
  OleCreatePropertyFrame(notify_, 0, 0, nullptr, 1, &object, ids.cElems, ids.pElems, 0, 0, nullptr);
  CoTaskMemFree(ids.pElems);
}

void CAudioRecordGraph::ShowAudioSourcePages() { ShowPages(audioSource_); }
void CAudioRecordGraph::ShowVideoSourcePages() { ShowPages(videoSource_); }

bool CAudioRecordGraph::SourceLost() {
  TakeGraphEvents();
  const bool lost = sourceLost_;
  sourceLost_ = false;
  return lost;
}
