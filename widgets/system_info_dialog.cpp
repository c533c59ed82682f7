#include "widgets/system_info_dialog.h"

#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "widgets/system_facts.h"

namespace {

platform::DialogTemplate SystemInfoTemplate() {
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.caption = CSystemInfoDialog::kCaption;
  t.cx = 280;
  t.cy = 190;
  platform::AddDialogItem(t, "Edit", "", CSystemInfoDialog::kTextId,
                          WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 7, 7, 266,
                          156);
  platform::AddDialogItem(t, "Button", "Close", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON, 223, 169, 50, 14);
  return t;
}

}  // namespace

CSystemInfoDialog::CSystemInfoDialog(CWnd* parent) { InitModalIndirect(SystemInfoTemplate(), parent); }

BOOL CSystemInfoDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(kTextId, DescribeSystem(GatherSystemFacts()).c_str());
  // The Close button has the focus, so Enter closes and the text shows no caret.
  if (HWND close = ::GetDlgItem(m_hWnd, IDOK)) ::SetFocus(close);
  return FALSE;
}
