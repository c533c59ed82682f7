// The source pages: the connection pictures and hints, and the automatic device choice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <tuple>

#include "capture/device_list.h"
#include "platform/controls/commctrl.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/afx_wnd.h"
#include "platform/window/input.h"
#include "platform/dshow/tests/v4l2_model.h"
#include "source_pages.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"
#include "wizard_text.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace sim = platform::dshow::sim;

// Runs what is queued as the dialog's modal loop does: each message offered to its filters first.
void PumpThroughFilter(HWND dialog) {
  for (int round = 0; round < 5; ++round) {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
      if (!AfxWalkPreTranslateTree(dialog, &m)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
  }
}

class SourcePages : public WizardTest {
 protected:
  void TearDown() override {
    sim::Hardware::Instance().Reload();
    WizardTest::TearDown();
  }
};

TEST(ConnectPicture, EachPlayerAndCableHasItsPictureAndHint) {
  EXPECT_EQ(22006u, CConnectPage::DvdPicture(4, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_SVIDEO), CConnectPage::DvdHint(4, 2));
  EXPECT_EQ(22001u, CConnectPage::DvdPicture(0, 1));
  EXPECT_EQ(22012u, CConnectPage::DvdPicture(1, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_USB), CConnectPage::DvdHint(0, 1));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_RCA_USB), CConnectPage::DvdHint(3, 1));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_AV_SVIDEO_USB), CConnectPage::DvdHint(0, 2));
  EXPECT_EQ(static_cast<UINT>(IDS_HINT_SVIDEO_RCA_USB), CConnectPage::DvdHint(5, 2));
  EXPECT_EQ(0u, CConnectPage::DvdPicture(0, 3));
  EXPECT_EQ(0u, CConnectPage::DvdPicture(7, 1));
}

TEST_F(SourcePages, TheBoxAndItsAudioInputAreChosenForDvdAndTheCamcorderForBluRay) {
  wizard::State().audioDevice = "Stale audio";
  CCaptureDeviceList devices;
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
  EXPECT_EQ("Vidarro USB Audio Capture", wizard::State().audioDevice);
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, true));
  EXPECT_EQ(devices.GetHdvDeviceName(), wizard::State().videoDevice);
  EXPECT_FALSE(wizard::State().videoDevice.empty());
}

TEST_F(SourcePages, ABoxWithItsOwnSoundNeedsNoAudioInputAndDropsAStaleOne) {
  for (const sim::DeviceDesc& d : sim::Hardware::Instance().Devices())
    if (d.kind == sim::DeviceKind::UsbBox)
      sim::Hardware::Instance().Update(d.id, [](sim::DeviceDesc& x) { x.audioPin = true; });
  wizard::State().audioDevice = "Stale audio";
  CCaptureDeviceList devices;
  ASSERT_TRUE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
  EXPECT_EQ("", wizard::State().audioDevice);
}

TEST_F(SourcePages, NoDeviceClearsTheStoredNameAndLeadsToTheInformationPage) {
  sim::Hardware::Instance().SetDevices({});
  wizard::State().videoDevice = "Old box";
  CCaptureDeviceList devices;
  EXPECT_FALSE(CConnectPage::ChooseDevices(devices, false));
  EXPECT_EQ("", wizard::State().videoDevice);
  EXPECT_FALSE(CConnectPage::ChooseDevices(devices, true));
}

// Told to use the machine's own hardware, a machine without capture devices has none to offer.
TEST_F(SourcePages, AMachineWithoutDevicesLeadsToTheInformationPage) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  sim::Hardware::Instance().Reload();
  {
    platform::dshow::v4l2::model::Model machine({}, std::string(VIDARRO_TEST_BINARY_DIR) + "/machine");
    CCaptureDeviceList devices;
    EXPECT_EQ(devices.GetVideoDeviceCount(), 0);
    EXPECT_FALSE(CConnectPage::ChooseDevices(devices, false));
  }
  setenv("VIDARRO_SIMULATED", "1", 1);
  sim::Hardware::Instance().Reload();
}

TEST_F(SourcePages, TheDefaultBoxReachesTheRecordSettingsAndTheChoicesAreKept) {
  CWendrelDlg dialog;
  std::vector<int> pages;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 2; ++step) {
      ClickButton(d, IDC_NEXT);
      Pump();
    }
    ClickButton(dialog.GetActivePage()->m_hWnd, 1092);  // game console
    ClickButton(d, IDC_NEXT);
    Pump();
    ClickButton(dialog.GetActivePage()->m_hWnd, 1101);  // S-Video
    for (int step = 0; step < 2; ++step) {
      pages.push_back(ActivePage(dialog));
      ClickButton(d, IDC_NEXT);
      Pump();
    }
    pages.push_back(ActivePage(dialog));
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{339, 340, 342}), pages);
  EXPECT_EQ(4, wizard::State().sourcePlayer);
  EXPECT_EQ(2, wizard::State().inputCable);
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
}

// The player page as drawn: six buttons at their places, each its own picture over its own label,
// and a click chooses the player under the pointer; the connect page then shows that player's
// picture with the cable chosen and says which cables to use.
TEST_F(SourcePages, EachPlayerClickedWhereItIsDrawnLeadsToItsOwnConnectPicture) {
  struct Player {
    int id, code, x, y, label;
  };
  const Player players[] = {{1091, 0, 43, 70, 1097},  {1088, 1, 283, 70, 1094},  {1090, 2, 523, 70, 1096},
                            {1089, 3, 43, 220, 1095}, {1092, 4, 283, 220, 1098}, {1093, 5, 523, 220, 1099}};
  CWendrelDlg dialog;
  std::set<std::vector<COLORREF>> pictures;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 2; ++step) ClickButton(d, IDC_NEXT), Pump();
    ASSERT_EQ(338, ActivePage(dialog));
    HWND page = dialog.GetActivePage()->m_hWnd;
    WritePicture(d, "source_338_players.png");
    for (const Player& p : players) {
      HWND button = ::GetDlgItem(page, p.id), label = ::GetDlgItem(page, p.label);
      ASSERT_NE(nullptr, button);
      RECT b{}, l{}, overlap{};
      ::GetWindowRect(button, &b);
      ::GetWindowRect(label, &l);
      ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&b), 2);
      ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&l), 2);
      const RECT drawn{p.x, p.y, p.x + 200, p.y + 110};
      EXPECT_TRUE(::EqualRect(&drawn, &b))
          << p.id << " at " << b.left << "," << b.top << " to " << b.right << "," << b.bottom;
      for (const Player& q : players) {
        RECT other{};
        ::GetWindowRect(::GetDlgItem(page, q.id), &other);
        ::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&other), 2);
        EXPECT_FALSE(::IntersectRect(&overlap, &l, &other)) << "label " << p.label << " under button " << q.id;
      }
      // The label's words are drawn.
      const COLORREF ground = Pixel(page, l.left + 1, l.top + 1);
      EXPECT_FALSE(InkRuns(page, l, ground).empty()) << "label " << p.label;
    }
    // Each player chosen by a click in the middle of its picture, with either cable.
    for (const Player& p : players) {
      const bool sVideo = p.code % 2 == 1;
      Click(page, p.x + 100, p.y + 55);
      EXPECT_EQ(p.code, wizard::State().sourcePlayer) << p.id;
      EXPECT_FALSE(ControlEnabled(page, p.id)) << "the chosen one reads as pressed";
      ClickButton(d, IDC_NEXT), Pump();
      ASSERT_EQ(339, ActivePage(dialog));
      if (p.code == 0) WritePicture(d, "source_339_cables.png");
      ClickButton(dialog.GetActivePage()->m_hWnd, sVideo ? 1101 : 1100);
      ClickButton(d, IDC_NEXT), Pump();
      ASSERT_EQ(340, ActivePage(dialog));
      HWND connect = dialog.GetActivePage()->m_hWnd;
      EXPECT_EQ(wizard::Text(CConnectPage::DvdHint(p.code, sVideo ? 2 : 1)), ControlText(connect, IDC_HINT));
      // The picture is the page's size: the cables run from the player to the box, the video one
      // yellow for Composite.
      const COLORREF video = Pixel(connect, 300, 205);
      EXPECT_EQ(!sVideo, video == RGB(240, 200, 40)) << p.id;
      std::vector<COLORREF> player;
      for (int y = 150; y < 300; y += 20)
        for (int x = 60; x < 230; x += 20) player.push_back(Pixel(connect, x, y));
      pictures.insert(player);
      WritePicture(d, "source_340_connect_" + std::to_string(p.code) + (sVideo ? "_svideo.png" : "_composite.png"));
      ClickButton(d, IDC_BACK), Pump();
      ClickButton(d, IDC_BACK), Pump();
      ASSERT_EQ(338, ActivePage(dialog));
    }
    WritePicture(d, "source_338_set_top_box_chosen.png");
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ(6u, pictures.size()) << "each player has its own picture";
}

// The first page's two buttons tell what they burn: different pictures, and a tip each.
TEST_F(SourcePages, TheDiscTypeButtonsDifferInTheirPictures) {
  CWendrelDlg dialog;
  WhenDialogShows([&](HWND d) {
    HWND page = dialog.GetActivePage()->m_hWnd;
    WritePicture(d, "disc_type_241.png");
    // The words under the discs: "DVD" is three letters, "Blu-ray" seven.
    auto letters = [&](int x) {
      return InkRuns(page, RECT{x + 10, 97 + 130, x + 190, 97 + 165}, Pixel(page, x + 12, 97 + 147), 3);
    };
    const auto dvd = letters(163), bd = letters(403);
    EXPECT_EQ(3u, dvd.size());
    EXPECT_EQ(7u, bd.size()) << "B, l, u, -, r, a, y";
    // Resting the pointer on the button not chosen shows its tip; the other is chosen next.
    for (const auto& [id, x, tip] :
         {std::tuple{IDC_BLU_RAY, 403, "Burn a Blu-ray Disc"}, std::tuple{IDC_DVD, 163, "Burn a DVD"}}) {
      // The tip watches the mouse through the dialog's message filter, as the modal loop runs it.
      HWND button = ::GetDlgItem(page, id);
      RECT r{};
      ::GetWindowRect(button, &r);
      for (int step = 0; step < 2; ++step) {
        platform::InjectMouseMove(POINT{(r.left + r.right) / 2 + step, (r.top + r.bottom) / 2});
        PumpThroughFilter(d);
      }
      time_.Clock().Advance(600);
      PumpThroughFilter(d);
      // The tip shown is the button's own: its text for the button's tool.
      std::string shown;
      for (HWND w = nullptr; (w = ::FindWindowEx(nullptr, w, TOOLTIPS_CLASS, nullptr));) {
        if (!::IsWindowVisible(w)) continue;
        TOOLINFO info;
        info.hwnd = button;
        info.uId = 1;
        char text[256] = {};
        info.lpszText = text;
        ::SendMessage(w, TTM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(&info));
        if (text[0]) shown = text;
      }
      EXPECT_EQ(tip, shown) << id;
      ClickButton(page, id);
    }
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
}

// The Blu-ray road goes from the blank disc straight to its connect page: the HDV camcorder on
// the computer's FireWire port.
TEST_F(SourcePages, TheBluRayConnectPageShowsTheCamcorderOnFireWire) {
  UseWriters({Writer("A", "WRITES=BD-R\nMEDIUM=BD-R\n")});
  wizard::State().discType = 1;
  CWendrelDlg dialog;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 2; ++step) ClickButton(d, IDC_NEXT), Pump();
    ASSERT_EQ(340, ActivePage(dialog));
    HWND page = dialog.GetActivePage()->m_hWnd;
    EXPECT_EQ(wizard::Text(IDS_HINT_FIREWIRE), ControlText(page, IDC_HINT));
    EXPECT_EQ(RGB(20, 20, 24), Pixel(page, 410, 220)) << "the FireWire cable";
    WritePicture(d, "source_340_connect_hdv.png");
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
}

}  // namespace
