#include "platform/propertyframe/driver_control_rows.h"

#include <string>

#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"

namespace platform::propertyframe {

namespace {
constexpr int kRowHeight = 26;
}  // namespace

HWND DriverControlRows::Add(const char* className, const char* text, DWORD style, int x, int y, int cx, int cy,
                            int id) {
  HWND w = CreateWindowEx(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, page_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  if (w) SendMessage(w, WM_SETFONT, SendMessage(page_, WM_GETFONT, 0, 0), FALSE);
  return w;
}

bool DriverControlRows::Create(HWND page, IVidarroDriverControls* driver, int top) {
  page_ = page;
  driver_ = driver;
  controls_.clear();
  kept_.clear();
  if (!driver || FAILED(driver->GetDriverControls(&controls_))) controls_.clear();
  int y = top;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const DriverControl& c = controls_[i];
    std::int32_t value = c.defaultValue;
    if (c.kind != DriverControl::Kind::Button) driver->GetDriverControl(c.id, &value);
    kept_.push_back(value);
    const int id = kWidgetBase + static_cast<int>(i);
    if (c.kind != DriverControl::Kind::Boolean && c.kind != DriverControl::Kind::Button)
      Add(WC_STATIC, c.name.c_str(), SS_LEFT, 10, y + 4, 140, 16, -1);
    switch (c.kind) {
      case DriverControl::Kind::Integer: {
        HWND slider = Add(TRACKBAR_CLASS, "", WS_TABSTOP | TBS_HORZ, 150, y, 180, 24, id);
        SendMessage(slider, TBM_SETRANGEMIN, FALSE, c.min);
        SendMessage(slider, TBM_SETRANGEMAX, FALSE, c.max);
        SendMessage(slider, TBM_SETLINESIZE, 0, c.step);
        SendMessage(slider, TBM_SETPOS, TRUE, value);
        Add(WC_STATIC, std::to_string(value).c_str(), SS_LEFT, 335, y + 4, 55, 16, kValueBase + static_cast<int>(i));
        break;
      }
      case DriverControl::Kind::Boolean: {
        HWND box = Add(WC_BUTTON, c.name.c_str(), WS_TABSTOP | BS_AUTOCHECKBOX, 10, y + 2, 320, 20, id);
        SendMessage(box, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      }
      case DriverControl::Kind::Menu: {
        HWND list = Add(WC_COMBOBOX, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 150, y, 180, 200, id);
        for (std::size_t m = 0; m < c.menu.size(); ++m) {
          SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.menu[m].second.c_str()));
          if (c.menu[m].first == value) SendMessage(list, CB_SETCURSEL, m, 0);
        }
        break;
      }
      case DriverControl::Kind::Button:
        Add(WC_BUTTON, c.name.c_str(), WS_TABSTOP | BS_PUSHBUTTON, 10, y, 180, 23, id);
        break;
    }
    y += kRowHeight;
  }
  RefreshStates();
  return !controls_.empty();
}

bool DriverControlRows::OnSlider(HWND slider) {
  const int row = GetDlgCtrlID(slider) - kWidgetBase;
  if (row < 0 || row >= static_cast<int>(controls_.size())) return false;
  if (controls_[static_cast<std::size_t>(row)].kind != DriverControl::Kind::Integer) return false;
  return Set(static_cast<std::size_t>(row), static_cast<std::int32_t>(SendMessage(slider, TBM_GETPOS, 0, 0)));
}

bool DriverControlRows::OnCommand(int id, int code) {
  const int row = id - kWidgetBase;
  if (row < 0 || row >= static_cast<int>(controls_.size())) return false;
  const auto r = static_cast<std::size_t>(row);
  HWND w = GetDlgItem(page_, id);
  switch (controls_[r].kind) {
    case DriverControl::Kind::Boolean:
      return code == BN_CLICKED && Set(r, SendMessage(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
    case DriverControl::Kind::Menu: {
      if (code != CBN_SELCHANGE) return false;
      const auto m = SendMessage(w, CB_GETCURSEL, 0, 0);
      return m >= 0 && m < static_cast<LRESULT>(controls_[r].menu.size()) &&
             Set(r, controls_[r].menu[static_cast<std::size_t>(m)].first);
    }
    case DriverControl::Kind::Button:
      // An action is done when pressed; there is nothing to put back.
      if (code == BN_CLICKED) driver_->SetDriverControl(controls_[r].id, 1);
      return false;
    default: return false;
  }
}

bool DriverControlRows::Set(std::size_t row, std::int32_t value) {
  std::int32_t now = 0;
  if (driver_->GetDriverControl(controls_[row].id, &now) == S_OK && now == value) return false;
  if (FAILED(driver_->SetDriverControl(controls_[row].id, value))) {
    // The driver said no: the widget shows what it has.
    if (driver_->GetDriverControl(controls_[row].id, &now) == S_OK) ShowValue(row, now);
    return false;
  }
  ShowValue(row, value);
  RefreshStates();
  return true;
}

void DriverControlRows::ShowValue(std::size_t row, std::int32_t value) {
  const int id = kWidgetBase + static_cast<int>(row);
  const DriverControl& c = controls_[row];
  switch (c.kind) {
    case DriverControl::Kind::Integer:
      SendDlgItemMessage(page_, id, TBM_SETPOS, TRUE, value);
      SetDlgItemText(page_, kValueBase + static_cast<int>(row), std::to_string(value).c_str());
      break;
    case DriverControl::Kind::Boolean:
      SendDlgItemMessage(page_, id, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case DriverControl::Kind::Menu:
      for (std::size_t m = 0; m < c.menu.size(); ++m)
        if (c.menu[m].first == value) SendDlgItemMessage(page_, id, CB_SETCURSEL, m, 0);
      break;
    case DriverControl::Kind::Button: break;
  }
}

// A control another makes inactive (a gain while its Auto is on) is greyed, as the driver says.
void DriverControlRows::RefreshStates() {
  std::vector<DriverControl> now;
  if (FAILED(driver_->GetDriverControls(&now))) return;
  for (std::size_t i = 0; i < controls_.size(); ++i)
    for (const auto& n : now)
      if (n.id == controls_[i].id)
        EnableWindow(GetDlgItem(page_, kWidgetBase + static_cast<int>(i)), !n.readOnly && !n.inactive);
}

void DriverControlRows::Keep() {
  for (std::size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i].kind != DriverControl::Kind::Button) driver_->GetDriverControl(controls_[i].id, &kept_[i]);
}

void DriverControlRows::Revert() {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    std::int32_t now = 0;
    if (controls_[i].kind == DriverControl::Kind::Button || controls_[i].readOnly) continue;
    if (driver_->GetDriverControl(controls_[i].id, &now) == S_OK && now != kept_[i])
      driver_->SetDriverControl(controls_[i].id, kept_[i]);
  }
}

}  // namespace platform::propertyframe
