#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "disc_test_support.h"
#include "platform/base/process.h"
#include "platform/disc/cdrdao_write.h"
#include "platform/disc/cue_sheet.h"
#include "platform/disc/qn_video_cd.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;
using disctest::BurnEnd;
using disctest::RunTool;
using disctest::UseDevices;
using disctest::Writer;

namespace {

// A Video CD's BIN/CUE pair as vcdxbuild makes it, from two seconds of a test picture.
std::string MakeVideoCdPair() {
  const std::string work = platform::TempFolder() + "vcd-work/";
  platform::CreateFolders(work);
  RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=352x240:rate=30000/1001:duration=2", "-f",
                     "lavfi", "-i", "sine=duration=2", "-target", "ntsc-vcd", work + "clip.mpg"});
  platform::WriteWholeFileAtomic(
      work + "videocd.xml",
      "<?xml version=\"1.0\"?>\n<!DOCTYPE videocd PUBLIC \"-//GNU//DTD VideoCD//EN\" "
      "\"http://www.gnu.org/software/vcdimager/videocd.dtd\">\n<videocd "
      "xmlns=\"http://www.gnu.org/software/vcdimager/1.0/\" class=\"vcd\" "
      "version=\"2.0\"><info><album-id>A</album-id><volume-count>1</volume-count><volume-number>1</volume-number>"
      "<restriction>0</restriction></info><pvd><volume-id>A</volume-id><system-id>CD-RTOS CD-BRIDGE</system-id>"
      "</pvd><sequence-items><sequence-item src=\"" +
          work +
          "clip.mpg\" id=\"sequence-00\"/></sequence-items>"
          "</videocd>\n");
  int code = -1;
  RunTool("vcdxbuild", {"--cue-file=" + work + "v.cue", "--bin-file=" + work + "v.bin", work + "videocd.xml"}, &code);
  return code == 0 ? work + "v.cue" : std::string();
}

TEST(VideoCd, ThePairLandsOnTheBlankCdAndVcdInfoReadsIt) {
  UseDevices(Writer("W", "WRITES=CD-R,DVD+R\nMEDIUM=CD-R\n"));
  const std::string cue = MakeVideoCdPair();
  ASSERT_FALSE(cue.empty());
  CQnVideoCD writer;
  ASSERT_EQ(writer.GetDriveCount(), 1);
  ASSERT_EQ(writer.ChooseDrive(0), 1);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnCue(cue.c_str(), &BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status, 0);
  EXPECT_EQ(writer.GetBlocksWritten(), writer.GetBlocksToWrite());
  const std::string info = RunTool("vcd-info", {"--no-banner", "--cue-file", disctest::ImageFolder() + "W.cue"});
  EXPECT_NE(info.find("2: 00:08:00"), std::string::npos) << info;
  // The disc is closed now: a second burn is refused before a block is written.
  EXPECT_EQ(writer.StartBurnCue(cue.c_str(), &BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseMediumClosed);
}

TEST(VideoCd, WrongDiscsAndWriteErrorsAreReported) {
  const std::string cue = MakeVideoCdPair();
  ASSERT_FALSE(cue.empty());
  UseDevices(Writer("W", "WRITES=CD-R,DVD+R\nMEDIUM=DVD+R\n"));
  CQnVideoCD dvd;
  dvd.ChooseDrive(0);
  EXPECT_EQ(dvd.StartBurnCue(cue.c_str(), &BurnEnd::Callback, nullptr), 0);
  EXPECT_EQ(dvd.GetErrorCode(), kSenseIncompatible);
  EXPECT_EQ(dvd.StartBurnCue("/no/such.cue", &BurnEnd::Callback, nullptr), 0);
  EXPECT_EQ(dvd.GetErrorCode(), kSenseSourceUnreadable);

  UseDevices(Writer("W", "WRITES=CD-R\nMEDIUM=CD-R\nCAPACITY=300\n"));
  CQnVideoCD small;
  small.ChooseDrive(0);
  EXPECT_EQ(small.StartBurnCue(cue.c_str(), &BurnEnd::Callback, nullptr), 0);
  EXPECT_EQ(small.GetErrorCode(), kSenseNoSpace);

  UseDevices(Writer("W", "WRITES=CD-R\nMEDIUM=CD-R\nWRITEERROR=100:3:0C:00\n"));
  CQnVideoCD faulty;
  faulty.ChooseDrive(0);
  BurnEnd end;
  ASSERT_EQ(faulty.StartBurnCue(cue.c_str(), &BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status, 1);
  EXPECT_EQ(faulty.GetErrorCode(), Sense(3, 0x0C, 0));
  EXPECT_FALSE(platform::FileExists(disctest::ImageFolder() + "W.cue"));
}

TEST(VideoCd, TheSheetNamesTheImageAndCdrdaoGetsItUnchanged) {
  const std::string sheet = "FILE \"v.bin\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n";
  EXPECT_EQ(CueNamingBin(sheet, "W.bin"), "FILE \"W.bin\" BINARY\n  TRACK 01 MODE2/2352\n    INDEX 01 00:00:00\n");

  EXPECT_EQ(CdrdaoArguments("/dev/sr0", "/work/my \"disc\".cue", 0),
            (std::vector<std::string>{"write", "--device", "/dev/sr0", "-n", "/work/my \"disc\".cue"}));
  // 1200 KB/s is 8x; a sheet named like an option stays a file.
  EXPECT_EQ(CdrdaoArguments("/dev/sr1", "-x.cue", 1200),
            (std::vector<std::string>{"write", "--device", "/dev/sr1", "-n", "--speed", "8", "./-x.cue"}));

  CdrdaoRun seen;
  SetCdrdaoRunner([&](const CdrdaoRun& run) {
    seen = run;
    if (run.progress) run.progress(50);
    return CdrdaoResult{true, 1, "Starting write\nERROR: Inserted disk is not empty and not appendable.\n"};
  });
  CdrdaoRun run;
  run.args = CdrdaoArguments("/dev/sr0", "/w/v.cue", 0);
  run.cuePath = "/w/v.cue";
  int percent = -1;
  run.progress = [&](int p) { percent = p; };
  const CdrdaoResult result = RunCdrdao(run);
  SetCdrdaoRunner(nullptr);
  EXPECT_EQ(seen.args, run.args);
  EXPECT_EQ(seen.cuePath, "/w/v.cue");
  EXPECT_EQ(percent, 50);
  EXPECT_EQ(CdrdaoReason(result.messages), "Inserted disk is not empty and not appendable.");
  EXPECT_EQ(CdrdaoPercent("Wrote 30 of 120 MB (Buffers 100%  98%)."), 25);
  EXPECT_EQ(CdrdaoPercent("Writing track 01 (mode MODE2_RAW/MODE2_RAW)..."), -1);
}

}  // namespace
