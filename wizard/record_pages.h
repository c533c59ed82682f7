// The record-and-burn pages (343 DVD, 345 Blu-ray): the frame's last steps. Their recording and
// burning passes come separately; here they only take their place in the navigation.
#pragma once

#include "wizard_page.h"

class CDvdRecordPage : public CWizardPage {
 public:
  CDvdRecordPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override { return -1; }
};

class CBdRecordPage : public CWizardPage {
 public:
  CBdRecordPage();
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override { return -1; }
};
