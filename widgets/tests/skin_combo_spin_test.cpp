#include "platform/testkit/driving.h"
#include "widgets/skin_combo_box.h"
#include "widgets/skin_geometry.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

using SkinCombos = WidgetTest;

TEST_F(SkinCombos, FaceShowsTheArrowOfItsStateAndSelectionReachesTheParent) {
  CSkinComboBox combo(ui_, IDB_SKIN_COMBO_ARROW);
  HWND c = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 160, 200}, 801);
  ASSERT_TRUE(combo.SubclassWindow(c));
  combo.AddString("DVD");
  combo.AddString("Blu-ray");
  combo.SetCurSel(0);
  RECT r;
  GetClientRect(c, &r);
  const skin::ArrowPlacement arrow = skin::ComboArrowPlacement(r.bottom);
  const int probeY = r.bottom / 2;
  // The arrow's middle row, from the normal frame.
  EXPECT_EQ(Pixel(c, r.right - 8, probeY), StripPixel(IDB_SKIN_COMBO_ARROW, 8, probeY - arrow.y + arrow.sourceRow));
  // The border and the separator before the arrow.
  EXPECT_EQ(Pixel(c, r.right - 17, probeY), GetSysColor(COLOR_3DDKSHADOW));
  // Disabling shows the disabled arrow at once.
  EnableWindow(c, FALSE);
  EXPECT_EQ(combo.GetState(), CSkinComboBox::kDisabled);
  EXPECT_EQ(Pixel(c, r.right - 8, probeY),
            StripPixel(IDB_SKIN_COMBO_ARROW, 32 + 8, probeY - arrow.y + arrow.sourceRow));
  EnableWindow(c, TRUE);
  EXPECT_EQ(combo.GetState(), CSkinComboBox::kNormal);
  // Choosing with the keyboard tells the parent.
  Key(c, VK_DOWN);
  EXPECT_EQ(combo.GetCurSel(), 1);
  bool selChange = false;
  for (const Event& e : Of(WM_COMMAND)) selChange |= e.id == 801 && e.code == static_cast<UINT>(CBN_SELCHANGE);
  EXPECT_TRUE(selChange);
  combo.UnsubclassWindow();
}

TEST_F(SkinCombos, AnAmpersandIsDrawnAsItselfNotAsAMnemonic) {
  CSkinComboBox combo(ui_, IDB_SKIN_COMBO_ARROW);
  HWND c = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, {10, 10, 160, 200}, 802);
  ASSERT_TRUE(combo.SubclassWindow(c));
  combo.AddString("Travel & Events");
  combo.SetCurSel(0);
  RECT face;
  GetClientRect(c, &face);
  // Inside the border, left of the separator.
  face = {2, 2, face.right - 18, face.bottom - 2};
  const std::vector<testkit::InkRun> runs = testkit::InkRuns(c, face, Pixel(c, 3, 3));
  // "Travel", "&", "Events": the middle one a glyph of its own height, no underscore under a blank.
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_GE(runs[1].bottom - runs[1].top, 5);
  combo.UnsubclassWindow();
}

TEST_F(SkinCombos, MissingBitmapDrawsNoArrowButStillWorks) {
  CSkinComboBox combo(ui_, 4242);
  HWND c = Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST, {10, 10, 160, 200}, 802);
  ASSERT_TRUE(combo.SubclassWindow(c));
  combo.AddString("PAL");
  combo.SetCurSel(0);
  RECT r;
  GetClientRect(c, &r);
  EXPECT_EQ(Pixel(c, r.right - 8, r.bottom / 2), RGB(255, 255, 255));
  combo.UnsubclassWindow();
}

using SkinSpins = WidgetTest;

TEST_F(SkinSpins, HalvesFollowTheMouseAndStepsReachTheParent) {
  CSkinSpinButton spin(ui_, IDB_SKIN_SPIN);
  HWND s = Make(UPDOWN_CLASS, "", 0, {200, 10, 216, 34}, 901);
  ASSERT_TRUE(spin.SubclassWindow(s));
  spin.SetRange32(0, 10);
  spin.SetPos32(5);
  // Away from the mouse both halves are normal (strip frame 0).
  EXPECT_EQ(Pixel(s, 8, 6), StripPixel(IDB_SKIN_SPIN, 8, 6));
  EXPECT_EQ(Pixel(s, 8, 18), StripPixel(IDB_SKIN_SPIN, 8, 18));
  // Over the upper half only it lights (strip frame 1).
  Move(s, 8, 3);
  EXPECT_EQ(spin.GetZone(), skin::kSpinZoneUpper);
  EXPECT_EQ(Pixel(s, 8, 6), StripPixel(IDB_SKIN_SPIN, 16 + 8, 6));
  EXPECT_EQ(Pixel(s, 8, 18), StripPixel(IDB_SKIN_SPIN, 8, 18));
  Move(s, 8, 20);
  EXPECT_EQ(spin.GetZone(), skin::kSpinZoneLower);
  EXPECT_EQ(Pixel(s, 8, 18), StripPixel(IDB_SKIN_SPIN, 16 + 8, 18));
  // A click on the upper half steps through the control's own notification.
  Click(s, 8, 3);
  bool delta = false;
  for (const Event& e : Of(WM_NOTIFY)) delta |= e.id == 901 && e.code == static_cast<UINT>(UDN_DELTAPOS);
  EXPECT_TRUE(delta);
  // Disabled: both halves show the disabled face whatever the zone.
  EnableWindow(s, FALSE);
  EXPECT_EQ(Pixel(s, 8, 6), StripPixel(IDB_SKIN_SPIN, 48 + 8, 6));
  EXPECT_EQ(Pixel(s, 8, 18), StripPixel(IDB_SKIN_SPIN, 48 + 8, 18));
  spin.UnsubclassWindow();
}

}  // namespace
}  // namespace widgettest
