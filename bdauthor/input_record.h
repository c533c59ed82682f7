// What the job knows about one input clip: filled by the job and the clip analysis, read by the
// playlist and clip information writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bdauthor {

// Packet identifiers of the recorder's clip layout; the stream tables of the playlist and the
// clip information file name them.
constexpr std::uint16_t kVideoPid = 0x1011;
constexpr std::uint16_t kAudioPid = 0x1100;
constexpr std::uint16_t kPcrPid = 0x1001;
constexpr std::uint16_t kPmtPid = 0x0100;

constexpr int kSourcePacketSize = 192;
constexpr int kTransportPacketSize = 188;

constexpr int kVideoCodingMpeg2 = 2;
constexpr int kAudioCodingLpcm = 128;

struct EpEntry {
  std::int64_t pts = 0;        // 90 kHz
  std::int32_t packet = 0;     // source packet number where the entry starts
  std::int32_t sizeClass = 0;  // I-picture end offset class, 0..7
};

struct StreamAttributes {
  int videoCodingType = 0;
  int videoFormat = 0;
  int aspectRatio = 0;
  int frameRate = 0;
  int audioCodingType = 0;
  int audioPresentationType = 0;
  int samplingFrequency = 0;
  std::string language = "eng";
};

struct InputRecord {
  std::int64_t firstPts = 0;  // IN time, 45 kHz
  std::int64_t lastPts = 0;   // OUT time, 45 kHz: end of the last frame
  StreamAttributes attributes;
  std::vector<std::int64_t> chapterMarks;  // 45 kHz; job-relative until the analysis shifts them
  std::vector<EpEntry> entryPoints;
  std::int32_t packetCount = 0;
  std::int64_t recordingRate = 0;  // bytes per second
  bool hasCompanion = false;
};

// I-picture end offset class of an entry point spanning the given packets (inclusive).
int SizeClassOf(std::int64_t firstPacket, std::int64_t lastPacket);

// 90 kHz duration of one frame for an MPEG-2 frame rate code; 0 for a code without a rate.
std::int64_t FrameDuration90k(int frameRateCode);

}  // namespace bdauthor
