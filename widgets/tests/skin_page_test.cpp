#include "widgets/skin_page.h"

#include <gtest/gtest.h>

#include "platform/base/module.h"
#include "platform/ole/external_drop.h"
#include "platform/ole/global_memory.h"
#include "platform/ole/drop_files.h"
#include "platform/window/afx_app.h"
#include "platform/window/input.h"
#include "widgets/tests/widgets_test_ids.h"

namespace {

class TestPage : public CSkinPage {
 public:
  explicit TestPage(UINT id) : CSkinPage(id) {}
  void SetPageSize(int, int) override {}
  void ResizePage(int, int) override {}
  BOOL OnPageCreate() override {
    ++creates;
    return allowCreate;
  }
  void OnPageDestroy() override { ++destroys; }
  BOOL OnKillActive() override { return allowLeave; }
  void OnSetActive() override { ++activations; }
  BOOL OnQueryCancel() override { return allowCancel; }
  int GetNextPage() override { return nextAnswer; }
  int GetBackPage() override { return backAnswer; }
  BOOL OnWizardFinish() override {
    ++finishes;
    return allowFinish;
  }
  BOOL allowCreate = TRUE, allowLeave = TRUE, allowCancel = TRUE, allowFinish = TRUE;
  int nextAnswer = 0, backAnswer = 0;
  int creates = 0, destroys = 0, activations = 0, finishes = 0;
};

class TestHost : public CSkinPageHost {
 public:
  TestHost() : CSkinPageHost(IDD_TEST_HOST) {}
  void OnDropFiles(HGLOBAL list) override {
    dropped = platform::ole::ReadDropFiles(list);
    if (refuse) RefuseDrop();
  }
  std::vector<std::string> dropped;
  bool refuse = false;
};

class PageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibrary("WidgetsTestUI.dll");
    ASSERT_NE(module_, nullptr);
    previous_ = AfxGetResourceHandle();
    AfxSetResourceHandle(module_);
    ASSERT_TRUE(AfxOleInit());  // before the host registers its drop target
    ASSERT_TRUE(host_.Create(IDD_TEST_HOST));
    host_.SetPageAreaControl(IDC_PAGE_AREA);
    host_.AddPage(&pages_[0], IDD_TEST_PAGE1);
    host_.AddPage(&pages_[1], IDD_TEST_PAGE2);
    host_.AddPage(&pages_[2], IDD_TEST_PAGE3);
  }
  void TearDown() override {
    if (host_.m_hWnd) host_.DestroyWindow();
    AfxSetResourceHandle(previous_);
    FreeLibrary(module_);
  }
  void Command(UINT id) { host_.SendMessage(WM_COMMAND, id, 0); }
  bool Enabled(UINT id) { return ::IsWindowEnabled(::GetDlgItem(host_.m_hWnd, static_cast<int>(id))) != FALSE; }
  int Active() { return host_.GetActivePageIndex(); }

  HMODULE module_ = nullptr;
  HINSTANCE previous_ = nullptr;
  TestPage pages_[3] = {TestPage(IDD_TEST_PAGE1), TestPage(IDD_TEST_PAGE2), TestPage(IDD_TEST_PAGE3)};
  TestHost host_;
};

TEST_F(PageHostTest, WalksThreePagesWithBackNextAndFinish) {
  ASSERT_TRUE(host_.ShowFirstPage());
  EXPECT_EQ(Active(), 0);
  EXPECT_FALSE(Enabled(ID_WIZBACK));
  EXPECT_TRUE(Enabled(ID_WIZNEXT));
  EXPECT_FALSE(Enabled(ID_WIZFINISH));
  // Pages sit over the placeholder.
  RECT area, page;
  GetWindowRect(GetDlgItem(host_.m_hWnd, IDC_PAGE_AREA), &area);
  GetWindowRect(pages_[0].m_hWnd, &page);
  EXPECT_EQ(page.left, area.left);
  EXPECT_EQ(page.top, area.top);
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 1);
  EXPECT_TRUE(Enabled(ID_WIZBACK));
  EXPECT_FALSE(IsWindowVisible(pages_[0].m_hWnd));
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 2);
  EXPECT_FALSE(Enabled(ID_WIZNEXT));
  EXPECT_TRUE(Enabled(ID_WIZFINISH));
  Command(ID_WIZBACK);
  Command(ID_WIZBACK);
  EXPECT_EQ(Active(), 0);
  EXPECT_FALSE(Enabled(ID_WIZBACK));
  EXPECT_FALSE(Enabled(ID_WIZFINISH));
  EXPECT_TRUE(Enabled(ID_WIZNEXT));
  // Each page was created once and shown each time.
  EXPECT_EQ(pages_[0].creates, 1);
  EXPECT_EQ(pages_[0].activations, 2);
  Command(ID_WIZFINISH);
  EXPECT_EQ(pages_[0].finishes + pages_[1].finishes + pages_[2].finishes, 3);
}

TEST_F(PageHostTest, RefusingPagesKeepTheirPlace) {
  ASSERT_TRUE(host_.ShowFirstPage());
  pages_[0].nextAnswer = -1;
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 0);
  // An id that is not in the list changes nothing.
  pages_[0].nextAnswer = 4242;
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 0);
  // A page that will not be left stays.
  pages_[0].nextAnswer = 0;
  pages_[0].allowLeave = FALSE;
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 0);
  pages_[0].allowLeave = TRUE;
  // Jump by id.
  pages_[0].nextAnswer = IDD_TEST_PAGE3;
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 2);
  // Cancel refused by one page leaves every page as it was.
  pages_[2].allowCancel = FALSE;
  Command(IDCANCEL);
  EXPECT_TRUE(IsWindow(host_.m_hWnd));
  EXPECT_EQ(Active(), 2);
  // Finish refused by a page keeps the dialog.
  pages_[0].allowFinish = FALSE;
  Command(ID_WIZFINISH);
  EXPECT_TRUE(IsWindow(host_.m_hWnd));
}

TEST_F(PageHostTest, APageThatRefusesToStartLeavesNoWindow) {
  pages_[1].allowCreate = FALSE;
  ASSERT_TRUE(host_.ShowFirstPage());
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 0);
  EXPECT_FALSE(pages_[1].m_bCreated);
  EXPECT_EQ(pages_[1].m_hWnd, nullptr);
  // Asked again, it is created again.
  pages_[1].allowCreate = TRUE;
  Command(ID_WIZNEXT);
  EXPECT_EQ(Active(), 1);
  EXPECT_EQ(pages_[1].creates, 2);
}

TEST_F(PageHostTest, ClosingTheHostDestroysEveryCreatedPageEvenOneThatWillNotLeave) {
  ASSERT_TRUE(host_.ShowFirstPage());
  Command(ID_WIZNEXT);
  pages_[1].allowLeave = FALSE;
  EXPECT_FALSE(host_.ClosePage(&pages_[1]));
  host_.DestroyWindow();
  EXPECT_EQ(pages_[0].destroys, 1);
  EXPECT_EQ(pages_[1].destroys, 1);
  EXPECT_EQ(pages_[2].destroys, 0);
}

TEST_F(PageHostTest, SinglePageHostEnablesOnlyFinish) {
  TestHost single;
  TestPage only(IDD_TEST_PAGE1);
  ASSERT_TRUE(single.Create(IDD_TEST_HOST));
  single.AddPage(&only, IDD_TEST_PAGE1);
  ASSERT_TRUE(single.ShowFirstPage());
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(single.m_hWnd, ID_WIZBACK)));
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(single.m_hWnd, ID_WIZNEXT)));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(single.m_hWnd, ID_WIZFINISH)));
  single.DestroyWindow();
  EXPECT_GT(CSkinPageHost::GetDiskFreeBytes("/"), 0u);
  EXPECT_EQ(CSkinPageHost::GetDiskFreeBytes("/no/such/folder"), 0u);
}

TEST_F(PageHostTest, DroppedFilesAreFilteredByExtension) {
  RECT r;
  GetClientRect(host_.m_hWnd, &r);
  const POINT centre{r.right / 2, r.bottom / 2};
  // Drops are off after construction.
  EXPECT_EQ(platform::ole::DropFilesOnWindow(host_.m_hWnd, centre, {"/clips/a.mpg"}), DROPEFFECT_NONE);
  host_.SetAcceptDrops(TRUE);
  host_.SetDropExtensions("mpg,avi", "");
  // Extensions differing in case count once; a folder's dot is no extension.
  const std::string longName = "/clips/" + std::string(300, 'x') + ".MPG";
  EXPECT_NE(platform::ole::DropFilesOnWindow(host_.m_hWnd, centre, {"/clips/a.mpg", longName}), DROPEFFECT_NONE);
  EXPECT_EQ(host_.dropped, (std::vector<std::string>{"/clips/a.mpg", longName}));
  host_.dropped.clear();
  EXPECT_EQ(platform::ole::DropFilesOnWindow(host_.m_hWnd, centre, {"/clips/a.mpg", "/clips/b.wav"}), DROPEFFECT_NONE);
  EXPECT_TRUE(host_.dropped.empty());
  EXPECT_EQ(platform::ole::DropFilesOnWindow(host_.m_hWnd, centre, {"/clips/v1.5/readme"}), DROPEFFECT_NONE);
  // Ctrl asks for a copy.
  EXPECT_EQ(platform::ole::DropFilesOnWindow(host_.m_hWnd, centre, {"/clips/c.avi"}, MK_CONTROL), DROPEFFECT_COPY);
  // The edge band answers the scroll effects by the keys alone.
  CFileDropTarget target(&host_);
  EXPECT_EQ(target.OnDragScroll(&host_, MK_CONTROL | MK_SHIFT, CPoint(2, 2)), DROPEFFECT_SCROLL | DROPEFFECT_LINK);
  EXPECT_EQ(target.OnDragScroll(&host_, 0, CPoint(2, 2)), DROPEFFECT_COPY | DROPEFFECT_MOVE);
  EXPECT_EQ(target.OnDragScroll(&host_, MK_CONTROL, CPoint(centre)), DROPEFFECT_NONE);
}

TEST_F(PageHostTest, ADragWithAKeyHeldThatEntersThroughTheEdgeBandIsSortedAndDrops) {
  host_.SetAcceptDrops(TRUE);
  host_.SetDropExtensions("mpg", "");
  const POINT band{2, 2};
  for (const DWORD key : {DWORD{MK_CONTROL}, DWORD{MK_SHIFT}, DWORD{MK_ALT}}) {
    host_.dropped.clear();
    EXPECT_NE(platform::ole::DropFilesOnWindow(host_.m_hWnd, band, {"/clips/a.mpg"}, key), DROPEFFECT_NONE) << key;
    EXPECT_EQ(host_.dropped, std::vector<std::string>{"/clips/a.mpg"}) << key;
  }
  // Its files still pass the filters.
  host_.dropped.clear();
  EXPECT_EQ(platform::ole::DropFilesOnWindow(host_.m_hWnd, band, {"/clips/b.wav"}, MK_CONTROL), DROPEFFECT_NONE);
  EXPECT_TRUE(host_.dropped.empty());
}

// A guarded drag of the host's own files: coming back over the host cancels it, so a list never
// drops onto itself; Escape cancels anywhere; elsewhere it drops as any drag does.
TEST_F(PageHostTest, AGuardedDragIsCancelledBackOverItsOwnDialogAndByEscape) {
  ASSERT_TRUE(host_.ShowFirstPage());
  host_.ShowWindow(SW_SHOW);
  host_.SetAcceptDrops(TRUE);
  TestHost other;
  ASSERT_TRUE(other.Create(IDD_TEST_HOST));
  other.SetAcceptDrops(TRUE);
  // Side by side on the screen, with room around them.
  ::SetWindowPos(host_.m_hWnd, nullptr, 0, 0, 300, 200, SWP_NOZORDER);
  ::SetWindowPos(other.m_hWnd, nullptr, 400, 0, 300, 200, SWP_NOZORDER | SWP_SHOWWINDOW);
  RECT mine, theirs;
  ::GetWindowRect(host_.m_hWnd, &mine);
  ::GetWindowRect(other.m_hWnd, &theirs);
  const POINT inside{(mine.left + mine.right) / 2, (mine.top + mine.bottom) / 2};
  const POINT there{(theirs.left + theirs.right) / 2, (theirs.top + theirs.bottom) / 2};
  // Each drag starts on a window of neither dialog, as a list elsewhere would start it.
  HWND start =
      ::CreateWindowEx(0, "Button", "", WS_POPUP | WS_VISIBLE, 0, 300, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(start, nullptr);
  const POINT away{100, 350};
  auto press = [&] {
    platform::InjectMouseDown(platform::MouseButton::Left, away);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  };
  auto moveTo = [](POINT p) { platform::PushInputStep([p] { platform::InjectMouseMove(p); }); };
  auto releaseAt = [](POINT p) {
    platform::PushInputStep([p] { platform::InjectMouseUp(platform::MouseButton::Left, p); });
  };

  press();
  moveTo(inside);
  releaseAt(inside);
  DROPEFFECT effect = DROPEFFECT_COPY;
  EXPECT_FALSE(host_.DragFileListGuarded({"/clips/a.mpg"}, &effect, TRUE));
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_TRUE(host_.dropped.empty());
  platform::ClearInputScript();

  press();
  moveTo(there);
  platform::PushInputStep([] { platform::InjectKeyDown(VK_ESCAPE); });
  releaseAt(there);
  effect = DROPEFFECT_COPY;
  EXPECT_TRUE(host_.DragFileListGuarded({"/clips/a.mpg"}, &effect, TRUE));
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_TRUE(other.dropped.empty());
  platform::ClearInputScript();
  platform::InjectKeyUp(VK_ESCAPE);

  press();
  moveTo(there);
  releaseAt(there);
  effect = DROPEFFECT_COPY;
  EXPECT_TRUE(host_.DragFileListGuarded({"/clips/a.mpg"}, &effect, TRUE));
  EXPECT_EQ(effect, DROPEFFECT_COPY);
  EXPECT_EQ(other.dropped, std::vector<std::string>{"/clips/a.mpg"});
  other.DestroyWindow();
  ::DestroyWindow(start);
}

TEST_F(PageHostTest, OwnerLinkKeepsOneRecordPerFolderAndRefusesMalformedOnes) {
  const std::size_t before = CFileDropDialog::RegisteredChildren().size();
  auto post = [&](WPARAM code, LPARAM arg) { host_.SendMessage(WM_OWNER_LINK, code, arg); };
  auto pump = [] {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  };
  const HWND first = reinterpret_cast<HWND>(std::uintptr_t{0x5001});
  const HWND second = reinterpret_cast<HWND>(std::uintptr_t{0x5002});
  const std::string folder = "/opt/" + std::string(256, 'v') + "/";
  ASSERT_TRUE(PostOwnerLinkRecord(host_.m_hWnd, {first, folder}));
  std::string upper = folder;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  ASSERT_TRUE(PostOwnerLinkRecord(host_.m_hWnd, {second, upper}));
  pump();
  auto children = CFileDropDialog::RegisteredChildren();
  ASSERT_EQ(children.size(), before + 1);
  EXPECT_EQ(children.back().window, second);
  EXPECT_EQ(children.back().folder, folder);  // the full folder, terminator kept
  // A live block of this process, a plain value and a null one are refused unread.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
  post(OWNER_LINK_REGISTER, reinterpret_cast<LPARAM>(block));
  post(OWNER_LINK_REGISTER, static_cast<LPARAM>(0x40000002));
  post(OWNER_LINK_REGISTER, 0);
  EXPECT_EQ(CFileDropDialog::RegisteredChildren().size(), before + 1);
  EXPECT_NE(GlobalSize(block), 0u);  // not freed by the link
  GlobalFree(block);
  post(OWNER_LINK_UNREGISTER, reinterpret_cast<LPARAM>(second));
  EXPECT_EQ(CFileDropDialog::RegisteredChildren().size(), before);
  // A file list handed over by the link reaches OnDropFiles.
  ASSERT_TRUE(PostOwnerLinkFiles(host_.m_hWnd, {"/clips/x.mpg"}));
  pump();
  EXPECT_EQ(host_.dropped, std::vector<std::string>{"/clips/x.mpg"});
  host_.dropped.clear();
  post(OWNER_LINK_DROP_FILES, static_cast<LPARAM>(0x7777));
  EXPECT_TRUE(host_.dropped.empty());
  EXPECT_FALSE(PostOwnerLinkFiles(host_.m_hWnd, {}));
}

}  // namespace
