// The DirectSound capture and playback devices, with what the sound module's private property
// set knows of each: description, driver module, device interface path and wave-device number.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/guid.h"
#include "platform/dshow/device_interfaces.h"

struct CSoundDeviceItem {
  virtual ~CSoundDeviceItem() = default;
  GUID id;  // GUID_NULL for the primary device
  int waveId = -1;
  std::string description;
  std::string module;
  std::string interfacePath;
  std::string idText;  // "{...}", empty for the primary device
};

// The private property set object of the sound module.
HRESULT CreateDirectSoundObject(IKsPropertySet** out);
BOOL GetDeviceDescription(GUID id, int* waveId, std::string* description, std::string* module,
                          std::string* interfacePath);
HRESULT GetDeviceIdByWaveName(const char* waveName, BOOL capture, GUID* out);

class CSoundDeviceList {
 public:
  CSoundDeviceList() = default;
  virtual ~CSoundDeviceList() { Clear(); }
  CSoundDeviceList(const CSoundDeviceList&) = delete;
  CSoundDeviceList& operator=(const CSoundDeviceList&) = delete;

  void Enumerate();
  void Clear();

  // The device interface path of the first capture device with that wave number ("" when none).
  std::string GetInterfaceByWaveId(int waveId) const;
  std::string GetDescriptionByWaveId(int waveId) const;
  // The first device of the list whose upper-cased interface holds the upper-cased text after
  // its first character: its wave number, or -1.
  int FindWaveIdByInterfaceText(BOOL playback, const std::string& text) const;
  std::string GetDescriptionByInterfaceText(const std::string& text) const;
  // The friendly name of the DirectShow audio input whose "WaveInId" is that device's wave number.
  std::string GetAudioInputNameByInterfaceText(const std::string& text) const;

  const std::vector<std::unique_ptr<CSoundDeviceItem>>& CaptureDevices() const { return capture_; }
  const std::vector<std::unique_ptr<CSoundDeviceItem>>& PlaybackDevices() const { return playback_; }

 private:
  static BOOL Collect(GUID* guid, LPCSTR description, LPCSTR module, LPVOID context);
  std::vector<std::unique_ptr<CSoundDeviceItem>> capture_;
  std::vector<std::unique_ptr<CSoundDeviceItem>> playback_;
};
