// The recorder's start-up values: program and output folders, the suite's window titles, and the
// help entries it opens.
#include <gtest/gtest.h>

#include <filesystem>

#include "audiorec/recorder_app.h"
#include "audiorec/recorder_settings.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "widgets/reg_helpers.h"

namespace auvry {
namespace {

class RecorderAppTest : public ::testing::Test {
 protected:
  void TearDown() override {
    app_.ExitInstance();
    testkit::ResetWindows();
  }
  testkit::Environment env_{testkit::CurrentTestName()};
  CRecorderApp app_;
};

TEST_F(RecorderAppTest, FoldersComeFromTheProgramAndTheDocumentsUnlessTheRegistryNamesThem) {
  ASSERT_FALSE(app_.FindRunningProgram());
  EXPECT_EQ(platform::WithTrailingSlash(platform::AppFolder()), Program().programFolder);
  EXPECT_EQ(platform::WithTrailingSlash(platform::DocumentsFolder()) + "Vidarro/Capture/", Program().outputFolder);
  EXPECT_TRUE(std::filesystem::is_directory(Program().outputFolder));
  EXPECT_EQ("Narvell  Vidarro 5.0 Audio Recorder", app_.m_recorderName);

  const std::string installed = env_.Home() + "installed";
  const std::string stored = env_.Home() + "My Recordings";
  std::filesystem::create_directories(stored);
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AppPath", installed.c_str());
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AudioRecorderName", "Audio Recorder");
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "AudioOutFolder", stored.c_str());
  ASSERT_FALSE(app_.FindRunningProgram());
  EXPECT_EQ(installed + "/", Program().programFolder);
  EXPECT_EQ(stored + "/", Program().outputFolder);
  EXPECT_EQ("Audio Recorder", app_.m_recorderName);

  // A stored folder that is gone gives way to the default.
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "AudioOutFolder", (env_.Home() + "gone").c_str());
  ASSERT_FALSE(app_.FindRunningProgram());
  EXPECT_EQ(platform::WithTrailingSlash(platform::DocumentsFolder()) + "Vidarro/Capture/", Program().outputFolder);
  EXPECT_FALSE(std::filesystem::exists(env_.Home() + "gone"));
}

TEST_F(RecorderAppTest, AnOpenRecorderWindowStopsTheStartAndIsBroughtForward) {
  HWND open = ::CreateWindowEx(0, "#32770", "Narvell  Vidarro 5.0 Audio Recorder", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                               100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, open);
  EXPECT_TRUE(app_.FindRunningProgram());
  EXPECT_EQ(open, ::GetForegroundWindow());
  ::DestroyWindow(open);
}

TEST_F(RecorderAppTest, TheHelpEntriesOpenTheGuideTheSupportPageAndTheStarter) {
  ASSERT_FALSE(app_.FindRunningProgram());
  ASSERT_TRUE(app_.LoadResourceLibraries());
  app_.OnHelp();
  app_.OpenOnlineSupport();
  app_.LaunchStarter();
  const auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(3u, launches.size());
  EXPECT_EQ(Program().programFolder + "Vidarro5UG.pdf", launches[0].target);
  EXPECT_EQ("https://www.narvell.example/support?lang=0x0409", launches[1].target);
  EXPECT_EQ("/NOINTRO", launches[2].parameters);
  EXPECT_EQ("Lanvik", platform::FileNameOf(launches[2].target));
}

}  // namespace
}  // namespace auvry
