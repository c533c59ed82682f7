#include "storyboard_view.h"

#include <algorithm>

#include "frame_bitmap.h"
#include "pack_view_parts.h"
#include "platform/controls/commctrl.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"
#include "platform/window/owner_draw.h"
#include "platform/window/window.h"

namespace studio::packs {
namespace {

constexpr const char* kClassName = "VidarroEditorPack";
constexpr int kGap = 8;
constexpr int kRowHeight = 24;
constexpr int kThumbWidth = 80, kThumbHeight = 60;
constexpr int kCellWidth = 132, kCellHeight = kThumbHeight + 44;
constexpr size_t kNameShown = 40;

// A long name keeps its start and its end, so clips of one series stay apart.
std::string ShownName(const std::string& name) {
  if (name.size() <= kNameShown) return name;
  return name.substr(0, kNameShown / 2 - 2) + "..." + name.substr(name.size() - (kNameShown / 2 - 1));
}

// The frame a clip shows until its picture arrives.
HBITMAP EmptyFrame() {
  return BitmapFromFrameImage(PaintedFrameImage(kThumbWidth, kThumbHeight, [](int x, int y) {
    const bool edge = x < 1 || y < 1 || x >= kThumbWidth - 1 || y >= kThumbHeight - 1;
    const std::uint8_t shade = edge ? 160 : 64;
    return Bgr{shade, shade, shade};
  }));
}

}  // namespace

StoryboardView::~StoryboardView() { Destroy(); }

bool StoryboardView::Create(DWORD style, const RECT& area, HWND parent) {
  if (window_) return false;
  InitCommonControls();
  RegisterPackViewClass(kClassName, &StoryboardView::Proc);
  window_ = CreateWindowEx(0, kClassName, "Storyboard", style | WS_CLIPCHILDREN, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent, nullptr, nullptr, nullptr);
  if (!window_) return false;
  SetWindowLongPtr(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  const struct {
    int id;
    const char* text;
  } buttons[] = {{kAddId, "Add..."},   {kRemoveId, "Remove"}, {kEarlierId, "Move Left"},    {kLaterId, "Move Right"},
                 {kTrimId, "Trim..."}, {kSplitId, "Split"},   {kInfoId, "File Information"}};
  for (const auto& button : buttons) PackChild(WC_BUTTON, button.text, BS_PUSHBUTTON | WS_TABSTOP, button.id, window_);
  PackChild(WC_STATIC, "Picture length (s):", SS_RIGHT, kPictureLabelId, window_);
  PackChild(WC_EDIT, "5", ES_NUMBER | ES_RIGHT | WS_TABSTOP, kPictureEditId, window_, WS_EX_CLIENTEDGE);
  HWND spin = PackChild(UPDOWN_CLASS, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, kPictureSpinId, window_);
  HWND list = PackChild(WC_LISTVIEW, "", LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | WS_TABSTOP,
                        kListId, window_, WS_EX_CLIENTEDGE);
  PackChild(
      WC_STATIC,
      "\n\n\n\nThe storyboard is empty.\n\nDrag clips here from the clip list, or click Add... to choose video files "
      "and "
      "pictures.",
      SS_CENTER, kEmptyId, window_, WS_EX_CLIENTEDGE);
  PackChild(WC_STATIC, "", SS_LEFT, kTotalId, window_);
  PackChild(WC_STATIC, "", SS_LEFT, kStatusId, window_);
  PackChild(PROGRESS_CLASS, "", 0, kBarId, window_);
  PackChild(WC_BUTTON, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, kCancelId, window_);
  SendMessage(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(window_, kPictureEditId)), 0);
  SendMessage(spin, UDM_SETRANGE32, 1, 600);
  SendDlgItemMessage(window_, kBarId, PBM_SETRANGE32, 0, 100);
  images_ = ImageList_Create(kThumbWidth, kThumbHeight, ILC_COLOR24, 16, 16);
  if (HBITMAP empty = EmptyFrame()) {
    ImageList_Add(images_, empty, nullptr);
    DeleteObject(empty);
  }
  SendMessage(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
  SendMessage(list, LVM_SETICONSPACING, 0, MAKELONG(kCellWidth, kCellHeight));
  SetPictureSeconds(5);
  EndRender("");
  SetRows({}, -1);
  Layout();
  return true;
}

void StoryboardView::Destroy() {
  if (!window_) return;
  SetWindowLongPtr(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_);
  window_ = nullptr;
  if (images_) ImageList_Destroy(images_);
  images_ = nullptr;
  imageOf_.clear();
  freeImages_.clear();
}

HWND StoryboardView::List() const { return window_ ? GetDlgItem(window_, kListId) : nullptr; }

void StoryboardView::Move(const RECT& area) {
  if (window_) MoveWindow(window_, area.left, area.top, area.right - area.left, area.bottom - area.top, TRUE);
}

void StoryboardView::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  int x = kGap;
  for (int id = kAddId; id <= kInfoId; ++id) {
    const int width = id == kInfoId ? 112 : id == kEarlierId || id == kLaterId ? 84 : 70;
    MoveWindow(GetDlgItem(window_, id), x, kGap, width, kRowHeight, TRUE);
    x += width + 4;
  }
  const int right = client.right - kGap;
  MoveWindow(GetDlgItem(window_, kPictureEditId), right - 60, kGap, 44, kRowHeight, TRUE);
  MoveWindow(GetDlgItem(window_, kPictureSpinId), right - 16, kGap, 16, kRowHeight, TRUE);
  const int labelLeft = std::max(x, right - 64 - 136);
  MoveWindow(GetDlgItem(window_, kPictureLabelId), labelLeft, kGap + 4, right - 64 - labelLeft, kRowHeight - 4, TRUE);
  const int listTop = kGap * 2 + kRowHeight;
  const int bottomRow = client.bottom - kGap - kRowHeight;
  const int listHeight = std::max(kRowHeight, bottomRow - kGap - listTop);
  MoveWindow(GetDlgItem(window_, kListId), kGap, listTop, client.right - kGap * 2, listHeight, TRUE);
  MoveWindow(GetDlgItem(window_, kEmptyId), kGap, listTop, client.right - kGap * 2, listHeight, TRUE);
  const int half = (client.right - kGap * 3) / 2;
  MoveWindow(GetDlgItem(window_, kTotalId), kGap, bottomRow + 4, half, kRowHeight - 4, TRUE);
  const int cancelWidth = 80, statusWidth = std::min(180, half / 2);
  const int statusLeft = kGap * 2 + half;
  MoveWindow(GetDlgItem(window_, kStatusId), statusLeft, bottomRow + 4, statusWidth, kRowHeight - 4, TRUE);
  MoveWindow(GetDlgItem(window_, kBarId), statusLeft + statusWidth + 4, bottomRow,
             std::max(10, right - cancelWidth - 4 - (statusLeft + statusWidth + 4)), kRowHeight, TRUE);
  MoveWindow(GetDlgItem(window_, kCancelId), right - cancelWidth, bottomRow, cancelWidth, kRowHeight, TRUE);
}

void StoryboardView::SetRows(const std::vector<Row>& rows, int selected) {
  if (!window_) return;
  HWND list = List();
  SendMessage(list, WM_SETREDRAW, FALSE, 0);
  SendMessage(list, LVM_DELETEALLITEMS, 0, 0);
  rowIds_.clear();
  rowTrimmable_.clear();
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    std::string text = ShownName(row.name) + "\n" + (row.length.empty() ? std::string("reading...") : row.length);
    const auto image = imageOf_.find(row.id);
    LVITEM item;
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = text.data();
    item.iImage = image == imageOf_.end() ? 0 : image->second;
    SendMessage(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    rowIds_.push_back(row.id);
    rowTrimmable_.push_back(row.trimmable);
  }
  if (selected >= 0 && selected < static_cast<int>(rows.size())) {
    LVITEM chosen;
    chosen.state = chosen.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessage(list, LVM_SETITEMSTATE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&chosen));
    SendMessage(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(selected), FALSE);
  }
  SendMessage(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  ShowWindow(list, rows.empty() ? SW_HIDE : SW_SHOW);
  ShowWindow(GetDlgItem(window_, kEmptyId), rows.empty() ? SW_SHOW : SW_HIDE);
  EnableEditing();
}

void StoryboardView::SetThumbnail(std::uint64_t id, const std::vector<std::uint8_t>& image) {
  if (!window_) return;
  HBITMAP bitmap = BitmapFromFrameImage(image);
  if (!bitmap) return;
  auto known = imageOf_.find(id);
  int index = -1;
  if (known != imageOf_.end()) {
    index = known->second;
    ImageList_Replace(images_, index, bitmap, nullptr);
  } else if (!freeImages_.empty()) {
    index = freeImages_.back();
    freeImages_.pop_back();
    ImageList_Replace(images_, index, bitmap, nullptr);
  } else {
    index = ImageList_Add(images_, bitmap, nullptr);
  }
  DeleteObject(bitmap);
  if (index < 0) return;
  imageOf_[id] = index;
  const auto row = std::find(rowIds_.begin(), rowIds_.end(), id);
  if (row == rowIds_.end()) return;
  LVITEM item;
  item.mask = LVIF_IMAGE;
  item.iItem = static_cast<int>(row - rowIds_.begin());
  item.iImage = index;
  SendMessage(List(), LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

void StoryboardView::ForgetThumbnail(std::uint64_t id) {
  const auto known = imageOf_.find(id);
  if (known == imageOf_.end()) return;
  freeImages_.push_back(known->second);
  imageOf_.erase(known);
}

void StoryboardView::SetTotal(const std::string& text) {
  if (window_) SetDlgItemText(window_, kTotalId, text.c_str());
}

int StoryboardView::Selected() const {
  if (!window_) return -1;
  return static_cast<int>(SendMessage(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int StoryboardView::DropIndexAt(POINT point) const {
  HWND list = List();
  if (!list || !IsWindowVisible(list)) return -1;
  MapWindowPoints(window_, list, &point, 1);
  LVHITTESTINFO hit;
  hit.pt = point;
  return static_cast<int>(SendMessage(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void StoryboardView::SetPictureSeconds(int seconds) {
  if (!window_) return;
  settingPicture_ = true;
  SetDlgItemInt(window_, kPictureEditId, static_cast<UINT>(seconds), FALSE);
  settingPicture_ = false;
}

int StoryboardView::PictureSeconds() const {
  if (!window_) return 0;
  BOOL number = FALSE;
  const UINT seconds = GetDlgItemInt(window_, kPictureEditId, &number, FALSE);
  return number ? static_cast<int>(std::min<UINT>(seconds, 3600)) : 0;
}

void StoryboardView::ShowRender(const std::string& text, int percent) {
  if (!window_) return;
  rendering_ = true;
  SetDlgItemText(window_, kStatusId, text.c_str());
  SendDlgItemMessage(window_, kBarId, PBM_SETPOS, static_cast<WPARAM>(std::clamp(percent, 0, 100)), 0);
  for (int id : {kStatusId, kBarId, kCancelId}) ShowWindow(GetDlgItem(window_, id), SW_SHOW);
  EnableEditing();
}

void StoryboardView::EndRender(const std::string& text) {
  if (!window_) return;
  rendering_ = false;
  SetDlgItemText(window_, kStatusId, text.c_str());
  for (int id : {kBarId, kCancelId}) ShowWindow(GetDlgItem(window_, id), SW_HIDE);
  ShowWindow(GetDlgItem(window_, kStatusId), text.empty() ? SW_HIDE : SW_SHOW);
  EnableEditing();
}

void StoryboardView::EnableEditing() {
  const int selected = Selected();
  const bool chosen = !rendering_ && selected >= 0;
  const int last = static_cast<int>(rowIds_.size()) - 1;
  EnableWindow(GetDlgItem(window_, kAddId), !rendering_);
  EnableWindow(GetDlgItem(window_, kRemoveId), chosen);
  EnableWindow(GetDlgItem(window_, kEarlierId), chosen && selected > 0);
  EnableWindow(GetDlgItem(window_, kLaterId), chosen && selected < last);
  const bool trimmable = chosen && static_cast<size_t>(selected) < rowTrimmable_.size() && rowTrimmable_[selected];
  EnableWindow(GetDlgItem(window_, kTrimId), trimmable);
  EnableWindow(GetDlgItem(window_, kSplitId), trimmable);
  EnableWindow(GetDlgItem(window_, kInfoId), selected >= 0);
  EnableWindow(GetDlgItem(window_, kPictureEditId), !rendering_);
  EnableWindow(GetDlgItem(window_, kPictureSpinId), !rendering_);
}

void StoryboardView::EndDrag(POINT point, bool drop) {
  const int from = dragFrom_;
  dragFrom_ = -1;
  ReleaseCapture();
  if (!drop || from < 0 || rowIds_.empty()) return;
  HWND list = List();
  MapWindowPoints(window_, list, &point, 1);
  RECT area{};
  GetClientRect(list, &area);
  if (!PtInRect(&area, point)) return;
  LVHITTESTINFO hit;
  hit.pt = point;
  int to = static_cast<int>(SendMessage(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  // Past the last clip, or below the row: the end of the storyboard.
  if (to < 0) to = static_cast<int>(rowIds_.size()) - 1;
  if (to != from && onMove) onMove(from, to);
}

LRESULT StoryboardView::Notified(const NMHDR* header) {
  if (static_cast<int>(header->idFrom) != kListId) return 0;
  const auto* item = reinterpret_cast<const NMLISTVIEW*>(header);
  switch (header->code) {
    case LVN_ITEMCHANGED: EnableEditing(); break;
    case LVN_BEGINDRAG:
      if (!rendering_ && item->iItem >= 0) {
        dragFrom_ = item->iItem;
        SetCapture(window_);
      }
      break;
    case NM_DBLCLK:
      if (!rendering_ && item->iItem >= 0 && onCommand) onCommand(kTrimId);
      break;
    case LVN_KEYDOWN:
      if (!rendering_ && reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE && Selected() >= 0 &&
          onCommand)
        onCommand(kRemoveId);
      break;
    default: break;
  }
  return 0;
}

LRESULT StoryboardView::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<StoryboardView*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (view) {
    switch (msg) {
      case WM_SIZE: view->Layout(); break;
      case WM_NOTIFY: return view->Notified(reinterpret_cast<const NMHDR*>(lParam));
      case WM_CTLCOLORSTATIC:
        // The empty storyboard looks like the row the clips will fill.
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, kEmptyId)) {
          SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
          return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
      case WM_LBUTTONUP:
      case WM_CAPTURECHANGED:
        if (view->dragFrom_ >= 0) {
          POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
          view->EndDrag(point, msg == WM_LBUTTONUP);
        }
        return 0;
      case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == kPictureEditId) {
          if (HIWORD(wParam) == EN_CHANGE && !view->settingPicture_ && view->onCommand) view->onCommand(id);
          return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED && id >= kAddId && id <= kCancelId && view->onCommand) view->onCommand(id);
        return 0;
      }
      default:
        if (msg >= WM_APP && msg < WM_APP + 16 && view->onMessage) {
          view->onMessage(msg);
          return 0;
        }
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace studio::packs
