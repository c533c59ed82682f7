// The small tool window that shows how far adding files has come, with a Cancel button.
#pragma once

#include <functional>

#include "converter/parvel_skin_widgets.h"
#include "platform/window/afx_dialog.h"

class CAddFilesWindow : public CDialog {
 public:
  static constexpr int kTextId = 100;
  static constexpr int kBarId = 101;

  // Range 1..count, starting at `start`; `closed` runs when it is cancelled or full.
  CAddFilesWindow(CWnd* owner, int count, int start, std::function<void()> closed);
  BOOL Open();
  // One file done; true when the range is full (the window has closed).
  bool Advance();
  bool IsClosedMark() const { return m_bClosed; }
  int Position() const { return m_bar.GetPos(); }
  std::string BarText() const { return m_bar.Text(); }

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;

 private:
  void Finish();
  CWnd* m_owner;
  int m_count;
  int m_start;
  std::function<void()> m_closed;
  CTextProgressCtrl m_bar;
  bool m_bClosed = false;
};
