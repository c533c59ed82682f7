#include "audiorec/input_devices.h"

#include "platform/base/strings.h"

namespace auvry {

std::vector<InputEntry> InputDeviceEntries(const CCaptureDeviceList& devices) {
  std::vector<const CCaptureDeviceItem*> videoWithAudio;
  for (int i = 0; i < devices.GetVideoDeviceCount(); ++i) {
    const CCaptureDeviceItem* video = devices.GetVideoDevice(i);
    if (video && devices.HasAudioPin(video->name)) videoWithAudio.push_back(video);
  }
  std::vector<InputEntry> entries;
  for (int i = 0; i < devices.GetAudioDeviceCount(); ++i) {
    const CCaptureDeviceItem* audio = devices.GetAudioDevice(i);
    if (!audio) continue;
    bool offeredByVideo = false;
    // An input without a hardware id (an onboard one) belongs to no video device.
    if (!audio->hardwareId.empty())
      for (const CCaptureDeviceItem* video : videoWithAudio)
        if (video->hardwareId == audio->hardwareId) offeredByVideo = true;
    if (!offeredByVideo) entries.push_back({audio->name, 0});
  }
  for (const CCaptureDeviceItem* video : videoWithAudio) entries.push_back({video->name, 1});
  return entries;
}

int SavedEntryIndex(const std::vector<InputEntry>& entries, const std::string& saved) {
  if (entries.empty()) return -1;
  for (size_t i = 0; i < entries.size(); ++i)
    if (platform::EqualsNoCase(entries[i].name, saved)) return static_cast<int>(i);
  return 0;
}

DeviceNames NamesOf(const InputEntry& entry) {
  if (entry.data == 1) return {entry.name, {}};
  return {{}, entry.name};
}

}  // namespace auvry
