// What every control shares: its state object behind the window, double-buffered painting,
// fonts, colours from the parent and notifications. Internal to platform/controls.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/commctrl.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/gdi/arrow_button.h"
#include "platform/window/focus.h"
#include "platform/window/paint.h"

namespace platform::controls {

class Control {
 public:
  explicit Control(HWND hwnd)
      : hwnd_(hwnd),
        creationParent_(GetParent(hwnd)),
        bars_(static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)) & (WS_VSCROLL | WS_HSCROLL)) {}
  virtual ~Control() = default;
  virtual LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam);
  // A control made with nothing to scroll starts without its bars.
  void AfterCreate() { SyncScrollBars(); }

 protected:
  // Draws the whole client area into dc (a memory DC with the control's font selected).
  virtual void Paint(HDC dc, const RECT& client) = 0;
  // The colour message sent to the parent before painting, or 0 for none.
  virtual UINT CtlColorMessage() const { return WM_CTLCOLORSTATIC; }
  virtual int DefaultBackground() const { return COLOR_BTNFACE; }

  DWORD Style() const { return static_cast<DWORD>(GetWindowLong(hwnd_, GWL_STYLE)); }
  int Id() const { return GetDlgCtrlID(hwnd_); }
  bool Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  bool Focused() const { return GetFocus() == hwnd_; }
  RECT Client() const;
  std::string Text() const;
  void Invalidate() { InvalidateRect(hwnd_, nullptr, FALSE); }
  void Command(WORD code);
  LRESULT Notify(NMHDR* hdr, UINT code);
  // Where WM_NOTIFY goes: the window that was the parent when the control was made, as long as it
  // lives, so a control moved into a frame (a skinned scroll-bar frame) still reports to its dialog.
  HWND NotifyTarget() const;
  LRESULT Notify(UINT code) {
    NMHDR h;
    return Notify(&h, code);
  }
  // Asks the parent for the background brush (WM_CTLCOLOR...), which may also set dc colours.
  HBRUSH Background(HDC dc);
  HFONT Font() const { return font_ ? font_ : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }
  int LineHeight();
  // Borders (WS_BORDER, client and static edges) lie outside the client area, where the window
  // system draws them; controls paint their client area only.
  // Brings the window's own bars up to date before each paint; controls that scroll override it.
  virtual void SyncScrollBars() {}
  // Sets an own bar to range 0..last with a page and position, when the control was created with
  // that bar; the window system shows it only while there is something to scroll.
  void SyncBar(int bar, int last, int page, int pos, bool keepShown = false);
  // The position a WM_VSCROLL/WM_HSCROLL asks for (lines of `line`, pages of `page`), unclamped.
  int ScrolledPos(int bar, WPARAM wParam, int current, int line, int page, int last) const;

  HWND hwnd_;
  HWND creationParent_;
  HFONT font_ = nullptr;
  DWORD bars_;  // own bars asked for at creation
};

using ControlFactory = Control* (*)(HWND);
// Registers a class whose windows each get a fresh control object.
void RegisterControlClass(const char* name, ControlFactory factory, UINT classStyle, int background);

template <typename T>
Control* Make(HWND hwnd) {
  return new T(hwnd);
}

// Fills with a system colour.
void FillSys(HDC dc, const RECT& r, int colorIndex);
using gdi::DrawArrowButton;

void RegisterButton();
void RegisterStatic();
void RegisterEdit();
void RegisterListBox();
void RegisterComboBox();
void RegisterScrollBar();
void RegisterUpDown();
void RegisterProgress();
void RegisterTrackbar();
void RegisterToolTip();
void RegisterListView();
void RegisterTreeView();
void RegisterHeader();

}  // namespace platform::controls
