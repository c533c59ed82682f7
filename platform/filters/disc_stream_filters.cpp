// "LPCM Encoder" (16-bit PCM to the big-endian samples of Blu-ray LPCM) and "MPEG2 Multiplexer"
// (the camcorder's MPEG-2 video and MPEG audio copied into an MPEG-2 program stream, libavformat
// "vob", handed on in whole packs).
#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/transform_filter.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/hdv_filters.h"
#include "platform/filters/hdv_interfaces.h"
#include "platform/media/muxer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace platform::filters {
namespace {

using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

class LpcmEncoder : public dshow::CTransformFilter {
 public:
  LpcmEncoder()
      : CTransformFilter(CLSID_QnLpcmEncoder, "LPCM Encoder", {TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_PCM)}) {}
  HRESULT CheckInputType(const CMediaType& mt) override {
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    return wfx && wfx->wBitsPerSample == 16 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  std::vector<CMediaType> OutputTypes(const CMediaType& in) override {
    CMediaType out = in;
    out.subtype = MEDIASUBTYPE_BD_LPCM_AUDIO;
    return {out};
  }
  HRESULT Transform(const MediaSample& in, MediaSample& out) override {
    out = in;
    for (std::size_t i = 0; i + 1 < out.data.size(); i += 2) std::swap(out.data[i], out.data[i + 1]);
    return S_OK;
  }
};

class Mpeg2Multiplexer : public dshow::CBaseFilter {
 public:
  Mpeg2Multiplexer() : CBaseFilter(CLSID_QnMpeg2Multiplexer, "MPEG2 Multiplexer") {
    video_ = AddPin<dshow::CPatternInputPin>(
        "Video", std::vector<CMediaType>{TypePattern(MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO)});
    audio_ = AddPin<dshow::CPatternInputPin>(
        "Audio", std::vector<CMediaType>{TypePattern(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG2_AUDIO)});
    output_ = AddPin<Out>("Output");
  }
  void Receive(CBaseInputPin* pin, const MediaSample& s) override {
    std::lock_guard lock(mutex_);
    if (failed_ || s.data.empty()) return;
    if (!muxer_ && !Open()) return;
    const bool video = pin == video_;
    auto packet = media::MakePacket();
    if (av_new_packet(packet.get(), static_cast<int>(s.data.size())) < 0) return;
    std::memcpy(packet->data, s.data.data(), s.data.size());
    if (base_ < 0 && s.start >= 0) base_ = s.start;
    // The stream's own times, a little in so that decode times before the first PTS stay positive.
    const auto at = [&](REFERENCE_TIME t) { return t < 0 ? AV_NOPTS_VALUE : t - base_ + UNITS / 2; };
    packet->pts = at(s.start);
    packet->dts = video ? at(s.decode >= 0 ? s.decode : s.start) : packet->pts;
    if (video && s.data.size() >= 4 && s.data[3] == 0xB3) packet->flags |= AV_PKT_FLAG_KEY;
    if (!muxer_->WritePacket(packet.get(), video ? 0 : 1, {1, static_cast<int>(UNITS)})) Fail();
  }
  void EndOfStream(CBaseInputPin*) override {}

 protected:
  void OnStop() override {
    std::lock_guard lock(mutex_);
    if (muxer_ && !muxer_->Finish()) Fail();
    muxer_.reset();
    base_ = -1;
    failed_ = false;
  }

 private:
  class Out : public dshow::CBaseOutputPin {
   public:
    using CBaseOutputPin::CBaseOutputPin;
    std::vector<CMediaType> GetMediaTypes() override { return {dshow::MakeStreamType(MEDIASUBTYPE_MPEG2_PROGRAM)}; }
  };
  bool Open() {
    muxer_ = media::Muxer::Open(
        "vob",
        [this](const std::uint8_t* d, std::size_t n) {
          MediaSample s;
          s.data.assign(d, d + n);
          return output_->Deliver(s) != E_FAIL;
        },
        nullptr, nullptr);
    if (!muxer_) return Fail(), false;
    AVCodecParameters* v = avcodec_parameters_alloc();
    v->codec_type = AVMEDIA_TYPE_VIDEO;
    v->codec_id = AV_CODEC_ID_MPEG2VIDEO;
    v->width = 1440;
    v->height = 1080;
    v->bit_rate = 25000000;
    AVCodecParameters* a = avcodec_parameters_alloc();
    a->codec_type = AVMEDIA_TYPE_AUDIO;
    a->codec_id = AV_CODEC_ID_MP2;
    a->sample_rate = 48000;
    a->bit_rate = 384000;
    av_channel_layout_default(&a->ch_layout, 2);
    const bool ok = muxer_->AddStream(v, {1, 90000}) == 0 && muxer_->AddStream(a, {1, 90000}) == 1 &&
                    muxer_->WriteHeader({{"muxrate", "30000000"}});
    avcodec_parameters_free(&v);
    avcodec_parameters_free(&a);
    if (!ok) return Fail(), false;
    return true;
  }
  void Fail() {
    if (!failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    failed_ = true;
  }
  std::mutex mutex_;
  CBaseInputPin* video_;
  CBaseInputPin* audio_;
  dshow::CBaseOutputPin* output_;
  std::unique_ptr<media::Muxer> muxer_;
  REFERENCE_TIME base_ = -1;
  bool failed_ = false;
};

}  // namespace

HRESULT CreateLpcmEncoder(REFIID riid, void** ppv) { return com::HandOver(new LpcmEncoder, riid, ppv); }
HRESULT CreateMpeg2Multiplexer(REFIID riid, void** ppv) { return com::HandOver(new Mpeg2Multiplexer, riid, ppv); }

}  // namespace platform::filters
