#include "converter/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, DeviceOptionsChooseTheModeAndLeaveThePath) {
  EXPECT_EQ(kModePsp, ParseParvelCommandLine("").mode);
  EXPECT_EQ("", ParseParvelCommandLine("").listPath);
  EXPECT_EQ(kModeMobile, ParseParvelCommandLine("/tmp/list.tmp").mode);

  const ParvelCommand ipad = ParseParvelCommandLine("/tmp/v/filelist.tmp /IPad");
  EXPECT_EQ(kModeIpad, ipad.mode);
  EXPECT_EQ("/tmp/v/filelist.tmp", ipad.listPath);
  EXPECT_EQ(kModeIpodIphone, ParseParvelCommandLine("/tmp/filelist.tmp /IPOD_IPHONE").mode);
  EXPECT_EQ(kModeIpod, ParseParvelCommandLine("/ipod /tmp/filelist.tmp").mode);
  EXPECT_EQ(kModeXvidHd, ParseParvelCommandLine("/tmp/a.tmp /XVID-HD").mode);
  EXPECT_EQ(kModeWmvHd, ParseParvelCommandLine("/wmv-hd").mode);
  // A later test wins over an earlier one, whatever the order on the line.
  EXPECT_EQ(kModeMobile, ParseParvelCommandLine("/MOBILE /PSP").mode);
  EXPECT_EQ(kModeIpad, ParseParvelCommandLine("/IPAD /PSP").mode);
}

TEST(CommandLine, ThePathKeepsItsCaseAndOptionsInsideItAreNotOptions) {
  const ParvelCommand c = ParseParvelCommandLine("  /home/Ann/psp/Log Files/iPad/FileList.tmp  /PSP ");
  EXPECT_EQ(kModePsp, c.mode);
  EXPECT_EQ("/home/Ann/psp/Log Files/iPad/FileList.tmp", c.listPath);
  EXPECT_EQ(-1, c.logLocation);
  const ParvelCommand m = ParseParvelCommandLine("/media/mobile/x.tmp");
  EXPECT_EQ(kModeMobile, m.mode);
  EXPECT_EQ("/media/mobile/x.tmp", m.listPath);
  EXPECT_EQ("/tmp/My  Clips/list.tmp", ParseParvelCommandLine("/psp /tmp/My  Clips/list.tmp").listPath);
  // Quoted as a command line quotes it: the quotes go, blanks and escaped quotes stay.
  const ParvelCommand q = ParseParvelCommandLine("\"/tmp/My  \\\"best\\\" Clips/list.tmp\" /IPad");
  EXPECT_EQ(kModeIpad, q.mode);
  EXPECT_EQ("/tmp/My  \"best\" Clips/list.tmp", q.listPath);
}

TEST(CommandLine, LogTakesOneDigitAndNothingElse) {
  const ParvelCommand c = ParseParvelCommandLine("/LOG 1 /tmp/filelist.tmp");
  EXPECT_EQ(1, c.logLocation);
  EXPECT_EQ("/tmp/filelist.tmp", c.listPath);
  EXPECT_EQ(kModeMobile, c.mode);
  EXPECT_EQ(2, ParseParvelCommandLine("/tmp/l.tmp /log:2").logLocation);
  // At the very end, or with no digit after it, the location stays as it was.
  EXPECT_EQ(-1, ParseParvelCommandLine("/tmp/l.tmp /LOG").logLocation);
  const ParvelCommand x = ParseParvelCommandLine("/LOG x /PSP", 0);
  EXPECT_EQ(0, x.logLocation);
  EXPECT_EQ("x", x.listPath);
  EXPECT_EQ(-1, ParseParvelCommandLine("/LOG=z").logLocation);
}

}  // namespace
