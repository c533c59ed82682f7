#include "platform/disc/image_tool.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/base/strings.h"
#include "platform/disc/sense_codes.h"

namespace platform::disc {
namespace {

constexpr int kPipeBytes = 1 << 20;

std::vector<std::string> ToolArgs(FolderImage kind, const std::string& folder, const std::string& label,
                                  bool printSize) {
  std::vector<std::string> args = {platform::ResolveProgram("genisoimage"), "-quiet"};
  if (printSize) args.push_back("-print-size");
  if (kind == FolderImage::DvdVideo) {
    args.push_back("-dvd-video");
  } else {
    // UDF carries the long names; the ISO 9660 side takes what its level allows.
    args.insert(args.end(), {"-udf", "-allow-limited-size", "-iso-level", "3"});
  }
  const std::string volume = VolumeLabel(label);
  if (!volume.empty()) args.insert(args.end(), {"-V", volume});
  args.push_back(folder);
  return args;
}

std::string NewLogPath() {
  static std::atomic<int> counter{0};
  return platform::TempFolder() + platform::Format("genisoimage-%d-%d.log", static_cast<int>(getpid()), ++counter);
}

// Starts the tool with stdout into a pipe (or into `intoFile`) and stderr into the log; null when
// it cannot run. The tool ends when this process dies, so no image is left being made for nobody.
std::unique_ptr<platform::ChildProcess> StartTool(const std::vector<std::string>& args, const std::string& log,
                                                  int* outFd, const std::string& intoFile = {}) {
  if (args[0].empty()) return nullptr;
  auto tool = std::make_unique<platform::ChildProcess>();
  platform::ChildOptions options;
  options.errorFile = log;
  options.outputFile = intoFile;
  if (!tool->Start(args[0], std::vector<std::string>(args.begin() + 1, args.end()), options)) return nullptr;
  if (!intoFile.empty()) return tool;
  *outFd = tool->TakeStdout();
  // A deeper pipe lets the tool run ahead of its reader with fewer switches between them.
  ::fcntl(*outFd, F_SETPIPE_SZ, kPipeBytes);
  return tool;
}

bool WaitTool(platform::ChildProcess* tool) { return tool->Wait(0xFFFFFFFF) && tool->ExitCode() == 0; }

}  // namespace

std::string VolumeLabel(const std::string& label) {
  constexpr std::size_t kMax = 32;
  if (label.size() <= kMax) return label;
  std::size_t cut = kMax;
  // Back off to the first byte of a character.
  while (cut > 0 && (static_cast<unsigned char>(label[cut]) & 0xC0) == 0x80) --cut;
  return label.substr(0, cut);
}

std::uint32_t FolderImageBlocks(FolderImage kind, const std::string& folder, const std::string& label,
                                std::uint32_t* error) {
  if (platform::ResolveProgram("genisoimage").empty()) {
    *error = kSenseToolMissing;
    return 0;
  }
  if (!platform::FolderExists(folder)) {
    *error = kSenseSourceUnreadable;
    return 0;
  }
  const std::string log = NewLogPath();
  int fd = -1;
  const auto tool = StartTool(ToolArgs(kind, folder, label, true), log, &fd);
  if (!tool) {
    platform::DeleteFile(log);
    *error = kSenseToolMissing;
    return 0;
  }
  std::string out;
  char buffer[256];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const bool ok = WaitTool(tool.get());
  std::string messages;
  platform::ReadWholeFile(log, &messages);
  platform::DeleteFile(log);
  const unsigned long blocks = std::strtoul(platform::Trim(out).c_str(), nullptr, 10);
  if (!ok || blocks == 0) {
    if (!messages.empty()) std::fprintf(stderr, "genisoimage: %s", messages.c_str());
    *error = kSenseSourceUnreadable;
    return 0;
  }
  return static_cast<std::uint32_t>(blocks);
}

bool StartFolderImage(FolderImage kind, const std::string& folder, const std::string& label, ImageStream* stream,
                      std::uint32_t* error, const std::string& intoFile) {
  stream->errorLog = NewLogPath();
  stream->tool = StartTool(ToolArgs(kind, folder, label, false), stream->errorLog, &stream->fd, intoFile);
  if (!stream->tool) {
    platform::DeleteFile(stream->errorLog);
    *error = kSenseToolMissing;
    return false;
  }
  return true;
}

bool FinishImage(ImageStream* stream) {
  if (!stream->tool) return false;
  // A tool whose reader stopped early gets SIGPIPE and ends.
  const bool ok = WaitTool(stream->tool.get());
  stream->tool.reset();
  std::string messages;
  if (!ok && platform::ReadWholeFile(stream->errorLog, &messages) && !messages.empty())
    std::fprintf(stderr, "genisoimage: %s", messages.c_str());
  platform::DeleteFile(stream->errorLog);
  return ok;
}

}  // namespace platform::disc
