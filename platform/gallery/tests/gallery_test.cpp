#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gallery_app.h"
#include "gallery_dialog.h"
#include "gallery_ids.h"
#include "picture_tour.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/window/resources.h"
#include "platform/testkit/testkit.h"

namespace {

using namespace testkit;

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HMODULE resources = app_.LoadResourceLibrary(kGalleryResources);
    ASSERT_NE(nullptr, resources);
    app_.SetResourceLibrary(resources);
  }
  void TearDown() override {
    platform::ClearInputScript();
    ResetWindows();
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  CWinApp app_{"Vidarro window gallery"};
};

TEST_F(GalleryTest, TheDialogDrawsItsSkinRunsItsClockAndOpensEachWindow) {
  const std::string clip = env_.Documents() + "Wedding.mpg";
  std::ofstream(clip) << "clip";
  COLORREF skin = 0, button = 0;
  std::string elapsed, about;
  WhenDialogShows([&](HWND d) {
    skin = Pixel(d, 2, 2);
    RECT r;
    GetClientRect(GetDlgItem(d, IDC_PLAY), &r);
    button = Pixel(GetDlgItem(d, IDC_PLAY), 3, r.bottom / 2);
    time_.Advance(CGalleryDlg::kClockMs);
    elapsed = ControlText(d, IDC_ELAPSED);
    EXPECT_FALSE(WritePicture(d, "gallery.png").empty());
    ClickButton(d, IDC_ABOUT);
  });
  WhenDialogShows([&](HWND d) {
    about = WindowText(d);
    ClickButton(d, IDOK);
  });
  WhenDialogShows([](HWND d) { ClickButton(d, IDC_PLAY); });
  WhenDialogShows([](HWND d) { ClickButton(d, IDC_OPEN); });
  AnswerFileDialog(clip);
  WhenDialogShows([](HWND d) { ClickButton(d, IDC_FOLDER); });
  AnswerFolderDialog(env_.Documents());
  std::string name, folder;
  WhenDialogShows([&](HWND d) {
    name = ControlText(d, IDC_NAME);
    folder = ControlText(d, IDC_FOLDER_TEXT);
    ClickButton(d, IDCANCEL);
  });
  CGalleryDlg dialog;
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  // The skin's top row and the play button's normal face, as the build drew them.
  EXPECT_EQ(RGB(24, 48, 96), skin);
  EXPECT_EQ(RGB(40, 150, 60), button);
  EXPECT_EQ("Elapsed: 1 s", elapsed);
  EXPECT_EQ("About the gallery", about);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("Playing Holiday 2026.", boxes_.Last().text);
  EXPECT_EQ("Vidarro window gallery", boxes_.Last().caption);
  EXPECT_EQ("Wedding", name);
  EXPECT_EQ(env_.Documents().substr(0, env_.Documents().size() - 1), folder);
}

TEST_F(GalleryTest, AMissingResourceLibraryIsReportedAndEndsTheProgram) {
  const std::string appFolder = platform::AppFolder();
  setenv("VIDARRO_APP_DIR", env_.Home().c_str(), 1);
  CGalleryApp app;
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(1, app.ExitInstance());
  setenv("VIDARRO_APP_DIR", appFolder.c_str(), 1);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("VidarroGalleryUI.dll is not loaded, please reinstall it", boxes_.Last().text);
}

TEST(GalleryProgram, WritesThePictureOfEveryWindowItShows) {
  Environment env(CurrentTestName());
  ProgramProcess program;
  ASSERT_TRUE(program.Start("vidarro_gallery", {PictureFolder()}));
  EXPECT_EQ(0, program.WaitForExit(60000)) << program.Output();
  for (const std::string& name : gallery::TourPictureNames())
    EXPECT_TRUE(std::filesystem::exists(PictureFolder() + name)) << name;
  EXPECT_TRUE(std::filesystem::exists(PictureFolder() + "controls.png"));
}

TEST(GalleryProgram, StaysOpenUntilAnotherProcessClosesIt) {
  Environment env(CurrentTestName());
  ProgramProcess program;
  ASSERT_TRUE(program.Start("vidarro_gallery", {"/stay"}));
  HWND window = WaitForWindow("#32770", "Vidarro window gallery", 20000);
  ASSERT_NE(nullptr, window) << program.Output();
  EXPECT_TRUE(program.Running());
  PostMessage(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, program.WaitForExit(20000)) << program.Output();
}

// Runs the gallery with a script of user actions; its exit code.
int PlayGallery(const Environment& env, const std::string& script, ProgramProcess* program) {
  const std::string file = env.Temp() + "gallery.script";
  std::ofstream(file) << script;
  setenv("VIDARRO_SCRIPT", file.c_str(), 1);
  setenv("VIDARRO_SCRIPT_REPORT", (env.Temp() + "report.txt").c_str(), 1);
  setenv("VIDARRO_SCRIPT_PICTURES", PictureFolder().c_str(), 1);
  const bool started = program->Start("vidarro_gallery", {"/stay"});
  for (const char* name : {"VIDARRO_SCRIPT", "VIDARRO_SCRIPT_REPORT", "VIDARRO_SCRIPT_PICTURES"}) unsetenv(name);
  return started ? program->WaitForExit(60000) : -1;
}

std::string Report(const Environment& env) {
  std::ifstream in(env.Temp() + "report.txt");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(GalleryProgram, PlaysAScriptOfUserActionsThroughEveryKindOfWindow) {
  Environment env(CurrentTestName());
  const std::string clip = env.Home() + "beach.mpg";
  std::ofstream(clip) << "clip";
  std::filesystem::create_directories(env.Home() + "out");
  ProgramProcess program;
  const int code = PlayGallery(env, R"(program vidarro_gallery
step "The gallery shows" 20
  wait-window "Vidarro window gallery"
step "Play a named clip" 20
  type 1001 "Summer trip"
  click 1006
  answer ok "Playing Summer trip."
step "Open a clip" 20
  click 1008
  answer-file ")" + clip + R"("
  wait-text 1001 "beach"
step "Choose the output folder" 20
  click 1009
  answer-folder ")" + env.Home() + R"(out"
  wait-text 1010 "out"
step "The About box and closing" 20
  click 1007
  wait-window "About the gallery"
  click 1
  wait-gone "About the gallery"
  click 2
)",
                               &program);
  EXPECT_EQ(0, code) << program.Output();
  EXPECT_EQ(Report(env),
            "vidarro_gallery\tdone\tThe gallery shows\nvidarro_gallery\tdone\tPlay a named clip\n"
            "vidarro_gallery\tdone\tOpen a clip\nvidarro_gallery\tdone\tChoose the output folder\n"
            "vidarro_gallery\tdone\tThe About box and closing\nvidarro_gallery\tfinished\t5\n");
  EXPECT_TRUE(std::filesystem::exists(PictureFolder() + "vidarro-gallery-04-choose-the-output-folder.png"));
}

TEST(GalleryProgram, AFailedOrMalformedScriptEndsTheProgramNamingWhy) {
  Environment env(CurrentTestName());
  ProgramProcess failing;
  EXPECT_EQ(97, PlayGallery(env, "program *\nstep \"Press a button that is not there\" 1\n  click 4242\n", &failing));
  EXPECT_NE(failing.Output().find("step \"Press a button that is not there\" failed: line 3: no control 4242 showed"),
            std::string::npos)
      << failing.Output();
  ProgramProcess malformed;
  EXPECT_EQ(97, PlayGallery(env, "program *\nstep \"Unfinished\n", &malformed));
  EXPECT_NE(malformed.Output().find("line 2: a text without its closing quote"), std::string::npos)
      << malformed.Output();
}

}  // namespace
