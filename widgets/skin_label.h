// CSkinLabel: a static text with its own colours and font, optional flashing of its text or
// background, and an optional web link that a click opens.
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"

class CSkinLabel : public CStatic {
 public:
  CSkinLabel();
  ~CSkinLabel() override;

  CSkinLabel& SetText(const std::string& text);
  CSkinLabel& SetTextColor(COLORREF colour);
  CSkinLabel& SetFontBold(BOOL bold);
  CSkinLabel& SetFontUnderline(BOOL underline);
  CSkinLabel& SetFontItalic(BOOL italic);
  CSkinLabel& SetFontSize(int size);
  CSkinLabel& SetFontName(const std::string& face);
  CSkinLabel& SetSunken(BOOL sunken);
  CSkinLabel& SetBorder(BOOL border);
  CSkinLabel& SetBackgroundColor(COLORREF colour);
  CSkinLabel& FlashText(BOOL flash);
  CSkinLabel& FlashBackground(BOOL flash);
  // Link mode: clicks arrive and open the link address, or the label's text when none is set.
  CSkinLabel& SetLink(BOOL link);
  void SetLinkCursor(HCURSOR cursor) { m_hLinkCursor = cursor; }
  void SetLinkURL(const std::string& url) { m_linkUrl = url; }

  // Whether a click may open this target: web and mail addresses only.
  static bool IsOpenableLink(const std::string& target);
  const LOGFONT& GetLogFont() const { return m_logFont; }

 protected:
  BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;

 private:
  static constexpr UINT_PTR kFlashTimer = 1;
  void RebuildFont();
  void Redraw();
  void StopFlash();

  COLORREF m_crText;
  HBRUSH m_hBackground;
  HBRUSH m_hFace;
  LOGFONT m_logFont{};
  CFont m_font;
  std::string m_savedText;
  BOOL m_bPhase = FALSE;
  BOOL m_bFlashing = FALSE;
  int m_nFlashKind = 0;  // 0 none, 1 text, 2 background
  HCURSOR m_hLinkCursor = nullptr;
  std::string m_linkUrl;
};

// CFileNameEdit: an edit box that keeps the left edge and width its owner gives it and takes
// only characters a file name may hold, typed or inserted.
class CFileNameEdit : public CEdit {
 public:
  // FALSE for the nine characters file names cannot hold: " * / : < > ? \ |
  static BOOL IsFileNameChar(char c);

  int m_nLeft = 0;
  int m_nWidth = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnWindowPosChanging(LPWINDOWPOS pos) override;
};
