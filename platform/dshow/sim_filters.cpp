#include "platform/dshow/sim_filters.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/dshow/camcorder_controls.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/com/property_frame.h"
#include "platform/com/task_mem.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/configurable_pin.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/source_filter.h"
#include "platform/dshow/wdm_upstream.h"
#include "platform/dshow/analog_companions.h"

namespace platform::dshow::sim {

namespace {

DEFINE_GUID(CLSID_SimCaptureDevice, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x10);

CMediaType TypeOf(const VideoFormat& f) {
  if (f.subtype == MEDIASUBTYPE_dvsd) {
    CMediaType mt = MakeDvType();
    mt.lSampleSize = f.height >= 576 ? 144000 : 120000;
    return mt;
  }
  if (f.subtype == MEDIASUBTYPE_MPEG2_TRANSPORT) {
    CMediaType mt = MakeStreamType(MEDIASUBTYPE_MPEG2_TRANSPORT);
    mt.majortype = MEDIATYPE_Stream;
    return mt;
  }
  return MakeVideoType(f.subtype, f.width, f.height, f.frameDuration);
}

// Boxes (by USB id) whose video capture pin streams now, counted per running capture filter, and
// how far each box's pictures have gone: a box digitises picture and sound on one clock, so when
// it runs free its sound keeps to its pictures' time instead of racing ahead of them.
class RunningBoxes {
 public:
  static RunningBoxes& Instance() {
    static RunningBoxes boxes;
    return boxes;
  }
  void Change(const std::string& usbId, int delta) {
    {
      std::lock_guard lock(mutex_);
      if ((counts_[usbId] += delta) <= 0) {
        counts_.erase(usbId);
        pictureTimes_.erase(usbId);
      }
    }
    moved_.notify_all();
  }
  bool Running(const std::string& usbId) {
    std::lock_guard lock(mutex_);
    return counts_.count(usbId) != 0;
  }
  // The box's pictures up to `time` (stream time, 100-ns units) have been taken downstream.
  void PicturesReached(const std::string& usbId, REFERENCE_TIME time) {
    {
      std::lock_guard lock(mutex_);
      pictureTimes_[usbId] = time;
    }
    moved_.notify_all();
  }
  // Waits while the box streams and its pictures are short of `time`; bounded, so a stalled
  // picture path never holds the sound (or a stop) up for long.
  void WaitForPictures(const std::string& usbId, REFERENCE_TIME time) {
    std::unique_lock lock(mutex_);
    moved_.wait_for(lock, std::chrono::milliseconds(kMaxWaitMs), [&] {
      const auto at = pictureTimes_.find(usbId);
      return counts_.count(usbId) == 0 || (at != pictureTimes_.end() && at->second >= time);
    });
  }

 private:
  static constexpr int kMaxWaitMs = 500;
  std::mutex mutex_;
  std::condition_variable moved_;
  std::map<std::string, int> counts_;
  std::map<std::string, REFERENCE_TIME> pictureTimes_;
};

// Watches the device while the filter lives; reports EC_DEVICE_LOST when it goes away.
class DeviceWatch {
 public:
  DeviceWatch(const std::string& id, CBaseFilter* filter) : filter_(filter) {
    token_ = Hardware::Instance().Watch(id, [this](bool present) { Changed(present); });
  }
  ~DeviceWatch() { Hardware::Instance().Unwatch(token_); }
  bool Lost() const { return lost_.load(); }

 private:
  // Removal reports lParam2 0, arrival again 1; a filter whose device went stays unusable.
  void Changed(bool present) {
    // Only a change is news: an arrival after a loss, or the first removal.
    if (present ? !lost_.load() : lost_.exchange(true)) return;
    filter_->NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(filter_)), present ? 1 : 0);
  }
  CBaseFilter* filter_;
  int token_ = 0;
  std::atomic<bool> lost_{false};
};

// A pin of a simulated device, which fails its samples once the device is gone.
class DevicePin : public ConfigurablePin {
 public:
  DevicePin(CBaseFilter* filter, std::string name, std::vector<CMediaType> caps, bool negotiates,
            const DeviceWatch* watch)
      : ConfigurablePin(filter, std::move(name), std::move(caps), negotiates), watch_(watch) {}

 protected:
  bool DeviceLost() const { return watch_->Lost(); }

 private:
  const DeviceWatch* watch_;
};

class VideoStream : public DevicePin {
 public:
  // boxId: the USB id of the box whose picture time this pin sets ("" for none); adjust: the
  // device's picture controls now, asked for every frame.
  VideoStream(CBaseFilter* f, std::string name, std::vector<CMediaType> caps, const DeviceWatch* watch,
              std::function<PictureAdjust()> adjust, std::string boxId = {})
      : DevicePin(f, std::move(name), std::move(caps), false, watch),
        adjust_(std::move(adjust)),
        boxId_(std::move(boxId)) {}
  REFERENCE_TIME SampleDuration() override {
    const CMediaType mt = Current();
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    return vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 333667;
  }
  bool Paced() override { return !Hardware::FreeRunning(); }
  HRESULT FillSample(MediaSample& s) override {
    if (DeviceLost()) return E_FAIL;
    // Every earlier picture has been delivered: the box's pictures have come this far.
    if (!boxId_.empty()) RunningBoxes::Instance().PicturesReached(boxId_, s.start);
    const CMediaType mt = Current();
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    const LONG w = vih ? vih->bmiHeader.biWidth : 720;
    const LONG h = vih ? std::abs(vih->bmiHeader.biHeight) : 480;
    const int bpp = vih && vih->bmiHeader.biBitCount ? vih->bmiHeader.biBitCount / 8 : 2;
    const std::size_t stride = static_cast<std::size_t>(w) * static_cast<std::size_t>(bpp);
    s.data.resize(stride * static_cast<std::size_t>(h));
    PaintFrame(mt.subtype, w, h, s.index, SampleDuration(), s.data.data(), stride, adjust_());
    return S_OK;
  }

 private:
  std::function<PictureAdjust()> adjust_;
  std::string boxId_;
};

class AudioStream : public DevicePin {
 public:
  // boxId: the USB id of the box whose running video this input's sound needs ("" for none);
  // clockBox: the box whose pictures its sound keeps time with when running free ("" for none).
  AudioStream(CBaseFilter* f, std::string name, const DeviceWatch* watch, const AudioSignal& signal, std::string boxId,
              std::string clockBox)
      : DevicePin(f, std::move(name), Caps(), true, watch),
        signal_(signal),
        boxId_(std::move(boxId)),
        clockBox_(std::move(clockBox)) {}
  static std::vector<CMediaType> Caps() {
    return {MakeAudioType(2, 48000, 16), MakeAudioType(2, 44100, 16), MakeAudioType(1, 48000, 16),
            MakeAudioType(2, 32000, 16), MakeAudioType(1, 44100, 16)};
  }
  REFERENCE_TIME SampleDuration() override { return UNITS / 10; }
  bool Paced() override { return !Hardware::FreeRunning(); }
  HRESULT FillSample(MediaSample& s) override {
    if (DeviceLost()) return E_FAIL;
    if (Hardware::FreeRunning() && !clockBox_.empty()) RunningBoxes::Instance().WaitForPictures(clockBox_, s.start);
    const CMediaType mt = Current();
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    const DWORD rate = wfx ? wfx->nSamplesPerSec : 48000;
    const WORD channels = wfx ? wfx->nChannels : 2;
    const std::size_t frames = rate / 10;
    s.data.resize(frames * channels * 2);
    signal_.Fill(reinterpret_cast<std::int16_t*>(s.data.data()), channels, static_cast<int>(rate),
                 s.index * static_cast<long long>(frames), frames);
    if (!boxId_.empty() && !RunningBoxes::Instance().Running(boxId_)) std::fill(s.data.begin(), s.data.end(), 0);
    return S_OK;
  }

 private:
  AudioSignalSource signal_;
  std::string boxId_;
  std::string clockBox_;
};

// Analog card or USB box capture filter.
class CaptureFilter : public CSourceFilter,
                      public IAMVideoProcAmp,
                      public IAMAnalogVideoDecoder,
                      public IVidarroWdmUpstream,
                      public ISpecifyPropertyPages {
 public:
  explicit CaptureFilter(const DeviceDesc& desc)
      : CSourceFilter(CLSID_SimCaptureDevice, desc.name), desc_(desc), watch_(desc.id, this) {
    if (!desc_.crossbars.empty()) analogIn_ = AddPin<AnalogInputPin>("Analog Video In", MEDIATYPE_AnalogVideo);
    std::vector<CMediaType> caps;
    for (const auto& f : desc_.formats) caps.push_back(TypeOf(f));
    const std::string usbId = UsbIdOf(desc_.devicePath);
    auto adjust = [this] { return Adjustment(); };
    capture_ = AddPin<VideoStream>("Capture", caps, &watch_, adjust, usbId);
    capture_->SetCategory(PIN_CATEGORY_CAPTURE);
    if (desc_.audioPin)
      AddPin<AudioStream>("Audio", &watch_, desc_.audioSignal, "", usbId)->SetCategory(PIN_CATEGORY_CAPTURE);
    if (desc_.vpPin) AddPin<VideoStream>("VP", caps, &watch_, adjust)->SetCategory(PIN_CATEGORY_VIDEOPORT);
    for (const auto& r : desc_.procAmp) values_.push_back({r.property, r.defaultValue, r.flags});
    tvFormat_ = desc_.tvFormat;
  }
  ~CaptureFilter() override { MarkRunning(false); }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)

  STDMETHODIMP GetRange(long property, long* min, long* max, long* step, long* def, long* caps) override {
    if (!min || !max || !step || !def || !caps) return E_POINTER;
    for (const auto& r : desc_.procAmp)
      if (r.property == property) {
        *min = r.min;
        *max = r.max;
        *step = r.step;
        *def = r.defaultValue;
        *caps = r.flags;
        return S_OK;
      }
    return E_PROP_ID_UNSUPPORTED;
  }
  STDMETHODIMP Set(long property, long value, long flags) override {
    for (const auto& r : desc_.procAmp)
      if (r.property == property) {
        if (value < r.min || value > r.max) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        for (auto& v : values_)
          if (v.property == property) {
            v.value = value;
            v.flags = flags;
          }
        return S_OK;
      }
    return E_PROP_ID_UNSUPPORTED;
  }
  STDMETHODIMP Get(long property, long* value, long* flags) override {
    if (!value || !flags) return E_POINTER;
    std::lock_guard lock(mutex_);
    for (const auto& v : values_)
      if (v.property == property) {
        *value = v.value;
        *flags = v.flags;
        return S_OK;
      }
    return E_PROP_ID_UNSUPPORTED;
  }

  STDMETHODIMP get_AvailableTVFormats(long* formats) override { return com::CopyOut(formats, desc_.tvFormats); }
  STDMETHODIMP put_TVFormat(long format) override {
    if (format == 0 || (format & ~desc_.tvFormats) || (format & (format - 1))) return E_INVALIDARG;
    tvFormat_ = format;
    return S_OK;
  }
  STDMETHODIMP get_TVFormat(long* format) override { return com::CopyOut(format, tvFormat_); }
  STDMETHODIMP get_HorizontalLocked(long* locked) override {
    if (!locked) return E_POINTER;
    DeviceDesc now;
    const bool signal = Hardware::Instance().Find(desc_.id, &now) ? now.signal : desc_.signal;
    *locked = signal && !watch_.Lost() ? 1 : 0;
    return S_OK;
  }
  STDMETHODIMP put_VCRHorizontalLocking(long locking) override { return com::CopyIn(vcrLocking_, locking); }
  STDMETHODIMP get_VCRHorizontalLocking(long* locking) override { return com::CopyOut(locking, vcrLocking_); }
  STDMETHODIMP get_NumberOfLines(long* lines) override {
    return com::CopyOut(lines, (tvFormat_ & (0x1 | 0x2 | 0x4 | 0x200)) ? 525 : 625);
  }
  STDMETHODIMP put_OutputEnable(long enable) override { return com::CopyIn(outputEnable_, enable); }
  STDMETHODIMP get_OutputEnable(long* enable) override { return com::CopyOut(enable, outputEnable_); }

  STDMETHODIMP GetPages(CAUUID* pages) override {
    return PropertyPages(
        {CLSID_VideoProcAmpPropertyPage, CLSID_VideoStreamConfigPropertyPage, CLSID_AnalogVideoDecoderPropertyPage},
        pages);
  }

  STDMETHODIMP AddUpstreamFilters(IGraphBuilder* graph) override {
    if (!graph) return E_POINTER;
    if (!analogIn_ || analogIn_->IsConnected()) return S_FALSE;
    return AddAnalogUpstream(graph, analogIn_, desc_.crossbars, desc_.tuner ? desc_.tvFormats : -1);
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IAMVideoProcAmp>(this, riid)) return p;
    if (void* p = Offer<IAMAnalogVideoDecoder>(this, riid)) return p;
    if (void* p = Offer<ISpecifyPropertyPages>(this, riid)) return p;
    return Offer<IVidarroWdmUpstream>(this, riid);
  }

 private:
  struct Value {
    long property;
    long value;
    long flags;
  };
  // The picture controls as a decoder chip applies them: brightness a luma offset (its whole
  // range spans the 8-bit levels), contrast and saturation gains (1 at the default, 0 at the
  // minimum), hue a rotation (the whole range one turn).
  PictureAdjust Adjustment() {
    std::lock_guard lock(mutex_);
    PictureAdjust a;
    for (const auto& r : desc_.procAmp) {
      long value = r.defaultValue;
      for (const auto& v : values_)
        if (v.property == r.property) value = v.value;
      if (value == r.defaultValue || r.max <= r.min) continue;
      const double span = static_cast<double>(r.max - r.min);
      const double gain = r.defaultValue > r.min ? static_cast<double>(value - r.min) / (r.defaultValue - r.min) : 1;
      switch (r.property) {
        case VideoProcAmp_Brightness: a.lumaOffset = (value - r.defaultValue) * 255.0 / span; break;
        case VideoProcAmp_Contrast: a.lumaGain = gain; break;
        case VideoProcAmp_Saturation: a.chromaGain = gain; break;
        case VideoProcAmp_Hue: a.hueDegrees = (value - r.defaultValue) * 360.0 / (span + 1); break;
        default: break;
      }
    }
    return a;
  }
  // The box counts as running while its capture pin streams.
  void OnRun(REFERENCE_TIME start) override {
    CSourceFilter::OnRun(start);
    MarkRunning(capture_->Streaming());
  }
  void OnPause() override {
    CSourceFilter::OnPause();
    MarkRunning(false);
  }
  void OnStop() override {
    CSourceFilter::OnStop();
    MarkRunning(false);
  }
  void MarkRunning(bool running) {
    if (running == marked_) return;
    marked_ = running;
    RunningBoxes::Instance().Change(UsbIdOf(desc_.devicePath), running ? 1 : -1);
  }

  DeviceDesc desc_;
  DeviceWatch watch_;
  VideoStream* capture_ = nullptr;
  bool marked_ = false;
  CBaseInputPin* analogIn_ = nullptr;
  std::mutex mutex_;
  std::vector<Value> values_;
  long tvFormat_;
  long vcrLocking_ = 0;
  long outputEnable_ = 1;
};

class AudioCaptureFilter : public CSourceFilter, public ISpecifyPropertyPages {
 public:
  explicit AudioCaptureFilter(const DeviceDesc& desc)
      : CSourceFilter(CLSID_SimCaptureDevice, desc.name), watch_(desc.id, this) {
    // A box's sound interface (the box's USB id) keeps to its pictures whether or not it needs them.
    const std::string usbId = UsbIdOf(desc.dsInterface);
    AddPin<AudioStream>("Capture", &watch_, desc.audioSignal, desc.needsVideo ? usbId : "", usbId)
        ->SetCategory(PIN_CATEGORY_CAPTURE);
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)
  STDMETHODIMP GetPages(CAUUID* pages) override { return PropertyPages({CLSID_AudioStreamConfigPropertyPage}, pages); }

 protected:
  void* GetFilterInterface(REFIID riid) override { return Offer<ISpecifyPropertyPages>(this, riid); }

 private:
  DeviceWatch watch_;
};

// The tape under a camcorder: a transport mode and a position counted in frames. Without a tape
// file the camera records live and delivers whatever the transport does.
struct TapeDeck {
  std::atomic<long> mode{ED_MODE_STOP};
  std::atomic<long long> position{0};  // frames from the start of the tape
  bool hasTape = false;
};

bool IsForwardWind(long mode) { return mode == ED_MODE_FF || mode == 4304 || mode == 5029; }
bool IsRewind(long mode) { return mode == ED_MODE_REW || mode == 4905 || mode == 5031; }
constexpr long long kWindFramesPerFrame = 10;

// DV or HDV camcorder: live, the pattern loop of camcorder_streams.h; with a tape file, its frames
// (DIF frames, or transport-stream chunks of a frame's average size) as the transport plays them.
class CamcorderStream : public CSourceStream {
 public:
  CamcorderStream(CBaseFilter* f, std::string name, CMediaType mt, REFERENCE_TIME frame, bool hdv, std::string tape,
                  TapeDeck* deck, const DeviceWatch* watch)
      : CSourceStream(f, std::move(name)),
        frame_(frame),
        hdv_(hdv),
        tape_(std::move(tape)),
        deck_(deck),
        watch_(watch) {
    pal_ = frame == 400000;
    frameBytes_ = hdv ? kTsPacket * 554 : (pal_ ? kDvFramePal : kDvFrameNtsc);
    SetMediaTypes({std::move(mt)});
  }
  REFERENCE_TIME SampleDuration() override { return frame_; }
  bool Paced() override { return !Hardware::FreeRunning(); }
  HRESULT FillSample(MediaSample& s) override {
    if (watch_->Lost()) return E_FAIL;
    if (deck_->hasTape) return FromTape(s);
    hdv_ ? FromHdvLoop(s) : FromDvLoop(s);
    ++framesOut_;
    return s.data.empty() ? E_FAIL : S_OK;
  }
  long long Frames() const { return deck_->hasTape ? deck_->position.load() : framesOut_.load(); }

 private:
  void FromDvLoop(MediaSample& s) {
    const auto& loop = DvLoop(pal_);
    if (!loop.empty()) s.data = loop[static_cast<std::size_t>(framesOut_.load()) % loop.size()];
  }
  void FromHdvLoop(MediaSample& s) {
    const auto& loop = HdvLoop();
    const long long frames = HdvLoopFrames();
    const std::size_t packets = loop.size() / kTsPacket;
    const long long n = framesOut_.load();
    const long long k = n % frames;
    const std::size_t first = packets * static_cast<std::size_t>(k) / static_cast<std::size_t>(frames);
    const std::size_t last = packets * static_cast<std::size_t>(k + 1) / static_cast<std::size_t>(frames);
    s.data.assign(loop.begin() + static_cast<std::ptrdiff_t>(first * kTsPacket),
                  loop.begin() + static_cast<std::ptrdiff_t>(last * kTsPacket));
    s.syncPoint = k == 0;
    rebaser_.Rebase(s.data.data(), s.data.size(), n / frames * frames * 3003);
  }
  // Play reads the next frame; freeze repeats the last; stop gives nothing; winding moves the
  // tape without pictures. The end of the tape stops the transport and the stream.
  HRESULT FromTape(MediaSample& s) {
    if (!file_.is_open()) file_.open(tape_, std::ios::binary);
    const long mode = deck_->mode.load();
    // A tape file that cannot be read plays as a tape at its end. (A short read at the real end
    // leaves the stream failed; that is no reason to stop here, the read below finds the end.)
    if (!file_.is_open()) {
      if (mode == ED_MODE_PLAY) deck_->mode = ED_MODE_STOP;
      return S_FALSE;
    }
    if (IsForwardWind(mode) || IsRewind(mode)) {
      const long long step = IsRewind(mode) ? -kWindFramesPerFrame : kWindFramesPerFrame;
      long long at = deck_->position.load() + step;
      const long long end = TapeFrames();
      if (at <= 0 || at >= end) {
        at = std::clamp<long long>(at, 0, end);
        deck_->mode = ED_MODE_STOP;
      }
      deck_->position = at;
      return S_OK;
    }
    if (mode == ED_MODE_FREEZE) {
      s.data = last_;
      return S_OK;
    }
    if (mode != ED_MODE_PLAY) return S_OK;
    const long long at = deck_->position.load();
    std::vector<BYTE> data(frameBytes_);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(at) * static_cast<std::streamoff>(frameBytes_));
    file_.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    const auto got = static_cast<std::size_t>(std::max<std::streamsize>(file_.gcount(), 0));
    // A short last frame is no frame for DV; a TS keeps its whole packets.
    const std::size_t keep = hdv_ ? got / kTsPacket * kTsPacket : (got == frameBytes_ ? got : 0);
    if (keep == 0) {
      deck_->mode = ED_MODE_STOP;
      return S_FALSE;
    }
    data.resize(keep);
    last_ = data;
    s.data = std::move(data);
    deck_->position = at + 1;
    return S_OK;
  }
  long long TapeFrames() {
    file_.clear();
    file_.seekg(0, std::ios::end);
    const auto size = static_cast<long long>(std::max<std::streamoff>(file_.tellg(), 0));
    return (size + static_cast<long long>(frameBytes_) - 1) / static_cast<long long>(frameBytes_);
  }

  REFERENCE_TIME frame_;
  bool hdv_;
  bool pal_ = false;
  std::string tape_;
  TapeDeck* deck_;
  const DeviceWatch* watch_;
  std::size_t frameBytes_;
  std::ifstream file_;
  std::vector<BYTE> last_;
  TsLoopRebaser rebaser_;
  std::atomic<long long> framesOut_{0};
};

class CamcorderFilter : public CSourceFilter, public CamcorderControls {
 public:
  explicit CamcorderFilter(const DeviceDesc& desc)
      : CSourceFilter(CLSID_SimCaptureDevice, desc.name),
        CamcorderControls(desc.devicePath),
        desc_(desc),
        watch_(desc.id, this) {
    const VideoFormat f = desc.formats.empty() ? VideoFormat{} : desc.formats.front();
    const bool hdv = desc.kind == DeviceKind::HdvCamcorder;
    deck_.hasTape = !desc.tape.empty();
    stream_ = AddPin<CamcorderStream>(hdv ? "MPEG2 TS Out" : "DV A/V Out", TypeOf(f), f.frameDuration, hdv, desc.tape,
                                      &deck_, &watch_);
    stream_->SetCategory(PIN_CATEGORY_CAPTURE);
    if (!hdv) AddPin<AnalogInputPin>("DV A/V In", MEDIATYPE_Interleaved)->SetCategory(GUID_NULL);
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)

  STDMETHODIMP put_DevicePower(long mode) override { return com::CopyIn(power_, mode); }
  STDMETHODIMP get_DevicePower(long* mode) override { return com::CopyOut(mode, power_); }
  STDMETHODIMP GetStatus(long item, long* value) override {
    if (item == ED_MEDIA_TYPE) return com::CopyOut(value, deck_.hasTape ? ED_MEDIA_DVC : ED_MEDIA_NOT_PRESENT);
    const long mode = deck_.mode.load();
    return com::CopyOut(value, item == ED_MODE_PLAY ? (mode == ED_MODE_PLAY ? OATRUE : OAFALSE) : mode);
  }
  // The input signal: the 525- or 625-line SD value for DV, MPEG-2 TS for HDV.
  STDMETHODIMP GetTransportBasicParameters(long param, long* value, LPOLESTR* text) override {
    if (text) *text = nullptr;
    if (!value) return E_POINTER;
    if (watch_.Lost()) return E_DEVICE_NOT_CONNECTED;
    const bool pal = !desc_.formats.empty() && desc_.formats.front().height >= 576;
    const bool hdv = desc_.kind == DeviceKind::HdvCamcorder;
    return com::CopyOut(value, param == ED_TRANSBASIC_INPUT_SIGNAL ? InputSignal(hdv, pal) : 0);
  }
  STDMETHODIMP put_Mode(long mode) override {
    if (watch_.Lost()) return E_DEVICE_NOT_CONNECTED;
    deck_.mode = mode;
    return S_OK;
  }
  STDMETHODIMP get_Mode(long* mode) override { return com::CopyOut(mode, deck_.mode.load()); }
  STDMETHODIMP GetTimecode(TIMECODE_SAMPLE* sample) override {
    if (!sample) return E_POINTER;
    if (watch_.Lost()) return E_DEVICE_NOT_CONNECTED;
    const int rate = FrameRate();
    sample->timecode.dwFrames = AddFrames(desc_.timecodeStart, stream_->Frames(), rate);
    sample->timecode.wFrameRate = static_cast<WORD>(rate);
    sample->dwFlags = ED_DEVCAP_TIMECODE_READ;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return OfferControls(riid); }

 private:
  int FrameRate() const { return !desc_.formats.empty() && desc_.formats.front().frameDuration == 400000 ? 25 : 30; }
  // Packed BCD hh:mm:ss:ff plus a frame count at fps frames per second.
  static DWORD AddFrames(DWORD bcd, long long frames, long long fps) {
    auto dec = [](DWORD v) { return static_cast<long long>((v >> 4) * 10 + (v & 0xF)); };
    long long total = ((dec((bcd >> 24) & 0xFF) * 60 + dec((bcd >> 16) & 0xFF)) * 60 + dec((bcd >> 8) & 0xFF)) * fps +
                      dec(bcd & 0xFF) + frames;
    total %= 24LL * 3600 * fps;
    auto enc = [](long long v) { return static_cast<DWORD>((v / 10) * 16 + v % 10); };
    const long long ff = total % fps, ss = total / fps % 60, mm = total / (fps * 60) % 60, hh = total / (fps * 3600);
    return (enc(hh) << 24) | (enc(mm) << 16) | (enc(ss) << 8) | enc(ff);
  }
  DeviceDesc desc_;
  DeviceWatch watch_;
  TapeDeck deck_;
  CamcorderStream* stream_;
  long power_ = ED_POWER_ON;
};

}  // namespace

namespace {
std::atomic<bool> g_freeRunning{false};
}

void Hardware::SetFreeRunning(bool on) { g_freeRunning = on; }
bool Hardware::FreeRunning() { return g_freeRunning; }

long long FrameNumberOfPicture(const CMediaType& mt, const std::vector<BYTE>& frame) {
  const auto* vih = mt.Format<VIDEOINFOHEADER>();
  if (!vih) return -1;
  const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
  const int bpp = vih->bmiHeader.biBitCount / 8;
  if (w <= 0 || bpp <= 0 || frame.size() < static_cast<std::size_t>(w) * h * bpp) return -1;
  // Any luma-like plane reads: the code is black and white.
  const bool rgb = mt.subtype == MEDIASUBTYPE_RGB24 || mt.subtype == MEDIASUBTYPE_RGB32;
  const int offset = mt.subtype == MEDIASUBTYPE_UYVY ? 1 : 0;
  std::vector<std::uint8_t> luma(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int row = rgb ? h - 1 - y : y;
      luma[static_cast<std::size_t>(y) * w + x] = frame[(static_cast<std::size_t>(row) * w + x) * bpp + offset];
    }
  return ReadFrameCode(luma.data(), w, h, w);
}

HRESULT CreateDeviceFilter(const std::string& deviceId, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  DeviceDesc desc;
  if (!Hardware::Instance().Find(deviceId, &desc) || !desc.present) return E_DEVICE_NOT_CONNECTED;
  CBaseFilter* filter = nullptr;
  switch (desc.kind) {
    case DeviceKind::AnalogCard:
    case DeviceKind::UsbBox: filter = new CaptureFilter(desc); break;
    case DeviceKind::DvCamcorder:
    case DeviceKind::HdvCamcorder: filter = new CamcorderFilter(desc); break;
    case DeviceKind::AudioInput: filter = new AudioCaptureFilter(desc); break;
    case DeviceKind::Playback: {
      return CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
    }
  }
  return com::HandOver(filter, riid, ppv);
}

}  // namespace platform::dshow::sim
