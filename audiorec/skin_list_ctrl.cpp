#include "skin_list_ctrl.h"

#include "auvry_burn_ids.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace {

// Whether the row being custom-drawn was selected; only used between one row's pre-paint and
// its post-paint, on the one UI thread, so every list shares it.
bool rowWasSelected = false;

HINSTANCE ResourceModule(UINT id, LPCSTR type) { return AfxFindResourceHandle(MAKEINTRESOURCE(id), type); }

}  // namespace

// ----- header -----

CSkinHeaderCtrl::~CSkinHeaderCtrl() {
  if (skin_) ::DeleteObject(skin_);
}

void CSkinHeaderCtrl::PreSubclassWindow() {
  CWnd::PreSubclassWindow();
  FitParentWidth();
}

void CSkinHeaderCtrl::FitParentWidth() {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  RECT client, own;
  ::GetClientRect(parent, &client);
  ::GetWindowRect(m_hWnd, &own);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, client.right - client.left, own.bottom - own.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

int CSkinHeaderCtrl::SetOwnerDraw(int column, int value) {
  HDITEM item{};
  item.mask = HDI_FORMAT;
  if (!::SendMessage(m_hWnd, HDM_GETITEM, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item))) return -1;
  const int previous = markedColumn_;
  // A column showing a bitmap draws itself.
  constexpr int kBitmapFormat = 0x2000;
  if (item.fmt & kBitmapFormat) return previous;
  item.mask = HDI_FORMAT;
  item.fmt |= HDF_OWNERDRAW;
  ::SendMessage(m_hWnd, HDM_SETITEM, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
  markedColumn_ = column, markedValue_ = value;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  return previous;
}

int CSkinHeaderCtrl::ItemAt(POINT p) {
  HDHITTESTINFO hit{};
  hit.pt = p;
  return static_cast<int>(::SendMessage(m_hWnd, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

LRESULT CSkinHeaderCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_WINDOWPOSCHANGED: {
      const LRESULT r = CWnd::WindowProc(msg, wParam, lParam);
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      return r;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(m_hWnd, &ps);
      RECT client;
      ::GetClientRect(m_hWnd, &client);
      // Off screen first, so the header never flickers through its layers.
      HDC memory = ::CreateCompatibleDC(dc);
      HBITMAP canvas = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
      HGDIOBJ old = ::SelectObject(memory, canvas);
      Paint(memory, client);
      ::BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
      ::SelectObject(memory, old);
      ::DeleteObject(canvas);
      ::DeleteDC(memory);
      ::EndPaint(m_hWnd, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      held_ = true;
      hot_ = ItemAt(POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_LBUTTONUP:
      held_ = false;
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      break;
    case WM_MOUSEMOVE: {
      if (!held_) break;
      POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT client;
      ::GetClientRect(m_hWnd, &client);
      if (!::PtInRect(&client, p)) {
        // Left the header: the tracking ends with one repaint.
        if (inside_) {
          inside_ = false, hot_ = previousHot_ = -1;
          ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
        break;
      }
      inside_ = true;
      const int item = ItemAt(p);
      if (item != hot_) {
        previousHot_ = hot_, hot_ = item;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
      }
      break;
    }
    default: break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

void CSkinHeaderCtrl::DrawCell(HDC dc, HDC skin, const RECT& r, bool pressed) {
  const int x0 = pressed ? kCellWidth : 0;
  const int h = r.bottom - r.top;
  BITMAP info{};
  ::GetObject(skin_, sizeof info, &info);
  const int sh = info.bmHeight;
  const int width = r.right - r.left;
  if (width <= 10) {
    ::StretchBlt(dc, r.left, r.top, width, h, skin, x0 + 5, 0, 1, sh, SRCCOPY);
    return;
  }
  ::StretchBlt(dc, r.left, r.top, 5, h, skin, x0, 0, 5, sh, SRCCOPY);
  ::StretchBlt(dc, r.left + 5, r.top, width - 10, h, skin, x0 + 5, 0, 1, sh, SRCCOPY);
  ::StretchBlt(dc, r.right - 5, r.top, 5, h, skin, x0 + 6, 0, 5, sh, SRCCOPY);
}

void CSkinHeaderCtrl::Paint(HDC dc, const RECT& client) {
  HDC skin = skin_ ? ::CreateCompatibleDC(dc) : nullptr;
  HGDIOBJ oldSkin = skin ? ::SelectObject(skin, skin_) : nullptr;
  if (skin) {
    BITMAP info{};
    ::GetObject(skin_, sizeof info, &info);
    ::StretchBlt(dc, 0, 0, client.right, client.bottom, skin, 5, 0, 1, info.bmHeight, SRCCOPY);
  } else {
    HBRUSH fill = ::CreateSolidBrush(colour_);
    ::FillRect(dc, &client, fill);
    ::DeleteObject(fill);
  }
  HFONT font = reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
  HPEN pen = ::CreatePen(PS_SOLID, 1, RGB(40, 44, 46));
  HGDIOBJ oldPen = ::SelectObject(dc, pen);
  const int count = static_cast<int>(::SendMessage(m_hWnd, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    RECT r{};
    ::SendMessage(m_hWnd, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    const bool pressed = held_ && i == hot_;
    if (skin) DrawCell(dc, skin, r, pressed);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_HEADER;
    item.itemID = static_cast<UINT>(i);
    item.itemState = pressed ? ODS_SELECTED : 0;
    item.hwndItem = m_hWnd;
    item.hDC = dc;
    item.rcItem = r;
    HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
    DrawItem(&item);
    if (oldFont) ::SelectObject(dc, oldFont);
    ::MoveToEx(dc, r.right - 1, r.top + 2, nullptr);
    ::LineTo(dc, r.right - 1, r.bottom - 2);
  }
  ::SelectObject(dc, oldPen);
  ::DeleteObject(pen);
  if (skin) {
    ::SelectObject(skin, oldSkin);
    ::DeleteDC(skin);
  }
}

void CSkinHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT item) {
  char text[256] = {};
  HDITEM hd{};
  hd.mask = HDI_TEXT | HDI_FORMAT;
  hd.pszText = text;
  hd.cchTextMax = sizeof text;
  ::SendMessage(m_hWnd, HDM_GETITEM, item->itemID, reinterpret_cast<LPARAM>(&hd));
  RECT r = item->rcItem;
  if (item->itemState & ODS_SELECTED) ::OffsetRect(&r, 1, 1);
  ::SetBkMode(item->hDC, TRANSPARENT);
  ::SetTextColor(item->hDC, RGB(220, 226, 230));
  const UINT align = (hd.fmt & HDF_JUSTIFYMASK) == HDF_CENTER  ? DT_CENTER
                     : (hd.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT
                                                               : DT_LEFT;
  r.left += 6;
  ::DrawText(item->hDC, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
}

// ----- list -----

BEGIN_MESSAGE_MAP(CSkinListCtrl, CListCtrl)
ON_NOTIFY_REFLECT(NM_CUSTOMDRAW, &CSkinListCtrl::OnCustomDraw)
END_MESSAGE_MAP()

void CSkinListCtrl::PreSubclassWindow() {
  CListCtrl::PreSubclassWindow();
  if (HWND header = reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER))) {
    header_.SubclassWindow(header);
    if (HINSTANCE module = ResourceModule(IDB_LIST_HEADER, RT_BITMAP))
      header_.SetSkin(::LoadBitmap(module, MAKEINTRESOURCE(IDB_LIST_HEADER)));
  }
  images_.Create(16, 16, ILC_COLOR32, 1, 1);
  SetImageList(&images_, LVSIL_SMALL);
  if (HINSTANCE module = ResourceModule(IDI_RECORDING, RT_GROUP_ICON)) {
    if (HICON icon = ::LoadIcon(module, MAKEINTRESOURCE(IDI_RECORDING))) {
      images_.Add(icon);
      images_.Add(icon);
    }
  }
  SendMessage(LVM_SETBKCOLOR, 0, 0);
  SendMessage(LVM_SETTEXTCOLOR, 0, kTextColour);
  SendMessage(LVM_SETTEXTBKCOLOR, 0, 0);
  SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
}

LRESULT CSkinListCtrl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!clicksEnabled_ && (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP)) return 1;
  return CListCtrl::WindowProc(msg, wParam, lParam);
}

void CSkinListCtrl::OnCustomDraw(NMHDR* header, LRESULT* result) {
  auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT: *result = CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT; return;
    case CDDS_ITEMPREPAINT: {
      const int row = static_cast<int>(draw->nmcd.dwItemSpec);
      rowWasSelected = (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
      if (rowWasSelected) {
        draw->clrText = kSelectedText;
        draw->clrTextBk = kSelectedBack;
        // The system's own highlight would paint over the colours above.
        SetItemState(row, 0, LVIS_SELECTED);
      }
      *result = CDRF_NOTIFYPOSTPAINT;
      return;
    }
    case CDDS_ITEMPOSTPAINT:
      if (rowWasSelected) SetItemState(static_cast<int>(draw->nmcd.dwItemSpec), 0xFF, LVIS_SELECTED);
      *result = CDRF_DODEFAULT;
      return;
    case CDDS_POSTPAINT:
      // Taking the selection off and back on for each row marked the list for painting again;
      // what was just drawn is already right.
      ::ValidateRect(m_hWnd, nullptr);
      *result = CDRF_DODEFAULT;
      return;
    default: *result = CDRF_DODEFAULT; return;
  }
}
