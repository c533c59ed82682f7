#include "platform/dshow/v4l2_capture_filter.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/com/class_table.h"
#include "platform/com/hresult.h"
#include "platform/com/out_param.h"
#include "platform/com/property_frame.h"
#include "platform/dshow/analog_companions.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/device_problem.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/source_filter.h"
#include "platform/dshow/stream_caps.h"
#include "platform/dshow/v4l2_device.h"
#include "platform/dshow/v4l2_frames.h"
#include "platform/dshow/v4l2_terms.h"
#include "platform/dshow/v4l2_tuner.h"
#include "platform/dshow/wdm_upstream.h"

namespace platform::dshow::v4l2 {

namespace {

DEFINE_GUID(CLSID_V4l2CaptureDevice, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x20);

constexpr int kWaitMs = 100;  // how often the streaming thread looks for a stop

REFERENCE_TIME FrameDuration(const Mode& m) {
  return m.denominator ? static_cast<REFERENCE_TIME>(10000000.0 * m.numerator / m.denominator + 0.5) : 333667;
}

bool Compressed(std::uint32_t pixelFormat) {
  return pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

// The subtype a driver format is offered as.
GUID SubtypeOf(std::uint32_t pixelFormat) {
  if (pixelFormat == V4L2_PIX_FMT_UYVY) return MEDIASUBTYPE_UYVY;
  if (pixelFormat == V4L2_PIX_FMT_RGB24) return MEDIASUBTYPE_RGB24;
  return MEDIASUBTYPE_YUY2;
}

CMediaType TypeOf(const Mode& m) {
  return MakeVideoType(SubtypeOf(m.pixelFormat), static_cast<LONG>(m.width), static_cast<LONG>(m.height),
                       FrameDuration(m));
}

// The driver mode behind a requested type: same subtype and size, the rate nearest the one asked
// for (any rate when the type names none); the driver's own layout before decoded MJPEG.
const Mode* ModeFor(const std::vector<Mode>& modes, const CMediaType& mt) {
  const auto* vih = mt.Format<VIDEOINFOHEADER>();
  const Mode* best = nullptr;
  REFERENCE_TIME bestGap = 0;
  for (const Mode& m : modes) {
    if (SubtypeOf(m.pixelFormat) != mt.subtype) continue;
    if (vih && (static_cast<std::uint32_t>(vih->bmiHeader.biWidth) != m.width ||
                static_cast<std::uint32_t>(std::abs(vih->bmiHeader.biHeight)) != m.height))
      continue;
    const REFERENCE_TIME wanted = vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : FrameDuration(m);
    REFERENCE_TIME gap = std::llabs(FrameDuration(m) - wanted);
    if (Compressed(m.pixelFormat)) gap += 1;  // equal rates: the uncompressed layout
    if (!best || gap < bestGap) {
      best = &m;
      bestGap = gap;
    }
  }
  return best;
}

// The caps: one type per subtype and size, at the fastest rate the driver gives it.
std::vector<CMediaType> CapsOf(const std::vector<Mode>& modes) {
  std::vector<Mode> chosen;
  for (const Mode& m : modes) {
    bool merged = false;
    for (Mode& c : chosen)
      if (SubtypeOf(c.pixelFormat) == SubtypeOf(m.pixelFormat) && c.width == m.width && c.height == m.height) {
        if (FrameDuration(m) < FrameDuration(c)) c = m;
        merged = true;
      }
    if (!merged) chosen.push_back(m);
  }
  std::vector<CMediaType> caps;
  for (const Mode& m : chosen) caps.push_back(TypeOf(m));
  return caps;
}

constexpr DWORD kErrorBusy = 170;  // ERROR_BUSY

class CaptureStream : public CSourceStream, public IAMStreamConfig, public IAMDroppedFrames {
 public:
  CaptureStream(CBaseFilter* filter, std::shared_ptr<Device> device, std::function<void()> lost)
      : CSourceStream(filter, "Capture"), device_(std::move(device)), lost_(std::move(lost)) {
    caps_ = CapsOf(device_->Modes());
    if (!caps_.empty()) SetCurrent(caps_.front());
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceStream)

  std::vector<CMediaType> GetMediaTypes() override {
    std::lock_guard lock(mutex_);
    if (caps_.empty()) return {};
    return CurrentFirst(current_, caps_);
  }
  HRESULT CheckMediaType(const CMediaType& mt) override {
    return mt.majortype == MEDIATYPE_Video && ModeFor(device_->Modes(), mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT CompleteConnect(IPin*) override {
    SetCurrent(mt_);
    return S_OK;
  }

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override {
    if (!pmt) return E_POINTER;
    CMediaType mt(*pmt);
    if (mt.majortype != MEDIATYPE_Video || !ModeFor(device_->Modes(), mt)) return VFW_E_INVALIDMEDIATYPE;
    if (IsConnected() && filter_->State() != State_Stopped) return VFW_E_NOT_STOPPED;
    // The driver has the last word: a layout it refuses is refused here (another program that
    // holds the device is found when the graph starts).
    if (!device_->TryMode(*ModeFor(device_->Modes(), mt)) && errno != EBUSY) return VFW_E_INVALIDMEDIATYPE;
    SetCurrent(mt);
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** pmt) override {
    if (!pmt) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (caps_.empty()) return VFW_E_NO_TYPES;
    *pmt = CreateMediaType(&current_);
    return *pmt ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override { return CapsCount(caps_, count, size); }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** pmt, BYTE* caps) override {
    return CapAt(caps_, index, pmt, caps);
  }
  STDMETHODIMP GetNumDropped(long* dropped) override { return com::CopyOut(dropped, dropped_.load()); }
  STDMETHODIMP GetNumNotDropped(long* delivered) override { return com::CopyOut(delivered, delivered_.load()); }

  // The driver mode of the type in use.
  Mode CurrentMode() {
    std::lock_guard lock(mutex_);
    return mode_;
  }
  void BeginStream(const Mode& mode) {
    converter_ = std::make_unique<FrameConverter>(mode.pixelFormat, Current());
    haveSequence_ = false;
  }
  // Times count from the graph's run time: the sound source counts from it too.
  void SetRunTime(REFERENCE_TIME runTime) {
    runTime_ = runTime;
    lastStart_ = -1;
  }

  REFERENCE_TIME SampleDuration() override { return FrameDuration(CurrentMode()); }
  bool Paced() override { return false; }  // the driver paces
  HRESULT FillSample(MediaSample& s) override {
    Frame frame;
    switch (device_->Wait(&frame, kWaitMs)) {
      case Next::None: return S_OK;
      case Next::Dropped: ++dropped_; return S_OK;
      case Next::Lost: lost_(); return E_FAIL;
      case Next::Frame: break;
    }
    if (haveSequence_ && frame.sequence > lastSequence_ + 1)
      dropped_ += static_cast<long>(frame.sequence - lastSequence_ - 1);
    lastSequence_ = frame.sequence;
    haveSequence_ = true;
    const bool made = converter_ && converter_->Convert(frame.data, frame.size, frame.bytesPerLine, &s.data);
    device_->Release(frame);
    if (!made) {
      ++dropped_;  // a short or damaged frame
      return S_OK;
    }
    // When the frame was captured, against the run time: a box that needs a while after
    // STREAMON starts its picture that much later than the sound. Never backwards.
    REFERENCE_TIME start = std::max<REFERENCE_TIME>(frame.timestampUs * 10 - runTime_, 0);
    if (start <= lastStart_) start = lastStart_ + 1;
    lastStart_ = start;
    s.start = start;
    s.stop = start + SampleDuration();
    ++delivered_;
    return S_OK;
  }

 protected:
  void* GetPinInterface(REFIID riid) override {
    if (void* p = Offer<IAMStreamConfig>(this, riid)) return p;
    return Offer<IAMDroppedFrames>(this, riid);
  }

 private:
  CMediaType Current() {
    std::lock_guard lock(mutex_);
    return current_;
  }
  void SetCurrent(const CMediaType& mt) {
    const Mode* m = ModeFor(device_->Modes(), mt);
    if (!m) return;
    std::lock_guard lock(mutex_);
    mode_ = *m;
    current_ = TypeOf(*m);
  }

  std::shared_ptr<Device> device_;
  std::function<void()> lost_;
  std::mutex mutex_;
  std::vector<CMediaType> caps_;
  CMediaType current_;
  Mode mode_;
  std::unique_ptr<FrameConverter> converter_;
  std::atomic<long> dropped_{0};
  std::atomic<long> delivered_{0};
  REFERENCE_TIME runTime_ = 0;
  REFERENCE_TIME lastStart_ = -1;
  bool haveSequence_ = false;
  std::uint32_t lastSequence_ = 0;
};

class CaptureFilter : public CSourceFilter,
                      public IAMVideoProcAmp,
                      public IAMAnalogVideoDecoder,
                      public IVidarroWdmUpstream,
                      public IVidarroDriverControls,
                      public ISpecifyPropertyPages {
 public:
  CaptureFilter(const Node& node, std::shared_ptr<Device> device)
      : CSourceFilter(CLSID_V4l2CaptureDevice, node.name), node_(node), device_(std::move(device)) {
    for (const auto& s : device_->Standards()) standards_ |= s.id;
    bool tuner = false;
    for (const auto& in : device_->Inputs()) tuner = tuner || in.tuner;
    // Cameras have one input and no standard: no crossbar, no decoder, as on their own drivers.
    analog_ = standards_ != 0 || tuner || device_->Inputs().size() > 1;
    if (analog_) analogIn_ = AddPin<AnalogInputPin>("Analog Video In", MEDIATYPE_AnalogVideo);
    stream_ = AddPin<CaptureStream>(device_, [this] { Lost(); });
    stream_->SetCategory(PIN_CATEGORY_CAPTURE);
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)

  // Buffers are set up as the graph leaves stopped, so a device another program holds fails
  // the start of the graph, with a message that names it.
  STDMETHODIMP Pause() override {
    if (State() == State_Stopped && stream_->IsConnected()) {
      const Mode mode = stream_->CurrentMode();
      if (!device_->Prepare(mode)) {
        const int error = errno;
        if (error == EBUSY) {
          ReportDeviceProblem("\"" + node_.name + "\" (" + node_.file +
                              ") is in use by another program. Close the program that uses it and try again.");
          return HRESULT_FROM_WIN32(kErrorBusy);
        }
        Report("\"" + node_.name + "\" (" + node_.file + ") refused the picture format " + std::to_string(mode.width) +
               "x" + std::to_string(mode.height) + ": " + std::strerror(error));
        return VFW_E_INVALIDMEDIATYPE;
      }
      stream_->BeginStream(mode);
    }
    return CSourceFilter::Pause();
  }

  STDMETHODIMP GetRange(long property, long* min, long* max, long* step, long* def, long* caps) override {
    if (!min || !max || !step || !def || !caps) return E_POINTER;
    const Control* c = ControlOf(property);
    if (!c) return E_PROP_ID_UNSUPPORTED;
    *min = c->min;
    *max = c->max;
    *step = c->step;
    *def = c->defaultValue;
    *caps = 2;  // manual
    return S_OK;
  }
  STDMETHODIMP Set(long property, long value, long) override {
    const Control* c = ControlOf(property);
    if (!c) return E_PROP_ID_UNSUPPORTED;
    if (value < c->min || value > c->max) return E_INVALIDARG;
    return device_->SetControl(c->id, static_cast<std::int32_t>(value)) ? S_OK : E_FAIL;
  }
  STDMETHODIMP Get(long property, long* value, long* flags) override {
    if (!value || !flags) return E_POINTER;
    const Control* c = ControlOf(property);
    if (!c) return E_PROP_ID_UNSUPPORTED;
    std::int32_t v = 0;
    if (!device_->GetControl(c->id, &v)) return E_FAIL;
    *value = v;
    *flags = 2;
    return S_OK;
  }

  STDMETHODIMP GetDriverControls(std::vector<DriverControl>* controls) override {
    if (!controls) return E_POINTER;
    *controls = device_->DriverControls();
    return S_OK;
  }
  STDMETHODIMP GetDriverControl(std::uint32_t id, std::int32_t* value) override {
    if (!value) return E_POINTER;
    return device_->GetControl(id, value) ? S_OK : E_FAIL;
  }
  STDMETHODIMP SetDriverControl(std::uint32_t id, std::int32_t value) override {
    return device_->SetControl(id, value) ? S_OK : E_FAIL;
  }

  STDMETHODIMP get_AvailableTVFormats(long* formats) override {
    return com::CopyOut(formats, AnalogStandardsOf(standards_));
  }
  STDMETHODIMP put_TVFormat(long format) override {
    if (format == 0 || (format & (format - 1)) || !(format & AnalogStandardsOf(standards_))) return E_INVALIDARG;
    return device_->SelectStandard(V4l2StandardsOf(format, standards_)) ? S_OK : E_FAIL;
  }
  STDMETHODIMP get_TVFormat(long* format) override {
    const long bits = AnalogStandardsOf(device_->CurrentStandard());
    return com::CopyOut(format, bits & -bits);
  }
  STDMETHODIMP get_HorizontalLocked(long* locked) override {
    if (!locked) return E_POINTER;
    const std::uint32_t status = device_->InputStatus();
    *locked = !lost_.load() && !(status & (V4L2_IN_ST_NO_SIGNAL | V4L2_IN_ST_NO_H_LOCK)) ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP put_VCRHorizontalLocking(long locking) override { return com::CopyIn(vcrLocking_, locking); }
  STDMETHODIMP get_VCRHorizontalLocking(long* locking) override { return com::CopyOut(locking, vcrLocking_); }
  STDMETHODIMP get_NumberOfLines(long* lines) override {
    return com::CopyOut(lines, (device_->CurrentStandard() & V4L2_STD_525_60) ? 525 : 625);
  }
  STDMETHODIMP put_OutputEnable(long enable) override { return com::CopyIn(outputEnable_, enable); }
  STDMETHODIMP get_OutputEnable(long* enable) override { return com::CopyOut(enable, outputEnable_); }

  STDMETHODIMP GetPages(CAUUID* pages) override {
    if (analog_)
      return PropertyPages(
          {CLSID_VideoProcAmpPropertyPage, CLSID_VideoStreamConfigPropertyPage, CLSID_AnalogVideoDecoderPropertyPage},
          pages);
    return PropertyPages({CLSID_VideoProcAmpPropertyPage, CLSID_VideoStreamConfigPropertyPage}, pages);
  }

  // One crossbar: the driver's inputs in their order, feeding the video decoder; choosing a
  // route chooses the driver's input. A tuner input gets the TV tuner in front.
  STDMETHODIMP AddUpstreamFilters(IGraphBuilder* graph) override {
    if (!graph) return E_POINTER;
    if (!analogIn_ || analogIn_->IsConnected()) return S_FALSE;
    sim::Crossbar crossbar;
    crossbar.name = node_.name + " Crossbar";
    std::shared_ptr<TunerDevice> tuner;
    for (const auto& in : device_->Inputs()) {
      crossbar.inputs.push_back(ConnectorOf(in.tuner, in.name));
      if (in.tuner && !tuner) tuner = MakeCardTuner(device_, in.tunerIndex);
    }
    if (crossbar.inputs.empty()) crossbar.inputs.push_back(PhysConn_Video_Composite);
    crossbar.outputs = {PhysConn_Video_VideoDecoder};
    std::shared_ptr<Device> device = device_;
    const HRESULT hr = AddAnalogUpstream(
        graph, analogIn_, {crossbar}, tuner ? AnalogStandardsOf(standards_) : -1,
        [device](long, long in) { return device->SelectInput(static_cast<std::uint32_t>(in)) ? S_OK : E_FAIL; }, tuner);
    // The crossbar starts on its first input; so does the device.
    if (SUCCEEDED(hr) && !device_->Inputs().empty()) device_->SelectInput(device_->Inputs().front().index);
    return hr;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (!device_->Controls().empty())
      if (void* p = Offer<IAMVideoProcAmp>(this, riid)) return p;
    if (void* p = Offer<IVidarroDriverControls>(this, riid)) return p;
    if (analog_) {
      if (void* p = Offer<IAMAnalogVideoDecoder>(this, riid)) return p;
      if (void* p = Offer<IVidarroWdmUpstream>(this, riid)) return p;
    }
    return Offer<ISpecifyPropertyPages>(this, riid);
  }
  void OnRun(REFERENCE_TIME start) override {
    // Run straight, with no graph to give the time: now.
    stream_->SetRunTime(start > 0 ? start : static_cast<REFERENCE_TIME>(platform::CurrentClock().NowUs()) * 10);
    if (stream_->IsConnected()) device_->Start();
    CSourceFilter::OnRun(start);
  }
  void OnStop() override {
    CSourceFilter::OnStop();
    device_->Stop();
  }

 private:
  const Control* ControlOf(long property) const {
    const std::uint32_t id = ControlIdOf(property);
    for (const auto& c : device_->Controls())
      if (c.id == id && id != 0) return &c;
    return nullptr;
  }
  // Removal is reported once, as the simulated devices do: lParam2 0.
  void Lost() {
    if (lost_.exchange(true)) return;
    Report("\"" + node_.name + "\" (" + node_.file + ") was disconnected.");
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(static_cast<CBaseFilter*>(this))), 0);
  }
  static void Report(const std::string& text) {
    std::fprintf(stderr, "vidarro: %s\n", text.c_str());
    ::OutputDebugString((text + "\n").c_str());
  }

  Node node_;
  std::shared_ptr<Device> device_;
  std::uint64_t standards_ = 0;
  bool analog_ = false;
  CBaseInputPin* analogIn_ = nullptr;
  CaptureStream* stream_ = nullptr;
  std::atomic<bool> lost_{false};
  long vcrLocking_ = 0;
  long outputEnable_ = 1;
};

}  // namespace

HRESULT CreateCaptureFilter(const Node& node, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  auto device = std::make_shared<Device>(node.file);
  if (!device->Opened())
    return device->OpenError() == EACCES || device->OpenError() == EPERM ? E_ACCESSDENIED : sim::E_DEVICE_NOT_CONNECTED;
  if (device->Modes().empty()) return VFW_E_NO_TYPES;
  return com::HandOver(new CaptureFilter(node, std::move(device)), riid, ppv);
}

}  // namespace platform::dshow::v4l2
