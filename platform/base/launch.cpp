#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/base/spawn.h"
#include "platform/base/strings.h"

namespace platform {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// A program, as opposed to a document that happens to carry the executable bit (as files on
// some mounted disks do): an ELF binary or a script.
bool LooksLikeProgram(const std::string& path) {
  if (!IsExecutableFile(path)) return false;
  File file;
  char head[4] = {};
  if (!file.Open(path, FileMode::Read) || !file.ReadExact(head, 2)) return false;
  if (head[0] == '#' && head[1] == '!') return true;
  return file.ReadExact(head + 2, 2) && std::memcmp(head,
                                                    "\x7f"
                                                    "ELF",
                                                    4) == 0;
}

bool IsAddress(const std::string& target) {
  const auto colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = target[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
  }
  return out;
}

bool Record(const std::string& verb, const std::string& target, const std::string& parameters) {
  const std::string line = Escape(verb) + "\t" + Escape(target) + "\t" + Escape(parameters) + "\n";
  File file;
  // One write on an O_APPEND file: lines of several processes never mix.
  return file.Open(LaunchRecordFile(), FileMode::Append) && file.Write(line) && file.Close();
}

bool HasDesktop() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && v[0] != '\0') return true;
  }
  return false;
}

bool SuiteProgramsMayRun() {
  const char* v = std::getenv("VIDARRO_LAUNCH_RUN_SUITE");
  return v != nullptr && std::strcmp(v, "1") == 0;
}

std::string SearchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    const std::string candidate = WithTrailingSlash(dir.empty() ? "." : dir) + name;
    if (IsExecutableFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string LaunchRecordFile() {
  const char* v = std::getenv("VIDARRO_LAUNCH_RECORD");
  return v ? v : "";
}

std::vector<LaunchRecord> ReadLaunchRecords() {
  std::vector<LaunchRecord> records;
  std::string text;
  if (LaunchRecordFile().empty() || !ReadWholeFile(LaunchRecordFile(), &text)) return records;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const auto tab1 = line.find('\t');
    const auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
    if (tab2 == std::string::npos) continue;
    records.push_back({Unescape(line.substr(0, tab1)), Unescape(line.substr(tab1 + 1, tab2 - tab1 - 1)),
                       Unescape(line.substr(tab2 + 1))});
  }
  return records;
}

std::string ResolveProgram(const std::string& name) {
  if (name.empty()) return {};
  std::string program = name;
  const bool exe = EndsWithNoCase(program, ".exe");
  if (exe) program.resize(program.size() - 4);
  if (program.find('/') != std::string::npos) return program;
  const std::string inApp = AppFolder() + program;
  if (exe || IsExecutableFile(inApp)) return inApp;
  return SearchPath(program);
}

bool IsSuiteProgram(const std::string& path) { return !path.empty() && FolderOf(path) == AppFolder(); }

bool StartDetached(const std::string& program, const std::string& parameters, const std::string& workFolder) {
  const std::string path = ResolveProgram(program);
  if (!LaunchRecordFile().empty()) {
    if (!Record("run", path.empty() ? program : path, parameters)) return false;
    if (!(SuiteProgramsMayRun() && IsSuiteProgram(path))) return true;
  }
  if (path.empty() || !IsExecutableFile(path)) return false;
  std::vector<std::string> argv{path};
  for (auto& a : SplitCommandLine(parameters)) argv.push_back(std::move(a));
  return SpawnDetached(path, argv, workFolder, &parameters);
}

bool ShellOpen(const std::string& target, const std::string& parameters, const std::string& verb,
               const std::string& workFolder) {
  // "play" is the opener's job too: the desktop starts the user's player for the file.
  if (!(verb.empty() || EqualsNoCase(verb, "open") || EqualsNoCase(verb, "explore") || EqualsNoCase(verb, "play")) ||
      target.empty())
    return false;
  const std::string shownVerb = verb.empty() ? "open" : ToLowerAscii(verb);
  if (!IsAddress(target)) {
    const std::string program = ResolveProgram(target);
    const bool suiteName = EndsWithNoCase(target, ".exe");
    if (suiteName || (!program.empty() && LooksLikeProgram(program)))
      return StartDetached(target, parameters, workFolder);
  }
  if (!LaunchRecordFile().empty()) return Record(shownVerb, target, parameters);
  if (!IsAddress(target) && access(target.c_str(), F_OK) != 0) return false;
  // Without a desktop the opener would fall back to a text-mode browser on our terminal.
  if (!HasDesktop()) return false;
  const std::string opener = SearchPath("xdg-open");
  if (opener.empty()) return false;
  return SpawnDetached(opener, {opener, target}, "", nullptr);
}

}  // namespace platform

HINSTANCE ShellExecute(HWND, const char* verb, const char* file, const char* parameters, const char* folder, int) {
  const std::string v = verb ? verb : "";
  if (!(v.empty() || platform::EqualsNoCase(v, "open") || platform::EqualsNoCase(v, "explore") ||
        platform::EqualsNoCase(v, "play")))
    return DwordToHandle<HINSTANCE>(31);
  if (file == nullptr) return DwordToHandle<HINSTANCE>(2);
  const bool ok = platform::ShellOpen(file, parameters ? parameters : "", v, folder ? folder : "");
  return DwordToHandle<HINSTANCE>(ok ? 42 : 2);
}
