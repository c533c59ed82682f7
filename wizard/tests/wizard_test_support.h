// What the wizard's tests share: a fresh home with the wizard's libraries loaded, simulated
// writers, and the page the frame shows.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testkit/testkit.h"
#include "wendrel_dlg.h"
#include "wizard_app.h"

namespace wizardtest {

// One writer section; `extra` holds its further KEY=value lines.
std::string Writer(const std::string& id, const std::string& extra);
// Makes the sections the machine's writers (an empty list: no writer at all).
void UseWriters(const std::vector<std::string>& sections);

class WizardTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::ManualTime time_;
  testkit::MessageBoxAnswers boxes_;
  CWizardApp app_;
};

// The id of the page the frame shows; 0 for none.
int ActivePage(const CWendrelDlg& dialog);

}  // namespace wizardtest
