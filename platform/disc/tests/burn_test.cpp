#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include "disc_test_support.h"
#include "platform/base/clock.h"
#include "platform/base/process.h"
#include "platform/base/strings.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;
using disctest::BurnEnd;
using disctest::RunTool;
using disctest::UseDevices;
using disctest::Writer;

namespace {

std::string Work() {
  const std::string folder = platform::TempFolder() + "burn-work/";
  platform::CreateFolders(folder);
  return folder;
}

void WriteFile(const std::string& path, std::size_t bytes, char seed) {
  std::string data(bytes, 0);
  for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(seed + i * 7 % 251);
  platform::CreateFolders(platform::FolderOf(path));
  ASSERT_TRUE(platform::WriteWholeFileAtomic(path, data));
}

std::string Image() { return disctest::ImageFolder() + "W.img"; }

class Burn : public ::testing::Test {
 protected:
  void Use(const std::string& extra) {
    UseDevices(Writer("W", "WRITES=DVD+R,DVD+RW,BD-R,CD-R\nMEDIUM=DVD+R\n" + extra));
    writer.Initialize();
    writer.ChooseDrive(0);
  }
  CQnDataCDDVD writer;
};

TEST_F(Burn, IsoImageIsWrittenThroughLibburnAndReadsBack) {
  Use("CAPACITY=20000\n");
  const std::string src = Work() + "iso-src/";
  WriteFile(src + "movie.bin", 300000, 'a');
  WriteFile(src + "notes/readme.txt", 1000, 'b');
  const std::string iso = Work() + "made.iso";
  int code = -1;
  platform::DeleteFile(iso);
  RunTool("xorriso", {"-outdev", iso, "-volid", "VIDARRO_TEST", "-map", src, "/"}, &code);
  ASSERT_EQ(code, 0);

  BurnEnd end;
  ASSERT_EQ(writer.StartBurnImage(iso.c_str(), &BurnEnd::Callback, &end), 1);
  EXPECT_GT(writer.GetBlocksToWrite(), 0u);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 0);
  EXPECT_EQ(writer.GetBlocksWritten(), writer.GetBlocksToWrite());
  EXPECT_EQ(writer.GetBlocksToWrite() * 2048u, static_cast<unsigned long>(platform::FileSize(iso)));
  EXPECT_EQ(writer.GetTotalDiscBlock(), writer.GetBlocksToWrite());
  EXPECT_EQ(writer.GetFreeDiscBlock(), 0u);  // finalized

  const std::string listing = RunTool("xorriso", {"-indev", Image(), "-pvd_info", "-find", "/", "-type", "f"});
  EXPECT_NE(listing.find("VIDARRO_TEST"), std::string::npos) << listing;
  EXPECT_NE(listing.find("/notes/readme.txt"), std::string::npos) << listing;
  EXPECT_NE(listing.find("/movie.bin"), std::string::npos) << listing;
  const std::string back = Work() + "back.bin";
  RunTool("xorriso", {"-osirrox", "on", "-indev", Image(), "-extract", "/movie.bin", back});
  std::string a, b;
  platform::ReadWholeFile(src + "movie.bin", &a);
  platform::ReadWholeFile(back, &b);
  EXPECT_TRUE(a == b);

  // A written write-once disc takes no second image.
  EXPECT_EQ(writer.StartBurnImage(iso.c_str(), &BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseMediumClosed);
}

TEST_F(Burn, WriteErrorEndsWithFailureAndTheSenseCode) {
  Use("WRITEERROR=40:3:0C:09\n");
  const std::string iso = Work() + "big.iso";
  WriteFile(Work() + "big-src/data.bin", 400000, 'c');
  int code = -1;
  platform::DeleteFile(iso);
  RunTool("xorriso", {"-outdev", iso, "-map", Work() + "big-src/", "/"}, &code);
  ASSERT_EQ(code, 0);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnImage(iso.c_str(), &BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), 0x030C09u);
  // The drive is ready again and the disc counts as written.
  EXPECT_EQ(writer.TestUnitReady(), 1);
  EXPECT_GT(writer.GetTotalDiscBlock(), 0u);
  EXPECT_GT(writer.GetBlocksToWrite(), 0u);
}

TEST_F(Burn, TooSmallDiscAndMissingInputFailBeforeWriting) {
  Use("CAPACITY=50\n");
  const std::string src = Work() + "small/VIDEO_TS/";
  WriteFile(Work() + "many/data.bin", 500000, 'd');
  BurnEnd end;
  EXPECT_EQ(writer.StartBurnFolderInUDF((Work() + "many").c_str(), &BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseNoSpace);
  EXPECT_EQ(writer.GetTotalDiscBlock(), 0u);  // still blank
  EXPECT_EQ(writer.StartBurnFolderInUDF((Work() + "gone").c_str(), &BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseSourceUnreadable);
  EXPECT_EQ(writer.StartBurnData(&BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseBadRequest);
  // A folder that is no DVD-Video folder is refused by the imaging tool.
  WriteFile(Work() + "not-dvd/readme.txt", 100, 'n');
  EXPECT_EQ(writer.StartBurnVideoTSFolder((Work() + "not-dvd").c_str(), &BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseSourceUnreadable);
  // Without genisoimage a folder burn says so.
  const std::string path = std::getenv("PATH");
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(writer.StartBurnFolderInUDF((Work() + "many").c_str(), &BurnEnd::Callback, &end), 0);
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseToolMissing);
  EXPECT_EQ(end.calls.load(), 0);
}

TEST_F(Burn, StopLeavesTheDriveReadyAndTheDiscUsed) {
  Use("PACE=20\n");
  WriteFile(Work() + "stop/data.bin", 400000, 'e');
  BurnEnd end;
  writer.SetFinalizeDisc(1);
  ASSERT_EQ(writer.StartBurnFolderInUDF((Work() + "stop").c_str(), &BurnEnd::Callback, &end), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  writer.StopBurn();
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseAborted);
  EXPECT_EQ(writer.TestUnitReady(), 1);
  EXPECT_GT(writer.GetTotalDiscBlock(), 0u);
  // No imaging leftovers in the private temp folder.
  for (const auto& entry : std::filesystem::directory_iterator(platform::TempFolder()))
    EXPECT_EQ(entry.path().filename().string().find("genisoimage"), std::string::npos);
}

// A slow writer on a test's clock writes only as far as the test has moved that clock, so a
// stop always lands while the disc is being written, and ends it as the stop before the block
// the drive would fail at.
TEST_F(Burn, APacedBurnFollowsTheTestsClockAndAStopLandsWhileWriting) {
  Use("PACE=50\nWRITEERROR=60:3:0C:00\n");
  WriteFile(Work() + "paced/data.bin", 600000, 'p');
  platform::ManualClock clock;
  platform::ScopedClock use(clock);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnFolderInUDF((Work() + "paced").c_str(), &BurnEnd::Callback, &end), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(clock.NowMs(), 0u) << "the burn moved the test's clock";
  EXPECT_LE(writer.GetBlocksWritten(), 1u);
  EXPECT_EQ(end.calls.load(), 0);

  clock.Advance(1000);  // 50 blocks' worth
  for (int i = 0; i < 400 && writer.GetBlocksWritten() < 50; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // The 51st block is handed over and waits for its time.
  EXPECT_EQ(writer.GetBlocksWritten(), 51u);
  EXPECT_EQ(end.calls.load(), 0);

  writer.StopBurn();
  clock.Advance(1000);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseAborted);
  EXPECT_LT(writer.GetBlocksWritten(), writer.GetBlocksToWrite());
  EXPECT_EQ(writer.TestUnitReady(), 1);
}

TEST_F(Burn, AnImageThatVanishesMidBurnFailsAsUnreadable) {
  Use("PACE=50\n");
  const std::string iso = Work() + "vanishing.iso";
  WriteFile(Work() + "vanish-src/data.bin", 400000, 'k');
  int code = -1;
  platform::DeleteFile(iso);
  RunTool("xorriso", {"-outdev", iso, "-map", Work() + "vanish-src/", "/"}, &code);
  ASSERT_EQ(code, 0);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnImage(iso.c_str(), &BurnEnd::Callback, &end), 1);
  ASSERT_EQ(::truncate(iso.c_str(), 0), 0);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseSourceUnreadable);
  EXPECT_LT(writer.GetBlocksWritten(), writer.GetBlocksToWrite());
}

TEST_F(Burn, UdfFolderKeepsLongNamesAndTheLabel) {
  Use("");
  const std::string bd = Work() + "bdmv-disc/";
  WriteFile(bd + "BDMV/STREAM/00000.m2ts", 200000, 'f');
  WriteFile(bd + "BDMV/index.bdmv", 100, 'g');
  writer.SetDiscLabel("A label that is much longer than thirty-two bytes");
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnFolderInUDF((Work() + "bdmv-disc").c_str(), &BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  ASSERT_EQ(end.status.load(), 0);
  const std::string pvd = RunTool("isoinfo", {"-d", "-i", Image()});
  EXPECT_NE(pvd.find("A label that is much longer than"), std::string::npos) << pvd;
}

// Also what the image holds file for file, read back by an outside reader: the title is larger
// than the pieces the burn reads its image tool's output in.
TEST_F(Burn, VideoTsFolderFromDvdauthorReadsWithLsdvd) {
  Use("");
  const std::string work = Work();
  int code = -1;
  RunTool(
      "ffmpeg",
      {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=size=720x480:rate=30000/1001:duration=4", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=48000:duration=4", "-target", "ntsc-dvd", "-b:v", "5000k", work + "clip.mpg"},
      &code);
  ASSERT_EQ(code, 0);
  platform::CreateFolders(work + "dvd");
  const std::string out =
      RunTool("env", {"VIDEO_FORMAT=NTSC", "dvdauthor", "-o", work + "dvd", "-t", work + "clip.mpg"}, &code);
  ASSERT_EQ(code, 0) << out;
  RunTool("env", {"VIDEO_FORMAT=NTSC", "dvdauthor", "-o", work + "dvd", "-T"}, &code);
  ASSERT_EQ(code, 0);

  std::string blocks, err;
  ASSERT_TRUE(
      platform::RunProcess("genisoimage", {"-quiet", "-print-size", "-dvd-video", work + "dvd"}, &blocks, &err, &code));
  // A plain simulated disc is written by the image tool itself; a paced one through libburn.
  for (const char* drive : {"", "PACE=1000000\n"}) {
    SCOPED_TRACE(drive);
    Use(drive);
    writer.SetDiscLabel("20061208_1530");
    writer.SetFinalizeDisc(1);
    BurnEnd end;
    ASSERT_EQ(writer.StartBurnVideoTSFolder((work + "dvd").c_str(), &BurnEnd::Callback, &end), 1);
    ASSERT_TRUE(end.Wait());
    ASSERT_EQ(end.status.load(), 0) << std::hex << writer.GetErrorCode();
    EXPECT_EQ(writer.GetBlocksWritten(), writer.GetBlocksToWrite());
    const std::string info = RunTool("lsdvd", {Image()}, &code);
    EXPECT_NE(info.find("Disc Title: 20061208_1530"), std::string::npos) << info;
    EXPECT_NE(info.find("Title: 01, Length: 00:00:04"), std::string::npos) << info;
    for (const char* name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_01_1.VOB", "VTS_01_0.BUP"}) {
      std::string folder, image;
      ASSERT_TRUE(platform::ReadWholeFile(work + "dvd/VIDEO_TS/" + name, &folder));
      ASSERT_TRUE(platform::RunProcess("isoinfo", {"-i", Image(), "-x", std::string("/VIDEO_TS/") + name + ";1"},
                                       &image, &err, &code));
      EXPECT_EQ(code, 0) << err;
      EXPECT_EQ(image.size(), folder.size()) << name;
      EXPECT_TRUE(image == folder) << name << " differs in the image";
    }
    EXPECT_EQ(platform::FileSize(Image()), std::atoll(blocks.c_str()) * 2048);
  }
}

TEST_F(Burn, DataSessionsAppendAndKeepEarlierFiles) {
  Use("");
  const std::string work = Work();
  WriteFile(work + "data/WMA_235959.wma", 120000, 'h');
  WriteFile(work + "data/A recording with a long name.wma", 5000, 'i');
  writer.Free();
  EXPECT_EQ(writer.LoadSession(), 0u);
  writer.SetDiscLabel("26Dec08_140509");
  writer.SetFinalizeDisc(0);
  writer.AddFile("\\", (work + "data/WMA_235959.wma").c_str(), "WMA_235959.wma", "WMA_2359.wma");
  writer.AddFile("\\", (work + "data/A recording with a long name.wma").c_str(), "A recording with a long name.wma",
                 "A record.wma");
  BurnEnd first;
  ASSERT_EQ(writer.StartBurnData(&BurnEnd::Callback, &first), 1);
  ASSERT_TRUE(first.Wait());
  ASSERT_EQ(first.status.load(), 0) << std::hex << writer.GetErrorCode();
  EXPECT_GT(writer.GetFreeDiscBlock(), 0u);  // left appendable

  const std::string joliet = RunTool("isoinfo", {"-J", "-l", "-i", Image()});
  EXPECT_NE(joliet.find("A recording with a long name.wma"), std::string::npos) << joliet;

  WriteFile(work + "data/second.wma", 7000, 'j');
  writer.Free();
  EXPECT_EQ(writer.LoadSession(), 2u);
  writer.AddFile("\\", (work + "data/second.wma").c_str(), "second.wma", "second.wma");
  // The same name again is kept apart, not replaced.
  writer.AddFile("\\", (work + "data/second.wma").c_str(), "WMA_235959.wma", "WMA_2359.wma");
  writer.SetFinalizeDisc(1);
  BurnEnd second;
  ASSERT_EQ(writer.StartBurnData(&BurnEnd::Callback, &second), 1);
  ASSERT_TRUE(second.Wait());
  ASSERT_EQ(second.status.load(), 0) << std::hex << writer.GetErrorCode();
  EXPECT_EQ(writer.GetFreeDiscBlock(), 0u);

  const std::string listing = RunTool("xorriso", {"-indev", Image(), "-find", "/", "-type", "f"});
  for (const char* name :
       {"/WMA_235959.wma", "/A recording with a long name.wma", "/second.wma", "/WMA_235959 (2).wma"})
    EXPECT_NE(listing.find(name), std::string::npos) << name << "\n" << listing;
  const std::string back = work + "back.wma";
  RunTool("xorriso", {"-osirrox", "on", "-indev", Image(), "-extract", "/WMA_235959.wma", back});
  std::string a, b;
  platform::ReadWholeFile(work + "data/WMA_235959.wma", &a);
  platform::ReadWholeFile(back, &b);
  EXPECT_TRUE(a == b);
}

// An image tool whose image is shorter or longer than the size it gave fails the burn: a disc
// cut short, or one missing its end, is never reported burned, whether the tool writes the
// disc's image itself or libburn does from its output. The tool is a stand-in genisoimage on the
// PATH; the longer image still fits in what the burn reads ahead.
class ImageOfAnotherSize : public Burn, public ::testing::WithParamInterface<const char*> {};

TEST_P(ImageOfAnotherSize, FailsTheBurn) {
  Use(GetParam());
  const std::string bin = Work() + "lying-tool/";
  platform::CreateFolders(bin);
  platform::CreateFolders(Work() + "lying-dvd/VIDEO_TS");
  ASSERT_TRUE(platform::WriteWholeFileAtomic(bin + "genisoimage",
                                             "#!/bin/sh\nfor a; do [ \"$a\" = -print-size ] && { echo 16; exit 0; }; "
                                             "done\nhead -c $((STAND_IN_BLOCKS * 2048)) /dev/zero\n"));
  ASSERT_EQ(::chmod((bin + "genisoimage").c_str(), 0755), 0);
  const std::string path = std::getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  for (const char* blocks : {"10", "20", "16"}) {
    setenv("STAND_IN_BLOCKS", blocks, 1);
    writer.UnloadMedium();
    writer.LoadMedium();
    BurnEnd end;
    ASSERT_EQ(writer.StartBurnVideoTSFolder((Work() + "lying-dvd").c_str(), &BurnEnd::Callback, &end), 1) << blocks;
    ASSERT_TRUE(end.Wait()) << blocks;
    if (std::string(blocks) == "16") {
      EXPECT_EQ(end.status.load(), 0) << std::hex << writer.GetErrorCode();
      EXPECT_EQ(platform::FileSize(Image()), 16 * 2048);
    } else {
      EXPECT_EQ(end.status.load(), 1) << blocks;
      EXPECT_EQ(writer.GetErrorCode(), kSenseSourceUnreadable) << blocks;
    }
  }
  setenv("PATH", path.c_str(), 1);
  unsetenv("STAND_IN_BLOCKS");
}

INSTANTIATE_TEST_SUITE_P(PlainAndPacedDrives, ImageOfAnotherSize, ::testing::Values("", "PACE=1000000\n"));

// A stop while the image tool writes the plain disc's image itself ends the tool, not only the
// wait for it, and the disc counts as used.
TEST_F(Burn, AStopEndsTheToolWritingTheImage) {
  Use("");
  const std::string bin = Work() + "slow-tool/";
  const std::string pidFile = Work() + "slow-tool.pid";
  platform::CreateFolders(bin);
  platform::CreateFolders(Work() + "slow-dvd/VIDEO_TS");
  platform::DeleteFile(pidFile);
  ASSERT_TRUE(platform::WriteWholeFileAtomic(
      bin + "genisoimage", "#!/bin/sh\nfor a; do [ \"$a\" = -print-size ] && { echo 64; exit 0; }; done\necho $$ > '" +
                               pidFile + "'\nhead -c 8192 /dev/zero\nexec sleep 60\n"));
  ASSERT_EQ(::chmod((bin + "genisoimage").c_str(), 0755), 0);
  const std::string path = std::getenv("PATH");
  setenv("PATH", (bin + ":" + path).c_str(), 1);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurnVideoTSFolder((Work() + "slow-dvd").c_str(), &BurnEnd::Callback, &end), 1);
  for (int i = 0; i < 400 && writer.GetBlocksWritten() < 4; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(writer.GetBlocksWritten(), 4u) << "progress is what the image holds";
  EXPECT_EQ(end.calls.load(), 0);
  std::string pid;
  ASSERT_TRUE(platform::ReadWholeFile(pidFile, &pid));
  writer.StopBurn();
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseAborted);
  setenv("PATH", path.c_str(), 1);
  EXPECT_NE(::kill(std::atoi(pid.c_str()), 0), 0) << "the tool still runs";
  EXPECT_EQ(writer.TestUnitReady(), 1);
  EXPECT_GT(writer.GetTotalDiscBlock(), 0u);
}

}  // namespace
