// The clip list's copy to a capture box's storage disk, on a box described in devices.ini.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "device_copy.h"
#include "platform/base/devices_file.h"
#include "platform/dshow/sim_hardware.h"
#include "window_fixture.h"

namespace fs = std::filesystem;

namespace studio {
namespace {

using namespace testkit;
namespace sim = platform::dshow::sim;

// The popup menus showing now, newest first.
std::vector<HWND> MenuWindows() {
  std::vector<HWND> menus;
  ::EnumWindows(
      [](HWND hwnd, LPARAM found) -> BOOL {
        char name[16] = {};
        ::GetClassName(hwnd, name, sizeof name);
        if (std::string(name) == "#32768" && ::IsWindowVisible(hwnd))
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&menus));
  return menus;
}

class DeviceCopyWindowTest : public QuillonWindowFixture {
 protected:
  void TearDown() override {
    ::unlink(platform::DevicesFilePath().c_str());
    sim::Hardware::Instance().Reload();
    QuillonWindowFixture::TearDown();
  }
  // One box of the maker's with a storage disk mounted at `mount`, and a USB stick of another maker.
  void DescribeBox(const std::string& mount) {
    fs::create_directories(fs::path(platform::DevicesFilePath()).parent_path());
    std::ofstream(platform::DevicesFilePath())
        << "<DEVICES>\n[BOX]\nKIND=usb\nNAME=Vidarro USB Video Capture\n"
           "PATH=\\\\?\\usb#vid_1b80&pid_e309&mi_00#7&2a1b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global\n"
           "FORMATS=720x480@29.97/YUY2\nSTORAGE=disk:"
        << mount
        << "\n[STICK]\nKIND=usb\nNAME=Other Capture\n"
           "PATH=\\\\?\\usb#vid_0781&pid_5567&mi_00#7&1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global\n"
           "FORMATS=720x480@29.97/YUY2\nSTORAGE=disk:"
        << env_.Home() << "stick\n";
    sim::Hardware::Instance().Reload();
  }
};

TEST_F(DeviceCopyWindowTest, TheBoxDiskShowsUnderPublishAndTakesTheSelectedClips) {
  const std::string mount = env_.Home() + "box/";
  fs::create_directories(mount);
  fs::create_directories(env_.Home() + "stick");
  DescribeBox(mount);
  std::vector<std::string> drives;
  EXPECT_EQ(FindDeviceDrives(drives), 1);
  EXPECT_EQ(drives, std::vector<std::string>{mount});

  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  const std::string b = PictureClip(env_.Documents() + "b, c; d.png", 0xFF00FF00);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    ASSERT_TRUE(dialog.AddClip(b, FALSE));
    dialog.Model().clips.AddProjectTitleItem(0, 10, std::string());
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_EQ(list.GetItemCount(), 3);
    for (int i = 0; i < 3; ++i) list.SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);

    RECT r{};
    ::GetWindowRect(list.m_hWnd, &r);
    // Down to "Publish", open it, down to the box's popup and open that too.
    size_t menusShown = 0;
    // Each popup opens in a loop of its own, so each level is one step; keys go to the newest.
    const auto key = [](int vk) {
      if (!MenuWindows().empty()) ::SendMessage(MenuWindows().front(), WM_KEYDOWN, vk, 0);
    };
    WhenDialogShows([&](HWND) {
      for (int i = 0; i < 3; ++i) key(VK_DOWN);  // Add, Delete, Publish: Rename is greyed
      WhenDialogShows([&](HWND) {
        for (int i = 0; i < 4; ++i) key(VK_DOWN);
        WhenDialogShows([&](HWND) {
          const std::vector<HWND> menus = MenuWindows();
          menusShown = menus.size();
          const char* names[] = {"clip_menu_morlant.png", "clip_menu_publish.png", "clip_menu.png"};
          for (size_t i = 0; i < menus.size() && i < 3; ++i) Picture(menus[i], names[i]);
          key(VK_DOWN);
          key(VK_RETURN);
        });
        key(VK_RIGHT);
      });
      key(VK_RIGHT);
    });
    ::SendMessage(d, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.m_hWnd), MAKELPARAM(r.left + 20, r.top + 20));
    ASSERT_EQ(dialog.DeviceDrives(), std::vector<std::string>{mount});
    EXPECT_EQ(menusShown, 3u);  // the clip menu, "Publish" and the box's popup

    // The copy waits for the menu to be gone: it starts on the timer.
    ::SendMessage(d, WM_COMMAND, kFirstDeviceCopyCommand + 1, 0);  // no such drive
    Pump();
    EXPECT_TRUE(fs::is_empty(mount));
    bool progressShown = false;
    WhenDialogShows([&](HWND progress) {
      progressShown = true;
      Picture(progress, "device_copy_progress.png");
    });
    time_.Advance(100);
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(fs::exists(mount + "a.png"));
    EXPECT_TRUE(fs::exists(mount + "b, c; d.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(mount), fs::directory_iterator()), 2);
    EXPECT_TRUE(fs::is_empty(env_.Home() + "stick"));

    // The medium taken out: no popup, and the copy target of the last menu is forgotten.
    sim::Hardware::Instance().Update("BOX", [](sim::DeviceDesc& desc) { desc.storage[0].mountPoint.clear(); });
    WhenDialogShows([&](HWND) { PressKey(VK_ESCAPE); });
    ::SendMessage(d, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.m_hWnd), MAKELPARAM(r.left + 20, r.top + 20));
    EXPECT_TRUE(dialog.DeviceDrives().empty());
    EXPECT_FALSE(dialog.OnDeviceCopyCommand(kFirstDeviceCopyCommand));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

TEST_F(DeviceCopyWindowTest, AVanishedDiskLeavesTheClipsAsTheyWere) {
  const std::string mount = env_.Home() + "box/";
  fs::create_directories(mount);
  DescribeBox(mount);
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    dialog.ClipListControl().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    EndUnansweredDialogs();
    // The mount point gone, then a plain file where it was.
    fs::remove_all(mount);
    dialog.CopySelectedToDevice(mount);
    std::ofstream(env_.Home() + "box") << "not a folder";
    dialog.CopySelectedToDevice(mount);
    EXPECT_EQ(fs::file_size(env_.Home() + "box"), 12u);
    EXPECT_TRUE(platform::FileExists(a));
    EXPECT_TRUE(dialog.Model().clips.Contains(a));
    boxes_.QueueAnswer(IDNO);
    ClickButton(d, IDC_CLOSE_BUTTON);
  });
}

}  // namespace
}  // namespace studio
