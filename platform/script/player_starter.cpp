// Hands the script player to program start-up: VIDARRO_SCRIPT names the script,
// VIDARRO_SCRIPT_REPORT the file its events are appended to, VIDARRO_SCRIPT_PICTURES the folder
// for a picture after each step.
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/base/file.h"
#include "platform/script/script_player.h"
#include "platform/window/messages.h"
#include "platform/window/script_startup.h"

namespace {

using namespace platform::script;

// A script larger than this is not a script.
constexpr std::size_t kMaxScriptBytes = 1024 * 1024;

std::unique_ptr<ScriptPlayer> g_player;
bool g_unplayable = false;

std::string Variable(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

void Start(const std::string& program, const std::string& commandLine) {
  const std::string file = Variable("VIDARRO_SCRIPT");
  if (file.empty()) return;
  const PlayerOptions options{program, Variable("VIDARRO_SCRIPT_REPORT"), Variable("VIDARRO_SCRIPT_PICTURES")};
  std::string text;
  std::string error;
  std::optional<std::vector<Step>> steps;
  if (!platform::ReadWholeFileLimited(file, kMaxScriptBytes, &text)) error = "cannot read the script " + file;
  else if (!(steps = ParseScript(text, program, commandLine, &error))) error = file + ": " + error;
  if (!steps) {
    // A script that cannot be played ends the program before it shows anything.
    ScriptPlayer::ReportUnplayable(options, error);
    g_unplayable = true;
    PostQuitMessage(kScriptFailedExitCode);
    return;
  }
  if (!steps->empty()) g_player = std::make_unique<ScriptPlayer>(std::move(*steps), options);
}

int Stop(int exitCode) {
  if (g_unplayable) return kScriptFailedExitCode;
  if (!g_player) return exitCode;
  const int code = g_player->Stop(exitCode);
  g_player.reset();
  return code;
}

const bool g_registered = (platform::RegisterScriptPlayer({&Start, &Stop}), true);

}  // namespace
