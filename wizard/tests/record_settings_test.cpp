// The record settings page and the burn options: time limits, space rules, the large-file
// check, the disc name and the speed list.
#include <gtest/gtest.h>

#include <filesystem>

#include "burn_options_dlg.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/window/input.h"
#include "platform/window/message_box_dialog.h"
#include "platform/window/window_surface.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/testkit/tool_tips.h"
#include "record_settings_page.h"
#include "record_space.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;

class RecordSettings : public WizardTest {};

TEST(RecordSpace, NeedsCapacitiesAndNames) {
  wizard::State() = wizard::WizardState{};
  EXPECT_NEAR(23528.0, wizard::BluRayNeededMB(115), 1.0);
  // Without a writer the DVD is taken as 4482 MB, so the need stops at twice that.
  EXPECT_EQ(4482.0, wizard::DiscCapacityMB());
  EXPECT_EQ(8964.0, wizard::DvdNeededMB(360, wizard::DiscCapacityMB()));
  EXPECT_NEAR(121.4, wizard::DvdNeededMB(1, 4482.0), 0.1);
  wizard::State().discType = 1;
  EXPECT_EQ(23098.0, wizard::DiscCapacityMB());
  EXPECT_EQ(115, wizard::MaximumMinutes());
  wizard::State().discType = 0;
  wizard::State().doubleLayer = TRUE;
  EXPECT_EQ(360, wizard::MaximumMinutes());

  EXPECT_EQ("  8.0x (11080KB/s)", wizard::SpeedText(11080, false));
  EXPECT_EQ("  2.0x (8310KB/s)", wizard::SpeedText(8310, true));
  EXPECT_EQ("ABCDEFGHIJKLMNOP", wizard::CutDiscName("ABCDEFGHIJKLMNOPQRS"));
  // Sixteen characters, not sixteen bytes: the accented letters stay whole.
  EXPECT_EQ("Fête d'été 2026 ", wizard::CutDiscName("Fête d'été 2026 Paris"));
  EXPECT_EQ("/", wizard::MountPointOf("/"));

  platform::FixedLocalTime when(2006, 12, 8, 15, 30, 0);
  platform::ScopedLocalTime scoped(when);
  EXPECT_EQ("20061208_1530", wizard::DefaultDiscName());
}

TEST_F(RecordSettings, ALongStoredTimeIsCutToTheDiscAndAnEmptyNameGetsTheTime) {
  wizard::State().recordingMinutes = 200;
  platform::FixedLocalTime when(2006, 12, 8, 15, 30, 0);
  platform::ScopedLocalTime scoped(when);
  platform::FixedFileSystem roomy(1ull << 40, platform::LargeFiles::Yes);
  platform::ScopedFileSystem disk(roomy);
  CWendrelDlg dialog;
  std::string time;
  int next = 0;
  std::vector<InkRun> thumbs;
  WhenDialogShows([&](HWND d) {
    dialog.SetActivePage(IDD_PAGE_RECORD_SETTINGS);
    Pump();
    time = ControlText(dialog.GetActivePage()->m_hWnd, CRecordSettingsPage::kTimeLabel);
    WritePicture(d, "record_settings_342.png");
    // One thumb on the channel, as wide as a thumb: not the strip of its five frames.
    HWND slider = ::GetDlgItem(dialog.GetActivePage()->m_hWnd, CRecordSettingsPage::kSlider);
    RECT channel{};
    ::GetClientRect(slider, &channel);
    thumbs = InkRuns(slider, channel, Pixel(slider, 2, channel.bottom / 2));
    next = dialog.GetActivePage()->GetNextPage();
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ("03:00", time);
  ASSERT_EQ(1u, thumbs.size());
  EXPECT_LE(thumbs[0].right - thumbs[0].left, 12);
  EXPECT_EQ(180, wizard::State().recordingMinutes);
  EXPECT_EQ(IDD_PAGE_DVD_RECORD, next);
  EXPECT_EQ("20061208_1530", wizard::State().discName);
}

TEST_F(RecordSettings, TheOptionBoxesAreSkinBoxesThatStartFromTheSettingsAndStoreAClick) {
  wizard::State().wideScreen = 1;
  wizard::State().lowResolution = 0;
  platform::FixedFileSystem roomy(1ull << 40, platform::LargeFiles::Yes);
  platform::ScopedFileSystem disk(roomy);
  CWendrelDlg dialog;
  COLORREF wide = 0, low = 0, lowClicked = 0;
  WhenDialogShows([&](HWND d) {
    dialog.SetActivePage(IDD_PAGE_RECORD_SETTINGS);
    Pump();
    HWND page = dialog.GetActivePage()->m_hWnd;
    // The middle of each box: the mark of a checked one, the well of an empty one.
    wide = Pixel(::GetDlgItem(page, CRecordSettingsPage::kWideScreen), 10, 14);
    low = Pixel(::GetDlgItem(page, CRecordSettingsPage::kLowResolution), 10, 14);
    Click(::GetDlgItem(page, CRecordSettingsPage::kLowResolution), 10, 14);
    lowClicked = Pixel(::GetDlgItem(page, CRecordSettingsPage::kLowResolution), 10, 14);
    dialog.GetActivePage()->GetNextPage();
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ(RGB(47, 150, 220), wide);
  EXPECT_EQ(RGB(24, 30, 38), low);
  EXPECT_EQ(RGB(47, 150, 220), lowClicked);
  EXPECT_EQ(1, wizard::State().lowResolution);
  EXPECT_EQ(1, wizard::State().wideScreen);
}

TEST_F(RecordSettings, ABluRayRecordingIsRefusedOnAFileSystemWithoutLargeFilesOrSpace) {
  wizard::State().discType = 1;
  wizard::State().recordingMinutes = 115;
  platform::FixedFileSystem fat(1ull << 40, platform::LargeFiles::No);
  platform::FixedFileSystem unknown(1ull << 40, platform::LargeFiles::Unknown);
  platform::FixedFileSystem full(1ull << 30, platform::LargeFiles::Yes);
  CWendrelDlg dialog;
  std::vector<int> answers;
  WhenDialogShows([&](HWND d) {
    dialog.SetActivePage(IDD_PAGE_RECORD_SETTINGS);
    Pump();
    CWizardPage* page = dialog.GetActivePage();
    {
      platform::ScopedFileSystem disk(fat);
      answers.push_back(page->GetNextPage());
    }
    // 115 minutes would not fit the disc either; 100 do.
    wizard::State().recordingMinutes = 100;
    {
      platform::ScopedFileSystem disk(unknown);
      answers.push_back(page->GetNextPage());
    }
    {
      platform::ScopedFileSystem disk(full);
      answers.push_back(page->GetNextPage());
    }
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{-1, IDD_PAGE_BD_RECORD, -1}), answers);
  ASSERT_EQ(2u, boxes_.Count());
  const std::string refusal = boxes_.Calls()[0].text;
  EXPECT_EQ(0u, refusal.find("Cannot use the selected folder/drive(/"));
  EXPECT_NE(std::string::npos, refusal.find("4GB or larger file."));
  const std::string space = boxes_.Calls()[1].text;
  EXPECT_EQ(0u, space.find("Insufficient hard drive space.\nRequired Hard Drive Space: 20459."));
  EXPECT_NE(std::string::npos, space.find("Available Hard Drive Space: [/"));
  EXPECT_NE(std::string::npos, space.find("] 1024.0 MB"));
}

TEST_F(RecordSettings, TheBurnOptionsListTheSpeedsAndKeepAShortenedName) {
  UseWriters({Writer("A", "WRITES=DVD+R\nMEDIUM=DVD+R\nSPEEDS=22160,11080\n")});
  wizard::Writer().Initialize();
  wizard::Writer().ChooseDrive(0);
  wizard::State().writerCount = 1;
  wizard::State().writeSpeedIndex = 1;
  wizard::State().discName = "Holiday";
  std::string folder, speed, picture;
  WhenDialogShows([&](HWND d) {
    folder = ControlText(d, CBurnOptionsDialog::kFolderText);
    char text[64] = {};
    const LRESULT index = SendDlgItemMessage(d, CBurnOptionsDialog::kSpeedList, CB_GETCURSEL, 0, 0);
    SendDlgItemMessage(d, CBurnOptionsDialog::kSpeedList, CB_GETLBTEXT, static_cast<WPARAM>(index),
                       reinterpret_cast<LPARAM>(text));
    speed = text;
    picture = WritePicture(d, "burn_options_347.png");
    TypeInto(d, CBurnOptionsDialog::kDiscName, "A very long disc name");
    ClickButton(d, IDOK);
  });
  CBurnOptionsDialog options(2048.0);
  EXPECT_EQ(IDOK, options.DoModal());
  wizard::Writer().Uninitialize();
  EXPECT_EQ(wizard::State().outputFolder, folder);
  EXPECT_EQ("  8.0x (11080KB/s)", speed);
  EXPECT_FALSE(picture.empty());
  EXPECT_EQ("A very long disc", wizard::State().discName);
  EXPECT_EQ(1, wizard::State().writeSpeedIndex);
}

TEST_F(RecordSettings, AButtonsTipShowsOverTheBurnOptionsOnceTheyAreActive) {
  wizard::State().writerCount = 0;
  platform::FixedFileSystem roomy(1ull << 40, platform::LargeFiles::Yes);
  platform::ScopedFileSystem disk(roomy);
  bool shown = false, above = false;
  // The moves go through the window's own loop, which hands them to the buttons' tips.
  WhenDialogShows([&](HWND d) {
    ::SetActiveWindow(d);
    testkit::RestPointerOn(::GetDlgItem(d, IDOK), POINT{8, 8});
  });
  WhenDialogShows([&](HWND d) {
    time_.Advance(1000);
    const testkit::ShownTip tip = testkit::ShownTipAbove(d);
    shown = tip.tip != nullptr;
    above = tip.above;
    ::RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_TRUE(platform::WriteWindowAsSeenPng(d, PictureFolder() + "burn_options_with_tip.png"));
    ClickButton(d, CBurnOptionsDialog::kClose);
  });
  CBurnOptionsDialog options(100.0);
  options.DoModal();
  EXPECT_TRUE(shown) << "no tip shows";
  EXPECT_TRUE(above) << "the tip is under its window";
}

TEST_F(RecordSettings, AChosenFolderBecomesTheFolderTextAndCancelKeepsTheSetting) {
  wizard::State().writerCount = 0;
  platform::FixedFileSystem roomy(1ull << 40, platform::LargeFiles::Yes);
  platform::ScopedFileSystem disk(roomy);
  std::string before, after;
  WhenDialogShows([&](HWND d) {
    before = ControlText(d, CBurnOptionsDialog::kFolderText);
    ClickButton(d, CBurnOptionsDialog::kFolderButton);
  });
  // The skin chooser takes a folder as typed without its trailing "/".
  TypeIntoFolderDialog(env_.Home().substr(0, env_.Home().size() - 1));
  WhenDialogShows([&](HWND d) {
    after = ControlText(d, CBurnOptionsDialog::kFolderText);
    ClickButton(d, CBurnOptionsDialog::kClose);
  });
  CBurnOptionsDialog options(100.0);
  EXPECT_EQ(IDCANCEL, options.DoModal());
  EXPECT_EQ(wizard::State().dvdFolder, before);
  EXPECT_EQ(env_.Home(), after);
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ(env_.Documents() + "Vidarro/DVD Folders/", wizard::State().dvdFolder);
}

// The wizard's own library numbers its strings differently from the shared one: the question
// about a missing folder is still the suite's, under the wizard's title.
TEST_F(RecordSettings, AMissingTypedFolderIsOfferedForCreationInTheSuitesWords) {
  wizard::State().writerCount = 0;
  platform::FixedFileSystem roomy(1ull << 40, platform::LargeFiles::Yes);
  platform::ScopedFileSystem disk(roomy);
  const std::string wanted = env_.Home() + "New Discs";
  platform::MessageBoxHandler recorder = platform::SetMessageBoxHandler(platform::ShowMessageBoxDialog);
  std::string caption, question;
  WhenDialogShows([&](HWND d) { ClickButton(d, CBurnOptionsDialog::kFolderButton); });
  TypeIntoFolderDialog(wanted);
  WhenDialogShows([&](HWND box) {
    caption = WindowText(box);
    question = ControlText(box, platform::kMessageBoxTextId);
    EXPECT_FALSE(WritePicture(box, "folder_question.png").empty());
    ClickButton(box, IDNO);
  });
  WhenDialogShows([&](HWND browser) { ClickButton(browser, IDCANCEL); });
  WhenDialogShows([&](HWND d) { ClickButton(d, CBurnOptionsDialog::kClose); });
  CBurnOptionsDialog options(100.0);
  options.DoModal();
  platform::SetMessageBoxHandler(recorder);
  EXPECT_EQ("Narvell Vidarro 5.0", caption);
  EXPECT_EQ(wanted + "\n\ndoes not exit.  Do you want to create one?", question);
  EXPECT_FALSE(std::filesystem::exists(wanted));
}

}  // namespace
