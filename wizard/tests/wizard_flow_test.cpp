// The frame's navigation with 0, 1 and 2 writers for DVD and Blu-ray, its exit paths and the
// pictures of every page.
#include <gtest/gtest.h>

#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/gdi/icon.h"
#include "platform/window/afx_app.h"
#include "platform/shell/power.h"
#include "platform/window/monitors.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;

class WizardFlow : public WizardTest {};

// Clicks the button and says which page the frame then shows.
int Press(HWND frame, const CWendrelDlg& dialog, int button) {
  ClickButton(frame, button);
  Pump();
  return ActivePage(dialog);
}

TEST_F(WizardFlow, OneWriterSkipsTheWriterPageBothWaysAndExitAsksNothing) {
  CWendrelDlg dialog;
  std::vector<int> pages;
  bool backEnabledOnFirst = true;
  LRESULT bigIcon = 0, smallIcon = 0;
  WhenDialogShows([&](HWND d) {
    bigIcon = ::SendMessage(d, WM_GETICON, 1, 0);
    smallIcon = ::SendMessage(d, WM_GETICON, 0, 0);
    pages.push_back(ActivePage(dialog));
    backEnabledOnFirst = ControlEnabled(d, IDC_BACK);
    pages.push_back(Press(d, dialog, IDC_NEXT));
    pages.push_back(Press(d, dialog, IDC_BACK));
    pages.push_back(Press(d, dialog, IDC_NEXT));
    pages.push_back(Press(d, dialog, IDC_NEXT));  // a blank DVD+R passes
    pages.push_back(Press(d, dialog, IDC_BACK));
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDC_FINISH, dialog.DoModal());
  EXPECT_EQ((std::vector<int>{241, 129, 241, 129, 338, 129}), pages);
  EXPECT_FALSE(backEnabledOnFirst);
  EXPECT_EQ(1, wizard::State().writerCount);
  EXPECT_EQ(0u, boxes_.Count());
  // The program's own icon 128 is the window's, big and small.
  EXPECT_NE(nullptr, ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_WENDREL_ICON)));
  EXPECT_NE(0, bigIcon);
  EXPECT_EQ(bigIcon, smallIcon);
}

TEST_F(WizardFlow, NoWriterGoesThroughTheFolderOnlyPage) {
  UseWriters({});
  CWendrelDlg dialog;
  std::vector<int> pages;
  bool nextBeforeTick = true, nextAfterTick = false;
  WhenDialogShows([&](HWND d) {
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 196
    nextBeforeTick = ControlEnabled(d, IDC_NEXT);
    HWND page = dialog.GetActivePage()->m_hWnd;
    ClickButton(page, IDC_SAVE_TO_PC);
    nextAfterTick = ControlEnabled(d, IDC_NEXT);
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 338
    pages.push_back(Press(d, dialog, IDC_BACK));  // 196
    pages.push_back(Press(d, dialog, IDC_BACK));  // 241
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{196, 338, 196, 241}), pages);
  EXPECT_FALSE(nextBeforeTick);
  EXPECT_TRUE(nextAfterTick);
  EXPECT_EQ(1, wizard::State().saveToPC);
}

TEST_F(WizardFlow, TwoWritersOfferTheChoiceAndAVanishedStoredWriterSelectsTheFirst) {
  UseWriters({Writer("A", "WRITES=DVD+R,BD-R\nMEDIUM=BD-R\n"), Writer("B", "WRITES=DVD+R,BD-R\nMEDIUM=BD-R\n")});
  wizard::State().writerName = "Gone writer";
  wizard::State().discType = 1;
  CWendrelDlg dialog;
  std::vector<int> pages;
  std::string chosen, listText;
  int listFace = 0;
  LONG listBars = -1;
  WhenDialogShows([&](HWND d) {
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 337
    time_.Advance(100);
    Pump();
    chosen = wizard::State().writerName;
    // The list's template is 100 pixels high with a scroll bar: its face stays one row.
    HWND list = ::GetDlgItem(dialog.GetActivePage()->m_hWnd, IDC_WRITER_LIST);
    RECT face{};
    ::GetWindowRect(list, &face);
    listFace = face.bottom - face.top;
    listBars = ::GetWindowLong(list, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL);
    listText = WindowText(list);
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 129
    pages.push_back(Press(d, dialog, IDC_BACK));  // 337 with two writers
    pages.push_back(Press(d, dialog, IDC_NEXT));
    pages.push_back(Press(d, dialog, IDC_NEXT));  // a blank BD-R: 340 for Blu-ray
    pages.push_back(Press(d, dialog, IDC_BACK));  // Back from 340 skips the player pages
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{337, 129, 337, 129, 340, 129}), pages);
  EXPECT_EQ(std::string(wizard::Writer().GetDriveName(0)), chosen);
  EXPECT_LT(listFace, 40);
  EXPECT_EQ(0, listBars);
  EXPECT_EQ(chosen, listText);
}

TEST_F(WizardFlow, NoCaptureDeviceOffersBackAndFinishAndFinishAsksBeforeExiting) {
  UseWriters({});
  wizard::State().saveToPC = 1;
  CWendrelDlg dialog;
  std::vector<int> pages;
  bool nextVisible = true, finishVisible = false;
  platform::dshow::sim::Hardware::Instance().SetDevices({});
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 5; ++step) Press(d, dialog, IDC_NEXT);  // 196, 338, 339, 340, 195
    pages.push_back(ActivePage(dialog));
    RECT next{}, finish{};
    GetWindowRect(GetDlgItem(d, IDC_NEXT), &next);
    GetWindowRect(GetDlgItem(d, IDC_FINISH), &finish);
    nextVisible = next.right > next.left;
    finishVisible = finish.right > finish.left;
    pages.push_back(Press(d, dialog, IDC_BACK));
    pages.push_back(Press(d, dialog, IDC_NEXT));
    ClickButton(d, IDC_FINISH);  // answered No: stays
    pages.push_back(ActivePage(dialog));
    ClickButton(d, IDC_FINISH);  // answered Yes
  });
  boxes_.QueueAnswer(IDNO);
  boxes_.QueueAnswer(IDYES);
  EXPECT_EQ(IDC_FINISH, dialog.DoModal());
  platform::dshow::sim::Hardware::Instance().Reload();
  EXPECT_EQ((std::vector<int>{195, 340, 195, 195}), pages);
  EXPECT_FALSE(nextVisible);
  EXPECT_TRUE(finishVisible);
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_EQ("Do you really want to exit the program?", boxes_.Last().text);
  EXPECT_EQ("Narvell Vidarro 5.0", boxes_.Last().caption);
}

TEST_F(WizardFlow, CheckYourComputerSpecsOpensTheSystemInformationWindow) {
  CWendrelDlg dialog;
  std::string specs;
  WhenDialogShows([&](HWND d) {
    ::SendMessage(d, WM_COMMAND, ID_HELP_SPECS, 0);
    ClickButton(d, IDC_EXIT);
  });
  WhenDialogShows([&](HWND info) {
    specs = WindowText(info);
    EXPECT_FALSE(WritePicture(info, "system_information.png").empty());
    ClickButton(info, IDOK);
  });
  dialog.DoModal();
  EXPECT_EQ("System Information", specs);
}

TEST_F(WizardFlow, EnterAndEscapeNeverCloseAndABusyWizardRefusesToClose) {
  CWendrelDlg dialog;
  bool openAfterKeys = false, openWhileBusy = false, helpWhileBusy = true;
  WhenDialogShows([&](HWND d) {
    PressKey(VK_RETURN);
    PressKey(VK_ESCAPE);
    Pump();
    openAfterKeys = IsWindow(d) && !dialog.TornDown();
    dialog.SetBusyState(2);
    SendMessage(d, WM_CLOSE, 0, 0);
    Pump();
    openWhileBusy = IsWindow(d) && !dialog.TornDown();
    helpWhileBusy = ControlEnabled(d, IDC_HELP);
    dialog.SetBusyState(0);
    SendMessage(d, WM_CLOSE, 0, 0);
  });
  EXPECT_EQ(IDC_FINISH, dialog.DoModal());
  EXPECT_TRUE(openAfterKeys);
  EXPECT_TRUE(openWhileBusy);
  EXPECT_FALSE(helpWhileBusy);
  EXPECT_TRUE(dialog.TornDown());
}

// A page that will not be left keeps the wizard, the writer and the keep-awake as they are.
class StubbornPage : public CWizardPage {
 public:
  StubbornPage() : CWizardPage(IDD_PAGE_RECORD_SETTINGS) {}
  BOOL OnKillActive() override { return refuse ? FALSE : TRUE; }
  bool refuse = true;
};

TEST_F(WizardFlow, ARefusedFinishTearsNothingDownAndTheEndTearsDownOnce) {
  CWendrelDlg dialog;
  StubbornPage stubborn;
  dialog.AddPage(&stubborn, IDD_PAGE_RECORD_SETTINGS);
  bool tornWhileRefused = true;
  BOOL screenSaverWhileOpen = TRUE;
  WhenDialogShows([&](HWND d) {
    dialog.ActivatePage(&stubborn);
    ClickButton(d, IDC_EXIT);
    tornWhileRefused = dialog.TornDown();
    SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &screenSaverWhileOpen, 0);
    stubborn.refuse = false;
    ClickButton(d, IDC_EXIT);
  });
  EXPECT_EQ(IDC_FINISH, dialog.DoModal());
  EXPECT_FALSE(tornWhileRefused);
  EXPECT_FALSE(screenSaverWhileOpen);
  EXPECT_TRUE(dialog.TornDown());
  BOOL screenSaver = FALSE;
  SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &screenSaver, 0);
  EXPECT_TRUE(screenSaver);
  EXPECT_EQ(ES_CONTINUOUS | ES_SYSTEM_REQUIRED, platform::CurrentExecutionState());
}

TEST_F(WizardFlow, PicturesOfEveryPageForDvdAndBluRay) {
  for (int disc : {0, 1}) {
    wizard::State().discType = disc;
    CWendrelDlg dialog;
    std::vector<std::string> written;
    WhenDialogShows([&](HWND d) {
      for (const CWizardPage* page : dialog.Pages()) {
        dialog.SetActivePage(static_cast<int>(page->m_nPageId));
        time_.Advance(100);
        Pump();
        const std::string name = std::string(disc ? "bd" : "dvd") + "_page_" + std::to_string(page->m_nPageId) + ".png";
        written.push_back(WritePicture(d, name));
      }
      ClickButton(d, IDC_EXIT);
    });
    dialog.DoModal();
    ASSERT_EQ(11u, written.size());
    for (const std::string& file : written) EXPECT_FALSE(file.empty());
  }
}

}  // namespace

// Two writers with a blank DVD+R each, Next taken at once: the stored writer is still selected
// and applied before leaving, so the blank-disc page finds the disc in it.
TEST_F(WizardFlow, TwoDvdWritersApplyTheStoredOneEvenWhenNextComesAtOnce) {
  // Only the stored writer B holds a disc: leaving with A still chosen would find none.
  UseWriters({Writer("A", "WRITES=DVD+R\n"), Writer("B", "WRITES=DVD+R\nMEDIUM=DVD+R\n")});
  wizard::State().discType = 0;
  CWendrelDlg dialog;
  std::vector<int> pages;
  std::string chosen;
  WhenDialogShows([&](HWND d) {
    wizard::State().writerName = wizard::Writer().GetDriveName(1);
    wizard::Writer().ChooseDrive(0);
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 337
    pages.push_back(Press(d, dialog, IDC_NEXT));  // 129, before the list's timer
    chosen = wizard::State().writerName;
    pages.push_back(Press(d, dialog, IDC_NEXT));  // the blank disc is accepted
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  ASSERT_EQ(3u, pages.size());
  EXPECT_EQ(337, pages[0]);
  EXPECT_EQ(129, pages[1]);
  EXPECT_NE(129, pages[2]);
  EXPECT_EQ(std::string(wizard::Writer().GetDriveName(1)), chosen);
  EXPECT_EQ(0u, boxes_.Count());
}
