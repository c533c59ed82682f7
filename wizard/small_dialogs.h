// The wizard's small windows: the transparent label of the pages, the balloon tip that points
// at the preview (dialog 213) and the full-screen preview (dialog 214).
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

// A static drawn over the part of the page background that lies behind it.
class CTransparentLabel : public CStatic {
 public:
  void SetBackground(HBITMAP background) { m_background = background; }
  void SetSourceRect(int x, int y, int cx, int cy);
  void SetTextColor(COLORREF colour) { m_colour = colour; }
  void SetText(const std::string& text);
  const std::string& GetText() const { return m_text; }

 protected:
  void PreSubclassWindow() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnPaint() override;
  DECLARE_MESSAGE_MAP()

 private:
  HBITMAP m_background = nullptr;  // the page's, not owned
  RECT m_source{};
  COLORREF m_colour = RGB(100, 100, 100);
  std::string m_text;
  UINT m_format = DT_WORDBREAK;
};

class CBalloonTipDialog : public CDialog {
 public:
  explicit CBalloonTipDialog(HWND target, CWnd* parent = nullptr);
  static constexpr UINT_PTR kCloseTimer = 100;
  static constexpr COLORREF kFill = RGB(234, 225, 121);
  static constexpr COLORREF kFrame = RGB(77, 123, 12);
  const RECT& TextRect() const { return m_textRect; }
  // Whether the text is drawn on one centred line (it fits) or wrapped.
  bool SingleLine() const { return m_singleLine; }
  void SetText(const std::string& text) { m_text = text; }

 protected:
  BOOL OnInitDialog() override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  BOOL OnEraseBkgnd(CDC*) override { return TRUE; }
  DECLARE_MESSAGE_MAP()

 private:
  HWND m_target;
  RECT m_textRect{};
  std::string m_text;
  CFont m_font;
  bool m_singleLine = true;
};

class CFullScreenDialog : public CDialog {
 public:
  // mode 0: the analog capture graph; 1: the DV/HDV graph. `previewWindow` gets the video back
  // on close, fitted 16:9 when `wide`, else 4:3.
  CFullScreenDialog(int mode, CWnd* owner, HWND previewWindow, bool wide);
  static constexpr UINT kOwnerCommand = WM_USER + 250;
  static constexpr int kClose = 32783;
  static constexpr int kStateOn = 32785;
  static constexpr int kStateOff = 32784;
  int State() const { return m_state; }

 protected:
  BOOL OnInitDialog() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnContextMenu(CWnd* wnd, CPoint point) override;
  LRESULT OnDisplayChange(WPARAM, LPARAM);
  void OnCloseCommand();
  void OnStateOn();
  void OnStateOff();
  DECLARE_MESSAGE_MAP()

 private:
  bool GraphRunning() const;
  void Fit();
  void GiveBack();

  int m_mode;
  CWnd* m_owner;
  HWND m_previousVideoWindow;
  bool m_wide;
  int m_state = 0;
};
