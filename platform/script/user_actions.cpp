#include "platform/script/user_actions.h"

#include <vector>

#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"

namespace platform::script {

HWND UsableControl(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  return control && IsWindowVisible(control) && IsWindowEnabled(control) ? control : nullptr;
}

bool ClickControlOf(HWND parent, int id) {
  HWND control = GetDlgItem(parent, id);
  if (!control) return false;
  ClickWindow(control);
  return true;
}

bool TypeIntoControl(HWND parent, int id, const std::string& text) {
  HWND control = GetDlgItem(parent, id);
  if (!control) return false;
  SetFocus(control);
  SendMessage(control, EM_SETSEL, 0, -1);
  for (char c : text) InjectChar(c);
  return true;
}

bool PressKeyOn(HWND parent, int id, int vk) {
  HWND control = GetDlgItem(parent, id);
  if (!control) return false;
  SetFocus(control);
  InjectKey(vk);
  return true;
}

namespace {

// A list view's rows are chosen by the start of their text: recordings are named by the time
// they were made. The row becomes the only one selected, as a click on it makes it.
LRESULT FindListViewRow(HWND control, const std::string& start) {
  LVFINDINFO find{};
  find.flags = LVFI_STRING | LVFI_PARTIAL;
  find.psz = start.c_str();
  return SendMessage(control, LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find));
}

bool ChooseListViewRow(HWND control, const std::string& start) {
  const LRESULT at = FindListViewRow(control, start);
  if (at < 0) return false;
  LVITEM state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(control, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessage(control, LVM_SETITEMSTATE, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&state));
  SendMessage(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(at), FALSE);
  return true;
}

enum class ListKind { kNone, kListView, kListBox, kComboBox };

ListKind KindOf(HWND control) {
  char name[64] = {};
  GetClassName(control, name, sizeof name);
  if (EqualsNoCase(name, WC_LISTVIEW)) return ListKind::kListView;
  if (EqualsNoCase(name, WC_LISTBOX)) return ListKind::kListBox;
  if (EqualsNoCase(name, WC_COMBOBOX)) return ListKind::kComboBox;
  return ListKind::kNone;
}

// A skinned list sits inside a frame that took its number; the list itself is inside it.
HWND ListOf(HWND control, int id) {
  if (KindOf(control) != ListKind::kNone) return control;
  struct Search {
    int id;
    HWND list;
  } search{id, nullptr};
  EnumChildWindows(
      control,
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (GetDlgCtrlID(h) != s->id || KindOf(h) == ListKind::kNone) return TRUE;
        s->list = h;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.list;
}

}  // namespace

bool ChooseListItem(HWND found, const std::string& item) {
  const int id = found ? GetDlgCtrlID(found) : 0;
  HWND control = found ? ListOf(found, id) : nullptr;
  if (!control) return false;  // no list: nothing can be chosen in it
  const ListKind kind = KindOf(control);
  if (kind == ListKind::kListView) return ChooseListViewRow(control, item);
  const bool combo = kind == ListKind::kComboBox;
  const LRESULT at = SendMessage(control, combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(item.c_str()));
  if (at < 0) return false;
  SendMessage(control, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(at), 0);
  SendMessage(GetParent(control), WM_COMMAND,
              MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(combo ? CBN_SELCHANGE : LBN_SELCHANGE)),
              reinterpret_cast<LPARAM>(control));
  return true;
}

bool DragListRowOnto(HWND found, const std::string& start, HWND target) {
  HWND control = found ? ListOf(found, GetDlgCtrlID(found)) : nullptr;
  if (!control || !target || KindOf(control) != ListKind::kListView || !ChooseListViewRow(control, start)) return false;
  const LRESULT row = FindListViewRow(control, start);
  RECT box{LVIR_BOUNDS, 0, 0, 0};
  if (!SendMessage(control, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&box))) return false;
  POINT from{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  ClientToScreen(control, &from);
  RECT area{};
  GetClientRect(target, &area);
  POINT to{(area.left + area.right) / 2, (area.top + area.bottom) / 2};
  ClientToScreen(target, &to);
  // Past the drag distance while still over the row, then over the target and let go there.
  constexpr int kBeyondDragDistance = 12;
  InjectMouseDown(MouseButton::Left, from);
  InjectMouseMove(POINT{from.x + kBeyondDragDistance, from.y});
  InjectMouseMove(to);
  InjectMouseUp(MouseButton::Left, to);
  return true;
}

std::vector<std::string> ListViewRowTexts(HWND found, const std::string& start) {
  HWND control = found ? ListOf(found, GetDlgCtrlID(found)) : nullptr;
  if (!control || KindOf(control) != ListKind::kListView) return {};
  const LRESULT row = FindListViewRow(control, start);
  if (row < 0) return {};
  auto cell = [&](int column) {
    std::vector<char> text(1024, '\0');
    LVITEM item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    SendMessage(control, LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return std::string(text.data());
  };
  // A list view without columns still shows its rows' own text.
  std::vector<std::string> texts{cell(0)};
  LVCOLUMN column{};
  for (int at = 1; SendMessage(control, LVM_GETCOLUMN, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&column));
       ++at)
    texts.push_back(cell(at));
  return texts;
}

std::string TextOf(HWND hwnd) {
  if (!hwnd) return {};
  std::vector<char> buffer(static_cast<size_t>(GetWindowTextLength(hwnd)) + 1);
  GetWindowText(hwnd, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

}  // namespace platform::script
