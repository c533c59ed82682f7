// Every picture of whole streams, its planes and its converted bitmap, hashed and held to the
// hashes a known good decoder gave: work on the decoder's speed must not change one byte.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "mpegdec/tests/stream_writer.h"
#include "mpegdec/tests/test_media.h"
#include "mpegdec/video_decoder.h"

using namespace mpegtest;

namespace {

struct Fnv {
  uint64_t h = 0xcbf29ce484222325ull;
  void Add(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  }
  void Add(const std::vector<uint8_t>& v) { Add(v.data(), v.size()); }
};

std::string Hex(uint64_t v) {
  char s[24];
  std::snprintf(s, sizeof s, "0x%016" PRIx64, v);
  return s;
}

struct Decoded {
  int pictures = 0;
  uint64_t hash = 0;
};

// Decode order, each picture's three planes and its bottom-up 24-bit bitmap.
Decoded HashWholeDecode(const std::string& path) {
  Decoded d;
  CMpegVideoDecoder decoder;
  if (decoder.Open(path.c_str(), nullptr, 0, 0, 2048, 2048) != 1) return d;
  CMpegStreamReader& r = *decoder.baseReader();
  Fnv fnv;
  std::vector<uint8_t> out;
  do {
    if (decoder.picture.Prepare() != 1) return d;
    for (int format : {kOutputLuma, kOutputCb, kOutputCr, kOutputBitmap}) {
      out.resize(size_t(decoder.picture.OutputSize(format)));
      uint16_t w = 0, h = 0;
      const int n = decoder.picture.DecodeToRgb(out.data(), &w, &h, format);
      if (n <= 0) return d;
      fnv.Add(out.data(), size_t(n));
    }
    ++d.pictures;
    const int fieldState = r.header.picture_structure != kFramePicture && !r.secondField ? 1 : 0;
    if (r.FindNextPicture(fieldState, 0, r.pictureNumber + 1) != 1) break;
    decoder.picture.SelectCurrentFrame(true);
  } while (true);
  d.hash = fnv.h;
  return d;
}

uint64_t ThumbnailHash(const std::string& path) {
  Fnv fnv;
  MpegThumbnail thumb;
  for (const auto& [w, h] : {std::pair<int, int>{80, 60}, {33, 17}}) {
    if (DecodeMpegThumbnailSized(path.c_str(), thumb, w, h) != 1) return 0;
    fnv.Add(thumb.bitmap);
  }
  return fnv.h;
}

uint64_t FileHash(const std::string& path) {
  Fnv fnv;
  fnv.Add(ReadAll(path));
  return fnv.h;
}

struct Known {
  const char* name;
  const char* args;  // ffmpeg's, or empty for a stream of the test's own writer
  uint64_t file;     // the stream as written; another ffmpeg's stream proves nothing here
  int pictures;
  uint64_t planes;
  uint64_t thumbnails;  // made straight at 80x60 and 33x17 from the first picture
};

}  // namespace

TEST(PlaneHashes, WholeStreamsDecodeToTheKnownPictures) {
  // Moving shapes under noise that changes every picture, with B pictures: every prediction,
  // field and frame transforms, both scans, the three chroma formats, MPEG-1 and program streams.
#define MOVING(size, rate) "-f lavfi -i testsrc2=size=" size ":rate=" rate ",noise=alls=8:allf=t+u -threads 1 "
  const Known streams[] = {
      {"hash_dvd_ntsc.mpg",
       MOVING("720x480", "30000/1001") "-frames:v 12 -c:v mpeg2video -g 12 -bf 2 -b:v 6M -flags +ilme+ildct "
                                       "-top 1 -f dvd",
       0x29e9b4db603fcba9, 12, 0xc21ca6cd412790b0, 0x714f569138dc3ed8},
      {"hash_pal_prog.mpg", MOVING("720x576", "25") "-frames:v 10 -c:v mpeg2video -g 10 -bf 2 -q:v 4 -f vob",
       0xf5c59a0914f1faaa, 10, 0xef2bee8d4811d00e, 0x5246a0f02b6d76c3},
      {"hash_hd_int.m2v",
       MOVING("1440x1080", "25") "-frames:v 5 -c:v mpeg2video -g 5 -bf 1 -q:v 5 -flags +ilme+ildct -top 1 "
                                 "-f mpeg2video",
       0x49b39f5beedbebe6, 5, 0x9376252ee4ce7cae, 0x56284b65ec9129b3},
      {"hash_422_alt.m2v",
       MOVING("352x288", "25") "-frames:v 7 -pix_fmt yuv422p -c:v mpeg2video -g 7 -bf 2 -flags +ilme+ildct "
                               "-alternate_scan 1 -q:v 2 -f mpeg2video",
       0x43cfc449a055193f, 7, 0xebe3e4222ec96d22, 0x21914c89e5087c33},
      {"hash_mpeg1.mpg", MOVING("352x240", "30000/1001") "-frames:v 9 -c:v mpeg1video -g 9 -bf 2 -q:v 4 -f mpeg",
       0x1037ec003dab01a3, 9, 0x878960554693a7e1, 0x393952003a56b0da},
      {"hash_synth_fields.m2v", "", 0x65b6dbb666c6e271, 7, 0xdab46db7389f6f76, 0x0dc64d9709e0afb9},
      {"hash_synth_444.m2v", "", 0xcee83a344e90f48f, 4, 0xf9d12f10060e2945, 0x226c1bd4b5092f7a},
  };
#undef MOVING
  for (const Known& k : streams) {
    SCOPED_TRACE(k.name);
    const std::string path = TempPath(k.name);
    if (*k.args) {
      if (!Ffmpeg(std::string(k.args) + " " + path)) GTEST_SKIP() << "ffmpeg cannot make " << k.name;
      if (FileHash(path) != k.file) {
        std::printf("%s: this ffmpeg writes another stream (%s), its pictures are not compared\n", k.name,
                    Hex(FileHash(path)).c_str());
        continue;
      }
    } else {
      SynthStream s;
      s.width = 96;
      s.height = 64;
      s.pictures = 4;
      if (std::string(k.name) == "hash_synth_fields.m2v") {
        s.progressiveSequence = 0;
        s.fieldPictures = true;
        s.framePredFrameDct = 0;
      } else {
        s.chromaFormat = 3;
        s.matrixCoefficients = 6;
      }
      WriteAll(path, MakeIntraStream(s));
      ASSERT_EQ(Hex(FileHash(path)), Hex(k.file)) << "the test's stream writer changed; hash its pictures anew";
    }
    const Decoded d = HashWholeDecode(path);
    EXPECT_EQ(d.pictures, k.pictures);
    EXPECT_EQ(Hex(d.hash), Hex(k.planes)) << "stream " << Hex(FileHash(path));
    EXPECT_EQ(Hex(ThumbnailHash(path)), Hex(k.thumbnails));
  }
}
