#include "platform/dshow/file_source.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/base/clock.h"
#include "platform/base/strings.h"
#include "platform/com/out_param.h"
#include "platform/dshow/codes.h"
#include "platform/media/av_types.h"
#include "platform/registry/registry.h"

namespace platform::dshow {

namespace {

// The head of the FORMAT_CodecParameters block; the codec's extra data follows it.
struct CodecBlock {
  std::int32_t codecType;
  std::int32_t codecId;
  std::uint32_t codecTag;
  std::int32_t format;
  std::int64_t bitRate;
  std::int32_t bitsPerCodedSample;
  std::int32_t width, height;
  std::int32_t sampleAspectNum, sampleAspectDen;
  std::int32_t channels, sampleRate, blockAlign, frameSize;
  std::int32_t frameRateNum, frameRateDen;
  std::int32_t profile, level, videoDelay, fieldOrder;
  std::int32_t colorRange, colorSpace, colorPrimaries, colorTrc, chromaLocation;
  std::int32_t extraSize;
};

const GUID kCompressedFamily = {0, 0x3B2D, 0x4E6F, {0x9A, 0x41, 0x63, 0x6F, 0x64, 0x65, 0x63, 0x00}};

// Preroll gives up waiting for a picture after this many video packets (a decoder that never
// yields one).
constexpr int kPrerollPacketLimit = 300;
// How long Pause waits for the preroll: a decoder stuck on a broken file must not hang the caller.
constexpr auto kPrerollWait = std::chrono::seconds(10);

struct FormatClose {
  void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatClose>;

bool IsPictureStream(const AVStream& st) {
  return st.codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !(st.disposition & AV_DISPOSITION_ATTACHED_PIC);
}

// Whether every video stream has the size and picture format its decoder's output is made from.
bool PicturesDescribed(const AVFormatContext& ctx) {
  for (unsigned i = 0; i < ctx.nb_streams; ++i) {
    const AVCodecParameters& par = *ctx.streams[i]->codecpar;
    if (IsPictureStream(*ctx.streams[i]) && (par.width <= 0 || par.height <= 0 || par.format < 0)) return false;
  }
  return true;
}

// Whether the file starts with transport packets, of 188 bytes or of 192 with their arrival stamp.
bool StartsWithTransportPackets(const std::string& path) {
  unsigned char head[3 * 192 + 1] = {};
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  const std::size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  const auto synced = [&](std::size_t first, std::size_t size) {
    for (std::size_t at = first; at < first + 3 * size; at += size)
      if (at >= got || head[at] != 0x47) return false;
    return true;
  };
  return synced(0, 188) || synced(4, 192);
}

// A transport stream named as one is opened as one: probing runs every demuxer's test over growing
// heads of the file, a third of a transport stream's load. A file that does not start with
// transport packets, or whose program table is not found, is probed as any other.
FormatPtr OpenNamedTransportStream(const std::string& path, const AVDictionary* options) {
  if (!platform::EndsWithNoCase(path, ".m2ts") && !platform::EndsWithNoCase(path, ".mts") &&
      !platform::EndsWithNoCase(path, ".ts"))
    return nullptr;
  if (!StartsWithTransportPackets(path)) return nullptr;
  const AVInputFormat* ts = av_find_input_format("mpegts");
  if (!ts) return nullptr;
  AVDictionary* copy = nullptr;
  av_dict_copy(&copy, options, 0);
  AVFormatContext* raw = nullptr;
  const int opened = avformat_open_input(&raw, path.c_str(), ts, &copy);
  av_dict_free(&copy);
  if (opened < 0) return nullptr;
  FormatPtr ctx(raw);
  if (ctx->nb_streams == 0) return nullptr;
  return ctx;
}

HRESULT OpenFile(const std::string& path, bool firstPictureOnly, FormatPtr& out) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  if (!S_ISREG(st.st_mode) || st.st_size == 0) return VFW_E_UNKNOWN_FILE_TYPE;
  AVDictionary* options = nullptr;
  if (firstPictureOnly) {
    // A tenth of a second of the streams, no frame-rate count and no reading of the file's end
    // for its duration: libavformat's discovery otherwise reads up to seven seconds of a
    // transport stream, whose packets carry no header that would let it stop sooner.
    av_dict_set(&options, "analyzeduration", "100000", 0);
    av_dict_set(&options, "fpsprobesize", "0", 0);
    av_dict_set(&options, "skip_estimate_duration_from_pts", "1", 0);
  }
  FormatPtr ctx = OpenNamedTransportStream(path, options);
  if (!ctx) {
    AVFormatContext* raw = nullptr;
    const int opened = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    if (opened >= 0) ctx.reset(raw);
  }
  av_dict_free(&options);
  if (!ctx) return VFW_E_UNKNOWN_FILE_TYPE;
  if (avformat_find_stream_info(ctx.get(), nullptr) < 0) return VFW_E_UNKNOWN_FILE_TYPE;
  // A picture not described in that much of the file (a late key frame) is looked for as far as
  // every other use looks.
  if (firstPictureOnly && !PicturesDescribed(*ctx)) return OpenFile(path, false, out);
  out = std::move(ctx);
  return S_OK;
}

REFERENCE_TIME ToReferenceTime(std::int64_t value, AVRational base) {
  return av_rescale_q(value, base, AVRational{1, static_cast<int>(UNITS)});
}

class FileSource;

class FileStreamPin : public CBaseOutputPin {
 public:
  FileStreamPin(CBaseFilter* filter, std::string name, int streamIndex, CMediaType type)
      : CBaseOutputPin(filter, std::move(name)), streamIndex_(streamIndex), video_(type.majortype == MEDIATYPE_Video) {
    SetMediaTypes({std::move(type)});
  }
  int StreamIndex() const { return streamIndex_; }
  bool IsVideo() const { return video_; }
  // Whether what this pin fed downstream has made a picture.
  bool PictureShown() {
    if (!video_ || !IsConnected()) return true;
    CBasePin* peer = AsBasePin(Peer());
    const long long made = peer ? PicturesDelivered(peer->Filter()) : -1;
    return made < 0 ? delivered_ > 0 : made > 0;
  }
  void Sent() { ++delivered_; }
  int SentCount() const { return delivered_; }
  void ResetCount() { delivered_ = 0; }

 private:
  int streamIndex_;
  bool video_;
  int delivered_ = 0;
};

class FileSource : public CBaseFilter, public IFileSourceFilter, public IMediaSeeking, public IFirstPictureSource {
 public:
  FileSource(const CLSID& clsid, std::string name, FileKindTest accept)
      : CBaseFilter(clsid, std::move(name)), accept_(std::move(accept)) {}
  ~FileSource() override { StopThread(); }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsSource() const override { return true; }

  // IFileSourceFilter
  STDMETHODIMP Load(LPCOLESTR file, const AM_MEDIA_TYPE*) override {
    if (!file) return E_POINTER;
    if (!path_.empty()) return E_UNEXPECTED;
    FormatPtr ctx;
    HRESULT hr = OpenFile(file, firstPictureOnly_, ctx);
    if (FAILED(hr)) return hr;
    if (accept_ && !accept_(*ctx->iformat)) return VFW_E_UNKNOWN_FILE_TYPE;
    int videos = 0, audios = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
      const AVStream* st = ctx->streams[i];
      const AVCodecParameters* par = st->codecpar;
      // A stream of an unknown codec still gets its pin: rendering reports it as left out.
      if (IsPictureStream(*st)) {
        const AVRational rate = av_guess_frame_rate(ctx.get(), const_cast<AVStream*>(st), nullptr);
        AddPin<FileStreamPin>(videos++ ? "Video " + std::to_string(videos) : std::string("Video"), static_cast<int>(i),
                              MakeCompressedType(*par, rate.num, rate.den));
      } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
        AddPin<FileStreamPin>(audios++ ? "Audio " + std::to_string(audios) : std::string("Audio"), static_cast<int>(i),
                              MakeCompressedType(*par, 0, 1));
      }
    }
    if (videos + audios == 0) return VFW_E_UNKNOWN_FILE_TYPE;
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0) {
      duration_ = ToReferenceTime(ctx->duration, AV_TIME_BASE_Q);
    } else {
      for (unsigned i = 0; i < ctx->nb_streams; ++i)
        if (ctx->streams[i]->duration != AV_NOPTS_VALUE)
          duration_ = std::max(duration_, ToReferenceTime(ctx->streams[i]->duration, ctx->streams[i]->time_base));
    }
    path_ = file;
    std::lock_guard lock(mutex_);
    ctx_ = std::move(ctx);
    return S_OK;
  }
  STDMETHODIMP GetCurFile(LPOLESTR* file, AM_MEDIA_TYPE* mt) override {
    if (!file) return E_POINTER;
    *file = nullptr;
    if (path_.empty()) return E_FAIL;
    if (mt) {
      CMediaType stream;
      stream.majortype = MEDIATYPE_Stream;
      stream.subtype = GUID_NULL;
      CopyMediaType(mt, &stream);
    }
    return com::CopyOutText(path_, file);
  }

  // IFirstPictureSource
  STDMETHODIMP ReadForFirstPictureOnly() override {
    if (!path_.empty()) return E_UNEXPECTED;
    firstPictureOnly_ = true;
    return S_OK;
  }

  // IMediaSeeking: times in 100-ns units only.
  STDMETHODIMP GetCapabilities(DWORD* caps) override { return com::CopyOut(caps, kCaps); }
  STDMETHODIMP CheckCapabilities(DWORD* caps) override {
    if (!caps) return E_POINTER;
    const DWORD asked = *caps;
    *caps &= kCaps;
    return *caps == asked ? S_OK : (*caps ? S_FALSE : E_FAIL);
  }
  STDMETHODIMP IsFormatSupported(const GUID* format) override {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
  }
  STDMETHODIMP QueryPreferredFormat(GUID* format) override { return com::CopyOut(format, TIME_FORMAT_MEDIA_TIME); }
  STDMETHODIMP GetTimeFormat(GUID* format) override { return com::CopyOut(format, TIME_FORMAT_MEDIA_TIME); }
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override {
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
  }
  STDMETHODIMP SetTimeFormat(const GUID* format) override {
    if (!format) return E_POINTER;
    if (State() != State_Stopped) return VFW_E_WRONG_STATE;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
  }
  STDMETHODIMP GetDuration(LONGLONG* duration) override {
    if (path_.empty()) return E_UNEXPECTED;
    return com::CopyOut(duration, duration_);
  }
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override { return GetDuration(stop); }
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override { return com::CopyOut(current, position_.load()); }
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override {
    if (!target) return E_POINTER;
    const auto media = [](const GUID* f) { return !f || *f == TIME_FORMAT_MEDIA_TIME; };
    if (!media(targetFormat) || !media(sourceFormat)) return E_INVALIDARG;
    *target = source;
    return S_OK;
  }
  STDMETHODIMP SetPositions(LONGLONG*, DWORD, LONGLONG*, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override {
    if (current) *current = position_.load();
    if (stop) *stop = duration_;
    return S_OK;
  }
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override {
    if (earliest) *earliest = 0;
    if (latest) *latest = duration_;
    return S_OK;
  }
  STDMETHODIMP SetRate(double rate) override { return rate == 1.0 ? S_OK : E_NOTIMPL; }
  STDMETHODIMP GetRate(double* rate) override { return com::CopyOut(rate, 1.0); }
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override { return com::CopyOut(preroll, LONGLONG{0}); }

 protected:
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = Offer<IFileSourceFilter>(this, riid)) return p;
    if (void* p = Offer<IFirstPictureSource>(this, riid)) return p;
    return Offer<IMediaSeeking>(this, riid);
  }

  // From stop: the first picture goes downstream before Pause returns. A source told that only
  // the first picture is wanted reads it on the caller's thread: starting a thread and handing
  // over to it and back cost more than reading one picture, and a thread is needed only to run.
  void OnPause() override {
    if (State() == State_Running) {
      std::lock_guard lock(mutex_);
      running_ = false;
      REFERENCE_TIME now = 0;
      if (clock_ && SUCCEEDED(clock_->GetTime(&now))) pausedAt_ = now - base_;
      return;
    }
    if (firstPictureOnly_) {
      PrerollHere();
      return;
    }
    StartThread();
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, kPrerollWait, [this] { return prerolled_ || finished_; });
  }
  void OnRun(REFERENCE_TIME) override {
    if (State() == State_Stopped) OnPause();
    CComPtr<IReferenceClock> clock;
    GetSyncSource(&clock);
    std::lock_guard lock(mutex_);
    clock_ = clock;
    if (clock_) {
      REFERENCE_TIME now = 0;
      clock_->GetTime(&now);
      base_ = now - pausedAt_;
    }
    running_ = true;
    wake_.notify_all();
    if (readingOnCaller_) {
      readingOnCaller_ = false;
      thread_ = std::thread([this] { Stream(false); });
    }
  }
  void OnStop() override { StopThread(); }

 private:
  static constexpr DWORD kCaps = AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

  void ResetRun() {
    StopThread();
    std::lock_guard lock(mutex_);
    stop_ = false;
    running_ = false;
    prerolled_ = false;
    finished_ = false;
    pausedAt_ = 0;
    position_ = 0;
  }
  void StartThread() {
    ResetRun();
    thread_ = std::thread([this] { Stream(true); });
  }
  // The preroll on the caller's thread, bounded in real time as the thread's is: past the bound
  // the thread reads on and the caller goes back.
  void PrerollHere() {
    ResetRun();
    BeginReading();
    const auto deadline = std::chrono::steady_clock::now() + kPrerollWait;
    for (;;) {
      {
        std::lock_guard lock(mutex_);
        if (prerolled_) break;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        thread_ = std::thread([this] { Stream(false); });
        return;
      }
      const Step step = SendNext();
      if (step == Step::kStopped) return;
      if (step == Step::kEnded) {
        FinishReading();
        return;
      }
    }
    readingOnCaller_ = true;
  }
  void StopThread() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    readingOnCaller_ = false;
    reading_ = Reading();
  }

  std::vector<FileStreamPin*> StreamPins() {
    std::vector<FileStreamPin*> pins;
    for (CBasePin* p : Pins())
      if (auto* s = dynamic_cast<FileStreamPin*>(p)) pins.push_back(s);
    return pins;
  }

  // Waits until the packet due at streamTime may go: at once in preroll or without a clock.
  bool WaitForTurn(REFERENCE_TIME streamTime) {
    for (;;) {
      CComPtr<IReferenceClock> clock;
      REFERENCE_TIME due = 0;
      {
        std::unique_lock lock(mutex_);
        if (stop_) return false;
        if (!prerolled_) return true;
        if (!running_) {
          wake_.wait(lock, [this] { return stop_ || running_; });
          continue;
        }
        if (!clock_) return true;
        clock = clock_;
        due = base_ + streamTime;
      }
      REFERENCE_TIME now = 0;
      if (FAILED(clock->GetTime(&now)) || now >= due) return true;
      const auto waitMs = static_cast<std::uint64_t>((due - now) / 10000);
      if (auto* manual = dynamic_cast<platform::ManualClock*>(&platform::CurrentClock())) {
        manual->WaitUntil(manual->NowMs() + std::max<std::uint64_t>(waitMs, 1), 20);
        continue;
      }
      std::unique_lock lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(std::clamp<std::uint64_t>(waitMs, 1, 50)),
                     [this] { return stop_ || !running_; });
    }
  }

  // The stream time reached by the preroll is where running starts: what was sent for the
  // first picture is not sent again, nor is anything after it early.
  void MarkPrerolled(REFERENCE_TIME reached) {
    std::lock_guard lock(mutex_);
    if (prerolled_) return;
    prerolled_ = true;
    pausedAt_ = reached;
    wake_.notify_all();
  }

  // Where reading the file has got to; one thread at a time owns it: the caller while a
  // first-picture source prerolls, then the streaming thread.
  struct Reading {
    FormatPtr ctx;
    std::vector<FileStreamPin*> pins;
    std::vector<FileStreamPin*> byStream;
    std::int64_t origin = 0;
    media::PacketPtr packet;
    int videoSent = 0;
  };

  void BeginReading() {
    Reading r;
    {
      std::lock_guard lock(mutex_);
      r.ctx = std::move(ctx_);
    }
    // The file was read once by Load; later runs read it again from the start.
    if (!r.ctx && FAILED(OpenFile(path_, firstPictureOnly_, r.ctx))) r.ctx.reset();
    r.pins = StreamPins();
    for (auto* p : r.pins) p->ResetCount();
    r.byStream.assign(r.ctx ? r.ctx->nb_streams : 0, nullptr);
    for (auto* p : r.pins)
      if (p->IsConnected() && p->StreamIndex() < static_cast<int>(r.byStream.size())) r.byStream[p->StreamIndex()] = p;
    r.origin = r.ctx && r.ctx->start_time != AV_NOPTS_VALUE ? r.ctx->start_time : 0;
    r.packet.reset(av_packet_alloc());
    reading_ = std::move(r);
  }

  enum class Step { kSent, kEnded, kStopped };

  // Reads one packet and sends it on when its turn comes.
  Step SendNext() {
    Reading& r = reading_;
    if (!r.ctx || !r.packet || av_read_frame(r.ctx.get(), r.packet.get()) < 0) return Step::kEnded;
    FileStreamPin* pin = r.byStream[r.packet->stream_index];
    if (!pin) {
      av_packet_unref(r.packet.get());
      return Step::kSent;
    }
    const AVRational tb = r.ctx->streams[r.packet->stream_index]->time_base;
    const REFERENCE_TIME zero = ToReferenceTime(r.origin, AV_TIME_BASE_Q);
    const std::int64_t pts = r.packet->pts != AV_NOPTS_VALUE ? r.packet->pts : r.packet->dts;
    const std::int64_t dts = r.packet->dts != AV_NOPTS_VALUE ? r.packet->dts : pts;
    MediaSample sample;
    sample.start = pts == AV_NOPTS_VALUE ? -1 : ToReferenceTime(pts, tb) - zero;
    sample.stop = sample.start >= 0 && r.packet->duration > 0 ? sample.start + ToReferenceTime(r.packet->duration, tb)
                                                              : sample.start;
    sample.syncPoint = (r.packet->flags & AV_PKT_FLAG_KEY) != 0;
    sample.index = pin->SentCount();
    sample.data.assign(r.packet->data, r.packet->data + r.packet->size);
    const REFERENCE_TIME due =
        dts == AV_NOPTS_VALUE ? position_.load() : std::max<REFERENCE_TIME>(0, ToReferenceTime(dts, tb) - zero);
    av_packet_unref(r.packet.get());
    if (!WaitForTurn(due)) return Step::kStopped;
    pin->Deliver(sample);
    pin->Sent();
    position_ = std::max(position_.load(), due);
    if (pin->IsVideo()) ++r.videoSent;
    bool shown = r.videoSent >= kPrerollPacketLimit;
    if (!shown) {
      shown = true;
      for (auto* p : r.pins) shown = shown && p->PictureShown();
    }
    if (shown) MarkPrerolled(due);
    return Step::kSent;
  }

  void FinishReading() {
    position_ = duration_;
    for (auto* p : reading_.pins)
      if (p->IsConnected()) p->DeliverEndOfStream();
    std::lock_guard lock(mutex_);
    finished_ = true;
    prerolled_ = true;
    wake_.notify_all();
  }

  // The streaming thread: from the start, or on from where the caller's preroll stopped.
  void Stream(bool begin) {
    if (begin) BeginReading();
    for (;;) {
      const Step step = SendNext();
      if (step == Step::kStopped) return;
      if (step == Step::kEnded) break;
    }
    FinishReading();
  }

  FileKindTest accept_;
  bool firstPictureOnly_ = false;
  std::string path_;
  REFERENCE_TIME duration_ = 0;
  std::atomic<REFERENCE_TIME> position_{0};

  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  FormatPtr ctx_;
  Reading reading_;
  bool readingOnCaller_ = false;
  CComPtr<IReferenceClock> clock_;
  REFERENCE_TIME base_ = 0;
  REFERENCE_TIME pausedAt_ = 0;
  bool stop_ = false;
  bool running_ = false;
  bool prerolled_ = false;
  bool finished_ = false;
};

}  // namespace

GUID CompressedSubtype(int codecId) {
  GUID g = kCompressedFamily;
  g.Data1 = static_cast<std::uint32_t>(codecId);
  return g;
}

bool IsCompressedSubtype(REFGUID subtype) {
  return subtype.Data2 == kCompressedFamily.Data2 && subtype.Data3 == kCompressedFamily.Data3 &&
         std::memcmp(subtype.Data4, kCompressedFamily.Data4, sizeof subtype.Data4) == 0;
}

CMediaType MakeCompressedType(const AVCodecParameters& par, int frameRateNum, int frameRateDen) {
  CMediaType mt;
  mt.majortype = par.codec_type == AVMEDIA_TYPE_VIDEO ? MEDIATYPE_Video : MEDIATYPE_Audio;
  mt.subtype = CompressedSubtype(par.codec_id);
  mt.bFixedSizeSamples = FALSE;
  mt.bTemporalCompression = par.codec_type == AVMEDIA_TYPE_VIDEO;
  CodecBlock b{};
  b.codecType = par.codec_type;
  b.codecId = par.codec_id;
  b.codecTag = par.codec_tag;
  b.format = par.format;
  b.bitRate = par.bit_rate;
  b.bitsPerCodedSample = par.bits_per_coded_sample;
  b.width = par.width;
  b.height = par.height;
  b.sampleAspectNum = par.sample_aspect_ratio.num;
  b.sampleAspectDen = par.sample_aspect_ratio.den;
  b.channels = par.ch_layout.nb_channels;
  b.sampleRate = par.sample_rate;
  b.blockAlign = par.block_align;
  b.frameSize = par.frame_size;
  b.frameRateNum = frameRateNum;
  b.frameRateDen = frameRateDen;
  b.profile = par.profile;
  b.level = par.level;
  b.videoDelay = par.video_delay;
  b.fieldOrder = par.field_order;
  b.colorRange = par.color_range;
  b.colorSpace = par.color_space;
  b.colorPrimaries = par.color_primaries;
  b.colorTrc = par.color_trc;
  b.chromaLocation = par.chroma_location;
  b.extraSize = par.extradata_size;
  std::vector<BYTE> block(sizeof b + static_cast<std::size_t>(std::max(0, par.extradata_size)));
  std::memcpy(block.data(), &b, sizeof b);
  if (par.extradata_size > 0) std::memcpy(block.data() + sizeof b, par.extradata, par.extradata_size);
  mt.SetFormat(FORMAT_CodecParameters, block.data(), static_cast<ULONG>(block.size()));
  return mt;
}

bool ReadCompressedType(const AM_MEDIA_TYPE& mt, AVCodecParameters* par) {
  if (!par || !IsCompressedSubtype(mt.subtype) || mt.formattype != FORMAT_CodecParameters ||
      mt.cbFormat < sizeof(CodecBlock) || !mt.pbFormat)
    return false;
  CodecBlock b;
  std::memcpy(&b, mt.pbFormat, sizeof b);
  if (b.extraSize < 0 || mt.cbFormat - sizeof b < static_cast<std::size_t>(b.extraSize)) return false;
  par->codec_type = static_cast<AVMediaType>(b.codecType);
  par->codec_id = static_cast<AVCodecID>(b.codecId);
  par->codec_tag = b.codecTag;
  par->format = b.format;
  par->bit_rate = b.bitRate;
  par->bits_per_coded_sample = b.bitsPerCodedSample;
  par->width = b.width;
  par->height = b.height;
  par->sample_aspect_ratio = AVRational{b.sampleAspectNum, b.sampleAspectDen};
  av_channel_layout_uninit(&par->ch_layout);
  if (b.channels > 0) av_channel_layout_default(&par->ch_layout, b.channels);
  par->sample_rate = b.sampleRate;
  par->block_align = b.blockAlign;
  par->frame_size = b.frameSize;
  par->profile = b.profile;
  par->level = b.level;
  par->video_delay = b.videoDelay;
  par->field_order = static_cast<AVFieldOrder>(b.fieldOrder);
  par->color_range = static_cast<AVColorRange>(b.colorRange);
  par->color_space = static_cast<AVColorSpace>(b.colorSpace);
  par->color_primaries = static_cast<AVColorPrimaries>(b.colorPrimaries);
  par->color_trc = static_cast<AVColorTransferCharacteristic>(b.colorTrc);
  par->chroma_location = static_cast<AVChromaLocation>(b.chromaLocation);
  av_freep(&par->extradata);
  par->extradata_size = 0;
  if (b.extraSize > 0) {
    par->extradata = static_cast<std::uint8_t*>(av_mallocz(b.extraSize + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!par->extradata) return false;
    std::memcpy(par->extradata, mt.pbFormat + sizeof b, b.extraSize);
    par->extradata_size = b.extraSize;
  }
  return true;
}

bool CompressedFrameRate(const AM_MEDIA_TYPE& mt, int* num, int* den) {
  if (!IsCompressedSubtype(mt.subtype) || mt.cbFormat < sizeof(CodecBlock) || !mt.pbFormat) return false;
  CodecBlock b;
  std::memcpy(&b, mt.pbFormat, sizeof b);
  if (b.frameRateNum <= 0 || b.frameRateDen <= 0) return false;
  *num = b.frameRateNum;
  *den = b.frameRateDen;
  return true;
}

HRESULT CreateMediaFileSource(const CLSID& clsid, std::string name, FileKindTest accept, REFIID riid, void** ppv) {
  return com::HandOver(new FileSource(clsid, std::move(name), std::move(accept)), riid, ppv);
}

HRESULT CreateMediaFileSource(REFIID riid, void** ppv) {
  return CreateMediaFileSource(CLSID_MediaFileSource, "File Source", nullptr, riid, ppv);
}

}  // namespace platform::dshow
