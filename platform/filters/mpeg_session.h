// One MPEG recording: pictures and sound in, program-stream parts out (and, for record and
// burn, the elementary video and audio files beside them), encoded with libav for the target
// the encoder's calls chose.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/file.h"
#include "platform/filters/elementary_file.h"
#include "platform/com/guid.h"
#include "platform/media/encoder.h"
#include "platform/media/muxer.h"
#include "platform/media/resampler.h"
#include "platform/media/scaler.h"

namespace platform::filters {

struct MpegTarget {
  int streamType = 7;  // 3/4 VCD, 9/10 SVCD, 7/8 and 2/12 DVD (NTSC/PAL)
  int width = 0;       // 0: the type's full size
  int height = 0;
  int frameRateCode = 0;  // MPEG-2 code: 3 is 25, 4 is 29.97; 0: by the type
  long videoBitRate = 0;  // 0: the type's
  int audioKbit = 224;
  int audioRate = 48000;
  int audioChannels = 2;
  long maxFileMB = 0;       // 0: no limit beyond the file system's
  bool elementary = false;  // record and burn: .mpv and .mpa beside the parts
  bool longPlay = false;
  int aspect = 0;                 // 0 4:3, 1 16:9
  int quality = 0;                // motion search level, 0 best
  std::uint64_t largestFile = 0;  // 0: what the output folder's file system holds
};

// What a target resolves to.
struct MpegPlan {
  std::string muxer;  // "vcd", "svcd", "dvd"
  std::string videoCodec;
  int width, height;
  int fpsNum, fpsDen;
  long videoBitRate, maxRate;
  bool constant;  // constant bit rate
  int bufferBits;
  int gop;
  int audioKbit, audioRate, audioChannels;
  int aspectNum, aspectDen;
};
MpegPlan PlanFor(const MpegTarget& target);

// Part i of a recording to path: "<path less .mpg>_<i>.mpg".
std::string MpegPartName(const std::string& path, int index);
// "<stem>.mpv" and "<stem>.mpa" (and, where they must be cut, their pieces: ElementaryPieceName).
std::string ElementaryName(const std::string& path, const char* extension);

class MpegSession {
 public:
  // Opens the first part (and the elementary files); false with a reason when it cannot.
  static std::unique_ptr<MpegSession> Open(const std::string& path, const MpegTarget& target, bool hasAudio,
                                           std::string* error);
  ~MpegSession();

  // A picture of the capture's subtype (YUY2, UYVY, RGB24, RGB32, YV12); start in 100-ns units.
  bool AddPicture(const GUID& subtype, int width, int height, const std::uint8_t* data, std::size_t size,
                  std::int64_t start);
  // Interleaved 16-bit sound; start of its first sample in 100-ns units.
  bool AddSound(int rate, int channels, const std::uint8_t* data, std::size_t size, std::int64_t start);
  // Flushes the encoders and closes every file; false when anything failed on the way.
  bool Finish();

  int Parts() const;
  std::int64_t BytesWritten() const;
  long FramesEncoded() const;
  bool Failed() const;

 private:
  MpegSession() = default;
  bool OpenPart();
  bool ClosePart();
  std::uint64_t PartEstimate() const;
  bool WriteVideoPacket(AVPacket* packet);
  bool WriteAudioPacket(AVPacket* packet);
  bool EncodePicture(std::int64_t pts);
  bool DrainSound(bool flush);
  bool PlaceSound(int rate, int channels, const std::uint8_t* data, std::size_t size, std::int64_t start);
  int KeepInStep(int made, std::int64_t start);

  mutable std::mutex mutex_;
  std::condition_variable caughtUp_;
  std::int64_t lastPictureStart_ = 0;
  bool finishing_ = false;
  std::string path_;
  MpegTarget target_;
  MpegPlan plan_{};
  bool hasAudio_ = false;
  std::uint64_t partLimit_ = 0;

  std::unique_ptr<media::Encoder> video_;
  std::unique_ptr<media::Encoder> audio_;
  std::unique_ptr<media::Muxer> muxer_;
  platform::File part_;
  int videoStream_ = -1;
  int audioStream_ = -1;
  int parts_ = 0;
  std::uint64_t partPayload_ = 0;  // packet bytes given to this part's muxer
  std::uint64_t gopBytes_ = 0;
  std::uint64_t lastGopBytes_ = 0;
  std::int64_t totalBytes_ = 0;
  ElementaryFile videoEs_;
  ElementaryFile audioEs_;

  std::unique_ptr<media::Scaler> scaler_;
  GUID scalerSubtype_{};
  int scalerWidth_ = 0, scalerHeight_ = 0;
  media::FramePtr picture_;
  std::int64_t nextPts_ = 0;
  std::int64_t firstStart_ = -1;
  long frames_ = 0;

  std::unique_ptr<media::Resampler> resampler_;
  int resamplerRate_ = 0, resamplerChannels_ = 0;
  std::unique_ptr<media::SampleQueue> queue_;
  media::FramePtr sound_;
  std::vector<std::int16_t> converted_;
  std::int64_t soundPts_ = -1;
  double drift_ = 0;  // samples the sound runs ahead of its times, averaged
  struct EarlySound {
    int rate, channels;
    std::int64_t start;
    std::vector<std::uint8_t> data;
  };
  std::vector<EarlySound> early_;
  bool failed_ = false;
};

}  // namespace platform::filters
