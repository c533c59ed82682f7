// The starter's windows in the test process: the intro's check, the main dialog's launches,
// shape, skin and help items, and the About box.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "intro_dlg.h"
#include "lanvik_app.h"
#include "lanvik_dlg.h"
#include "lanvik_ids.h"
#include "platform/base/process.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "platform/window/input.h"
#include "qnlog/qn_log.h"
#include "platform/window/window.h"
#include "platform/window/window_surface.h"
#include "platform/testkit/tool_tips.h"
#include "skin_bitmap.h"
#include "skin_ids.h"
#include "widgets/reg_helpers.h"

namespace starter {
namespace {

using namespace testkit;

class StarterWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(app_.FindRunningProgram());
    ASSERT_TRUE(app_.LoadResourceLibraries());
  }
  void TearDown() override {
    app_.ExitInstance();
    ResetWindows();
  }
  // Points the product key at a folder of this test's own.
  std::string UseAppFolder(const std::string& name) {
    const std::string folder = env_.Home() + name + "/";
    std::filesystem::create_directories(folder);
    RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "AppPath", folder.c_str());
    EXPECT_FALSE(app_.FindRunningProgram());
    return folder;
  }

  Environment env_{CurrentTestName()};
  ManualTime time_;
  MessageBoxAnswers boxes_;
  CLanvikApp app_;
};

TEST(StarterCommandLine, OnlyTheExactSwitchSkipsTheIntro) {
  EXPECT_TRUE(SkipsIntro("/NOINTRO"));
  for (const char* line : {"", "/nointro", "/NOINTRO ", " /NOINTRO", "/NOINTRO x"})
    EXPECT_FALSE(SkipsIntro(line)) << line;
}

TEST_F(StarterWindowTest, TheIntroClosesAfterItsCheckAndABrokenInstallStartsTheRegistrationTool) {
  const std::string folder = UseAppFolder("broken");
  bool openAtCheck = false, openBeforeClose = false;
  std::string title;
  SIZE size{};
  WhenDialogShows([&](HWND d) {
    title = WindowText(d);
    RECT r;
    ::GetWindowRect(d, &r);
    size = SIZE{r.right - r.left, r.bottom - r.top};
    EXPECT_FALSE(WritePicture(d, "intro.png").empty());
    time_.Advance(CIntroDlg::kCheckMs - 1);
    openAtCheck = ::IsWindow(d) && platform::ReadLaunchRecords().empty();
    time_.Advance(1);
    time_.Advance(CIntroDlg::kCloseMs - 1);
    openBeforeClose = ::IsWindow(d) && ::IsWindowVisible(d);
    time_.Advance(1);
  });
  CIntroDlg intro(app_);
  EXPECT_EQ(IDOK, intro.DoModal());
  EXPECT_TRUE(openAtCheck);
  EXPECT_TRUE(openBeforeClose);
  EXPECT_EQ("Narvell Vidarro 5.0 Starter", title);
  // The extra library's picture sets the size.
  EXPECT_EQ(600, size.cx);
  EXPECT_EQ(400, size.cy);
  const auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(1u, launches.size());
  EXPECT_EQ(folder + "regcom", launches[0].target);
  EXPECT_EQ("", launches[0].parameters);
}

TEST_F(StarterWindowTest, ASoundInstallClosesTheIntroWithoutTheRegistrationTool) {
  WhenDialogShows([&](HWND) {
    time_.Advance(CIntroDlg::kCheckMs);
    time_.Advance(CIntroDlg::kCloseMs);
  });
  CIntroDlg intro(app_);
  EXPECT_EQ(IDOK, intro.DoModal());
  EXPECT_TRUE(platform::ReadLaunchRecords().empty());
}

TEST_F(StarterWindowTest, EachLaunchButtonStartsItsProgramFromTheAppFolderAndClosesLater) {
  const std::string folder = UseAppFolder("suite");
  const std::pair<int, const char*> buttons[] = {
      {IDC_LAUNCH_WIZARD, "Wendrel"}, {IDC_LAUNCH_ADVANCED, "Quillon"}, {IDC_LAUNCH_AUDIO, "Auvry"}};
  size_t launched = 0;
  for (const auto& [id, program] : buttons) {
    bool openBefore = false, launchesDisabled = false;
    WhenDialogShows([&, id = id](HWND d) {
      ClickButton(d, id);
      launchesDisabled = !::IsWindowEnabled(::GetDlgItem(d, IDC_LAUNCH_WIZARD)) &&
                         !::IsWindowEnabled(::GetDlgItem(d, IDC_LAUNCH_AUDIO));
      time_.Advance(CLanvikDlg::kCloseMs - 1);
      openBefore = ::IsWindowVisible(d);
      time_.Advance(1);
    });
    CLanvikDlg dialog(app_);
    EXPECT_EQ(IDOK, dialog.DoModal()) << program;
    EXPECT_TRUE(openBefore) << program;
    EXPECT_TRUE(launchesDisabled) << program;
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_EQ(++launched, launches.size());
    EXPECT_EQ(folder + program, launches.back().target);
    EXPECT_EQ("", launches.back().parameters);
  }
}

TEST_F(StarterWindowTest, AProgramThatCannotStartIsLoggedAndTheStarterStillCloses) {
  const std::string folder = UseAppFolder("empty");
  QnLogInit("", "Lanvik.log", QN_LOG_TEMP_FOLDER, false, 0x10000);
  // Without the recorder the shell really looks for the program, and finds none.
  const std::string record = std::getenv("VIDARRO_LAUNCH_RECORD");
  unsetenv("VIDARRO_LAUNCH_RECORD");
  WhenDialogShows([&](HWND d) {
    ClickButton(d, IDC_LAUNCH_ADVANCED);
    time_.Advance(CLanvikDlg::kCloseMs);
  });
  CLanvikDlg dialog(app_);
  const INT_PTR result = dialog.DoModal();
  setenv("VIDARRO_LAUNCH_RECORD", record.c_str(), 1);
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(0u, boxes_.Count());
  std::ifstream log(CQnLog::Instance().GetFile());
  std::stringstream text;
  text << log.rdbuf();
  EXPECT_NE(std::string::npos, text.str().find("Cannot start " + folder + "Quillon.exe")) << text.str();
  QnLogInit("", "", -1, false, 0);
}

TEST_F(StarterWindowTest, TheWindowIsCutWhereTheCornerMaskIsRedAndPlacedAsDrawn) {
  bool corner = true, inside = false, edge = false, cornerMiddle = false;
  std::string caption;
  RECT window{}, wizard{}, exit{};
  COLORREF heading = 0;
  WhenDialogShows([&](HWND d) {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, ::GetWindowRgn(d, region));
    corner = ::PtInRegion(region, 0, 0) || ::PtInRegion(region, 799, 519) || ::PtInRegion(region, 799, 0);
    cornerMiddle = ::PtInRegion(region, 17, 17) && ::PtInRegion(region, 782, 502);
    inside = ::PtInRegion(region, 400, 260);
    edge = ::PtInRegion(region, 0, 18) && ::PtInRegion(region, 18, 0);
    ::DeleteObject(region);
    caption = WindowText(d);
    ::GetWindowRect(d, &window);
    ::GetWindowRect(::GetDlgItem(d, IDC_LAUNCH_WIZARD), &wizard);
    ::GetWindowRect(::GetDlgItem(d, IDC_EXIT), &exit);
    heading = Pixel(d, 0, 0);
    EXPECT_FALSE(WritePicture(d, "main.png").empty());
    ClickButton(d, IDC_EXIT);
  });
  CLanvikDlg dialog(app_);
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_FALSE(corner);
  EXPECT_TRUE(cornerMiddle);
  EXPECT_TRUE(inside);
  EXPECT_TRUE(edge);
  EXPECT_EQ("Narvell Vidarro 5.0 Starter", caption);
  EXPECT_EQ(800, window.right - window.left);
  EXPECT_EQ(520, window.bottom - window.top);
  EXPECT_EQ(37, wizard.left - window.left);
  EXPECT_EQ(98, wizard.top - window.top);
  EXPECT_EQ(689, exit.left - window.left);
  EXPECT_EQ(472, exit.top - window.top);
}

TEST_F(StarterWindowTest, AButtonsTipShowsOverTheWindowOnceItIsActive) {
  testkit::ShownTip shown;
  // The moves go through the window's own loop, which hands them to the buttons' tips.
  WhenDialogShows([&](HWND d) {
    ::SetActiveWindow(d);
    testkit::RestPointerOn(::GetDlgItem(d, IDC_LAUNCH_WIZARD), POINT{30, 30});
  });
  WhenDialogShows([&](HWND d) {
    time_.Advance(1000);
    shown = testkit::ShownTipAbove(d);
    ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    platform::WriteWindowAsSeenPng(d, PictureFolder() + "main_with_tip.png");
    ClickButton(d, IDC_EXIT);
  });
  CLanvikDlg dialog(app_);
  dialog.DoModal();
  ASSERT_NE(shown.tip, nullptr) << "no tip shows";
  EXPECT_TRUE(shown.above) << "the tip is under its window";
}

TEST_F(StarterWindowTest, TheHelpItemsSayWhatIsMissingAndOpenTheSupportPage) {
  const std::string folder = UseAppFolder("help");
  WhenDialogShows([&](HWND d) {
    // F1 anywhere: the key goes to a button and the dialog's loop hands it on.
    ::SetFocus(::GetDlgItem(d, IDC_LAUNCH_AUDIO));
    platform::InjectKey(VK_F1);
  });
  std::string specs;
  WhenDialogShows([&](HWND d) {
    ::SendMessage(d, WM_COMMAND, ID_HELP_SUPPORT, 0);
    ::SendMessage(d, WM_COMMAND, ID_HELP_SYSTEM_INFO, 0);
    std::ofstream(folder + "Vidarro5UG.pdf") << "%PDF-1.4\n";
    ::SendMessage(d, WM_COMMAND, ID_HELP_GUIDE, 0);
    ClickButton(d, IDOK);
  });
  // "Check your computer specs" opens the suite's own window over the starter.
  WhenDialogShows([&](HWND d) {
    specs = WindowText(d);
    EXPECT_FALSE(WritePicture(d, "system_information.png").empty());
    ClickButton(d, IDOK);
  });
  CLanvikDlg dialog(app_);
  dialog.DoModal();
  EXPECT_EQ("System Information", specs);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ("The user guide " + folder + "Vidarro5UG.pdf is not installed.", boxes_.Calls()[0].text);
  const auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(2u, launches.size());
  EXPECT_EQ("https://support.narvell.example/vidarro5?lang=0x0409", launches[0].target);
  EXPECT_EQ(folder + "Vidarro5UG.pdf", launches[1].target);
}

TEST_F(StarterWindowTest, TheAboutBoxShowsTheLauncherNameVersionAndLink) {
  RegWriteString(HKEY_LOCAL_MACHINE, kProductKey, "LanuchName", "Vidarro Home");
  ASSERT_FALSE(app_.FindRunningProgram());
  std::string caption, title, version, link;
  WhenDialogShows([&](HWND d) { ::SendMessage(d, WM_COMMAND, ID_HELP_ABOUT, 0); });
  WhenDialogShows([&](HWND d) {
    caption = WindowText(d);
    title = ControlText(d, IDC_ABOUT_TITLE);
    version = ControlText(d, IDC_ABOUT_VERSION);
    link = ControlText(d, IDC_ABOUT_LINK);
    EXPECT_FALSE(WritePicture(d, "about.png").empty());
    ClickButton(d, IDOK);
  });
  WhenDialogShows([&](HWND d) { ClickButton(d, IDOK); });
  CLanvikDlg dialog(app_);
  dialog.DoModal();
  EXPECT_EQ("Vidarro Home", caption);
  EXPECT_EQ("Vidarro Home", title);
  EXPECT_EQ("Product Version : 5.0.25", version);
  EXPECT_EQ("https://www.narvell.example/", link);
}

}  // namespace
}  // namespace starter

namespace starter {
namespace {

COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  const COLORREF colour = ::GetPixel(dc, x, y);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return colour;
}

TEST_F(StarterWindowTest, WithoutTheExtraOrImageLibraryTheUiLibrarysPicturesServe) {
  const StarterLibraries& libraries = app_.Libraries();
  ASSERT_NE(nullptr, libraries.extra);
  ASSERT_NE(nullptr, libraries.image);
  // The intro's band tells the two pictures apart.
  HBITMAP extra = LoadBitmapFrom(libraries.extra, IDB_EXTRA_STARTER_INTRO, libraries.ui, IDB_STARTER_INTRO);
  HBITMAP ui = LoadBitmapFrom(nullptr, IDB_EXTRA_STARTER_INTRO, libraries.ui, IDB_STARTER_INTRO);
  ASSERT_NE(nullptr, extra);
  ASSERT_NE(nullptr, ui);
  EXPECT_EQ(RGB(230, 160, 64), BitmapPixel(extra, 300, 264));
  EXPECT_EQ(RGB(47, 127, 192), BitmapPixel(ui, 300, 264));
  // An id the preferred library lacks falls back too; with neither there is no bitmap.
  HBITMAP wizard = LoadBitmapFrom(libraries.extra, IDB_IMAGE_STARTER_WIZARD, libraries.ui, IDB_STARTER_WIZARD);
  EXPECT_EQ(216 * 5, BitmapSize(wizard).cx);
  EXPECT_EQ(nullptr, LoadBitmapFrom(nullptr, IDB_EXTRA_STARTER_INTRO, nullptr, IDB_STARTER_INTRO));
  for (HBITMAP bitmap : {extra, ui, wizard}) ::DeleteObject(bitmap);
}

TEST(StarterRegion, WithoutACornerMaskTheCornersStayCut) {
  HRGN region = CornerRegion(nullptr, 100, 80);
  EXPECT_FALSE(::PtInRegion(region, 5, 5));
  EXPECT_FALSE(::PtInRegion(region, 95, 75));
  EXPECT_TRUE(::PtInRegion(region, 18, 0));
  EXPECT_TRUE(::PtInRegion(region, 50, 40));
  ::DeleteObject(region);
}

}  // namespace
}  // namespace starter
