#include "convengine/failure_reason.h"

#include <gtest/gtest.h>

namespace mordax {
namespace {

// Output of FFmpeg 5.1 with "-loglevel level+info", cut into chunks as a pipe delivers them.
std::string Read(const std::vector<std::string>& chunks) {
  FailureReason reason;
  for (const std::string& c : chunks) reason.Feed(c);
  return reason.Text();
}

TEST(FailureReasonTest, TheCauseIsPreferredToFfmpegsClosingSummaries) {
  EXPECT_EQ("PSP mode need one video and one audio stream",
            Read({"[info] Press [q] to stop, [?] for help\n[psp @ 0x55be891fb780] [err",
                  "or] PSP mode need one video and one audio stream\n",
                  "[error] Could not write header for output file #0 (incorrect codec parameters ?): Invalid argument\n"
                  "[error] Error initializing output stream 0:0 -- \n[info] Conversion failed!\n"}));
  // An input FFmpeg cannot read names the file; the last cause wins over an earlier one.
  EXPECT_EQ("/clips/broken.mpg: Invalid data found when processing input",
            Read({"[mpeg @ 0x1] [error] first problem\r",
                  "[fatal] /clips/broken.mpg: Invalid data found when processing input\n"}));
  // Only summaries: the last of them, without its dangling " -- ".
  EXPECT_EQ(
      "Error initializing output stream 0:0",
      Read({"[error] Could not write header for output file #0\n[error] Error initializing output stream 0:0 -- \n"}));
  // A last line without its end counts too.
  EXPECT_EQ("Unknown encoder 'libfoo'", Read({"[error] Unknown encoder 'libfoo'"}));
}

TEST(FailureReasonTest, StatisticsWarningsAndUntaggedTextAreNoCause) {
  EXPECT_EQ("", Read({"[info] frame=   90 fps=0.0 q=2.0 size=  151kB time=00:00:03.00 bitrate= 411.2kbits/s\r",
                      "[mp3 @ 0x5] [warning] Header missing\n", "Error while decoding stream #0:1\n", "[error\n"}));
  EXPECT_EQ("", ShortErrorLine("[info] [error] in the text"));
  EXPECT_EQ("", ShortErrorLine("[error]   "));
  // Nested contexts before the level.
  EXPECT_EQ("width not divisible by 2 (321x240)",
            ShortErrorLine("[libx264 @ 0x7] [graph 0 @ 0x8] [error] width not divisible by 2 (321x240)\r"));
}

TEST(FailureReasonTest, PathsAreShownByTheirFileNames) {
  FailureReason reason;
  reason.Shorten("/home/a/clips/holiday.mpg", "holiday.mpg");
  reason.Shorten("/home/a/out/.M4V00001.part77.MP4", "M4V00001.MP4");
  reason.Feed("[error] /home/a/clips/holiday.mpg: Invalid data found when processing input\n");
  EXPECT_EQ("holiday.mpg: Invalid data found when processing input", reason.Text());
  reason.Feed("[fatal] /home/a/out/.M4V00001.part77.MP4: No space left on device\n");
  EXPECT_EQ("M4V00001.MP4: No space left on device", reason.Text());
}

TEST(FailureReasonTest, ALongLineIsCutForTheStatusLine) {
  const std::string path(300, 'x');
  const std::string shown = ShortErrorLine("[error] " + path + ": No such file or directory");
  EXPECT_EQ(120u, shown.size());
  EXPECT_EQ("...", shown.substr(117));
  EXPECT_EQ(0u, shown.find("xxx"));
}

}  // namespace
}  // namespace mordax
