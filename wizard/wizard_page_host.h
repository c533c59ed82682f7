// CWizardPageHost: the dialog that holds the wizard's pages, shows one at a time over its
// placeholder and moves between them with Back, Next, Finish and Cancel.
#pragma once

#include <vector>

#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "wizard_page.h"

class CWizardPageHost : public CDialog {
 public:
  explicit CWizardPageHost(UINT idTemplate, CWnd* parent = nullptr);

  void AddPage(CWizardPage* page, UINT pageId);
  CWizardPage* FindPage(int pageId) const;
  CWizardPage* GetActivePage() const;
  BOOL ActivatePage(CWizardPage* page);
  BOOL SetActivePage(int pageId);
  BOOL ClosePage(CWizardPage* page);

  void EnableBack(BOOL enable);
  void EnableNext(BOOL enable);
  void EnableFinish(BOOL enable);
  void SetStepTitle(const std::string& text);
  void SetStepIndicator(int step);

  const std::vector<CWizardPage*>& Pages() const { return m_pages; }

 protected:
  BOOL OnInitDialog() override;
  void OnDestroy() override;
  void OnBack();
  void OnNext();
  virtual void OnFinish();
  // TRUE when the pages agreed and the dialog ended.
  BOOL FinishPages();
  void OnCancelPages();
  virtual void OnStepIndicator(int step);
  DECLARE_MESSAGE_MAP()

  UINT m_placeholderId = 1000;
  CFont m_titleFont;

 private:
  int IndexOf(const CWizardPage* page) const;

  std::vector<CWizardPage*> m_pages;
};
