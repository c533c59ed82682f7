// How soon a program shows its windows on a large machine: a thousand USB capture boxes and a
// thousand sound inputs in the devices file and a settings file of 120,000 keys, and the times
// of a start measured from outside the program.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/file.h"
#include "platform/testkit/environment.h"
#include "platform/testkit/second_process.h"
#include "platform/window/window.h"

namespace testkit {

inline void WriteLargeMachine(const Environment& env) {
  std::filesystem::create_directories(env.Home() + "config/vidarro");
  std::ofstream devices(env.Home() + "config/vidarro/devices.ini");
  devices << "<DEVICES>\n";
  for (int i = 0; i < 1000; ++i) {
    char vidpid[64];
    std::snprintf(vidpid, sizeof vidpid, "vid_%04x&pid_%04x", 0x1000 + i, 0x2000 + i);
    devices << "[V" << i << "]\nKIND=usb\nNAME=Box " << i << "\nPATH=\\\\?\\usb#" << vidpid
            << "&mi_00#7&2a&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global\nFORMATS=720x480@29.97/YUY2\n";
  }
  for (int i = 0; i < 1000; ++i)
    devices << "[A" << i << "]\nKIND=audio\nNAME=Input " << i << "\nWAVEIN=" << i << "\nDSDESC=Input " << i
            << "\nDSPATH=\\\\?\\hdaudio#func_01#" << i << "#{6994ad04}\n";
  std::ofstream hive(env.Home() + "registry/HKEY_CURRENT_USER.reg", std::ios::binary);
  hive << "VIDARRO-REGISTRY 1 big\nK =Software\nK =Software\\Clips\n";
  char name[32];
  for (int i = 0; i < 120000; ++i) {
    std::snprintf(name, sizeof name, "Clip%06d", i);
    hive << "K =Software\\Clips\\" << name << "\nV =Length 4 01000000\n";
  }
  hive << "END\n";
}

// How soon a window must show: two seconds, or more in a checked Debug build.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr long long kWindowLimitMs = 20000;
#else
inline constexpr long long kWindowLimitMs = 2000;
#endif

// Milliseconds after its start that a program showed a dialog window titled `title`, and that
// its script (`step`, one step waiting for the main window) reported the step done; -1 for what
// never came within a minute.
struct StartTimes {
  long long window = -1;
  long long firstStep = -1;
};

inline StartTimes TimeTheStart(const Environment& env, const std::string& program, const std::vector<std::string>& args,
                               const char* title, const std::string& step, ProgramProcess* process) {
  const std::string script = env.Temp() + "first-step.script", report = env.Temp() + "first-step.txt";
  std::ofstream(script) << step;
  ScopedVariable named("VIDARRO_SCRIPT", script);
  ScopedVariable said("VIDARRO_SCRIPT_REPORT", report);
  StartTimes times;
  const auto start = std::chrono::steady_clock::now();
  if (!process->Start(program, args)) return times;
  while (times.firstStep < 0 && process->Running()) {
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    std::string reported;
    if (times.window < 0 && ::FindWindow("#32770", title)) times.window = ms;
    if (platform::ReadWholeFile(report, &reported) && reported.find("\tdone\t") != std::string::npos)
      times.firstStep = ms;
    if (ms > 60000) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return times;
}

}  // namespace testkit
