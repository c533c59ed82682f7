// What the simulated camcorders record when no tape file is named: a short loop of the pattern
// and its tone, as DV DIF frames or as an HDV transport stream, made once per process and played
// over and over with its clocks running on. Also the DV decoding the stock DV filters share.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::dshow::sim {

inline constexpr std::size_t kTsPacket = 188;
inline constexpr std::size_t kDvFrameNtsc = 120000;
inline constexpr std::size_t kDvFramePal = 144000;

// DIF frames of the pattern (720x480 at 29.97 or 720x576 at 25) with the tone in their audio.
const std::vector<std::vector<std::uint8_t>>& DvLoop(bool pal);

// An HDV transport stream: PAT, PMT and PCR, MPEG-2 video 1440x1080 interlaced 16:9 (type 2) and
// MPEG-1 Layer II audio (type 3); HdvLoopFrames video frames long at 29.97 frames per second.
const std::vector<std::uint8_t>& HdvLoop();
int HdvLoopFrames();
inline constexpr std::uint16_t kHdvVideoPid = 0x0100;
inline constexpr std::uint16_t kHdvAudioPid = 0x0101;

// Moves the clocks of TS packets on by ticks of 90 kHz (PCR, PTS and DTS) and numbers each PID's
// packets on from counters (16 per PID, indexed by PID), so a repeated loop reads as one stream.
class TsLoopRebaser {
 public:
  TsLoopRebaser();
  void Rebase(std::uint8_t* packets, std::size_t size, std::int64_t ticks);

 private:
  std::vector<std::uint8_t> counters_;
};

// The 16-bit interleaved stereo samples of a DIF frame's audio; false when it holds none.
bool DvFrameAudio(const std::uint8_t* frame, std::size_t size, std::vector<std::int16_t>* pcm);

// A dvvideo decoder giving packed YUY2 at full (720) or half (360) width and height.
class DvPictureDecoder {
 public:
  DvPictureDecoder();
  ~DvPictureDecoder();
  DvPictureDecoder(const DvPictureDecoder&) = delete;
  DvPictureDecoder& operator=(const DvPictureDecoder&) = delete;
  // False when the frame does not decode.
  bool Decode(const std::uint8_t* frame, std::size_t size, int width, int height, std::vector<std::uint8_t>* yuy2);

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace platform::dshow::sim
