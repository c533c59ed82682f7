#include "clip_list_ctrl.h"

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
END_MESSAGE_MAP()

constexpr COLORREF kTitleColour = RGB(253, 213, 3);
constexpr int kFrameWidth = 3;

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
  LOGFONT face{};
  HGDIOBJ gui = ::GetStockObject(DEFAULT_GUI_FONT);
  if (gui && ::GetObject(gui, sizeof(face), &face) > 0) {
    face.lfWeight = 900;
    font_.CreateFontIndirect(&face);
  }
  DragAcceptFiles(TRUE);
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font_.m_hObject ? font_.m_hObject : gui), TRUE);
}

void CClipListCtrl::OnCustomDraw(NMHDR* header, LRESULT* result) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
  *result = CDRF_DODEFAULT;
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) {
    *result = CDRF_NOTIFYITEMDRAW;
  } else if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
    const DWORD_PTR kind = draw->nmcd.lItemlParam;
    if (kind == 0 || (kind == kClipItemTitle && !background_)) {
      *result = CDRF_NOTIFYITEMDRAW;
    } else if (kind == kClipItemTitle) {
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
  if (state & CDIS_SELECTED) {
    HBRUSH frame = ::CreateSolidBrush(kTitleColour);
    const RECT sides[] = {
        {icon.left + 3, icon.top, icon.right - 3, icon.top + kFrameWidth},
        {icon.left + 3, icon.bottom - kFrameWidth, icon.right - 3, icon.bottom},
        {icon.left + 3, icon.top, icon.left + 3 + kFrameWidth, icon.bottom},
        {icon.right - 3 - kFrameWidth, icon.top, icon.right - 3, icon.bottom},
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
