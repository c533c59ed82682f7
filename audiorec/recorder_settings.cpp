#include "audiorec/recorder_settings.h"

#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace {

DWORD ReadDword(const char* name, DWORD fallback) {
  DWORD value = fallback;
  return RegReadDword(HKEY_CURRENT_USER, kProductKey, name, &value, fallback) ? value : fallback;
}

}  // namespace

RecorderSettings LoadRecorderSettings() {
  RecorderSettings s;
  s.volume = ReadDword("Volume", s.volume);
  s.noiseReduction = ReadDword("bNoiseReduction", s.noiseReduction);
  s.noiseReductionValue = ReadDword("NoiseReductionValue", s.noiseReductionValue);
  s.noAudioStreamRender = ReadDword("bNoAudioStreamRender", s.noAudioStreamRender);
  return s;
}

void SaveRecorderSettings(const RecorderSettings& s) {
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "Volume", s.volume);
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "bNoiseReduction", s.noiseReduction);
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "NoiseReductionValue", s.noiseReductionValue);
  RegWriteDword(HKEY_CURRENT_USER, kProductKey, "bNoAudioStreamRender", s.noAudioStreamRender);
}

std::string ResolveOutputFolder(const std::string& stored, const std::string& fallback) {
  // Any existing folder is kept, an empty one too: nothing in it is needed to record there.
  if (!stored.empty() && platform::FolderExists(stored)) return platform::WithTrailingSlash(stored);
  if (fallback.empty() || !platform::CreateFolders(fallback)) return {};
  return platform::WithTrailingSlash(fallback);
}
