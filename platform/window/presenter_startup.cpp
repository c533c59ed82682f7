#include "platform/window/presenter_startup.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

std::mutex g_mu;
PresenterStarter g_starter;
bool g_started = false;

}  // namespace

void RegisterPresenterStarter(const PresenterStarter& starter) {
  std::lock_guard lock(g_mu);
  g_starter = starter;
}

bool StartPresenter(const std::string& programName) {
  std::lock_guard lock(g_mu);
  if (g_started) return true;
  const char* headless = std::getenv("VIDARRO_HEADLESS");
  if (headless && std::strcmp(headless, "1") == 0) return false;
  if (!g_starter.start) return false;
  g_started = g_starter.start(programName);
  return g_started;
}

void StopPresenter() {
  std::lock_guard lock(g_mu);
  if (!g_started) return;
  g_started = false;
  if (g_starter.stop) g_starter.stop();
}

}  // namespace platform
