#include "platform/filters/avi_writer.h"

#include <algorithm>
#include <cstring>
#include <atomic>
#include <memory>
#include <mutex>

#include "platform/base/file.h"
#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/avi_mux_base.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/camcorder_streams.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/uuids.h"
#include "platform/dshow/writer_interfaces.h"
#include "platform/filters/avi_header_patch.h"
#include "platform/media/muxer.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
}

namespace platform::filters {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::CBaseOutputPin;
using dshow::MediaSample;
using dshow::TypePattern;

constexpr AVRational kNtscFrameTime{1001, 30000};

// A frame duration in 100 ns units as the stream's time base. Durations are rounded to
// 100 ns, so the NTSC rate is recognised and stored exactly rather than as 333667/10000000.
AVRational FrameTimeBase(REFERENCE_TIME frame) {
  if (frame >= 333666 && frame <= 333667) return kNtscFrameTime;
  AVRational t{static_cast<int>(frame), 10000000};
  av_reduce(&t.num, &t.den, t.num, t.den, 10000000);
  return t;
}

// Writes its inputs into one AVI stream on its output.
class AviMux : public dshow::CAviMuxBase {
 public:
  void Receive(CBaseInputPin* pin, const MediaSample& sample) override {
    std::lock_guard lock(mutex_);
    if (State() != State_Running || failed_) return;
    if (!muxer_ && !Open(pin, sample)) return;
    const auto it = std::find(inputs_.begin(), inputs_.end(), pin);
    if (it == inputs_.end()) return;
    const auto index = static_cast<std::size_t>(it - inputs_.begin());
    auto packet = media::MakePacket();
    if (av_new_packet(packet.get(), static_cast<int>(sample.data.size())) < 0) return;
    std::copy(sample.data.begin(), sample.data.end(), packet->data);
    const CMediaType& mt = pin->ConnectedType();
    if (mt.majortype == MEDIATYPE_Audio) {
      const auto* wfx = mt.Format<WAVEFORMATEX>();
      packet->pts = packet->dts = samples_[index];
      samples_[index] += static_cast<std::int64_t>(sample.data.size()) / std::max<int>(wfx ? wfx->nBlockAlign : 4, 1);
    } else {
      packet->pts = packet->dts = samples_[index]++;
      packet->flags |= AV_PKT_FLAG_KEY;
    }
    if (!muxer_->WritePacket(packet.get(), streams_[index], timeBases_[index])) return static_cast<void>(Fail());
    lengths_[static_cast<std::size_t>(streams_[index])] = static_cast<std::uint32_t>(samples_[index]);
    if (mt.majortype != MEDIATYPE_Audio) frames_ = std::max(frames_, static_cast<std::uint32_t>(samples_[index]));
    if (dvAudio_[index] >= 0) WriteDvAudio(index, sample);
    const std::int64_t ms = av_rescale_q(samples_[index], timeBases_[index], {1, 1000});
    if (ms - readableMs_ >= kPatchIntervalMs) {
      if (!KeepReadable()) return static_cast<void>(Fail());
      readableMs_ = ms;
    }
  }

 protected:
  // Leaving the run finishes the file, while the writer downstream still holds it open.
  void OnPause() override {
    if (State() == State_Running) Finish();
  }
  void OnStop() override { Finish(); }

 private:
  // The codec parameters of a connected input; false for a type AVI cannot carry.
  // `dvFrameBytes`: the size of a DV frame the input has delivered (0: none yet), which tells
  // the line system of a unit that did not name it before it was connected.
  static bool Describe(const CMediaType& mt, std::size_t dvFrameBytes, AVCodecParameters* p, AVRational* timeBase) {
    if (mt.majortype == MEDIATYPE_Audio) {
      const auto* wfx = mt.Format<WAVEFORMATEX>();
      if (!wfx || wfx->wBitsPerSample != 16) return false;
      p->codec_type = AVMEDIA_TYPE_AUDIO;
      p->codec_id = AV_CODEC_ID_PCM_S16LE;
      p->sample_rate = static_cast<int>(wfx->nSamplesPerSec);
      av_channel_layout_default(&p->ch_layout, wfx->nChannels);
      p->bits_per_coded_sample = 16;
      p->block_align = wfx->nBlockAlign;
      p->bit_rate = static_cast<std::int64_t>(wfx->nAvgBytesPerSec) * 8;
      *timeBase = {1, p->sample_rate};
      return true;
    }
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    const REFERENCE_TIME frame = vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : 333667;
    *timeBase = FrameTimeBase(frame);
    p->codec_type = AVMEDIA_TYPE_VIDEO;
    if (mt.subtype == MEDIASUBTYPE_dvsd || mt.majortype == MEDIATYPE_Interleaved) {
      p->codec_id = AV_CODEC_ID_DVVIDEO;
      p->width = 720;
      const std::size_t frameBytes = dvFrameBytes ? dvFrameBytes : mt.lSampleSize;
      p->height = frameBytes == dshow::sim::kDvFramePal ? 576 : 480;
      *timeBase = p->height == 576 ? AVRational{1, 25} : kNtscFrameTime;
      return true;
    }
    if (!vih) return false;
    p->codec_id = AV_CODEC_ID_RAWVIDEO;
    p->width = vih->bmiHeader.biWidth;
    p->height = std::abs(vih->bmiHeader.biHeight);
    p->bits_per_coded_sample = vih->bmiHeader.biBitCount;
    p->codec_tag = vih->bmiHeader.biCompression;
    p->format = mt.subtype == MEDIASUBTYPE_UYVY    ? AV_PIX_FMT_UYVY422
                : mt.subtype == MEDIASUBTYPE_RGB24 ? AV_PIX_FMT_BGR24
                : mt.subtype == MEDIASUBTYPE_RGB32 ? AV_PIX_FMT_BGRA
                                                   : AV_PIX_FMT_YUYV422;
    return true;
  }

  // An interleaved DV input carries its sound in the DIF frames: it goes into a PCM stream of its own.
  void WriteDvAudio(std::size_t index, const MediaSample& sample) {
    std::vector<std::int16_t> pcm;
    if (!dshow::sim::DvFrameAudio(sample.data.data(), sample.data.size(), &pcm) || pcm.empty()) return;
    auto packet = media::MakePacket();
    const int bytes = static_cast<int>(pcm.size() * 2);
    if (av_new_packet(packet.get(), bytes) < 0) return;
    std::memcpy(packet->data, pcm.data(), static_cast<std::size_t>(bytes));
    packet->pts = packet->dts = dvSamples_[index];
    dvSamples_[index] += static_cast<std::int64_t>(pcm.size() / 2);
    if (!muxer_->WritePacket(packet.get(), dvAudio_[index], {1, 48000})) Fail();
    lengths_[static_cast<std::size_t>(dvAudio_[index])] = static_cast<std::uint32_t>(dvSamples_[index]);
  }

  // Every couple of seconds the header's counts are brought up to what was written, so a file a
  // crash cuts short still tells readers how long it is.
  bool KeepReadable() {
    if (!patchable_) return true;
    avio_flush(muxer_->Context()->pb);
    if (muxer_->Failed()) return false;
    return patch_.Apply(
        [this](std::int64_t offset, const std::uint8_t* data, std::size_t size) {
          MediaSample sample;
          sample.data.assign(data, data + size);
          sample.start = offset;
          sample.stop = offset + static_cast<REFERENCE_TIME>(size);
          return output_->Deliver(sample) != E_FAIL;
        },
        lengths_, frames_, avio_tell(muxer_->Context()->pb));
  }

  bool Open(CBaseInputPin* first, const MediaSample& sample) {
    inputs_.clear();
    timeBases_.clear();
    samples_.clear();
    streams_.clear();
    dvAudio_.clear();
    dvSamples_.clear();
    std::string error;
    muxer_ = media::Muxer::Open(
        "avi", [this](const std::uint8_t* d, std::size_t n) { return Emit(d, n); },
        [this](std::int64_t offset) {
          position_ = offset;
          return true;
        },
        &error);
    if (!muxer_) return Fail();
    for (dshow::CBasePin* pin : Pins()) {
      auto* in = dynamic_cast<CBaseInputPin*>(pin);
      if (!in || !in->IsConnected()) continue;
      AVCodecParameters* p = avcodec_parameters_alloc();
      AVRational timeBase{1, 25};
      const bool dv =
          in->ConnectedType().subtype == MEDIASUBTYPE_dvsd || in->ConnectedType().majortype == MEDIATYPE_Interleaved;
      const bool described = Describe(in->ConnectedType(), dv && in == first ? sample.data.size() : 0, p, &timeBase);
      const int index = described ? muxer_->AddStream(p, timeBase) : -1;
      avcodec_parameters_free(&p);
      if (index < 0) return Fail();
      int audio = -1;
      if (in->ConnectedType().majortype == MEDIATYPE_Interleaved) {
        AVCodecParameters* a = avcodec_parameters_alloc();
        a->codec_type = AVMEDIA_TYPE_AUDIO;
        a->codec_id = AV_CODEC_ID_PCM_S16LE;
        a->sample_rate = 48000;
        av_channel_layout_default(&a->ch_layout, 2);
        a->bits_per_coded_sample = 16;
        a->block_align = 4;
        a->bit_rate = 48000 * 32;
        audio = muxer_->AddStream(a, {1, 48000});
        avcodec_parameters_free(&a);
        if (audio < 0) return Fail();
      }
      streams_.push_back(index);
      dvAudio_.push_back(audio);
      dvSamples_.push_back(0);
      inputs_.push_back(in);
      timeBases_.push_back(timeBase);
      samples_.push_back(0);
    }
    position_ = 0;
    header_.clear();
    headerDone_ = false;
    lengths_.assign(static_cast<std::size_t>(muxer_->Context()->nb_streams), 0);
    frames_ = 0;
    readableMs_ = -kPatchIntervalMs;  // the first packet brings the header up to date at once
    if (!muxer_->WriteHeader()) return Fail();
    avio_flush(muxer_->Context()->pb);
    headerDone_ = true;
    patchable_ = patch_.Locate(header_);
    header_.clear();
    return !muxer_->Failed() || Fail();
  }

  bool Emit(const std::uint8_t* data, std::size_t size) {
    if (!headerDone_) header_.append(reinterpret_cast<const char*>(data), size);
    MediaSample sample;
    sample.data.assign(data, data + size);
    sample.start = position_;
    sample.stop = position_ + static_cast<REFERENCE_TIME>(size);
    position_ = sample.stop;
    return output_->Deliver(sample) != E_FAIL;
  }

  bool Fail() {
    if (!failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
    failed_ = true;
    return false;
  }

  void Finish() {
    std::lock_guard lock(mutex_);
    if (muxer_ && !muxer_->Finish()) Fail();
    muxer_.reset();
    failed_ = false;
  }

  std::unique_ptr<media::Muxer> muxer_;
  std::vector<CBaseInputPin*> inputs_;
  std::vector<AVRational> timeBases_;
  std::vector<std::int64_t> samples_;
  std::vector<int> streams_;             // muxer stream of each input
  std::vector<int> dvAudio_;             // its DIF sound's stream, -1 for none
  std::vector<std::int64_t> dvSamples_;  // DIF sound samples written
  REFERENCE_TIME position_ = 0;
  bool failed_ = false;
  static constexpr std::int64_t kPatchIntervalMs = 2000;
  std::string header_;  // the bytes written before the first packet
  bool headerDone_ = false;
  AviHeaderPatch patch_;
  bool patchable_ = false;
  std::vector<std::uint32_t> lengths_;  // each muxer stream's length so far
  std::uint32_t frames_ = 0;
  std::int64_t readableMs_ = 0;
};

// Writes each sample at the file offset its times give. The file opens at the first pause after
// a name was set, so a new name while stopped starts a new file at the next run.
class FileWriter : public dshow::CRendererFilter, public dshow::CFileSinkBase {
 public:
  FileWriter() : CRendererFilter(CLSID_FileWriter, "File writer", {TypePattern(MEDIATYPE_Stream)}, "in") {}
  DSHOW_FORWARD_IUNKNOWN(CRendererFilter)

  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override {
    const HRESULT hr = CFileSinkBase::SetFileName(file, mt);
    if (SUCCEEDED(hr)) changed_ = true;
    return hr;
  }
  STDMETHODIMP Pause() override {
    if (State() == State_Stopped && changed_ && !FileName().empty()) {
      std::lock_guard lock(mutex_);
      if (!file_.Open(FileName(), FileMode::Create)) return E_FAIL;
      changed_ = false;
      failed_ = false;
    }
    return CRendererFilter::Pause();
  }
  void Receive(CBaseInputPin* pin, const MediaSample& sample) override {
    {
      std::lock_guard lock(mutex_);
      if (!file_.IsOpen() || failed_) return;
      if (!file_.Seek(sample.start, SeekFrom::Begin) || !file_.Write(sample.data.data(), sample.data.size())) {
        failed_ = true;
        NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
        return;
      }
    }
    CRendererFilter::Receive(pin, sample);
  }

 protected:
  void* GetFilterInterface(REFIID riid) override { return dshow::Offer<IFileSinkFilter2>(this, riid); }
  void OnStop() override {
    CRendererFilter::OnStop();
    std::lock_guard lock(mutex_);
    if (file_.IsOpen() && !file_.Close() && !failed_) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  }

 private:
  std::mutex mutex_;
  platform::File file_;
  bool changed_ = false;
  bool failed_ = false;
};

}  // namespace

HRESULT CreateAviMux(REFIID riid, void** ppv) { return com::HandOver(new AviMux, riid, ppv); }
HRESULT CreateFileWriter(REFIID riid, void** ppv) { return com::HandOver(new FileWriter, riid, ppv); }

}  // namespace platform::filters
