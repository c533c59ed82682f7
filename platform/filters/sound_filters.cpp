#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/filters/small_filters.h"

namespace platform::filters {
namespace {

using dshow::CTransformFilter;
using dshow::MediaSample;
using dshow::TypePattern;

constexpr double kFloorDb = -80.0;

// Applies the gain when enabled and measures each channel's peak of the last sample.
class AudioAnalyzer : public CTransformFilter, public IQnAudioGain, public IQnAudioLevel {
 public:
  AudioAnalyzer()
      : CTransformFilter(CLSID_QnAudioAnalyzer, "Audio Analyzer", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP SetGain(float gain) override {
    if (!(gain >= 0.0f) || gain > 100.0f) return E_INVALIDARG;
    gain_ = gain;
    return S_OK;
  }
  STDMETHODIMP GetGain(float* gain) override { return com::CopyOut(gain, gain_.load()); }
  STDMETHODIMP SetEnable(BYTE enable) override { return com::CopyIn(enable_, enable); }
  STDMETHODIMP GetEnable(BYTE* enable) override { return com::CopyOut(enable, enable_.load()); }
  STDMETHODIMP GetLevels(BYTE* record) override {
    if (!record) return E_POINTER;
    std::memset(record, 0, kLevelRecordBytes);
    std::lock_guard lock(mutex_);
    std::memcpy(record + 64, &levels_[0], sizeof(double));
    std::memcpy(record + 72, &levels_[1], sizeof(double));
    return S_OK;
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    out = in;
    const auto* wfx = Input()->ConnectedType().Format<WAVEFORMATEX>();
    if (!wfx || wfx->wBitsPerSample != 16 || wfx->nChannels == 0) return S_OK;
    const int channels = wfx->nChannels;
    const std::size_t count = out.data.size() / 2;
    const bool apply = enable_ != 0;
    const float gain = gain_;
    int peak[2] = {0, 0};
    for (std::size_t i = 0; i < count; ++i) {
      std::int16_t v;
      std::memcpy(&v, &out.data[i * 2], 2);
      if (apply) {
        v = static_cast<std::int16_t>(std::clamp<long>(std::lround(v * gain), -32768, 32767));
        std::memcpy(&out.data[i * 2], &v, 2);
      }
      const int channel = std::min<int>(static_cast<int>(i % channels), 1);
      peak[channel] = std::max(peak[channel], std::abs(static_cast<int>(v)));
    }
    if (channels == 1) peak[1] = peak[0];
    std::lock_guard lock(mutex_);
    for (int c = 0; c < 2; ++c)
      levels_[c] = peak[c] > 0 ? std::max(20.0 * std::log10(peak[c] / 32768.0), kFloorDb) : kFloorDb;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IQnAudioGain>(this, riid)) return p;
    return dshow::Offer<IQnAudioLevel>(this, riid);
  }

 private:
  std::atomic<float> gain_{1.0f};
  std::atomic<BYTE> enable_{0};
  std::mutex mutex_;
  double levels_[2] = {kFloorDb, kFloorDb};
};

// Moves every sample in time; what would start before zero is dropped.
class TimeOffset : public CTransformFilter, public IQnTimeOffset {
 public:
  TimeOffset() : CTransformFilter(CLSID_QnTimeOffset, "TimeOffset", {}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP SetOffset(LONGLONG offset) override {
    offset_ = offset;
    return S_OK;
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    const LONGLONG offset = offset_;
    if (in.start + offset < 0) return S_FALSE;
    out = in;
    out.start += offset;
    out.stop += offset;
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnTimeOffset>(this, riid); }

 private:
  std::atomic<LONGLONG> offset_{0};
};

}  // namespace

HRESULT CreateAudioAnalyzer(REFIID riid, void** ppv) { return com::HandOver(new AudioAnalyzer, riid, ppv); }
HRESULT CreateTimeOffset(REFIID riid, void** ppv) { return com::HandOver(new TimeOffset, riid, ppv); }

}  // namespace platform::filters
