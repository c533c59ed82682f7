// libFuzzer target: the clip list's calls on arbitrary file contents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "mpegdec/video_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/mpegdec_fuzz_" + std::to_string(getpid()) + ".mpg";
  }();
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return 0;
  if (size) fwrite(data, 1, size, f);
  fclose(f);
  CMpegVideoDecoder decoder;
  if (decoder.Open(path.c_str(), nullptr, 0, 0, 2048, 2048, 352, 288) == 1) {
    std::vector<uint8_t> out(size_t(decoder.picture.OutputSize(kOutputBitmap)));
    CMpegStreamReader& reader = *decoder.baseReader();
    if (reader.lastPictureIndex < 0) reader.CountPictures();
    decoder.picture.Prepare();
    uint16_t w, h;
    decoder.picture.DecodeToRgb(out.data(), &w, &h, kOutputBitmap);
  }
  decoder.Close();
  remove(path.c_str());
  return 0;
}
