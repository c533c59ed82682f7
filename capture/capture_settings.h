// The settings records the capture page fills and every capture graph hands to its file
// writers. Paths are whole UTF-8 strings: nothing is cut to a fixed length.
#pragma once

#include <string>

struct MpegCaptureSettings {
  std::string fileName;     // the output ".mpg"; parts are named from it
  int streamType = 7;       // 3 VCD NTSC, 4 VCD PAL, 9 SVCD NTSC, 10 SVCD PAL, 7 DVD NTSC, 8 DVD PAL
  int resolutionLevel = 2;  // DVD: 2 full width, 1 352 wide, 0 352 wide at half height
  int qualityLevel = 0;     // 0-3: bit rate and motion search
  int maxFileSizeMB = 0;
  int videoBitRate = 5000000;
  int longPlay = 0;
  int recordAndBurn = 0;
  int fixedValue = 1;
  int aspect = 0;  // 0 4:3, 1 16:9
};

struct WmvCaptureSettings {
  std::string fileName;
  std::string profilePath;
  std::string title;
  std::string author;
  std::string description;
  std::string copyright;
};

struct AviCaptureSettings {
  std::string fileName;
  int reserved1 = 0;
  int reserved2 = 0;
};
