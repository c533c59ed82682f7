#include "clip_list_ctrl.h"

#include <algorithm>

#include <string>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/image_list.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/ole/drop_files.h"
#include "platform/window/resources.h"

namespace studio {

BEGIN_MESSAGE_MAP(CClipListCtrl, CListCtrl)
ON_WM_DROPFILES()
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CClipListCtrl::OnCustomDraw)
ON_NOTIFY_REFLECT_EX(LVN_BEGINLABELEDIT, &CClipListCtrl::OnBeginLabelEdit)
END_MESSAGE_MAP()

constexpr COLORREF kTitleColour = RGB(253, 213, 3);
constexpr int kFrameWidth = 3;
constexpr int kIconSpacingX = 110;
constexpr int kIconSpacingY = 100;

const ClipItem* CClipListCtrl::ClipAt(int item) const {
  return item >= 0 && item < GetItemCount() ? reinterpret_cast<const ClipItem*>(GetItemData(item)) : nullptr;
}

int CClipListCtrl::CompareClipItems(LPARAM first, LPARAM second, LPARAM) {
  const auto* a = reinterpret_cast<const ClipItem*>(first);
  const auto* b = reinterpret_cast<const ClipItem*>(second);
  if (!a || !b) return a ? -1 : b ? 1 : 0;  // items without a clip go last
  return studio::CompareClipItems(*a, *b);
}

BOOL CClipListCtrl::SortItems() { return CListCtrl::SortItems(&CClipListCtrl::CompareClipItems, 0); }

BOOL CClipListCtrl::OnBeginLabelEdit(NMHDR* header, LRESULT* result) {
  const auto* info = reinterpret_cast<const NMLVDISPINFO*>(header);
  const auto* clip = reinterpret_cast<const ClipItem*>(info->item.lParam);
  *result = 1;  // nonzero keeps the label
  if (!clip || clip->type != kClipMedia) return TRUE;
  std::string path = clip->path;
  if (!owner_ ||
      ::SendMessage(owner_, WM_CLIP_LIST_REQUEST, kClipListAskFileFree, reinterpret_cast<LPARAM>(&path)) != 1)
    return TRUE;
  if (HWND edit = reinterpret_cast<HWND>(SendMessage(LVM_GETEDITCONTROL))) {
    if (labelEditor_.m_hWnd) labelEditor_.UnsubclassWindow();
    labelEditor_.SubclassWindow(edit);
  }
  *result = 0;
  return TRUE;
}

CClipListCtrl::~CClipListCtrl() {
  if (background_) ::DeleteObject(background_);
}

BOOL CClipListCtrl::SetBackground(HINSTANCE module, UINT bitmapId) {
  if (background_) ::DeleteObject(background_);
  background_ = module ? ::LoadBitmap(module, MAKEINTRESOURCE(bitmapId)) : nullptr;
  return background_ != nullptr;
}

void CClipListCtrl::PreSubclassWindow() {
  CListCtrl::PreSubclassWindow();
  SetBkColor(RGB(0, 0, 0));
  SetTextColor(0xFAFAFA);
  SendMessage(LVM_SETTEXTBKCOLOR, 0, RGB(0, 0, 0));
  SetIconSpacing(kIconSpacingX, kIconSpacingY);
  LOGFONT face{};
  HGDIOBJ gui = ::GetStockObject(DEFAULT_GUI_FONT);
  if (gui && ::GetObject(gui, sizeof(face), &face) > 0) {
    face.lfWeight = 900;
    font_.CreateFontIndirect(&face);
  }
  DragAcceptFiles(TRUE);
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.m_hObject ? font_.m_hObject : gui), TRUE);
}

int ThumbScrollAmount(const SCROLLINFO& info, int clientSize, int newPos) {
  const long long range = static_cast<long long>(info.nMax) + 1;
  if (range <= 0) return 0;
  const long long content = info.nPage == 0 ? clientSize : range * clientSize / static_cast<long long>(info.nPage);
  return static_cast<int>((static_cast<long long>(newPos) - info.nPos) * content / range);
}

LRESULT CClipListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if ((msg == WM_VSCROLL || msg == WM_HSCROLL) && lParam == 0) {
    ::SetFocus(m_hWnd);
    const int code = LOWORD(wParam);
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
      const bool vertical = msg == WM_VSCROLL;
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_ALL;
      RECT client{};
      ::GetClientRect(m_hWnd, &client);
      if (::GetScrollInfo(m_hWnd, vertical ? SB_VERT : SB_HORZ, &info)) {
        // The other axis stays where it is.
        const int amount = ThumbScrollAmount(info, vertical ? client.bottom : client.right, HIWORD(wParam));
        SendMessage(LVM_SCROLL, vertical ? 0 : amount, vertical ? amount : 0);
        return 0;
      }
    }
  }
  return CListCtrl::WindowProc(msg, wParam, lParam);
}

void CClipListCtrl::OnCustomDraw(NMHDR* header, LRESULT* result) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
  *result = CDRF_DODEFAULT;
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
    *result = CDRF_NOTIFYITEMDRAW;
  } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const auto* clip = reinterpret_cast<const ClipItem*>(draw->nmcd.lItemlParam);
    if (!clip || (clip->type == kClipProjectTitle && !background_)) {
      *result = CDRF_NOTIFYITEMDRAW;
    } else if (clip->type == kClipProjectTitle) {
      DrawProjectTitle(draw->nmcd.hdc, static_cast<int>(draw->nmcd.dwItemSpec), draw->nmcd.uItemState);
      *result = CDRF_SKIPDEFAULT;
    }
  }
}

void CClipListCtrl::DrawProjectTitle(HDC dc, int item, UINT state) {
  RECT bounds{}, icon{}, label{};
  GetItemRect(item, &bounds, LVIR_BOUNDS);
  GetItemRect(item, &icon, LVIR_ICON);
  GetItemRect(item, &label, LVIR_LABEL);
  HDC source = ::CreateCompatibleDC(dc);
  HGDIOBJ old = ::SelectObject(source, background_);
  ::BitBlt(dc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, source, bounds.left,
           bounds.top, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  if ((state & CDIS_SELECTED) || (GetItemState(item, LVIS_DROPHILITED) & LVIS_DROPHILITED)) {
    HBRUSH frame = ::CreateSolidBrush(kTitleColour);
    // An icon view's icon rectangle spans the item's cell across, the picture centred in it; ours
    // is the picture's own, so the frame takes the cell's sides and stays visible beside the picture.
    const LONG left = std::min(icon.left, bounds.left), right = std::max(icon.right, bounds.right);
    const RECT sides[] = {
        {left + 3, icon.top, right - 3, icon.top + kFrameWidth},
        {left + 3, icon.bottom - kFrameWidth, right - 3, icon.bottom},
        {left + 3, icon.top, left + 3 + kFrameWidth, icon.bottom},
        {right - 3 - kFrameWidth, icon.top, right - 3, icon.bottom},
    };
    for (const RECT& side : sides) ::FillRect(dc, &side, frame);
    ::DeleteObject(frame);
  }
  LVITEM info{};
  info.mask = LVIF_IMAGE;
  info.iItem = item;
  GetItem(&info);
  if (HIMAGELIST images = GetImageList(LVSIL_NORMAL)) {
    int w = 0, h = 0;
    ::ImageList_GetIconSize(images, &w, &h);
    ::ImageList_Draw(images, info.iImage, dc, (icon.left + icon.right - w) / 2, (icon.top + icon.bottom - h) / 2,
                     ILD_TRANSPARENT);
  }
  const std::string text = GetItemText(item, 0);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = ::SetTextColor(dc, kTitleColour);
  HGDIOBJ oldFont = ::SelectObject(dc, font_.m_hObject ? font_.m_hObject : ::GetStockObject(DEFAULT_GUI_FONT));
  UINT format = DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL;
  if (!(state & CDIS_FOCUS)) format |= DT_END_ELLIPSIS;
  ::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &label, format);
  ::SelectObject(dc, oldFont);
  ::SetTextColor(dc, oldColour);
  ::SetBkMode(dc, oldMode);
}

void CClipListCtrl::OnDropFiles(HDROP drop) {
  // Paths are taken whole: a cut one would name some other file.
  const std::vector<std::string> paths = platform::ole::ReadDropFiles(reinterpret_cast<HGLOBAL>(drop));
  ::DragFinish(drop);
  for (std::string path : paths)
    if (owner_) ::SendMessage(owner_, WM_CLIP_LIST_REQUEST, kClipListAddFile, reinterpret_cast<LPARAM>(&path));
}

}  // namespace studio
