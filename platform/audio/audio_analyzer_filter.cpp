#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/frequency_bands.h"
#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"

namespace platform::audio {
namespace {

using dshow::MediaSample;
using dshow::TypePattern;

constexpr double kFloorDb = -80.0;

// Applies the gain when enabled; measures each channel's peak of the last sample and keeps the
// latest window of each channel for the spectrum, computed when the levels are read.
class AudioAnalyzer : public dshow::CTransformFilter,
                      public IQnAudioGain,
                      public IQnAudioLevel,
                      public IQnAudioMode,
                      public IQnAudioRecordFlags {
 public:
  AudioAnalyzer()
      : CTransformFilter(CLSID_QnAudioAnalyzer, "Audio Analyzer", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {
    for (auto& w : windows_) w.assign(kSpectrumWindow, 0.0f);
  }
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP SetGain(float gain) override {
    if (!(gain >= 0.0f) || gain > 100.0f) return E_INVALIDARG;
    gain_ = gain;
    return S_OK;
  }
  STDMETHODIMP GetGain(float* gain) override { return com::CopyOut(gain, gain_.load()); }
  STDMETHODIMP SetEnable(BYTE enable) override { return com::CopyIn(enable_, enable); }
  STDMETHODIMP GetEnable(BYTE* enable) override { return com::CopyOut(enable, enable_.load()); }
  // Bytes 0-29 the left bands, 30-59 the right, the peaks in dBFS as doubles at 64 and 72.
  STDMETHODIMP GetLevels(BYTE* record) override {
    if (!record) return E_POINTER;
    std::memset(record, 0, kLevelRecordBytes);
    std::lock_guard lock(mutex_);
    for (int c = 0; c < 2; ++c) {
      std::vector<float> ordered(kSpectrumWindow);
      for (int i = 0; i < kSpectrumWindow; ++i) ordered[i] = windows_[c][(at_ + i) % kSpectrumWindow];
      const auto bands = spectrum_.Measure(ordered, rate_);
      std::memcpy(record + c * kSpectrumBands, bands.data(), kSpectrumBands);
    }
    std::memcpy(record + 64, &levels_[0], sizeof(double));
    std::memcpy(record + 72, &levels_[1], sizeof(double));
    return S_OK;
  }
  STDMETHODIMP SetMode(int mode) override { return com::CopyIn(mode_, mode); }
  STDMETHODIMP GetMode(int* mode) override { return com::CopyOut(mode, mode_.load()); }
  STDMETHODIMP SetParameters(int, int, int) override { return S_OK; }
  STDMETHODIMP SetRecording(int on) override { return on ? Restart() : S_OK; }
  STDMETHODIMP SetReset(int on) override { return on ? Restart() : S_OK; }

  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    out = in;
    const auto* wfx = Input()->ConnectedType().Format<WAVEFORMATEX>();
    if (!wfx || wfx->wBitsPerSample != 16 || wfx->nChannels == 0) return S_OK;
    const int channels = wfx->nChannels;
    const std::size_t count = out.data.size() / 2;
    const bool apply = enable_ != 0;
    const float gain = gain_;
    int peak[2] = {0, 0};
    std::lock_guard lock(mutex_);
    rate_ = static_cast<int>(wfx->nSamplesPerSec);
    for (std::size_t i = 0; i < count; ++i) {
      std::int16_t v;
      std::memcpy(&v, &out.data[i * 2], 2);
      if (apply) {
        v = static_cast<std::int16_t>(std::clamp<long>(std::lround(v * gain), -32768, 32767));
        std::memcpy(&out.data[i * 2], &v, 2);
      }
      const int channel = static_cast<int>(i % channels);
      if (channel < 2) {
        peak[channel] = std::max(peak[channel], std::abs(static_cast<int>(v)));
        windows_[channel][at_] = v / 32768.0f;
        if (channels == 1) windows_[1][at_] = windows_[0][at_];
      }
      if (channel == channels - 1) at_ = (at_ + 1) % kSpectrumWindow;
    }
    if (channels == 1) peak[1] = peak[0];
    for (int c = 0; c < 2; ++c)
      levels_[c] = peak[c] > 0 ? std::max(20.0 * std::log10(peak[c] / 32768.0), kFloorDb) : kFloorDb;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IQnAudioGain>(this, riid)) return p;
    if (void* p = dshow::Offer<IQnAudioLevel>(this, riid)) return p;
    if (void* p = dshow::Offer<IQnAudioMode>(this, riid)) return p;
    return dshow::Offer<IQnAudioRecordFlags>(this, riid);
  }

 private:
  HRESULT Restart() {
    std::lock_guard lock(mutex_);
    for (auto& w : windows_) std::fill(w.begin(), w.end(), 0.0f);
    levels_[0] = levels_[1] = kFloorDb;
    return S_OK;
  }
  std::atomic<float> gain_{1.0f};
  std::atomic<BYTE> enable_{0};
  std::atomic<int> mode_{0};
  std::mutex mutex_;
  double levels_[2] = {kFloorDb, kFloorDb};
  std::vector<float> windows_[2];
  int at_ = 0;
  int rate_ = 48000;
  SpectrumBands spectrum_;
};

}  // namespace

HRESULT CreateAudioAnalyzer(REFIID riid, void** ppv) { return com::HandOver(new AudioAnalyzer, riid, ppv); }

}  // namespace platform::audio
