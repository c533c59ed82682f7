// The real program: a second start, a start without the UI library, and two copies on one project.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/gdi/image_file.h"
#include "platform/base/process.h"
#include "platform/testkit/other_session.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "platform/com/class_table.h"
#include "product.h"
#include "widgets/reg_helpers.h"
#include "project_file.h"
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

// Started together, before either has a window: the lock decides, one runs and the other
// ends quietly (bringing the first forward), starting nothing.
TEST(QuillonProcess, TwoStartedTogetherLeaveOneRunning) {
  Environment env(CurrentTestName());
  platform::StopWindowTransport();  // heard in this test's session
  platform::StartWindowTransport();
  ProgramProcess copies[2];
  ASSERT_TRUE(copies[0].Start("Quillon"));
  ASSERT_TRUE(copies[1].Start("Quillon"));
  int ended = -1;
  for (int attempt = 0; attempt < 400 && ended < 0; ++attempt)
    for (int i = 0; i < 2 && ended < 0; ++i)
      if (copies[i].WaitForExit(50) != -1) ended = i;
  ASSERT_GE(ended, 0) << copies[0].Output() << copies[1].Output();
  EXPECT_EQ(copies[ended].WaitForExit(0), 0) << copies[ended].Output();
  ProgramProcess& running = copies[1 - ended];
  EXPECT_TRUE(running.Running()) << running.Output();
  ASSERT_NE(WaitForWindow("#32770", kProductTitle, kWaitMs), nullptr);
  int exitCode = -1;
  for (int attempt = 0; attempt < 100 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kProductTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = running.WaitForExit(200);
  }
  EXPECT_EQ(exitCode, 0) << running.Output();
  EXPECT_EQ(LaunchesOf("Lanvik"), 1u);  // only the copy that ran starts the starter again
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

std::string ReadText(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, &text);
  return text;
}

// A script that opens the capture step, adds `clip` through the Add dialog and waits for its row.
std::string AddClipScript(const std::string& clip) {
  const std::string name = platform::FileNameOf(clip);
  return "program Quillon\n"
         "step \"The main window shows\" 60\n"
         "  wait-window \"Narvell Vidarro 5.0\"\n"
         "  click 1000\n"
         "step \"The clip is added\" 60\n"
         "  click 1090\n"
         "  answer-file \"" +
         clip +
         "\"\n"
         "  choose 1003 \"" +
         name.substr(0, name.rfind('.')) + "\"\n";
}

// Two copies on one project in two sessions, started together, each adding a clip and saving:
// the one saving second is asked, says No and saves under another name. No clip is lost.
TEST(QuillonProcess, TwoCopiesSavingOneProjectLoseNoClip) {
  Environment env(CurrentTestName());
  // This process's windows are heard in this test's session, not in an earlier test's.
  platform::StopWindowTransport();
  platform::StartWindowTransport();
  OtherSession other;
  ASSERT_TRUE(other.Ready());
  const std::string project = env.Documents() + "Shared.ilj5";
  const std::string copy = env.Documents() + "Shared mine.ilj5";
  const std::string first = env.Documents() + "first.png", theirs = env.Documents() + "theirs.png",
                    mine = env.Documents() + "mine.png";
  const std::vector<std::uint32_t> pixels(64 * 48, 0xFF3070C0);
  for (const std::string& clip : {first, theirs, mine})
    ASSERT_TRUE(platform::gdi::WritePng(pixels.data(), 64, 48, clip));
  {
    StudioModel start;
    start.folders = SettleFolders(env.Home() + "app/");
    ASSERT_TRUE(start.AddClip(first, FALSE));
    ASSERT_TRUE(SaveProjectTo(start, project));
  }
  const std::string theirScript = env.Temp() + "theirs.script", myScript = env.Temp() + "mine.script";
  std::ofstream(theirScript) << AddClipScript(theirs)
                             << "step \"The project is saved\" 60\n"
                                "  menu 32772\n"
                                "  answer-file \"" +
                                    project +
                                    "\"\n"
                                    "  answer yes\n"
                                    "step \"Quillon closes\" 60\n"
                                    "  click 1035\n"
                                    "  answer no\n"
                                    "  wait-gone \"Narvell Vidarro 5.0\"\n";
  std::ofstream(myScript) << AddClipScript(mine)
                          << "step \"The other copy has saved\" 120\n"
                             "  wait-window \"The other copy has saved\"\n"
                             "step \"The save is asked about and goes under another name\" 60\n"
                             "  menu 32772\n"
                             "  answer-file \"" +
                                 project +
                                 "\"\n"
                                 "  answer yes\n"
                                 "  answer no \"\\\"Shared.ilj5\\\" has changed on disk\"\n"
                                 "  answer-file \"" +
                                 copy +
                                 "\"\n"
                                 "step \"Quillon closes\" 60\n"
                                 "  click 1035\n"
                                 "  answer no\n"
                                 "  wait-gone \"Narvell Vidarro 5.0\"\n";
  ProgramProcess theirCopy, myCopy;
  {
    auto session = other.Enter();
    ScopedVariable script("VIDARRO_SCRIPT", theirScript);
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + "theirs.txt");
    ASSERT_TRUE(theirCopy.Start("Quillon", {project}));
  }
  {
    ScopedVariable script("VIDARRO_SCRIPT", myScript);
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + "mine.txt");
    ASSERT_TRUE(myCopy.Start("Quillon", {project}));
  }
  ASSERT_EQ(theirCopy.WaitForExit(180000), 0) << theirCopy.Output() << ReadText(env.Temp() + "theirs.txt");
  // Its save is done: the other copy goes on (a window of this test's session says so).
  HWND said = ::CreateWindowEx(0, "STATIC", "The other copy has saved", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(said, nullptr);
  int exitCode = -1;
  for (int waited = 0; waited < 180000 && exitCode == -1; waited += 100) {
    Pump();  // the window is answered for while the other copy looks for it
    exitCode = myCopy.WaitForExit(100);
  }
  EXPECT_EQ(exitCode, 0) << myCopy.Output() << ReadText(env.Temp() + "mine.txt");
  ::DestroyWindow(said);
  EXPECT_NE(ReadText(env.Temp() + "mine.txt").find("finished\t5"), std::string::npos)
      << ReadText(env.Temp() + "mine.txt");

  const std::string shared = ReadText(project), saved = ReadText(copy);
  EXPECT_NE(shared.find(first), std::string::npos) << shared;
  EXPECT_NE(shared.find(theirs), std::string::npos) << shared;
  EXPECT_NE(saved.find(first), std::string::npos) << saved;
  EXPECT_NE(saved.find(mine), std::string::npos) << saved;
}

// Runs Quillon once with `script`; its report. Its pictures go into a folder of that name.
std::string RunQuillonScript(Environment& env, const std::string& name, const std::string& script) {
  const std::string file = env.Temp() + name + ".script", report = env.Temp() + name + ".txt";
  std::ofstream(file) << script;
  ScopedVariable named("VIDARRO_SCRIPT", file);
  ScopedVariable said("VIDARRO_SCRIPT_REPORT", report);
  ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PictureFolder() + name + "/");
  ProgramProcess quillon;
  if (!quillon.Start("Quillon")) return "not started";
  const int code = quillon.WaitForExit(180000);
  std::string text = ReadText(report);
  if (code != 0) text += "exit " + std::to_string(code) + "\n" + quillon.Output();
  return text;
}

// A settings file damaged past reading, with no earlier copy: kept aside, the user told once
// where, and what the user changes afterwards is there at the next start.
TEST(QuillonProcess, DamagedSettingsAreKeptAsideToldOnceAndLaterSettingsKept) {
  Environment env("damaged");  // a short home, so the told path fits the box as a user's would
  const std::string hive = env.Home() + "registry/HKEY_CURRENT_USER.reg";
  std::ofstream(hive, std::ios::binary) << "\x01\xffnot a settings file";
  const std::string first = RunQuillonScript(env, "damaged",
                                             "program Quillon\n"
                                             "step \"The damaged settings are told\" 60\n"
                                             "  wait-message \"The settings file was damaged\"\n"
                                             "step \"The capture page shows\" 60\n"
                                             "  answer ok\n"
                                             "  wait-window \"Narvell Vidarro 5.0\"\n"
                                             "  click 1000\n"
                                             "step \"The volume goes to its top\" 30\n"
                                             "  key 1144 end\n"
                                             "step \"Quillon closes\" 60\n"
                                             "  click 1035\n"
                                             "  wait-gone \"Narvell Vidarro 5.0\"\n");
  EXPECT_NE(first.find("Quillon\tfinished\t4"), std::string::npos) << first;
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(env.Home() + "registry"))
    if (entry.path().filename().string().rfind("HKEY_CURRENT_USER.damaged-", 0) == 0) kept.push_back(entry.path());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(ReadText(kept[0]), "\x01\xffnot a settings file");

  // The next start says nothing (a box would hold back the main window) and keeps the volume.
  const std::string second = RunQuillonScript(env, "restarted",
                                              "program Quillon\n"
                                              "step \"The capture page shows\" 60\n"
                                              "  wait-window \"Narvell Vidarro 5.0\"\n"
                                              "  click 1000\n"
                                              "step \"Quillon closes\" 60\n"
                                              "  click 1035\n"
                                              "  wait-gone \"Narvell Vidarro 5.0\"\n");
  EXPECT_NE(second.find("Quillon\tfinished\t2"), std::string::npos) << second;
  DWORD volume = 0;
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kProductKey, "nVolume", &volume, REG_READ_NO_DEFAULT));
  EXPECT_EQ(volume, 20u);
}

// A project whose path holds blanks and quotes, named on the command line, opens whole.
TEST(QuillonProcess, AProjectPathWithBlanksOnTheCommandLineOpensWithItsClips) {
  Environment env(CurrentTestName());
  platform::StopWindowTransport();
  platform::StartWindowTransport();
  const std::string folder = env.Documents() + "Pal  \"summer\" projects/";
  std::filesystem::create_directories(folder);
  const std::string project = folder + "a project.ilj5", clip = folder + "beach day.png";
  const std::vector<std::uint32_t> pixels(64 * 48, 0xFF30C070);
  ASSERT_TRUE(platform::gdi::WritePng(pixels.data(), 64, 48, clip));
  {
    StudioModel start;
    start.folders = SettleFolders(env.Home() + "app/");
    ASSERT_TRUE(start.AddClip(clip, FALSE));
    ASSERT_TRUE(SaveProjectTo(start, project));
  }
  const std::string script = env.Temp() + "open.script", report = env.Temp() + "open.txt";
  std::ofstream(script) << "program Quillon\n"
                           "step \"The project's clip is listed\" 60\n"
                           "  wait-window \"Narvell Vidarro 5.0\"\n"
                           "  choose 1003 \"beach day\"\n"
                           "step \"Quillon closes\" 60\n"
                           "  click 1035\n"
                           "  answer no\n"
                           "  wait-gone \"Narvell Vidarro 5.0\"\n";
  ScopedVariable named("VIDARRO_SCRIPT", script);
  ScopedVariable said("VIDARRO_SCRIPT_REPORT", report);
  ProgramProcess quillon;
  ASSERT_TRUE(quillon.Start("Quillon", {project}));
  EXPECT_EQ(quillon.WaitForExit(180000), 0) << quillon.Output() << ReadText(report);
  EXPECT_NE(ReadText(report).find("finished\t2"), std::string::npos) << ReadText(report);
}

}  // namespace
}  // namespace studio
