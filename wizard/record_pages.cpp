#include "record_pages.h"

#include "capture_graphs.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"

CDvdRecordPage::CDvdRecordPage() : CWizardPage(IDD_PAGE_DVD_RECORD) {}

void CDvdRecordPage::OnSetActive() { ShowStep(this, "", 0); }

int CDvdRecordPage::GetBackPage() {
  wizard::ReleaseCaptureGraphs();
  return IDD_PAGE_RECORD_SETTINGS;
}

CBdRecordPage::CBdRecordPage() : CWizardPage(IDD_PAGE_BD_RECORD) {}

void CBdRecordPage::OnSetActive() { ShowStep(this, "", 0); }

int CBdRecordPage::GetBackPage() {
  if (wizard::DvGraph().release) wizard::DvGraph().release();
  return IDD_PAGE_RECORD_SETTINGS;
}
