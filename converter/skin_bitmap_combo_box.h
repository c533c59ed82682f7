// CSkinBitmapComboBox: the converter's drop-down list with its closed face painted from the
// image library: the parent's pattern under it, the selection in the text colour, and an arrow
// strip of three images (disabled, normal, pressed) at the right edge.
#pragma once

#include "platform/controls/afx_controls.h"
#include "widgets/skin_bitmap.h"

class CSkinBitmapComboBox : public CComboBox {
 public:
  static constexpr int kDisabledImage = 0;
  static constexpr int kNormalImage = 1;
  static constexpr int kPressedImage = 2;

  CSkinBitmapComboBox(HINSTANCE module, UINT arrowId);

  void SetBackgroundBrush(HBRUSH brush);
  void SetTextColor(COLORREF colour);
  // The font of the face and the list; without one the parent's.
  void SetFontObject(HFONT font);
  // The arrow image the face shows now.
  int ArrowImage() const;

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnEnable(BOOL enable) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void DrawFace(HDC dc);
  void SetPressed(bool pressed);

  skin::OwnedBitmap m_arrows;
  HBRUSH m_hBackground = nullptr;
  COLORREF m_crText = 0;
  bool m_bPressed = false;
};
