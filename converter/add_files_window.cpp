#include "converter/add_files_window.h"

#include "converter/parvel_ids.h"
#include "converter/parvel_settings.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"

CAddFilesWindow::CAddFilesWindow(CWnd* owner, int count, int start, std::function<void()> closed)
    : m_owner(owner), m_count(count), m_start(start), m_closed(std::move(closed)) {}

BOOL CAddFilesWindow::Open() {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER;
  t.exStyle = WS_EX_TOOLWINDOW;
  t.caption = ResString(IDS_TIP_ADD, "Add Files");
  t.cx = 267;  // 400 by 150 pixels at the dialog font
  t.cy = 75;
  platform::AddDialogItem(t, "Static", "", kTextId, WS_CHILD | SS_LEFT, 10, 8, 247, 10);
  platform::AddDialogItem(t, PROGRESS_CLASS, "", kBarId, WS_CHILD, 10, 24, 247, 14);
  platform::AddDialogItem(t, "Button", "Cancel", IDCANCEL, WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 107, 50, 53, 16);
  return CreateIndirect(t, m_owner);
}

BOOL CAddFilesWindow::OnInitDialog() {
  CDialog::OnInitDialog();
  m_bar.SubclassDlgItem(kBarId, this);
  m_bar.SetRange(1, m_count);
  m_bar.SetPos(m_start);
  SetDlgItemText(kTextId, ResString(IDS_TIP_ADD, "Add Files"));
  ShowWindow(SW_SHOW);
  return TRUE;
}

bool CAddFilesWindow::Advance() {
  if (m_bClosed) return true;
  const int next = m_bar.GetPos() + 1;
  if (next >= m_count) {
    m_bar.SetPos(m_count);
    Finish();
    return true;
  }
  m_bar.SetPos(next);
  return false;
}

void CAddFilesWindow::OnCancel() { Finish(); }

void CAddFilesWindow::Finish() {
  if (m_bClosed) return;
  m_bar.SetPos(1);
  m_bClosed = true;
  DestroyWindow();
  if (m_owner && m_owner->GetSafeHwnd()) m_owner->SetForegroundWindow();
  if (m_closed) m_closed();
}
