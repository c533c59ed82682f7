#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "converter/command_line.h"
#include "converter/list_file.h"
#include "converter/row_format.h"
#include "platform/base/paths.h"

namespace {

TEST(RowFormat, SizesDurationsAndPresets) {
  EXPECT_EQ("2 KB  ", FormatSize(1536));
  EXPECT_EQ("500 byte  ", FormatSize(500));
  EXPECT_EQ("1.50 MB  ", FormatSize(1572864));
  EXPECT_EQ("2.00 GB  ", FormatSize(2147483648LL));
  EXPECT_EQ("01:02:05.45", FormatDuration(3725450));
  EXPECT_EQ(" 320  x  240", FormatResolution(320, 240));
  CVideoPreset v;
  v.width = 320;
  v.height = 240;
  v.frameRate = 29.97;
  v.bitrate = 768;
  EXPECT_EQ("320 x 240 / 29.97fps / 768kbps", FormatVideoPreset(v));
  CAudioPreset a;
  a.channels = 1;
  a.sampleRate = 22050;
  a.bitrate = 64;
  EXPECT_EQ("Mono / 22050hz / 64kbps", FormatAudioPreset(a));
  a.channels = 2;
  EXPECT_EQ("Stereo / 22050hz / 64kbps", FormatAudioPreset(a));
}

TEST(RowFormat, ModesNameTheirDeviceAndFolders) {
  EXPECT_EQ(kModePspAvc, PspModeForProfile("PSP AVC 480p"));
  EXPECT_EQ(kModePsp, PspModeForProfile("avc only at the start"));
  EXPECT_EQ("PSP_OUTPUT/100ANV01", ModeOutputFolder(kModePspAvc));
  EXPECT_EQ("IPOD_IPHONE_OUTPUT", ModeOutputFolder(kModeIpad));
  EXPECT_EQ("profile/iPod", ModeProfileFolder(kModeIpad));
  EXPECT_EQ("iPod && iPhone", DeviceName(kModeIpodIphone));
  EXPECT_EQ("", DeviceName(kModeXvidHd));
}

TEST(RowFormat, TheFrameCountIsInTheOutputsFramesAndEndsAtItsTotal) {
  // 4 s of 25 fps (100 input frames) at 29.97: the total counts output frames.
  EXPECT_EQ("(60 / 120)", FormatFrameCount(60, 100, 4000, 29.97, false));
  // Never past the total while converting; the end takes the converter's own last count.
  EXPECT_EQ("(120 / 120)", FormatFrameCount(121, 100, 4000, 29.97, false));
  EXPECT_EQ("(121 / 121)", FormatFrameCount(121, 100, 4000, 29.97, true));
  // 10.5 s at 29.97 is 315 frames, not 10 whole seconds' 299; PAL 25 keeps the input's count.
  EXPECT_EQ("(0 / 315)", FormatFrameCount(0, 400, 10500, 29.97, false));
  EXPECT_EQ("(100 / 250)", FormatFrameCount(100, 250, 10000, 25, false));
  // An end without a frame number, an unknown duration or rate: what is known.
  EXPECT_EQ("(250 / 250)", FormatFrameCount(0, 250, 10000, 25, true));
  EXPECT_EQ("(10 / 400)", FormatFrameCount(10, 400, 0, 29.97, false));
  EXPECT_EQ("(10 / 400)", FormatFrameCount(10, 400, 10500, 0, false));
}

TEST(ProgressFill, GuardsAnEmptyRangeAndCountsFromTheMinimum) {
  EXPECT_EQ(50, ProgressFillWidth(50, 0, 100, 100));
  EXPECT_EQ(0, ProgressFillWidth(5, 0, 0, 100));
  EXPECT_EQ(0, ProgressFillWidth(5, 10, 3, 100));
  EXPECT_EQ(50, ProgressFillWidth(15, 10, 20, 100));
  EXPECT_EQ(100, ProgressFillWidth(500, 0, 100, 100));
  EXPECT_EQ(0, ProgressFillWidth(-5, 0, 100, 100));
  EXPECT_EQ(100, ProgressFillWidth(INT32_MAX, INT32_MIN, INT32_MAX, 100));
}

TEST(ListFile, ProjectLinesAndMediaPaths) {
  ProjectEntry e;
  ASSERT_TRUE(ParseProjectLine("[Edit] file=\"Edited Video\";time=65000", &e));
  EXPECT_EQ("Edited Video", e.name);
  EXPECT_EQ(65000, e.time);
  EXPECT_EQ("00:01:05.00", FormatDuration(e.time));
  ASSERT_TRUE(ParseProjectLine("[EDIT]  file=\"My; \"Cut\"\";time=12;", &e));
  EXPECT_EQ("My; \"Cut\"", e.name);
  EXPECT_EQ(12, e.time);
  ASSERT_TRUE(ParseProjectLine("[Edit] file=\"A\"; time=500", &e));
  EXPECT_EQ(0, e.time);
  EXPECT_FALSE(ParseProjectLine("[Edit] file=\"A\";", &e));
  EXPECT_FALSE(ParseProjectLine("[Edit] name=\"A\";time=5", &e));
  EXPECT_FALSE(ParseProjectLine("/home/a/clip.mpg", &e));
  EXPECT_FALSE(ParseProjectLine("[Ed", &e));
}

TEST(ListFile, ReadsRowsInOrderAndRefusesLinks) {
  const std::string dir = platform::TempFolder() + "listfile";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/filelist.tmp";
  std::ofstream(path, std::ios::binary)
      << "/v/a.mpg\r\n\n[Edit] file=\"Edited Video\";time=100\n/v/b c.avi\n[Edit] bad\n";
  ListFile list;
  ASSERT_TRUE(ReadListFile(path, &list));
  EXPECT_EQ((std::vector<std::string>{"/v/a.mpg", "/v/b c.avi", "[Edit] bad"}), list.paths);
  ASSERT_EQ(1u, list.projects.size());
  EXPECT_EQ("Edited Video", list.projects[0].name);
  // Coded lines give back the line breaks the main program coded; a stray '%' stays as it is.
  std::ofstream(path, std::ios::binary) << "[Coded] /v/two%0Alines%0D.mpg\n[Coded] /v/100%25 %zz%4.mpg\n/v/%0A.mpg\n";
  ListFile coded;
  ASSERT_TRUE(ReadListFile(path, &coded));
  EXPECT_EQ((std::vector<std::string>{"/v/two\nlines\r.mpg", "/v/100% %zz%4.mpg", "/v/%0A.mpg"}), coded.paths);
  for (const std::string name : {"/v/a\nb", "/v/tab\t-dash", "/v/\xe9\xff", "[Coded] x"})
    EXPECT_EQ(PathOfListLine(ListLineOfPath(name)), name);
  std::filesystem::create_symlink(path, dir + "/link.tmp");
  ListFile linked;
  EXPECT_FALSE(ReadListFile(dir + "/link.tmp", &linked));
  EXPECT_FALSE(ReadListFile(dir + "/missing.tmp", &linked));
  EXPECT_FALSE(ReadListFile(dir, &linked));
  std::filesystem::remove_all(dir);
}

}  // namespace
