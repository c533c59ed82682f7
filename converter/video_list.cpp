#include "converter/video_list.h"

#include "platform/window/focus.h"

void CVideoListCtrl::SetupColumns(const std::string titles[5]) {
  SetExtendedStyle(GetExtendedStyle() | LVS_EX_FULLROWSELECT);
  SetBkColor(kBackground);
  SendMessage(LVM_SETTEXTBKCOLOR, 0, kBackground);
  SetTextColor(kText);
  InsertColumn(0, titles[0], LVCFMT_LEFT, 250);
  InsertColumn(1, titles[1], LVCFMT_CENTER, 110);
  InsertColumn(2, titles[2], LVCFMT_CENTER, 110);
  InsertColumn(3, titles[3], LVCFMT_RIGHT, 93);
  InsertColumn(4, titles[4], LVCFMT_LEFT, 236);
  InsertColumn(5, "", LVCFMT_LEFT, 0);
}

void CVideoListCtrl::SelectAll() {
  for (int i = 0; i < GetItemCount(); ++i) SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
}

std::vector<int> CVideoListCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED)) rows.push_back(i);
  return rows;
}

void CVideoListCtrl::OnKeyDown(UINT ch, UINT repeat, UINT flags) {
  if (ch == VK_DELETE && m_remove && !m_bLocked) {
    m_remove();
    return;
  }
  if (GetKeyState(VK_CONTROL) < 0 && ch != VK_CONTROL) {
    SelectAll();
    return;
  }
  CListCtrl::OnKeyDown(ch, repeat, flags);
}

void CVideoListCtrl::OnLButtonDown(UINT flags, CPoint point) {
  if (!m_bLocked) CListCtrl::OnLButtonDown(flags, point);
}

void CVideoListCtrl::OnLButtonUp(UINT flags, CPoint point) {
  if (!m_bLocked) CListCtrl::OnLButtonUp(flags, point);
}

void CVideoListCtrl::OnRButtonDown(UINT flags, CPoint point) {
  if (!m_bLocked) CListCtrl::OnRButtonDown(flags, point);
}
