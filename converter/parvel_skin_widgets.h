// The converter's skin widgets, drawn from the image library's bitmaps. The uploader builds the
// same classes; where the suite's widget library already has a control, these are its names for it.
#pragma once

#include <string>

#include "converter/skin_bitmap_combo_box.h"
#include "platform/controls/afx_controls.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_button.h"
#include "widgets/skin_check_box.h"
#include "widgets/skin_scroll_bar.h"

// Five looks side by side (normal, hover, pressed, disabled, region mask), red cut away. The
// mouse over a button gives it the keyboard focus, so Enter and Space act on what the user points at.
class CSkinBitmapButton : public CSkinButton {
 public:
  BOOL LoadBitmaps(HINSTANCE module, UINT id, int cx, int cy, BOOL oneImage = FALSE);
  // The look shown while the mouse is away: 0 normal, 1 hover, 2 pressed, 3 disabled.
  void SetLatched(int look) { SetState(look); }

 protected:
  void OnMouseMove(UINT flags, CPoint point) override;
};

// The strip's magenta pixels show the background (the parent's brush when one is set).
class CSkinBitmapCheckBox : public CSkinCheckBox {
 public:
  static constexpr COLORREF kTransparent = RGB(255, 0, 255);
  CSkinBitmapCheckBox(HINSTANCE module, UINT id, int squareSize) : CSkinCheckBox(module, id, squareSize) {
    SetTransparentColor(kTransparent);
  }
};

// Empty half above, filled half below; an empty range shows nothing.
class CSkinBitmapProgressBar : public CBitmapProgressBar {};

// An edit with a solid background and its own text colours.
class CSkinColorEdit : public CEdit {
 public:
  ~CSkinColorEdit() override;
  void SetColors(COLORREF brush, COLORREF textBackground, COLORREF text);
  HBRUSH CtlColor(CDC* dc, UINT ctlColor);

 private:
  HBRUSH m_hBrush = nullptr;
  COLORREF m_crTextBack = RGB(255, 255, 255);
  COLORREF m_crText = RGB(0, 0, 0);
  DECLARE_MESSAGE_MAP()
};

// A progress bar with its percentage written over it: green filled part, white rest.
class CTextProgressCtrl : public CProgressCtrl {
 public:
  static constexpr COLORREF kFilled = RGB(0x35, 0xD5, 0x38);

  void SetRange(int min, int max);
  void SetStep(int step) { m_nStep = step; }
  int SetPos(int pos);
  int GetPos() const { return m_nPos; }
  int StepIt() { return SetPos(m_nPos + m_nStep); }
  // The text drawn: "%d%%", after the window text when there is one.
  std::string Text() const;
  int FilledWidth() const;

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }

 private:
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nPos = 0;
  int m_nStep = 1;
  int m_nDrawnWidth = -1;
};

// Scroll bars from a strip of nine square tiles in place of a window's own.
using CSkinBitmapScrollBar = CSkinScrollBar;
using CSkinBitmapScrollFrame = CSkinScrollBarFrame;
inline CSkinBitmapScrollFrame* AttachSkinScrollBars(HWND window, HBITMAP tiles) {
  return CSkinScrollBarFrame::Attach(window, tiles);
}
inline void DetachSkinScrollBars(HWND window) { CSkinScrollBarFrame::Detach(window); }

// The file list's header: a one-pixel background strip tiled at 21 pixels, a separator at each
// column's right edge and the column titles centred in black, painted without erasing.
class CSkinBitmapHeaderCtrl : public CWnd {
 public:
  static constexpr int kHeight = 21;
  static constexpr int kLayoutFontHeight = 12;
  static constexpr int kLayoutFontWeight = 600;

  ~CSkinBitmapHeaderCtrl() override;
  // Subclasses the header of `list`; the bitmaps come from `module`, the titles from the strings.
  BOOL Attach(HWND list, HINSTANCE module, UINT backgroundId, UINT separatorId, const std::string titles[5],
              HFONT titleFont);

 protected:
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override { return dc != nullptr; }
  void OnWindowPosChanged(LPWINDOWPOS pos) override;

 private:
  HBITMAP m_hBackground = nullptr;
  HBITMAP m_hSeparator = nullptr;
  HFONT m_hTitleFont = nullptr;
  HFONT m_hLayoutFont = nullptr;
  std::string m_titles[5];
};
