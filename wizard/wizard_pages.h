// Builds the wizard's eleven pages in their list order.
#pragma once

#include <memory>
#include <vector>

#include "wizard_page.h"

std::vector<std::unique_ptr<CWizardPage>> MakeWizardPages();
