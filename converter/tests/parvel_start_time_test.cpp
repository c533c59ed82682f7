// How soon the real converter shows its window on a large machine. Run alone: a start timed
// while other tests load the machine measures them, not the program.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/testkit/start_timing.h"
#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"

namespace {

using namespace testkit;

// With a thousand devices and a large settings file the window still shows at once: reading
// the settings took more than a minute with no window meanwhile.
TEST(ParvelProcesses, AThousandDevicesAndALargeSettingsFileStillShowTheWindowAtOnce) {
  Environment env(CurrentTestName());
  platform::StopWindowTransport();  // heard in this test's session
  platform::StartWindowTransport();
  WriteLargeMachine(env);
  ScopedVariable hardware("VIDARRO_SIMULATED", "");
  const long long limit = kWindowLimitMs;
  const std::string list = env.Temp() + "empty.tmp";
  std::ofstream(list) << "";
  ProgramProcess parvel;
  const StartTimes times = TimeTheStart(env, "Parvel", {list, "/PSP"}, "Publish - PSP",
                                        "program Parvel\n"
                                        "step \"The window shows\" 60\n"
                                        "  wait-window \"Publish - PSP\"\n"
                                        "  wait-enabled 1003\n",
                                        &parvel);
  EXPECT_GE(times.window, 0) << parvel.Output();
  EXPECT_LT(times.window, limit);
  EXPECT_GE(times.firstStep, 0) << parvel.Output();
  EXPECT_LT(times.firstStep, limit);
  if (HWND open = ::FindWindow("#32770", "Publish - PSP")) ::PostMessage(open, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, parvel.WaitForExit(60000)) << parvel.Output();
}

}  // namespace
