// How a recording ends when something else ends it: a write that fails (a file-size limit, in a
// child process), a quit message or a close while recording. Each leaves a readable file, a list
// or a next start that knows its real length, and no journal that would call it cut short.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "audiorec/tests/recorder_window_fixture.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/filters/recording_recovery.h"
#include "platform/testkit/file_size_limit.h"
#include "platform/dshow/tests/media_clips.h"

namespace auvry::testing {
namespace {

using namespace testkit;

// Whether ffmpeg decodes the whole file without an error.
bool Decodes(const std::string& file, std::string* errors) {
  std::string out;
  int code = -1;
  platform::RunProcess("ffmpeg", {"-v", "error", "-xerror", "-i", file, "-f", "null", "-"}, &out, errors, &code, 60000);
  return code == 0;
}

// Runs `body` in a child process; what it writes comes back as lines.
std::vector<std::string> InChild(const std::function<void(std::ostream& out)>& body) {
  int ends[2];
  if (::pipe(ends) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ends[0]);
    std::ostringstream out;
    body(out);
    const std::string text = out.str();
    const ssize_t written = ::write(ends[1], text.data(), text.size());
    ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(ends[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(ends[0]);
  int status = -1;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(RecorderWindowTest, AWriteThatFailsStopsTheRecordingSaysWhyAndListsTheFileAtItsLength) {
  const std::vector<std::string> seen = InChild([&](std::ostream& out) {
    testkit::FileSizeLimit limit(64 * 1024);
    std::string told, playTime, counted;
    bool idle = false;
    int rows = 0;
    WhenDialogShows([&](HWND d) {
      Advance(600);
      ClickButton(d, IDC_AUVRY_RECORD);
      for (int ms = 0; ms < 15000 && boxes_.Count() == 0; ms += 100) Advance(100);
      counted = ControlText(d, IDC_AUVRY_TIME);
      idle = ControlVisible(d, IDC_AUVRY_RECORD) && !ControlVisible(d, IDC_AUVRY_STOP);
      PumpUntil([&] { return Rows(d) == 1; });
      rows = Rows(d);
      playTime = rows == 1 ? RowText(d, 0, 2) : "";
      if (boxes_.Count() > 0) told = boxes_.Last().text;
      ClickButton(d, IDC_AUVRY_EXIT);
    });
    CRecorderDlg dialog;
    dialog.DoModal();
    out << told << "\n" << playTime << "\n" << idle << "\n" << rows << "\n" << dialog.CurrentFile() << "\n";
  });
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0],
            "The recording stopped: \"WMA_130542.wma\" could not be written (File too large). The recording so far "
            "is kept.");
  EXPECT_EQ(seen[2], "1") << "the window still records";
  ASSERT_EQ(seen[3], "1");
  const std::string file = seen[4];
  EXPECT_LE(platform::FileSize(file), 64 * 1024);
  // Readable to its last whole packet, and listed at the length readers find.
  std::string errors;
  EXPECT_TRUE(Decodes(file, &errors)) << errors;
  const double seconds = media_clips::ProbeDuration(file);
  EXPECT_GT(seconds, 1.0);
  EXPECT_LT(seconds, 6.0);
  EXPECT_EQ(seen[1], FormatPlayTime(static_cast<int>(std::lround(seconds))));
  EXPECT_TRUE(platform::filters::RecordingJournal(Program().outputFolder).Unfinished().empty());
}

TEST_F(RecorderWindowTest, AQuitMessageWhileRecordingFinishesTheFileAndTheNextStartFindsNothingCutShort) {
  bool recording = false;
  WhenDialogShows([&](HWND d) {
    Advance(600);
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(4000);
    recording = ControlVisible(d, IDC_AUVRY_STOP);
    // As the script player and a desktop logout end a program.
    ::PostQuitMessage(0);
  });
  std::string file;
  {
    CRecorderDlg dialog;
    dialog.DoModal();
    file = dialog.CurrentFile();
    EXPECT_FALSE(dialog.Engine().IsOpened());
  }
  MSG quit;
  EXPECT_TRUE(::PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(recording);
  std::string errors;
  EXPECT_TRUE(Decodes(file, &errors)) << errors;
  EXPECT_NEAR(media_clips::ProbeDuration(file), 4.0, 0.3);
  EXPECT_TRUE(platform::filters::RecordingJournal(Program().outputFolder).Unfinished().empty());

  WhenDialogShows([&](HWND d) { ClickButton(d, IDC_AUVRY_EXIT); });
  CRecorderDlg again;
  EXPECT_EQ(IDOK, again.DoModal());
  EXPECT_EQ(boxes_.Count(), 0u) << boxes_.Last().text;
}

TEST_F(RecorderWindowTest, ClosingTheWindowWhileRecordingStopsAndFinishesTheRecording) {
  bool closed = false;
  WhenDialogShows([&](HWND d) {
    Advance(600);
    ClickButton(d, IDC_AUVRY_RECORD);
    Advance(3000);
    ::SendMessage(d, WM_CLOSE, 0, 0);
    closed = !RecordEngine().IsOpened();
  });
  CRecorderDlg dialog;
  EXPECT_EQ(IDOK, dialog.DoModal());
  EXPECT_TRUE(closed);
  std::string errors;
  EXPECT_TRUE(Decodes(dialog.CurrentFile(), &errors)) << errors;
  EXPECT_NEAR(media_clips::ProbeDuration(dialog.CurrentFile()), 3.0, 0.3);
  EXPECT_TRUE(platform::filters::RecordingJournal(Program().outputFolder).Unfinished().empty());
}

}  // namespace
}  // namespace auvry::testing
