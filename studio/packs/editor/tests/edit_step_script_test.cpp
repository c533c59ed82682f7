// The main program itself, played by a script of user actions on its Edit step: clips added to the
// storyboard, trimmed, reordered and removed, the edited video published to Parvel for the PSP, and
// a publish whose render fails. Outside readers (ffprobe, ffmpeg's PSNR) check what comes out.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/testkit/testkit.h"
#include "outside_tools.h"

namespace studio::packs {
namespace {

using namespace testkit;
namespace fs = std::filesystem;

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string MakeClip(const std::string& path, const std::string& picture, double seconds, bool sound) {
  std::vector<std::string> args = {"ffmpeg", "-y",    "-loglevel", "error",
                                   "-f",     "lavfi", "-i",        picture + ":duration=" + std::to_string(seconds)};
  if (sound) args.insert(args.end(), {"-f", "lavfi", "-i", "sine=frequency=330:duration=" + std::to_string(seconds)});
  args.insert(args.end(), {"-c:v", "mpeg4", "-q:v", "2", "-shortest", "file:" + path});
  return RunTool(args) ? path : std::string();
}

double Probe(const std::string& path, const std::string& entry) {
  std::string out;
  RunTool(
      {"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", entry, "-of", "csv=p=0", "file:" + path},
      &out);
  return std::atof(out.c_str());
}

// The play time the saved storyboard gives: the sum of its clips' points.
double SavedStoryboardSeconds(const std::string& project) {
  const std::string text = ReadText(project);
  double seconds = 0;
  for (size_t at = text.find("SPAN="); at != std::string::npos; at = text.find("SPAN=", at + 1)) {
    const double in = std::atof(text.c_str() + at + 5);
    const double out = std::atof(text.c_str() + text.find(',', at) + 1);
    seconds += (out - in) / 1000;
  }
  return seconds;
}

// The newest file under `folder`, or empty.
std::string NewestFile(const std::string& folder) {
  std::string newest;
  std::error_code ec;
  fs::file_time_type when{};
  for (const auto& entry : fs::recursive_directory_iterator(folder, ec))
    if (entry.is_regular_file() && (newest.empty() || entry.last_write_time() > when)) {
      newest = entry.path().string();
      when = entry.last_write_time();
    }
  return newest;
}

struct EditStepScript : ::testing::Test {
  Environment env{CurrentTestName()};
  ScopedVariable runSuite{"VIDARRO_LAUNCH_RUN_SUITE", "1"};
  std::string clips = env.Documents() + "clips/";
  std::string output = env.Documents() + "Vidarro/";

  void SetUp() override {
    // The packs as the program finds them once installed.
    for (const char* pack : {"Lumbrel.so", "Tessmor.so"}) {
      ProgramProcess regsvr32;
      ASSERT_TRUE(regsvr32.Start("regsvr32", {"/s", platform::AppFolder() + pack}));
      ASSERT_EQ(regsvr32.WaitForExit(20000), 0);
    }
    fs::create_directories(clips);
  }

  // Plays `script` in Quillon (and the side programs it starts) to Quillon's end.
  void Play(const std::string& script, const std::string& name) {
    const std::string path = env.Temp() + name + ".script";
    std::ofstream(path) << script;
    ScopedVariable scriptVariable("VIDARRO_SCRIPT", path);
    ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + name + ".report");
    ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PictureFolder());
    ProgramProcess quillon;
    ASSERT_TRUE(quillon.Start("Quillon"));
    EXPECT_EQ(quillon.WaitForExit(600000), 0) << quillon.Output() << ReadText(env.Temp() + name + ".report");
  }
};

// Quillon starts the starter again as it closes; it goes at once.
constexpr const char* kStarterComesBack = R"S(
program Lanvik "/NOINTRO"
step "Lanvik comes back and is closed" 60
  wait-window "Narvell Vidarro 5.0 Starter"
  close
)S";

// Parvel's part: it lists the edited video (its row showing `length`, when given), converts it
// until its status says `status`, and closes; then the starter's.
std::string ParvelConverts(const std::string& step, const std::string& status, const std::string& length = "") {
  return R"S(
program Parvel
step "Parvel lists the edited video" 60
  wait-window "Publish - PSP"
  choose 1000 "Edited Video"
  wait-enabled 1012
)S" + (length.empty() ? "" : "  wait-row 1000 \"Edited Video\" \"" + length + "\"\n") +
         "step \"" + step + R"S(" 300
  click 1012
  wait-text 1019 ")S" +
         status + R"S("
  wait-enabled 1003
step "Parvel closes" 20
  click 1013
)S" + kStarterComesBack;
}

// Clicks a control `times` times.
std::string Clicks(int id, int times) {
  std::string lines;
  for (int i = 0; i < times; ++i) lines += "  click " + std::to_string(id) + "\n";
  return lines;
}

TEST_F(EditStepScript, ATrimmedAndReorderedStoryboardIsPublishedForThePspAndSurvivesReopening) {
  const std::string silent = MakeClip(clips + "silent.avi", "testsrc2=size=640x480:rate=30000/1001", 2, false);
  const std::string wide = MakeClip(clips + "wide.avi", "testsrc2=size=1024x576:rate=25", 5, true);
  const std::string pal = MakeClip(clips + "pal.avi", "smptebars=size=720x576:rate=25", 3, true);
  ASSERT_FALSE(silent.empty() || wide.empty() || pal.empty());
  const std::string project = env.Documents() + "Edited.ilj5";
  Play(R"S(program Quillon
step "Quillon shows its capture page" 60
  wait-window "Narvell Vidarro 5.0"
step "The Edit step shows the empty storyboard" 30
  click 1001
  wait-shown 2112
step "Three clips go onto the storyboard by its own Add button" 120
  click 2101
  answer-file "\")S" +
           silent + R"S(\" \")S" + wide + R"S(\" \")S" + pal + R"S(\""
  wait-text 2111 "(3 clips)"
step "The wide clip is trimmed to 1 - 3 s on its frames" 120
  choose 2100 "wide.avi"
  click 2105
  wait-window "Trim - wide.avi"
)S" + Clicks(2203, 25) +
           "  click 2205\n" + Clicks(2203, 50) + R"S(  click 2206
  wait-text 2207 "Plays 0:00:02.0"
  click 1
step "The wide clip moves to the front" 60
  wait-window "Narvell Vidarro 5.0"
  choose 2100 "wide.avi"
  click 2103
step "The PAL clip leaves the storyboard" 60
  choose 2100 "pal.avi"
  click 2102
  wait-text 2111 "(2 clips)"
step "Publish sends the edited video to Parvel" 60
  choose 1003 "Edited Video"
  click 1092
  wait-window "Publish - PSP"
step "Parvel has converted the edited video" 300
  wait-gone "Publish - PSP"
step "The project is saved as Quillon closes" 60
  click 1035
  answer yes
  answer-file ")S" +
           project + R"S("
  wait-gone "Narvell Vidarro 5.0"

)S" + ParvelConverts("Parvel converts the edited video", "status - 100 %", "00:00:04."),
       "publish");
  if (HasFatalFailure()) return;

  const double storyboard = SavedStoryboardSeconds(project);
  EXPECT_NEAR(storyboard, 2 + Probe(silent, "format=duration"), 0.1) << ReadText(project);
  const std::string psp = NewestFile(output + "PSP_OUTPUT/");
  ASSERT_FALSE(psp.empty()) << "no converted file under " << output;
  EXPECT_NEAR(Probe(psp, "format=duration"), storyboard, 0.2) << psp;
  // The first frame is the wide clip's frame at its in point, fitted into the PSP picture.
  const int width = static_cast<int>(Probe(psp, "stream=width"));
  const int height = static_cast<int>(Probe(psp, "stream=height"));
  ASSERT_GT(width * height, 0);
  const std::string w = std::to_string(width), h = std::to_string(height), log = env.Temp() + "psnr.log";
  ASSERT_TRUE(
      RunTool({"ffmpeg", "-loglevel", "error", "-i", "file:" + psp, "-ss", "1", "-i", "file:" + wide, "-filter_complex",
               "[1:v]scale=" + w + ":" + h + ":force_original_aspect_ratio=decrease,pad=" + w + ":" + h +
                   ":(ow-iw)/2:(oh-ih)/2,setsar=1,trim=end_frame=1[ref];[0:v]setsar=1,trim=end_frame=1[got];"
                   "[got][ref]psnr=stats_file=" +
                   log,
               "-f", "null", "-"}));
  const std::string stats = ReadText(log);
  const size_t at = stats.find("psnr_avg:");
  ASSERT_NE(at, std::string::npos) << stats;
  EXPECT_GE(std::atof(stats.c_str() + at + 9), 30.0) << stats;
  if (HasFailure()) {
    // Both frames, for a person to compare.
    RunTool({"ffmpeg", "-y", "-loglevel", "error", "-i", "file:" + psp, "-frames:v", "1",
             PictureFolder() + "editor_psp_first_frame.png"});
    RunTool(
        {"ffmpeg", "-y", "-loglevel", "error", "-ss", "1", "-i", "file:" + wide, "-frames:v", "1", "-vf",
         "scale=" + w + ":" + h + ":force_original_aspect_ratio=decrease,pad=" + w + ":" + h + ":(ow-iw)/2:(oh-ih)/2",
         PictureFolder() + "editor_psp_expected_frame.png"});
  }

  // Started again, Quillon opens the saved project: the storyboard is as it was saved.
  Play(R"S(program Quillon
step "Quillon starts with the saved project" 60
  wait-window "Narvell Vidarro 5.0"
step "The Edit step shows the two clips with their trimmed total" 60
  click 1001
  wait-text 2111 "(2 clips)"
  wait-text 2111 "Total play time 0:00:04.0"
step "Quillon closes" 60
  click 1035
  answer no
  wait-gone "Narvell Vidarro 5.0"
)S" + std::string(kStarterComesBack),
       "reopen");
}

TEST_F(EditStepScript, ARenderWhoseFolderIsRemovedShowsAConversionErrorInParvel) {
  const std::string clip = MakeClip(clips + "long.avi", "testsrc2=size=720x576:rate=25", 40, true);
  ASSERT_FALSE(clip.empty());
  // The render's folder goes while the render writes into it.
  const std::string rendered = output + "Temp/Convert.mpg";
  std::atomic<bool> removed{false}, done{false};
  std::thread remover([&] {
    while (!done.load()) {
      std::error_code ec;
      if (fs::exists(rendered, ec) && fs::file_size(rendered, ec) > 0) {
        fs::remove_all(output + "Temp/", ec);
        removed.store(true);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  Play(R"S(program Quillon
step "Quillon shows its Edit step" 60
  wait-window "Narvell Vidarro 5.0"
  click 1001
  wait-shown 2112
step "A long clip goes onto the storyboard" 60
  click 2101
  answer-file ")S" +
           clip + R"S("
  wait-text 2111 "(1 clip)"
step "Publish sends the edited video to Parvel" 60
  choose 1003 "Edited Video"
  click 1092
  wait-window "Publish - PSP"
step "The failed render is told with its reason" 300
  wait-message "could not be made"
  answer ok
step "Quillon closes" 300
  wait-gone "Publish - PSP"
  wait-window "Narvell Vidarro 5.0"
  click 1035
  answer no
  wait-gone "Narvell Vidarro 5.0"

)S" + ParvelConverts("Parvel tells the conversion failed", "File conversion error."),
       "failed");
  done.store(true);
  remover.join();
  EXPECT_TRUE(removed.load());
  EXPECT_FALSE(fs::exists(rendered));
  EXPECT_TRUE(fs::exists(clip));
}

TEST_F(EditStepScript, AClipDraggedFromTheClipListGoesOntoTheStoryboard) {
  const std::string a = MakeClip(clips + "first clip.avi", "testsrc2=size=640x480:rate=25", 2, true);
  const std::string b = MakeClip(clips + "second clip.avi", "smptebars=size=720x576:rate=25", 3, false);
  ASSERT_FALSE(a.empty() || b.empty());
  Play(R"S(program Quillon
step "Quillon shows its capture page" 60
  wait-window "Narvell Vidarro 5.0"
step "Two clips go into the clip list" 60
  click 1090
  answer-file "\")S" +
           a + R"S(\" \")S" + b + R"S(\""
  wait-row 1003 "second clip" "second clip"
step "The Edit step shows the empty storyboard" 30
  click 1001
  wait-shown 2112
step "The second clip is dragged from the clip list onto the empty storyboard" 60
  drag 1003 "second clip" 2112
  wait-text 2111 "(1 clip)"
step "The first goes after it, and the title item shows the total" 60
  drag 1003 "first clip" 2100
  wait-text 2111 "Total play time 0:00:05.0   (2 clips)"
  wait-row 1003 "Edited Video" "Edited Video"
step "Quillon closes" 60
  click 1035
  answer no
  wait-gone "Narvell Vidarro 5.0"
)S" + std::string(kStarterComesBack),
       "drag");
}

TEST_F(EditStepScript, FileInformationOnTheClipListShowsWhatFfprobeReads) {
  const std::string mpeg = clips + "clip one.mpg", dv = clips + "clip two.avi", m2ts = clips + "clip three.m2ts";
  ASSERT_TRUE(MakeCaptureKinds(mpeg, dv, m2ts));
  // What ffprobe itself reads of each, as the dialog must show it.
  auto read = [](const std::string& path, const std::string& entry) {
    std::string out;
    RunTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", entry, "-of",
             "default=noprint_wrappers=1:nokey=1", "file:" + path},
            &out);
    return out.substr(0, out.find_first_of("\r\n"));
  };
  std::string script = R"S(program Quillon
step "Quillon shows its capture page" 60
  wait-window "Narvell Vidarro 5.0"
step "Three clips go into the clip list" 60
  click 1090
  answer-file "\")S" + mpeg +
                       R"S(\" \")S" + dv + R"S(\" \")S" + m2ts + R"S(\""
  choose 1003 "clip three"
)S";
  int step = 0;
  for (const std::string& clip : {mpeg, dv, m2ts}) {
    const std::string name = platform::FileNameOf(clip);
    const std::string video = read(clip, "stream=codec_long_name");
    script += "step \"File Information on " + name + "\" 60\n";
    script += "  choose 1003 \"" + name.substr(0, name.rfind('.')) + "\"\n  menu 32797\n";
    script += "  wait-window \"File Information - " + name + "\"\n";
    script += "  wait-text 2331 \"" + read(clip, "format=format_long_name") + "\"\n";
    script += "  wait-text 2333 \"" + video + "\"\n";
    script += "  wait-text 2334 \"" + read(clip, "stream=width") + " x \"\n";
    script += "  click 1\n";
    ++step;
  }
  script += R"S(step "Quillon closes" 60
  wait-window "Narvell Vidarro 5.0"
  click 1035
  answer no
  wait-gone "Narvell Vidarro 5.0"
)S" + std::string(kStarterComesBack);
  Play(script, "fileinfo");
  EXPECT_EQ(step, 3);
}

}  // namespace
}  // namespace studio::packs
