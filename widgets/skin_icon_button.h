// CSkinIconButton: an owner-drawn push button, flat or raised, that draws an icon (one while the
// mouse is over it or it is pressed, one otherwise) and its caption in per-state colours.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/afx_controls.h"
#include "widgets/control_tool_tip.h"

class CSkinIconButton : public CButton {
 public:
  static constexpr int kIconLeft = 0, kIconAbove = 1, kIconRight = 2;

  CSkinIconButton();
  ~CSkinIconButton() override;

  void SetIcons(UINT inId, UINT outId = 0);
  void SetIcon(HICON in, HICON out = nullptr);
  BOOL SetBtnCursor(int cursorId);
  void SetFlat(BOOL flat);
  BOOL GetFlat() const { return m_bFlat; }
  void SetAlign(int align);
  int GetAlign() const { return m_nAlign; }
  void SetDrawCaption(BOOL draw);
  BOOL GetDrawCaption() const { return m_bDrawCaption; }
  void SetDrawBorder(BOOL draw) { m_bDrawBorder = draw; }
  void SetInactiveBgColor(COLORREF c, BOOL repaint = TRUE) { SetColour(m_crInactiveBg, c, repaint); }
  void SetInactiveFgColor(COLORREF c, BOOL repaint = TRUE) { SetColour(m_crInactiveFg, c, repaint); }
  void SetActiveBgColor(COLORREF c, BOOL repaint = TRUE) { SetColour(m_crActiveBg, c, repaint); }
  void SetActiveFgColor(COLORREF c, BOOL repaint = TRUE) { SetColour(m_crActiveFg, c, repaint); }
  void SetDefaultInactiveBgColor(BOOL repaint = TRUE) { SetInactiveBgColor(GetSysColor(COLOR_BTNFACE), repaint); }
  void SetDefaultInactiveFgColor(BOOL repaint = TRUE) { SetInactiveFgColor(GetSysColor(COLOR_BTNTEXT), repaint); }
  void SetDefaultActiveBgColor(BOOL repaint = TRUE) { SetActiveBgColor(GetSysColor(COLOR_BTNFACE), repaint); }
  void SetDefaultActiveFgColor(BOOL repaint = TRUE) { SetActiveFgColor(GetSysColor(COLOR_BTNTEXT), repaint); }
  COLORREF GetInactiveBgColor() const { return m_crInactiveBg; }
  COLORREF GetInactiveFgColor() const { return m_crInactiveFg; }
  COLORREF GetActiveBgColor() const { return m_crActiveBg; }
  COLORREF GetActiveFgColor() const { return m_crActiveFg; }
  void SetFlatFocus(BOOL flatFocus, BOOL repaint = FALSE);
  BOOL GetFlatFocus() const { return m_bFlatFocus; }
  void SetToolTip(UINT stringId, BOOL activate = TRUE);
  void SetToolTipText(const std::string& text, BOOL activate = TRUE);
  void ActivateToolTip(BOOL activate);
  void SetPressed(BOOL pressed);
  void SetTransparent(BOOL repaint = FALSE);
  BOOL IsMouseOver() const { return m_bMouseOver; }
  int GetIconWidth() const { return m_nIconWidth; }
  int GetIconHeight() const { return m_nIconHeight; }

  void DrawItem(LPDRAWITEMSTRUCT item) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 protected:
  void PreSubclassWindow() override;
  void OnCaptureChanged(CWnd* wnd) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  void OnKillFocus(CWnd* newWnd) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnSysColorChange() override;

 private:
  void SetColour(COLORREF& slot, COLORREF colour, BOOL repaint);
  void DropBackground();

  int m_nAlign = kIconLeft;
  BOOL m_bDrawCaption = TRUE, m_bDrawBorder = TRUE, m_bFlat = TRUE;
  BOOL m_bMouseOver = FALSE, m_bFlatFocus = FALSE;
  HCURSOR m_hCursor = nullptr;
  skin::ControlToolTip m_toolTip;
  HICON m_hIconIn = nullptr, m_hIconOut = nullptr;
  int m_nIconWidth = 0, m_nIconHeight = 0;  // ints: icons of 256 pixels and more keep their size
  HDC m_hBackgroundDc = nullptr;
  HBITMAP m_hBackground = nullptr;
  HGDIOBJ m_hOldBackground = nullptr;
  BOOL m_bTransparent = FALSE;
  BOOL m_bDefault = FALSE;
  COLORREF m_crInactiveBg, m_crInactiveFg, m_crActiveBg, m_crActiveFg;
  BOOL m_bHeldPressed = FALSE;
};
