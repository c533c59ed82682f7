#include "platform/window/script_startup.h"

#include <mutex>

namespace platform {
namespace {

std::mutex g_mu;
ScriptPlayerStarter g_starter;
bool g_started = false;

}  // namespace

void RegisterScriptPlayer(const ScriptPlayerStarter& starter) {
  std::lock_guard lock(g_mu);
  g_starter = starter;
}

void StartScriptPlayer(const std::string& programName, const std::string& commandLine) {
  ScriptPlayerStarter starter;
  {
    std::lock_guard lock(g_mu);
    if (g_started || !g_starter.start) return;
    g_started = true;
    starter = g_starter;
  }
  starter.start(programName, commandLine);
}

int StopScriptPlayer(int exitCode) {
  ScriptPlayerStarter starter;
  {
    std::lock_guard lock(g_mu);
    if (!g_started) return exitCode;
    g_started = false;
    starter = g_starter;
  }
  return starter.stop ? starter.stop(exitCode) : exitCode;
}

}  // namespace platform
