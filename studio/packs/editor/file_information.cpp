#include "file_information.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>

#include "clip_reader.h"
#include "disc_encode_settings.h"
#include "platform/base/paths.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace studio::packs {
namespace {

using Fields = std::map<std::string, std::string>;

// "key=value" lines of one ffprobe section; false when ffprobe fails or finds nothing.
bool ProbeFields(const std::string& path, const std::string& stream, const std::string& entries, Fields* fields,
                 const std::atomic<bool>* stop) {
  std::vector<std::string> args = {"-v", "error"};
  if (!stream.empty()) args.insert(args.end(), {"-select_streams", stream});
  args.insert(args.end(), {"-show_entries", entries, "-of", "default=noprint_wrappers=1", AsFile(path)});
  std::string out;
  if (!RunReadingTool("ffprobe", args, &out, stop)) return false;
  for (size_t at = 0; at < out.size();) {
    const size_t end = std::min(out.find('\n', at), out.size());
    const std::string line = out.substr(at, end - at);
    at = end + 1;
    const size_t equals = line.find('=');
    // The first stream's value stands; "N/A" is no value.
    if (equals != std::string::npos && !fields->count(line.substr(0, equals)) && line.substr(equals + 1) != "N/A")
      (*fields)[line.substr(0, equals)] = line.substr(equals + 1);
  }
  return !fields->empty();
}

std::string Length(const std::string& seconds) {
  const double s = std::atof(seconds.c_str());
  const long long ms = static_cast<long long>(s * 1000 + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                ms % 1000);
  return text;
}

std::string FrameRate(const std::string& fraction) {
  const size_t slash = fraction.find('/');
  const double den = slash == std::string::npos ? 1 : std::atof(fraction.c_str() + slash + 1);
  if (den <= 0) return fraction;
  char text[32];
  std::snprintf(text, sizeof text, "%.3f fps", std::atof(fraction.c_str()) / den);
  return text;
}

std::string Value(const Fields& fields, const std::string& key) {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string("-") : it->second;
}

}  // namespace

std::string FileInformationText(const std::string& path, const std::atomic<bool>* stop) {
  Fields format, video, audio;
  if (!ProbeFields(path, "", "format=format_long_name,duration", &format, stop)) return {};
  ProbeFields(path, "v:0", "stream=codec_long_name,width,height,r_frame_rate,display_aspect_ratio", &video, stop);
  ProbeFields(path, "a:0", "stream=codec_long_name,sample_rate,channels", &audio, stop);
  if (stop && stop->load()) return {};
  std::string text = "File: " + platform::FileNameOf(path) + "\n";
  text += "Container: " + Value(format, "format_long_name") + "\n";
  text += "Length: " + (format.count("duration") ? Length(format.at("duration")) : std::string("-")) + "\n";
  if (video.empty()) {
    text += "Video: none\n";
  } else {
    text += "Video: " + Value(video, "codec_long_name") + "\n";
    text += "Size: " + Value(video, "width") + " x " + Value(video, "height") + "\n";
    text += "Frame rate: " + (video.count("r_frame_rate") ? FrameRate(video.at("r_frame_rate")) : "-") + "\n";
    text += "Aspect: " + Value(video, "display_aspect_ratio") + "\n";
  }
  if (audio.empty()) {
    text += "Audio: none";
  } else {
    text += "Audio: " + Value(audio, "codec_long_name") + "\n";
    text += "Sample rate: " + Value(audio, "sample_rate") + " Hz\n";
    text += "Channels: " + Value(audio, "channels");
  }
  return text;
}

void FileInformationDialog::Run(HWND owner, const std::string& path, const std::string& text) {
  std::vector<std::pair<std::string, std::string>> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const size_t colon = line.find(": ");
    if (colon == std::string::npos) lines.emplace_back(line, "");
    else lines.emplace_back(line.substr(0, colon) + ":", line.substr(colon + 2));
  }
  constexpr int kLine = 11, kLabelWidth = 60, kValueWidth = 190;
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.caption = "File Information - " + platform::FileNameOf(path);
  t.cx = kLabelWidth + kValueWidth + 24;
  const int rows = static_cast<int>(std::min<size_t>(lines.size(), kFirstValueId - kFirstLabelId));
  t.cy = 10 + rows * kLine + 30;
  for (int i = 0; i < rows; ++i) {
    const int y = 8 + i * kLine;
    platform::AddDialogItem(t, WC_STATIC, lines[i].first, kFirstLabelId + i, WS_CHILD | SS_RIGHT, 8, y, kLabelWidth, 9);
    platform::AddDialogItem(t, WC_STATIC, lines[i].second, kFirstValueId + i, WS_CHILD | SS_LEFT | SS_ENDELLIPSIS,
                            kLabelWidth + 14, y, kValueWidth, 9);
  }
  platform::AddDialogItem(t, WC_BUTTON, "OK", IDOK, WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, t.cx - 58, t.cy - 22, 50,
                          14);
  DialogBoxIndirectParam(
      nullptr, t, owner,
      [](HWND dialog, UINT msg, WPARAM wParam, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) return TRUE;
        if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        return FALSE;
      },
      0);
}

FileInformationReader::FileInformationReader(HWND window, UINT message) : window_(window), message_(message) {}

FileInformationReader::~FileInformationReader() {
  stop_.store(true);
  if (worker_.joinable()) worker_.join();
}

void FileInformationReader::Read(const std::string& path) {
  {
    std::lock_guard lock(mutex_);
    waiting_.push_back(path);
    if (busy_) return;
    busy_ = true;
  }
  if (worker_.joinable()) worker_.join();  // its last file is read and told
  worker_ = std::thread([this] { Work(); });
}

void FileInformationReader::Work() {
  while (!stop_.load()) {
    std::string path;
    {
      std::lock_guard lock(mutex_);
      if (waiting_.empty()) {
        busy_ = false;
        return;
      }
      path = waiting_.front();
      waiting_.pop_front();
    }
    std::string text = FileInformationText(path, &stop_);
    if (stop_.load()) return;
    {
      std::lock_guard lock(mutex_);
      read_.emplace_back(path, std::move(text));
    }
    ::PostMessage(window_, message_, 0, 0);
  }
}

std::vector<std::pair<std::string, std::string>> FileInformationReader::Take() {
  std::lock_guard lock(mutex_);
  return std::exchange(read_, {});
}

}  // namespace studio::packs
