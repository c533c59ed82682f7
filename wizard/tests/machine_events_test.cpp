// What the machine tells while the wizard is open: a disc put into a drive reaches the page the
// frame shows, with the drive's letter, and a capture box plugged in late is found; the writer
// page with two writers that both hold a blank disc.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/debug_output.h"
#include "platform/disc/device_events.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/disc/drive_set.h"
#include "platform/disc/real_drive.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/device_change.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace {

using namespace testkit;
using namespace wizardtest;
namespace disc = platform::disc;
namespace sim = platform::dshow::sim;

// Clicks the button and says which page the frame then shows.
int Press(HWND frame, const CWendrelDlg& dialog, int button) {
  ClickButton(frame, button);
  Pump();
  return ActivePage(dialog);
}

// The volume events one window hears, by watching its procedure.
struct HeardVolumes {
  static inline WNDPROC original = nullptr;
  static inline std::vector<std::pair<WPARAM, DWORD>> events;  // event, unit mask

  static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_DEVICECHANGE && l) {
      const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(l);
      if (header->dbch_devicetype == DBT_DEVTYP_VOLUME)
        events.emplace_back(w, reinterpret_cast<const DEV_BROADCAST_VOLUME*>(l)->dbcv_unitmask);
    }
    return ::CallWindowProc(original, h, m, w, l);
  }
  static void Watch(HWND window) {
    events.clear();
    original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HeardVolumes::Proc)));
  }
  static void Stop(HWND window) { ::SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original)); }
};

class MachineEvents : public WizardTest {
 protected:
  void TearDown() override {
    setenv("VIDARRO_SIMULATED", "1", 1);
    sim::Hardware::Instance().Reload();
    WizardTest::TearDown();
  }
};

// Two drives of the machine as the scan finds them (in the other order), the second holding
// the disc udev reports. Their nodes are the test's own, so no drive of the machine is touched.
TEST_F(MachineEvents, ADiscPutIntoARealDriveReachesTheWriterPageWithTheDrivesLetter) {
  setenv("VIDARRO_SIMULATED", "0", 1);
  const std::string nodes = env_.Home() + "dev/";
  std::vector<disc::DriveDesc> drives;
  for (const char* node : {"sr1", "sr0"}) {
    disc::DriveDesc drive;
    drive.realAddress = drive.id = nodes + node;
    drive.name = std::string("Writer ") + node;
    drive.writes = {disc::kWritesDvdPlusR};
    drives.push_back(drive);
  }
  disc::real::OrderByNode(&drives);
  disc::SetMachineDrives(drives);

  platform::DebugOutputCapture debug;
  CWendrelDlg dialog;
  int page = 0;
  std::vector<std::pair<WPARAM, DWORD>> heard;
  std::string listed;
  WhenDialogShows([&](HWND d) {
    page = Press(d, dialog, IDC_NEXT);
    time_.Advance(100);
    Pump();
    HWND writerPage = dialog.GetActivePage()->m_hWnd;
    listed = WindowText(::GetDlgItem(writerPage, IDC_WRITER_LIST));
    HeardVolumes::Watch(writerPage);
    disc::DeliverDeviceRecord(
        {"block", "change", nodes + "sr1", {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}});
    disc::DeliverDeviceRecord({"block", "change", nodes + "sr1", {{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}}});
    Pump();
    HeardVolumes::Stop(writerPage);
    heard = HeardVolumes::events;
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ(337, page);
  EXPECT_EQ(0u, listed.find("D: ")) << listed;
  const DWORD e = DWORD{1} << ('E' - 'A');
  EXPECT_EQ((std::vector<std::pair<WPARAM, DWORD>>{{DBT_DEVICEARRIVAL, e}, {DBT_DEVICEREMOVECOMPLETE, e}}), heard);
  EXPECT_EQ("Wendrel: disc arrived in E:\nWendrel: disc removed from E:\n", debug.Text());
}

// The box and its sound input were unplugged when the wizard started: the connect page finds
// nothing, and finds the box once it is plugged in, without starting the wizard again.
TEST_F(MachineEvents, ACaptureBoxPluggedInLateIsFoundByTheConnectPage) {
  std::vector<std::string> box;
  for (const sim::DeviceDesc& d : sim::Hardware::Instance().Devices())
    if (d.kind == sim::DeviceKind::UsbBox || d.kind == sim::DeviceKind::AudioInput) box.push_back(d.id);
  ASSERT_EQ(2u, box.size());
  for (const std::string& id : box) sim::Hardware::Instance().Unplug(id);

  CWendrelDlg dialog;
  std::vector<int> pages;
  WhenDialogShows([&](HWND d) {
    for (int step = 0; step < 4; ++step) Press(d, dialog, IDC_NEXT);  // 129, 338, 339, 340
    pages.push_back(ActivePage(dialog));
    pages.push_back(Press(d, dialog, IDC_NEXT));
    for (const std::string& id : box) sim::Hardware::Instance().Plug(id);
    pages.push_back(Press(d, dialog, IDC_BACK));
    pages.push_back(Press(d, dialog, IDC_NEXT));
    ClickButton(d, IDC_EXIT);
  });
  dialog.DoModal();
  EXPECT_EQ((std::vector<int>{340, 195, 340, 342}), pages);
  EXPECT_EQ("Vidarro USB Video Capture", wizard::State().videoDevice);
  EXPECT_EQ("Vidarro USB Audio Capture", wizard::State().audioDevice);
}

// Both writers hold a blank DVD+R: the stored one is shown and chosen, and the blank-disc page
// accepts its disc; with no stored writer the first is.
TEST_F(MachineEvents, TwoWritersWithABlankDvdEachSelectAndApplyAWriter) {
  UseWriters({Writer("A", "WRITES=DVD+R\nMEDIUM=DVD+R\n"), Writer("B", "WRITES=DVD+R\nMEDIUM=DVD+R\n")});
  for (const bool stored : {true, false}) {
    wizard::State().discType = 0;
    wizard::State().writerName.clear();
    CWendrelDlg dialog;
    std::vector<int> pages;
    std::string listed, expected;
    WhenDialogShows([&](HWND d) {
      // The writers are the dialog's from its opening on.
      if (stored) wizard::State().writerName = wizard::Writer().GetDriveName(1);
      expected = wizard::Writer().GetDriveName(stored ? 1 : 0);
      pages.push_back(Press(d, dialog, IDC_NEXT));
      time_.Advance(100);
      Pump();
      listed = WindowText(::GetDlgItem(dialog.GetActivePage()->m_hWnd, IDC_WRITER_LIST));
      if (stored) WritePicture(d, "writer-page-two-blank-dvds.png");
      pages.push_back(Press(d, dialog, IDC_NEXT));
      pages.push_back(Press(d, dialog, IDC_NEXT));
      ClickButton(d, IDC_EXIT);
    });
    dialog.DoModal();
    EXPECT_EQ((std::vector<int>{337, 129, 338}), pages) << stored;
    EXPECT_EQ(expected, listed);
    EXPECT_EQ(expected, wizard::State().writerName);
    EXPECT_EQ(0u, boxes_.Count()) << boxes_.Count();
  }
}

}  // namespace
