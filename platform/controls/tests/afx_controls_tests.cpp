#include "platform/controls/afx_controls.h"
#include "platform/testkit/control_test.h"

namespace ctltest {
using namespace testkit;
namespace {

using Wrappers = ControlTest;

class SkinLikeButton : public CButton {
 public:
  UINT lastState = 0xFFFF;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    lastState = dis->itemState;
    CDC* dc = CDC::FromHandle(dis->hDC);
    dc->FillSolidRect(&dis->rcItem, RGB(200, 0, 0));
  }
};

TEST_F(Wrappers, OwnerDrawnButtonsDrawThroughTheirOwnDrawItem) {
  CWnd parent;
  ASSERT_TRUE(parent.SubclassWindow(parent_));  // the parent reflects WM_DRAWITEM to the button
  SkinLikeButton button;
  ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(10, 10, 60, 40), &parent, 31));
  button.SetButtonStyle((button.GetButtonStyle() & 0xFF) | BS_OWNERDRAW);
  Pump();
  EXPECT_EQ(RGB(200, 0, 0), Pixel(button, 20, 15));
  EXPECT_NE(0xFFFFu, button.lastState);
  EXPECT_TRUE(Of(WM_DRAWITEM).empty());  // reflected to the button, not seen by the parent's own handler
  button.DestroyWindow();
  parent.UnsubclassWindow();
}

TEST_F(Wrappers, ListTreeAndTipWrappersRoundTrip) {
  CWnd parent;
  ASSERT_TRUE(parent.Attach(parent_));
  CListCtrl list;
  ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 300, 200), &parent, 40));
  EXPECT_EQ(0, list.InsertColumn(0, "File", LVCFMT_LEFT, 105));
  EXPECT_EQ(0, list.InsertItem(0, "clip.mpg"));
  list.SetItemText(0, 1, "/videos/clip.mpg");
  list.SetItemData(0, 1234);
  EXPECT_EQ("/videos/clip.mpg", list.GetItemText(0, 1));
  EXPECT_EQ(1234u, list.GetItemData(0));
  list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));
  CImageList images;
  images.Create(80, 60, ILC_COLORDDB, 0, 10);
  EXPECT_EQ(nullptr, list.SetImageList(&images, LVSIL_NORMAL));
  EXPECT_EQ(images.m_hImageList, list.GetImageList(LVSIL_NORMAL));

  CTreeCtrl tree;
  ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE, CRect(300, 0, 500, 200), &parent, 41));
  HTREEITEM root = tree.InsertItem("C:");
  HTREEITEM child = tree.InsertItem("Videos", root);
  tree.SetItemData(child, 7);
  EXPECT_EQ("Videos", tree.GetItemText(tree.GetChildItem(root)));
  EXPECT_EQ(7u, tree.GetItemData(child));
  EXPECT_TRUE(tree.SelectItem(child));
  EXPECT_EQ(child, tree.GetSelectedItem());

  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, CRect(0, 210, 150, 300), &parent, 42));
  combo.AddString("NTSC");
  combo.AddString("PAL");
  std::string text;
  combo.GetLBText(1, text);
  EXPECT_EQ("PAL", text);

  CToolTipCtrl tip;
  ASSERT_TRUE(tip.Create(&parent));
  EXPECT_EQ(0, tip.GetToolCount());
  EXPECT_TRUE(tip.AddTool(&combo, "Television standard"));
  EXPECT_EQ(1, tip.GetToolCount());
  tip.UpdateTipText("TV standard", &combo);
  tip.GetText(text, &combo);
  EXPECT_EQ("TV standard", text);
  tip.DestroyWindow();
  combo.DestroyWindow();
  tree.DestroyWindow();
  list.DestroyWindow();
  parent.Detach();
}

}  // namespace
}  // namespace ctltest
