#include "wizard_pages.h"

#include "disc_pages.h"
#include "record_burn_bd_page.h"
#include "record_burn_dvd_page.h"
#include "record_settings_page.h"
#include "source_pages.h"

std::vector<std::unique_ptr<CWizardPage>> MakeWizardPages() {
  std::vector<std::unique_ptr<CWizardPage>> pages;
  pages.push_back(std::make_unique<CDiscTypePage>());
  pages.push_back(std::make_unique<CNoWriterPage>());
  pages.push_back(std::make_unique<CWriterPage>());
  pages.push_back(std::make_unique<CBlankDiscPage>());
  pages.push_back(std::make_unique<CPlayerPage>());
  pages.push_back(std::make_unique<CCablePage>());
  pages.push_back(std::make_unique<CConnectPage>());
  pages.push_back(std::make_unique<CNoCaptureDevicePage>());
  pages.push_back(std::make_unique<CRecordSettingsPage>());
  pages.push_back(std::make_unique<CRecordBurnDvdPage>());
  pages.push_back(std::make_unique<CRecordBurnBdPage>());
  return pages;
}
