#include "platform/window/afx_dialog.h"

#include <cstdio>
#include <cstdlib>

#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

HWND CDataExchange::PrepareCtrl(int id) {
  m_last = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, id) : nullptr;
  return m_last;
}

void CDataExchange::Fail() {
  m_failed = true;
  if (m_last && ::IsWindow(m_last)) ::SetFocus(m_last);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  HWND control = dx->PrepareCtrl(id);
  if (!control) return;
  if (dx->m_bSaveAndValidate) {
    value = CWnd::FromHandle(control)->GetWindowText();
  } else {
    ::SetWindowText(control, value.c_str());
  }
}

namespace {

bool ParseInteger(const std::string& text, long long* out) {
  const char* s = text.c_str();
  while (*s == ' ') ++s;
  if (!*s) return false;
  char* end = nullptr;
  *out = std::strtoll(s, &end, 10);
  while (end && *end == ' ') ++end;
  return end && !*end;
}

template <typename T>
void ExchangeInteger(CDataExchange* dx, int id, T& value, long long lo, long long hi) {
  HWND control = dx->PrepareCtrl(id);
  if (!control) return;
  if (!dx->m_bSaveAndValidate) {
    ::SetWindowText(control, std::to_string(value).c_str());
    return;
  }
  long long v = 0;
  if (!ParseInteger(CWnd::FromHandle(control)->GetWindowText(), &v) || v < lo || v > hi) {
    AfxMessageBox("Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
    return;
  }
  value = static_cast<T>(v);
}

}  // namespace

void DDX_Text(CDataExchange* dx, int id, int& value) { ExchangeInteger(dx, id, value, INT32_MIN, INT32_MAX); }
void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeInteger(dx, id, value, 0, UINT32_MAX); }

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND control = dx->PrepareCtrl(id);
  if (!control) return;
  if (dx->m_bSaveAndValidate) value = static_cast<int>(::SendMessage(control, BM_GETCHECK, 0, 0));
  else ::SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  HWND first = dx->PrepareCtrl(id);
  if (!first) return;
  if (dx->m_bSaveAndValidate) value = -1;
  int index = 0;
  for (HWND h = first; h; h = ::GetWindow(h, GW_HWNDNEXT), ++index) {
    if (h != first && (::GetWindowLong(h, GWL_STYLE) & WS_GROUP)) break;
    if (dx->m_bSaveAndValidate) {
      if (::SendMessage(h, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      ::SendMessage(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
  }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.m_hWnd) return;
  HWND item = dx->PrepareCtrl(id);
  if (item) control.SubclassWindow(item);
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
  if (!dx->m_bSaveAndValidate) {
    if (dx->PrepareCtrl(0) == nullptr) return;
    return;
  }
  if (static_cast<int>(value.size()) > maxChars) {
    AfxMessageBox("Enter no more than " + std::to_string(maxChars) + " characters.", MB_OK | MB_ICONEXCLAMATION);
    dx->Fail();
  }
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue) {
  if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue)) return;
  AfxMessageBox("Enter an integer between " + std::to_string(minValue) + " and " + std::to_string(maxValue) + ".",
                MB_OK | MB_ICONEXCLAMATION);
  dx->Fail();
}

CDialog::CDialog(UINT idTemplate, CWnd* parent) : m_pParentWnd(parent) {
  m_lpszTemplateName = MAKEINTRESOURCE(idTemplate);
  m_nIDHelp = idTemplate;
}

CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_pParentWnd(parent) {
  if (templateName && !IS_INTRESOURCE(templateName)) {
    m_templateName = templateName;
    m_lpszTemplateName = m_templateName.c_str();
  } else {
    m_lpszTemplateName = templateName;
  }
}

void CDialog::InitModalIndirect(const platform::DialogTemplate& tmpl, CWnd* parent) {
  m_template = tmpl;
  m_pParentWnd = parent;
}

std::optional<platform::DialogTemplate> CDialog::LoadTemplate() const {
  if (m_template) return m_template;
  if (!m_lpszTemplateName) return std::nullopt;
  return platform::LoadDialogTemplate(AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG), m_lpszTemplateName);
}

HWND CDialog::OwnerWindow() const {
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  // Without a parent the owner is a window of this thread only: a dialog run on a second thread
  // (a splash screen) must not disable the main window of the first.
  auto ours = [](HWND h) { return h && ::GetWindowThreadProcessId(h, nullptr) == ::GetCurrentThreadId(); };
  if (!owner) {
    CWnd* main = AfxGetMainWnd();
    if (main && main != this && ::IsWindow(main->m_hWnd) && ours(main->m_hWnd)) owner = main->m_hWnd;
  }
  if (!owner && ours(::GetActiveWindow())) owner = ::GetActiveWindow();
  return owner ? ::GetAncestor(owner, GA_ROOT) : nullptr;
}

INT_PTR CDialog::DoModal() {
  auto t = LoadTemplate();
  if (!t || m_hWnd) return -1;
  t->style &= ~WS_VISIBLE;
  HookNextWindow();
  HWND dialog = ::CreateDialogIndirectParam(AfxGetResourceHandle(), *t, OwnerWindow(), nullptr, 0);
  platform::SetThreadCreationHook(nullptr, nullptr);
  if (!dialog) return -1;
  return platform::RunModalDialog(dialog, [dialog](MSG& m) {
    return AfxWalkPreTranslateTree(::GetAncestor(m.hwnd ? m.hwnd : dialog, GA_ROOT), &m) != FALSE;
  });
}

BOOL CDialog::Create(UINT idTemplate, CWnd* parent) { return Create(MAKEINTRESOURCE(idTemplate), parent); }

BOOL CDialog::Create(LPCSTR templateName, CWnd* parent) {
  if (parent) m_pParentWnd = parent;
  auto t = platform::LoadDialogTemplate(AfxFindResourceHandle(templateName, RT_DIALOG), templateName);
  return t ? CreateIndirect(*t, m_pParentWnd) : FALSE;
}

BOOL CDialog::CreateIndirect(const platform::DialogTemplate& tmpl, CWnd* parent) {
  if (m_hWnd) return FALSE;
  if (parent) m_pParentWnd = parent;
  HookNextWindow();
  HWND dialog = ::CreateDialogIndirectParam(AfxGetResourceHandle(), tmpl, OwnerWindow(), nullptr, 0);
  platform::SetThreadCreationHook(nullptr, nullptr);
  return dialog != nullptr;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return dx.Failed() ? FALSE : TRUE;
}

void CDialog::NextDlgCtrl() const {
  if (HWND next = ::GetNextDlgTabItem(m_hWnd, ::GetFocus(), FALSE)) ::SetFocus(next);
}

void CDialog::PrevDlgCtrl() const {
  if (HWND prev = ::GetNextDlgTabItem(m_hWnd, ::GetFocus(), TRUE)) ::SetFocus(prev);
}

void CDialog::GotoDlgCtrl(CWnd* control) {
  if (control && control->m_hWnd) ::SetFocus(control->m_hWnd);
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
  if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) return ::IsDialogMessage(m_hWnd, msg);
  return FALSE;
}

// OK and Cancel from buttons, Enter and Esc; a derived map's entries for them come first.
BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
AFX_ON_WM(WM_INITDIALOG, InitDialog, OnInitDialog)
END_MESSAGE_MAP()
