// CSkinComboBox: a drop-down list whose closed face is painted here: the dialog's background,
// the current text, a 16-pixel arrow from a three-frame strip and a one-pixel border.
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"
#include "widgets/skin_bitmap.h"

class CSkinComboBox : public CComboBox {
 public:
  static constexpr int kNormal = 0;
  static constexpr int kPressed = 1;
  static constexpr int kDisabled = 2;

  CSkinComboBox(HINSTANCE module, UINT bitmapId);

  void SetBorderColor(COLORREF colour) { m_crBorder = colour; }
  void SetBackgroundBrush(HBRUSH brush) { m_hBackground = brush; }
  void SetTextColor(COLORREF colour) { m_crText = colour; }
  int GetState() const { return m_nState; }

  void DrawItem(LPDRAWITEMSTRUCT) override {}
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void PreSubclassWindow() override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnEnable(BOOL enable) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;

 private:
  void SetState(int state);
  void DrawFace(HDC dc);
  std::string CurrentText() const;

  HFONT m_hFont = nullptr;
  HBRUSH m_hBackground = nullptr;
  COLORREF m_crText = 0;
  BYTE m_bDisabled = 0;
  int m_nState = kNormal;
  UINT m_nBitmapId;
  skin::OwnedBitmap m_source;
  skin::OwnedBitmap m_arrows[3];
  BYTE m_bFirstPaint = 1;
  COLORREF m_crBorder;
};

// CSkinSpinButton: an up-down control whose halves are painted from a five-frame strip (normal,
// hot, pressed, disabled, unused); stepping and notifications stay the control's own.
class CSkinSpinButton : public CSpinButtonCtrl {
 public:
  CSkinSpinButton(HINSTANCE module, UINT bitmapId);
  int GetState() const { return m_nState; }
  int GetZone() const { return m_nZone; }
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void PreSubclassWindow() override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnEnable(BOOL enable) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;

 private:
  void SetState(int state);
  void Draw(HDC dc);

  int m_nZone;
  BYTE m_bDisabled = 0;
  int m_nState;
  skin::OwnedBitmap m_source;
  skin::OwnedBitmap m_faces[4];  // hot, normal, pressed, disabled
  BYTE m_bFirstPaint = 1;
  BYTE m_bHoverCaptured = 0;
};
