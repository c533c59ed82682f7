// Statics that open an address when clicked: the label kind draws its own text and font and can
// blink; the hyperlink kind paints transparently over the dialog's background brush.
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"

class CLabelLink : public CStatic {
 public:
  ~CLabelLink() override;
  void SetLink(const std::string& address) { m_strLink = address; }
  const std::string& Link() const { return m_strLink; }
  void SetFontFace(const std::string& face);
  void SetFontHeight(int height);
  // Only 100 to 900 in steps of 100; other weights are refused.
  bool SetFontWeight(int weight);
  int FontWeight() const { return m_nWeight; }
  void SetTextColor(COLORREF colour);
  // Every `ms` the text shows and hides (text) or swaps to `other` (colour); 0 stops.
  void Blink(UINT ms, bool colour, COLORREF other);
  bool BlinkHidden() const { return m_bBlinkOff; }

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnTimer(UINT_PTR id) override;
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  void OnLButtonUp(UINT flags, CPoint point) override;

 private:
  void RemakeFont();
  std::string m_strLink;
  std::string m_strFace = "Verdana";
  int m_nHeight = 11;
  int m_nWeight = 900;
  HFONT m_hFont = nullptr;
  COLORREF m_crText = RGB(0x99, 0x91, 0x82);
  COLORREF m_crOther = RGB(0xFF, 0xFF, 0xFF);
  bool m_bBlinkColour = false;
  bool m_bBlinkOff = false;
};

class CHyperLink : public CStatic {
 public:
  void SetLink(const std::string& address) { m_strLink = address; }
  const std::string& Link() const { return m_strLink; }
  void SetBackgroundBrush(HBRUSH brush) { m_hBrush = brush; }
  void SetHandCursor(bool hand) { m_bHand = hand; }

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  BOOL OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) override;
  void OnLButtonUp(UINT flags, CPoint point) override;

 private:
  std::string m_strLink;
  HBRUSH m_hBrush = nullptr;
  bool m_bHand = true;
};
