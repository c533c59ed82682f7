// The clip list control on the main window: its order, its cells, and renaming in place through
// the file-name edit with the owner's say on busy files.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/com/class_table.h"
#include "scripted_pack.h"
#include "window_fixture.h"

namespace studio {
namespace {

using namespace testkit;
using testing::ScriptedPack;

DEFINE_GUID(CLSID_ListTestEditor, 0x1A2B3C4D, 0x0011, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x11);

using ClipListCtrlTest = QuillonWindowFixture;

TEST_F(ClipListCtrlTest, TheTitleSortsFirstAndClipsKeepTheirOrderInCellsOf110x100) {
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  const std::string b = PictureClip(env_.Documents() + "b.png", 0xFF00FF00);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    ASSERT_TRUE(dialog.AddClip(b, FALSE));
    dialog.Model().clips.AddProjectTitleItem(0, 5, std::string());
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.ClipAt(0)->type, kClipProjectTitle);
    EXPECT_EQ(list.GetItemText(1, 1), a);
    EXPECT_EQ(list.GetItemText(2, 1), b);

    // Items put in out of order come back in the list's order.
    const ClipItem& title = dialog.Model().clips.Items()[0];
    const ClipItem& first = dialog.Model().clips.Items()[1];
    list.SetItemData(0, ClipItemData(first));
    list.SetItemData(1, ClipItemData(title));
    EXPECT_TRUE(list.SortItems());
    EXPECT_EQ(list.ClipAt(0), &title);
    EXPECT_EQ(list.ClipAt(1), &first);
    EXPECT_EQ(CClipListCtrl::CompareClipItems(0, ClipItemData(title), 0), 1);  // no clip: last

    RECT one{}, two{};
    list.GetItemRect(0, &one, LVIR_BOUNDS);
    list.GetItemRect(1, &two, LVIR_BOUNDS);
    EXPECT_EQ(two.top - one.top, 100);  // one column: the next cell is below
    EXPECT_EQ(one.right - one.left, 110);
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(ClipListCtrlTest, RenamingTakesOnlyFileNameCharactersAndOnlyFreeMediaFiles) {
  auto editor = platform::com::MakeComObject<ScriptedPack>("Editor");
  std::vector<std::string> log;
  editor->log = &log;
  auto editorClass = platform::com::ClassRegistration(
      CLSID_ListTestEditor, [&](REFIID riid, void** ppv) { return editor->QueryInterface(riid, ppv); }, kEditorProgId);
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  const std::string busy = PictureClip(env_.Documents() + "busy.png", 0xFF00FF00);
  editor->Answer("isfilebusy " + busy, S_OK);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    ASSERT_TRUE(dialog.AddClip(busy, FALSE));
    dialog.Model().clips.AddProjectTitleItem(0, 5, std::string());
    ASSERT_EQ(list.GetItemCount(), 3);

    // The title keeps its name.
    EXPECT_EQ(list.SendMessage(LVM_EDITLABEL, 0), 0);
    EXPECT_EQ(list.SendMessage(LVM_GETEDITCONTROL), 0);

    // A file the editor uses keeps its name: the list asks its owner.
    EXPECT_EQ(list.SendMessage(LVM_EDITLABEL, 2), 0);
    EXPECT_EQ(list.SendMessage(LVM_GETEDITCONTROL), 0);

    HWND edit = reinterpret_cast<HWND>(list.SendMessage(LVM_EDITLABEL, 1));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(::IsWindowVisible(edit));
    ::SetWindowText(edit, "");
    TypeChars("new:na*me/x");  // the characters a file name cannot hold do not go in
    EXPECT_EQ(WindowText(edit), "newnamex");
    PressKey(VK_RETURN);
    Pump();
    EXPECT_TRUE(platform::FileExists(env_.Documents() + "newnamex.png"));
    EXPECT_EQ(list.GetItemText(1, 0), "newnamex.png");

    // Pasted text is cleaned the same way, and ".." or a separator never moves the file.
    edit = reinterpret_cast<HWND>(list.SendMessage(LVM_EDITLABEL, 1));
    ASSERT_NE(edit, nullptr);
    ::SetWindowText(edit, "..");
    PressKey(VK_RETURN);
    Pump();
    EXPECT_TRUE(platform::FileExists(env_.Documents() + "newnamex.png"));
    dialog.CloseWithoutPrompt();
  });
}

}  // namespace
}  // namespace studio
