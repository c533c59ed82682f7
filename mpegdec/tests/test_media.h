#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Media made at test time with ffmpeg, and comparisons of decoded planes.
namespace mpegtest {

std::string TempPath(const std::string& name);
// Runs ffmpeg with the given arguments; true when it exits with 0.
bool Ffmpeg(const std::string& args);
std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& data);

struct Planes {
  int width = 0, height = 0;  // luma
  int chromaWidth = 0, chromaHeight = 0;
  std::vector<uint8_t> y, cb, cr;
};

// Frame `index` (display order) of a file as ffmpeg decodes it, in the given planar format.
bool FfmpegPlanes(const std::string& path, const std::string& pixFmt, int width, int height, int chromaWidth,
                  int chromaHeight, int index, Planes& out);
// The first picture as our decoder gives it through formats 0, 1 and 2.
int DecodePlanes(const std::string& path, Planes& out);

struct Compare {
  int maxDiff = 0;
  double psnr = 0.0;
};
// Compares the common top-left area of two planes.
Compare ComparePlane(const std::vector<uint8_t>& a, int aw, int ah, const std::vector<uint8_t>& b, int bw, int bh);
}  // namespace mpegtest
