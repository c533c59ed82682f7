// Whole jobs on recorded clips: the tree, the backups, the companions, the progress and every
// refusal with its message.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "bdauthor/bdmv_tree.h"
#include "bdauthor/clip_analysis.h"
#include "bdauthor/file_io.h"
#include "bdauthor/job_file.h"
#include "bdauthor/tarnel_job.h"
#include "bdauthor/tests/job_fixture.h"
#include "platform/base/message_box.h"
#include "platform/base/tests/fifo_guard.h"

namespace bdauthor {
namespace {

using test::Exists;
using test::MuxedClip;
using test::MuxOptions;
using test::ReadBytes;
using test::SyntheticVideo;
using test::WorkFolder;

std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return (static_cast<std::uint32_t>(b.at(at)) << 24) | (b.at(at + 1) << 16) | (b.at(at + 2) << 8) | b.at(at + 3);
}

class JobTest : public ::testing::Test {
 protected:
  // Runs a job and returns its result; the messages are in recorder_.
  bool Run(const std::string& config) { return job_.Run(config); }
  void ExpectOneMessage(const std::string& text) {
    ASSERT_EQ(recorder_.Count(), 1u) << (recorder_.Count() ? recorder_.Last().text : "");
    const platform::MessageBoxCall call = recorder_.Last();
    EXPECT_EQ(call.text, text);
    EXPECT_EQ(call.caption, "Tarnel");
    EXPECT_EQ(call.flags, MB_ICONERROR);
    EXPECT_EQ(call.owner, nullptr);
  }

  platform::MessageBoxRecorder recorder_;
  TarnelJob job_;
};

TEST_F(JobTest, WritesTheTreeTheFilesAndTheirBackups) {
  WorkFolder work("full");
  const MuxedClip scanned = work.AddClip(0);
  SyntheticVideo pal;
  pal.width = 720;
  pal.height = 576;
  pal.frameRateCode = 3;
  MuxOptions palTiming;
  palTiming.frameDuration = 3600;
  const MuxedClip companion = work.AddClip(1, pal, palTiming, true);
  work.WriteJob(2, {"0", "0,2,4"});

  ASSERT_TRUE(Run(work.ConfigPath()));
  EXPECT_EQ(recorder_.Count(), 0u);
  EXPECT_EQ(job_.Progress().Percent(), 100);
  for (const std::string& folder : BdmvFolders())
    EXPECT_TRUE(std::filesystem::is_directory(work.Path() + folder)) << folder;

  const std::vector<std::string> files = {"index.bdmv",          "MovieObject.bdmv",   "PLAYLIST/00000.mpls",
                                          "PLAYLIST/00001.mpls", "CLIPINF/00000.clpi", "CLIPINF/00001.clpi"};
  for (const std::string& file : files) {
    const auto main = ReadBytes(work.Path() + "BDMV/" + file);
    ASSERT_FALSE(main.empty()) << file;
    EXPECT_EQ(main, ReadBytes(work.Path() + "BDMV/BACKUP/" + file)) << file;
  }
  EXPECT_EQ(ReadBytes(work.Path() + "BDMV/index.bdmv").size(), 136u);

  // IN is the first entry point, OUT the end of the last frame.
  const auto mpls0 = ReadBytes(work.Path() + "BDMV/PLAYLIST/00000.mpls");
  EXPECT_EQ(Be32(mpls0, 82), scanned.entries.front().pts / 2);
  EXPECT_EQ(Be32(mpls0, 86), (scanned.lastVideoPts + 3003) / 2);
  const auto mpls1 = ReadBytes(work.Path() + "BDMV/PLAYLIST/00001.mpls");
  const std::uint32_t in1 = static_cast<std::uint32_t>(companion.entries.front().pts / 2);
  EXPECT_EQ(Be32(mpls1, 86), (companion.lastVideoPts + 3600) / 2);
  ASSERT_EQ(mpls1.size(), 160u + 2 * 14);  // the mark at 4 s lies past the 2.4 s clip
  EXPECT_EQ(Be32(mpls1, 156 + 4), in1);
  EXPECT_EQ(Be32(mpls1, 170 + 4), in1 + 2 * 45000);
  EXPECT_EQ(mpls1[130], (2 << 4) | 3);

  const auto clpi1 = ReadBytes(work.Path() + "BDMV/CLIPINF/00001.clpi");
  EXPECT_EQ(Be32(clpi1, 56), companion.bytes.size() / 192);
  EXPECT_EQ(Be32(clpi1, 52), 5076000000u / 1353);
  EXPECT_EQ(clpi1[264], (2 << 4) | 3);

  // The companion goes once the job has succeeded; the clips stay.
  EXPECT_FALSE(Exists(work.ClipPath(1) + ".ptsinfo"));
  EXPECT_TRUE(Exists(work.ClipPath(1)));
}

TEST_F(JobTest, NoInputsGiveTheDiscFilesOnly) {
  WorkFolder work("empty");
  work.WriteJob(0, {});
  ASSERT_TRUE(Run(work.ConfigPath()));
  EXPECT_EQ(ReadBytes(work.Path() + "BDMV/index.bdmv").size(), 112u);
  EXPECT_EQ(ReadBytes(work.Path() + "BDMV/BACKUP/MovieObject.bdmv").size(), 206u);
  EXPECT_FALSE(Exists(work.Path() + "BDMV/PLAYLIST/00000.mpls"));
  EXPECT_EQ(job_.Progress().Percent(), 100);
}

TEST_F(JobTest, ChapterMarksAreCleanedSortedAndShifted) {
  WorkFolder work("marks");
  const MuxedClip clip = work.AddClip(0);  // 60 frames: about 2 s
  work.WriteJob(1, {"1.5, 0 ,x,-3,1,,1,99,1e300"});
  ASSERT_TRUE(Run(work.ConfigPath()));
  const auto mpls = ReadBytes(work.Path() + "BDMV/PLAYLIST/00000.mpls");
  const std::uint32_t in = static_cast<std::uint32_t>(clip.entries.front().pts / 2);
  ASSERT_EQ(mpls.size(), 160u + 3 * 14);
  EXPECT_EQ(Be32(mpls, 156 + 4), in);
  EXPECT_EQ(Be32(mpls, 170 + 4), in + 45000);
  EXPECT_EQ(Be32(mpls, 184 + 4), in + 67500);
}

TEST_F(JobTest, CompanionOutlivesAFailedJob) {
  WorkFolder work("keep");
  MuxOptions silent;
  silent.audio = false;
  work.AddClip(0, SyntheticVideo{}, silent, true);
  work.WriteJob(1, {"0"});
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("No stereo 48 kHz LPCM audio stream on PID 0x1100 in m2ts.\n\n" + work.ClipPath(0));
  EXPECT_TRUE(Exists(work.ClipPath(0) + ".ptsinfo"));
}

TEST_F(JobTest, AClipCutShortAfterTheJobMeasuredItIsAnError) {
  WorkFolder work("cut");
  work.AddClip(0);
  InputRecord record;
  record.packetCount = static_cast<std::int32_t>(std::filesystem::file_size(work.ClipPath(0)) / 192 + 1);
  JobProgress progress;
  EXPECT_FALSE(AnalyzeClipStream(work.ClipPath(0), record, progress));
  ExpectOneMessage("Failed to read m2ts.\n\n" + work.ClipPath(0));
}

TEST_F(JobTest, WrongVersionsAreRefusedSilently) {
  WorkFolder work("version");
  work.AddClip(0);
  for (const std::string version : {"0.50", "0.6", ""}) {
    work.WriteJob(1, {"0"}, version);
    EXPECT_FALSE(Run(work.ConfigPath())) << version;
  }
  EXPECT_EQ(recorder_.Count(), 0u);
  EXPECT_FALSE(Exists(work.Path() + "BDMV/index.bdmv"));
}

TEST_F(JobTest, JobFileRefusals) {
  EXPECT_FALSE(Run(test::TempRoot() + "missing-config.txt"));
  ExpectOneMessage("Failed to open config file.\n\n" + test::TempRoot() + "missing-config.txt");
  recorder_.Clear();

  EXPECT_FALSE(Run(test::TempRoot()));  // a folder is no job file
  ExpectOneMessage("Failed to open config file.\n\n" + test::TempRoot());
  recorder_.Clear();

  WorkFolder work("refusals");
  work.WriteJobText(test::JobText("", 1, {"0"}));
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("No output folder in config file.\n\n" + work.ConfigPath());
  recorder_.Clear();

  // Refused before any clip is looked at: none of these exists.
  work.WriteJob(119, {});
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("Too many inputs in config file: 119 (at most 118).\n\n" + work.ConfigPath());
  EXPECT_FALSE(Exists(work.Path() + "BDMV/index.bdmv"));
  EXPECT_EQ(job_.Progress().Percent(), 0);
}

TEST_F(JobTest, OutputPathWithoutTrailingSlashAndLongerThanMaxPath) {
  std::string deep = "deep";
  while (deep.size() < 300) deep += "/abcdefghijklmnopqrstuvwxyz0123456789";
  WorkFolder work(deep);
  work.AddClip(0);
  std::string path = work.Path();
  path.pop_back();
  work.WriteJobText(test::JobText(path, 1, {"0"}));
  ASSERT_TRUE(Run(work.ConfigPath()));
  EXPECT_TRUE(Exists(work.Path() + "BDMV/BACKUP/PLAYLIST/00000.mpls"));
}

TEST_F(JobTest, ClipRefusals) {
  WorkFolder work("clips");
  work.WriteJob(1, {"0"});
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("Failed to open m2ts.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  // Cut off after its first GOP.
  MuxedClip clip = work.AddClip(0);
  clip.bytes.resize(static_cast<std::size_t>(clip.entries[1].firstPacket) * 192 + 100);
  test::WriteBytes(work.ClipPath(0), clip.bytes);
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("EpInfo Count is less than 2.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  test::WriteText(work.ClipPath(0), std::string(100000, 'x'));
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("EpInfo Count is less than 2.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  test::WriteText(work.ClipPath(0), "");
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("EpInfo Count is less than 2.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  SyntheticVideo odd;
  odd.height = 600;
  work.AddClip(0, odd);
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("not supported resolution.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  SyntheticVideo mpeg1;
  mpeg1.extension = false;
  work.AddClip(0, mpeg1);
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("No MPEG-2 video stream on PID 0x1011 in m2ts.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  MuxOptions sameStamp;
  sameStamp.stampStep = 0;
  work.AddClip(0, SyntheticVideo{}, sameStamp);
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("Arrival time stamps of m2ts give no recording rate.\n\n" + work.ClipPath(0));
  recorder_.Clear();

  // A companion that announces nothing.
  work.AddClip(0);
  test::WriteText(work.ClipPath(0) + ".ptsinfo", "0\n");
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("EpInfo Count is less than 2.\n\n" + work.ClipPath(0));
  EXPECT_FALSE(Exists(work.Path() + "BDMV/index.bdmv"));
}

TEST_F(JobTest, FailedBackupCopyIsReported) {
  WorkFolder work("backup");
  work.AddClip(0);
  work.WriteJob(1, {"0"});
  std::filesystem::create_directories(work.Path() + "BDMV");
  test::WriteText(work.Path() + "BDMV/BACKUP", "in the way");
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("Failed to copy backup file.\n\n" + work.Path() + "BDMV/BACKUP/index.bdmv");
  EXPECT_NE(job_.Progress().Percent(), 100);
}

TEST_F(JobTest, FileThatCannotBeCreatedEndsTheJob) {
  WorkFolder work("blocked");
  work.AddClip(0);
  work.WriteJob(1, {"0"});
  std::filesystem::create_directories(work.Path() + "BDMV/PLAYLIST/00000.mpls");
  EXPECT_FALSE(Run(work.ConfigPath()));
  ExpectOneMessage("failed to create mpls.\n\n" + work.Path() + "BDMV/PLAYLIST/00000.mpls");
  // What was written before stays; nothing after it is attempted.
  EXPECT_TRUE(Exists(work.Path() + "BDMV/MovieObject.bdmv"));
  EXPECT_FALSE(Exists(work.Path() + "BDMV/CLIPINF/00000.clpi"));
}

TEST_F(JobTest, ReadOnlyOutputFolderFailsAtTheFirstFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  WorkFolder work("readonly");
  work.AddClip(0);
  work.WriteJob(1, {"0"});
  ::chmod((work.Path() + "BDMV").c_str(), 0555);
  EXPECT_FALSE(Run(work.ConfigPath()));
  ::chmod((work.Path() + "BDMV").c_str(), 0755);
  ExpectOneMessage("failed to create index.bdmv");
}

TEST(FileWrite, FullDiskIsAWriteFailureAndTheOldFileStays) {
  const std::string path = test::TempRoot() + "full.bdmv";
  test::WriteText(path, "old");
  // The file-size limit stands in for a full disk.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{1024, 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    _exit(WriteWholeFile(path, std::vector<std::uint8_t>(100000, 1)) == WriteResult::kWriteFailed ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadBytes(path).size(), 3u);
  EXPECT_EQ(WriteWholeFile(test::TempRoot(), std::vector<std::uint8_t>(100, 1)), WriteResult::kCreateFailed);
}

// A FIFO as job file, clip, companion or output file held the job in open() for good.
TEST_F(JobTest, FifosAreRefusedWithoutBlocking) {
  WorkFolder work("fifo");
  {
    platform::test::FifoGuard job(work.ConfigPath());
    ASSERT_TRUE(job.Made());
    EXPECT_FALSE(Run(work.ConfigPath()));
    ExpectOneMessage("Failed to open config file.\n\n" + work.ConfigPath());
    recorder_.Clear();
  }
  work.WriteJob(1, {"0"});
  {
    platform::test::FifoGuard clip(work.ClipPath(0));
    ASSERT_TRUE(clip.Made());
    EXPECT_FALSE(Run(work.ConfigPath()));
    ExpectOneMessage("Failed to open m2ts.\n\n" + work.ClipPath(0));
    recorder_.Clear();
  }
  work.AddClip(0);
  {
    // A companion that cannot be read is one that is not there: the clip is scanned instead.
    platform::test::FifoGuard companion(work.ClipPath(0) + ".ptsinfo");
    ASSERT_TRUE(companion.Made());
    EXPECT_TRUE(Run(work.ConfigPath()));
    EXPECT_EQ(recorder_.Count(), 0u);
  }
  {
    platform::test::FifoGuard output(work.Path() + "BDMV/index.bdmv");
    ASSERT_TRUE(output.Made());
    EXPECT_FALSE(Run(work.ConfigPath()));
    ExpectOneMessage("failed to create index.bdmv");
  }
}

TEST_F(JobTest, ProgressIsReadableFromAnotherThreadAndRestarts) {
  WorkFolder work("progress");
  SyntheticVideo longer;
  longer.gops = 40;
  longer.frameBytes = 20000;
  work.AddClip(0, longer);
  work.WriteJob(1, {"0"});
  std::atomic<bool> running{true};
  std::atomic<bool> ordered{true};
  std::thread poller([&] {
    int last = 0;
    while (running.load()) {
      const int percent = job_.Progress().Percent();
      if (percent < 0 || percent > 100) ordered = false;
      if (percent == 0 && last > 0) last = 0;  // the next job restarts
      if (percent < last) ordered = false;
      last = percent;
    }
  });
  EXPECT_TRUE(Run(work.ConfigPath()));
  EXPECT_EQ(job_.Progress().Percent(), 100);
  work.WriteJob(1, {"0"}, "9.9");
  EXPECT_FALSE(Run(work.ConfigPath()));
  EXPECT_EQ(job_.Progress().Percent(), 0);
  running = false;
  poller.join();
  EXPECT_TRUE(ordered.load());
}

TEST(JobProgressTable, PercentByState) {
  JobProgress p;
  EXPECT_EQ(p.Percent(), 0);
  p.SetState(JobState::kAnalysing);
  EXPECT_EQ(p.Percent(), 99);  // nothing to scan
  p.AddToScan(1000);
  p.AddScanned(333);
  EXPECT_EQ(p.Percent(), 33);
  p.AddScanned(667);
  EXPECT_EQ(p.Percent(), 99);
  p.SetState(JobState::kWriting);
  EXPECT_EQ(p.Percent(), 99);
  p.SetState(JobState::kDone);
  EXPECT_EQ(p.Percent(), 100);
  p.Reset();
  EXPECT_EQ(p.Percent(), 0);
}

TEST(JobFileValues, ChapterTimesAndCounts) {
  EXPECT_EQ(ParseChapterTimes("0,300,600"), (std::vector<std::int64_t>{0, 13500000, 27000000}));
  EXPECT_EQ(ParseChapterTimes("1.5"), (std::vector<std::int64_t>{67500}));
  EXPECT_EQ(ParseChapterTimes(" 2 , x, -3, 1e300, nan, 4s"), (std::vector<std::int64_t>{90000}));
  EXPECT_TRUE(ParseChapterTimes("").empty());
  EXPECT_EQ(ParseCount(""), 0);
  EXPECT_EQ(ParseCount("abc"), 0);
  EXPECT_EQ(ParseCount(" 12abc"), 12);
  EXPECT_EQ(ParseCount("-4"), -4);
  EXPECT_GT(ParseCount("99999999999999999999999"), 118);
}

}  // namespace
}  // namespace bdauthor
