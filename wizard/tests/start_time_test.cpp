// How soon the real wizard and recorder show their windows with a thousand devices. Run alone: a
// start timed while other tests load the machine measures them, not the programs.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "platform/testkit/testkit.h"
#include "platform/window/remote_windows.h"
#include "platform/window/window.h"

namespace {

using namespace testkit;

constexpr const char* kTitle = "Narvell Vidarro 5.0";
constexpr DWORD kWaitMs = 30000;

// A thousand capture devices: the lists are built once, so each window shows as quickly as
// with a few.
TEST(WendrelProcesses, AThousandDevicesStillShowEachWindowWithinTwoSeconds) {
  Environment env(CurrentTestName());
  const std::string devices = env.Home() + "devices.ini";
  {
    std::ofstream file(devices);
    file << "<DEVICES>\n";
    for (int i = 0; i < 1000; ++i)
      file << "[IN" << i << "]\nKIND=audio\nNAME=Input " << i << "\nWAVEIN=" << i << "\nDSDESC=Input " << i
           << "\nDSPATH=\\\\?\\hdaudio#func_01#" << i << "#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\global\n";
  }
  ScopedVariable hardware("VIDARRO_DEVICES", devices);
  platform::StartWindowTransport();
  for (const char* name : {"Auvry", "Wendrel"}) {
    ProgramProcess program;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(program.Start(name));
    ASSERT_NE(nullptr, WaitForWindow("#32770", kTitle, kWaitMs)) << name << program.Output();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << name;
    EXPECT_EQ(0, program.CloseAndWait(kTitle)) << name << program.Output();
  }
}

}  // namespace
