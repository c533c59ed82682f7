// The real program: a second start and a start without the UI library.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "platform/com/class_table.h"
#include "product.h"
#include "quillon_app.h"
#include "quillon_dlg.h"

namespace studio {
namespace {

using namespace testkit;

constexpr DWORD kWaitMs = 20000;

size_t LaunchesOf(const std::string& name) {
  size_t count = 0;
  for (const auto& record : platform::ReadLaunchRecords())
    if (platform::FileNameOf(record.target) == name) ++count;
  return count;
}

size_t ProgramLaunches() {
  size_t count = 0;
  for (const auto& record : platform::ReadLaunchRecords())
    if (platform::FileNameOf(record.target).rfind("regsvr32", 0) != 0) ++count;
  return count;
}

TEST(QuillonProcess, ASecondStartBringsTheFirstForwardAndEndsQuietly) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  ProgramProcess first;
  ASSERT_TRUE(first.Start("Quillon"));
  HWND window = WaitForWindow("#32770", kProductTitle, kWaitMs);
  ASSERT_NE(window, nullptr) << first.Output();
  // The first may still be registering its packs (the splash has the main window's title): only
  // programs count, not the helpers it runs.
  const size_t before = ProgramLaunches();

  ProgramProcess second;
  ASSERT_TRUE(second.Start("Quillon"));
  EXPECT_EQ(second.WaitForExit(kWaitMs), 0) << second.Output();
  EXPECT_EQ(ProgramLaunches(), before);

  // An empty project closes without a question and starts the starter again. The splash has
  // the same title until it goes, so every window of that title is asked.
  int exitCode = -1;
  for (int attempt = 0; attempt < 100 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kProductTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = first.WaitForExit(200);
  }
  EXPECT_EQ(exitCode, 0) << first.Output();
  EXPECT_EQ(LaunchesOf("Lanvik"), 1u);
  EXPECT_EQ(LaunchesOf("regsvr32"), ComponentFilesCount());
  bool editorRegistered = false;
  for (const auto& record : platform::ReadLaunchRecords())
    editorRegistered |= record.parameters.find("Lumbrel.so\"") != std::string::npos;
  EXPECT_TRUE(editorRegistered);
}

TEST(QuillonProcess, WithoutTheUiLibraryItSaysSoAndFails) {
  Environment env(CurrentTestName());
  platform::StartWindowTransport();
  // Neither Quillon.so nor Vidarro5UI.so beside it: its own resources carry the dialogs.
  const std::string folder = CopyProgramAlone(env, {"Quillon"});
  ScopedVariable appFolder("VIDARRO_APP_DIR", folder);
  ProgramProcess program;
  ASSERT_TRUE(program.Start(folder + "Quillon"));
  HWND box = WaitForWindow("#32770", kProductTitle, kWaitMs);
  ASSERT_NE(box, nullptr) << program.Output();
  ::PostMessage(box, WM_COMMAND, IDOK, 0);
  EXPECT_NE(program.WaitForExit(kWaitMs), 0);
  EXPECT_EQ(LaunchesOf("Lanvik"), 0u);
}

TEST(QuillonProcess, Regsvr32RegistersAndUnregistersThePacksAndRefusesWhatIsNoServer) {
  Environment env(CurrentTestName());
  auto run = [](const std::vector<std::string>& args) {
    ProgramProcess regsvr32;
    if (!regsvr32.Start("regsvr32", args)) return -2;
    return regsvr32.WaitForExit(kWaitMs);
  };
  CLSID clsid{};
  EXPECT_EQ(CLSIDFromProgID(kEditorProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(run({"/s", platform::AppFolder() + "Lumbrel.so"}), 0);
  EXPECT_EQ(CLSIDFromProgID(kEditorProgId, &clsid), S_OK);
  EXPECT_EQ(run({"/s", "Tessmor.dll"}), 0);  // by its platform name, from the program folder
  EXPECT_EQ(CLSIDFromProgID(kBurnerProgId, &clsid), S_OK);
  EXPECT_EQ(run({"/s", "/u", platform::AppFolder() + "Lumbrel.so"}), 0);
  EXPECT_EQ(CLSIDFromProgID(kEditorProgId, &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(kBurnerProgId, &clsid), S_OK);

  EXPECT_EQ(run({"/s"}), 1);
  EXPECT_EQ(run({"/s", "/x", "Lumbrel.dll"}), 1);
  EXPECT_EQ(run({"/s", env.Home() + "QnThumbnail.so"}), 3);
  EXPECT_EQ(run({"/s", "Vidarro5UI.dll"}), 4);  // a library, but no server
}

}  // namespace
}  // namespace studio
