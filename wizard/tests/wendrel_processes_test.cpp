// The real wizard and recorder as the user starts them: a disc that a third process puts into a
// shared simulated writer reaches both with the writer's letter, and damaged settings are told of
// and saved again.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_config.h"
#include "platform/disc/sim_drive.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "wizard_state.h"

namespace {

using namespace testkit;
namespace disc = platform::disc;

constexpr const char* kTitle = "Narvell Vidarro 5.0";
constexpr DWORD kWaitMs = 30000;

// Waits (real time, bounded) until the file holds `text`.
bool WaitForText(const std::string& path, const std::string& text, int seconds = 90) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < giveUp) {
    std::string content;
    if (platform::ReadWholeFile(path, &content) && content.find(text) != std::string::npos) return true;
    Pump();
    ::Sleep(50);
  }
  return false;
}

std::string ReadOrEmpty(const std::string& path) {
  std::string content;
  platform::ReadWholeFile(path, &content);
  return content;
}

// The folder for pictures of `program`'s windows, beside this test's own.
std::string PicturesOf(const std::string& program) {
  std::string own = PictureFolder();
  own.pop_back();
  return PictureFolderFor(platform::FolderOf(own) + program);
}

// The wizard and the recorder share the capture devices, so one session runs one of them: the
// recorder runs in a second session of the same user, on the same devices file.
TEST(WendrelProcesses, ADiscPutInByAnotherProcessReachesTheWizardAndTheRecorder) {
  Environment env(CurrentTestName());
  const std::string images = env.Home() + "discs/";
  const std::string devices = env.Home() + "devices.ini";
  std::ofstream(devices) << "<DEVICES>\n[A]\nKIND=writer\nNAME=Writer A\nWRITES=DVD+R\nMEDIUM=DVD+R\nIMAGES=" << images
                         << "\n[B]\nKIND=writer\nNAME=Writer B\nWRITES=CD-R,CD-RW,DVD+R\nIMAGES=" << images << "\n";
  ScopedVariable hardware("VIDARRO_DEVICES", devices);
  const std::string script = env.Home() + "wait.script";
  // Wendrel goes to its writer page (two DVD writers); Auvry opens its audio CD dialog (B, the
  // one CD writer, is chosen), waits there for Erase and then closes it and itself.
  std::ofstream(script) << R"(program Wendrel
step "The writer page" 60
  wait-window "Narvell Vidarro 5.0"
  click 12324
  wait-shown 1084
program Auvry
step "The audio CD dialog" 60
  wait-window "Narvell Vidarro 5.0"
  menu 32773
  wait-shown 1006
step "Erase is offered for the disc put in" 120
  wait-enabled 1010
step "Both windows close" 60
  click 1000
  wait-enabled 1019
  click 1000
)";
  ScopedVariable playing("VIDARRO_SCRIPT", script);
  const std::string wizardReport = env.Home() + "wendrel.report", recorderReport = env.Home() + "auvry.report";
  const std::string wizardDebug = env.Home() + "wendrel.debug";
  platform::StartWindowTransport();
  ProgramProcess wizard, recorder;
  {
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", wizardReport);
    ScopedVariable debug("VIDARRO_DEBUG_OUTPUT", wizardDebug);
    ASSERT_TRUE(wizard.Start("Wendrel"));
  }
  // The recorder's session has a runtime folder of its own, short as the sockets under it need.
  char pattern[] = "/tmp/vidarro-session-XXXXXX";
  ASSERT_NE(nullptr, ::mkdtemp(pattern));
  const std::string otherSession = pattern;
  {
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", recorderReport);
    ScopedVariable runtime("XDG_RUNTIME_DIR", otherSession);
    ASSERT_TRUE(recorder.Start("Auvry"));
  }
  ASSERT_TRUE(WaitForText(wizardReport, "done\tThe writer page")) << ReadOrEmpty(wizardReport) << wizard.Output();
  ASSERT_TRUE(WaitForText(recorderReport, "done\tThe audio CD dialog"))
      << ReadOrEmpty(recorderReport) << recorder.Output();

  // This process is the third: it puts a written CD-RW into writer B, the second in the file.
  std::vector<disc::DriveDesc> writers = disc::ParseDriveSections(devices);
  ASSERT_EQ(2u, writers.size());
  disc::SimDrive b(writers[1]);
  ASSERT_TRUE(b.Change([](disc::MediumState& s) {
    s.kind = disc::kCdRw;
    s.used = true;
    s.usedBlocks = 2000;
    s.trayOpen = false;
  }));

  EXPECT_TRUE(WaitForText(wizardDebug, "Wendrel: disc arrived in E:")) << ReadOrEmpty(wizardDebug);
  EXPECT_EQ(std::string::npos, ReadOrEmpty(wizardDebug).find(" D:"));
  // The recorder's script ends it once Erase was offered for the disc.
  EXPECT_EQ(0, recorder.WaitForExit(240000)) << ReadOrEmpty(recorderReport) << recorder.Output();
  EXPECT_NE(std::string::npos, ReadOrEmpty(recorderReport).find("done\tErase is offered"))
      << ReadOrEmpty(recorderReport);
  EXPECT_EQ(0, wizard.CloseAndWait(kTitle)) << wizard.Output();
  std::filesystem::remove_all(otherSession);
}

// Two writers, each holding a blank DVD+R, and none stored: the writer page shows and applies
// the first, so the blank-disc page finds its disc and leads on to the choice of player.
TEST(WendrelProcesses, TwoWritersWithBlankDiscsLeadPastTheBlankDiscPage) {
  Environment env(CurrentTestName());
  const std::string images = env.Home() + "discs/";
  const std::string devices = env.Home() + "devices.ini";
  std::ofstream(devices) << "<DEVICES>\n[A]\nKIND=writer\nNAME=Writer A\nWRITES=DVD+R\nMEDIUM=DVD+R\nIMAGES=" << images
                         << "\n[B]\nKIND=writer\nNAME=Writer B\nWRITES=DVD+R\nMEDIUM=DVD+R\nIMAGES=" << images << "\n";
  ScopedVariable hardware("VIDARRO_DEVICES", devices);
  const std::string script = env.Home() + "writers.script", report = env.Home() + "writers.report";
  // Next is taken on the writer page as soon as it shows, before its list is filled; the page
  // is then seen again on the way back.
  std::ofstream(script) << R"(program Wendrel
step "The writer page is passed at once" 60
  wait-window "Narvell Vidarro 5.0"
  click 12324
  click 12324
  wait-text 1052 "Insert a blank DVD disc into your drive."
step "The disc is found and the players are offered" 60
  click 12324
  wait-shown 1091
step "Back on the writer page, the first writer is shown" 60
  click 12323
  wait-text 1052 "Insert a blank DVD disc into your drive."
  click 12323
  wait-text 1084 "Writer A"
)";
  ScopedVariable playing("VIDARRO_SCRIPT", script);
  ScopedVariable reported("VIDARRO_SCRIPT_REPORT", report);
  ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PicturesOf("Wendrel") + "two_writers/");
  platform::StartWindowTransport();
  ProgramProcess wizard;
  ASSERT_TRUE(wizard.Start("Wendrel"));
  EXPECT_TRUE(WaitForText(report, "Wendrel\tfinished\t3")) << ReadOrEmpty(report) << wizard.Output();
  EXPECT_EQ(0, wizard.CloseAndWait(kTitle)) << wizard.Output();
}

// Settings damaged beyond the backup: each program says once where they were kept, starts on
// defaults and saves its settings again; the next start says nothing.
TEST(WendrelProcesses, DamagedSettingsAreKeptAsideToldOnceAndSavedAgain) {
  Environment env(CurrentTestName());
  // A short folder, as a user's is: the message names the damaged file's whole path.
  const std::string registry = platform::WithTrailingSlash(env.Runtime()) + "registry/";
  ScopedVariable settings("VIDARRO_REGISTRY_DIR", registry);
  const std::string script = env.Home() + "damaged.script";
  std::ofstream(script) << R"(program *
step "The damaged settings are told" 60
  wait-message "The settings file was damaged"
step "The message is closed" 30
  answer ok
step "The window shows and closes" 60
  wait-window "Narvell Vidarro 5.0"
  close
)";
  // What each program writes as it ends.
  const std::pair<const char*, const char*> programs[] = {{"Auvry", "Volume"}, {"Wendrel", "OutFolder"}};
  for (const auto& [name, saved] : programs) {
    std::filesystem::remove_all(registry);
    platform::CreateFolders(registry);
    std::ofstream(registry + "HKEY_CURRENT_USER.reg") << "\x7f\x01 not a settings file";
    const std::string report = env.Home() + name + ".report";
    {
      ScopedVariable playing("VIDARRO_SCRIPT", script);
      ScopedVariable reported("VIDARRO_SCRIPT_REPORT", report);
      ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PicturesOf(name));
      ProgramProcess program;
      ASSERT_TRUE(program.Start(name));
      EXPECT_EQ(0, program.WaitForExit(120000)) << name << program.Output();
    }
    EXPECT_NE(std::string::npos, ReadOrEmpty(report).find("finished\t3")) << ReadOrEmpty(report);
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(registry))
      keptAside |= entry.path().filename().string().rfind("HKEY_CURRENT_USER.damaged", 0) == 0;
    EXPECT_TRUE(keptAside) << name;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyEx(HKEY_CURRENT_USER, wizard::kSettingsKey, 0, KEY_READ, &key)) << name;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueEx(key, saved, nullptr, nullptr, nullptr, nullptr)) << name << " " << saved;
    RegCloseKey(key);

    // Started again, the program goes straight to its window.
    ProgramProcess again;
    ASSERT_TRUE(again.Start(name));
    ASSERT_NE(nullptr, WaitForWindow("#32770", kTitle, kWaitMs)) << name << again.Output();
    EXPECT_EQ(0, again.CloseAndWait(kTitle)) << name << again.Output();
  }
}

}  // namespace
