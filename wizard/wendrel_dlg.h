// CWendrelDlg: the wizard's skinned frame (dialog 102) with its buttons, menus and step
// indicator; it owns the eleven pages and ends the wizard through one teardown.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/afx_gdi.h"
#include "widgets/tip_bitmap_button.h"
#include "widgets/bitmap_progress_bar.h"
#include "wizard_page_host.h"

class CWendrelDlg : public CWizardPageHost {
 public:
  explicit CWendrelDlg(CWnd* parent = nullptr);
  ~CWendrelDlg() override;

  void SetButtonLayout(int pageId);
  void InvalidateStepArea();
  // 0 frees the buttons; 1 to 3 (a recording or burn runs) hold them and refuse closing.
  void SetBusyState(int state);
  int BusyState() const { return m_busyState; }

  // Writer, graphs, medium lock and screen saver are put back exactly once, however the dialog
  // ends.
  void Teardown();
  bool TornDown() const { return m_tornDown; }

  static constexpr int kDefaultWidth = 800;
  static constexpr int kDefaultHeight = 550;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  void OnDestroy() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnSysCommand(UINT id, LPARAM param) override;
  BOOL OnDeviceChange(UINT event, DWORD_PTR data) override;
  void OnClose() override;
  void OnFinish() override;
  void OnStepIndicator(int step) override;
  void OnExit();
  void OnMinimize();
  void OnHelpButton();
  void OnHelpContents();
  void OnHelpSupport();
  void OnHelpSpecs();
  void OnHelpAbout();
  DECLARE_MESSAGE_MAP()

 private:
  void RunExitProcedure();
  void ApplySkin();
  void ApplyRegion();

  std::vector<std::unique_ptr<CWizardPage>> m_ownedPages;
  HBITMAP m_background = nullptr;
  CBitmap m_backgroundOwner;
  CBrush m_patternBrush;
  HBITMAP m_logo = nullptr;
  CBitmap m_logoOwner;
  CBitmapProgressBar m_steps;
  CTipBitmapButton m_back, m_next, m_finish, m_help, m_minimize, m_exit;
  int m_busyState = 0;
  bool m_tornDown = false;
  bool m_initialised = false;
};

class CWizardPage;
// Sets the step title, the indicator and the button layout of the page's step.
void ShowStep(CWizardPage* page, const std::string& title, int indicator);
// "Step <label> <title>".
std::string StepTitle(const char* label, UINT titleId);
