// Recordings a crash left, told of by the next wizard: a recording that a live wizard in another
// session still makes is never offered, and one that a kill cut short is offered with every file
// it left, the readable MPEG kept.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>

#include "capture_graphs.h"
#include "left_recordings.h"
#include "platform/base/file.h"
#include "platform/testkit/other_session.h"
#include "platform/window/remote_windows.h"
#include "record_burn_dvd_page.h"
#include "record_burn_support.h"
#include "work_folder_owner.h"
#include "wizard_ids.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace fs = std::filesystem;

std::string ReadOrEmpty(const std::string& path) {
  std::string content;
  platform::ReadWholeFile(path, &content);
  return content;
}

// Waits (real time, bounded, pumping) until `done`.
bool WaitReal(const std::function<bool()>& done, int seconds = 90) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < giveUp) {
    if (done()) return true;
    Pump();
    ::Sleep(50);
  }
  return false;
}

// The files of the one work folder under `base` that holds a video stream with data.
std::vector<std::string> RecordingFiles(const std::string& base) {
  std::error_code ignored;
  for (const auto& folder : fs::directory_iterator(base, ignored)) {
    if (!folder.is_directory()) continue;
    std::vector<std::string> files;
    bool video = false;
    for (const auto& file : fs::directory_iterator(folder.path(), ignored)) {
      files.push_back(file.path().string());
      video |= file.path().extension() == ".mpv" && file.file_size(ignored) > 0;
    }
    if (video) return files;
  }
  return {};
}

class LeftRecordings : public WizardTest {
 protected:
  void TearDown() override {
    wizard::ReleaseCaptureGraphs();
    WizardTest::TearDown();
  }
  // The texts of the message boxes a fresh wizard shows on its way to page 343, where it is
  // closed; `answer` is queued for each.
  std::vector<std::string> BoxesOnTheWayToRecording(int answer) {
    boxes_.Clear();
    for (int i = 0; i < 4; ++i) boxes_.QueueAnswer(answer);
    CWendrelDlg dialog;
    int reached = 0;
    WhenDialogShows([&](HWND d) {
      for (int step = 0; step < 2; ++step) ClickButton(d, IDC_NEXT), Pump();
      for (int step = 0; step < 4; ++step) ClickButton(d, IDC_NEXT), Pump();
      reached = ActivePage(dialog);
      time_.Advance(200);
      ClickButton(d, IDC_EXIT);
    });
    dialog.DoModal();
    EXPECT_EQ(IDD_PAGE_DVD_RECORD, reached);
    std::vector<std::string> texts;
    for (const auto& call : boxes_.Calls()) texts.push_back(call.text);
    return texts;
  }
};

TEST_F(LeftRecordings, ALiveRecordingInAnotherSessionIsLeftAloneAndAfterAKillEveryFileIsNamed) {
  const std::string base = wizard::State().outputFolder;
  const std::string script = env_.Home() + "record.script", report = env_.Home() + "record.report";
  // The other wizard goes through its pages on their defaults and records until it is killed.
  std::ofstream(script) << R"(program Wendrel
step "Recording starts" 120
  wait-window "Narvell Vidarro 5.0"
  click 12324
  wait-text 1052 "Insert a blank DVD disc into your drive."
  click 12324
  wait-shown 1091
  click 12324
  wait-shown 1100
  click 12324
  wait-text 1148 "USB cable"
  click 12324
  wait-shown 1115
  click 12324
  wait-enabled 1128
  click 1128
  wait-enabled 1133
step "Recording goes on" 600
  wait-text 1131 "never shown"
)";
  platform::StartWindowTransport();
  OtherSession session;
  ASSERT_TRUE(session.Ready());
  auto other = std::make_unique<ProgramProcess>();
  {
    ScopedVariable playing("VIDARRO_SCRIPT", script);
    ScopedVariable reported("VIDARRO_SCRIPT_REPORT", report);
    ScopedVariable runtime = session.Enter();
    ASSERT_TRUE(other->Start("Wendrel"));
  }
  ASSERT_TRUE(WaitReal([&] { return ReadOrEmpty(report).find("done\tRecording starts") != std::string::npos; }))
      << ReadOrEmpty(report) << other->Output();
  std::vector<std::string> live;
  ASSERT_TRUE(WaitReal([&] {
    live = RecordingFiles(base);
    return !live.empty();
  })) << other->Output();

  // This wizard reaches its record page while the other records: nothing is offered.
  for (const std::string& text : BoxesOnTheWayToRecording(IDYES))
    EXPECT_EQ(std::string::npos, text.find("cut short")) << text;
  for (const std::string& file : live) EXPECT_TRUE(platform::FileExists(file)) << file;
  ASSERT_TRUE(other->Running()) << other->Output();

  other.reset();  // SIGKILL
  const std::vector<std::string> left = RecordingFiles(base);
  std::vector<std::string> mpegs, streams;
  for (const std::string& file : left) {
    const std::string ext = fs::path(file).extension().string();
    if (ext == ".mpg") mpegs.push_back(file);
    if (ext == ".mpv" || ext == ".mpa") streams.push_back(file);
  }
  ASSERT_EQ(1u, mpegs.size()) << ::testing::PrintToString(left);
  ASSERT_EQ(2u, streams.size()) << ::testing::PrintToString(left);

  const std::vector<std::string> texts = BoxesOnTheWayToRecording(IDYES);
  ASSERT_EQ(1u, texts.size()) << ::testing::PrintToString(texts);
  EXPECT_NE(std::string::npos, texts[0].find("cut short")) << texts[0];
  const std::size_t kept = texts[0].find("The recorded MPEG is kept");
  ASSERT_NE(std::string::npos, kept) << texts[0];
  EXPECT_NE(std::string::npos, texts[0].find("\"" + mpegs[0] + "\"", kept)) << texts[0];
  for (const std::string& stream : streams) EXPECT_NE(std::string::npos, texts[0].find("\"" + stream + "\"")) << stream;
  // Yes removes the streams and the dead owner's mark; the MPEG stays, and nothing is asked again.
  EXPECT_TRUE(platform::FileExists(mpegs[0]));
  for (const std::string& stream : streams) EXPECT_FALSE(platform::FileExists(stream)) << stream;
  EXPECT_FALSE(
      platform::FileExists(wizard::WorkFolderOwner::OwnerFile(fs::path(mpegs[0]).parent_path().string() + "/")));
  EXPECT_TRUE(BoxesOnTheWayToRecording(IDYES).empty());
}

// The streams' pieces and the multiplexer's parts count as files left; a folder this process
// holds counts as live, and once let go its owner file is gone.
TEST(LeftRecordingFiles, PiecesAndPartsAreNamedAndAHeldFolderIsSkipped) {
  Environment env(CurrentTestName());
  const std::string base = env.Documents() + "left/";
  const std::string folder = base + "20261209_1305/";
  fs::create_directories(folder);
  for (const char* name : {"DVD_130501.mpv", "DVD_130501.mpa", "DVD_130501.mpv.0", "DVD_130501_0.mpg",
                           "DVD_130501_1.mpg", "1.mpg", "1.mpg1", "authorinfo.xml", "notes.mpvx"})
    std::ofstream(folder + name) << "x";
  fs::create_directories(base + "not a work folder");
  std::ofstream(base + "not a work folder/DVD_1.mpv") << "x";

  wizard::WorkFolderOwner owner;
  ASSERT_TRUE(owner.Take(folder));
  EXPECT_TRUE(wizard::WorkFolderOwner::HeldElsewhere(folder));
  EXPECT_TRUE(wizard::FindLeftRecordings(base).empty());
  wizard::WorkFolderOwner second;
  EXPECT_FALSE(second.Take(folder)) << "one holder at a time";
  owner.Release();
  EXPECT_FALSE(platform::FileExists(wizard::WorkFolderOwner::OwnerFile(folder)));

  const auto found = wizard::FindLeftRecordings(base);
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(
      (std::vector<std::string>{folder + "DVD_130501.mpa", folder + "DVD_130501.mpv", folder + "DVD_130501.mpv.0"}),
      found[0].streams);
  EXPECT_EQ((std::vector<std::string>{folder + "1.mpg", folder + "1.mpg1", folder + "DVD_130501_0.mpg",
                                      folder + "DVD_130501_1.mpg"}),
            found[0].mpegs);
  EXPECT_TRUE(found[0].owner.empty());
}

}  // namespace
