// The plain data behind a profile and its streams, and their text form: our own XML.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/com/guid.h"

namespace platform::wmf {

struct StreamData {
  bool video = false;
  int codec = 0;  // index in the codec list of its kind
  std::uint16_t number = 0;
  std::string name;
  std::string connection;
  std::string language;
  std::uint32_t bitrate = 0;
  std::uint32_t bufferWindow = 3000;
  // Audio.
  std::uint32_t sampleRate = 0;
  std::uint16_t channels = 0;
  // Video.
  std::int32_t width = 0, height = 0;
  std::int64_t frameTime = 0;  // 100-ns units
  std::uint32_t quality = 0;
  std::int64_t maxKeyFrameSpacing = 0;
  std::map<std::string, std::uint32_t> properties;  // "_VBRQUALITY", "_RMAX"...
};

struct ProfileData {
  std::string name;
  std::string description;
  std::vector<StreamData> streams;
};

std::string ToXml(const ProfileData& profile);
// False for text that is not a whole profile.
bool FromXml(const std::string& xml, ProfileData* profile);

// The codecs the ASF writer encodes with: one of each kind.
struct AudioFormat {
  std::uint32_t bitrate, sampleRate;
  std::uint16_t channels;
};
const std::vector<AudioFormat>& AudioFormats();
std::string AudioFormatText(const AudioFormat& f);  // "128 kbps, 48 kHz, stereo CBR"
const char* CodecName(bool video);                  // "Windows Media Audio 2" / "Windows Media Video 8"
const char* EncoderName(bool video);                // "wmav2" / "wmv2"

}  // namespace platform::wmf
