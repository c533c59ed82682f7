// CSkinCheckBox: a check box drawn from a strip of six box pictures (checked, unchecked, each
// also pressed and disabled) with its caption in the dialog's font.
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"
#include "widgets/skin_bitmap.h"

class CSkinCheckBox : public CButton {
 public:
  CSkinCheckBox(HINSTANCE module, UINT bitmapId, int boxSize);

  void SetBackgroundBrush(HBRUSH brush) { m_hBackground = brush; }
  // The colour of the strip's pixels that show the background (white unless set).
  void SetTransparentColor(COLORREF key) { m_crTransparent = key; }
  void SetTextColor(COLORREF colour) { m_crText = colour; }
  int GetFrame() const { return m_nFrame; }
  BOOL IsChecked() const { return m_bChecked; }
  COLORREF GetTextColor() const { return m_crText; }

  void DrawItem(LPDRAWITEMSTRUCT) override {}
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  // The caption in its rectangle beside the box; a program's variant may draw it otherwise.
  virtual void DrawCaption(HDC dc, RECT text, UINT format, const std::string& caption);
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnEnable(BOOL enable) override;
  void OnKeyDown(UINT ch, UINT repeat, UINT flags) override;
  void OnKeyUp(UINT ch, UINT repeat, UINT flags) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnKillFocus(CWnd* newWnd) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;

 private:
  // Shows the frame for the current flags; `held` is whether the mouse or Space holds it.
  void ShowFrame(bool held);
  bool MouseHolds() const { return m_bMouseHeld && m_bMouseInside; }

  HCURSOR m_hCursor = nullptr;
  COLORREF m_crText = 0;
  COLORREF m_crTransparent = RGB(255, 255, 255);
  BYTE m_bTextLeft = 0, m_bDisabled = 0, m_bChecked = 0;
  int m_nFrame = 1;
  int m_nBoxSize;
  HBRUSH m_hBackground = nullptr;
  skin::OwnedBitmap m_source;
  BYTE m_bMouseInside = 0, m_bSpaceHeld = 0, m_bMouseHeld = 0;
  HFONT m_hFont = nullptr;
  std::string m_caption;
};
