// What the tests of a disc's fidelity share: still test cards of known shapes, what outside readers
// say of a disc's streams, and a frame compared by PSNR with its source fitted into the frame by
// ffmpeg alone, so that a squeezed, stretched or strip picture fails.
#pragma once

#include <string>
#include <vector>

namespace studio::packs {

// A still test card of two seconds: its bars and blocks move when a picture is squeezed,
// stretched or cut.
struct Source {
  std::string path;
  double shape = 0;   // display aspect
  std::string sound;  // "mp2", "ac3", ""
};

// What the tool wrote on stdout; "FAILED: " and its stderr when it failed.
std::string Tool(const std::vector<std::string>& args);
// A card of `size` with sample aspect `sar` (its display aspect `shape`) and `sound`, encoded so.
Source Make(const std::string& path, const std::string& size, const std::string& sar, double shape,
            const std::string& sound, const std::vector<std::string>& encoding, const std::string& rate = "30000/1001");
// The filter that fits the source into a width x height frame shown at `frameShape`.
std::string Fitted(const Source& source, int width, int height, double frameShape);
// The PSNR of the stream's frame at `at` against the source's frame fitted by `fit`.
double Psnr(const std::string& stream, const std::string& source, const std::string& fit, double at);
// "width,height,rate" of the stream's picture, and its display aspect into *shape.
std::string Picture(const std::string& stream, double* shape = nullptr);
// The codec of the stream's first sound; empty when it has none.
std::string FirstSound(const std::string& stream);
void ExpectPicture(const std::string& stream, const std::string& picture, double shape);
// A file of an ISO image (ISO 9660 name, e.g. "/VIDEO_TS/VTS_01_1.VOB;1"), copied out.
bool Extract(const std::string& image, const std::string& inside, const std::string& path);
// lsdvd's words on title `title` (1-based): its block of the verbose report.
std::string LsdvdTitle(const std::string& report, int title);

}  // namespace studio::packs
