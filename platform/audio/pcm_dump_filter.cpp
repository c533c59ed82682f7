#include <atomic>
#include <functional>
#include <mutex>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/wav_file_writer.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/base_pin.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/uuids.h"

namespace platform::audio {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

// Takes 16- or 8-bit PCM; once its owner set a format, only that one, so that intelligent
// connect puts a decoder offering it in front.
class PcmDumpInput : public dshow::CPatternInputPin {
 public:
  PcmDumpInput(CBaseFilter* filter, std::function<bool(const WAVEFORMATEX&)> accepts)
      : CPatternInputPin(filter, "Input", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}),
        accepts_(std::move(accepts)) {}
  HRESULT CheckMediaType(const CMediaType& mt) override {
    if (FAILED(CPatternInputPin::CheckMediaType(mt))) return VFW_E_TYPE_NOT_ACCEPTED;
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    return !wfx || accepts_(*wfx) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }

 private:
  std::function<bool(const WAVEFORMATEX&)> accepts_;
};

// Writes what reaches its input into a WAV file, opened when the graph leaves the stopped state
// and completed when it returns there.
class PcmDump : public CBaseFilter, public dshow::CFileSinkBase, public IQnPcmFormat, public IQnPcmWriter {
 public:
  PcmDump() : CBaseFilter(CLSID_QnPcmDump, "Qn PCM Dump Filter") {
    input_ = AddPin<PcmDumpInput>([this](const WAVEFORMATEX& wfx) { return Accepts(wfx); });
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsRenderer() const override { return true; }

  STDMETHODIMP Pause() override {
    if (State() == State_Stopped) {
      std::lock_guard lock(mutex_);
      result_ = 0;
      if (!FileName().empty()) {
        int channels = channels_, rate = rate_, bits = bits_;
        if (const auto* wfx = input_->ConnectedType().Format<WAVEFORMATEX>()) {
          channels = wfx->nChannels, rate = static_cast<int>(wfx->nSamplesPerSec), bits = wfx->wBitsPerSample;
        }
        if (!writer_.Open(FileName(), channels, rate, bits)) return E_FAIL;
      }
    }
    return CBaseFilter::Pause();
  }
  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    if (State() != State_Running) return;
    std::lock_guard lock(mutex_);
    if (!writer_.IsOpen() || failed_) return;
    if (!writer_.Write(sample.data.data(), sample.data.size())) {
      failed_ = true;
      NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    }
  }
  void EndOfStream(CBaseInputPin*) override { NotifyEvent(EC_COMPLETE, S_OK, 0); }

  STDMETHODIMP SetFormat(int channels, int sampleRate, int bitsPerSample) override {
    if (channels < 1 || channels > 8 || sampleRate < 1 || (bitsPerSample != 8 && bitsPerSample != 16))
      return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    channels_ = channels, rate_ = sampleRate, bits_ = bitsPerSample;
    formatSet_ = true;
    return S_OK;
  }
  STDMETHODIMP GetFormat(int* channels, int* sampleRate, int* bitsPerSample) override {
    if (!channels || !sampleRate || !bitsPerSample) return E_POINTER;
    std::lock_guard lock(mutex_);
    *channels = channels_, *sampleRate = rate_, *bitsPerSample = bits_;
    return S_OK;
  }
  STDMETHODIMP GetBytesWritten(int* bytes) override {
    std::lock_guard lock(mutex_);
    const std::uint64_t n = writer_.IsOpen() ? writer_.DataBytes() : lastBytes_;
    return com::CopyOut(bytes, static_cast<int>(std::min<std::uint64_t>(n, 0x7FFFFFFF)));
  }
  STDMETHODIMP SetFlag(int flag) override { return com::CopyIn(flag_, flag); }
  STDMETHODIMP GetFlag(int* flag) override { return com::CopyOut(flag, flag_.load()); }
  STDMETHODIMP SetParameter(int value) override { return com::CopyIn(parameter_, value); }
  STDMETHODIMP GetParameter(int* value) override { return com::CopyOut(value, parameter_.load()); }
  STDMETHODIMP GetResult(int* result) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(result, result_);
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    if (void* p = dshow::Offer<IQnPcmFormat>(this, riid)) return p;
    return dshow::Offer<IQnPcmWriter>(this, riid);
  }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    if (!writer_.IsOpen()) return;
    lastBytes_ = writer_.DataBytes();
    result_ = writer_.Finish() && !failed_ ? 1 : 0;
    failed_ = false;
  }

 private:
  bool Accepts(const WAVEFORMATEX& wfx) {
    std::lock_guard lock(mutex_);
    return !formatSet_ ||
           (wfx.nChannels == channels_ && static_cast<int>(wfx.nSamplesPerSec) == rate_ && wfx.wBitsPerSample == bits_);
  }

  std::mutex mutex_;
  CBaseInputPin* input_;
  bool formatSet_ = false;
  WavFileWriter writer_;
  int channels_ = 2, rate_ = 44100, bits_ = 16;
  std::uint64_t lastBytes_ = 0;
  int result_ = 0;
  bool failed_ = false;
  std::atomic<int> flag_{0};
  std::atomic<int> parameter_{0};
};

}  // namespace

HRESULT CreatePcmDump(REFIID riid, void** ppv) { return com::HandOver(new PcmDump, riid, ppv); }

}  // namespace platform::audio
