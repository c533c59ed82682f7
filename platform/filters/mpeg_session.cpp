#include "platform/filters/mpeg_session.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/base/file_system.h"
#include "platform/dshow/uuids.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace platform::filters {
namespace {

constexpr std::int64_t kUnits = 10000000;  // 100-ns units a second
constexpr std::uint64_t kMegabyte = 1000 * 1000;
// Room kept under a part's limit beyond the estimate of the next GOP: pack overhead and the
// audio interleaved with it.
constexpr std::uint64_t kPartMargin = 64 * 1024;
// How far sound may run ahead of the pictures, in 100-ns units.
constexpr std::int64_t kSoundLead = kUnits / 2;
// Sound whose sample count strays from its times by more than this is brought back gently...
constexpr std::int64_t kSoundTolerance = kUnits / 100;
// ...at most one sample in this many...
constexpr int kMostCorrection = 200;
// ...and by more than this at once.
constexpr std::int64_t kSoundJump = kUnits / 4;
// Silence put in for a gap at one time (a wild stamp must not take all memory).
constexpr int kMostGapSeconds = 10;
// Blocks of sound kept while the first picture is awaited (some seconds of any source).
constexpr std::size_t kMostEarlyBlocks = 1000;

bool IsPal(int type) { return type == 4 || type == 10 || type == 8 || type == 12; }

std::string Stem(const std::string& path) {
  if (path.size() >= 4) {
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    if (tail == ".mpg") return path.substr(0, path.size() - 4);
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

AVPixelFormat PixelFormatOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_UYVY) return AV_PIX_FMT_UYVY422;
  if (subtype == MEDIASUBTYPE_RGB24) return AV_PIX_FMT_BGR24;
  if (subtype == MEDIASUBTYPE_RGB32) return AV_PIX_FMT_BGRA;
  if (subtype == MEDIASUBTYPE_YV12) return AV_PIX_FMT_YUV420P;
  return AV_PIX_FMT_YUYV422;
}

}  // namespace

MpegPlan PlanFor(const MpegTarget& t) {
  MpegPlan p{};
  const bool pal = IsPal(t.streamType);
  p.fpsNum = pal ? 25 : 30000;
  p.fpsDen = pal ? 1 : 1001;
  p.audioKbit = 224;
  p.audioRate = 44100;
  p.audioChannels = 2;
  p.aspectNum = t.aspect == 1 ? 16 : 4;
  p.aspectDen = t.aspect == 1 ? 9 : 3;
  p.gop = pal ? 12 : 15;
  if (t.streamType == 3 || t.streamType == 4) {
    p.muxer = "vcd";
    p.videoCodec = "mpeg1video";
    p.width = 352;
    p.height = pal ? 288 : 240;
    p.videoBitRate = p.maxRate = 1150000;
    p.constant = true;
    p.bufferBits = 40 * 1024 * 8;
    p.aspectNum = 4, p.aspectDen = 3;
    return p;
  }
  if (t.streamType == 9 || t.streamType == 10) {
    p.muxer = "svcd";
    p.videoCodec = "mpeg2video";
    p.width = 480;
    p.height = pal ? 576 : 480;
    p.videoBitRate = t.videoBitRate > 0 ? t.videoBitRate : 2500000;
    p.maxRate = 2516000;
    p.bufferBits = 224 * 1024 * 8;
    return p;
  }
  p.muxer = "dvd";
  p.videoCodec = "mpeg2video";
  p.width = t.width > 0 ? t.width : 720;
  p.height = t.height > 0 ? t.height : (pal ? 576 : 480);
  if (t.frameRateCode == 3) p.fpsNum = 25, p.fpsDen = 1, p.gop = 12;
  if (t.frameRateCode == 4) p.fpsNum = 30000, p.fpsDen = 1001, p.gop = 15;
  p.videoBitRate = t.videoBitRate > 0 ? t.videoBitRate : 5000000;
  // Full-rate recordings spend their rate constantly, as the disc plan expects; long play lets
  // still scenes give bits to busy ones.
  p.maxRate = t.longPlay ? std::min<long>(p.videoBitRate * 3 / 2, 9000000) : p.videoBitRate;
  p.maxRate = std::max(p.maxRate, p.videoBitRate);
  p.constant = !t.longPlay;
  p.bufferBits = 1835008;
  p.audioKbit = t.audioKbit > 0 ? t.audioKbit : 224;
  p.audioRate = t.audioRate > 0 ? t.audioRate : 48000;
  p.audioChannels = t.audioChannels == 1 ? 1 : 2;
  return p;
}

std::string MpegPartName(const std::string& path, int index) {
  return Stem(path) + "_" + std::to_string(index) + ".mpg";
}

std::string ElementaryName(const std::string& path, const char* extension) { return Stem(path) + extension; }

std::unique_ptr<MpegSession> MpegSession::Open(const std::string& path, const MpegTarget& target, bool hasAudio,
                                               std::string* error) {
  std::unique_ptr<MpegSession> s(new MpegSession);
  s->path_ = path;
  s->target_ = target;
  s->plan_ = PlanFor(target);
  s->hasAudio_ = hasAudio;
  const MpegPlan& p = s->plan_;

  media::VideoSettings video;
  video.codec = p.videoCodec;
  video.width = p.width;
  video.height = p.height;
  video.frameRate = {p.fpsNum, p.fpsDen};
  video.bitRate = p.videoBitRate;
  video.maxRate = p.maxRate;
  video.minRate = p.constant ? p.maxRate : 0;
  video.bufferSize = p.bufferBits;
  video.gopSize = p.gop;
  video.maxBFrames = 2;
  video.aspect = {p.aspectNum, p.aspectDen};
  video.closedGop = true;
  // The motion search level: the best levels search wider and decide macroblocks by
  // rate-distortion.
  video.options.emplace_back("me_range", target.quality <= 0 ? "32" : "16");
  video.options.emplace_back("mbd", target.quality <= 1 ? "rd" : "simple");
  if (target.longPlay) video.options.emplace_back("qcomp", "0.7");
  s->video_ = media::Encoder::OpenVideo(video, error);
  if (!s->video_) return nullptr;
  if (hasAudio) {
    media::AudioSettings audio;
    audio.codec = "mp2";
    audio.sampleRate = p.audioRate;
    audio.channels = p.audioChannels;
    audio.bitRate = p.audioKbit * 1000;
    s->audio_ = media::Encoder::OpenAudio(audio, error);
    if (!s->audio_) return nullptr;
    s->queue_ = std::make_unique<media::SampleQueue>(AV_SAMPLE_FMT_S16, p.audioChannels);
    s->sound_ = media::MakeAudioFrame(AV_SAMPLE_FMT_S16, p.audioChannels, p.audioRate, s->audio_->FrameSamples());
  }
  s->picture_ = media::MakeVideoFrame(AV_PIX_FMT_YUV420P, p.width, p.height);

  const std::uint64_t largest = target.largestFile > 0 ? target.largestFile
                                : FolderHoldsLargeFiles(FolderOf(path)) == LargeFiles::No
                                    ? kFatLargestFile
                                    : std::numeric_limits<std::uint64_t>::max();
  s->partLimit_ = target.maxFileMB > 0 ? std::min<std::uint64_t>(target.maxFileMB * kMegabyte, largest) : largest;

  if (target.elementary) {
    if (!s->videoEs_.Open(ElementaryName(path, ".mpv"), largest) ||
        (hasAudio && !s->audioEs_.Open(ElementaryName(path, ".mpa"), largest))) {
      if (error) *error = "cannot create the elementary files";
      return nullptr;
    }
  }
  if (!s->OpenPart()) {
    if (error) *error = "cannot create " + MpegPartName(path, 0);
    return nullptr;
  }
  return s;
}

MpegSession::~MpegSession() { Finish(); }

bool MpegSession::OpenPart() {
  const std::string name = MpegPartName(path_, parts_);
  if (!part_.Open(name, FileMode::Create)) return false;
  std::string error;
  muxer_ = media::Muxer::Open(
      plan_.muxer, [this](const std::uint8_t* d, std::size_t n) { return part_.Write(d, n); }, nullptr, &error);
  if (!muxer_) return false;
  videoStream_ = muxer_->AddStream(*video_);
  audioStream_ = audio_ ? muxer_->AddStream(*audio_) : -1;
  if (!muxer_->WriteHeader()) return false;
  ++parts_;
  partPayload_ = 0;
  return true;
}

bool MpegSession::ClosePart() {
  if (!muxer_) return true;
  bool ok = muxer_->Finish();
  muxer_.reset();
  totalBytes_ += std::max<std::int64_t>(part_.Position(), 0);
  ok = part_.Close() && ok;
  return ok;
}

// What the part will hold once the muxer has written what it was given: the muxer keeps
// packets back to interleave them, so the file alone tells too little.
std::uint64_t MpegSession::PartEstimate() const {
  const auto written = static_cast<std::uint64_t>(std::max<std::int64_t>(part_.Position(), 0));
  return std::max(written, partPayload_ + partPayload_ / 16 + 4096);
}

bool MpegSession::WriteVideoPacket(AVPacket* packet) {
  if (packet->flags & AV_PKT_FLAG_KEY) {
    // A closed GOP starts here: a new part when it would carry this one past its limit.
    lastGopBytes_ = std::max(lastGopBytes_, gopBytes_);
    gopBytes_ = 0;
    const std::uint64_t next = lastGopBytes_ + lastGopBytes_ / 8 + kPartMargin;
    if (partPayload_ > 0 && PartEstimate() + next > partLimit_) {
      if (!ClosePart() || !OpenPart()) return false;
    }
  }
  const auto size = static_cast<std::uint64_t>(packet->size);
  if (videoEs_.IsOpen() &&
      !videoEs_.Write(packet->data, static_cast<std::size_t>(packet->size), packet->flags & AV_PKT_FLAG_KEY))
    return false;
  if (!muxer_->WritePacket(packet, videoStream_, video_->TimeBase())) return false;
  gopBytes_ += size + size / 16;
  partPayload_ += size;
  return true;
}

bool MpegSession::WriteAudioPacket(AVPacket* packet) {
  const auto size = static_cast<std::uint64_t>(packet->size);
  if (audioEs_.IsOpen() && !audioEs_.Write(packet->data, static_cast<std::size_t>(packet->size), true)) return false;
  gopBytes_ += size + size / 16;
  partPayload_ += size;
  return muxer_->WritePacket(packet, audioStream_, audio_->TimeBase());
}

bool MpegSession::EncodePicture(std::int64_t pts) {
  picture_->pts = pts;
  ++frames_;
  return video_->Encode(picture_.get(), [this](AVPacket* p) { return WriteVideoPacket(p); });
}

bool MpegSession::AddPicture(const GUID& subtype, int width, int height, const std::uint8_t* data, std::size_t size,
                             std::int64_t start) {
  std::lock_guard lock(mutex_);
  if (failed_ || width <= 0 || height <= 0) return false;
  const bool rgb = subtype == MEDIASUBTYPE_RGB24 || subtype == MEDIASUBTYPE_RGB32;
  const int bytesPerPixel = subtype == MEDIASUBTYPE_RGB32 ? 4 : subtype == MEDIASUBTYPE_RGB24 ? 3 : 2;
  const bool planar = subtype == MEDIASUBTYPE_YV12;
  const std::size_t needed = planar ? static_cast<std::size_t>(width) * height * 3 / 2
                                    : static_cast<std::size_t>(width) * height * bytesPerPixel;
  if (size < needed) return true;  // a short sample is skipped, not fatal
  if (!scaler_ || scalerSubtype_ != subtype || scalerWidth_ != width || scalerHeight_ != height) {
    scaler_ = media::Scaler::Open(PixelFormatOf(subtype), width, height, AV_PIX_FMT_YUV420P, plan_.width, plan_.height);
    scalerSubtype_ = subtype, scalerWidth_ = width, scalerHeight_ = height;
    if (!scaler_) return !(failed_ = true);
  }
  // The encoder still holds the last picture for its B pictures: a fresh buffer spares the copy
  // of it that making the held one writable would make, only to be overwritten.
  if (!av_frame_is_writable(picture_.get())) {
    media::FramePtr fresh = media::MakeVideoFrame(AV_PIX_FMT_YUV420P, plan_.width, plan_.height);
    if (!fresh) return !(failed_ = true);
    picture_ = std::move(fresh);
  }
  bool ok;
  if (planar) {
    // YV12: Y, then V, then U.
    const std::uint8_t* planes[4] = {data, data + width * height * 5 / 4, data + width * height, nullptr};
    const int strides[4] = {width, width / 2, width / 2, 0};
    ok = scaler_->Scale(planes, strides, picture_.get());
  } else {
    const int stride = width * bytesPerPixel;
    ok = scaler_->ScalePacked(data, rgb ? -stride : stride, picture_.get());
  }
  if (!ok) return !(failed_ = true);

  // The picture's place on the target's frame grid: late pictures fill the gap by repeating,
  // early ones (two in one frame time) are dropped.
  if (firstStart_ < 0) firstStart_ = start;
  const std::int64_t pts = av_rescale(start - firstStart_, plan_.fpsNum, kUnits * plan_.fpsDen);
  lastPictureStart_ = start;
  caughtUp_.notify_all();
  if (pts < nextPts_) return true;
  for (std::int64_t p = nextPts_; p <= pts && !failed_; ++p)
    if (!EncodePicture(p)) failed_ = true;
  nextPts_ = pts + 1;
  return !failed_;
}

bool MpegSession::DrainSound(bool flush) {
  while (queue_->Size() >= sound_->nb_samples || (flush && queue_->Size() > 0)) {
    if (queue_->Size() < sound_->nb_samples) {
      // Pad the last frame with silence.
      std::vector<std::int16_t> silence(
          static_cast<std::size_t>(sound_->nb_samples - queue_->Size()) * plan_.audioChannels, 0);
      std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(silence.data())};
      queue_->Push(planes, sound_->nb_samples - queue_->Size());
    }
    if (!queue_->Pop(sound_.get())) return false;
    sound_->pts = soundPts_;
    soundPts_ += sound_->nb_samples;
    if (!audio_->Encode(sound_.get(), [this](AVPacket* p) { return WriteAudioPacket(p); })) return false;
  }
  return true;
}

bool MpegSession::AddSound(int rate, int channels, const std::uint8_t* data, std::size_t size, std::int64_t start) {
  std::unique_lock lock(mutex_);
  // A source that runs free must not race ahead of the pictures: the muxer would hold the
  // sound back in memory. Sound waits (a while at most) until the pictures have caught up.
  for (int round = 0; round < 20 && firstStart_ >= 0 && !finishing_ &&
                      start - firstStart_ > lastPictureStart_ - firstStart_ + kSoundLead;
       ++round)
    caughtUp_.wait_for(lock, std::chrono::milliseconds(10));
  if (failed_ || !audio_ || rate <= 0 || channels <= 0) return !failed_;
  // Sound from before the first picture waits for it: the file starts with the picture, and
  // what was heard before then is cut at its time.
  const std::size_t bytes = size - size % (2 * static_cast<std::size_t>(channels));
  if (firstStart_ < 0) {
    if (early_.size() < kMostEarlyBlocks) early_.push_back({rate, channels, start, {data, data + bytes}});
    return true;
  }
  for (const EarlySound& e : early_)
    if (!PlaceSound(e.rate, e.channels, e.data.data(), e.data.size(), e.start)) break;
  early_.clear();
  if (!failed_) PlaceSound(rate, channels, data, bytes, start);
  return !failed_;
}

bool MpegSession::PlaceSound(int rate, int channels, const std::uint8_t* data, std::size_t size, std::int64_t start) {
  if (!resampler_ || resamplerRate_ != rate || resamplerChannels_ != channels) {
    resampler_ = media::Resampler::Open(AV_SAMPLE_FMT_S16, channels, rate, AV_SAMPLE_FMT_S16, plan_.audioChannels,
                                        plan_.audioRate);
    resamplerRate_ = rate, resamplerChannels_ = channels;
    if (!resampler_) return !(failed_ = true);
  }
  const std::size_t frameBytes = 2 * static_cast<std::size_t>(channels);
  if (soundPts_ < 0) {
    // The first sound is placed at its time against the first picture's; heard before the
    // picture began, it is cut there.
    if (start < firstStart_) {
      const std::size_t skip = static_cast<std::size_t>(av_rescale(firstStart_ - start, rate, kUnits)) * frameBytes;
      if (skip >= size) return true;
      data += skip, size -= skip;
      start = firstStart_;
    }
    soundPts_ = av_rescale(start - firstStart_, plan_.audioRate, kUnits);
  }
  const int samples = static_cast<int>(size / frameBytes);
  // Kept between calls: its room is taken once, not at every block of sound.
  converted_.resize(static_cast<std::size_t>(resampler_->OutputRoom(samples)) * plan_.audioChannels);
  const std::uint8_t* in[1] = {data};
  std::uint8_t* outPlanes[1] = {reinterpret_cast<std::uint8_t*>(converted_.data())};
  int made = resampler_->Convert(in, samples, outPlanes, static_cast<int>(converted_.size() / plan_.audioChannels));
  if (made < 0) return !(failed_ = true);
  made = KeepInStep(made, start);
  outPlanes[0] = reinterpret_cast<std::uint8_t*>(converted_.data());  // repeats may have moved it
  if (!queue_->Push(outPlanes, made) || !DrainSound(false)) failed_ = true;
  return !failed_;
}

// The sound's own clock (its sample count) against the time it was stamped with, on the
// picture's clock: a card whose crystal runs fast or slow gains or loses against the picture,
// a little every minute. Sound running ahead loses samples, sound behind gets some repeated,
// spread through the block and at most one in kMostCorrection, so no step is heard; a jump
// beyond kSoundJump (a gap the source left) is made up at once.
int MpegSession::KeepInStep(int made, std::int64_t start) {
  const std::int64_t due = av_rescale(start - firstStart_, plan_.audioRate, kUnits);
  const std::int64_t ahead = soundPts_ + queue_->Size() - due;
  const int channels = plan_.audioChannels;
  const std::int64_t jump = av_rescale(kSoundJump, plan_.audioRate, kUnits);
  const std::int64_t tolerance = av_rescale(kSoundTolerance, plan_.audioRate, kUnits);
  // The stamps jitter by the source's blocks; their mean is what drifts.
  drift_ = std::abs(ahead - static_cast<std::int64_t>(drift_)) > jump ? static_cast<double>(ahead)
                                                                      : drift_ + (ahead - drift_) / 16.0;
  std::int64_t change = 0;  // samples to drop (> 0) or repeat (< 0)
  const bool jumped = std::abs(ahead) > jump;
  if (jumped) change = ahead;
  else if (std::abs(drift_) > static_cast<double>(tolerance))
    change = std::clamp<std::int64_t>(static_cast<std::int64_t>(drift_), -(made / kMostCorrection + 1),
                                      made / kMostCorrection + 1);
  if (change == 0 || made == 0) return made;
  drift_ -= static_cast<double>(change);
  std::vector<std::int16_t>& pcm = converted_;
  if (jumped && change > 0) {
    // Far ahead (the stamps went back): what was heard twice goes from the block's start.
    const int drop = static_cast<int>(std::min<std::int64_t>(change, made));
    std::copy(pcm.begin() + drop * channels, pcm.begin() + made * channels, pcm.begin());
    return made - drop;
  }
  if (jumped) {
    // A gap the source left: silence for it, the block as it came.
    const int gap = static_cast<int>(std::min<std::int64_t>(-change, plan_.audioRate * kMostGapSeconds));
    pcm.insert(pcm.begin(), static_cast<std::size_t>(gap) * channels, 0);
    return made + gap;
  }
  if (change > 0) {
    // Drop `change` samples, evenly spaced.
    const int drop = static_cast<int>(std::min<std::int64_t>(change, made));
    int kept = 0;
    for (int i = 0, dropped = 0; i < made; ++i) {
      if (dropped < drop && static_cast<std::int64_t>(i + 1) * drop >= static_cast<std::int64_t>(dropped + 1) * made) {
        ++dropped;
        continue;
      }
      std::copy_n(pcm.begin() + i * channels, channels, pcm.begin() + kept * channels);
      ++kept;
    }
    return kept;
  }
  // Repeat samples, evenly spaced.
  const int spread = static_cast<int>(std::min<std::int64_t>(-change, made));
  std::vector<std::int16_t> out;
  out.reserve(static_cast<std::size_t>(made + spread) * channels);
  for (int i = 0, repeated = 0; i < made; ++i) {
    out.insert(out.end(), pcm.begin() + i * channels, pcm.begin() + (i + 1) * channels);
    if (repeated < spread &&
        static_cast<std::int64_t>(i + 1) * spread >= static_cast<std::int64_t>(repeated + 1) * made) {
      out.insert(out.end(), pcm.begin() + i * channels, pcm.begin() + (i + 1) * channels);
      ++repeated;
    }
  }
  pcm = std::move(out);
  return static_cast<int>(pcm.size() / channels);
}

bool MpegSession::Finish() {
  std::lock_guard lock(mutex_);
  finishing_ = true;
  caughtUp_.notify_all();
  if (!video_) return !failed_;
  if (!failed_ && frames_ > 0 && !video_->Encode(nullptr, [this](AVPacket* p) { return WriteVideoPacket(p); }))
    failed_ = true;
  if (!failed_ && audio_ && soundPts_ >= 0) {
    if (!DrainSound(true) || !audio_->Encode(nullptr, [this](AVPacket* p) { return WriteAudioPacket(p); }))
      failed_ = true;
  }
  if (!ClosePart()) failed_ = true;
  if (videoEs_.IsOpen() && !videoEs_.Close()) failed_ = true;
  if (audioEs_.IsOpen() && !audioEs_.Close()) failed_ = true;
  video_.reset();
  audio_.reset();
  return !failed_;
}

int MpegSession::Parts() const {
  std::lock_guard lock(mutex_);
  return parts_;
}
std::int64_t MpegSession::BytesWritten() const {
  std::lock_guard lock(mutex_);
  return totalBytes_ + (part_.IsOpen() ? part_.Position() : 0);
}
long MpegSession::FramesEncoded() const {
  std::lock_guard lock(mutex_);
  return frames_;
}
bool MpegSession::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

}  // namespace platform::filters
