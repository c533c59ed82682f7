#include "convengine/output_naming.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "convengine/convert_ffmpeg.h"
#include "platform/base/paths.h"

namespace mordax {
namespace {

namespace fs = std::filesystem;

class OutputNamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = platform::TempFolder() + "naming/";
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void Touch(const std::string& name) { std::ofstream(folder_ + name) << "x"; }
  static std::tm At(int h, int m, int s) {
    std::tm t{};
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
  }
  std::string folder_;
};

TEST_F(OutputNamingTest, SourceNameWithClockOnClash) {
  const auto clock = [] { return At(9, 5, 7); };
  EXPECT_EQ(MakeOutputPath("holiday", folder_, "@src_name", ".mp4", clock), folder_ + "holiday.mp4");
  Touch("holiday.mp4");
  EXPECT_EQ(MakeOutputPath("holiday", folder_, "@SRC_NAME", ".mp4", clock), folder_ + "holiday_090507.mp4");
  // A folder given without its trailing "/" is the same folder.
  EXPECT_EQ(MakeOutputPath("holiday", folder_.substr(0, folder_.size() - 1), "@SRC_NAME", ".mp4", clock),
            folder_ + "holiday_090507.mp4");
}

TEST_F(OutputNamingTest, CounterPatternTakesTheNextFreeNumber) {
  EXPECT_EQ(MakeOutputPath("x", folder_, "M4V###", ".MP4"), folder_ + "M4V000.MP4");
  Touch("M4V000.MP4");
  EXPECT_EQ(MakeOutputPath("x", folder_, "M4V###", ".MP4"), folder_ + "M4V001.MP4");
  // Text after the run is dropped.
  EXPECT_EQ(MakeOutputPath("x", folder_, "M4V#tail", ".MP4"), folder_ + "M4V0.MP4");

  const auto clock = [] { return At(23, 59, 1); };
  Touch("V0.avi");
  for (int n = 0; n < 10; ++n) Touch("V" + std::to_string(n) + ".avi");
  EXPECT_EQ(MakeOutputPath("x", folder_, "V#", ".avi", clock), folder_ + "V10.avi");
  Touch("V10.avi");
  EXPECT_EQ(MakeOutputPath("x", folder_, "V#", ".avi", clock), folder_ + "V10_235901.avi");
}

TEST_F(OutputNamingTest, FixedNamesAndRefusals) {
  const auto clock = [] { return At(1, 2, 3); };
  EXPECT_EQ(MakeOutputPath("x", folder_, "movie", ".3gp", clock), folder_ + "movie.3gp");
  Touch("movie.3gp");
  EXPECT_EQ(MakeOutputPath("x", folder_, "movie", ".3gp", clock), folder_ + "movie_010203.3gp");
  // When even the timed name is taken and the clock does not move, give up rather than spin.
  Touch("movie_010203.3gp");
  EXPECT_EQ(MakeOutputPath("x", folder_, "movie", ".3gp", clock), "");

  EXPECT_EQ(MakeOutputPath("x", folder_ + "missing/", "movie", ".3gp"), "");
  EXPECT_EQ(MakeOutputPath("", folder_, "movie", ".3gp"), "");
  EXPECT_EQ(MakeOutputPath("x", "", "movie", ".3gp"), "");
  // An empty pattern would make a hidden file of the extension alone.
  EXPECT_EQ(MakeOutputPath("clip", folder_, "", ".avi"), folder_ + "clip.avi");
}

// Two converters that chose one name (two sessions sharing a folder): each writes its own
// partial file, and the one that finishes second takes the next free name instead of
// replacing the first one's output.
TEST_F(OutputNamingTest, AFinishedOutputNeverReplacesAnother) {
  const std::string output = folder_ + "clip.mp4";
  const std::string partial = PartialOutputPath(output);
  EXPECT_EQ(partial, folder_ + ".clip.part" + std::to_string(::getpid()) + ".mp4");
  std::ofstream(partial) << "second";
  Touch("clip.mp4");
  EXPECT_EQ(NameFinishedOutput(partial, output), folder_ + "clip_2.mp4");
  EXPECT_FALSE(fs::exists(partial));
  std::ifstream first(output), second(folder_ + "clip_2.mp4");
  std::string a, b;
  first >> a;
  second >> b;
  EXPECT_EQ("x", a);
  EXPECT_EQ("second", b);
  // The partial file is made before FFmpeg may write over it: a name held already is passed over.
  std::ofstream(partial) << "held";
  EXPECT_EQ(ReservePartialOutput(output), PartialOutputPath(output, 2));
  EXPECT_EQ(ReservePartialOutput(output), PartialOutputPath(output, 3));
  EXPECT_EQ(fs::file_size(PartialOutputPath(output, 3)), 0u);
  EXPECT_EQ(ReservePartialOutput(folder_ + "nowhere/clip.mp4"), "");
  fs::remove(PartialOutputPath(output, 2));
  fs::remove(PartialOutputPath(output, 3));
  std::ofstream(partial) << "third";
  EXPECT_EQ(NameFinishedOutput(partial, folder_ + "fresh.mp4"), folder_ + "fresh.mp4");
  EXPECT_EQ(NameFinishedOutput(folder_ + "missing", folder_ + "other.mp4"), "");

  // A counter pattern's clash takes the pattern's next number: a player lists only such names.
  const auto next = [this] { return MakeOutputPath("clip", folder_, "M4V#####", ".MP4"); };
  Touch("M4V00000.MP4");
  std::ofstream(partial) << "fourth";
  EXPECT_EQ(NameFinishedOutput(partial, folder_ + "M4V00000.MP4", next), folder_ + "M4V00001.MP4");
  // A pattern that offers the taken name again falls back to the numbered one.
  std::ofstream(partial) << "fifth";
  EXPECT_EQ(NameFinishedOutput(partial, output, [&] { return output; }), folder_ + "clip_3.mp4");
}

}  // namespace
}  // namespace mordax
