// The clip list control on the main window: its order, its cells, and renaming in place through
// the file-name edit with the owner's say on busy files.
#include <gtest/gtest.h>

#include <algorithm>

#include "burner_pack.h"
#include "clip_player.h"
#include "editor_pack.h"
#include "platform/window/input.h"
#include "platform/base/process.h"
#include "platform/com/class_table.h"
#include "platform/dshow/tests/media_clips.h"
#include "platform/registry/registry.h"
#include "platform/testkit/label_contrast.h"
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

TEST_F(ClipListCtrlTest, ASelectedClipsNameReadsWithAndWithoutTheFocus) {
  const std::string a = PictureClip(env_.Documents() + "Beach.png", 0xFF3070C0);
  const std::string b = PictureClip(env_.Documents() + "Harbour.png", 0xFF30C070);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    const auto around = static_cast<COLORREF>(list.SendMessage(LVM_GETBKCOLOR, 0, 0));
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    ASSERT_TRUE(dialog.AddClip(b, FALSE));
    list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::SetFocus(list.m_hWnd);
    Pump();
    EXPECT_GE(testkit::LabelContrast(list.m_hWnd, 0, around), 4.5) << "focused";
    ::SetFocus(d);  // as after a drag out of the list
    ::RedrawWindow(list.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    EXPECT_GE(testkit::LabelContrast(list.m_hWnd, 0, around), 4.5) << "out of focus";
    WritePicture(list.m_hWnd, "clip_label_out_of_focus.png");
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

void SetDefault(HKEY root, const std::string& subKey, const char* name, const std::string& value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(root, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

TEST_F(ClipListCtrlTest, AClipPlaysWithTheVerbOfTheUsersChosenProgram) {
  const std::string exts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  EXPECT_EQ(ClipClassKey(".png", 10), "____");
  EXPECT_EQ(ClipPlayVerb(".png", 10), "open");
  SetDefault(HKEY_CLASSES_ROOT, ".png", "", "pngfile");
  SetDefault(HKEY_CLASSES_ROOT, "pngfile\\shell\\play\\command", "", "viewer \"%1\"");
  EXPECT_EQ(ClipClassKey(".png", 10), "pngfile");
  EXPECT_EQ(ClipPlayVerb(".png", 10), "play");
  // The user's own choice wins, and it has no play command.
  SetDefault(HKEY_CURRENT_USER, exts + ".png\\UserChoice", "Progid", "Painter.png");
  EXPECT_EQ(ClipClassKey(".png", 10), "Painter.png");
  EXPECT_EQ(ClipPlayVerb(".png", 10), "open");
  // Older systems keep the choice in the extension's own key, by class or by program.
  EXPECT_EQ(ClipClassKey(".png", 5), "pngfile");
  SetDefault(HKEY_CURRENT_USER, exts + ".png", "Application", "viewer.exe");
  EXPECT_EQ(ClipClassKey(".png", 5), "Applications\\viewer.exe");
  SetDefault(HKEY_CURRENT_USER, exts + ".png", "Progid", "pngfile");
  EXPECT_EQ(ClipPlayVerb(".png", 5), "play");
  EXPECT_EQ(ClipClassKey("", 10), "____");

  // Double-click off the Edit step plays the clip with that verb.
  RegDeleteKey(HKEY_CURRENT_USER, (exts + ".png\\UserChoice").c_str());
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    NMHDR click{list.m_hWnd, IDC_CLIP_LIST, NM_DBLCLK};
    ::SendMessage(d, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&click));
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_FALSE(launches.empty());
    EXPECT_EQ(launches.back().verb, "play");
    EXPECT_EQ(launches.back().target, a);
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(ClipListCtrlTest, ClipsDraggedOutJoinTheBurnersListOrTheEditorsTimeline) {
  packs::RegisterEditorPack();
  packs::RegisterBurnerPack();
  const std::string a = PictureClip(env_.Documents() + "a.png", 0xFFFF0000);
  // The editor takes only clips with a running time.
  const std::string b = env_.Documents() + "b.mpg";
  ASSERT_TRUE(
      media_clips::Run("ffmpeg -y -v error -f lavfi -i testsrc=size=160x120:rate=25:duration=0.4 "
                       "-c:v mpeg1video -f mpeg " +
                       media_clips::Quote(b)));
  EXPECT_EQ(ClipDragList({}, 0), std::vector<std::string>{});
  OleInitialize(nullptr);  // as the program does for its drop target
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    ASSERT_TRUE(dialog.AddClip(a, FALSE));
    ASSERT_TRUE(dialog.AddClip(b, FALSE));
    dialog.Model().clips.AddProjectTitleItem(0, 42, std::string());
    ASSERT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(ClipDragList(dialog.Model().clips.Items(), 42),
              (std::vector<std::string>{"add project title edit=0;num=0;playtime=42", a, b}));
    ClickButton(d, IDC_STEP_BURN);
    auto* burner = static_cast<packs::CBurnerPack*>(dialog.Model().burner);
    ASSERT_NE(burner, nullptr);

    // Press on a clip, move off it (the drag starts), cross into the page area and let go.
    const auto dragClip = [&](int item) {
      for (int i = 0; i < 3; ++i) list.SetItemState(i, i == item ? LVIS_SELECTED : 0, LVIS_SELECTED);
      RECT icon{};
      list.GetItemRect(item, &icon, LVIR_ICON);
      POINT start{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
      ::ClientToScreen(list.m_hWnd, &start);
      const RECT area = dialog.PageArea();
      POINT drop{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
      ::ClientToScreen(d, &drop);
      platform::PushInputStep([drop] { platform::InjectMouseMove(drop); });
      platform::PushInputStep([drop] { platform::InjectMouseMove(POINT{drop.x + 5, drop.y + 5}); });
      platform::PushInputStep([drop] {
        platform::InjectMouseUp(platform::MouseButton::Left, POINT{drop.x + 5, drop.y + 5});
      });
      platform::InjectMouseDown(platform::MouseButton::Left, start);
      Pump();
      platform::InjectMouseMove(POINT{start.x + 10, start.y + 10});
      Pump();
    };
    dragClip(1);
    EXPECT_EQ(burner->BurnList(), std::vector<std::string>{a});
    // On the Edit page the editor takes what is dropped.
    ClickButton(d, IDC_STEP_EDIT);
    auto* editor = static_cast<packs::CEditorPack*>(dialog.Model().editor);
    ASSERT_NE(editor, nullptr);
    dragClip(2);
    EXPECT_EQ(editor->Timeline(), std::vector<std::string>{b});
    platform::ClearInputScript();
    dialog.CloseWithoutPrompt();
  });
  OleUninitialize();
}

TEST_F(ClipListCtrlTest, ADraggedThumbScrollsByPixelsAndScrollingTakesTheFocus) {
  SCROLLINFO info{};
  info.nMax = 999;
  info.nPage = 500;
  info.nPos = 100;
  EXPECT_EQ(ThumbScrollAmount(info, 500, 300), 200);
  EXPECT_EQ(ThumbScrollAmount(info, 250, 300), 100);  // a page of half the pixels: half the content
  info.nPage = 0;
  EXPECT_EQ(ThumbScrollAmount(info, 500, 600), 250);
  info.nMax = -1;
  EXPECT_EQ(ThumbScrollAmount(info, 500, 600), 0);

  std::vector<std::string> clips;
  for (int i = 0; i < 12; ++i)
    clips.push_back(PictureClip(env_.Documents() + "c" + std::to_string(i) + ".png", 0xFF102030 + i));
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    for (const std::string& clip : clips) ASSERT_TRUE(dialog.AddClip(clip, FALSE));
    list.EnsureVisible(0, FALSE);
    Pump();  // the list keeps its bar in step as it paints
    RECT before{}, after{};
    list.GetItemRect(0, &before, LVIR_BOUNDS);
    ::SetFocus(d);
    SCROLLINFO bar{};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_ALL;
    ASSERT_TRUE(::GetScrollInfo(list.m_hWnd, SB_VERT, &bar));
    list.SendMessage(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, bar.nPos + 150), 0);
    list.GetItemRect(0, &after, LVIR_BOUNDS);
    EXPECT_EQ(before.top - after.top, 150);
    EXPECT_EQ(::GetFocus(), list.m_hWnd);
    dialog.CloseWithoutPrompt();
  });
}

TEST_F(ClipListCtrlTest, TheListScrollsWithSkinBarsAndMarksWhatWasAddedAndWhereItWouldDrop) {
  std::vector<std::string> clips;
  for (int i = 0; i < 12; ++i)
    clips.push_back(PictureClip(env_.Documents() + "f" + std::to_string(i) + ".png", 0xFF203040 + i));
  const std::string played = PictureClip(env_.Documents() + "played.png", 0xFF00FF00);
  CLoadingDlg* splash = nullptr;
  RunWindow(&splash, [&](CQuillonDlg& dialog, HWND d) {
    time_.Advance(kStartMs);
    CClipListCtrl& list = dialog.ClipListControl();
    EXPECT_TRUE(list.GetExtendedStyle() & LVS_EX_FULLROWSELECT);
    ASSERT_TRUE(dialog.AddClip(played, FALSE));
    for (const std::string& clip : clips) ASSERT_TRUE(dialog.AddClip(clip, FALSE));
    EXPECT_EQ(list.SendMessage(LVM_GETHOTITEM), 12);
    dialog.Model().clips.AddProjectTitleItem(0, 5, std::string());
    EXPECT_EQ(list.SendMessage(LVM_GETHOTITEM), 0);
    Pump();

    // Thirteen clips do not fit: the skin's bar stands beside the list, which keeps its number.
    CSkinScrollBarFrame* frame = CSkinScrollBarFrame::FromList(list.m_hWnd);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(::GetDlgItem(d, IDC_CLIP_LIST), frame->m_hWnd);
    EXPECT_TRUE(frame->VerticalBar().IsWindowVisible());
    Picture(d, "clip_list_skin_bars.png");

    // The list inside the frame still tells the main window about a double click on a clip.
    list.EnsureVisible(1, FALSE);
    RECT clip{};
    list.GetItemRect(1, &clip, LVIR_ICON);
    DoubleClick(list.m_hWnd, (clip.left + clip.right) / 2, (clip.top + clip.bottom) / 2);
    Pump();
    const auto launches = platform::ReadLaunchRecords();
    ASSERT_FALSE(launches.empty());
    EXPECT_EQ(launches.back().target, played);

    // A title under a drag is framed as a chosen one is.
    list.EnsureVisible(0, FALSE);
    for (int i = 0; i < list.GetItemCount(); ++i) list.SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
    RECT icon{}, cell{};
    list.GetItemRect(0, &icon, LVIR_ICON);
    list.GetItemRect(0, &cell, LVIR_BOUNDS);
    const int x = cell.left + 4, y = (icon.top + icon.bottom) / 2;
    Pump();
    EXPECT_NE(Pixel(list.m_hWnd, x, y), RGB(253, 213, 3));
    list.SetItemState(0, LVIS_DROPHILITED, LVIS_DROPHILITED);
    list.RedrawWindow();
    Pump();
    EXPECT_EQ(Pixel(list.m_hWnd, x, y), RGB(253, 213, 3));
    Picture(d, "clip_list_drop_highlighted_title.png");
    dialog.CloseWithoutPrompt();
  });
}

}  // namespace
}  // namespace studio
