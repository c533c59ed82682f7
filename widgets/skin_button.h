// CSkinButton: a push button painted from a strip of five frames (normal, hover, pressed,
// disabled, region mask) and shaped by the mask frame's key colour.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/afx_controls.h"
#include "widgets/control_tool_tip.h"
#include "widgets/skin_bitmap.h"

class CSkinButton : public CButton {
 public:
  CSkinButton();
  ~CSkinButton() override;

  // Cuts the strip into five frames of a fifth of its width. With noStateCopies only frame 0 is
  // taken: every state shows it and the window keeps its full rectangle.
  BOOL LoadBitmap(HINSTANCE module, UINT id, BOOL noStateCopies = FALSE);
  // From the resource chain.
  BOOL LoadBitmap(UINT id, BOOL noStateCopies = FALSE) { return LoadBitmap(nullptr, id, noStateCopies); }
  // From the resource chain, frames of the given size at multiples of the width.
  BOOL LoadBitmap(UINT id, int frameWidth, int frameHeight);
  BOOL IsLoaded() const { return m_bLoaded; }

  void MoveTo(int x, int y);
  void SetToolTip(UINT stringId, BOOL activate = TRUE);
  void SetToolTipText(const std::string& text, BOOL activate = TRUE);
  void SetDrawOrigin(int x, int y);
  void SetSize(int cx, int cy);
  void SetMaskColor(COLORREF colour) { m_crMask = colour; }
  void SetDisabledFrame(int index);
  void SetState(int state);
  void SetShowText(BOOL show) { m_bShowText = show ? 1 : 0; }
  void SetTextColors(COLORREF colour);
  void SetTextColor1(COLORREF colour) { m_crText[1] = colour; }
  void SetTextColor2(COLORREF colour) { m_crText[2] = colour; }
  void SetDisabledTextColor(COLORREF colour) { m_crText[3] = colour; }
  void SetFont(const std::string& face, int height, int weight);
  void ResetHover();
  // Rebuilds the window region from the mask frame.
  void UpdateRegion();

  BOOL IsHovering() const { return m_bHover != 0; }
  int GetFrameWidth() const { return m_nFrameWidth; }
  int GetFrameHeight() const { return m_nFrameHeight; }

  void DrawItem(LPDRAWITEMSTRUCT item) override;
  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  void PreSubclassWindow() override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  BOOL OnEraseBkgnd(CDC* dc) override;

 private:
  BOOL TakeFrames(HBITMAP strip, int frameWidth, int frameHeight, BOOL noStateCopies);

  BYTE m_bShowText = 0;
  HCURSOR m_hCursor = nullptr;
  skin::ControlToolTip m_toolTip;
  std::unique_ptr<CFont> m_font;
  skin::OwnedBitmap m_frames[5];  // normal, hover, pressed, disabled, mask
  BYTE m_bLoaded = 0;
  BYTE m_bPressed = 0;
  BYTE m_bHover = 0;
  BYTE m_bFullRect = 0;
  int m_nOriginX = 0;
  int m_nOriginY = 0;
  int m_nFrameWidth = 0;
  int m_nFrameHeight = 0;
  int m_nDisabledFrame = 3;
  int m_nFixedState = 0;
  COLORREF m_crMask = 0x0000FF;
  COLORREF m_crText[4] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
};
