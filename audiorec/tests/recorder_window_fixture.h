// The recorder's main window in the test process: a fresh home, the default simulated hardware,
// the manual clock and the resource libraries of the application folder.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audiorec/recorder_app.h"
#include "audiorec/recorder_dlg.h"
#include "platform/base/local_time.h"
#include "platform/controls/commctrl.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/testkit/testkit.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"

namespace auvry::testing {

class RecorderWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's own sound cards stay as they are.
    setenv("VIDARRO_SIMULATED_AUDIO", "1", 1);
    platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
    platform::SetLocalTimeSource(&localTime_);
    ASSERT_FALSE(app_.FindRunningProgram());
    ASSERT_TRUE(app_.LoadResourceLibraries());
  }
  void TearDown() override {
    RecordEngine().Close();
    platform::SetLocalTimeSource(nullptr);
    app_.ExitInstance();
    testkit::ResetWindows();
  }
  // Moves the clock on in 100 ms steps; the sources deliver each step before the window's timers
  // see it.
  void Advance(int ms) {
    for (int t = 0; t < ms; t += 100) {
      time_.Clock().Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      testkit::Pump();
    }
  }
  static std::string RowText(HWND dialog, int row, int column) {
    char text[260] = {};
    LVITEM item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessage(::GetDlgItem(dialog, IDC_AUVRY_LIST), LVM_GETITEMTEXT, static_cast<WPARAM>(row),
                  reinterpret_cast<LPARAM>(&item));
    return text;
  }
  static std::string SelectedDevice(HWND dialog) {
    HWND combo = ::GetDlgItem(dialog, IDC_AUVRY_DEVICE);
    const LRESULT index = ::SendMessage(combo, CB_GETCURSEL, 0, 0);
    char text[260] = {};
    if (index >= 0) ::SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
  }
  static int Rows(HWND dialog) {
    return static_cast<int>(::SendMessage(::GetDlgItem(dialog, IDC_AUVRY_LIST), LVM_GETITEMCOUNT, 0, 0));
  }

  testkit::Environment env_{testkit::CurrentTestName()};
  testkit::ManualTime time_;
  testkit::MessageBoxAnswers boxes_;
  platform::FixedLocalTime localTime_{2026, 12, 9, 13, 5, 42};
  CRecorderApp app_;
};

}  // namespace auvry::testing
