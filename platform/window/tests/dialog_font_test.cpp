#include <gtest/gtest.h>

#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/dialog.h"
#include "platform/testkit/window_log.h"

using namespace testkit;

namespace {

std::vector<UINT> g_dialogMessages;

INT_PTR RecordingProc(HWND, UINT m, WPARAM, LPARAM) {
  if (m == WM_SETFONT || m == WM_INITDIALOG) g_dialogMessages.push_back(m);
  return FALSE;
}

platform::DialogTemplate FontTemplate(int points, const char* face) {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | (face ? DS_SETFONT : 0);
  t.caption = "Fonts";
  t.cx = 200;
  t.cy = 100;
  if (face) {
    t.fontName = face;
    t.pointSize = points;
  }
  for (int id : {11, 12}) {
    platform::DialogItemTemplate i;
    i.className = TestClass();
    i.id = id;
    i.style = WS_VISIBLE;
    i.x = 10;
    i.y = 10 + (id - 11) * 20;
    i.cx = 60;
    i.cy = 12;
    t.items.push_back(i);
  }
  return t;
}

// Height and average letter width, measured the way dialog units are defined.
SIZE Units(HFONT font) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SIZE ext{};
  GetTextExtentPoint32(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &ext);
  SelectObject(dc, old);
  DeleteDC(dc);
  return SIZE{(ext.cx / 26 + 1) / 2, tm.tmHeight};
}

class DialogFonts : public ::testing::Test {
 protected:
  void SetUp() override { g_dialogMessages.clear(); }
  void TearDown() override { ResetWindows(); }
};

TEST_F(DialogFonts, TemplateFontReachesEveryControlBeforeInitDialog) {
  HWND d = CreateDialogIndirectParam(nullptr, FontTemplate(12, "Arial"), nullptr, RecordingProc, 0);
  ASSERT_NE(d, nullptr);
  auto font = reinterpret_cast<HFONT>(SendMessage(d, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(g_dialogMessages, (std::vector<UINT>{WM_SETFONT, WM_INITDIALOG}));
  for (int id : {11, 12}) {
    HWND item = GetDlgItem(d, id);
    int fonts = 0;
    for (auto& l : Log()) {
      if (l.hwnd == item && l.msg == WM_SETFONT) {
        ++fonts;
        EXPECT_EQ(reinterpret_cast<HFONT>(l.wParam), font);
      }
    }
    EXPECT_EQ(fonts, 1) << "control " << id;
  }
  // The font asked for: 12 points at 96 dpi is 16 pixels of character height.
  LOGFONT lf{};
  ASSERT_NE(GetObject(font, sizeof(lf), &lf), 0);
  EXPECT_EQ(lf.lfHeight, -16);

  DestroyWindow(d);
  EXPECT_EQ(GetObjectType(font), 0u);  // the dialog's own font goes with it
}

TEST_F(DialogFonts, DialogUnitsFollowTheFontMetrics) {
  HWND big = CreateDialogIndirectParam(nullptr, FontTemplate(16, "Arial"), nullptr, RecordingProc, 0);
  HWND small = CreateDialogIndirectParam(nullptr, FontTemplate(8, "Arial"), nullptr, RecordingProc, 0);
  ASSERT_TRUE(big && small);
  for (HWND d : {big, small}) {
    const SIZE u = Units(reinterpret_cast<HFONT>(SendMessage(d, WM_GETFONT, 0, 0)));
    ASSERT_GT(u.cx, 0);
    RECT unit{0, 0, 4, 8};
    MapDialogRect(d, &unit);
    EXPECT_EQ(unit.right, u.cx);
    EXPECT_EQ(unit.bottom, u.cy);
    // The client area and the controls are laid out in those units.
    RECT client{};
    GetClientRect(d, &client);
    RECT want{0, 0, 200, 100};
    MapDialogRect(d, &want);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);
    RECT item{};
    GetWindowRect(GetDlgItem(d, 12), &item);
    MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&item), 2);
    RECT itemWant{10, 30, 70, 42};
    MapDialogRect(d, &itemWant);
    EXPECT_EQ(item.left, itemWant.left);
    EXPECT_EQ(item.top, itemWant.top);
    EXPECT_EQ(item.bottom - item.top, itemWant.bottom - itemWant.top);
  }
  RECT bigClient{}, smallClient{};
  GetClientRect(big, &bigClient);
  GetClientRect(small, &smallClient);
  EXPECT_GT(bigClient.right, smallClient.right);
  EXPECT_GT(bigClient.bottom, smallClient.bottom);
}

TEST_F(DialogFonts, DialogsWithoutAFontUseTheDefaultUnits) {
  HWND d = CreateDialogIndirectParam(nullptr, FontTemplate(0, nullptr), nullptr, RecordingProc, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(SendMessage(d, WM_GETFONT, 0, 0), 0);
  EXPECT_EQ(g_dialogMessages, (std::vector<UINT>{WM_INITDIALOG}));
  const SIZE u = Units(reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  const LONG base = GetDialogBaseUnits();
  EXPECT_EQ(LOWORD(base), u.cx);
  EXPECT_EQ(HIWORD(base), u.cy);
  RECT r{0, 0, 40, 16};
  MapDialogRect(d, &r);
  EXPECT_EQ(r.right, (40 * u.cx + 2) / 4);
  EXPECT_EQ(r.bottom, (16 * u.cy + 4) / 8);
  EXPECT_FALSE(MapDialogRect(d, nullptr));
}

}  // namespace
