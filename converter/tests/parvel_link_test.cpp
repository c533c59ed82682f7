// Parvel as a real second process, talking to a stand-in for the main program over the link.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "converter/parvel_ids.h"
#include "converter/parvel_link.h"
#include "converter/parvel_settings.h"
#include "parvel_harness.h"
#include "platform/base/file.h"
#include "platform/testkit/other_session.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"

namespace fs = std::filesystem;

namespace {

using namespace testkit;
using namespace parvel_test;

struct LinkMessage {
  WPARAM code;
  LPARAM lParam;
};
std::vector<LinkMessage> g_received;

LRESULT FakeMainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CONVERTER_LINK) {
    g_received.push_back({wParam, lParam});
    return 1;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class ParvelLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_received.clear();
    WNDCLASS wc{};
    wc.lpfnWndProc = FakeMainProc;
    wc.lpszClassName = "FakeQuillon";
    RegisterClass(&wc);
    main_ = CreateWindowEx(0, "FakeQuillon", "Fake main program", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                           nullptr);
    ASSERT_NE(nullptr, main_);
    platform::StartWindowTransport();
    ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kParvelKey, "MainHwnd", HandleToDword(main_)));
  }
  void TearDown() override {
    if (main_) DestroyWindow(main_);
    ResetWindows();
  }

  bool Received(WPARAM code, LinkMessage* found = nullptr) {
    for (const LinkMessage& m : g_received)
      if (m.code == code) {
        if (found) *found = m;
        return true;
      }
    return false;
  }

  HWND Converter() {
    DWORD sub = 0;
    ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", sub, 0xFFFFFFFF);
    return DwordToHandle<HWND>(sub);
  }

  void TheProjectIsRenderedOnRequestAndTheRenderedFileConverted();
  void StopWhileRenderingCancelsAndAFailureEndsTheWait();
  void KilledMidConversionLeavesNoFfmpegAndAtTheNextStartNoPartial();

  Environment env_{CurrentTestName()};
  HWND main_ = nullptr;
};

void ParvelLinkTest::TheProjectIsRenderedOnRequestAndTheRenderedFileConverted() {
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit] file=\"Edited Video\";time=65000\n";
  ProgramProcess parvel;
  ASSERT_TRUE(parvel.Start("Parvel", {list, "/PSP"}));
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_READY); }, 20000)) << parvel.Output();
  HWND converter = Converter();
  ASSERT_TRUE(IsWindow(converter));
  EXPECT_EQ(kPingAnswer, SendMessage(converter, WM_CONVERTER_LINK, PUBLISH_PING, 0));
  EXPECT_EQ(1, SendMessage(converter, WM_CONVERTER_LINK, 999, 0));

  // A second start brings the first forward and shows nothing of its own.
  ProgramProcess second;
  ASSERT_TRUE(second.Start("Parvel", {}));
  EXPECT_EQ(0, second.WaitForExit(20000));
  EXPECT_TRUE(parvel.Running());
  EXPECT_EQ(HandleToDword(converter), HandleToDword(Converter()));

  // Start with the project row first asks for the render at the preset's size.
  SendMessage(converter, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
  LinkMessage request{};
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_RENDER_REQUEST, &request); }, 10000));
  EXPECT_EQ(320, LOWORD(request.lParam));
  EXPECT_EQ(240, HIWORD(request.lParam));

  const std::string rendered = env_.Home() + "Edited Video.mpg";
  ASSERT_TRUE(MakeClip(rendered, 2));
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", rendered));
  EXPECT_EQ(1, SendMessage(converter, WM_CONVERTER_LINK, PUBLISH_PROGRESS, 100));
  EXPECT_EQ(1, SendMessage(converter, WM_CONVERTER_LINK, PUBLISH_DONE, 0));

  const std::string out = env_.Documents() + "Vidarro/PSP_OUTPUT/100MNV01/";
  std::map<std::string, std::string> probe;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(out, ec)) {
          probe = Probe(entry.path().string());
          if (probe["audio.codec_name"] == "aac" && probe["video.codec_name"] == "mpeg4") return true;
        }
        return false;
      },
      60000))
      << parvel.Output();
  EXPECT_EQ("320", probe["video.width"]);

  PostMessage(converter, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_CLOSING); }, 20000));
  EXPECT_EQ(0, parvel.WaitForExit(20000));
}

void ParvelLinkTest::StopWhileRenderingCancelsAndAFailureEndsTheWait() {
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << "[Edit]  file=\"Edited Video\";time=100;\n";
  ProgramProcess parvel;
  ASSERT_TRUE(parvel.Start("Parvel", {list, "/IPad"}));
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_READY); }, 20000)) << parvel.Output();
  HWND converter = Converter();
  SendMessage(converter, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
  LinkMessage request{};
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_RENDER_REQUEST, &request); }, 10000));
  // The iPad profile's default preset, not the first profile's (an iPod's 320 x 240).
  EXPECT_EQ(1024, LOWORD(request.lParam));
  EXPECT_EQ(768, HIWORD(request.lParam));
  SendMessage(converter, WM_COMMAND, MAKEWPARAM(IDC_STOP, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_CANCEL); }, 10000));
  // The project row stays: Start asks again, and a failure of the render ends that wait.
  g_received.clear();
  SendMessage(converter, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_RENDER_REQUEST); }, 10000));
  EXPECT_EQ(1, SendMessage(converter, WM_CONVERTER_LINK, PUBLISH_FAILED, 0));
  EXPECT_EQ(kPingAnswer, SendMessage(converter, WM_CONVERTER_LINK, PUBLISH_PING, 0));
  PostMessage(converter, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_CLOSING); }, 20000));
  EXPECT_EQ(0, parvel.WaitForExit(20000));
  EXPECT_FALSE(Received(PUBLISH_CANCEL));
}

// The processes named `name` whose parent is `parent`, not yet ended.
std::vector<pid_t> ChildrenNamed(pid_t parent, const std::string& name) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, comm, state, ppid;
    if (!(stat >> pid >> comm >> state >> ppid)) continue;
    if (comm == "(" + name + ")" && state != "Z" && ppid == std::to_string(parent))
      found.push_back(static_cast<pid_t>(std::atol(pid.c_str())));
  }
  return found;
}

bool Gone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string spid, comm, state;
  return !(stat >> spid >> comm >> state) || state == "Z";
}

std::vector<std::string> PartialFiles(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.' && name.find(".part") != std::string::npos) found.push_back(name);
  }
  return found;
}

// Killed while FFmpeg writes, Parvel takes FFmpeg with it; the half-written file it leaves is
// gone once Parvel starts again.
void ParvelLinkTest::KilledMidConversionLeavesNoFfmpegAndAtTheNextStartNoPartial() {
  const std::string clip = env_.Home() + "long.mpg";
  ASSERT_TRUE(MakeClip(clip, 60, 1280, 720));
  const std::string list = env_.Temp() + "filelist.tmp";
  std::ofstream(list) << clip << "\n";
  const std::string script = env_.Temp() + "parvel.script";
  std::ofstream(script) << "program Parvel\n"
                           "step \"Parvel lists the clip\" 60\n"
                           "  wait-window \"Publish - PSP\"\n"
                           "  choose 1000 \"long\"\n"
                           "  wait-enabled 1012\n"
                           "step \"Parvel converts\" 60\n"
                           "  click 1012\n"
                           "  wait-text 1019 \"status - \"\n"
                           "step \"Parvel is killed meanwhile\" 600\n"
                           "  wait-text 1019 \"status - 100 %\"\n";
  const std::string out = env_.Documents() + "Vidarro/PSP_OUTPUT/100MNV01/";
  ProgramProcess parvel;
  {
    ScopedVariable named("VIDARRO_SCRIPT", script);
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env_.Temp() + "report.txt");
    ASSERT_TRUE(parvel.Start("Parvel", {list, "/PSP"}));
  }
  ASSERT_TRUE(WaitFor([&] { return ChildrenNamed(getpid(), "Parvel").size() == 1; }, 20000));
  const pid_t parvelPid = ChildrenNamed(getpid(), "Parvel").front();
  std::vector<pid_t> ffmpegs;
  ASSERT_TRUE(WaitFor(
      [&] {
        ffmpegs = ChildrenNamed(parvelPid, "ffmpeg");
        return !ffmpegs.empty() && !PartialFiles(out).empty() && fs::file_size(out + PartialFiles(out).front()) > 0;
      },
      60000))
      << parvel.Output();
  ASSERT_EQ(0, kill(parvelPid, SIGKILL));
  EXPECT_NE(0, parvel.WaitForExit(20000));
  EXPECT_TRUE(WaitFor([&] { return Gone(ffmpegs.front()); }, 2000)) << "FFmpeg outlived Parvel";
  // What FFmpeg had written stays until a converter looks at the folder again.
  const std::vector<std::string> left = PartialFiles(out);
  ASSERT_EQ(1u, left.size());

  g_received.clear();
  std::ofstream(list, std::ios::trunc) << "";
  ProgramProcess next;
  ASSERT_TRUE(next.Start("Parvel", {list, "/PSP"}));
  ASSERT_TRUE(WaitFor([&] { return Received(PUBLISH_READY); }, 20000)) << next.Output();
  EXPECT_TRUE(PartialFiles(out).empty()) << left.front();
  EXPECT_TRUE(fs::exists(clip));
  PostMessage(Converter(), WM_CLOSE, 0, 0);
  EXPECT_EQ(0, next.WaitForExit(20000));
}

// One process of the test kit's window transport per test: both sessions share it.
TEST_F(ParvelLinkTest, BothSessionsWithTheMainProgram) {
  TheProjectIsRenderedOnRequestAndTheRenderedFileConverted();
  if (HasFatalFailure()) return;
  g_received.clear();
  StopWhileRenderingCancelsAndAFailureEndsTheWait();
  if (HasFatalFailure()) return;
  g_received.clear();
  KilledMidConversionLeavesNoFfmpegAndAtTheNextStartNoPartial();
}

}  // namespace

namespace {

std::string ParvelScript() {
  return "program Parvel\n"
         "step \"Parvel lists the clip\" 60\n"
         "  wait-window \"Publish - PSP\"\n"
         "  choose 1000 \"clip\"\n"
         "  wait-enabled 1012\n"
         "step \"Parvel converts the clip\" 180\n"
         "  click 1012\n"
         "  wait-text 1019 \"status - 100 %\"\n"
         "  wait-enabled 1003\n"
         "step \"Parvel closes\" 20\n"
         "  click 1013\n";
}

// Two sessions of one user sharing the documents folder, each converting a clip named
// "clip.mpg" (two different clips) at once: both outputs stay, each decodes cleanly.
TEST(ParvelProcesses, TwoSessionsConvertingClipsOfOneNameKeepBothOutputs) {
  Environment env(CurrentTestName());
  OtherSession other;
  ASSERT_TRUE(other.Ready());
  const std::string script = env.Temp() + "parvel.script";
  std::ofstream(script) << ParvelScript();
  ProgramProcess parvels[2];
  for (int i = 0; i < 2; ++i) {
    const std::string folder = env.Home() + "clips" + std::to_string(i) + "/";
    fs::create_directories(folder);
    ASSERT_TRUE(MakeClip(folder + "clip.mpg", 2 + i));
    const std::string list = env.Temp() + "filelist" + std::to_string(i) + ".tmp";
    std::ofstream(list) << folder << "clip.mpg\n";
  }
  for (int i = 0; i < 2; ++i) {
    ScopedVariable named("VIDARRO_SCRIPT", script);
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + "report" + std::to_string(i) + ".txt");
    const std::string list = env.Temp() + "filelist" + std::to_string(i) + ".tmp";
    if (i == 0) {
      auto session = other.Enter();
      ASSERT_TRUE(parvels[i].Start("Parvel", {list, "/PSP"}));
    } else {
      ASSERT_TRUE(parvels[i].Start("Parvel", {list, "/PSP"}));
    }
  }
  for (int i = 0; i < 2; ++i) {
    std::string said;
    EXPECT_EQ(0, parvels[i].WaitForExit(240000)) << parvels[i].Output();
    platform::ReadWholeFile(env.Temp() + "report" + std::to_string(i) + ".txt", &said);
    EXPECT_NE(std::string::npos, said.find("Parvel\tfinished\t3")) << said;
  }
  const std::string out = env.Documents() + "Vidarro/PSP_OUTPUT/100MNV01/";
  std::vector<std::string> outputs;
  for (const auto& entry : fs::directory_iterator(out)) outputs.push_back(entry.path().filename().string());
  std::sort(outputs.begin(), outputs.end());
  ASSERT_EQ(2u, outputs.size()) << (outputs.empty() ? "" : outputs[0]);
  std::vector<int> seconds;
  for (const std::string& name : outputs) {
    EXPECT_EQ("", DecodeErrors(out + name)) << name;
    seconds.push_back(static_cast<int>(std::stod(Probe(out + name)["duration"]) + 0.5));
  }
  std::sort(seconds.begin(), seconds.end());
  EXPECT_EQ((std::vector<int>{2, 3}), seconds);
}

}  // namespace

namespace {

// Runs Parvel once with `script` on an empty list; its report. Pictures go into a folder of
// that name.
std::string RunParvelScript(Environment& env, const std::string& name, const std::string& script) {
  const std::string file = env.Temp() + name + ".script", report = env.Temp() + name + ".txt";
  const std::string list = env.Temp() + "empty.tmp";
  std::ofstream(file) << script;
  std::ofstream(list) << "";
  ScopedVariable named("VIDARRO_SCRIPT", file);
  ScopedVariable said("VIDARRO_SCRIPT_REPORT", report);
  ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PictureFolder() + name + "/");
  ProgramProcess parvel;
  if (!parvel.Start("Parvel", {list, "/PSP"})) return "not started";
  const int code = parvel.WaitForExit(120000);
  std::string text;
  platform::ReadWholeFile(report, &text);
  if (code != 0) text += "exit " + std::to_string(code) + "\n" + parvel.Output();
  return text;
}

// A settings file damaged past reading, with no earlier copy: kept aside, the user told once
// where, and settings saved afterwards (the default folder Parvel writes, the folder the main
// program writes) are there at the next start.
TEST(ParvelProcesses, DamagedSettingsAreKeptAsideToldOnceAndLaterSettingsKept) {
  Environment env("damaged");  // a short home, so the told path fits the box as a user's would
  std::ofstream(env.Home() + "registry/HKEY_CURRENT_USER.reg", std::ios::binary) << "\x01\xffnot a settings file";
  const std::string first = RunParvelScript(env, "damaged",
                                            "program Parvel\n"
                                            "step \"The damaged settings are told\" 60\n"
                                            "  wait-message \"The settings file was damaged\"\n"
                                            "step \"The window shows\" 60\n"
                                            "  answer ok\n"
                                            "  wait-window \"Publish - PSP\"\n"
                                            "step \"Parvel closes\" 20\n"
                                            "  click 1013\n");
  EXPECT_NE(std::string::npos, first.find("Parvel\tfinished\t3")) << first;
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(env.Home() + "registry"))
    kept += entry.path().filename().string().rfind("HKEY_CURRENT_USER.damaged-", 0) == 0;
  EXPECT_EQ(1, kept);
  std::string stored;
  EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", stored, nullptr));
  EXPECT_EQ(env.Documents() + "Vidarro/", stored);

  // The main program names another folder; the next start says nothing (a box would hold back
  // the window) and converts into it.
  const std::string folder = env.Home() + "Converted/";
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", folder));
  const std::string second = RunParvelScript(env, "restarted",
                                             "program Parvel\n"
                                             "step \"The window shows the main program's folder\" 60\n"
                                             "  wait-window \"Publish - PSP\"\n"
                                             "  wait-text 1005 \"" +
                                                 folder +
                                                 "PSP_OUTPUT\"\n"
                                                 "step \"Parvel closes\" 20\n"
                                                 "  click 1013\n");
  EXPECT_NE(std::string::npos, second.find("Parvel\tfinished\t2")) << second;
}

}  // namespace
