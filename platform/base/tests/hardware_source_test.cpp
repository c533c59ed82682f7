#include "platform/base/hardware_source.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace platform {
namespace {

using test::ScopedEnv;

// The devices file decides whenever it exists, unless VIDARRO_SIMULATED=0 asks for the machine;
// without it VIDARRO_SIMULATED=1 (or its older audio name) is the built-in set; else the machine.
TEST(HardwareSource, DevicesFileThenSwitchThenMachine) {
  const std::string dir = test::FreshFolder("hardware");
  const std::string file = dir + "devices.ini";
  ScopedEnv devices("VIDARRO_DEVICES", file);
  ScopedEnv audio("VIDARRO_SIMULATED_AUDIO", std::nullopt);
  {
    ScopedEnv simulated("VIDARRO_SIMULATED", std::nullopt);
    EXPECT_EQ(WhichHardware().source, HardwareSource::Machine);
    EXPECT_FALSE(WhichHardware().Simulated());
  }
  {
    ScopedEnv simulated("VIDARRO_SIMULATED", "1");
    EXPECT_EQ(WhichHardware().source, HardwareSource::BuiltIn);
  }
  {
    ScopedEnv simulated("VIDARRO_SIMULATED", std::nullopt);
    ScopedEnv older("VIDARRO_SIMULATED_AUDIO", "1");
    EXPECT_EQ(WhichHardware().source, HardwareSource::BuiltIn);
  }
  ASSERT_TRUE(test::WriteText(file, "<DEVICES>\n"));
  for (const char* value : {"1", ""}) {
    ScopedEnv simulated("VIDARRO_SIMULATED", value);
    const HardwareChoice choice = WhichHardware();
    EXPECT_EQ(choice.source, HardwareSource::DevicesFile) << value;
    EXPECT_EQ(choice.file, file);
  }
  {
    ScopedEnv simulated("VIDARRO_SIMULATED", "0");
    ScopedEnv older("VIDARRO_SIMULATED_AUDIO", "1");
    EXPECT_EQ(WhichHardware().source, HardwareSource::Machine);
  }
}

}  // namespace
}  // namespace platform
