// Reads back what the MPEG encoder wrote, with libavformat and libavcodec.
#pragma once

#include <string>
#include <vector>

namespace platform::filters::test {

struct StreamFacts {
  std::string codec;
  int width = 0, height = 0;
  int fpsNum = 0, fpsDen = 0;
  int darNum = 0, darDen = 0;
  int sampleRate = 0, channels = 0;
};

struct FileFacts {
  bool opened = false;
  std::string format;
  StreamFacts video, audio;
  std::vector<long long> codes;  // frame codes of the decoded pictures, in display order
  std::vector<double> flashes;   // seconds: presentation times of the white pictures
  std::vector<double> bursts;    // seconds: where each 2 kHz burst in the 1 kHz tone begins
};

// decode: also decodes every picture and reads its frame code, and finds the flashes and the
// bursts of the simulated pattern.
FileFacts ProbeFile(const std::string& path, bool decode);

// Whether every flash has a burst starting within tolerance seconds of it.
bool FlashesMeetBursts(const FileFacts& facts, double tolerance);

}  // namespace platform::filters::test
