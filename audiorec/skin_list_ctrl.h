// The recorder's skinned report lists: light-grey rows on black, selected rows drawn in the
// recorder's own colours, a header drawn from an 11-pixel strip, and clicks that can be shut off.
#pragma once

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_msgmap.h"

// The list's header, drawn from bitmap 1016: a normal and a pressed cell of 11 pixels, each a
// 5-pixel left end, one middle column repeated and a 5-pixel right end.
class CSkinHeaderCtrl : public CWnd {
 public:
  static constexpr int kCellWidth = 11;

  ~CSkinHeaderCtrl() override;
  void SetSkin(HBITMAP skin) { skin_ = skin; }
  // Marks a column owner-drawn unless it carries a bitmap; returns the previously marked column.
  int SetOwnerDraw(int column, int value);
  int hotItem() const { return hot_; }
  bool buttonHeld() const { return held_; }

  // Draws one column title (the header draws its cells first).
  virtual void DrawItem(LPDRAWITEMSTRUCT item);

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void FitParentWidth();
  void Paint(HDC dc, const RECT& client);
  void DrawCell(HDC dc, HDC skin, const RECT& r, bool pressed);
  int ItemAt(POINT p);

  HBITMAP skin_ = nullptr;
  COLORREF colour_ = RGB(76, 84, 88);
  int hot_ = -1, previousHot_ = -1;
  bool inside_ = false, held_ = false;
  int markedColumn_ = -1, markedValue_ = 0;
};

class CSkinListCtrl : public CListCtrl {
 public:
  CSkinListCtrl() = default;
  // 0: left clicks are swallowed, so the selection cannot change; 1: normal again.
  void EnableClicks(int enable) { clicksEnabled_ = enable; }
  int clicksEnabled() const { return clicksEnabled_; }
  CSkinHeaderCtrl& header() { return header_; }

  static constexpr COLORREF kTextColour = RGB(130, 145, 153);
  static constexpr COLORREF kSelectedText = RGB(250, 250, 250);
  static constexpr COLORREF kSelectedBack = RGB(160, 150, 150);

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnCustomDraw(NMHDR* header, LRESULT* result);

 private:
  CSkinHeaderCtrl header_;
  CImageList images_;
  int clicksEnabled_ = 1;

  DECLARE_MESSAGE_MAP()
};
