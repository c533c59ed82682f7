// The disc pages: disc type (241), no writer (196), writer choice (337) and blank disc (129).
#pragma once

#include <memory>

#include "platform/controls/afx_controls.h"
#include "widgets/tip_bitmap_button.h"
#include "widgets/skin_check_box.h"
#include "widgets/skin_combo_box.h"
#include "wizard_page.h"

class CDiscTypePage : public CWizardPage {
 public:
  CDiscTypePage();
  void OnSetActive() override;
  int GetBackPage() override { return -1; }
  int GetNextPage() override;

 protected:
  BOOL OnInitDialog() override;
  void OnDvd();
  void OnBluRay();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowChoice();
  CTipBitmapButton m_dvd, m_bluRay;
};

class CNoWriterPage : public CWizardPage {
 public:
  CNoWriterPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override;

 protected:
  BOOL OnInitDialog() override;
  void OnSaveToPC();
  DECLARE_MESSAGE_MAP()

 private:
  // Made once the UI library is known; its caption follows the disc type.
  std::unique_ptr<CSkinCheckBox> m_saveToPC;
};

class CWriterPage : public CWizardPage {
 public:
  CWriterPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override;

  static constexpr UINT_PTR kFillTimer = 100;

 protected:
  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  void OnSelectionChange();
  void OnEject();
  DECLARE_MESSAGE_MAP()

 private:
  void FillList();
  void ApplySelection();
  CTipBitmapButton m_eject;
  bool m_filled = false;  // the list of this visit was filled and its selection applied
  std::unique_ptr<CSkinComboBox> m_writers;
};

class CBlankDiscPage : public CWizardPage {
 public:
  CBlankDiscPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override;
  BOOL OnKillActive() override;

  static constexpr UINT_PTR kUnlockTimer = 100;

 protected:
  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id) override;
  DECLARE_MESSAGE_MAP()

 private:
  void Unlock();
  bool m_unlockPending = false;
};
