#include "platform/dshow/firewire_capture_filter.h"

#include <atomic>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/base/clock.h"
#include "platform/base/debug_output.h"
#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/dshow/avc_tape.h"
#include "platform/dshow/camcorder_controls.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/source_filter.h"

namespace platform::dshow::firewire {

namespace {

DEFINE_GUID(CLSID_FirewireCamcorder, 0x6D1C2B80, 0x3F0E, 0x4A5B, 0x9C, 0x21, 0x5E, 0x7A, 0x10, 0x44, 0xB2, 0x30);

constexpr int kWaitMs = 100;                            // how often the streaming thread looks for a stop
constexpr std::size_t kTsChunk = sim::kTsPacket * 256;  // transport stream bytes per sample

void Report(const std::string& text) {
  std::fprintf(stderr, "vidarro: %s\n", text.c_str());
  ::OutputDebugString((text + "\n").c_str());
}

struct Arrival {
  std::vector<BYTE> data;
  std::uint32_t cycleTimer = 0;
};

// The camcorder's output: what the reception hands over, queued on the streaming thread itself
// (the reception calls back from inside Iterate), stamped from the cycle timer.
class CamcorderStream : public CSourceStream, public StreamSink, public IAMDroppedFrames {
 public:
  CamcorderStream(CBaseFilter* filter, const Camcorder& camcorder, std::function<bool()> stillThere,
                  std::function<void()> lost)
      : CSourceStream(filter, camcorder.hdv ? "MPEG2 TS Out" : "DV A/V Out"),
        camcorder_(camcorder),
        stillThere_(std::move(stillThere)),
        lost_(std::move(lost)) {
    frame_ = camcorder.hdv || !camcorder.pal ? 333667 : 400000;
    if (camcorder.hdv) {
      SetMediaTypes({MakeStreamType(MEDIASUBTYPE_MPEG2_TRANSPORT)});
    } else {
      CMediaType mt = MakeDvType();
      mt.lSampleSize = static_cast<ULONG>(FrameBytes());
      SetMediaTypes({mt});
    }
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceStream)

  void Begin(std::unique_ptr<Reception> reception) {
    reception_ = std::move(reception);
    pending_.clear();
    haveBase_ = false;
    lastArrivalMs_ = platform::CurrentClock().NowMs();
  }
  void End() { reception_.reset(); }

  REFERENCE_TIME SampleDuration() override { return frame_; }
  bool Paced() override { return false; }  // the camcorder paces
  HRESULT FillSample(MediaSample& s) override {
    if (!reception_) {
      lost_();
      return E_FAIL;
    }
    if (camcorder_.hdv) {
      while (Buffered() < kTsChunk) {
        const int r = reception_->Iterate(kWaitMs);
        if (r < 0) return Broken();
        if (r == 0) break;
      }
    } else if (pending_.empty() && reception_->Iterate(kWaitMs) < 0) {
      return Broken();
    }
    if (pending_.empty()) return Silence();
    lastArrivalMs_ = platform::CurrentClock().NowMs();
    return camcorder_.hdv ? TakeTs(s) : TakeDv(s);
  }

  void DvFrame(const std::uint8_t* data, std::size_t size, bool complete, std::uint32_t cycleTimer) override {
    if (!camcorder_.systemKnown && complete && (size == sim::kDvFramePal || size == sim::kDvFrameNtsc)) {
      camcorder_.pal = size == sim::kDvFramePal;
      camcorder_.systemKnown = true;
      frame_ = camcorder_.pal ? 400000 : 333667;
    }
    // A frame missing packets, or of the other line system, is no frame of this stream.
    if (!complete || size != FrameBytes()) {
      ++dropped_;
      ++unusable_;
      return;
    }
    pending_.push_back({std::vector<BYTE>(data, data + size), cycleTimer});
  }
  void TsPackets(const std::uint8_t* data, std::size_t size, unsigned dropped, std::uint32_t cycleTimer) override {
    dropped_ += static_cast<long>(dropped);
    const std::size_t whole = size / sim::kTsPacket * sim::kTsPacket;
    if (whole == 0) return;
    if (pending_.empty() || pending_.back().data.size() >= kTsChunk) pending_.push_back({{}, cycleTimer});
    pending_.back().data.insert(pending_.back().data.end(), data, data + whole);
  }

  STDMETHODIMP GetNumDropped(long* dropped) override { return com::CopyOut(dropped, dropped_.load()); }
  STDMETHODIMP GetNumNotDropped(long* delivered) override { return com::CopyOut(delivered, delivered_.load()); }

 protected:
  void* GetPinInterface(REFIID riid) override { return Offer<IAMDroppedFrames>(this, riid); }

 private:
  std::size_t FrameBytes() const { return camcorder_.pal ? sim::kDvFramePal : sim::kDvFrameNtsc; }
  std::size_t Buffered() const {
    std::size_t n = 0;
    for (const auto& a : pending_) n += a.data.size();
    return n;
  }
  HRESULT Broken() {
    lost_();
    return E_FAIL;
  }
  // No packets for a while: a tape at rest keeps the unit answering; a camcorder switched off
  // or unplugged does not.
  HRESULT Silence() {
    const std::uint64_t now = platform::CurrentClock().NowMs();
    if (now - lastArrivalMs_ < static_cast<std::uint64_t>(kSilenceMs)) return S_OK;
    if (!stillThere_()) return Broken();
    lastArrivalMs_ = now;
    return S_OK;
  }
  // Times run with the cycle timer from the first arrival on; a gap of more than half a frame
  // beyond the next frame's time is frames the bus lost (those that came unusable are counted).
  REFERENCE_TIME Stamp(std::uint32_t cycleTimer) {
    if (!haveBase_) {
      haveBase_ = true;
      lastCycle_ = cycleTimer;
      time_ = 0;
      return 0;
    }
    const std::int64_t delta = CycleTimerDelta(lastCycle_, cycleTimer);
    lastCycle_ = cycleTimer;
    if (!camcorder_.hdv) {
      const long missing = static_cast<long>((delta + frame_ / 2) / frame_) - 1 - unusable_;
      if (missing > 0) dropped_ += missing;
      unusable_ = 0;
    }
    time_ += delta > 0 ? delta : 1;
    return time_;
  }
  HRESULT TakeDv(MediaSample& s) {
    Arrival a = std::move(pending_.front());
    pending_.pop_front();
    s.start = Stamp(a.cycleTimer);
    s.stop = s.start + frame_;
    s.data = std::move(a.data);
    s.syncPoint = true;
    ++delivered_;
    return S_OK;
  }
  HRESULT TakeTs(MediaSample& s) {
    s.start = Stamp(pending_.front().cycleTimer);
    s.stop = s.start + frame_;
    for (auto& a : pending_) s.data.insert(s.data.end(), a.data.begin(), a.data.end());
    pending_.clear();
    ++delivered_;
    return S_OK;
  }

  Camcorder camcorder_;
  std::function<bool()> stillThere_;
  std::function<void()> lost_;
  REFERENCE_TIME frame_;
  std::unique_ptr<Reception> reception_;
  std::deque<Arrival> pending_;
  std::uint64_t lastArrivalMs_ = 0;
  bool haveBase_ = false;
  std::uint32_t lastCycle_ = 0;
  long unusable_ = 0;  // frames dropped on arrival since the last one taken
  REFERENCE_TIME time_ = 0;
  std::atomic<long> dropped_{0};
  std::atomic<long> delivered_{0};
};

class CamcorderFilter : public CSourceFilter, public CamcorderControls {
 public:
  explicit CamcorderFilter(const Camcorder& camcorder)
      : CSourceFilter(CLSID_FirewireCamcorder, camcorder.name),
        CamcorderControls(camcorder.devicePath),
        camcorder_(camcorder),
        tape_(CurrentBus(), camcorder.unit) {
    stream_ = AddPin<CamcorderStream>(
        camcorder, [this] { return !lost_.load() && tape_.Answers(); }, [this] { Lost(); });
    stream_->SetCategory(PIN_CATEGORY_CAPTURE);
  }
  DSHOW_FORWARD_IUNKNOWN(CSourceFilter)

  STDMETHODIMP put_DevicePower(long) override { return S_OK; }
  STDMETHODIMP get_DevicePower(long* mode) override { return com::CopyOut(mode, lost_ ? ED_POWER_OFF : ED_POWER_ON); }
  STDMETHODIMP GetStatus(long item, long* value) override {
    if (!value) return E_POINTER;
    if (item == ED_MEDIA_TYPE) return com::CopyOut(value, tape_.HasTape() ? ED_MEDIA_DVC : ED_MEDIA_NOT_PRESENT);
    const auto mode = tape_.Mode();
    if (!mode) return E_FAIL;
    return com::CopyOut(value, item == ED_MODE_PLAY ? (*mode == ED_MODE_PLAY ? OATRUE : OAFALSE) : *mode);
  }
  // The input signal: what the output plug sends, found when the camcorder was listed.
  STDMETHODIMP GetTransportBasicParameters(long param, long* value, LPOLESTR* text) override {
    if (text) *text = nullptr;
    if (!value) return E_POINTER;
    if (lost_) return sim::E_DEVICE_NOT_CONNECTED;
    return com::CopyOut(value, param == ED_TRANSBASIC_INPUT_SIGNAL ? InputSignal(camcorder_.hdv, camcorder_.pal) : 0);
  }
  STDMETHODIMP put_Mode(long mode) override {
    if (lost_) return sim::E_DEVICE_NOT_CONNECTED;
    return tape_.SetMode(mode) ? S_OK : E_FAIL;
  }
  STDMETHODIMP get_Mode(long* mode) override {
    if (!mode) return E_POINTER;
    const auto m = tape_.Mode();
    if (!m) return E_FAIL;
    *mode = *m;
    return S_OK;
  }
  STDMETHODIMP GetTimecode(TIMECODE_SAMPLE* sample) override {
    if (!sample) return E_POINTER;
    if (lost_) return sim::E_DEVICE_NOT_CONNECTED;
    const auto tc = tape_.Timecode();
    if (!tc) return E_FAIL;
    sample->timecode.dwFrames = *tc;
    sample->timecode.wFrameRate = static_cast<WORD>(camcorder_.pal ? 25 : 30);
    sample->dwFlags = ED_DEVCAP_TIMECODE_READ;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return OfferControls(riid); }
  void OnRun(REFERENCE_TIME start) override {
    if (stream_->IsConnected())
      stream_->Begin(
          CurrentBus().Receive(camcorder_.unit, camcorder_.hdv ? StreamKind::Mpeg2Ts : StreamKind::Dv, stream_));
    CSourceFilter::OnRun(start);
  }
  void OnPause() override {
    CSourceFilter::OnPause();
    stream_->End();
  }
  void OnStop() override {
    CSourceFilter::OnStop();
    stream_->End();
  }

 private:
  // Reported once, as the other devices do: lParam2 0.
  void Lost() {
    if (lost_.exchange(true)) return;
    Report("\"" + camcorder_.name + "\" was switched off or disconnected from the FireWire bus.");
    NotifyEvent(EC_DEVICE_LOST, reinterpret_cast<LONG_PTR>(static_cast<IUnknown*>(static_cast<CBaseFilter*>(this))), 0);
  }

  Camcorder camcorder_;
  TapeTransport tape_;
  CamcorderStream* stream_ = nullptr;
  std::atomic<bool> lost_{false};
};

}  // namespace

HRESULT CreateCaptureFilter(const Camcorder& camcorder, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return com::HandOver(new CamcorderFilter(camcorder), riid, ppv);
}

}  // namespace platform::dshow::firewire
