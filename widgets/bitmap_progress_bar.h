// CBitmapProgressBar: an owner-drawn button window that shows a value as part of a bitmap bar.
#pragma once

#include "platform/controls/afx_controls.h"
#include "widgets/skin_bitmap.h"

class CBitmapProgressBar : public CButton {
 public:
  // Drawing modes: 1 vertical (empty column left, full column right), 2 a two-row strip (empty
  // above, full below), 3 a four-row strip with a mark.
  static constexpr int kVertical = 1;
  static constexpr int kTwoRows = 2;
  static constexpr int kMarked = 3;

  void LoadBitmap(HINSTANCE module, UINT id);
  BOOL IsLoaded() const { return m_bLoaded; }
  void SetRange(int min, int max) {
    m_nMin = min;
    m_nMax = max;
  }
  void SetPos(int pos);
  void SetRangeAndMark(int min, int max, int mark);
  int GetPos() const { return m_nPos; }
  void GetRange(int* min, int* max) const;
  void SetMode(int mode) { m_nMode = mode; }

  void DrawItem(LPDRAWITEMSTRUCT item) override;

 protected:
  void PreSubclassWindow() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }

 private:
  skin::OwnedBitmap m_bitmap;
  int m_nWidth = 0;
  int m_nHeight = 0;
  BOOL m_bLoaded = FALSE;
  int m_nMode = kTwoRows;
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nPos = 0;
  int m_nMark = 0;
};
