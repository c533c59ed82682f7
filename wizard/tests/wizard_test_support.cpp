#include "wizard_test_support.h"

#include <filesystem>

#include "platform/testkit/simulated_writers.h"
#include "platform/base/file.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_set.h"
#include "platform/window/resources.h"
#include "wizard_state.h"

namespace wizardtest {

namespace {
std::string ImageFolder() { return platform::LocalAppDataFolder() + "wizard-discs/"; }
}  // namespace

std::string Writer(const std::string& id, const std::string& extra) {
  return testkit::WriterSection(ImageFolder(), id, extra);
}

void UseWriters(const std::vector<std::string>& sections) {
  testkit::UseWriterSections(ImageFolder(), "wizard-writers.ini", sections);
}

void WizardTest::SetUp() {
  wizard::State() = wizard::WizardState{};
  wizard::State().windowTitle = "Narvell Vidarro 5.0";
  // Loaded once for the whole process: a library unloaded between tests leaves its resource
  // table behind in the lookup.
  static HMODULE own = ::LoadLibrary((app_.GetProgramFolder() + "Wendrel.dll").c_str());
  static HMODULE ui = ::LoadLibrary((app_.GetProgramFolder() + "Vidarro5UI.dll").c_str());
  static HMODULE extra = ::LoadLibrary((app_.GetProgramFolder() + "Vidarro5Extra.dll").c_str());
  static HMODULE images = ::LoadLibrary((app_.GetProgramFolder() + "VidarroImgData50.dll").c_str());
  ASSERT_NE(nullptr, own);
  ASSERT_NE(nullptr, ui);
  app_.SetResourceLibrary(own);
  wizard::State().uiLibrary = ui;
  wizard::State().extraLibrary = extra;
  wizard::State().imageLibrary = images;
  wizard::State().outputFolder = env_.Documents() + "Vidarro/";
  wizard::State().dvdFolder = env_.Documents() + "Vidarro/DVD Folders/";
  wizard::State().bdFolder = env_.Documents() + "Vidarro/BD Folders/";
  for (const std::string* folder :
       {&wizard::State().outputFolder, &wizard::State().dvdFolder, &wizard::State().bdFolder})
    std::filesystem::create_directories(*folder);
  UseWriters({Writer("A", "WRITES=DVD+R,DVD-RW,BD-R,BD-RE\nMEDIUM=DVD+R\n")});
}

void WizardTest::TearDown() {
  platform::ClearInputScript();
  testkit::ResetWindows();
  platform::disc::ReloadMachineDrives();
}

int ActivePage(const CWendrelDlg& dialog) {
  const CWizardPage* page = dialog.GetActivePage();
  return page ? static_cast<int>(page->m_nPageId) : 0;
}

}  // namespace wizardtest
