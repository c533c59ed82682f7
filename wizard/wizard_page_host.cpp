#include "wizard_page_host.h"

#include <cstdlib>

#include "wizard_ids.h"
#include "wizard_text.h"

BEGIN_MESSAGE_MAP(CWizardPageHost, CDialog)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_BACK, &CWizardPageHost::OnBack)
ON_BN_CLICKED(IDC_NEXT, &CWizardPageHost::OnNext)
ON_BN_CLICKED(IDC_FINISH, &CWizardPageHost::OnFinish)
ON_BN_CLICKED(IDC_CANCEL, &CWizardPageHost::OnCancelPages)
END_MESSAGE_MAP()

CWizardPageHost::CWizardPageHost(UINT idTemplate, CWnd* parent) : CDialog(idTemplate, parent) {}

void CWizardPageHost::AddPage(CWizardPage* page, UINT pageId) {
  page->m_nPageId = pageId;
  m_pages.push_back(page);
}

CWizardPage* CWizardPageHost::FindPage(int pageId) const {
  for (CWizardPage* page : m_pages)
    if (static_cast<int>(page->m_nPageId) == pageId) return page;
  return nullptr;
}

CWizardPage* CWizardPageHost::GetActivePage() const {
  for (CWizardPage* page : m_pages)
    if (page->m_bActive) return page;
  return nullptr;
}

int CWizardPageHost::IndexOf(const CWizardPage* page) const {
  for (std::size_t i = 0; i < m_pages.size(); ++i)
    if (m_pages[i] == page) return static_cast<int>(i);
  return -1;
}

BOOL CWizardPageHost::ActivatePage(CWizardPage* page) {
  if (!page) return FALSE;
  if (!page->m_hWnd) {
    if (!page->Create(page->m_nPageId, this)) return FALSE;
    page->m_bCreated = TRUE;
    page->m_pHost = this;
    if (!page->OnPageCreate()) return FALSE;
  }
  if (CWizardPage* active = GetActivePage(); active && active != page) {
    if (!active->OnKillActive()) return FALSE;
    active->ShowWindow(SW_HIDE);
    active->m_bActive = FALSE;
  }
  RECT place{};
  if (HWND placeholder = ::GetDlgItem(m_hWnd, static_cast<int>(m_placeholderId))) {
    ::GetWindowRect(placeholder, &place);
    ScreenToClient(&place);
  }
  page->SetWindowPos(nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  page->EnableWindow(TRUE);
  page->OnSetActive();
  page->ShowWindow(SW_SHOW);
  page->UpdateWindow();
  page->m_bActive = TRUE;
  return TRUE;
}

BOOL CWizardPageHost::SetActivePage(int pageId) { return ActivatePage(FindPage(pageId)); }

BOOL CWizardPageHost::ClosePage(CWizardPage* page) {
  if (!page->m_bCreated) return TRUE;
  if (!page->OnKillActive()) return FALSE;
  page->OnPageDestroy();
  page->DestroyWindow();
  page->m_bCreated = FALSE;
  page->m_bActive = FALSE;
  return TRUE;
}

void CWizardPageHost::EnableBack(BOOL enable) {
  if (HWND item = ::GetDlgItem(m_hWnd, IDC_BACK)) ::EnableWindow(item, enable);
}
void CWizardPageHost::EnableNext(BOOL enable) {
  if (HWND item = ::GetDlgItem(m_hWnd, IDC_NEXT)) ::EnableWindow(item, enable);
}
void CWizardPageHost::EnableFinish(BOOL enable) {
  if (HWND item = ::GetDlgItem(m_hWnd, IDC_FINISH)) ::EnableWindow(item, enable);
}

void CWizardPageHost::SetStepTitle(const std::string& text) { SetDlgItemText(IDC_STEP_TITLE, text.c_str()); }

void CWizardPageHost::SetStepIndicator(int step) { OnStepIndicator(step); }

void CWizardPageHost::OnStepIndicator(int) {}

BOOL CWizardPageHost::OnInitDialog() {
  CDialog::OnInitDialog();
  ModifyStyleEx(0, WS_EX_CONTROLPARENT);
  ModifyStyle(0, WS_MINIMIZEBOX | WS_SYSMENU);
  std::string face = wizard::Text(IDS_FONT_FACE);
  if (face.empty()) face = "Arial";
  const std::string height = wizard::Text(IDS_TITLE_FONT_HEIGHT);
  const std::string weight = wizard::Text(IDS_TITLE_FONT_WEIGHT);
  m_titleFont.CreateFont(std::atoi(height.empty() ? "20" : height.c_str()), 0, 0, 0,
                         std::atoi(weight.empty() ? "500" : weight.c_str()), 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                         face.c_str());
  if (HWND title = ::GetDlgItem(m_hWnd, IDC_STEP_TITLE))
    ::SendMessage(title, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_titleFont)), TRUE);
  if (HWND placeholder = ::GetDlgItem(m_hWnd, static_cast<int>(m_placeholderId)))
    ::MoveWindow(placeholder, 17, 118, CWizardPage::kWidth, CWizardPage::kHeight, FALSE);
  return TRUE;
}

void CWizardPageHost::OnDestroy() {
  for (CWizardPage* page : m_pages) {
    if (!page->m_bCreated) continue;
    // The dialog is going away: a page cannot refuse now.
    page->OnPageDestroy();
    page->DestroyWindow();
    page->m_bCreated = FALSE;
    page->m_bActive = FALSE;
  }
  CDialog::OnDestroy();
}

void CWizardPageHost::OnBack() {
  CWizardPage* active = GetActivePage();
  if (!active) return;
  const int answer = active->GetBackPage();
  if (answer == -1) return;
  CWizardPage* target = nullptr;
  if (answer == 0) {
    const int index = IndexOf(active);
    if (index > 0) target = m_pages[static_cast<std::size_t>(index) - 1];
  } else {
    target = FindPage(answer);
  }
  if (!target || !ActivatePage(target)) return;
  if (IndexOf(target) == 0) {
    EnableBack(FALSE);
    EnableFinish(TRUE);
  }
  EnableNext(TRUE);
}

void CWizardPageHost::OnNext() {
  CWizardPage* active = GetActivePage();
  if (!active) return;
  const int answer = active->GetNextPage();
  if (answer == -1) return;
  CWizardPage* target = nullptr;
  if (answer == 0) {
    const int index = IndexOf(active);
    if (index >= 0 && index + 1 < static_cast<int>(m_pages.size()))
      target = m_pages[static_cast<std::size_t>(index) + 1];
  } else {
    target = FindPage(answer);
  }
  if (!target || !ActivatePage(target)) return;
  if (IndexOf(target) + 1 == static_cast<int>(m_pages.size())) {
    EnableNext(FALSE);
    EnableFinish(TRUE);
  }
  EnableBack(TRUE);
}

BOOL CWizardPageHost::FinishPages() {
  if (CWizardPage* active = GetActivePage(); active && !active->OnKillActive()) return FALSE;
  for (CWizardPage* page : m_pages)
    if (page->m_bCreated && !page->OnWizardFinish()) return FALSE;
  UpdateData(TRUE);
  EndDialog(IDC_FINISH);
  return TRUE;
}

void CWizardPageHost::OnFinish() { FinishPages(); }

void CWizardPageHost::OnCancelPages() {
  for (CWizardPage* page : m_pages)
    if (page->m_bCreated && !page->OnQueryCancel()) return;
  CDialog::OnCancel();
}
