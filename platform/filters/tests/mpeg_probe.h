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
};

// decode: also decodes every picture and reads its frame code.
FileFacts ProbeFile(const std::string& path, bool decode);

}  // namespace platform::filters::test
