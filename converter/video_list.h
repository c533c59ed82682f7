// The converter's file list: a full-row report list in the skin's colours. Delete removes the
// selected rows, Ctrl with any key selects every row, and presses are dropped while the dialog
// has the list disabled.
#pragma once

#include <functional>

#include "platform/controls/afx_controls.h"

class CVideoListCtrl : public CListCtrl {
 public:
  static constexpr COLORREF kBackground = RGB(0x14, 0x19, 0x1C);
  static constexpr COLORREF kText = RGB(0x82, 0x91, 0x99);

  void SetupColumns(const std::string titles[5]);
  void SetRemoveHandler(std::function<void()> remove) { m_remove = std::move(remove); }
  void SetLocked(bool locked) { m_bLocked = locked; }
  void SelectAll();
  std::vector<int> SelectedRows() const;

 protected:
  void OnKeyDown(UINT ch, UINT repeat, UINT flags) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;

 private:
  std::function<void()> m_remove;
  bool m_bLocked = false;
};
