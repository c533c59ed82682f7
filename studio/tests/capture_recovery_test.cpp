// Recordings a crash cut short, on the capture page: the journal names each file the running
// recording writes, and the next start repairs, lists and names every one of them at once.
#include <gtest/gtest.h>

#include <filesystem>

#include "capture_fixture.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/filters/asf_header_patch.h"
#include "platform/filters/recording_recovery.h"

namespace studio {
namespace {

using namespace testkit;
using platform::filters::RecordingJournal;

class CaptureRecoveryTest : public CaptureFixture {
 protected:
  // A short MPEG program stream, as the encoder leaves one part.
  static void MakeProgramStream(const std::string& file, int seconds) {
    std::string out, err;
    int code = -1;
    platform::RunProcess(
        "ffmpeg",
        {"-v", "error", "-y", "-f", "lavfi", "-i",
         "testsrc=duration=" + std::to_string(seconds) + ":size=352x240:rate=30000/1001", "-f", "lavfi", "-i",
         "sine=duration=" + std::to_string(seconds), "-c:v", "mpeg1video", "-c:a", "mp2", "-f", "vob", file},
        &out, &err, &code, 60000);
    ASSERT_EQ(code, 0) << err;
  }
};

// While the page records, the journal names the files on disk by their own names, parts
// included, not the base name the parts are made from.
TEST_F(CaptureRecoveryTest, TheJournalNamesTheFilesTheRecordingWrites) {
  const struct {
    int format;
    const char* device;
    std::string first;
  } cases[] = {
      {kDvd, "Vidarro USB Video Capture", "DVD_140509_0.mpg"},
      {kVcd, "Vidarro USB Video Capture", "VCD_140509_0.mpg"},
      {kDvAvi, "Vidarro DV Camcorder", "DV_140509.avi"},
      {kHdv, "Vidarro HDV Camcorder", "HDV_140509.m2ts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    configure = [&c](AppSettings& s) {
      s.recordFormat = c.format;
      s.videoDeviceName = c.device;
      s.quality = 2;
    };
    std::vector<std::string> named;
    RunCapture([&](CQuillonDlg&, CCapturePage& page, HWND p) {
      ASSERT_TRUE(ClickButton(p, IDC_CAPTURE_START));
      ASSERT_TRUE(page.IsRecording());
      Record(1500);
      named = RecordingJournal(Output()).UnfinishedFiles();
      ClickButton(p, IDC_CAPTURE_STOP);
      PumpReal([&] { return !page.IsRecording(); });
    });
    ASSERT_FALSE(named.empty());
    EXPECT_EQ(named.front(), Output() + c.first);
    EXPECT_TRUE(std::filesystem::exists(named.front()));
    EXPECT_TRUE(RecordingJournal(Output()).UnfinishedFiles().empty()) << "an ended recording leaves no journal";
    for (const auto& entry : std::filesystem::directory_iterator(Output())) std::filesystem::remove(entry.path());
  }
}

// The parts a crash left: one message names them all, each is in the clip list, a part that was
// named but never begun is passed over.
TEST_F(CaptureRecoveryTest, TheNextStartListsAndNamesEveryPartOfACutRecording) {
  std::filesystem::create_directories(Output());
  const std::string first = Output() + "DVD_152220_0.mpg", second = Output() + "DVD_152220_1.mpg",
                    never = Output() + "DVD_152220_2.mpg";
  MakeProgramStream(first, 3);
  MakeProgramStream(second, 2);
  ASSERT_TRUE(RecordingJournal(Output()).Begin({first, second, never}));
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND) {
    EXPECT_TRUE(model_.clips.Contains(first));
    EXPECT_TRUE(model_.clips.Contains(second));
    EXPECT_FALSE(model_.clips.Contains(never));
  });
  ASSERT_EQ(boxes_.Count(), 1u);
  const std::string told = boxes_.Last().text;
  EXPECT_NE(told.find(first), std::string::npos) << told;
  EXPECT_NE(told.find(second), std::string::npos) << told;
  EXPECT_EQ(told.find(never), std::string::npos) << told;
  EXPECT_TRUE(RecordingJournal(Output()).UnfinishedFiles().empty());
  EXPECT_NEAR(std::atof(Probe("format=duration", first).c_str()), 3.0, 0.3);
}

// A WMV whose writer kept its header current until the crash: the header counts the packets of
// its last update; the repaired file states the play time of every packet it holds.
TEST_F(CaptureRecoveryTest, ARepairedWmvStatesThePlayTimeOfAllItsPackets) {
  std::filesystem::create_directories(Output());
  const std::string file = Output() + "WMV_152220.wmv";
  std::string out, err;
  int code = -1;
  platform::RunProcess("ffmpeg",
                       {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=8:size=320x240:rate=25", "-f",
                        "lavfi", "-i", "sine=duration=8", "-c:v", "wmv2", "-c:a", "wmav2", file},
                       &out, &err, &code, 60000);
  ASSERT_EQ(code, 0) << err;
  {
    std::string header;
    platform::filters::AsfHeaderPatch patch;
    platform::File stale;
    ASSERT_TRUE(platform::ReadWholeFile(file, &header) && patch.Locate(header));
    ASSERT_TRUE(stale.Open(file, platform::FileMode::ReadWrite));
    const std::int64_t size = stale.Size();
    ASSERT_TRUE(patch.Apply(stale, patch.WholePackets(size * 7 / 10), 55'000'000));
    ASSERT_TRUE(stale.Close());
  }
  ASSERT_LT(std::atof(Probe("format=duration", file).c_str()), 7.0) << "the header as the crash left it";
  ASSERT_TRUE(RecordingJournal(Output()).Begin(file));
  RunCapture([&](CQuillonDlg&, CCapturePage&, HWND) { EXPECT_TRUE(model_.clips.Contains(file)); });
  EXPECT_NEAR(std::atof(Probe("format=duration", file).c_str()), 8.0, 0.3);
}

}  // namespace
}  // namespace studio
