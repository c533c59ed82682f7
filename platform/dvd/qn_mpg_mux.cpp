#include "platform/dvd/qn_mpg_mux.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include "platform/dvd/elementary_reader.h"
#include "platform/dvd/mpeg_frames.h"
#include "platform/window/messages.h"

namespace {

std::atomic<bool> g_sourceEnded{false};
std::atomic<std::int64_t> g_position{0};
std::atomic<int> g_running{0};

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kDvdMuxRate = 10080000;  // bits per second
constexpr auto kPollInterval = std::chrono::milliseconds(20);

struct Frame {
  std::vector<std::uint8_t> data;
  std::int64_t pts = 0;  // 90 kHz
  std::int64_t dts = 0;
  bool key = false;
};

// One elementary stream turned into timed frames as its bytes arrive.
class StreamFrames {
 public:
  StreamFrames(const std::string& path, bool video)
      : reader_(path, g_sourceEnded), splitter_(video ? AV_CODEC_ID_MPEG2VIDEO : AV_CODEC_ID_MP2), video_(video) {}

  // The next frame; false with *waiting when more bytes must arrive first, false alone at the
  // end (or on a failure: Failed()).
  bool Next(Frame* frame, bool* waiting) {
    *waiting = false;
    while (ready_.empty()) {
      if (done_) return false;
      std::size_t got = 0;
      switch (reader_.Read(buffer_, sizeof buffer_, &got)) {
        case platform::dvd::ElementaryReader::Result::Data:
          splitter_.Feed(buffer_, got, [this](const std::uint8_t* d, std::size_t n) { Take(d, n); });
          break;
        case platform::dvd::ElementaryReader::Result::Waiting: *waiting = true; return false;
        case platform::dvd::ElementaryReader::Result::Failed:
          failed_ = true;
          done_ = true;
          break;
        case platform::dvd::ElementaryReader::Result::End:
          splitter_.Feed(nullptr, 0, [this](const std::uint8_t* d, std::size_t n) { Take(d, n); });
          done_ = true;
          break;
      }
    }
    *frame = std::move(ready_.front());
    ready_.pop_front();
    return true;
  }
  bool Failed() const { return failed_ || bad_; }
  const platform::dvd::SequenceInfo& Sequence() const { return sequence_; }
  const platform::dvd::AudioFrameInfo& Audio() const { return audio_; }
  bool HasHeader() const { return video_ ? sequence_.frameTicks > 0 : audio_.sampleRate > 0; }
  std::int64_t FramesTaken() const { return count_; }

 private:
  void Take(const std::uint8_t* data, std::size_t size) {
    Frame f;
    f.data.assign(data, data + size);
    if (video_) {
      platform::dvd::SequenceInfo seq;
      if (platform::dvd::FindSequenceHeader(data, size, &seq)) sequence_ = seq;
      platform::dvd::PictureInfo picture;
      // Pictures before the first sequence header cannot be placed in time.
      if (sequence_.frameTicks == 0 || !platform::dvd::FindPictureHeader(data, size, &picture)) {
        if (sequence_.frameTicks == 0 && count_ == 0 && ++skipped_ > 8) bad_ = true;
        return;
      }
      if (picture.gopStart) {
        gopStart_ += gopLength_;
        gopLength_ = 0;
      }
      gopLength_ = std::max(gopLength_, static_cast<std::int64_t>(picture.temporalReference) + 1);
      // Decode order runs one frame behind display order, so no picture shows before it decodes.
      f.dts = count_ * sequence_.frameTicks;
      f.pts = (gopStart_ + picture.temporalReference + 1) * sequence_.frameTicks;
      f.key = picture.codingType == 1;
    } else {
      platform::dvd::AudioFrameInfo info;
      if (!platform::dvd::ParseAudioFrameHeader(data, size, &info)) {
        if (count_ == 0 && ++skipped_ > 8) bad_ = true;
        return;
      }
      if (audio_.sampleRate == 0) audio_ = info;
      f.pts = f.dts = audioTicks_ + kAudioLead;
      audioTicks_ += static_cast<std::int64_t>(info.samples) * 90000 / info.sampleRate;
      f.key = true;
    }
    ++count_;
    ready_.push_back(std::move(f));
  }

  // The sound starts with the first picture on display.
  static constexpr std::int64_t kAudioLead = 0;

  platform::dvd::ElementaryReader reader_;
  platform::dvd::FrameSplitter splitter_;
  bool video_;
  std::uint8_t buffer_[kChunk];
  std::deque<Frame> ready_;
  bool done_ = false;
  bool failed_ = false;
  bool bad_ = false;
  int skipped_ = 0;
  std::int64_t count_ = 0;
  std::int64_t gopStart_ = 0;
  std::int64_t gopLength_ = 0;
  std::int64_t audioTicks_ = 0;
  platform::dvd::SequenceInfo sequence_;
  platform::dvd::AudioFrameInfo audio_;
};

// The DVD program stream writer over libavformat's "dvd" muxer.
class DvdWriter {
 public:
  ~DvdWriter() {
    if (context_) {
      if (context_->pb) avio_closep(&context_->pb);
      avformat_free_context(context_);
    }
  }
  bool Open(const std::string& path, const StreamFrames& video, const StreamFrames* audio, int mode) {
    if (avformat_alloc_output_context2(&context_, nullptr, "dvd", path.c_str()) < 0 || !context_) return false;
    context_->packet_size = 2048;
    context_->max_delay = static_cast<int>(0.7 * AV_TIME_BASE);
    // The low-rate recording keeps the DVD rate: its packs stay well inside it.
    (void)mode;
    av_opt_set_int(context_->priv_data, "muxrate", kDvdMuxRate, 0);
    AVStream* v = avformat_new_stream(context_, nullptr);
    if (!v) return false;
    v->time_base = {1, 90000};
    v->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    v->codecpar->codec_id = AV_CODEC_ID_MPEG2VIDEO;
    v->codecpar->width = video.Sequence().width;
    v->codecpar->height = video.Sequence().height;
    v->codecpar->bit_rate = 8000000;
    // The DVD video buffer, so the packs are scheduled for a DVD player's decoder.
    std::size_t cpbSize = 0;
    if (AVCPBProperties* cpb = av_cpb_properties_alloc(&cpbSize)) {
      cpb->buffer_size = 224 * 1024 * 8;
      cpb->max_bitrate = 9800000;
      if (av_stream_add_side_data(v, AV_PKT_DATA_CPB_PROPERTIES, reinterpret_cast<std::uint8_t*>(cpb), cpbSize) < 0)
        av_free(cpb);
    }
    if (audio) {
      AVStream* a = avformat_new_stream(context_, nullptr);
      if (!a) return false;
      a->time_base = {1, 90000};
      a->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
      a->codecpar->codec_id = AV_CODEC_ID_MP2;
      a->codecpar->sample_rate = audio->Audio().sampleRate;
      av_channel_layout_default(&a->codecpar->ch_layout, audio->Audio().channels);
      a->codecpar->bit_rate = audio->Audio().bitRate;
      a->codecpar->frame_size = audio->Audio().samples;
    }
    if (avio_open(&context_->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    return avformat_write_header(context_, nullptr) >= 0;
  }
  bool Write(int stream, const Frame& frame) {
    AVPacket* packet = av_packet_alloc();
    if (!packet) return false;
    bool ok = av_new_packet(packet, static_cast<int>(frame.data.size())) == 0;
    if (ok) {
      std::copy(frame.data.begin(), frame.data.end(), packet->data);
      packet->stream_index = stream;
      packet->pts = av_rescale_q(frame.pts, {1, 90000}, context_->streams[stream]->time_base);
      packet->dts = av_rescale_q(frame.dts, {1, 90000}, context_->streams[stream]->time_base);
      if (frame.key) packet->flags |= AV_PKT_FLAG_KEY;
      ok = av_interleaved_write_frame(context_, packet) >= 0;
    }
    av_packet_free(&packet);
    g_position.store(avio_tell(context_->pb));
    return ok;
  }
  bool Finish() {
    const bool ok = av_write_trailer(context_) >= 0;
    avio_flush(context_->pb);
    g_position.store(avio_tell(context_->pb));
    const bool closed = avio_closep(&context_->pb) >= 0;
    return ok && closed && !context_->pb;
  }

 private:
  AVFormatContext* context_ = nullptr;
};

// Waits (bounded by the stream's own end) until the stream has a frame or is done.
bool NextFrame(StreamFrames& stream, Frame* frame) {
  bool waiting = true;
  while (!stream.Next(frame, &waiting)) {
    if (!waiting) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return true;
}

bool Multiplex(const std::string& output, const std::string& videoPath, const std::string& audioPath, int mode) {
  StreamFrames video(videoPath, true);
  const bool withAudio = !audioPath.empty();
  StreamFrames audio(withAudio ? audioPath : videoPath, false);
  Frame nextVideo, nextAudio;
  bool haveVideo = NextFrame(video, &nextVideo);
  if (!haveVideo || video.Failed() || !video.HasHeader()) return false;
  bool haveAudio = withAudio && NextFrame(audio, &nextAudio);
  if (withAudio && (audio.Failed() || !haveAudio)) return false;

  DvdWriter writer;
  if (!writer.Open(output, video, haveAudio ? &audio : nullptr, mode)) return false;
  // Frames go out in time order so the muxer keeps its buffers small.
  while (haveVideo || haveAudio) {
    const bool takeVideo = haveVideo && (!haveAudio || nextVideo.dts <= nextAudio.dts);
    if (takeVideo) {
      if (!writer.Write(0, nextVideo)) return false;
      haveVideo = NextFrame(video, &nextVideo);
    } else {
      if (!writer.Write(1, nextAudio)) return false;
      haveAudio = NextFrame(audio, &nextAudio);
    }
  }
  if (video.Failed() || (withAudio && audio.Failed())) return false;
  return writer.Finish();
}

}  // namespace

bool platform::dvd::MultiplexerRunning() { return g_running.load() > 0; }

extern "C" {

int qnmpgmux(const char* outputPath, const char* videoPath, const char* audioPath, int mode, int, int, HWND notify,
             int) {
  g_position.store(0);
  ++g_running;
  const std::string audio = audioPath ? audioPath : "";
  const bool ok = outputPath && videoPath && Multiplex(outputPath, videoPath, audio, mode);
  if (!ok && outputPath) std::remove(outputPath);
  g_sourceEnded.store(false);
  --g_running;
  if (notify) ::PostMessage(notify, kMuxEndMessage, ok ? kDvdJobDone : kDvdJobFailed, 0);
  return ok ? 1 : 0;
}

void qnmpgmux_EndCreateSource() { g_sourceEnded.store(true); }

std::int64_t qnmpgmux_GetPos_DirectBurn() { return g_position.load(); }
}
