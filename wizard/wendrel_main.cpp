// Wendrel: the suite's step-by-step wizard that records, authors and burns a DVD or Blu-ray disc.
#include "wizard_app.h"

CWizardApp theApp;

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
