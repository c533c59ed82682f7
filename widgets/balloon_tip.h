// CBalloonTip: a small modeless pop-up shaped as an ellipse with a pointer on its left, showing
// one text of the string table. CSkinFrame: a window frame painted from skin pieces.
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"
#include "widgets/skin_bitmap.h"

constexpr UINT IDD_BALLOON_TIP = 180;
constexpr UINT IDS_BALLOON_TEXT = 153;
constexpr UINT IDS_BALLOON_FONT_FACE = 164;

class CBalloonTip : public CDialog {
 public:
  explicit CBalloonTip(CWnd* parent = nullptr);
  ~CBalloonTip() override;

  // Shows the tip over its parent.
  BOOL Show(CWnd* parent);
  // Ends the tip: its window and drawing objects go (hiding alone would keep them).
  void Close();
  void SetOffset(int x, int y) {
    m_nOffsetX = x;
    m_nOffsetY = y;
  }
  int GetOffsetX() const { return m_nOffsetX; }
  int GetOffsetY() const { return m_nOffsetY; }
  const RECT& GetTextRect() const { return m_rcText; }
  const std::string& GetText() const { return m_text; }

  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  void DoDataExchange(CDataExchange*) override {}

 protected:
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;

 private:
  static constexpr UINT_PTR kCloseTimer = 100;
  CFont m_font;
  CRgn m_ellipse, m_pointer, m_shape;
  RECT m_rcText{};
  int m_nFontHeight = 16;
  std::string m_fontFace;
  std::string m_text;
  COLORREF m_crFill = 0x79E1EA, m_crOutline = 0x0C7A4D, m_crText = 0;
  UINT m_nWrapFormat = DT_CENTER | DT_WORDBREAK;
  int m_nOffsetX = 0, m_nOffsetY = 0;
};

class CSkinFrame {
 public:
  static constexpr int kTop = 0, kLeft = 1, kRight = 2, kBottom = 3, kBand = 4;
  virtual ~CSkinFrame() = default;

  void SetRect(int x, int y, int width, int height);
  void SetFillColor(COLORREF colour) { m_crFill = colour; }
  void Draw(CDC* dc, BOOL fillInterior);
  int GetTopFillWidth() const;

  // Five rows (top, left, right, bottom, band) of start, segment, middle or end, end pieces.
  CSkinBitmap m_pieces[5][4];
  int m_x = 0, m_y = 0, m_width = 0, m_height = 0;
  RECT m_rect{};
  COLORREF m_crFill = 0xFFFFFF;
  BOOL m_bBand = FALSE;

 private:
  void DrawSide(HDC dc, HDC memory, int row, bool horizontal, int x, int y, int length);
  int W(int row, int piece) const { return m_pieces[row][piece].IsLoaded() ? m_pieces[row][piece].m_nWidth : 0; }
  int H(int row, int piece) const { return m_pieces[row][piece].IsLoaded() ? m_pieces[row][piece].m_nHeight : 0; }
};
