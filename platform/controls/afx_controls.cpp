#include "platform/controls/afx_controls.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Wrappers handed back for image lists nobody wrapped; never destroy their list.
CImageList* TemporaryList(HIMAGELIST list) {
  if (!list) return nullptr;
  thread_local std::vector<std::unique_ptr<CImageList>> lists;
  for (auto& l : lists)
    if (l->m_hImageList == list) return l.get();
  auto wrapper = std::make_unique<CImageList>();
  wrapper->m_hImageList = list;
  lists.push_back(std::move(wrapper));
  struct Detacher {
    ~Detacher() {
      for (auto& l : lists) l->Detach();
    }
  };
  thread_local Detacher detacher;
  (void)detacher;
  return lists.back().get();
}

}  // namespace

BOOL CButton::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return CWnd::OnChildNotify(msg, wParam, lParam, result);
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  if (result) *result = TRUE;
  return TRUE;
}

void CListBox::GetText(int i, std::string& out) const {
  int len = GetTextLen(i);
  if (len < 0) {
    out.clear();
    return;
  }
  out.assign(static_cast<size_t>(len) + 1, '\0');
  SendMessage(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(out.data()));
  out.resize(static_cast<size_t>(len));
}

BOOL CListBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return CWnd::OnChildNotify(msg, wParam, lParam, result);
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  if (result) *result = TRUE;
  return TRUE;
}

void CComboBox::GetLBText(int i, std::string& out) const {
  int len = GetLBTextLen(i);
  if (len < 0) {
    out.clear();
    return;
  }
  out.assign(static_cast<size_t>(len) + 1, '\0');
  SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(out.data()));
  out.resize(static_cast<size_t>(len));
}

BOOL CComboBox::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg != WM_DRAWITEM) return CWnd::OnChildNotify(msg, wParam, lParam, result);
  DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
  if (result) *result = TRUE;
  return TRUE;
}

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style) {
  InitCommonControls();
  RECT none{0, 0, 0, 0};
  return CWnd::CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASS, "", WS_POPUP | style, none, parent, 0);
}

TOOLINFO CToolTipCtrl::Info(CWnd* wnd, UINT_PTR id) const {
  TOOLINFO ti;
  ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
  ti.uId = id ? id : reinterpret_cast<UINT_PTR>(ti.hwnd);
  if (!id) {
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = wnd ? ::GetParent(wnd->m_hWnd) : nullptr;
    if (!ti.hwnd) ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
  }
  return ti;
}

BOOL CToolTipCtrl::AddTool(CWnd* wnd, const std::string& text, LPCRECT rect, UINT_PTR id) {
  if (!wnd) return FALSE;
  TOOLINFO ti = Info(wnd, id);
  if (id) {
    ti.hwnd = wnd->m_hWnd;
    if (rect) ti.rect = *rect;
  }
  std::string copy = text;
  ti.lpszText = copy.data();
  return static_cast<BOOL>(SendMessage(TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::DelTool(CWnd* wnd, UINT_PTR id) {
  TOOLINFO ti = Info(wnd, id);
  if (id && wnd) ti.hwnd = wnd->m_hWnd;
  SendMessage(TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::UpdateTipText(const std::string& text, CWnd* wnd, UINT_PTR id) {
  TOOLINFO ti = Info(wnd, id);
  if (id && wnd) ti.hwnd = wnd->m_hWnd;
  std::string copy = text;
  ti.lpszText = copy.data();
  SendMessage(TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
}

void CToolTipCtrl::GetText(std::string& out, CWnd* wnd, UINT_PTR id) const {
  TOOLINFO ti = Info(wnd, id);
  if (id && wnd) ti.hwnd = wnd->m_hWnd;
  char buf[1024] = {};
  ti.lpszText = buf;
  SendMessage(TTM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(&ti));
  out = buf;
}

int CListCtrl::InsertColumn(int col, const std::string& heading, int format, int width, int subItem) {
  LVCOLUMN c;
  c.mask = LVCF_TEXT | LVCF_FMT;
  c.fmt = format;
  std::string copy = heading;
  c.pszText = copy.data();
  if (width >= 0) {
    c.mask |= LVCF_WIDTH;
    c.cx = width;
  }
  if (subItem >= 0) {
    c.mask |= LVCF_SUBITEM;
    c.iSubItem = subItem;
  }
  return static_cast<int>(SendMessage(LVM_INSERTCOLUMN, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int index, const std::string& text, int image) {
  LVITEM it;
  it.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
  it.iItem = index;
  std::string copy = text;
  it.pszText = copy.data();
  it.iImage = image;
  return InsertItem(&it);
}

BOOL CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
  LVITEM it;
  it.iSubItem = subItem;
  std::string copy = text;
  it.pszText = copy.data();
  return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
  std::vector<char> buf(1024, 0);
  LVITEM it;
  it.iSubItem = subItem;
  it.pszText = buf.data();
  it.cchTextMax = static_cast<int>(buf.size());
  SendMessage(LVM_GETITEMTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it));
  return buf.data();
}

BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
  LVITEM it;
  it.mask = LVIF_PARAM;
  it.iItem = item;
  it.lParam = static_cast<LPARAM>(data);
  return SetItem(&it);
}

DWORD_PTR CListCtrl::GetItemData(int item) const {
  LVITEM it;
  it.mask = LVIF_PARAM;
  it.iItem = item;
  return GetItem(&it) ? static_cast<DWORD_PTR>(it.lParam) : 0;
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
  LVITEM it;
  it.state = state;
  it.stateMask = mask;
  return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&it)));
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which) {
  return TemporaryList(reinterpret_cast<HIMAGELIST>(SendMessage(
      LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr))));
}

int CListCtrl::HitTest(POINT pt, UINT* flags) const {
  LVHITTESTINFO hit;
  hit.pt = pt;
  int i = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (flags) *flags = hit.flags;
  return i;
}

BOOL CListCtrl::GetItemRect(int item, LPRECT rect, UINT code) const {
  if (!rect) return FALSE;
  rect->left = static_cast<LONG>(code);
  return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(rect)));
}

CEdit* CListCtrl::EditLabel(int item) {
  return static_cast<CEdit*>(FromHandle(reinterpret_cast<HWND>(SendMessage(LVM_EDITLABEL, static_cast<WPARAM>(item)))));
}

CEdit* CListCtrl::GetEditControl() const {
  return static_cast<CEdit*>(FromHandle(reinterpret_cast<HWND>(SendMessage(LVM_GETEDITCONTROL))));
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, HTREEITEM parent, HTREEITEM after) {
  TVINSERTSTRUCT is;
  is.hParent = parent;
  is.hInsertAfter = after;
  is.item.mask = TVIF_TEXT;
  std::string copy = text;
  is.item.pszText = copy.data();
  return InsertItem(&is);
}

HTREEITEM CTreeCtrl::InsertItem(const std::string& text, int image, int selectedImage, HTREEITEM parent,
                                HTREEITEM after) {
  TVINSERTSTRUCT is;
  is.hParent = parent;
  is.hInsertAfter = after;
  is.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  std::string copy = text;
  is.item.pszText = copy.data();
  is.item.iImage = image;
  is.item.iSelectedImage = selectedImage;
  return InsertItem(&is);
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const {
  std::vector<char> buf(1024, 0);
  TVITEM it;
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = buf.data();
  it.cchTextMax = static_cast<int>(buf.size());
  SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it));
  return buf.data();
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const std::string& text) {
  TVITEM it;
  it.mask = TVIF_TEXT;
  it.hItem = item;
  std::string copy = text;
  it.pszText = copy.data();
  return static_cast<BOOL>(SendMessage(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it)));
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
  TVITEM it;
  it.mask = TVIF_PARAM;
  it.hItem = item;
  return SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) ? static_cast<DWORD_PTR>(it.lParam) : 0;
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
  TVITEM it;
  it.mask = TVIF_PARAM;
  it.hItem = item;
  it.lParam = static_cast<LPARAM>(data);
  return static_cast<BOOL>(SendMessage(TVM_SETITEM, 0, reinterpret_cast<LPARAM>(&it)));
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT mask) const {
  TVITEM it;
  it.mask = TVIF_STATE;
  it.hItem = item;
  it.stateMask = mask;
  return SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) ? it.state & mask : 0;
}

BOOL CTreeCtrl::ItemHasChildren(HTREEITEM item) const {
  TVITEM it;
  it.mask = TVIF_CHILDREN;
  it.hItem = item;
  return SendMessage(TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&it)) && it.cChildren ? TRUE : FALSE;
}

HTREEITEM CTreeCtrl::HitTest(POINT pt, UINT* flags) const {
  TVHITTESTINFO hit;
  hit.pt = pt;
  SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  if (flags) *flags = hit.flags;
  return hit.hItem;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, LPRECT rect, BOOL textOnly) const {
  if (!rect) return FALSE;
  std::memcpy(static_cast<void*>(rect), &item, sizeof(item));
  return static_cast<BOOL>(SendMessage(TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)));
}

CImageList* CTreeCtrl::SetImageList(CImageList* list, int) {
  return TemporaryList(reinterpret_cast<HIMAGELIST>(
      SendMessage(TVM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr))));
}
