// The module as the converter uses it: loaded by name, replies to a window on this thread,
// real FFmpeg and MediaInfo, outputs checked with ffprobe.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <future>
#include <thread>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "mordax_host.h"
#include "platform/base/paths.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "qnlog/qn_log.h"

namespace mordax::test {
namespace {

namespace fs = std::filesystem;

std::string Folder() {
  static const std::string folder = [] {
    const std::string f = platform::TempFolder() + "mordax/";
    fs::create_directories(f);
    return f;
  }();
  return folder;
}

// A 4:2:2 camcorder-like clip with sound (made once per run).
const std::string& CameraClip() {
  static const std::string path = [] {
    const std::string p = Folder() + "camera clip.avi";
    RunTool({"ffmpeg",   "-v",        "error", "-y",
             "-f",       "lavfi",     "-i",    "testsrc=size=640x480:rate=25",
             "-f",       "lavfi",     "-i",    "sine=frequency=440:sample_rate=48000",
             "-t",       "4",         "-c:v",  "mjpeg",
             "-pix_fmt", "yuvj422p",  "-q:v",  "6",
             "-c:a",     "pcm_s16le", "-ac",   "2",
             p});
    return p;
  }();
  return path;
}

const std::string& LongClip() {
  static const std::string path = [] {
    const std::string p = Folder() + "long.mp4";
    RunTool({"ffmpeg", "-v",    "error", "-y",
             "-f",     "lavfi", "-i",    "testsrc=size=1280x720:rate=25",
             "-f",     "lavfi", "-i",    "sine=frequency=440:sample_rate=44100",
             "-t",     "60",    "-c:v",  "mpeg4",
             "-q:v",   "8",     "-c:a",  "aac",
             p});
    return p;
  }();
  return path;
}

using Probe = std::map<std::string, std::string>;

Probe ProbeStream(const std::string& file, const char* stream) {
  const std::string out =
      RunTool({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
               "stream=codec_name,width,height,pix_fmt,profile,sample_rate,channels", "-of", "default=nw=1", file});
  Probe probe;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos) probe[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return probe;
}

struct Family {
  const char* name;
  Qn_ConvertOption option;
  const char* videoCodec;
  const char* audioCodec;
  const char* extension;
  const char* profile;  // H.264 profile expected, or empty
};

Qn_ConvertOption MakeOption(Qn_VideoOption video, Qn_AudioOption audio, const char* prefix, const char* ext,
                            const char* force) {
  Qn_ConvertOption o;
  o.video = std::move(video);
  o.audio = std::move(audio);
  o.FILEPREFIX = prefix;
  o.EXF = ext;
  o.FORCE = force;
  return o;
}

std::vector<Family> Families() {
  std::vector<Family> f;
  Qn_ConvertOption psp =
      MakeOption({"mp4", 320, 240, 768, 29.97}, {"libfaac", 128, 48000, 2}, "M4V#####", ".MP4", "psp");
  // What older profiles carry and FFmpeg 5.1 no longer takes.
  psp.FIXASPECT = 1;
  psp.MUXVB = 64;
  psp.MUXAB = 32;
  psp.BITEXACT = 1;
  f.push_back({"PSP", psp, "mpeg4", "aac", ".MP4", ""});
  Qn_ConvertOption pspAvc =
      MakeOption({"h264", 480, 272, 768, 29.97}, {"libfaac", 128, 48000, 2}, "MAQ#####", ".MP4", "psp");
  pspAvc.H264_BASELINE = 30;
  f.push_back({"PSP_AVC", pspAvc, "h264", "aac", ".MP4", "Constrained Baseline"});
  Qn_ConvertOption ipod =
      MakeOption({"h264", 320, 240, 768, 29.97}, {"libfaac", 128, 44100, 2}, "@SRC_NAME", ".m4v", "ipod");
  ipod.H264_BASELINE = 30;
  f.push_back({"iPod_iPhone", ipod, "h264", "aac", ".m4v", "Constrained Baseline"});
  f.push_back({"iPad",
               MakeOption({"h264", 1024, 576, 1500, 25}, {"libfaac", 160, 48000, 2}, "@SRC_NAME", ".mp4", "mp4"),
               "h264", "aac", ".mp4", ""});
  f.push_back({"Mobile_3GP",
               MakeOption({"h263", 176, 144, 128, 15}, {"libfaac", 32, 22050, 1}, "MOV###", ".3gp", "3gp"), "h263",
               "aac", ".3gp", ""});
  f.push_back({"WMV", MakeOption({"wmv2", 320, 240, 512, 25}, {"wma", 128, 44100, 2}, "@SRC_NAME", ".wmv", "asf"),
               "wmv2", "wmav2", ".wmv", ""});
  f.push_back({"AVI", MakeOption({"xvid", 640, 480, 1200, 25}, {"mp3", 128, 44100, 2}, "@SRC_NAME", ".avi", "avi"),
               "mpeg4", "mp3", ".avi", ""});
  return f;
}

class MordaxModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VIDARRO_FFMPEG");
    ASSERT_TRUE(host_.Loaded());
    ASSERT_EQ(host_.Open(host_.Window(), WM_CONVERT_NOTIFY, QN_LOG_DOCUMENTS), 1);
    out_ = Folder() + "out-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    fs::remove_all(out_);
    fs::create_directories(out_);
  }
  void TearDown() override {
    if (host_.Loaded()) host_.Close();
    EXPECT_TRUE(LiveChildren().empty()) << "a converter process outlived the engine";
  }
  void Add(const std::vector<std::string>& paths) {
    host_.Clear();
    host_.AddFile(&paths);
    ASSERT_TRUE(host_.PumpUntil(Qn_OP_ADD_FILE, Qn_MSG_COMPLETE));
  }
  void SetOption(const Qn_ConvertOption& option, int mode = 2) {
    host_.Clear();
    host_.SetConvertOption(mode, &option);
    ASSERT_TRUE(host_.PumpUntil([](const HostReply& r) { return r.op == Qn_OP_SET_CONVERT_OPTION; }));
    ASSERT_EQ(host_.Codes(), "103/1");
  }
  void Convert(const std::string& folder) {
    host_.Clear();
    host_.ConvertStart(folder.c_str());
    ASSERT_TRUE(host_.PumpUntil(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  }
  // Output path of the first item started.
  std::string FirstOutput() const {
    for (const HostReply& r : host_.Replies())
      if (r.status == Qn_MSG_ITEM_START) return r.item.output.GetPath();
    return {};
  }

  static constexpr int QN_LOG_DOCUMENTS = 2;
  MordaxHost host_;
  std::string out_;
};

TEST_F(MordaxModuleTest, ExportsTheConverterBindsByName) {
  EXPECT_NE(host_.Open, nullptr);
  EXPECT_NE(host_.Close, nullptr);
  EXPECT_NE(host_.AddFile, nullptr);
  EXPECT_NE(host_.RemoveFile, nullptr);
  EXPECT_NE(host_.RemoveAllFile, nullptr);
  EXPECT_NE(host_.WorkStop, nullptr);
  EXPECT_NE(host_.SetConvertOption, nullptr);
  EXPECT_NE(host_.ConvertStart, nullptr);
  EXPECT_NE(host_.IsConvert, nullptr);
  EXPECT_NE(host_.RePlaceFile, nullptr);
  EXPECT_NE(host_.InsertFile, nullptr);
  EXPECT_EQ(host_.SetSimpleProfile, nullptr);
  // A second open keeps the first window.
  EXPECT_EQ(host_.Open(nullptr, 0, -1), 0);
  // Stop with nothing running says nothing.
  host_.WorkStop();
  host_.PumpFor(100);
  EXPECT_TRUE(host_.Replies().empty());
}

TEST_F(MordaxModuleTest, EveryPresetFamilyConvertsToPlayableFiles) {
  Add({CameraClip()});
  ASSERT_EQ(host_.Codes(), "100/1 100/2");
  const HostReply added = host_.Replies().front();
  EXPECT_EQ(added.mediaPath, CameraClip());
  EXPECT_EQ(added.mediaFormat, "AVI");
  EXPECT_EQ(added.mediaWidth, 640);
  // This MediaInfo leaves the audio codec text empty; the stream is found by counting.
  EXPECT_EQ(added.mediaAudioStreams, 1);
  for (const Family& family : Families()) {
    SCOPED_TRACE(family.name);
    SetOption(family.option);
    Convert(out_);
    const auto replies = host_.Replies();
    EXPECT_EQ(host_.Codes(), "105/12 105/1 105/2");
    // Progress comes in order and ends at 100; time replies only while the file runs.
    int last = -1;
    bool ended = false;
    for (const HostReply& r : replies) {
      if (r.status == Qn_MSG_CONVERT_PROCESSING) {
        EXPECT_GE(LOWORD(r.value), last);
        last = LOWORD(r.value);
      }
      if (r.status == Qn_MSG_SUCCEEDED) ended = true;
      if (r.status == Qn_MSG_TIME_INFO) {
        EXPECT_FALSE(ended);
      }
    }
    EXPECT_EQ(last, 100);

    const std::string output = FirstOutput();
    EXPECT_EQ(output.substr(output.size() - std::string(family.extension).size()), family.extension);
    const Probe video = ProbeStream(output, "v:0");
    EXPECT_EQ(video.count("codec_name") ? video.at("codec_name") : "", family.videoCodec);
    EXPECT_EQ(std::to_string(family.option.video.width), video.count("width") ? video.at("width") : "");
    EXPECT_EQ(std::to_string(family.option.video.height), video.count("height") ? video.at("height") : "");
    if (std::string(family.videoCodec) == "h264" || std::string(family.videoCodec) == "mpeg4") {
      EXPECT_EQ(video.count("pix_fmt") ? video.at("pix_fmt") : "", "yuv420p");
    }
    if (*family.profile) {
      EXPECT_EQ(video.count("profile") ? video.at("profile") : "", family.profile);
    }
    const Probe audio = ProbeStream(output, "a:0");
    EXPECT_EQ(audio.count("codec_name") ? audio.at("codec_name") : "", family.audioCodec);
    EXPECT_EQ(std::to_string(family.option.audio.sampleRate),
              audio.count("sample_rate") ? audio.at("sample_rate") : "");
  }
  // The log tells what was left out of the PSP command and how it was spelled.
  std::ifstream log(platform::DocumentsFolder() + "[DLL] Mordax.txt");
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(text.str().find("INIT Success"), std::string::npos);
  EXPECT_NE(text.str().find("-fixaspect left out"), std::string::npos);
  EXPECT_NE(text.str().find("-b:v 768k"), std::string::npos);
}

TEST_F(MordaxModuleTest, OptionRecordIsTakenAtTheCall) {
  Add({CameraClip()});
  {
    auto option = std::make_unique<Qn_ConvertOption>(
        MakeOption({"h264", 320, 240, 600, 25}, {"aac", 96, 44100, 2}, "@SRC_NAME", ".mp4", "mp4"));
    host_.Clear();
    host_.SetConvertOption(6, option.get());
    // The host reuses its record at once.
    option->video.width = 0;
    option->video.codec = "garbage";
    option.reset();
  }
  ASSERT_TRUE(host_.PumpUntil([](const HostReply& r) { return r.op == Qn_OP_SET_CONVERT_OPTION; }));
  EXPECT_EQ(host_.Codes(), "103/1");
  Convert(out_);
  EXPECT_EQ(host_.Codes(), "105/12 105/1 105/2");
  EXPECT_EQ(ProbeStream(FirstOutput(), "v:0")["width"], "320");
}

TEST_F(MordaxModuleTest, AudioOnlyProfileNeedsNoVideoPreset) {
  Add({CameraClip()});
  Qn_ConvertOption option = MakeOption({}, {"libfaac", 128, 44100, 2}, "@SRC_NAME", ".m4a", "@none");
  option.ONLY_AUDIO = 1;
  SetOption(option);
  Convert(out_);
  EXPECT_EQ(host_.Codes(), "105/12 105/1 105/2");
  EXPECT_TRUE(ProbeStream(FirstOutput(), "v").empty());
  EXPECT_EQ(ProbeStream(FirstOutput(), "a:0")["codec_name"], "aac");
}

TEST_F(MordaxModuleTest, BadInputsGetTheirReplies) {
  const std::string empty = Folder() + "empty.mp4";
  std::ofstream(empty).close();
  const std::string text = Folder() + "readme.avi";
  std::ofstream(text) << "not a video, just words\n";
  Add({Folder() + "missing.mp4", empty, text, CameraClip(), CameraClip()});
  EXPECT_EQ(host_.Codes(), "100/0:8 100/0:6 100/0:6 100/1 100/0:8 100/2");

  // An encoder this FFmpeg lacks is refused when the option is given.
  Qn_ConvertOption amr = MakeOption({"h263", 176, 144, 128, 15}, {"amr_nb", 12, 8000, 1}, "X", ".3gp", "3gp");
  host_.Clear();
  host_.SetConvertOption(5, &amr);
  ASSERT_TRUE(host_.PumpUntil([](const HostReply& r) { return r.op == Qn_OP_SET_CONVERT_OPTION; }));
  EXPECT_EQ(host_.Codes(), "103/0:21");
  // Hostile profile values.
  Qn_ConvertOption hostile =
      MakeOption({"h264", 320, 240, 600, 25}, {"aac", 96, 44100, 2}, "../../escape#", ".mp4", "mp4");
  host_.Clear();
  host_.SetConvertOption(5, &hostile);
  ASSERT_TRUE(host_.PumpUntil([](const HostReply& r) { return r.op == Qn_OP_SET_CONVERT_OPTION; }));
  EXPECT_EQ(host_.Codes(), "103/0:3");

  SetOption(MakeOption({"h264", 320, 240, 600, 25}, {"aac", 96, 44100, 2}, "@SRC_NAME", ".mp4", "mp4"));
  Convert(Folder() + "no such folder/");
  EXPECT_EQ(host_.Codes(), "105/0:0 105/2");

  ::setenv("VIDARRO_FFMPEG", (Folder() + "no-ffmpeg").c_str(), 1);
  Convert(out_);
  ::unsetenv("VIDARRO_FFMPEG");
  EXPECT_EQ(host_.Codes(), "105/12 105/0:0 105/2");
}

TEST_F(MordaxModuleTest, StopEndsTheConverterPromptly) {
  Add({LongClip(), CameraClip()});
  SetOption(MakeOption({"h264", 1280, 720, 4000, 25}, {"aac", 128, 44100, 2}, "@SRC_NAME", ".mp4", "mp4"));
  host_.Clear();
  host_.ConvertStart(out_.c_str());
  ASSERT_TRUE(host_.PumpUntil(Qn_OP_CONVERT, Qn_MSG_CONVERT_PROCESSING));
  EXPECT_EQ(host_.IsConvert(), 1);
  EXPECT_FALSE(LiveChildren().empty());
  host_.WorkStop();
  ASSERT_TRUE(host_.PumpUntil(Qn_OP_CONVERT, Qn_MSG_COMPLETE));
  EXPECT_EQ(host_.Codes(), "105/12 105/0:11 105/2");
  EXPECT_TRUE(LiveChildren().empty());
  EXPECT_EQ(host_.IsConvert(), 0);
}

TEST_F(MordaxModuleTest, ClosingDuringABatchEndsEverythingBeforeUnload) {
  Add({LongClip()});
  SetOption(MakeOption({"h264", 1280, 720, 4000, 25}, {"aac", 128, 44100, 2}, "@SRC_NAME", ".mp4", "mp4"));
  host_.ConvertStart(out_.c_str());
  ASSERT_TRUE(host_.PumpUntil(Qn_OP_CONVERT, Qn_MSG_CONVERT_PROCESSING));
  host_.Close();
  EXPECT_TRUE(LiveChildren().empty());
  host_.Unload();
  // Nothing of the library runs any more: a while of pumping sees no crash.
  host_.PumpFor(300);
}

TEST_F(MordaxModuleTest, CloseWhileTheItemStartWaitsForTheHost) {
  Add({CameraClip()});
  SetOption(MakeOption({"h264", 320, 240, 600, 25}, {"aac", 96, 44100, 2}, "@SRC_NAME", ".mp4", "mp4"));
  // The host closes without reading its queue: the item start is sent to this very thread.
  host_.ConvertStart(out_.c_str());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  host_.Close();
  EXPECT_TRUE(LiveChildren().empty());
}

// A host whose reply window lives on a thread of its own that hangs in the item start, as a
// window procedure stuck on a stalled mount would: the manager thread then never returns from
// sending it.
std::atomic<bool> g_hostHangs{false};

LRESULT HangingHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CONVERT_NOTIFY && HIWORD(wParam) == Qn_MSG_ITEM_START) {
    g_hostHangs = true;
    while (true) std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

HWND StartHangingHost() {
  std::promise<HWND> made;
  std::thread([&made] {
    WNDCLASS wc;
    wc.lpfnWndProc = HangingHostProc;
    wc.lpszClassName = "MordaxHangingHost";
    RegisterClass(&wc);
    made.set_value(CreateWindowEx(0, "MordaxHangingHost", "Media Converter", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                  nullptr, nullptr, nullptr, nullptr));
    MSG msg;
    while (GetMessage(&msg, nullptr, 0, 0) > 0) DispatchMessage(&msg);
  }).detach();
  return made.get_future().get();
}

// Run by the test below as a process of its own, which must end well with the thread still stuck.
TEST(MordaxStuckManager, DISABLED_CloseGivesUpAndKeepsTheModule) {
  MordaxHost host;
  ASSERT_TRUE(host.Loaded());
  HWND window = StartHangingHost();
  ASSERT_NE(nullptr, window);
  ASSERT_EQ(host.Open(window, WM_CONVERT_NOTIFY, QN_LOG_DOCUMENTS), 1);
  const Qn_PathList paths{CameraClip()};
  host.AddFile(&paths);
  const Qn_ConvertOption option =
      MakeOption({"h264", 320, 240, 600, 25}, {"aac", 96, 44100, 2}, "@SRC_NAME", ".mp4", "mp4");
  host.SetConvertOption(5, &option);
  fs::create_directories(Folder() + "out-stuck/");
  host.ConvertStart((Folder() + "out-stuck/").c_str());
  for (int i = 0; i < 6000 && !g_hostHangs; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(g_hostHangs);

  const auto begun = std::chrono::steady_clock::now();
  host.Close();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
  EXPECT_GE(seconds, 19.5);
  EXPECT_LT(seconds, 40.0);
  // The host unloads as the converter does; the code the stuck thread runs stays mapped.
  const std::string module = platform::AppFolder() + "Mordax.so";
  host.Unload();
  void* still = ::dlopen(module.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_NE(nullptr, still);
  std::ifstream logFile(platform::DocumentsFolder() + "[DLL] Mordax.txt");
  const std::string log((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
  EXPECT_NE(std::string::npos, log.find("left running")) << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

TEST(MordaxStuckManager, CloseReturnsWithinItsLimitAndTheProcessEndsWell) {
  int exitCode = -1;
  const std::string out = RunTool({fs::read_symlink("/proc/self/exe").string(), "--gtest_also_run_disabled_tests",
                                   "--gtest_filter=MordaxStuckManager.DISABLED_CloseGivesUpAndKeepsTheModule"},
                                  &exitCode);
  EXPECT_EQ(0, exitCode) << out;
  EXPECT_NE(std::string::npos, out.find("[  PASSED  ] 1 test.")) << out;
}

}  // namespace
}  // namespace mordax::test
