#include "platform/testkit/control_test.h"
#include "platform/testkit/pictures.h"

namespace ctltest {
using namespace testkit;
namespace {

void AddItem(HWND header, int at, const char* text, int width, int fmt = HDF_STRING) {
  HDITEM item;
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
  item.pszText = const_cast<LPSTR>(text);
  item.cxy = width;
  item.fmt = fmt;
  SendMessage(header, HDM_INSERTITEM, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
}

int Width(HWND header, int i) {
  HDITEM item;
  item.mask = HDI_WIDTH;
  SendMessage(header, HDM_GETITEM, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  return item.cxy;
}

TEST_F(ControlTest, HeaderClicksAndDividerDragsResizeWithNotifications) {
  HWND header = Make(WC_HEADER, "", HDS_BUTTONS, {10, 10, 310, 30}, 7);
  AddItem(header, 0, "Name", 100);
  AddItem(header, 1, "Size", 80, HDF_STRING | HDF_RIGHT);
  EXPECT_EQ(2, SendMessage(header, HDM_GETITEMCOUNT, 0, 0));
  char text[16] = {};
  HDITEM got;
  got.mask = HDI_TEXT | HDI_FORMAT;
  got.pszText = text;
  got.cchTextMax = sizeof text;
  ASSERT_TRUE(SendMessage(header, HDM_GETITEM, 1, reinterpret_cast<LPARAM>(&got)));
  EXPECT_STREQ("Size", text);
  EXPECT_EQ(HDF_RIGHT, got.fmt & HDF_JUSTIFYMASK);
  RECT r{};
  ASSERT_TRUE(SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(100, r.left);
  EXPECT_EQ(180, r.right);

  Clear();
  Click(header, 140, 10);
  EXPECT_EQ((std::vector<UINT>{HDN_ITEMCLICK}), Codes(WM_NOTIFY));

  // The divider at x=100 is dragged to 130: the first column grows.
  Clear();
  Down(header, 100, 10);
  Move(header, 130, 10);
  Up(header, 130, 10);
  EXPECT_EQ(130, Width(header, 0));
  const auto codes = Codes(WM_NOTIFY);
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(HDN_BEGINTRACK, codes.front());
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), HDN_TRACK));
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), HDN_ENDTRACK));
  EXPECT_EQ(HDN_ITEMCHANGED, codes.back());

  // A parent that refuses changes keeps the width.
  onNotify_ = [](NMHDR* h) -> LRESULT { return h->code == HDN_ITEMCHANGING ? TRUE : 0; };
  Down(header, 130, 10);
  Move(header, 60, 10);
  Up(header, 60, 10);
  EXPECT_EQ(130, Width(header, 0));
  HDHITTESTINFO hit;
  hit.pt = {131, 5};
  EXPECT_EQ(0, SendMessage(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  EXPECT_EQ(HHT_ONDIVIDER, hit.flags);
  EXPECT_FALSE(WritePicture(parent_, "header.png").empty());
}

TEST_F(ControlTest, OwnerDrawnHeaderItemsAskTheParent) {
  HWND header = Make(WC_HEADER, "", 0, {10, 10, 310, 30}, 8);
  AddItem(header, 0, "", 100, HDF_OWNERDRAW);
  recorder().onDrawItem = [](DRAWITEMSTRUCT* dis) {
    EXPECT_EQ(ODT_HEADER, dis->CtlType);
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(dis->hDC, &dis->rcItem, red);
    DeleteObject(red);
  };
  InvalidateRect(header, nullptr, TRUE);
  EXPECT_EQ(RGB(200, 0, 0), Pixel(header, 50, 10));
  const auto drawn = Of(WM_DRAWITEM);
  ASSERT_FALSE(drawn.empty());
  EXPECT_EQ(8, drawn.back().id);
}

TEST_F(ControlTest, ListViewHeaderCustomDrawAndPixelScrolling) {
  HWND lv = Make(WC_LISTVIEW, "", LVS_REPORT, {10, 10, 310, 150}, 9);
  LVCOLUMN col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = const_cast<LPSTR>("File");
  col.cx = 120;
  SendMessage(lv, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&col));
  for (int i = 0; i < 30; ++i) {
    std::string text = "Clip " + std::to_string(i);
    LVITEM item;
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = text.data();
    SendMessage(lv, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
  }
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(lv, GetParent(header));
  EXPECT_EQ(1, SendMessage(header, HDM_GETITEMCOUNT, 0, 0));
  EXPECT_TRUE(IsWindowVisible(header));
  // Dragging the header's divider resizes the list's column.
  Down(header, 120, 5);
  Move(header, 150, 5);
  Up(header, 150, 5);
  EXPECT_EQ(150, SendMessage(lv, LVM_GETCOLUMNWIDTH, 0, 0));
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 0, 90);
  EXPECT_EQ(90, Width(header, 0));

  // The parent colours the second row's background.
  onNotify_ = [](NMHDR* h) -> LRESULT {
    if (h->code != NM_CUSTOMDRAW) return 0;
    auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(h);
    if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT && cd->nmcd.dwItemSpec == 1) cd->clrTextBk = RGB(0, 128, 0);
    return CDRF_DODEFAULT;
  };
  InvalidateRect(lv, nullptr, TRUE);
  RECT row{};
  row.left = LVIR_BOUNDS;
  SendMessage(lv, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(RGB(0, 128, 0), Pixel(lv, row.right - 3, (row.top + row.bottom) / 2));
  EXPECT_FALSE(WritePicture(parent_, "listview_custom_draw.png").empty());

  // Scrolling by pixels moves by whole rows.
  const int rowHeight = row.bottom - row.top;
  EXPECT_TRUE(SendMessage(lv, LVM_SCROLL, 0, 3 * rowHeight));
  EXPECT_EQ(3, SendMessage(lv, LVM_GETTOPINDEX, 0, 0));
  SendMessage(lv, LVM_SCROLL, 0, -1);
  EXPECT_EQ(2, SendMessage(lv, LVM_GETTOPINDEX, 0, 0));
}

}  // namespace
}  // namespace ctltest
