#include "platform/filters/asf_writer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/file.h"
#include "platform/com/out_param.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/stock_filters.h"
#include "platform/dshow/uuids.h"
#include "platform/filters/asf_header_patch.h"
#include "platform/media/encoder.h"
#include "platform/media/muxer.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"
#include "platform/wmf/wmf_objects.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

namespace platform::filters {
namespace {

using dshow::CBaseFilter;
using dshow::CBaseInputPin;
using dshow::MediaSample;
using dshow::TypePattern;

AVPixelFormat PixelFormatOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_UYVY) return AV_PIX_FMT_UYVY422;
  if (subtype == MEDIASUBTYPE_RGB24) return AV_PIX_FMT_BGR24;
  if (subtype == MEDIASUBTYPE_RGB32) return AV_PIX_FMT_BGRA;
  return AV_PIX_FMT_YUYV422;
}

// One ASF file being written.
class AsfSession {
 public:
  static std::unique_ptr<AsfSession> Open(const std::string& path, const wmf::ProfileData& profile, bool hasVideo,
                                          bool hasAudio, const std::map<std::string, std::string>& tags) {
    std::unique_ptr<AsfSession> s(new AsfSession);
    if (!s->file_.Open(path, FileMode::Create)) return nullptr;
    std::string error;
    s->muxer_ = media::Muxer::Open(
        "asf",
        [raw = s.get()](const std::uint8_t* d, std::size_t n) {
          if (!raw->headerDone_) raw->header_.append(reinterpret_cast<const char*>(d), n);
          return raw->file_.Write(d, n);
        },
        [f = &s->file_](std::int64_t offset) { return f->Seek(offset, SeekFrom::Begin); }, &error);
    if (!s->muxer_) return nullptr;
    for (const wmf::StreamData& st : profile.streams) {
      if (st.video && hasVideo && !s->video_) {
        media::VideoSettings v;
        v.codec = wmf::EncoderName(true);
        v.width = st.width, v.height = st.height;
        // The encoder takes time bases up to 65535: 333,667 units a frame is 30000/1001.
        v.frameRate = av_d2q(1e7 / static_cast<double>(std::max<std::int64_t>(st.frameTime, 1)), 65535);
        v.bitRate = st.bitrate;
        v.maxRate = st.bitrate;  // constant bit rate within the buffer window
        v.bufferSize = static_cast<int>(static_cast<std::int64_t>(st.bitrate) *
                                        std::max<std::uint32_t>(st.bufferWindow, 100) / 1000);
        v.gopSize = static_cast<int>(
            std::clamp<std::int64_t>(st.frameTime > 0 ? st.maxKeyFrameSpacing / st.frameTime : 12, 1, 600));
        v.maxBFrames = 0;
        v.globalHeader = true;
        s->video_ = media::Encoder::OpenVideo(v, &error);
        if (!s->video_) return nullptr;
        s->width_ = st.width, s->height_ = st.height;
        s->fps_ = v.frameRate;
        s->videoStream_ = s->muxer_->AddStream(*s->video_);
        s->picture_ = media::MakeVideoFrame(AV_PIX_FMT_YUV420P, st.width, st.height);
      } else if (!st.video && hasAudio && !s->audio_) {
        media::AudioSettings a;
        a.codec = wmf::EncoderName(false);
        a.sampleRate = static_cast<int>(st.sampleRate);
        a.channels = st.channels == 1 ? 1 : 2;
        a.bitRate = st.bitrate;
        a.globalHeader = true;
        s->audio_ = media::Encoder::OpenAudio(a, &error);
        if (!s->audio_) return nullptr;
        s->rate_ = a.sampleRate, s->channels_ = a.channels;
        s->audioStream_ = s->muxer_->AddStream(*s->audio_);
        s->queue_ = std::make_unique<media::SampleQueue>(s->audio_->SampleFormat(), a.channels);
        s->sound_ = media::MakeAudioFrame(s->audio_->SampleFormat(), a.channels, a.sampleRate,
                                          std::max(s->audio_->FrameSamples(), 1));
      }
    }
    if (!s->video_ && !s->audio_) return nullptr;
    for (const auto& [key, value] : tags) s->muxer_->SetMetadata(key, value);
    if (!s->muxer_->WriteHeader()) return nullptr;
    avio_flush(s->muxer_->Context()->pb);
    s->headerDone_ = true;
    if (s->muxer_->Failed() || !s->patch_.Locate(s->header_)) return nullptr;
    s->header_.clear();
    return s;
  }

  bool AddPicture(const CMediaType& mt, const MediaSample& sample) {
    std::lock_guard lock(mutex_);
    const auto* vih = mt.Format<VIDEOINFOHEADER>();
    if (failed_ || !video_ || !vih) return !failed_;
    const int w = vih->bmiHeader.biWidth, h = std::abs(vih->bmiHeader.biHeight);
    const int bpp = std::max<int>(vih->bmiHeader.biBitCount / 8, 1);
    if (sample.data.size() < static_cast<std::size_t>(w) * h * bpp) return true;
    if (!scaler_) scaler_ = media::Scaler::Open(PixelFormatOf(mt.subtype), w, h, AV_PIX_FMT_YUV420P, width_, height_);
    const bool rgb = mt.subtype == MEDIASUBTYPE_RGB24 || mt.subtype == MEDIASUBTYPE_RGB32;
    if (!scaler_ || !scaler_->ScalePacked(sample.data.data(), rgb ? -w * bpp : w * bpp, picture_.get())) return Fail();
    if (firstStart_ < 0) firstStart_ = sample.start;
    const std::int64_t pts = av_rescale(sample.start - firstStart_, fps_.num, kUnits * fps_.den);
    if (pts < nextPts_) return true;
    if (!EncodePicture(pts)) return Fail();
    caughtUp_.notify_all();
    return (DrainSound() && KeepReadable()) || Fail();
  }

  // Sound is placed on the pictures' time line and written no further than the pictures reach,
  // so both streams end together whatever pace each source keeps.
  bool AddSound(const CMediaType& mt, const MediaSample& sample) {
    std::unique_lock lock(mutex_);
    const auto* wfx = mt.Format<WAVEFORMATEX>();
    if (failed_ || !audio_ || !wfx || wfx->wBitsPerSample != 16 || wfx->nSamplesPerSec == 0) return !failed_;
    // A source that runs free waits for the pictures (a while at most: a stalled picture source
    // must not hold a live sound card up).
    for (int round = 0; round < kSoundWaitRounds && !finishing_ && video_ && SoundAhead(sample.start); ++round)
      caughtUp_.wait_for(lock, std::chrono::milliseconds(10));
    if (failed_ || finishing_) return !failed_;
    if (!resampler_)
      resampler_ = media::Resampler::Open(AV_SAMPLE_FMT_S16, wfx->nChannels, static_cast<int>(wfx->nSamplesPerSec),
                                          audio_->SampleFormat(), channels_, rate_);
    if (!resampler_) return Fail();
    const int in = static_cast<int>(sample.data.size() / (2 * std::max<WORD>(wfx->nChannels, 1)));
    auto converted = media::MakeAudioFrame(audio_->SampleFormat(), channels_, rate_, resampler_->OutputRoom(in));
    const std::uint8_t* planes[1] = {sample.data.data()};
    const int made = resampler_->Convert(planes, in, converted->data, converted->nb_samples);
    if (made < 0 || !queue_->Push(converted->data, made)) return Fail();
    if (soundPts_ < 0 && soundStart_ < 0) soundStart_ = sample.start;
    return (DrainSound() && KeepReadable()) || Fail();
  }

  bool Finish() {
    std::lock_guard lock(mutex_);
    if (finished_) return !failed_;
    finished_ = finishing_ = true;
    caughtUp_.notify_all();
    if (!failed_ && !EndTogether()) failed_ = true;
    if (!failed_ && video_ && frames_ > 0 &&
        !video_->Encode(nullptr, [this](AVPacket* p) { return Write(p, videoStream_, *video_); }))
      failed_ = true;
    if (!failed_ && audio_ && soundPts_ >= 0 &&
        !audio_->Encode(nullptr, [this](AVPacket* p) { return Write(p, audioStream_, *audio_); }))
      failed_ = true;
    if (muxer_->Failed() || !muxer_->Finish()) {
      failed_ = true;
      Salvage();
    }
    if (!file_.Close()) failed_ = true;
    return !failed_;
  }

 private:
  AsfSession() = default;
  bool Fail() {
    failed_ = true;
    return false;
  }
  bool EncodePicture(std::int64_t pts) {
    nextPts_ = pts + 1;
    picture_->pts = pts;
    ++frames_;
    return video_->Encode(picture_.get(), [this](AVPacket* p) { return Write(p, videoStream_, *video_); });
  }
  // Where the pictures written so far end, in sound samples from the first picture, counted as
  // sound fed to the encoder: its packets are stamped its priming samples earlier.
  std::int64_t PictureEndSamples() const { return PictureEndInSamples() + audio_->Context()->initial_padding; }
  std::int64_t PictureEndInSamples() const {
    return av_rescale(nextPts_, static_cast<std::int64_t>(rate_) * fps_.den, fps_.num);
  }
  // True while a block of sound starting at `start` lies further ahead of the pictures than a
  // live source's lead. Before the first picture nothing waits: a live sound card must not be
  // held up while the picture source starts (that sound has no place on the time line anyway).
  bool SoundAhead(std::int64_t start) const {
    if (firstStart_ < 0) return false;
    return start - firstStart_ > av_rescale(nextPts_, kUnits * fps_.den, fps_.num) + kSoundLead;
  }
  bool EncodeSoundFrame() {
    if (queue_->Size() < sound_->nb_samples && !PushSilence(sound_->nb_samples - queue_->Size())) return false;
    if (!queue_->Pop(sound_.get())) return false;
    sound_->pts = soundPts_;
    soundPts_ += sound_->nb_samples;
    return audio_->Encode(sound_.get(), [this](AVPacket* p) { return Write(p, audioStream_, *audio_); });
  }
  // Places the sound held so far on the pictures' time line once there is one: sound from
  // before the first picture is cut off, sound that begins later starts later. Until then it is
  // held (no more than kMaxHeldSound of it).
  bool PlaceSound() {
    if (soundPts_ >= 0 || soundStart_ < 0) return true;
    if (video_ && firstStart_ < 0) {
      const int over = queue_->Size() - static_cast<int>(av_rescale(kMaxHeldSound, rate_, kUnits));
      return over <= 0 || DropSound(over);
    }
    const std::int64_t origin = video_ ? firstStart_ : soundStart_;
    if (soundStart_ < origin) {
      const int early =
          static_cast<int>(std::min<std::int64_t>(av_rescale(origin - soundStart_, rate_, kUnits), queue_->Size()));
      if (!DropSound(early)) return false;
      if (soundStart_ < origin) {
        soundStart_ = queue_->Size() > 0 ? origin : -1;  // none left: the next block places itself
        if (soundStart_ < 0) return true;
      }
    }
    soundPts_ = std::max<std::int64_t>(av_rescale(soundStart_ - origin, rate_, kUnits), 0);
    return true;
  }
  // Takes the oldest `samples` off the held sound.
  bool DropSound(int samples) {
    if (samples <= 0) return true;
    media::FramePtr dropped = media::MakeAudioFrame(audio_->SampleFormat(), channels_, rate_, samples);
    if (!dropped || !queue_->Pop(dropped.get())) return false;
    soundStart_ += av_rescale(samples, kUnits, rate_);
    return true;
  }
  bool PushSilence(int samples) {
    media::FramePtr silence = media::MakeAudioFrame(audio_->SampleFormat(), channels_, rate_, samples);
    if (!silence) return false;
    av_samples_set_silence(silence->data, 0, samples, channels_, audio_->SampleFormat());
    return queue_->Push(silence->data, samples);
  }
  // Whole sound frames are written up to where the pictures end; sound held further ahead than
  // kMaxHeldSound (the pictures stalled) is written anyway rather than piling up.
  bool DrainSound() {
    if (!audio_) return true;
    if (!PlaceSound()) return false;
    if (soundPts_ < 0) return true;
    while (queue_->Size() >= sound_->nb_samples) {
      const bool covered = !video_ || soundPts_ + sound_->nb_samples <= PictureEndSamples();
      const bool piled = queue_->Size() > av_rescale(kMaxHeldSound, rate_, kUnits);
      if (!covered && !piled) break;
      if (!EncodeSoundFrame()) return false;
    }
    return true;
  }
  // At the stop both streams end at one time: the sound is cut or filled with silence to where
  // the pictures end (to the nearest sound frame), and when sound already went further the last
  // picture is shown until it ends.
  bool EndTogether() {
    if (!audio_) return true;
    if (!video_ || frames_ == 0) {
      // No picture came: the sound alone, in whole frames as it came.
      if (soundPts_ < 0 && soundStart_ >= 0) soundPts_ = 0;
      while (soundPts_ >= 0 && queue_->Size() >= sound_->nb_samples)
        if (!EncodeSoundFrame()) return false;
      return true;
    }
    if (soundPts_ < 0) return true;
    const std::int64_t end = PictureEndSamples();
    while (soundPts_ + sound_->nb_samples / 2 < end)
      if (!EncodeSoundFrame()) return false;
    const std::int64_t soundEnd = av_rescale(soundPts_ - audio_->Context()->initial_padding, fps_.num,
                                             static_cast<std::int64_t>(rate_) * fps_.den);
    while (nextPts_ < soundEnd)
      if (!EncodePicture(nextPts_)) return false;
    return true;
  }
  bool Write(AVPacket* packet, int stream, const media::Encoder& encoder) {
    if (packet->pts != AV_NOPTS_VALUE)
      written_ = std::max(written_, av_rescale_q(packet->pts + packet->duration, encoder.TimeBase(), {1, 10000000}));
    return muxer_->WritePacket(packet, stream, encoder.TimeBase());
  }
  // Every couple of seconds of media the header is brought up to what the file holds, so a
  // crash leaves a file that readers time and play.
  bool KeepReadable() {
    if (written_ - readable_ < kPatchInterval) return true;
    avio_flush(muxer_->Context()->pb);
    const std::int64_t end = file_.Position();
    if (muxer_->Failed() || end < 0 || !patch_.Apply(file_, end, written_)) return false;
    readable_ = written_;
    return true;
  }
  // After a failed write (a full disk): the file is cut to its whole packets and the header
  // says what they hold, as far as the last time it was brought up to date.
  void Salvage() {
    const std::int64_t whole = patch_.WholePackets(file_.Size());
    if (file_.Truncate(whole)) patch_.Apply(file_, whole, std::max<std::int64_t>(readable_, 0));
  }
  static constexpr std::int64_t kUnits = 10000000;          // 100-ns units a second
  static constexpr std::int64_t kPatchInterval = 20000000;  // 2 s
  static constexpr std::int64_t kSoundLead = kUnits / 2;    // a live source's sound block ahead
  static constexpr std::int64_t kMaxHeldSound = 2 * kUnits;
  static constexpr int kSoundWaitRounds = 20;  // of 10 ms
  std::mutex mutex_;
  std::condition_variable caughtUp_;
  platform::File file_;
  std::unique_ptr<media::Muxer> muxer_;
  std::unique_ptr<media::Encoder> video_, audio_;
  int videoStream_ = -1, audioStream_ = -1;
  int width_ = 0, height_ = 0;
  AVRational fps_{30, 1};
  std::unique_ptr<media::Scaler> scaler_;
  media::FramePtr picture_;
  std::int64_t firstStart_ = -1, nextPts_ = 0;
  long frames_ = 0;
  int rate_ = 48000, channels_ = 2;
  std::unique_ptr<media::Resampler> resampler_;
  std::unique_ptr<media::SampleQueue> queue_;
  media::FramePtr sound_;
  std::int64_t soundPts_ = -1;
  std::int64_t soundStart_ = -1;  // stream time of the oldest sound held before it is placed
  bool failed_ = false;
  bool finished_ = false, finishing_ = false;
  std::string header_;
  bool headerDone_ = false;
  AsfHeaderPatch patch_;
  // 100 ns units; the first packet makes the header readable at once.
  std::int64_t written_ = 0, readable_ = -kPatchInterval;
};

class AsfWriter : public CBaseFilter, public dshow::CFileSinkBase, public IConfigAsfWriter, public IWMHeaderInfo {
 public:
  AsfWriter() : CBaseFilter(CLSID_WMAsfWriter, "WM ASF Writer") {
    // The profile's stream order: audio first.
    audio_ = AddPin<dshow::CPatternInputPin>("Audio Input 01", Patterns{TypePattern(MEDIATYPE_Audio)});
    video_ = AddPin<dshow::CPatternInputPin>("Video Input 01", Patterns{TypePattern(MEDIATYPE_Video)});
  }
  DSHOW_FORWARD_IUNKNOWN(CBaseFilter)
  bool IsRenderer() const override { return true; }

  STDMETHODIMP SetFileName(LPCOLESTR file, const AM_MEDIA_TYPE* mt) override {
    const HRESULT hr = CFileSinkBase::SetFileName(file, mt);
    if (SUCCEEDED(hr)) changed_ = true;
    return hr;
  }
  STDMETHODIMP Pause() override {
    if (State() == State_Stopped && changed_ && !FileName().empty()) {
      std::lock_guard lock(mutex_);
      if (!configured_) return E_FAIL;
      session_ = AsfSession::Open(FileName(), profile_, video_->IsConnected(), audio_->IsConnected(), tags_);
      if (!session_) return E_FAIL;
      changed_ = false;
      reported_ = false;
    }
    return CBaseFilter::Pause();
  }
  void Receive(CBaseInputPin* pin, const MediaSample& sample) override {
    if (State() != State_Running) return;
    AsfSession* session;
    {
      std::lock_guard lock(mutex_);
      session = session_.get();
    }
    if (!session) return;
    const bool ok = pin == video_ ? session->AddPicture(pin->ConnectedType(), sample)
                                  : session->AddSound(pin->ConnectedType(), sample);
    if (!ok) Report();
  }
  void EndOfStream(CBaseInputPin*) override {
    if (++ended_ == CountPins(PINDIR_INPUT, true)) NotifyEvent(EC_COMPLETE, S_OK, 0);
  }

  STDMETHODIMP ConfigureFilterUsingProfileId(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetCurrentProfileId(DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP ConfigureFilterUsingProfileGuid(REFGUID) override { return E_NOTIMPL; }
  STDMETHODIMP GetCurrentProfileGuid(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP ConfigureFilterUsingProfile(IWMProfile* profile) override {
    wmf::ProfileData data;
    if (!wmf::ProfileDataOf(profile, &data)) return E_INVALIDARG;
    for (const wmf::StreamData& s : data.streams)
      if (s.video ? (s.width <= 0 || s.height <= 0 || s.frameTime <= 0) : (s.sampleRate == 0 || s.channels == 0))
        return NS_E_INVALID_PROFILE;
    if (data.streams.empty()) return NS_E_INVALID_PROFILE;
    std::lock_guard lock(mutex_);
    profile_ = std::move(data);
    configured_ = true;
    return S_OK;
  }
  // A copy of the profile the writer was configured with, made by the profile manager.
  STDMETHODIMP GetCurrentProfile(IWMProfile** profile) override {
    if (!profile) return E_POINTER;
    *profile = nullptr;
    std::u16string text;
    {
      std::lock_guard lock(mutex_);
      if (!configured_) return NS_E_INVALID_PROFILE;
      text = Utf8ToUtf16(wmf::ToXml(profile_));
    }
    CComPtr<IWMProfileManager> manager;
    const HRESULT hr = WMCreateProfileManager(&manager);
    return FAILED(hr) ? hr : manager->LoadProfileByData(text.c_str(), profile);
  }
  STDMETHODIMP SetIndexMode(BOOL) override { return S_OK; }
  STDMETHODIMP GetIndexMode(BOOL* index) override { return com::CopyOut(index, TRUE); }

  STDMETHODIMP GetAttributeCount(WORD, WORD* count) override {
    std::lock_guard lock(mutex_);
    return com::CopyOut(count, static_cast<WORD>(tags_.size()));
  }
  // Names come in UTF-8 and values as UTF-16 with their terminator; with a null buffer only the
  // length is given, a short one is refused with the length needed.
  STDMETHODIMP GetAttributeByIndex(WORD index, WORD* stream, char* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                                   BYTE* value, WORD* length) override {
    if (!nameLength || !length) return E_POINTER;
    std::string attribute, text;
    {
      std::lock_guard lock(mutex_);
      if (index >= tags_.size()) return E_INVALIDARG;
      auto it = tags_.begin();
      std::advance(it, index);
      attribute = AttributeName(it->first);
      text = it->second;
    }
    const auto needed = static_cast<WORD>(attribute.size() + 1);
    if (name && *nameLength < needed) {
      *nameLength = needed;
      return kBufferTooSmall;
    }
    if (name) std::memcpy(name, attribute.c_str(), needed);
    *nameLength = needed;
    if (stream) *stream = 0;
    return CopyValue(text, type, value, length);
  }
  STDMETHODIMP GetAttributeByName(WORD* stream, LPCOLESTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                  WORD* length) override {
    if (!name || !length) return E_POINTER;
    if (stream && *stream != 0) return kAttributeNotFound;
    std::string text;
    {
      std::lock_guard lock(mutex_);
      const auto key = TagKeys().find(name);
      if (key == TagKeys().end()) return kAttributeNotFound;
      const auto tag = tags_.find(key->second);
      if (tag == tags_.end()) return kAttributeNotFound;
      text = tag->second;
    }
    return CopyValue(text, type, value, length);
  }
  STDMETHODIMP SetAttribute(WORD stream, LPCOLESTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                            WORD length) override {
    if (!name || (!value && length)) return E_POINTER;
    if (stream != 0 || type != WMT_TYPE_STRING || length % 2) return E_INVALIDARG;
    const auto key = TagKeys().find(name);
    if (key == TagKeys().end()) return E_INVALIDARG;
    std::u16string text(length / 2, u'\0');
    std::memcpy(text.data(), value, length);
    while (!text.empty() && text.back() == 0) text.pop_back();
    std::lock_guard lock(mutex_);
    tags_[key->second] = Utf16ToUtf8(text);
    return S_OK;
  }

 protected:
  using Patterns = std::vector<CMediaType>;
  void* GetFilterInterface(REFIID riid) override {
    if (void* p = dshow::Offer<IFileSinkFilter2>(this, riid)) return p;
    if (void* p = dshow::Offer<IConfigAsfWriter>(this, riid)) return p;
    return dshow::Offer<IWMHeaderInfo>(this, riid);
  }
  void OnRun(REFERENCE_TIME) override { ended_ = 0; }
  void OnStop() override {
    std::unique_ptr<AsfSession> session;
    {
      std::lock_guard lock(mutex_);
      session = std::move(session_);
    }
    if (session && !session->Finish()) Report();
  }

 private:
  static constexpr HRESULT kBufferTooSmall = static_cast<HRESULT>(0xC00D07D1);
  static constexpr HRESULT kAttributeNotFound = static_cast<HRESULT>(0xC00D07F0);
  // The header's attribute names and the muxer's metadata keys they are written as.
  static const std::map<std::string, std::string>& TagKeys() {
    static const std::map<std::string, std::string> keys = {
        {"Title", "title"}, {"Author", "author"}, {"Description", "comment"}, {"Copyright", "copyright"}};
    return keys;
  }
  static std::string AttributeName(const std::string& tag) {
    for (const auto& [attribute, key] : TagKeys())
      if (key == tag) return attribute;
    return tag;
  }
  static HRESULT CopyValue(const std::string& text, WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) {
    const std::u16string wide = Utf8ToUtf16(text);
    const std::size_t bytes = (wide.size() + 1) * sizeof(char16_t);
    if (bytes > 0xFFFF) return E_FAIL;
    if (type) *type = WMT_TYPE_STRING;
    const auto needed = static_cast<WORD>(bytes);
    if (value && *length < needed) {
      *length = needed;
      return kBufferTooSmall;
    }
    if (value) std::memcpy(value, wide.c_str(), bytes);
    *length = needed;
    return S_OK;
  }
  void Report() {
    std::lock_guard lock(mutex_);
    if (reported_) return;
    reported_ = true;
    NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
  }
  std::mutex mutex_;
  CBaseInputPin* audio_;
  CBaseInputPin* video_;
  wmf::ProfileData profile_;
  bool configured_ = false;
  std::map<std::string, std::string> tags_;
  std::unique_ptr<AsfSession> session_;
  bool changed_ = false;
  bool reported_ = false;
  std::atomic<int> ended_{0};
};

}  // namespace

HRESULT CreateAsfWriter(REFIID riid, void** ppv) { return com::HandOver(new AsfWriter, riid, ppv); }

}  // namespace platform::filters
