// The recordings list on a test parent: row removal, the delete prompt walk, the selected-row
// colours, shut-off clicks, scrolling, Play, the burn menu and its hand-offs.
#include <filesystem>

#include "audiorec/audio_cd_burn_dlg.h"
#include "audiorec/data_disc_burn_dlg.h"
#include "audiorec/delete_files_dlg.h"
#include "audiorec/recording_list_ctrl.h"
#include "audiorec/recordings_actions.h"
#include "auvry_burn_ids.h"
#include "burn_test_support.h"
#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/window/input.h"

namespace {

using testkit::WhenDialogShows;

// Keeps what the skin scroll bars turned into.
class ScrollRecordingList : public CRecordingListCtrl {
 public:
  std::vector<std::pair<int, int>> scrolls;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == LVM_SCROLL) scrolls.emplace_back(static_cast<int>(wParam), static_cast<int>(lParam));
    return CRecordingListCtrl::WindowProc(msg, wParam, lParam);
  }
};

class RecordingList : public auvrytest::BurnTest {
 protected:
  void SetUp() override {
    BurnTest::SetUp();
    HWND hwnd =
        parent_.Make(WC_LISTVIEW, "", LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP, {10, 10, 600, 200}, IDC_MAIN_LIST);
    // An MFC parent, so the list's own notifications are reflected back to it.
    ASSERT_TRUE(parentWnd_.SubclassWindow(parent_.hwnd()));
    ASSERT_TRUE(list_.SubclassWindow(hwnd));
    list_.InsertColumns();
  }
  // Rows named "take0.wma" ..., each a real file.
  void AddRows(int count) {
    for (int i = 0; i < count; ++i) {
      auto item = std::make_unique<RecordingItem>();
      item->name = "take" + std::to_string(i) + ".wma";
      item->path = Work() + item->name;
      platform::WriteWholeFileAtomic(item->path, "recording " + std::to_string(i));
      item->size = 3.5 * 1048576;
      item->playSeconds = 61 + i;
      list_.AppendRow(std::move(item), FormatRowSize(3.5 * 1048576), FormatPlayTime(61 + i));
    }
  }
  void Select(std::initializer_list<int> rows) {
    list_.SetItemState(-1, 0, LVIS_SELECTED);
    for (int row : rows) list_.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < list_.GetItemCount(); ++i) names.push_back(list_.ItemAt(i)->name);
    return names;
  }
  std::vector<int> Deleted() const {
    std::vector<int> rows;
    for (const auto& e : parent_.events)
      if (e.msg == WM_NOTIFY && e.code == LVN_DELETEITEM) rows.push_back(e.pos);
    return rows;
  }
  static bool InTrash(const std::string& name) {
    return std::filesystem::exists(platform::TrashFolder() + "files/" + name) &&
           std::filesystem::exists(platform::TrashFolder() + "info/" + name + ".trashinfo");
  }

  static constexpr int IDC_MAIN_LIST = 1008;
  testkit::RecordingParent parent_{RECT{100, 100, 720, 420}, "Auvry"};
  CWnd parentWnd_;
  ScrollRecordingList list_;
};

TEST_F(RecordingList, SelectedRowsGoHighestFirstAndAWholeSelectionInOneSweep) {
  AddRows(5);
  Select({1, 3});
  parent_.Clear();
  EXPECT_EQ(list_.RemoveSelectedRows(), 1);
  EXPECT_EQ(Deleted(), (std::vector<int>{3, 1}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"take0.wma", "take2.wma", "take4.wma"}));
  Select({0, 1, 2});
  parent_.Clear();
  EXPECT_EQ(list_.RemoveSelectedRows(), 1);
  EXPECT_EQ(list_.GetItemCount(), 0);
  EXPECT_EQ(Deleted(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(list_.RemoveSelectedRows(), 0);
  EXPECT_EQ(list_.RemoveAllRows(), 1);
}

TEST_F(RecordingList, AnOwnerThatFreesItemDataOfDeletedRowsFindsNone) {
  AddRows(3);
  int told = 0;
  parent_.onNotify = [&](NMHDR* header) -> LRESULT {
    if (header->code == LVN_DELETEITEM) {
      ++told;
      auto* view = reinterpret_cast<NMLISTVIEW*>(header);
      EXPECT_EQ(view->lParam, 0);
      delete reinterpret_cast<RecordingItem*>(view->lParam);
    }
    return 0;
  };
  Select({1});
  list_.RemoveSelectedRows();
  list_.RemoveAllRows();
  EXPECT_EQ(told, 3);
}

TEST_F(RecordingList, KeepCancelRecycleLeavesTheSecondSelectedAndTheThirdInTheTrash) {
  AddRows(3);
  Select({0, 1, 2});
  int asked = 0;
  for (int button : {IDC_DELETE_KEEP, IDCANCEL, IDC_DELETE_RECYCLE}) {
    WhenDialogShows([&, button](HWND d) {
      ++asked;
      if (asked == 1) {
        EXPECT_EQ(testkit::ControlText(d, IDC_DELETE_NAME), "take0.wma");
        EXPECT_EQ(testkit::WindowText(d), "Narvell Vidarro 5.0");
        testkit::WritePicture(d, "delete_files.png");
      }
      testkit::AnswerWithButton(button);
    });
  }
  auvry::DeleteSelectedRecordings(list_, CWnd::FromHandle(parent_.hwnd()));
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(Names(), std::vector<std::string>{"take1.wma"});
  EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 0);
  EXPECT_TRUE(std::filesystem::exists(Work() + "take0.wma"));  // kept on disk
  EXPECT_TRUE(std::filesystem::exists(Work() + "take1.wma"));
  EXPECT_FALSE(std::filesystem::exists(Work() + "take2.wma"));
  EXPECT_TRUE(InTrash("take2.wma"));
}

TEST_F(RecordingList, OneDeletePressAskedCancelRecyclesNothing) {
  AddRows(2);
  Select({0, 1});
  int presses = 0;
  parent_.onNotify = [&](NMHDR* header) -> LRESULT {
    if (header->code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) {
      ++presses;
      auvry::DeleteSelectedRecordings(list_, nullptr, [](const std::string&) { return CDeleteFilesDialog::kCancel; });
    }
    return 0;
  };
  ::SetFocus(list_.m_hWnd);
  testkit::PressKey(VK_DELETE);
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(list_.GetItemCount(), 2);
  EXPECT_TRUE(std::filesystem::exists(Work() + "take0.wma"));
  EXPECT_TRUE(std::filesystem::exists(Work() + "take1.wma"));
  EXPECT_FALSE(InTrash("take0.wma"));
}

TEST_F(RecordingList, RecycleSelectedAsksTheDesktopAndKeepsRowsItRefuses) {
  AddRows(3);
  Select({});
  EXPECT_EQ(list_.RecycleSelected(), 0);
  Select({0, 2});
  boxes_.QueueAnswer(IDNO);  // the desktop's own question
  EXPECT_EQ(list_.RecycleSelected(), 1);
  EXPECT_EQ(list_.GetItemCount(), 3);
  boxes_.QueueAnswer(IDYES);
  EXPECT_EQ(list_.RecycleSelected(), 1);
  EXPECT_EQ(Names(), std::vector<std::string>{"take1.wma"});
  EXPECT_TRUE(InTrash("take0.wma"));
  EXPECT_TRUE(InTrash("take2.wma"));
}

TEST_F(RecordingList, ASelectedRowIsDrawnInTheRecordersColoursAndStaysSelected) {
  AddRows(3);
  Select({1});
  RECT row{};
  list_.GetItemRect(1, &row, LVIR_BOUNDS);
  bool text = false, back = false;
  for (int x = row.left + 20; x < row.left + 90; ++x)
    for (int y = row.top; y < row.bottom; ++y) {
      const COLORREF c = testkit::Pixel(list_.m_hWnd, x, y);
      text = text || c == CSkinListCtrl::kSelectedText;
      back = back || c == CSkinListCtrl::kSelectedBack;
    }
  EXPECT_TRUE(text);
  EXPECT_TRUE(back);
  EXPECT_EQ(list_.GetNextItem(-1, LVNI_SELECTED), 1);
  EXPECT_EQ(list_.GetItemState(1, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
  // Drawing it leaves nothing to draw again.
  EXPECT_LT(testkit::Pump(20), 20);
  testkit::WritePicture(parent_.hwnd(), "recordings_list.png");
}

TEST_F(RecordingList, TheHeaderTracksThePressedColumnWhileTheButtonIsHeld) {
  CSkinHeaderCtrl& header = list_.header();
  ASSERT_NE(header.m_hWnd, nullptr);
  RECT first{}, second{};
  ::SendMessage(header.m_hWnd, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
  ::SendMessage(header.m_hWnd, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  RECT client;
  ::GetClientRect(list_.m_hWnd, &client);
  RECT own;
  ::GetClientRect(header.m_hWnd, &own);
  EXPECT_EQ(own.right, client.right);  // as wide as the list
  EXPECT_EQ(header.hotItem(), -1);
  testkit::Down(header.m_hWnd, first.left + 10, 5);
  EXPECT_TRUE(header.buttonHeld());
  EXPECT_EQ(header.hotItem(), 0);
  testkit::Move(header.m_hWnd, second.left + 10, 5);
  EXPECT_EQ(header.hotItem(), 1);
  testkit::Up(header.m_hWnd, second.left + 10, 5);
  EXPECT_FALSE(header.buttonHeld());
  // Without the button held, moving over it tracks nothing.
  testkit::Move(header.m_hWnd, first.left + 10, 5);
  EXPECT_EQ(header.hotItem(), 1);
}

TEST_F(RecordingList, WithClicksShutOffAClickChangesNoSelection) {
  AddRows(3);
  Select({0});
  RECT row{};
  list_.GetItemRect(2, &row, LVIR_BOUNDS);
  list_.EnableClicks(0);
  testkit::Click(list_.m_hWnd, row.left + 20, (row.top + row.bottom) / 2);
  EXPECT_EQ(list_.SelectedRows(), std::vector<int>{0});
  list_.EnableClicks(1);
  testkit::Click(list_.m_hWnd, row.left + 20, (row.top + row.bottom) / 2);
  EXPECT_EQ(list_.SelectedRows(), std::vector<int>{2});
}

TEST_F(RecordingList, SkinScrollBarMessagesBecomePixelScrolls) {
  ScrollInfoPair bars;
  bars.v.nMax = 9, bars.v.nPage = 5, bars.v.nPos = 2;
  int dx = -1, dy = -1;
  ASSERT_TRUE(ScrollPixels(WM_VSCROLL, SB_LINEDOWN, bars, 300, 100, &dx, &dy));
  EXPECT_EQ(dy, 10);
  EXPECT_EQ(dx, 0);
  ASSERT_TRUE(ScrollPixels(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), bars, 300, 100, &dx, &dy));
  EXPECT_EQ(dy, 60);
  ASSERT_TRUE(ScrollPixels(WM_HSCROLL, SB_LINEUP, bars, 300, 100, &dx, &dy));
  EXPECT_EQ(dx, -10);
  EXPECT_EQ(dy, 2 * 200 / 10);  // the vertical position stays where it is
  EXPECT_FALSE(ScrollPixels(WM_VSCROLL, SB_PAGEDOWN, bars, 300, 100, &dx, &dy));

  AddRows(30);
  ::SendMessage(list_.m_hWnd, WM_VSCROLL, SB_LINEDOWN, 0);
  ASSERT_EQ(list_.scrolls.size(), 1u);
  EXPECT_EQ(list_.scrolls[0].second, 10);
}

TEST_F(RecordingList, PlayOpensTheFirstSelectedRecordingAndSkipsAMissingOne) {
  AddRows(3);
  Select({2, 1});
  auvry::PlaySelectedRecording(list_);
  auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, "open");
  EXPECT_EQ(launches[0].target, Work() + "take1.wma");
  std::filesystem::remove(Work() + "take1.wma");
  auvry::PlaySelectedRecording(list_);
  Select({});
  auvry::PlaySelectedRecording(list_);
  EXPECT_EQ(platform::ReadLaunchRecords().size(), 1u);
}

TEST_F(RecordingList, TheBurnMenuHandsTheSelectedRowsInListOrder) {
  AddRows(3);
  Select({2, 0});
  HWND burn = parent_.Make("Button", "Burn", BS_PUSHBUTTON, {500, 250, 580, 280}, 1010);
  RECT r;
  ::GetWindowRect(burn, &r);
  platform::PushInputStep([] {});  // the menu's first paint
  platform::PushInputStep([&] {
    testkit::WritePicture(::GetCapture() ? ::GetCapture() : ::GetActiveWindow(), "burn_menu.png");
    platform::InjectClick(platform::MouseButton::Left, POINT{r.left - 22 + 10, r.top + 60 + 5});
  });
  parent_.Clear();
  auvry::ShowBurnMenu(CWnd::FromHandle(parent_.hwnd()), burn);
  testkit::Pump();
  bool audioCd = false;
  for (const auto& e : parent_.Of(WM_COMMAND)) audioCd = audioCd || e.id == ID_BURN_AUDIO_CD;
  EXPECT_TRUE(audioCd);

  int open = -1;
  std::vector<std::string> handed;
  WhenDialogShows([&](HWND d) {
    auto* dialog = static_cast<CAudioCDBurnDlg*>(CWnd::FromHandle(d));
    for (int i = 0; i < dialog->list().GetItemCount(); ++i) handed.push_back(dialog->list().ItemAt(i)->name);
    open = 1;
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  int flag = 0;
  auvry::BurnAudioCD(list_, CWnd::FromHandle(parent_.hwnd()), Work(), &flag);
  EXPECT_EQ(open, 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(handed, (std::vector<std::string>{"take0.wma", "take2.wma"}));

  Select({});
  int rows = -1;
  WhenDialogShows([&](HWND d) {
    rows = static_cast<CDataDiscBurnDlg*>(CWnd::FromHandle(d))->list().GetItemCount();
    EXPECT_EQ(testkit::ControlText(d, IDC_BURN_TITLE), "Burn - WMA CD");
    testkit::ClickButton(d, IDC_BURN_EXIT);
  });
  auvry::BurnDataDisc(list_, CWnd::FromHandle(parent_.hwnd()), 0, Work(), &flag);
  EXPECT_EQ(rows, 0);
}

}  // namespace
