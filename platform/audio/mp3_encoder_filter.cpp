#include <atomic>
#include <memory>
#include <mutex>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/media/encoder.h"
#include "platform/media/resampler.h"

namespace platform::audio {
namespace {

using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

// 16-bit PCM in, MPEG layer 3 frames out (libmp3lame through libavcodec), one sample a frame.
class Mp3Encoder : public dshow::CTransformFilter, public IQnMp3Encoder {
 public:
  Mp3Encoder()
      : CTransformFilter(CLSID_QnMp3Encoder, "MP3 Encoder", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {}
  DSHOW_FORWARD_IUNKNOWN(CTransformFilter)

  std::vector<CMediaType> OutputTypes(const CMediaType& input) override {
    const auto* wfx = input.Format<WAVEFORMATEX>();
    CMediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_MP3;
    WAVEFORMATEX out{};
    out.wFormatTag = 0x55;
    out.nChannels = wfx ? wfx->nChannels : 2;
    out.nSamplesPerSec = static_cast<DWORD>(rate_.load());
    out.nAvgBytesPerSec = static_cast<DWORD>(bitRate_.load() * 1000 / 8);
    out.nBlockAlign = 1;
    mt.SetFormat(FORMAT_WaveFormatEx, out);
    return {mt};
  }

  void Receive(CBaseInputPin*, const MediaSample& sample) override {
    const auto* wfx = Input()->ConnectedType().Format<WAVEFORMATEX>();
    if (State() != State_Running || !wfx || wfx->wBitsPerSample != 16 || wfx->nChannels == 0) return;
    std::lock_guard lock(mutex_);
    if (failed_) return;
    if (!encoder_ && !Open(*wfx)) return Fail();
    const int in = static_cast<int>(sample.data.size() / (2 * wfx->nChannels));
    auto converted = media::MakeAudioFrame(encoder_->SampleFormat(), channels_, rate_, resampler_->OutputRoom(in));
    const std::uint8_t* planes[1] = {sample.data.data()};
    const int made = resampler_->Convert(planes, in, converted->data, converted->nb_samples);
    if (made < 0 || !queue_->Push(converted->data, made)) return Fail();
    while (queue_->Size() >= frame_->nb_samples) {
      if (!queue_->Pop(frame_.get())) return Fail();
      if (!EncodeFrame(frame_.get())) return Fail();
    }
  }
  void EndOfStream(CBaseInputPin*) override {
    {
      std::lock_guard lock(mutex_);
      Flush();
    }
    Output()->DeliverEndOfStream();
  }

  STDMETHODIMP GetChannelMode(int* v) override { return com::CopyOut(v, channelMode_.load()); }
  STDMETHODIMP SetChannelMode(int v) override { return com::CopyIn(channelMode_, v); }
  STDMETHODIMP GetBitRate(int* v) override { return com::CopyOut(v, bitRate_.load()); }
  STDMETHODIMP SetBitRate(int kbps) override {
    if (kbps < 32 || kbps > 320) return E_INVALIDARG;
    return com::CopyIn(bitRate_, kbps);
  }
  STDMETHODIMP GetQuality(int* v) override { return com::CopyOut(v, quality_.load()); }
  STDMETHODIMP SetQuality(int v) override { return com::CopyIn(quality_, v); }
  STDMETHODIMP GetCrc(int* v) override { return com::CopyOut(v, 0); }
  STDMETHODIMP SetCrc(int) override { return S_OK; }
  STDMETHODIMP GetCopyright(int* v) override { return com::CopyOut(v, 0); }
  STDMETHODIMP SetCopyright(int) override { return S_OK; }
  STDMETHODIMP GetOriginal(int* v) override { return com::CopyOut(v, 1); }
  STDMETHODIMP SetOriginal(int) override { return S_OK; }
  STDMETHODIMP GetVbrQuality(int* v) override { return com::CopyOut(v, 4); }
  STDMETHODIMP SetVbrQuality(int) override { return S_OK; }
  STDMETHODIMP GetMinBitRate(int* v) override { return com::CopyOut(v, 32); }
  STDMETHODIMP SetMinBitRate(int) override { return S_OK; }
  STDMETHODIMP GetSampleRate(int* v) override { return com::CopyOut(v, rate_.load()); }
  STDMETHODIMP SetSampleRate(int hz) override {
    if (hz != 32000 && hz != 44100 && hz != 48000) return E_INVALIDARG;
    return com::CopyIn(rate_, hz);
  }
  STDMETHODIMP GetVariableRate(int* v) override { return com::CopyOut(v, 0); }
  STDMETHODIMP SetVariableRate(int on) override { return on ? E_NOTIMPL : S_OK; }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IQnMp3Encoder>(this, riid); }
  void OnStop() override {
    std::lock_guard lock(mutex_);
    Flush();
    encoder_.reset();
    resampler_.reset();
    queue_.reset();
    frame_.reset();
    failed_ = false;
  }

 private:
  bool Open(const WAVEFORMATEX& wfx) {
    media::AudioSettings a;
    a.codec = "libmp3lame";
    a.sampleRate = rate_;
    a.channels = channels_ = wfx.nChannels == 1 ? 1 : 2;
    a.bitRate = bitRate_ * 1000LL;
    std::string error;
    encoder_ = media::Encoder::OpenAudio(a, &error);
    if (!encoder_) return false;
    resampler_ = media::Resampler::Open(AV_SAMPLE_FMT_S16, wfx.nChannels, static_cast<int>(wfx.nSamplesPerSec),
                                        encoder_->SampleFormat(), channels_, rate_);
    if (!resampler_) return false;
    queue_ = std::make_unique<media::SampleQueue>(encoder_->SampleFormat(), channels_);
    frame_ = media::MakeAudioFrame(encoder_->SampleFormat(), channels_, rate_, std::max(encoder_->FrameSamples(), 1));
    pts_ = 0;
    flushed_ = false;
    return true;
  }
  bool EncodeFrame(AVFrame* frame) {
    if (frame) {
      frame->pts = pts_;
      pts_ += frame->nb_samples;
    }
    return encoder_->Encode(frame, [this](AVPacket* p) {
      MediaSample out;
      out.data.assign(p->data, p->data + p->size);
      out.start = p->pts * 10'000'000LL / rate_;
      out.stop = out.start + p->duration * 10'000'000LL / rate_;
      return SUCCEEDED(Output()->Deliver(out));
    });
  }
  void Flush() {
    if (!encoder_ || failed_ || flushed_) return;
    flushed_ = true;
    // What is left in the queue goes out as a short last frame.
    const int left = queue_->Size();
    if (left > 0) {
      auto tail = media::MakeAudioFrame(encoder_->SampleFormat(), channels_, rate_, left);
      if (queue_->Pop(tail.get())) EncodeFrame(tail.get());
    }
    EncodeFrame(nullptr);
  }
  void Fail() {
    failed_ = true;
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  }

  std::atomic<int> bitRate_{192};
  std::atomic<int> rate_{48000};
  std::atomic<int> channelMode_{0};
  std::atomic<int> quality_{2};
  std::mutex mutex_;
  std::unique_ptr<media::Encoder> encoder_;
  std::unique_ptr<media::Resampler> resampler_;
  std::unique_ptr<media::SampleQueue> queue_;
  media::FramePtr frame_;
  std::int64_t pts_ = 0;
  int channels_ = 2;
  bool failed_ = false;
  bool flushed_ = false;
};

}  // namespace

HRESULT CreateMp3Encoder(REFIID riid, void** ppv) { return com::HandOver(new Mp3Encoder, riid, ppv); }

}  // namespace platform::audio
