#include "publish_rules.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "converter/list_file.h"
#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "publish_link.h"

namespace studio {
namespace {

constexpr int kSmallestSide = 16;

int BitRateFor(int width, int height) {
  const long pixels = static_cast<long>(width) * height;
  if (pixels <= 352L * 288) return 2000000;
  if (pixels <= 640L * 480) return 4000000;
  if (pixels <= 720L * 576) return 6000000;
  return 8000000;
}

std::string RenderCommand(int width, int height, int bitrate, const std::string& target) {
  return "encode project title type=mpeg1;ntsc=1;width=" + std::to_string(width) + ";height=" + std::to_string(height) +
         ";bitrate=" + std::to_string(bitrate) + ";framerate=3;wide=0;audiotype=0;audiobitrate=224000;path=" + target;
}

}  // namespace

RenderSettings ConverterRenderSettings(LPARAM request) {
  RenderSettings settings;
  settings.width = LOWORD(static_cast<DWORD>(request));
  settings.height = HIWORD(static_cast<DWORD>(request));
  if (settings.width == 0) settings.width = 352;
  settings.width = std::clamp(settings.width, kSmallestSide, kMaxRenderWidth);
  if (settings.height == 0) settings.height = 240;
  settings.height = std::clamp(settings.height, kSmallestSide, 720);
  settings.height -= settings.height % 16;
  settings.bitrate = BitRateFor(settings.width, settings.height);
  return settings;
}

std::string ConverterRenderCommand(const RenderSettings& settings, const std::string& target) {
  return RenderCommand(settings.width, settings.height, settings.bitrate, target);
}

std::string UploaderRenderCommand(const std::string& target) { return RenderCommand(640, 480, 4000000, target); }

std::string RenderFolder(const std::string& outputFolder) {
  return platform::WithTrailingSlash(outputFolder) + "Temp/";
}

std::string ConverterFileListText(const std::vector<ClipItem>& selected, const std::string& titleName, int playTime) {
  std::string text;
  for (const ClipItem& clip : selected) {
    if (clip.type == kClipProjectTitle) {
      text += "[Edit] file=\"" + titleName + "\";time=" + std::to_string(playTime) + "\n";
    } else {
      text += ListLineOfPath(clip.path) + "\n";
    }
  }
  return text;
}

bool WriteConverterFileList(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == text.size();
}

std::string ConverterParameters(const std::string& listPath, const char* deviceOption) {
  return listPath + deviceOption;
}

std::string MakeUploaderCommandLine(const std::vector<ClipItem>& selected, const std::string& titleName) {
  if (selected.empty()) return {};
  const ClipItem& first = selected.front();
  if (first.type == kClipProjectTitle) return "[Edit] file=" + titleName;
  // The uploader's start splits its parameters at blanks and joins them with one space: a path
  // that would not come out as it went in (a tab, two spaces, a quote) goes quoted.
  std::string joined;
  for (const std::string& part : platform::SplitCommandLine(first.path)) joined += (joined.empty() ? "" : " ") + part;
  return joined == first.path ? first.path : platform::JoinCommandLine({first.path});
}

}  // namespace studio
