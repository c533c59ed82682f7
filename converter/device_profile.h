// Device profiles: the installed ".pfh" files that tell the converter how to convert for one
// player (container settings, video presets and audio presets).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CVideoPreset {
  std::string codec;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitrate = 0;  // kbit/s
  double frameRate = 0;
  std::int32_t extra = 0;
  std::int32_t keyFrame = 0;
  std::int32_t quality = 0;
  std::int32_t isDefault = 0;
};

struct CAudioPreset {
  std::string codec;
  std::int32_t bitrate = 0;  // kbit/s
  std::int32_t sampleRate = 0;
  double channels = 0;
  std::int32_t extra = 0;
  std::int32_t isDefault = 0;
};

struct CDeviceProfile {
  std::string PROFILE, AUTHOR, DATE, DESCIPTION;
  std::int32_t SORT_PRIORITY = 0;
  std::string TYPE, FORCE;
  std::int32_t H264_BASELINE = 0, ONLY_AUDIO = 0;
  std::string EXF, FILEPREFIX;
  std::int32_t BITEXACT = 0, FIXASPECT = 0, MUXVB = 0, MUXAB = 0;
  std::vector<std::unique_ptr<CVideoPreset>> video;
  std::vector<std::unique_ptr<CAudioPreset>> audio;
};

class CProfileList {
 public:
  // Presets read from one file at most; a count beyond is not believed.
  static constexpr int kMaxPresets = 64;

  // Every profile in the folder and in its sub-folders named "*.pfh"; a folder reached again
  // through a link is not searched twice.
  void ScanFolder(const std::string& folder);
  void ParseFile(const std::string& path);
  // 1 ascending by priority, 0 descending; 1 when sorted, 0 for an empty list.
  int SortAlgorithmSelection(int ascending);

  int GetCount() const { return static_cast<int>(profiles_.size()); }
  CDeviceProfile* GetProfile(int i) const;
  static const CVideoPreset* GetVideoPreset(const CDeviceProfile* profile, int i);
  static const CAudioPreset* GetAudioPreset(const CDeviceProfile* profile, int i);
  static const CDeviceProfile* GetContainer(const CDeviceProfile* profile) { return profile; }

 private:
  void Scan(const std::string& folder, std::vector<std::string>& visited);
  std::vector<std::unique_ptr<CDeviceProfile>> profiles_;
};
