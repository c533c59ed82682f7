// Reading one ALSA capture PCM at the rate and channels a recording asks for, 16-bit: what the
// card does not offer is converted (libswresample), never recorded at the wrong speed. Reads are a
// period each; an overrun is recovered and counted, and the periods it lost come back as silence so
// that the recording keeps its timeline.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct _snd_pcm;
struct SwrContext;

namespace platform::dshow::alsa {

class Capture {
 public:
  Capture() = default;
  ~Capture();
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;

  // 0, or a negative errno: -EBUSY when another program holds the device, -ENOENT or -ENODEV
  // when it is not there, -EINVAL when it takes no format that can be converted.
  int Open(const std::string& pcm, int rate, int channels);
  void Close();
  bool IsOpen() const { return pcm_ != nullptr; }

  // Starts reading afresh: what the card held is dropped and the timeline begins again.
  int Restart();
  // The next period as interleaved samples at the opened rate and channels, after silence for
  // what an overrun lost: the frames put in *out (0 when nothing came within waitMs), or a
  // negative errno when the device is gone.
  int Read(std::vector<std::int16_t>* out, int waitMs);

  // When the first frame Read last gave was captured, in microseconds on the monotonic clock: the
  // card's own time stamp less what it still holds (the delay) and what was read.
  std::int64_t LastStartUs() const { return lastStartUs_; }

  long Overruns() const { return overruns_.load(); }
  int PeriodFrames() const { return static_cast<int>(periodFrames_); }

 private:
  int Recover(int error);
  std::int64_t CapturedUs(long long cardFrames) const;
  void Convert(const std::uint8_t* raw, int frames, std::vector<std::int16_t>* out);

  _snd_pcm* pcm_ = nullptr;
  SwrContext* swr_ = nullptr;
  int rate_ = 0, channels_ = 0;
  int cardRate_ = 0, cardChannels_ = 0, cardBytesPerFrame_ = 0;
  unsigned long periodFrames_ = 0;
  std::vector<std::uint8_t> raw_;
  std::atomic<long> overruns_{0};
  bool lostFrames_ = false;  // an overrun happened since the last read
  long long delivered_ = 0;  // frames given out since the timeline began
  std::int64_t nextUs_ = 0;  // when the frame after the last one given was due
  bool haveFirst_ = false;
  bool stamped_ = false;  // the card gives monotonic time stamps in its status
  std::int64_t lastStartUs_ = 0;
};

}  // namespace platform::dshow::alsa
