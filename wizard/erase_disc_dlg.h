// CEraseDiscDlg (dialog 204): erases the rewritable disc in the current writer, showing an
// estimated progress; IDOK when the disc was erased, IDCANCEL when it was not. Also the folder
// access check of the burn options.
#pragma once

#include <string>

#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/bitmap_progress_bar.h"

class CEraseDiscDlg : public CDialog {
 public:
  explicit CEraseDiscDlg(CWnd* parent = nullptr);

  static constexpr UINT_PTR kTimer = 100;
  static constexpr UINT kTickMs = 1000;

  // The estimate shown at the tick after `seconds` seconds: log10((10 + seconds) / 10) x 100,
  // at most 99.
  static int EstimatedPercent(int seconds);

 protected:
  BOOL OnInitDialog() override;
  // Only the erase ends the dialog.
  void OnOK() override {}
  void OnCancel() override {}
  void OnTimer(UINT_PTR id) override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  DECLARE_MESSAGE_MAP()

 private:
  void ShowPercent(int percent);

  CBitmapProgressBar m_progress;
  HBITMAP m_background = nullptr;
  CBitmap m_backgroundOwner;
  CBrush m_brush;
  int m_ticks = 0;
  bool m_startFailed = false;
};

// Whether a sub-folder (*canCreateFolders) and a file (*canAddFiles) can be made in the folder;
// both 0 for a missing folder or a file.
void CheckFolderAccess(const std::string& path, int* canCreateFolders, int* canAddFiles);
