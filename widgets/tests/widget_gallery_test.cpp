// Writes a picture of every skin widget in its states under the build folder, for people to
// look at (build/pictures/widgets/).
#include <filesystem>
#include <memory>

#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_button.h"
#include "widgets/skin_check_box.h"
#include "widgets/skin_combo_box.h"
#include "widgets/skin_label.h"
#include "widgets/skin_scroll_bar.h"
#include "widgets/skin_slider.h"
#include "platform/gdi/objects.h"
#include "platform/window/resources.h"
#include "widgets/tests/widget_harness.h"

namespace widgettest {
namespace {

using Gallery = WidgetTest;

bool Written(const std::string& name) {
  return std::filesystem::file_size(std::string(VIDARRO_PICTURE_DIR) + "/" + name + ".png") > 0;
}

TEST_F(Gallery, ButtonsInEveryState) {
  CSkinButton buttons[5];
  const char* captions[5] = {"Normal", "Hover", "Pressed", "Disabled", "Hovered"};
  for (int i = 0; i < 5; ++i) {
    HWND b = Make(WC_BUTTON, captions[i], BS_PUSHBUTTON, {10 + i * 90, 10, 90 + i * 90, 38}, 100 + i);
    ASSERT_TRUE(buttons[i].SubclassWindow(b));
    ASSERT_TRUE(buttons[i].LoadBitmap(ui_, IDB_SKIN_BUTTON));
    buttons[i].SetShowText(TRUE);
    buttons[i].SetFont("Arial", 14, 500);
  }
  buttons[1].SetState(1);
  buttons[2].SetState(2);
  EnableWindow(buttons[3].m_hWnd, FALSE);
  Move(buttons[4].m_hWnd, 40, 14);  // the live hover look
  WritePicture("skin_buttons");
  EXPECT_TRUE(Written("skin_buttons"));
  for (auto& b : buttons) b.UnsubclassWindow();
}

TEST_F(Gallery, ProgressBarsSlidersAndCheckBoxes) {
  CBitmapProgressBar bars[5];
  const int positions[3] = {0, 50, 100};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(
        bars[i].SubclassWindow(Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 10 + i * 20, 210, 22 + i * 20}, 200 + i)));
    bars[i].LoadBitmap(ui_, IDB_SKIN_PROGRESS);
    bars[i].SetPos(positions[i]);
  }
  ASSERT_TRUE(bars[3].SubclassWindow(Make(WC_BUTTON, "", BS_PUSHBUTTON, {10, 80, 210, 92}, 203)));
  bars[3].LoadBitmap(ui_, IDB_SKIN_PROGRESS_MARK);
  bars[3].SetMode(CBitmapProgressBar::kMarked);
  bars[3].SetRangeAndMark(0, 100, 60);
  bars[3].SetPos(80);
  ASSERT_TRUE(bars[4].SubclassWindow(Make(WC_BUTTON, "", BS_PUSHBUTTON, {230, 10, 242, 130}, 204)));
  bars[4].LoadBitmap(ui_, IDB_SKIN_PROGRESS_VERTICAL);
  bars[4].SetMode(CBitmapProgressBar::kVertical);
  bars[4].SetPos(70);

  CSkinSlider sliders[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(
        sliders[i].SubclassWindow(Make(WC_STATIC, "", SS_NOTIFY, {260, 10 + i * 24, 280, 26 + i * 24}, 300 + i)));
    sliders[i].SetChannelBitmaps(ui_, IDB_SKIN_SLIDER_CHANNEL, IDB_SKIN_SLIDER_FILLED, TRUE, SKIN_KEY_FROM_PIXEL);
    sliders[i].SetThumbBitmaps(ui_, IDB_SKIN_SLIDER_THUMB, IDB_SKIN_SLIDER_THUMB_DRAG, TRUE, SKIN_KEY_FROM_PIXEL);
    sliders[i].SetPos(i * 45 + 5);
  }
  sliders[2].EnableTracking(FALSE);

  std::unique_ptr<CSkinCheckBox> boxes[4];
  const char* labels[4] = {"Unchecked", "Checked", "Disabled", "Disabled, checked"};
  for (int i = 0; i < 4; ++i) {
    boxes[i] = std::make_unique<CSkinCheckBox>(ui_, IDB_SKIN_CHECKBOX, 13);
    ASSERT_TRUE(boxes[i]->SubclassWindow(
        Make(WC_BUTTON, labels[i], BS_AUTOCHECKBOX, {10, 150 + i * 22, 200, 170 + i * 22}, 400 + i)));
  }
  SendMessage(boxes[1]->m_hWnd, BM_SETCHECK, 1, 0);
  EnableWindow(boxes[2]->m_hWnd, FALSE);
  EnableWindow(boxes[3]->m_hWnd, FALSE);
  SendMessage(boxes[3]->m_hWnd, BM_SETCHECK, 1, 0);
  for (auto& b : bars) b.Invalidate();
  WritePicture("skin_bars_sliders_boxes");
  // The pressed check box.
  Down(boxes[0]->m_hWnd, 5, 10);
  WritePicture("skin_check_box_pressed");
  Up(boxes[0]->m_hWnd, 5, 10);
  EXPECT_TRUE(Written("skin_bars_sliders_boxes"));
  for (auto& b : bars) b.UnsubclassWindow();
  for (auto& s : sliders) s.UnsubclassWindow();
  for (auto& b : boxes) b->UnsubclassWindow();
}

TEST_F(Gallery, CombosSpinsLabelsAndScrollBars) {
  std::unique_ptr<CSkinComboBox> combos[2];
  for (int i = 0; i < 2; ++i) {
    combos[i] = std::make_unique<CSkinComboBox>(ui_, IDB_SKIN_COMBO_ARROW);
    ASSERT_TRUE(
        combos[i]->SubclassWindow(Make(WC_COMBOBOX, "", CBS_DROPDOWNLIST, {10, 10 + i * 30, 170, 200}, 500 + i)));
    combos[i]->AddString(i ? "Disabled" : "DVD (NTSC)");
    combos[i]->SetCurSel(0);
  }
  EnableWindow(combos[1]->m_hWnd, FALSE);
  std::unique_ptr<CSkinSpinButton> spins[2];
  for (int i = 0; i < 2; ++i) {
    spins[i] = std::make_unique<CSkinSpinButton>(ui_, IDB_SKIN_SPIN);
    ASSERT_TRUE(spins[i]->SubclassWindow(Make(UPDOWN_CLASS, "", 0, {190 + i * 30, 10, 206 + i * 30, 34}, 600 + i)));
  }
  EnableWindow(spins[1]->m_hWnd, FALSE);
  Move(spins[0]->m_hWnd, 8, 3);
  CSkinLabel label;
  ASSERT_TRUE(label.SubclassWindow(Make(WC_STATIC, "www.example.org", SS_NOTIFY, {10, 80, 200, 100}, 700)));
  label.SetTextColor(RGB(30, 90, 200)).SetFontUnderline(TRUE).SetFontSize(14);
  HWND list = Make(WC_LISTBOX, "", WS_VSCROLL | WS_BORDER | LBS_NOINTEGRALHEIGHT, {260, 10, 460, 140}, 800);
  for (int i = 0; i < 40; ++i) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Clip"));
  UpdateWindow(list);
  HBITMAP skin = LoadBitmap(ui_, MAKEINTRESOURCE(IDB_SKIN_SCROLLBAR));
  ASSERT_NE(CSkinScrollBarFrame::Attach(list, skin), nullptr);
  WritePicture("skin_combos_spins_labels_scrollbars");
  EXPECT_TRUE(Written("skin_combos_spins_labels_scrollbars"));
  for (auto& c : combos) c->UnsubclassWindow();
  for (auto& s : spins) s->UnsubclassWindow();
  label.UnsubclassWindow();
  parent_.DestroyWindow();
  DeleteObject(skin);
}

}  // namespace
}  // namespace widgettest
