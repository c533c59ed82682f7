#include "converter/device_profile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/base/key_file.h"
#include "platform/base/strings.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kProfileGroup = "Narvell MobileEncoder Profile";

std::int32_t Number(const std::string& text) {
  const long long v = std::strtoll(text.c_str(), nullptr, 10);
  return static_cast<std::int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

double Fraction(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// Values separated by commas; leading commas are skipped, missing values read as empty.
std::vector<std::string> SplitValues(const std::string& line, size_t count) {
  std::vector<std::string> values;
  size_t i = 0;
  while (i < line.size() && line[i] == ',') ++i;
  while (values.size() + 1 < count && i <= line.size()) {
    const size_t comma = line.find(',', i);
    if (comma == std::string::npos) break;
    values.push_back(platform::Trim(line.substr(i, comma - i)));
    i = comma + 1;
  }
  if (i < line.size()) values.push_back(platform::Trim(line.substr(i)));
  values.resize(count);
  return values;
}

}  // namespace

void CProfileList::ScanFolder(const std::string& folder) {
  std::vector<std::string> visited;
  Scan(folder, visited);
}

void CProfileList::Scan(const std::string& folder, std::vector<std::string>& visited) {
  std::error_code ec;
  const fs::path real = fs::canonical(folder, ec);
  if (ec) return;
  if (std::find(visited.begin(), visited.end(), real.string()) != visited.end()) return;
  visited.push_back(real.string());
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(real, ec))
    if (const std::string name = entry.path().filename().string();
        name.size() > 4 && platform::EndsWithNoCase(name, ".pfh"))
      entries.push_back(entry.path());
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    std::error_code typeError;
    if (fs::is_directory(entry, typeError)) Scan(entry.string(), visited);
    else ParseFile(entry.string());
  }
}

void CProfileList::ParseFile(const std::string& path) {
  if (path.empty()) return;
  ProjectKeyFile file;
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || !file.Open(path, FALSE)) return;
  file.SelectGroup(kProfileGroup);
  auto value = [&file](const char* section, const std::string& key) {
    std::string v;
    file.GetValue(section, key, v);
    return platform::Trim(v);
  };
  auto profile = std::make_unique<CDeviceProfile>();
  profile->PROFILE = value("INFO", "PROFILE");
  profile->AUTHOR = value("INFO", "AUTHOR");
  profile->DATE = value("INFO", "DATE");
  profile->DESCIPTION = value("INFO", "DESCIPTION");
  profile->SORT_PRIORITY = Number(value("INFO", "SORT_PRIORITY"));
  profile->TYPE = value("CONTAINER", "TYPE");
  profile->FORCE = value("CONTAINER", "FORCE");
  profile->H264_BASELINE = Number(value("CONTAINER", "H264_BASELINE"));
  profile->ONLY_AUDIO = Number(value("CONTAINER", "ONLY_AUDIO"));
  profile->FILEPREFIX = value("CONTAINER", "FILEPREFIX");
  profile->EXF = value("CONTAINER", "EXF");
  profile->BITEXACT = Number(value("CONTAINER", "BITEXACT"));
  profile->FIXASPECT = Number(value("CONTAINER", "FIXASPECT"));
  profile->MUXVB = Number(value("CONTAINER", "MUXVB"));
  profile->MUXAB = Number(value("CONTAINER", "MUXAB"));

  // A count is believed only as far as its keys exist and never past the cap.
  const std::string videoCodec = value("VIDEO", "CODEC");
  const int keyFrame = Number(value("VIDEO", "KEYFRAME"));
  const int quality = Number(value("VIDEO", "QUALITY"));
  const int videoCount = std::clamp(Number(value("VIDEO", "PRO_COUNT")), 0, kMaxPresets);
  for (int i = 1; i <= videoCount; ++i) {
    std::string line;
    if (!file.GetValue("VIDEO", "PRO" + std::to_string(i), line)) break;
    const auto v = SplitValues(platform::Trim(line), 6);
    auto preset = std::make_unique<CVideoPreset>();
    preset->codec = videoCodec;
    preset->keyFrame = keyFrame;
    preset->quality = quality;
    preset->width = Number(v[0]);
    preset->height = Number(v[1]);
    preset->frameRate = Fraction(v[2]);
    preset->bitrate = Number(v[3]);
    preset->extra = Number(v[4]);
    preset->isDefault = Number(v[5]);
    profile->video.push_back(std::move(preset));
  }
  const std::string audioCodec = value("AUDIO", "CODEC");
  const int audioCount = std::clamp(Number(value("AUDIO", "APRO_COUNT")), 0, kMaxPresets);
  for (int i = 1; i <= audioCount; ++i) {
    std::string line;
    if (!file.GetValue("AUDIO", "APRO" + std::to_string(i), line)) break;
    const auto v = SplitValues(platform::Trim(line), 5);
    auto preset = std::make_unique<CAudioPreset>();
    preset->codec = audioCodec;
    preset->channels = Fraction(v[0]);
    preset->sampleRate = Number(v[1]);
    preset->bitrate = Number(v[2]);
    preset->extra = Number(v[3]);
    preset->isDefault = Number(v[4]);
    profile->audio.push_back(std::move(preset));
  }
  profiles_.push_back(std::move(profile));
}

int CProfileList::SortAlgorithmSelection(int ascending) {
  if (profiles_.empty()) return 0;
  for (size_t i = 0; i + 1 < profiles_.size(); ++i) {
    size_t best = i;
    for (size_t j = i + 1; j < profiles_.size(); ++j) {
      const int a = profiles_[j]->SORT_PRIORITY, b = profiles_[best]->SORT_PRIORITY;
      if (ascending ? a < b : a > b) best = j;
    }
    std::swap(profiles_[i], profiles_[best]);
  }
  return 1;
}

CDeviceProfile* CProfileList::GetProfile(int i) const {
  return i >= 0 && i < GetCount() ? profiles_[static_cast<size_t>(i)].get() : nullptr;
}

const CVideoPreset* CProfileList::GetVideoPreset(const CDeviceProfile* profile, int i) {
  if (!profile || i < 0 || i >= static_cast<int>(profile->video.size())) return nullptr;
  return profile->video[static_cast<size_t>(i)].get();
}

const CAudioPreset* CProfileList::GetAudioPreset(const CDeviceProfile* profile, int i) {
  if (!profile || i < 0 || i >= static_cast<int>(profile->audio.size())) return nullptr;
  return profile->audio[static_cast<size_t>(i)].get();
}
