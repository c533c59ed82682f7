// How a program comes to play a script of user actions: the player library registers its
// starter, program start-up runs it before the program's first window and stops it at the end.
// Without a registered player, or without a script named in VIDARRO_SCRIPT, nothing plays.
#pragma once

#include <string>

namespace platform {

struct ScriptPlayerStarter {
  // Starts playing this program's part of the script, if any; called on the program's thread.
  void (*start)(const std::string& programName, const std::string& commandLine) = nullptr;
  // Ends the playing; returns the program's exit code, or a code of its own when a step failed.
  int (*stop)(int exitCode) = nullptr;
};

void RegisterScriptPlayer(const ScriptPlayerStarter& starter);
void StartScriptPlayer(const std::string& programName, const std::string& commandLine);
int StopScriptPlayer(int exitCode);

}  // namespace platform
