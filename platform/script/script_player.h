// Plays a program's steps of a script (script_file.h) on its own windows: a thread of its own
// waits and keeps each step's time limit, and every action runs on the program's thread, in
// its message loop, through the injected input the test kit uses. A step that is not done in
// time fails with its name and ends the program; nothing waits without limit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/script/script_file.h"

namespace platform::script {

// The exit code of a program whose script failed.
constexpr int kScriptFailedExitCode = 97;

struct PlayerOptions {
  std::string program;
  // Appended to, one line per event: "<program>\tdone\t<step>", "<program>\tfailed\t<step>\t<why>",
  // "<program>\tfinished\t<steps>"; none when empty.
  std::string reportFile;
  // A PNG of the window the actions acted on after each step; none when empty.
  std::string pictureFolder;
};

class ScriptPlayer {
 public:
  // On the thread whose windows the script acts on; playing starts at once.
  ScriptPlayer(std::vector<Step> steps, PlayerOptions options);
  // Stops as Stop does.
  ~ScriptPlayer();
  ScriptPlayer(const ScriptPlayer&) = delete;
  ScriptPlayer& operator=(const ScriptPlayer&) = delete;

  // Ends the playing; steps not done by now fail ("the program ended first"). Returns exitCode,
  // or kScriptFailedExitCode when a step failed. On the same thread as the constructor.
  int Stop(int exitCode);
  // Reports a script that cannot be played (missing, malformed) as a failed first step.
  static void ReportUnplayable(const PlayerOptions& options, const std::string& why);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace platform::script
