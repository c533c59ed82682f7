// The bench's decode loops and peers on small streams ffmpeg makes: every frame counted once by
// each contender (field pairs included) and the project's frames, in display order, matching
// ffmpeg's decode.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/common/av_first_picture.h"
#include "bench/mpegdec/decoders.h"
#include "bench/mpegdec/field_pairs.h"

namespace {

std::string Temp(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

bool Ffmpeg(const std::string& args, const std::string& out) {
  return std::system(("ffmpeg -nostdin -v error -y " + args + " '" + out + "'").c_str()) == 0;
}

double MeanDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double total = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) total += std::abs(a[i] - b[i]);
  return a.empty() ? 0 : total / static_cast<double>(a.size());
}

void ExpectEveryFrame(const std::string& path, int frames) {
  EXPECT_EQ(ProjectDecodeAll(path), frames) << path;
  EXPECT_EQ(AvcodecDecodeAll(path), frames) << path;
  EXPECT_EQ(Libmpeg2DecodeAll(path), frames) << path;
  DecodeCheck check;
  ASSERT_TRUE(CheckAgainstFfmpeg(path, check)) << path;
  EXPECT_EQ(check.projectFrames, frames) << path;
  EXPECT_EQ(check.ffmpegFrames, frames) << path;
  // Frames out of display order would compare different pictures and fall far below this.
  EXPECT_GE(check.lowestLuma, 40) << path;
  for (double p : check.psnr) EXPECT_GE(p, 40) << path;
}

TEST(BenchDecoders, ProgramStreamWithBPicturesAndOpenGroups) {
  const std::string ps = Temp("ibbp.mpg");
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=352x288:rate=25,noise=alls=8:allf=t -frames:v 40 -c:v mpeg2video "
             "-b:v 3M -g 15 -bf 2 -flags +ilme+ildct -f vob",
             ps));
  ExpectEveryFrame(ps, 40);
}

TEST(BenchDecoders, FieldPairsCountOnceAFrame) {
  const std::string fields = Temp("fields.m2v");
  std::string why;
  ASSERT_TRUE(
      WriteFieldPairStream("-f lavfi -i testsrc2=size=352x480:rate=30000/1001,noise=alls=8:allf=t", 12, fields, &why))
      << why;
  ExpectEveryFrame(fields, 12);
}

TEST(BenchDecoders, DrainedFirstPictureComesAtOnceInTheSizeAsked) {
  const std::string es = Temp("first.m2v");
  // Noise that changes every picture: any picture but the first differs all over.
  ASSERT_TRUE(
      Ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=25,noise=alls=20:allf=t -frames:v 20 -c:v mpeg2video "
             "-q:v 2 -g 15 -bf 2",
             es));
  const std::string first = Temp("first.bgr");
  ASSERT_TRUE(Ffmpeg("-i '" + es + "' -frames:v 1 -pix_fmt bgr24 -f rawvideo", first));
  bench::AvPicture full, small, through;
  ASSERT_TRUE(bench::AvFirstPicture(es, 0, 0, &full));
  EXPECT_EQ(full.width, 320);
  EXPECT_EQ(full.height, 240);
  FILE* f = std::fopen(first.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<std::uint8_t> theirs(full.bgr.size());
  ASSERT_EQ(std::fread(theirs.data(), 1, theirs.size(), f), theirs.size());
  std::fclose(f);
  EXPECT_LE(MeanDifference(full.bgr, theirs), 2.0);
  ASSERT_TRUE(bench::AvFirstPicture(es, 80, 60, &small));
  ASSERT_TRUE(bench::AvFirstPicture(es, 80, 60, &through, true));
  ASSERT_EQ(small.bgr.size(), 80u * 60 * 3);
  ASSERT_EQ(through.bgr.size(), small.bgr.size());
  EXPECT_FALSE(bench::AvFirstPicture(Temp("missing.mpg"), 80, 60));
}

}  // namespace
