#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/file_system.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder.h"
#include "platform/filters/mpeg_session.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/filters/tests/mpeg_fixture.h"
#include "platform/filters/tests/mpeg_probe.h"

namespace platform::filters {
namespace {

// A DVD program stream at a small size: quick to encode, with the B pictures a DVD has.
MpegTarget SmallDvdTarget() {
  MpegTarget target;
  target.streamType = 7;
  target.width = 352;
  target.height = 240;
  target.frameRateCode = 4;
  target.videoBitRate = 6000000;
  return target;
}

// Writes past `bytes` fail with EFBIG for the scope's life instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = SIG_DFL;
};

using namespace test;

constexpr std::int64_t kUnitsPerSecond = 10000000;

using dshow::sim::Hardware;

TEST_F(MpegEncoderTest, DvdNtscFullWidthCarriesTheRightStreamsAndEveryFrame) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(720, 480);
  main->SetFrameRateCode(4);
  main->SetVideoBitRate(5000000);
  main->SetAudioBitRate(224);
  main->SetAudioSampleRate(48000);
  main->SetAudioChannels(2);
  const long wide = 1;
  CComPtr<IQnMpegAspect> aspect;
  ASSERT_EQ(encoder.QueryInterface(&aspect), S_OK);
  aspect->SetAspect(0, &wide, 1);
  Record(Folder() + "dvd.mpg", 2000);
  DWORD count = 0;
  parts->GetPartCount(&count);
  EXPECT_EQ(count, 1u);
  const auto facts = ProbeFile(Folder() + "dvd_0.mpg", true);
  ASSERT_TRUE(facts.opened);
  EXPECT_EQ(facts.video.codec, "mpeg2video");
  EXPECT_EQ(facts.video.width, 720);
  EXPECT_EQ(facts.video.height, 480);
  EXPECT_EQ(facts.video.fpsNum * 1001, facts.video.fpsDen * 30000);
  EXPECT_EQ(facts.video.darNum * 9, facts.video.darDen * 16);
  EXPECT_EQ(facts.audio.codec, "mp2");
  EXPECT_EQ(facts.audio.sampleRate, 48000);
  EXPECT_EQ(facts.audio.channels, 2);
  ASSERT_GE(facts.codes.size(), 59u);
  for (std::size_t i = 0; i < facts.codes.size(); ++i) EXPECT_EQ(facts.codes[i], static_cast<long long>(i));
  EXPECT_EQ(NextEvent(), 0);
}

TEST_F(MpegEncoderTest, VcdPalScalesResamplesAndKeepsItsFixedRates) {
  Connect(true, true);
  main->SetStreamType(4);
  Record(Folder() + "vcd.mpg", 1200, 400000);
  const auto facts = ProbeFile(Folder() + "vcd_0.mpg", true);
  ASSERT_TRUE(facts.opened);
  EXPECT_EQ(facts.format, "mpeg");
  EXPECT_EQ(facts.video.codec, "mpeg1video");
  EXPECT_EQ(facts.video.width, 352);
  EXPECT_EQ(facts.video.height, 288);
  EXPECT_EQ(facts.video.fpsNum, 25 * facts.video.fpsDen);
  EXPECT_EQ(facts.audio.sampleRate, 44100);
  ASSERT_GE(facts.codes.size(), 29u);
  EXPECT_EQ(facts.codes.back(), static_cast<long long>(facts.codes.size() - 1));
}

TEST_F(MpegEncoderTest, SplitsBeforeAGopWouldPassTheMaximum) {
  Connect(true);
  main->SetStreamType(7);
  main->SetPictureSize(720, 480);
  main->SetVideoBitRate(8000000);
  main->SetMaxFileSize(2);
  Record(Folder() + "split.mpg", 5000);
  DWORD count = 0;
  parts->GetPartCount(&count);
  ASSERT_GE(count, 2u);
  std::vector<long long> codes;
  for (DWORD i = 0; i < count; ++i) {
    const std::string name = MpegPartName(Folder() + "split.mpg", static_cast<int>(i));
    const std::string data = ReadAll(name);
    EXPECT_LE(data.size(), 2000000u) << name;
    EXPECT_TRUE(StartsWithPack(data)) << name;
    const auto facts = ProbeFile(name, true);
    EXPECT_EQ(facts.video.width, 720) << name;
    codes.insert(codes.end(), facts.codes.begin(), facts.codes.end());
  }
  // The parts together hold every picture once, in order.
  for (std::size_t i = 0; i < codes.size(); ++i) ASSERT_EQ(codes[i], static_cast<long long>(i));
  EXPECT_FALSE(platform::FileExists(MpegPartName(Folder() + "split.mpg", static_cast<int>(count))));
}

TEST(MpegSessionTest, ElementaryStreamsTooLargeForTheFileSystemGoOnInPiecesThatStartCleanly) {
  MpegTarget target = SmallDvdTarget();
  target.elementary = true;
  target.largestFile = 400000;  // a file system that holds no more
  const std::string path = Folder() + "pieces.mpg";
  std::string error;
  auto session = MpegSession::Open(path, target, true, &error);
  ASSERT_NE(session, nullptr) << error;
  const int frames = 150;
  std::vector<std::uint8_t> picture(352 * 240 * 2);
  std::vector<std::int16_t> pcm(1700 * 2);  // room for the longest frame of sound
  long long sample = 0;
  for (int n = 0; n < frames; ++n) {
    dshow::sim::PaintFrame(MEDIASUBTYPE_YUY2, 352, 240, n, 333667, picture.data(), 352 * 2);
    const std::int64_t start = static_cast<std::int64_t>(n) * 333667;
    const auto count = static_cast<std::size_t>((n + 1) * 1601.6) - static_cast<std::size_t>(n * 1601.6);
    dshow::sim::FillTone(pcm.data(), 2, 48000, sample, count);
    ASSERT_TRUE(session->AddSound(48000, 2, reinterpret_cast<const std::uint8_t*>(pcm.data()), count * 4,
                                  sample * 10000000 / 48000));
    sample += static_cast<long long>(count);
    ASSERT_TRUE(session->AddPicture(MEDIASUBTYPE_YUY2, 352, 240, picture.data(), picture.size(), start));
  }
  ASSERT_TRUE(session->Finish());

  for (const char* extension : {".mpv", ".mpa"}) {
    const std::string name = Folder() + "pieces" + extension;
    std::string joined;
    int pieces = 0;
    for (; platform::FileExists(ElementaryPieceName(name, pieces)); ++pieces) {
      const std::string data = ReadAll(ElementaryPieceName(name, pieces));
      EXPECT_LE(data.size(), target.largestFile) << pieces;
      ASSERT_GT(data.size(), 4u);
      if (std::string(extension) == ".mpv")
        EXPECT_EQ(data.compare(0, 4, "\x00\x00\x01\xB3", 4), 0) << "piece " << pieces << " opens a sequence";
      else EXPECT_EQ(static_cast<unsigned char>(data[0]), 0xFF) << "piece " << pieces << " opens a frame";
      joined += data;
    }
    // The sound is small enough for one file; the pictures need several.
    EXPECT_EQ(pieces >= 2, std::string(extension) == ".mpv") << extension << " " << pieces;
    if (std::string(extension) == ".mpv") {
      // Joined again, the pieces are the whole stream: every picture once, in order.
      const std::string whole = Folder() + "pieces_joined.m2v";
      ASSERT_TRUE(platform::WriteWholeFileAtomic(whole, joined));
      const FileFacts facts = ProbeFile(whole, true);
      ASSERT_EQ(facts.codes.size(), static_cast<std::size_t>(frames));
      for (int i = 0; i < frames; ++i) EXPECT_EQ(facts.codes[static_cast<std::size_t>(i)], i);
    }
  }
  for (int i = 0; i < session->Parts(); ++i) EXPECT_LE(platform::FileSize(MpegPartName(path, i)), 400000);
}

// The encoder holds pictures back for its B pictures while new ones are written: a picture it
// still holds is never written over, and a late one fills the frame times it missed.
TEST(MpegSessionTest, HeldAndRepeatedPicturesKeepTheirContent) {
  MpegTarget target = SmallDvdTarget();
  const std::string path = Folder() + "held.mpg";
  std::string error;
  auto session = MpegSession::Open(path, target, false, &error);
  ASSERT_NE(session, nullptr) << error;
  std::vector<std::uint8_t> picture(352 * 240 * 2);
  std::vector<long long> expected;
  std::int64_t slot = 0;
  for (int n = 0; n < 60; ++n) {
    // Every fifth picture comes two frame times late.
    const std::int64_t due = static_cast<std::int64_t>(expected.size()) + (n % 5 == 4 ? 2 : 0);
    for (; slot <= due; ++slot) expected.push_back(n);
    dshow::sim::PaintFrame(MEDIASUBTYPE_YUY2, 352, 240, n, 333667, picture.data(), 352 * 2);
    ASSERT_TRUE(session->AddPicture(MEDIASUBTYPE_YUY2, 352, 240, picture.data(), picture.size(), due * 333667));
  }
  ASSERT_TRUE(session->Finish());
  EXPECT_EQ(session->FramesEncoded(), static_cast<long>(expected.size()));
  const FileFacts facts = ProbeFile(MpegPartName(path, 0), true);
  EXPECT_EQ(facts.codes, expected);
}

// Sound from a card whose clock strays from the picture's, stamped by when it was heard, as live
// sources stamp it: the card starts 0.3 s before the first picture and gives `ppm` millionths more
// (or fewer) samples a second than its rate says. The scene flashes and beeps together; in the
// file they stay together, from the first picture to the last, and after a stretch the card lost.
struct DriftCase {
  int streamType;  // 7 DVD NTSC at 48 kHz, 4 VCD PAL at 44.1 kHz (resampled)
  int width, height;
  REFERENCE_TIME frameDuration;
  long ppm;
  bool gap = false;  // the card gives nothing for half a second, between two beeps 10 s in
};

class MpegSoundDriftTest : public ::testing::TestWithParam<DriftCase> {};

TEST_P(MpegSoundDriftTest, FlashAndBeepStayTogetherFromTheFirstPictureOn) {
  const DriftCase c = GetParam();
  MpegTarget target;
  target.streamType = c.streamType;
  target.width = c.width;
  target.height = c.height;
  const std::string path = Folder() + "drift" + std::to_string(c.ppm) + ".mpg";
  std::string error;
  auto session = MpegSession::Open(path, target, true, &error);
  ASSERT_NE(session, nullptr) << error;
  constexpr int kRate = 48000;
  constexpr std::int64_t kFirstPicture = 3000000;  // 0.3 s after the sound began
  constexpr std::int64_t kBlock = 200000;          // the card's periods: 20 ms
  const double cardRate = kRate * (1.0 + c.ppm / 1e6);
  const int seconds = 30;
  std::vector<std::uint8_t> picture(static_cast<std::size_t>(c.width * c.height * 2));
  std::vector<std::int16_t> pcm;
  long long heard = 0;  // samples the card has given
  std::int64_t nextBlock = 0;
  for (int n = 0; n < seconds * kUnitsPerSecond / c.frameDuration; ++n) {
    const std::int64_t pictureAt = kFirstPicture + n * c.frameDuration;
    for (; nextBlock <= pictureAt; nextBlock += kBlock) {
      const auto until = static_cast<long long>((nextBlock + kBlock) * cardRate / kUnitsPerSecond);
      pcm.resize(static_cast<std::size_t>(until - heard) * 2);
      for (long long i = heard; i < until; ++i) {
        // What the scene sounded at the time the card's sample i was heard.
        const double at = i / cardRate - kFirstPicture / 1e7;
        dshow::sim::FillTone(&pcm[static_cast<std::size_t>(i - heard) * 2], 2, kRate, std::llround(at * kRate), 1);
      }
      const bool lost = c.gap && nextBlock >= 104000000 && nextBlock < 109000000;
      if (!lost) {
        ASSERT_TRUE(session->AddSound(kRate, 2, reinterpret_cast<const std::uint8_t*>(pcm.data()), pcm.size() * 2,
                                      static_cast<std::int64_t>(heard / cardRate * kUnitsPerSecond)));
      }
      heard = until;
    }
    dshow::sim::PaintFrame(MEDIASUBTYPE_YUY2, c.width, c.height, n, c.frameDuration, picture.data(),
                           static_cast<std::size_t>(c.width) * 2);
    ASSERT_TRUE(session->AddPicture(MEDIASUBTYPE_YUY2, c.width, c.height, picture.data(), picture.size(), pictureAt));
  }
  ASSERT_TRUE(session->Finish());
  const FileFacts facts = ProbeFile(MpegPartName(path, 0), true);
  ASSERT_EQ(facts.flashes.size(), static_cast<std::size_t>(seconds));
  // The flash is the first picture at or after its second (at 29.97 Hz up to a frame after it);
  // the beep begins on the second.
  std::vector<double> offsets;
  for (std::size_t k = 0; k < facts.flashes.size(); ++k) {
    const std::int64_t frame = (static_cast<std::int64_t>(k) * kUnitsPerSecond + c.frameDuration - 1) / c.frameDuration;
    const double second = facts.flashes[k] - (static_cast<double>(frame * c.frameDuration) / 1e7 - k);
    double nearest = 1e9;
    for (double burst : facts.bursts)
      if (std::fabs(burst - second) < std::fabs(nearest)) nearest = burst - second;
    offsets.push_back(nearest);
  }
  // The burst heard before the first picture is not in the file: the first one is the flash's.
  ASSERT_FALSE(facts.bursts.empty());
  EXPECT_NEAR(facts.bursts.front(), facts.flashes.front(), 0.04);
  for (std::size_t k = 0; k < offsets.size(); ++k) EXPECT_LT(std::fabs(offsets[k]), 0.04) << "second " << k;
}

INSTANTIATE_TEST_SUITE_P(Cards, MpegSoundDriftTest,
                         ::testing::Values(DriftCase{7, 352, 240, 333667, 5000}, DriftCase{7, 352, 240, 333667, -5000},
                                           DriftCase{4, 352, 288, 400000, 3000},
                                           DriftCase{7, 352, 240, 333667, 1000, true}));

TEST_F(MpegEncoderTest, RecordAndBurnWritesTheElementaryStreamsBesideThePart) {
  Connect(true);
  main->SetStreamType(8);
  main->SetPictureSize(352, 288);
  main->SetFrameRateCode(3);
  main->SetElementaryOutput(1);
  Record(Folder() + "burn.mpg", 1000, 400000);
  const std::string video = ReadAll(Folder() + "burn.mpv");
  const std::string audio = ReadAll(Folder() + "burn.mpa");
  ASSERT_GT(video.size(), 4u);
  EXPECT_EQ(video.compare(0, 4, "\x00\x00\x01\xB3", 4), 0);  // a sequence header first
  ASSERT_GT(audio.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(audio[0]), 0xFF);  // an MPEG audio frame sync
  EXPECT_TRUE(StartsWithPack(ReadAll(Folder() + "burn_0.mpg")));
  const auto es = ProbeFile(Folder() + "burn.mpv", false);
  EXPECT_EQ(es.video.codec, "mpeg2video");
  EXPECT_EQ(es.video.height, 288);
}

TEST_F(MpegEncoderTest, VideoAloneWhenNoSoundIsConnected) {
  Connect(false);
  main->SetStreamType(3);
  Record(Folder() + "mute.mpg", 600);
  const auto facts = ProbeFile(Folder() + "mute_0.mpg", false);
  EXPECT_EQ(facts.video.codec, "mpeg1video");
  EXPECT_TRUE(facts.audio.codec.empty());
}

TEST_F(MpegEncoderTest, AFullDiskAbortsAndAnUnwritableFolderFailsTheRun) {
  Connect(true);
  main->SetStreamType(3);
  // A folder that does not exist, or one that refuses files, fails the run at once.
  ASSERT_EQ(Sink()->SetFileName((Folder() + "missing/x.mpg").c_str(), nullptr), S_OK);
  EXPECT_TRUE(FAILED(control->Run()));
  control->Stop();
  const std::string locked = Folder() + "locked/";
  ::mkdir(locked.c_str(), 0500);
  ASSERT_EQ(Sink()->SetFileName((locked + "x.mpg").c_str(), nullptr), S_OK);
  if (::geteuid() != 0) {
    EXPECT_TRUE(FAILED(control->Run()));
  }
  control->Stop();
  EXPECT_EQ(NextEvent(), 0);

  // A part on a full disk opens and then refuses its writes (files open only when regular, so a
  // file-size limit stands in for the full disk).
  {
    FileSizeLimit full(4096);
    aborted_ = true;
    Record(Folder() + "full.mpg", 600);
  }
  EXPECT_EQ(NextEvent(), EC_ERRORABORT);
}

TEST(MpegPlan, TargetsFollowTheEncoderCalls) {
  MpegTarget dvd;
  dvd.streamType = 12;
  dvd.width = 352;
  dvd.height = 576;
  dvd.frameRateCode = 3;
  dvd.videoBitRate = 1500000;
  dvd.longPlay = true;
  const MpegPlan p = PlanFor(dvd);
  EXPECT_EQ(p.muxer, "dvd");
  EXPECT_EQ(p.width, 352);
  EXPECT_EQ(p.fpsNum, 25);
  EXPECT_LE(p.gop, 15);
  EXPECT_EQ(p.maxRate, 2250000);
  MpegTarget svcd;
  svcd.streamType = 9;
  EXPECT_EQ(PlanFor(svcd).muxer, "svcd");
  EXPECT_EQ(PlanFor(svcd).height, 480);
  EXPECT_LE(PlanFor(svcd).gop, 18);
  EXPECT_EQ(MpegPartName("/a/b/DVD_101010.mpg", 3), "/a/b/DVD_101010_3.mpg");
  EXPECT_EQ(ElementaryName("/a/b/c.MPG", ".mpa"), "/a/b/c.mpa");
}

}  // namespace
}  // namespace platform::filters
