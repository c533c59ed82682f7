#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "steps.h"

namespace demo {

namespace {

// The job file as the wizard writes it: one chapter at the start of every clip.
std::string JobText(const std::string& discFolder, int clipCount) {
  std::string text = "\r\n[TARNEL]\r\nVERSION=0.5\r\n";
  text += "\r\n[AUTHORINFO]\r\nINPUTCOUNT=" + std::to_string(clipCount) + "\r\nOUTPUTPATH=" + discFolder + "\r\n";
  for (int n = 0; n < clipCount; ++n) text += "\r\n[INPUT" + std::to_string(n) + "]\r\nCHAPTERTIME=0\r\n";
  return text;
}

}  // namespace

bool AuthorBluray(const std::string& discFolder, int clipCount) {
  platform::Module tarnelModule("Tarnel.dll");
  auto tarnel = tarnelModule.Function<bool (*)(const char*)>("tarnel");
  auto progress = tarnelModule.Function<std::int32_t (*)()>("tarnel_progress");
  if (!tarnel || !progress) {
    std::printf("Tarnel.dll is not loaded: %s\n", platform::LastModuleError().c_str());
    return false;
  }
  const std::string config = platform::TempFolder() + "config.txt";
  const std::string job = JobText(discFolder, clipCount);
  if (!platform::WriteWholeFileAtomic(config, job)) {
    std::printf("Cannot write the job file %s\n", config.c_str());
    return false;
  }

  // The wizard runs the job on a worker thread and polls the progress on a timer.
  std::atomic<bool> done{false};
  bool result = false;
  std::thread worker([&] {
    result = tarnel(config.c_str());
    done = true;
  });
  int shown = -1;
  while (!done) {
    const int now = progress();
    if (now != shown) std::printf("  Blu-ray authoring: %d%%\n", shown = now);
    Sleep(20);
  }
  worker.join();
  std::printf("  Blu-ray authoring: %s (%d%%)\n", result ? "done" : "failed", progress());
  return result;
}

}  // namespace demo
