// Driving the record-and-burn pages: the wizard brought to its last page, device time moved on
// while the encoder keeps up, the worker threads waited for, and the burned disc read back.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "capture_graphs.h"
#include "wizard_state.h"
#include "wizard_test_support.h"

namespace wizardtest {

// The Blu-ray record-and-burn road: writer "A" holding a blank BD-R, the Blu-ray disc chosen and
// a minute to record; the capture graphs go with the test.
class BdRoadTest : public WizardTest {
 protected:
  void SetUp() override {
    WizardTest::SetUp();
    UseWriters({Writer("A", "WRITES=DVD+R,BD-R\nMEDIUM=BD-R\n")});
    wizard::State().discType = 1;
    wizard::State().recordingMinutes = 1;
  }
  void TearDown() override {
    wizard::ReleaseCaptureGraphs();
    WizardTest::TearDown();
  }
};

// Pumps (with short real sleeps for the worker threads), moving the clock on 50 ms a round so
// the page's timers run, until `done`; false after ~60 s.
bool PumpUntilReal(testkit::ManualTime& time, const std::function<bool()>& done, int seconds = 60);
// Moves the manual clock on by `ms` in steps (100 ms on the analog box, a frame's 34 ms on a
// camcorder), each once the recording graph has taken the frames of that time.
void RecordFor(testkit::ManualTime& time, int ms, bool analog);
// The image file of the simulated writer "A" of wizard_test_support.
std::string WriterImage(const std::string& id = "A");

struct DvdTitle {
  double seconds = 0;
  int chapters = 0;
};
struct DvdReading {
  bool ok = false;
  std::string discTitle;
  std::vector<DvdTitle> titles;
};
// lsdvd of an image or a folder.
DvdReading ReadDvd(const std::string& path);

}  // namespace wizardtest
