#include "disc_project.h"

#include "bluray_stream.h"
#include "pack_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/base/strings.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/disc/disc_kinds.h"
#include "widgets/project_document.h"

namespace studio::packs {
namespace {

constexpr const char* kGroup = "BurnList";

// A value is one line of the project file: line breaks in a typed name would end it early.
std::string OneLine(const std::string& text) {
  std::string line = text;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

std::string NameOfFile(const std::string& path) {
  std::string name = platform::FileNameOf(path);
  if (const size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

}  // namespace

const char* DiscKindName(DiscFormat kind) {
  switch (kind) {
    case DiscFormat::Vcd: return "Video CD";
    case DiscFormat::Svcd: return "Super Video CD";
    case DiscFormat::Bluray: return "Blu-ray";
    default: return "DVD-Video";
  }
}

int MostTitles(DiscFormat kind) { return IsVideoCd(kind) ? 98 : 99; }

std::uint64_t NominalCapacityBytes(DiscFormat kind) {
  using namespace platform::disc;
  if (IsVideoCd(kind)) return std::uint64_t{DefaultCapacity(kCdR)} * 2324;
  return std::uint64_t{DefaultCapacity(kind == DiscFormat::Bluray ? kBdR : kDvdPlusR)} * kDataBlockBytes;
}

std::uint64_t TitleDiscBytes(const DiscTitle& title, DiscFormat kind, bool ntsc) {
  const double seconds = std::max(0.0, title.seconds);
  if (kind == DiscFormat::Bluray) {
    // The packets' headers and arrival stamps add a few percent to the streams.
    const double sound = kBlurayAudioBitRate * seconds / 8;
    if (!title.editedVideo && BlurayTakesVideo(title.streams))
      return static_cast<std::uint64_t>((static_cast<double>(title.bytes) + sound) * 1.04);
    return static_cast<std::uint64_t>((kBlurayVideoBitRate * seconds / 8 + sound) * 1.04);
  }
  const bool asItIs = !title.editedVideo && !IsVideoCd(kind) && !title.streams.videoCodec.empty() &&
                      StreamsFitDisc(title.streams, kind, ntsc);
  if (asItIs) return title.bytes;
  const DiscEncodeSettings& s = EncodeSettingsFor(kind);
  // The multiplex adds its packet headers: a few percent over the streams' rates.
  const double bits = (static_cast<double>(s.videoBitRate) + s.audioBitRate) * seconds * 1.04;
  return static_cast<std::uint64_t>(bits / 8);
}

std::uint64_t ProjectDiscBytes(const DiscProject& project, bool ntsc) {
  std::uint64_t bytes = 0;
  for (const DiscTitle& title : project.titles) bytes += TitleDiscBytes(title, project.kind, ntsc);
  return bytes;
}

DiscTitle UnreadTitle(const std::string& path) {
  DiscTitle title;
  title.path = path;
  title.name = NameOfFile(path);
  return title;
}

std::string NotAFile(const std::string& path) {
  return "The title \"" + path +
         "\" is not a file (a pipe, a device or a folder), so it cannot go on a disc. Remove it from the disc "
         "and burn again.";
}

DiscTitle TitleForFile(const std::string& path) {
  DiscTitle title = UnreadTitle(path);
  title.bytes = static_cast<std::uint64_t>(std::max<std::int64_t>(0, platform::FileSize(path)));
  // A pipe or a device would hold the reader until someone writes to it: it is never opened.
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error) && ProbeClipStreams(path, &title.streams, kTitleReadMs))
    title.seconds = title.streams.seconds;
  title.read = true;
  return title;
}

bool MoveTitle(DiscProject* project, int index, int by) {
  const int count = static_cast<int>(project->titles.size());
  const int to = index + by;
  if (index < 0 || index >= count || to < 0 || to >= count || by == 0) return false;
  DiscTitle moved = std::move(project->titles[index]);
  project->titles.erase(project->titles.begin() + index);
  project->titles.insert(project->titles.begin() + to, std::move(moved));
  return true;
}

std::string ProjectRefusal(const DiscProject& project, std::uint64_t capacityBytes, bool ntsc) {
  const char* kind = DiscKindName(project.kind);
  const int count = static_cast<int>(project.titles.size());
  if (count == 0) return "The disc has no titles. Add clips to the disc and burn again.";
  if (count > MostTitles(project.kind))
    return std::string("A ") + kind + " holds at most " + std::to_string(MostTitles(project.kind)) +
           " titles and this disc has " + std::to_string(count) + ". Remove " +
           std::to_string(count - MostTitles(project.kind)) + " and burn again.";
  for (const DiscTitle& title : project.titles) {
    if (title.editedVideo) {
      if (title.seconds <= 0)
        return "The edited video is empty. Put clips on the storyboard, or remove it, and burn again.";
      continue;
    }
    std::error_code error;
    if (std::filesystem::exists(title.path, error) && !std::filesystem::is_regular_file(title.path, error))
      return NotAFile(title.path);
    if (!std::filesystem::is_regular_file(title.path, error))
      return "The title \"" + title.name + "\" cannot be found at \"" + title.path +
             "\": it was moved or deleted. Remove it from the disc and burn again.";
    if (title.streams.videoCodec.empty())
      return "The title \"" + title.name +
             "\" holds no video that can be burned. Remove it from the disc and burn again.";
    if (title.seconds < 0.05)
      return "The title \"" + title.name + "\" is 0 seconds long. Remove it from the disc and burn again.";
  }
  const std::uint64_t bytes = ProjectDiscBytes(project, ntsc);
  if (capacityBytes && bytes > capacityBytes)
    return "The disc needs about " + SizeText(bytes) + " and the medium holds " + SizeText(capacityBytes) +
           ". Remove titles, or choose a larger medium, and burn again.";
  return {};
}

std::vector<double> ChapterMarks(double seconds, int minutes, const std::vector<double>& extra) {
  std::vector<double> candidates = extra;
  for (int at = minutes; minutes > 0 && at * 60.0 < seconds; at += minutes) candidates.push_back(at * 60.0);
  std::sort(candidates.begin(), candidates.end());
  std::vector<double> marks = {0};
  for (const double at : candidates)
    if (at >= marks.back() + 1 && at < seconds - 1) marks.push_back(at);
  return marks;
}

std::string ChapterList(const std::vector<double>& marks) {
  std::string list;
  for (const double at : marks) {
    char mark[64];
    const long whole = static_cast<long>(at);
    const int millis = static_cast<int>(std::lround((at - whole) * 1000));
    if (at <= 0) std::snprintf(mark, sizeof mark, "0");
    else if (millis == 0)
      std::snprintf(mark, sizeof mark, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
      std::snprintf(mark, sizeof mark, "%ld:%02ld:%02ld.%03d", whole / 3600, whole / 60 % 60, whole % 60,
                    std::min(millis, 999));
    list += (list.empty() ? "" : ",") + std::string(mark);
  }
  return list.empty() ? "0" : list;
}

std::vector<double> ParseChapterTimes(const std::string& text) {
  std::vector<double> times;
  const size_t key = text.find("times=");
  if (key == std::string::npos) return times;
  const size_t end = std::min(text.find(';', key), text.size());
  const std::string list = text.substr(key + 6, end - key - 6);
  for (size_t at = 0; at < list.size();) {
    const size_t comma = std::min(list.find(',', at), list.size());
    char* stop = nullptr;
    const std::string item = list.substr(at, comma - at);
    const double value = std::strtod(item.c_str(), &stop);
    if (stop != item.c_str() && value >= 0 && std::isfinite(value)) times.push_back(value);
    at = comma + 1;
  }
  return times;
}

std::string DefaultTitleName(const DiscTitle& title) {
  return title.editedVideo ? "Edited Video" : NameOfFile(title.path);
}

void SaveDiscProject(IProjectDocument* document, const DiscProject& project) {
  if (!document) return;
  document->SetValue(kGroup, "Kind", EncodeSettingsFor(project.kind).name);
  document->SetValue(kGroup, "Name", OneLine(project.name).c_str());
  document->SetValue(kGroup, "Chapters", std::to_string(project.chapterMinutes).c_str());
  for (const DiscTitle& title : project.titles) {
    if (title.editedVideo) document->SetValue(kGroup, "EditedVideo", "1");
    else if (platform::HasLineBreak(title.path))
      document->SetValue(kGroup, "CodedFile", platform::EncodeLineBreaks(title.path).c_str());
    else document->SetValue(kGroup, "File", title.path.c_str());
    // The name the user gave the title follows it; a name of a file's own stays unsaved.
    if (!title.name.empty() && title.name != DefaultTitleName(title))
      document->SetValue(kGroup, "TitleName", OneLine(title.name).c_str());
  }
}

DiscProject LoadDiscProject(IProjectDocument* document) {
  DiscProject project;
  LPCSTR key = nullptr;
  LPCSTR value = nullptr;
  for (int i = 0; document && document->GetValueAt(kGroup, i, &key, &value) == S_OK; ++i) {
    if (!key || !value) continue;
    const std::string k = key;
    if ((k == "FILE" || k == "CODEDFILE") && *value) {
      project.titles.push_back(UnreadTitle(k == "FILE" ? std::string(value) : platform::DecodeLineBreaks(value)));
    } else if (k == "TITLENAME") {
      if (!project.titles.empty() && *value) project.titles.back().name = value;
    } else if (k == "EDITEDVIDEO") {
      DiscTitle edited;
      edited.editedVideo = true;
      edited.name = DefaultTitleName(edited);
      project.titles.push_back(edited);
    } else if (k == "KIND") {
      if (const auto kind = DiscFormatNamed(value);
          kind && std::find(kProjectKinds.begin(), kProjectKinds.end(), *kind) != kProjectKinds.end())
        project.kind = *kind;
    } else if (k == "NAME") {
      project.name = value;
    } else if (k == "CHAPTERS") {
      project.chapterMinutes = std::clamp(std::atoi(value), 0, 999);
    }
  }
  return project;
}

std::string LengthText(double seconds) {
  const long total = std::lround(std::max(0.0, seconds));
  char text[32];
  if (total >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  const double mb = static_cast<double>(bytes) / (1 << 20);
  // Small projects and media keep their own figures: "about 0 MB of 0 MB" would tell nothing.
  if (mb >= 1024) std::snprintf(text, sizeof text, "%.1f GB", mb / 1024);
  else if (mb >= 10) std::snprintf(text, sizeof text, "%.0f MB", mb);
  else if (mb >= 1) std::snprintf(text, sizeof text, "%.1f MB", mb);
  else std::snprintf(text, sizeof text, "%.0f KB", static_cast<double>(bytes) / 1024);
  return text;
}

}  // namespace studio::packs
