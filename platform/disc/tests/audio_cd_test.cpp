#include <gtest/gtest.h>
#include <libcue/libcue.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "disc_test_support.h"
#include "platform/base/process.h"
#include "platform/disc/qn_audio_cd.h"
#include "platform/disc/sense_codes.h"

using namespace platform::disc;
using disctest::UseDevices;
using disctest::Writer;

namespace {

struct BurnEnd {
  std::atomic<int> calls{0};
  std::atomic<int> status{-1};
  static void Callback(int status, void* context) {
    auto* end = static_cast<BurnEnd*>(context);
    end->status = status;
    ++end->calls;
  }
  bool Wait() {
    for (int i = 0; i < 6000 && calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return calls == 1;
  }
};

std::string Work() {
  const std::string folder = platform::TempFolder() + "audio-work/";
  platform::CreateFolders(folder);
  return folder;
}

// A WAV file of `seconds` of a tone, 16-bit stereo 44.1 kHz, and its samples.
std::string MakeTrack(const std::string& name, const char* seconds, int frequency, std::string* samples) {
  const std::string path = Work() + name + ".wav";
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg",
                       {"-v", "error", "-y", "-f", "lavfi", "-i",
                        "sine=frequency=" + std::to_string(frequency) + ":sample_rate=44100:duration=" + seconds, "-ac",
                        "2", "-c:a", "pcm_s16le", path},
                       &out, &err, &code, 60000);
  EXPECT_EQ(code, 0) << err;
  std::string whole;
  platform::ReadWholeFile(path, &whole);
  const auto data = whole.find("data");
  *samples = data == std::string::npos ? "" : whole.substr(data + 8);
  return path;
}

TEST(AudioCd, ThreeTracksMakeABinCueThatLibcueAndBchunkRead) {
  UseDevices(Writer("CD", "WRITES=CD-R,CD-RW\nMEDIUM=CD-R\n") + Writer("DVD", "WRITES=DVD+R\nMEDIUM=DVD+R\n"));
  CQnAudioCD writer;
  ASSERT_EQ(writer.GetDriveCount(), 1);  // CD writers only
  writer.ChooseDrive(0);
  ASSERT_EQ(writer.TestUnitReady(), 1);
  EXPECT_EQ(writer.GetDiscType(), kCdR);
  EXPECT_EQ(writer.SupportDisc(kWritesCdR), 1);

  std::string samples[3];
  const std::string tracks[3] = {MakeTrack("one", "1.0", 440, &samples[0]), MakeTrack("two", "1.5", 660, &samples[1]),
                                 MakeTrack("three", "0.7", 880, &samples[2])};
  writer.Free();
  writer.SetFinalizeDisc(1);
  for (const auto& t : tracks) EXPECT_EQ(writer.AddAudio(const_cast<char*>(t.c_str()), 0, 150, 0), 1);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurn(&BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  ASSERT_EQ(end.status.load(), 0) << std::hex << writer.GetErrorCode();
  std::uint32_t expected = 0;
  for (const auto& s : samples) expected += 150 + static_cast<std::uint32_t>((s.size() + 2351) / 2352);
  EXPECT_EQ(writer.GetBlocksToWrite(), expected);
  EXPECT_EQ(writer.GetBlocksWritten(), expected);

  const std::string bin = disctest::ImageFolder() + "CD.img";
  const std::string cue = disctest::ImageFolder() + "CD.cue";
  FILE* f = std::fopen(cue.c_str(), "r");
  ASSERT_NE(f, nullptr);
  Cd* cd = cue_parse_file(f);
  std::fclose(f);
  ASSERT_NE(cd, nullptr);
  ASSERT_EQ(cd_get_ntrack(cd), 3);
  for (int i = 1; i <= 3; ++i) {
    Track* track = cd_get_track(cd, i);
    EXPECT_EQ(track_get_index(track, 1) - track_get_index(track, 0), 150) << i;
  }
  cd_delete(cd);

  std::string out, err;
  int code = -1;
  ASSERT_TRUE(platform::RunProcess("bchunk", {"-w", bin, cue, Work() + "back"}, &out, &err, &code, 60000));
  ASSERT_EQ(code, 0) << out << err;
  for (int i = 0; i < 3; ++i) {
    std::string wav;
    ASSERT_TRUE(platform::ReadWholeFile(Work() + "back0" + std::to_string(i + 1) + ".wav", &wav)) << i;
    const std::string back = wav.substr(44);
    const std::size_t diff =
        back.size() > samples[i].size() ? back.size() - samples[i].size() : samples[i].size() - back.size();
    EXPECT_LE(diff, 2352u) << i;
    const std::size_t common = std::min(back.size(), samples[i].size());
    EXPECT_TRUE(back.compare(0, common, samples[i], 0, common) == 0) << i;
  }

  // The written disc is closed: a second burn is refused before writing.
  EXPECT_EQ(writer.StartBurn(&BurnEnd::Callback, &end), 0);
  EXPECT_EQ(writer.GetErrorCode(), kSenseMediumClosed);
  EXPECT_EQ(writer.GetFreeDiscBlock(), 0u);
}

TEST(AudioCd, RefusesWhatDoesNotFitAndReportsWriteErrors) {
  UseDevices(Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\nCAPACITY=200\n") +
             Writer("BAD", "WRITES=CD-R\nMEDIUM=CD-R\nWRITEERROR=160:3:0C:00\n"));
  CQnAudioCD writer;
  std::string samples;
  const std::string track = MakeTrack("long", "1.0", 500, &samples);
  writer.AddAudio(const_cast<char*>(track.c_str()), 0, 150, 0);
  BurnEnd end;
  EXPECT_EQ(writer.StartBurn(&BurnEnd::Callback, &end), 0);  // 150 + 75 sectors > 200
  EXPECT_EQ(writer.GetErrorCode(), kSenseNoSpace);
  EXPECT_EQ(end.calls.load(), 0);
  EXPECT_EQ(writer.AddAudio(const_cast<char*>("/nowhere.wav"), 0, 150, 0), 0);

  writer.ChooseDrive(1);
  ASSERT_EQ(writer.StartBurn(&BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  EXPECT_EQ(end.status.load(), 1);
  EXPECT_EQ(writer.GetErrorCode(), kSenseWriteError);
  EXPECT_EQ(writer.TestUnitReady(), 1);
}

}  // namespace

TEST(AudioCd, TakesNinetyNineTracksAndRefusesAHundredth) {
  UseDevices(Writer("CD", "WRITES=CD-R\nMEDIUM=CD-R\n"));
  CQnAudioCD writer;
  writer.ChooseDrive(0);
  // A sector of raw samples is a track of its own.
  const std::string track = Work() + "sector.raw";
  ASSERT_TRUE(platform::WriteWholeFileAtomic(track, std::string(2352, '\x01')));
  writer.Free();
  for (int i = 1; i <= 99; ++i) ASSERT_EQ(writer.AddAudio(const_cast<char*>(track.c_str()), 0, 150, 0), 1) << i;
  EXPECT_EQ(writer.AddAudio(const_cast<char*>(track.c_str()), 0, 150, 0), 0);
  BurnEnd end;
  ASSERT_EQ(writer.StartBurn(&BurnEnd::Callback, &end), 1);
  ASSERT_TRUE(end.Wait());
  ASSERT_EQ(end.status.load(), 0) << std::hex << writer.GetErrorCode();
  EXPECT_EQ(writer.GetBlocksWritten(), 99u * 151u);
  FILE* f = std::fopen((disctest::ImageFolder() + "CD.cue").c_str(), "r");
  ASSERT_NE(f, nullptr);
  Cd* cd = cue_parse_file(f);
  std::fclose(f);
  ASSERT_NE(cd, nullptr);
  EXPECT_EQ(cd_get_ntrack(cd), 99);
  cd_delete(cd);

  // An emptied list takes tracks again.
  writer.Free();
  EXPECT_EQ(writer.AddAudio(const_cast<char*>(track.c_str()), 0, 150, 0), 1);
}
