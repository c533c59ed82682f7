// The gallery's main dialog: a skin stretched over its background, an owner-drawn bitmap
// button, a clock on a timer, a modal sub-dialog, a message box and the common dialogs.
#pragma once

#include <map>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

class CGalleryDlg : public CDialog {
 public:
  explicit CGalleryDlg(CWnd* parent = nullptr);
  ~CGalleryDlg() override;

  static constexpr UINT_PTR kClockTimer = 1;
  static constexpr UINT kClockMs = 1000;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void OnDrawItem(int id, LPDRAWITEMSTRUCT item) override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;
  void OnPlay();
  void OnAbout();
  void OnOpen();
  void OnFolder();
  DECLARE_MESSAGE_MAP()

 private:
  // The skin's colour behind a point of the client area, so labels sit on it without a seam.
  COLORREF SkinColourAt(int y);

  HBITMAP background_ = nullptr;
  HBITMAP play_ = nullptr;
  int seconds_ = 0;
  std::map<COLORREF, HBRUSH> brushes_;
};
