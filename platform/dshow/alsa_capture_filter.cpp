#include "platform/dshow/alsa_capture_filter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/com/class_table.h"
#include "platform/com/hresult.h"
#include "platform/com/out_param.h"
#include "platform/com/property_frame.h"
#include "platform/dshow/alsa_capture.h"
#include "platform/dshow/analog_companions.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/configurable_pin.h"
#include "platform/dshow/device_problem.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sound_input.h"
#include "platform/dshow/uuids.h"

namespace platform::dshow::alsa {

namespace {

DEFINE_GUID(CLSID_AlsaCaptureDevice, 0x6D1C2B81, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x11);

constexpr DWORD kErrorBusy = 170;  // ERROR_BUSY
constexpr int kWaitMs = 100;       // how long a read waits before the stream looks for a stop

void Report(const std::string& text) {
  std::fprintf(stderr, "vidarro: %s\n", text.c_str());
  ::OutputDebugString((text + "\n").c_str());
}

class CaptureStream : public ConfigurablePin {
 public:
  CaptureStream(CBaseFilter* filter, Capture* capture, std::function<void(int)> lost)
      : ConfigurablePin(filter, "Capture", Caps(), true), capture_(capture), lost_(std::move(lost)) {}
  static std::vector<CMediaType> Caps() {
    return {MakeAudioType(2, 48000, 16), MakeAudioType(2, 44100, 16), MakeAudioType(1, 48000, 16),
            MakeAudioType(1, 44100, 16)};
  }
  const WAVEFORMATEX& Format() {
    format_ = Current();
    return *format_.Format<WAVEFORMATEX>();
  }
  void BeginStream(REFERENCE_TIME runTime) {
    delivered_ = 0;
    runTime_ = runTime;
    lastStart_ = -1;
  }

  bool Paced() override { return false; }  // the card paces
  REFERENCE_TIME SampleDuration() override {
    return capture_->PeriodFrames() > 0 && format_.Format<WAVEFORMATEX>()
               ? UNITS * capture_->PeriodFrames() / format_.Format<WAVEFORMATEX>()->nSamplesPerSec
               : UNITS / 50;
  }
  HRESULT FillSample(MediaSample& s) override {
    const int frames = capture_->Read(&samples_, kWaitMs);
    if (frames < 0) {
      lost_(frames);
      return E_FAIL;
    }
    if (frames == 0) return S_OK;
    const DWORD rate = format_.Format<WAVEFORMATEX>()->nSamplesPerSec;
    s.data.assign(reinterpret_cast<const BYTE*>(samples_.data()),
                  reinterpret_cast<const BYTE*>(samples_.data() + samples_.size()));
    // When the card captured them, against the graph's run time (the picture is timed so too):
    // a card whose clock runs fast or slow shows it, and the writer keeps the two in step.
    // Under a test's clock the card's stamps mean nothing: the frames count.
    REFERENCE_TIME start = delivered_ * UNITS / rate;
    if (!dynamic_cast<platform::ManualClock*>(&platform::CurrentClock()))
      start = std::max<REFERENCE_TIME>(capture_->LastStartUs() * 10 - runTime_, 0);
    if (start <= lastStart_) start = lastStart_ + 1;
    lastStart_ = start;
    delivered_ += frames;
    s.start = start;
    s.stop = start + static_cast<REFERENCE_TIME>(frames) * UNITS / rate;
    return S_OK;
  }

 private:
  Capture* capture_;
  std::function<void(int)> lost_;
  CMediaType format_ = MakeAudioType(2, 48000, 16);
  std::vector<std::int16_t> samples_;
  long long delivered_ = 0;
  REFERENCE_TIME runTime_ = 0;
  REFERENCE_TIME lastStart_ = -1;
};

class CaptureFilter : public CSourceFilter, public ISpecifyPropertyPages, public IVidarroSoundInput {
 public:
  explicit CaptureFilter(const Input& input) : CSourceFilter(CLSID_AlsaCaptureDevice, input.name), input_(input) {
    stream_ = AddPin<CaptureStream>(&capture_, [this](int error) { Lost(error); });
    stream_->SetCategory(PIN_CATEGORY_CAPTURE);
  }
  ~CaptureFilter() override { StopStreams(); }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)

  STDMETHODIMP Pause() override {
    if (State() == State_Stopped && stream_->IsConnected()) {
      const WAVEFORMATEX& wfx = stream_->Format();
      const int error = capture_.Open(input_.pcm, static_cast<int>(wfx.nSamplesPerSec), wfx.nChannels);
      if (error == -EBUSY) {
        ReportDeviceProblem("\"" + input_.name + "\" (" + input_.pcm +
                            ") is in use by another program. Close the program that uses it and try again.");
        return HRESULT_FROM_WIN32(kErrorBusy);
      }
      if (error < 0) {
        Report("\"" + input_.name + "\" (" + input_.pcm + ") cannot record: " + std::strerror(-error));
        return error == -EINVAL ? VFW_E_INVALIDMEDIATYPE : sim::E_DEVICE_NOT_CONNECTED;
      }
      lost_ = false;
    }
    return CSourceFilter::Pause();
  }
  STDMETHODIMP GetPages(CAUUID* pages) override { return PropertyPages({CLSID_AudioStreamConfigPropertyPage}, pages); }
  STDMETHODIMP GetPcmName(char* name, int size) override {
    if (!name || size <= 0) return E_POINTER;
    std::snprintf(name, static_cast<std::size_t>(size), "%s", input_.pcm.c_str());
    return S_OK;
  }
  long Overruns() const { return capture_.Overruns(); }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IVidarroSoundInput>(this, riid)) return p;
    return Offer<ISpecifyPropertyPages>(this, riid);
  }
  void OnRun(REFERENCE_TIME start) override {
    // Paused time is no gap in the recording: reading begins afresh.
    if (capture_.IsOpen() && capture_.Restart() < 0) Lost(-ENODEV);
    stream_->BeginStream(start > 0 ? start : static_cast<REFERENCE_TIME>(platform::CurrentClock().NowUs()) * 10);
    CSourceFilter::OnRun(start);
  }
  void OnStop() override {
    CSourceFilter::OnStop();
    capture_.Close();
  }

 private:
  void Lost(int error) {
    if (lost_.exchange(true)) return;
    Report("\"" + input_.name + "\" (" + input_.pcm + ") stopped recording: " + std::strerror(-error));
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(static_cast<CBaseFilter*>(this))), 0);
  }

  Input input_;
  Capture capture_;
  CaptureStream* stream_ = nullptr;
  std::atomic<bool> lost_{false};
};

}  // namespace

HRESULT CreateCaptureFilter(const Input& input, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return com::HandOver(new CaptureFilter(input), riid, ppv);
}

long OverrunsOf(IBaseFilter* filter) {
  auto* f = dynamic_cast<CaptureFilter*>(filter);
  return f ? f->Overruns() : -1;
}

}  // namespace platform::dshow::alsa
