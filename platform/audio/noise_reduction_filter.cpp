#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/audio/downward_expander.h"
#include "platform/com/out_param.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"

namespace platform::audio {
namespace {

using dshow::MediaSample;
using dshow::TypePattern;

constexpr float kMaxAmountDb = 60.0f;

// Disabled, the samples pass untouched; enabled, 16-bit PCM goes through the expander.
class NoiseReduction : public dshow::CTransformFilter, public IQnNoiseReduction {
 public:
  NoiseReduction()
      : CTransformFilter(CLSID_QnNoiseReduction, "Noise Reduction", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)
  STDMETHODIMP GetAmount(float* amount) override { return com::CopyOut(amount, amount_.load()); }
  STDMETHODIMP GetEnabled(BYTE* enabled) override { return com::CopyOut(enabled, enabled_.load()); }
  STDMETHODIMP SetAmount(float amount) override {
    if (!(amount >= 0.0f) || amount > kMaxAmountDb) return E_INVALIDARG;
    amount_ = amount;
    return S_OK;
  }
  STDMETHODIMP GetThreshold(float* dbfs) override {
    return com::CopyOut(dbfs, static_cast<float>(DownwardExpander::kThresholdDb));
  }
  STDMETHODIMP SetEnabled(BYTE enabled) override { return com::CopyIn(enabled_, enabled); }

  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    out = in;
    if (!enabled_) return S_OK;
    const auto* wfx = Input()->ConnectedType().Format<WAVEFORMATEX>();
    if (!wfx || wfx->wBitsPerSample != 16 || wfx->nChannels == 0) return S_OK;
    std::lock_guard lock(mutex_);
    if (rate_ != wfx->nSamplesPerSec || channels_ != wfx->nChannels) {
      rate_ = wfx->nSamplesPerSec, channels_ = wfx->nChannels;
      expander_.Configure(static_cast<int>(rate_), channels_);
    }
    expander_.SetAmount(amount_);
    samples_.resize(out.data.size() / 2);
    std::memcpy(samples_.data(), out.data.data(), samples_.size() * 2);
    expander_.Process(samples_);
    std::memcpy(out.data.data(), samples_.data(), samples_.size() * 2);
    return S_OK;
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnNoiseReduction>(this, riid); }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    rate_ = 0;  // a fresh run starts with a fresh envelope
  }

 private:
  std::atomic<float> amount_{15.0f};
  std::atomic<BYTE> enabled_{0};
  std::mutex mutex_;
  DownwardExpander expander_;
  DWORD rate_ = 0;
  int channels_ = 0;
  std::vector<std::int16_t> samples_;
};

}  // namespace

HRESULT CreateNoiseReduction(REFIID riid, void** ppv) { return com::HandOver(new NoiseReduction, riid, ppv); }

}  // namespace platform::audio
