#include "burn_view.h"

#include <algorithm>
#include <cstdlib>

#include "pack_view_parts.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/sys_colors.h"
#include "platform/window/dialog.h"
#include "platform/window/window.h"

namespace studio::packs {
namespace {

constexpr const char* kClassName = "VidarroBurnerPack";
constexpr int kGap = 10;
constexpr int kRow = 24;
constexpr int kLabel = 18;
constexpr int kButtonWidth = 96;
constexpr int kComboDrop = 160;  // a combo's window holds its dropped list
// Static labels that only name the control below or beside them.
constexpr int kTitlesLabelId = 2230;
constexpr int kNameLabelId = 2231;
constexpr int kKindLabelId = 2232;
constexpr int kWriterLabelId = 2233;
constexpr int kChaptersLabelId = 2234;
constexpr int kChaptersUnitId = 2235;
constexpr int kTitleNameLabelId = 2236;

void Place(HWND control, int x, int y, int width, int height) {
  if (control) MoveWindow(control, x, y, std::max(1, width), std::max(1, height), TRUE);
}

}  // namespace

BurnView::~BurnView() { Destroy(); }

HWND BurnView::Item(int id) const { return window_ ? GetDlgItem(window_, id) : nullptr; }

bool BurnView::Create(DWORD style, const RECT& area, HWND parent) {
  if (window_) return false;
  RegisterPackViewClass(kClassName, &BurnView::Proc);
  window_ = CreateWindowEx(0, kClassName, "Burn", style | WS_CLIPCHILDREN, area.left, area.top, area.right - area.left,
                           area.bottom - area.top, parent, nullptr, nullptr, nullptr);
  if (!window_) return false;
  SetWindowLongPtr(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  PackChild(WC_STATIC, "Titles on the disc, in play order", SS_LEFT, kTitlesLabelId, window_);
  PackChild("LISTBOX", "Titles", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, kTitlesId, window_);
  PackChild(WC_BUTTON, "Add...", BS_PUSHBUTTON | WS_TABSTOP, kAddId, window_);
  PackChild(WC_BUTTON, "Move Up", BS_PUSHBUTTON | WS_TABSTOP, kUpId, window_);
  PackChild(WC_BUTTON, "Move Down", BS_PUSHBUTTON | WS_TABSTOP, kDownId, window_);
  PackChild(WC_BUTTON, "Remove", BS_PUSHBUTTON | WS_TABSTOP, kRemoveId, window_);
  PackChild(WC_STATIC, "Disc name", SS_LEFT, kNameLabelId, window_);
  HWND name = PackChild(WC_EDIT, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kNameId, window_);
  SendMessage(name, EM_LIMITTEXT, 32, 0);
  PackChild(WC_STATIC, "Disc kind", SS_LEFT, kKindLabelId, window_);
  PackChild(WC_STATIC, "TV system: NTSC", SS_RIGHT | SS_NOPREFIX, kSystemId, window_);
  PackChild(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, kKindId, window_);
  PackChild(WC_STATIC, "Writer", SS_LEFT, kWriterLabelId, window_);
  PackChild(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, kWriterId, window_);
  PackChild(WC_STATIC, "", SS_LEFT, kMediumId, window_);
  PackChild(WC_STATIC, "Chapters every", SS_LEFT, kChaptersLabelId, window_);
  HWND chapters = PackChild(WC_EDIT, "0", WS_BORDER | WS_TABSTOP | ES_NUMBER, kChaptersId, window_);
  SendMessage(chapters, EM_LIMITTEXT, 3, 0);
  PackChild(WC_STATIC, "minutes (0 = none)", SS_LEFT, kChaptersUnitId, window_);
  PackChild(WC_STATIC, "Title name", SS_LEFT, kTitleNameLabelId, window_);
  HWND titleName = PackChild(WC_EDIT, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | WS_DISABLED, kTitleNameId, window_);
  SendMessage(titleName, EM_LIMITTEXT, 80, 0);
  PackChild(WC_STATIC, "", SS_LEFT, kSizeId, window_);
  PackChild(PROGRESS_CLASS, "", 0, kMeterId, window_);
  PackChild(WC_BUTTON, "Burn", BS_DEFPUSHBUTTON | WS_TABSTOP, kBurnId, window_);
  // One line under the bar's label: a long reason (a title's path) ends in "..." instead of running
  // under the bar; its message box holds it whole. Names with "&" show as they are.
  PackChild(WC_STATIC, kReadyText, SS_LEFT | SS_ENDELLIPSIS | SS_NOPREFIX, kPhaseId, window_);
  PackChild(PROGRESS_CLASS, "", 0, kBarId, window_);
  HWND cancel = PackChild(WC_BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancelId, window_);
  SendDlgItemMessage(window_, kBarId, PBM_SETRANGE32, 0, 100);
  SendDlgItemMessage(window_, kMeterId, PBM_SETRANGE32, 0, 100);
  EnableWindow(cancel, FALSE);
  Layout();
  return true;
}

void BurnView::Destroy() {
  if (!window_) return;
  SetWindowLongPtr(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
}

void BurnView::Move(const RECT& area) {
  if (window_) MoveWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void BurnView::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = client.right - kGap * 2;
  // Bottom up: the burn's progress, then the size meter with the Burn button.
  const int barTop = client.bottom - kGap - kRow;
  const int phaseTop = barTop - kLabel - 4;
  const int meterTop = phaseTop - kGap - kRow;
  const int sizeTop = meterTop - kLabel - 2;
  Place(Item(kPhaseId), kGap, phaseTop, width, kLabel);
  Place(Item(kBarId), kGap, barTop, width - kButtonWidth - kGap, kRow);
  Place(Item(kCancelId), client.right - kGap - kButtonWidth, barTop, kButtonWidth, kRow);
  Place(Item(kSizeId), kGap, sizeTop, width - kButtonWidth - kGap, kLabel);
  Place(Item(kMeterId), kGap, meterTop, width - kButtonWidth - kGap, kRow);
  Place(Item(kBurnId), client.right - kGap - kButtonWidth, sizeTop, kButtonWidth, meterTop + kRow - sizeTop);

  // Above: the titles on the left, the disc's settings on the right.
  const int settingsWidth = std::clamp(width * 2 / 5, 180, 300);
  const int listWidth = std::max(60, width - settingsWidth - kGap * 2);
  const int bottom = sizeTop - kGap;
  Place(Item(kTitlesLabelId), kGap, kGap, listWidth, kLabel);
  const int buttonsTop = bottom - kRow;
  Place(Item(kTitlesId), kGap, kGap + kLabel + 2, listWidth, buttonsTop - kGap / 2 - (kGap + kLabel + 2));
  const int buttonWidth = (listWidth - kGap / 2 * 3) / 4;
  int x = kGap;
  for (const int id : {kAddId, kUpId, kDownId, kRemoveId}) {
    Place(Item(id), x, buttonsTop, buttonWidth, kRow);
    x += buttonWidth + kGap / 2;
  }
  const int left = kGap + listWidth + kGap * 2;
  int y = kGap;
  const auto labelled = [&](int label, int control, int height) {
    Place(Item(label), left, y, settingsWidth, kLabel);
    Place(Item(control), left, y + kLabel + 2, settingsWidth, height);
    y += kLabel + 2 + kRow + kGap;
  };
  labelled(kNameLabelId, kNameId, kRow);
  // The TV system shares the kind's label row, on its right.
  const int kindTop = y;
  labelled(kKindLabelId, kKindId, kComboDrop);
  Place(Item(kKindLabelId), left, kindTop, settingsWidth / 2, kLabel);
  Place(Item(kSystemId), left + settingsWidth / 2, kindTop, settingsWidth - settingsWidth / 2, kLabel);
  labelled(kWriterLabelId, kWriterId, kComboDrop);
  Place(Item(kMediumId), left, y - kGap + 2, settingsWidth, kLabel);
  y += kLabel;
  Place(Item(kChaptersLabelId), left, y, settingsWidth, kLabel);
  Place(Item(kChaptersId), left, y + kLabel + 2, 48, kRow);
  Place(Item(kChaptersUnitId), left + 56, y + kLabel + 6, settingsWidth - 56, kLabel);
  y += kLabel + 2 + kRow + kGap;
  labelled(kTitleNameLabelId, kTitleNameId, kRow);
}

void BurnView::SetTitles(const std::vector<std::string>& rows, int selected) {
  HWND list = Item(kTitlesId);
  if (!list) return;
  filling_ = true;
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& row : rows) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  filling_ = false;
}

int BurnView::SelectedTitle() const {
  HWND list = Item(kTitlesId);
  return list ? static_cast<int>(SendMessage(list, LB_GETCURSEL, 0, 0)) : -1;
}

namespace {

void FillCombo(HWND combo, const std::vector<std::string>& names, int selected) {
  if (!combo) return;
  SendMessage(combo, CB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SendMessage(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

}  // namespace

void BurnView::SetKinds(const std::vector<std::string>& names, int selected) {
  filling_ = true;
  FillCombo(Item(kKindId), names, selected);
  filling_ = false;
}

int BurnView::SelectedKind() const {
  HWND combo = Item(kKindId);
  return combo ? static_cast<int>(SendMessage(combo, CB_GETCURSEL, 0, 0)) : -1;
}

void BurnView::SetWriters(const std::vector<std::string>& names, int selected) {
  filling_ = true;
  FillCombo(Item(kWriterId), names, selected);
  filling_ = false;
}

int BurnView::SelectedWriter() const {
  HWND combo = Item(kWriterId);
  return combo ? static_cast<int>(SendMessage(combo, CB_GETCURSEL, 0, 0)) : -1;
}

void BurnView::SetMedium(const std::string& text) {
  if (window_) SetDlgItemText(window_, kMediumId, text.c_str());
}

void BurnView::SetSystem(bool ntsc) {
  if (window_) SetDlgItemText(window_, kSystemId, ntsc ? "TV system: NTSC" : "TV system: PAL");
}

void BurnView::SetDiscName(const std::string& name) {
  if (!window_) return;
  filling_ = true;
  SetDlgItemText(window_, kNameId, name.c_str());
  filling_ = false;
}

std::string BurnView::DiscName() const {
  if (!window_) return {};
  char text[64] = {};
  GetDlgItemText(window_, kNameId, text, sizeof text);
  return text;
}

void BurnView::SetTitleName(const std::string& name, bool offered) {
  if (!window_) return;
  titleNameOffered_ = offered;
  EnableWindow(Item(kTitleNameId), offered);
  // Typing is not interrupted: the same text is not set again under the caret.
  if (TitleName() == name) return;
  filling_ = true;
  SetDlgItemText(window_, kTitleNameId, name.c_str());
  filling_ = false;
}

std::string BurnView::TitleName() const {
  if (!window_) return {};
  char text[128] = {};
  GetDlgItemText(window_, kTitleNameId, text, sizeof text);
  return text;
}

void BurnView::SetChapterMinutes(int minutes) {
  if (!window_) return;
  filling_ = true;
  SetDlgItemText(window_, kChaptersId, std::to_string(minutes).c_str());
  filling_ = false;
}

int BurnView::ChapterMinutes() const {
  if (!window_) return -1;
  char text[16] = {};
  GetDlgItemText(window_, kChaptersId, text, sizeof text);
  if (!*text) return -1;
  for (const char* c = text; *c; ++c)
    if (*c < '0' || *c > '9') return -1;
  return std::atoi(text);
}

void BurnView::SetMeter(int percent, bool over, const std::string& text) {
  if (!window_) return;
  SendDlgItemMessage(window_, kMeterId, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
  // Red once the disc would not fit, the usual colour otherwise.
  SendDlgItemMessage(window_, kMeterId, PBM_SETBARCOLOR, 0, over ? RGB(200, 40, 40) : CLR_DEFAULT);
  SetDlgItemText(window_, kSizeId, text.c_str());
}

void BurnView::SetChaptersOffered(bool offered) {
  chaptersOffered_ = offered;
  if (HWND chapters = Item(kChaptersId)) EnableWindow(chapters, offered && IsWindowEnabled(Item(kBurnId)));
}

void BurnView::SetBurning(bool burning) {
  for (const int id : {kTitlesId, kAddId, kUpId, kDownId, kRemoveId, kNameId, kKindId, kWriterId, kBurnId})
    if (HWND control = Item(id)) EnableWindow(control, !burning);
  if (HWND chapters = Item(kChaptersId)) EnableWindow(chapters, !burning && chaptersOffered_);
  if (HWND name = Item(kTitleNameId)) EnableWindow(name, !burning && titleNameOffered_);
}

void BurnView::ShowProgress(const std::string& phase, int percent) {
  if (!window_) return;
  const std::string text = phase + "... " + std::to_string(percent) + " %";
  SetDlgItemText(window_, kPhaseId, text.c_str());
  SendDlgItemMessage(window_, kBarId, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
  EnableWindow(Item(kCancelId), TRUE);
}

void BurnView::ShowEnd(const std::string& text, bool burned) {
  if (!window_) return;
  SetDlgItemText(window_, kPhaseId, text.c_str());
  SendDlgItemMessage(window_, kBarId, PBM_SETPOS, burned ? 100 : 0, 0);
  EnableWindow(Item(kCancelId), FALSE);
}

LRESULT BurnView::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<BurnView*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (view) {
    if (msg == WM_SIZE) view->Layout();
    if (msg == WM_COMMAND) {
      if (!view->filling_ && view->onCommand) view->onCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    }
    if (msg >= WM_APP && msg < WM_APP + 16 && view->onMessage) {
      view->onMessage(msg);
      return 0;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace studio::packs
