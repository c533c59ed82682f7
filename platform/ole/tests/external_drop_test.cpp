#include <gtest/gtest.h>

#include "ole_test_support.h"
#include "platform/ole/external_drop.h"
#include "platform/ole/global_memory.h"
#include "platform/window/afx_wnd.h"

using oletest::DroppedLists;
using oletest::RecordingTarget;
using platform::ole::DropFilesAt;
using platform::ole::DropFilesOnWindow;

namespace {

class ExternalDrop : public ::testing::Test {
 protected:
  void SetUp() override { OleInitialize(nullptr); }
  void TearDown() override {
    oletest::Reset();
    OleUninitialize();
  }
  const std::vector<std::string> files{"/home/me/Videos/holiday.mts", "/home/me/Videos/\xC3\xA9t\xC3\xA9.avi"};
};

TEST_F(ExternalDrop, AFileManagerDropReachesTheNearestRegisteredTarget) {
  HWND top = oletest::MakePopup(RECT{100, 100, 500, 400});
  HWND child = oletest::MakeChild(top, RECT{50, 50, 150, 150});
  RecordingTarget target;
  ASSERT_TRUE(target.Register(CWnd::FromHandle(top)));
  CWnd::FromHandle(top)->DragAcceptFiles();  // a registered target wins over the message

  EXPECT_EQ(DropFilesOnWindow(child, POINT{10, 20}, files, MK_CONTROL), DROPEFFECT_MOVE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "over", "drop"}));
  EXPECT_EQ(target.points[0], CPoint(60, 70)) << "in the registered window's client area";
  EXPECT_EQ(target.keyStates[0], static_cast<DWORD>(MK_LBUTTON | MK_CONTROL)) << "dragged with the left button";
  EXPECT_EQ(target.keyStates[1], static_cast<DWORD>(MK_CONTROL)) << "released at the drop";
  EXPECT_EQ(target.droppedPaths, files);
  oletest::Pump();
  EXPECT_TRUE(DroppedLists().empty());

  // The same by screen point; a target that wants none hears leave and nothing drops.
  target.calls.clear();
  target.answer = DROPEFFECT_NONE;
  EXPECT_EQ(DropFilesAt(POINT{300, 300}, files), DROPEFFECT_NONE);
  EXPECT_EQ(target.calls, (std::vector<std::string>{"enter", "leave"}));
}

TEST_F(ExternalDrop, WindowsThatAcceptFilesGetWmDropFilesWithAListTheyOwn) {
  const auto before = platform::ole::LiveGlobalBlocks();
  HWND top = oletest::MakePopup(RECT{100, 100, 500, 400});
  HWND child = oletest::MakeChild(top, RECT{50, 50, 150, 150});
  CWnd::FromHandle(top)->DragAcceptFiles();

  EXPECT_EQ(DropFilesOnWindow(child, POINT{10, 20}, files), DROPEFFECT_COPY);
  EXPECT_TRUE(DroppedLists().empty()) << "posted, as the shell does";
  oletest::Pump();
  ASSERT_EQ(DroppedLists().size(), 1u);
  EXPECT_EQ(DroppedLists()[0].hwnd, top) << "the nearest window that accepts files";
  HDROP drop = DroppedLists()[0].drop;
  EXPECT_EQ(DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  char name[260];
  ASSERT_EQ(DragQueryFile(drop, 1, name, sizeof name), files[1].size());
  EXPECT_EQ(std::string(name), files[1]);
  POINT pt{};
  EXPECT_TRUE(DragQueryPoint(drop, &pt));
  EXPECT_EQ(pt.x, 60);
  EXPECT_EQ(pt.y, 70);
  DragFinish(drop);
  DroppedLists().clear();
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before);

  // Switched off again, the window takes nothing; nothing is left allocated.
  CWnd::FromHandle(top)->DragAcceptFiles(FALSE);
  EXPECT_EQ(DropFilesOnWindow(child, POINT{10, 20}, files), DROPEFFECT_NONE);
  EXPECT_EQ(DropFilesAt(POINT{1000, 1000}, files), DROPEFFECT_NONE) << "no window there";
  oletest::Pump();
  EXPECT_TRUE(DroppedLists().empty());
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before);
}

TEST_F(ExternalDrop, ListsThatCannotBeMadeAreNotDelivered) {
  HWND top = oletest::MakePopup(RECT{100, 100, 500, 400});
  CWnd::FromHandle(top)->DragAcceptFiles();
  EXPECT_EQ(DropFilesOnWindow(top, POINT{5, 5}, {}), DROPEFFECT_NONE);
  EXPECT_EQ(DropFilesOnWindow(top, POINT{5, 5}, {"/a", ""}), DROPEFFECT_NONE);
  EXPECT_EQ(DropFilesOnWindow(nullptr, POINT{5, 5}, files), DROPEFFECT_NONE);
  oletest::Pump();
  EXPECT_TRUE(DroppedLists().empty());
}

}  // namespace

namespace {

// A window of the class library hears a file manager's drop through its OnDropFiles handler.
class DropListWindow : public CWnd {
 public:
  std::vector<std::string> paths;
  void OnDropFiles(HDROP drop) override {
    char path[512];
    for (UINT i = 0, count = DragQueryFile(drop, 0xFFFFFFFF, nullptr, 0); i < count; ++i) {
      DragQueryFile(drop, i, path, sizeof path);
      paths.push_back(path);
    }
    DragFinish(drop);
  }
};

TEST_F(ExternalDrop, ClassLibraryWindowsHearDropsInOnDropFiles) {
  const auto before = platform::ole::LiveGlobalBlocks();
  DropListWindow window;
  ASSERT_TRUE(window.SubclassWindow(oletest::MakePopup(RECT{100, 100, 500, 400})));
  window.DragAcceptFiles();
  EXPECT_EQ(DropFilesOnWindow(window.m_hWnd, POINT{10, 20}, files), DROPEFFECT_COPY);
  oletest::Pump();
  EXPECT_EQ(window.paths, files);
  EXPECT_EQ(platform::ole::LiveGlobalBlocks(), before) << "the handler freed the list";
  window.UnsubclassWindow();
}

}  // namespace
