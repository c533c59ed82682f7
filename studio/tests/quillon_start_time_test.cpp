// How soon the real program shows its window on a large machine. Run alone: a start timed while
// other tests load the machine measures them, not the program.
#include <gtest/gtest.h>

#include "platform/dshow/sim_hardware.h"
#include "platform/testkit/start_timing.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"
#include "product.h"

namespace studio {
namespace {

using namespace testkit;

// With a thousand devices and a large settings file the window still shows at once: listing
// the devices took minutes and reading the settings more than a minute, with no window meanwhile.
// The splash shows first; the main window comes after the second the splash always shows.
TEST(QuillonProcess, AThousandDevicesAndALargeSettingsFileStillShowTheWindowAtOnce) {
  Environment env(CurrentTestName());
  platform::StopWindowTransport();  // heard in this test's session
  platform::StartWindowTransport();
  WriteLargeMachine(env);
  ScopedVariable hardware("VIDARRO_SIMULATED", "");
  platform::dshow::sim::Hardware::Instance().Reload();
  ASSERT_EQ(platform::dshow::sim::Hardware::Instance().Devices().size(), 2000u);
  const long long limit = kWindowLimitMs;
  ProgramProcess quillon;
  const StartTimes times = TimeTheStart(env, "Quillon", {}, kProductTitle,
                                        "program Quillon\n"
                                        "step \"The capture page shows\" 60\n"
                                        "  wait-window \"Narvell Vidarro 5.0\"\n"
                                        "  wait-text 1122 \"DVD\"\n",
                                        &quillon);
  EXPECT_GE(times.window, 0) << quillon.Output();
  EXPECT_LT(times.window, limit);
  EXPECT_GE(times.firstStep, 0) << quillon.Output();
  EXPECT_LT(times.firstStep, limit + 1000) << "the splash's own second aside";
  int exitCode = -1;
  for (int attempt = 0; attempt < 300 && exitCode == -1; ++attempt) {
    if (HWND open = ::FindWindow("#32770", kProductTitle)) ::PostMessage(open, WM_CLOSE, 0, 0);
    exitCode = quillon.WaitForExit(200);
  }
  EXPECT_EQ(exitCode, 0) << quillon.Output();
}

}  // namespace
}  // namespace studio
