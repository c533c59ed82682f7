// CCaptureDeviceList: the video and audio capture devices the system device enumerator reports,
// each with its friendly name, path, USB hardware id, wave-input number and kind, and the
// queries the capture page, the wizard and the audio recorder ask of them.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/win_types.h"

// Device kinds.
constexpr int kDeviceOtherVideo = 0;
constexpr int kDeviceWdm = 1;
constexpr int kDeviceWdmWithAudio = 2;
constexpr int kDeviceDv = 3;
constexpr int kDeviceHdv = 4;
constexpr int kDeviceAudio = 5;
constexpr int kDeviceUsbAudio = 6;

// GetDeviceType answers.
constexpr int kDeviceTypeUnknown = 0;
constexpr int kDeviceTypeAnalog = 1;
constexpr int kDeviceTypeDv = 2;
constexpr int kDeviceTypeHdv = 3;

class CCaptureDeviceItem {
 public:
  virtual ~CCaptureDeviceItem() = default;
  std::string name;         // "FriendlyName"
  std::string description;  // audio inputs: the DirectSound description
  std::string path;         // the device path before "#{"
  std::string hardwareId;   // "VID_xxxx&PID_xxxx", upper case, or ""
  int waveInId = -1;
  int kind = kDeviceOtherVideo;
};

struct CSoundDeviceItem;

class CCaptureDeviceList {
 public:
  CCaptureDeviceList();  // enumerates at once
  virtual ~CCaptureDeviceList();
  CCaptureDeviceList(const CCaptureDeviceList&) = delete;
  CCaptureDeviceList& operator=(const CCaptureDeviceList&) = delete;

  void Refresh();
  void EnumVideoDevices();
  void EnumAudioDevices();
  void ClearVideoDevices();
  void ClearAudioDevices();
  void ClearAll();

  int GetVideoDeviceCount() const { return static_cast<int>(video_.size()); }
  int GetAudioDeviceCount() const { return static_cast<int>(audio_.size()); }
  // Borrowed; valid until the next refresh or clear. NULL outside the list.
  const CCaptureDeviceItem* GetVideoDevice(int index) const;
  const CCaptureDeviceItem* GetAudioDevice(int index) const;
  std::string GetVideoDeviceName(int index) const;
  std::string GetAudioDeviceName(int index) const;

  int GetDeviceType(const std::string& name) const;
  BOOL HasAudioPin(const std::string& name) const;
  BOOL IsUsbAudioDevice(const std::string& name) const;
  std::string GetHdvDeviceName() const;
  std::string GetDvDeviceName() const;
  BOOL HasHdvDevice() const;
  BOOL HasDvDevice() const;
  BOOL HasWdmDevice() const;
  std::string GetVideoHardwareId(const std::string& name) const;
  std::string GetAudioHardwareId(const std::string& name) const;

  // The audio input of a USB box is the one with the video device's hardware id, and back.
  BOOL FindAudioPartner(const std::string& videoName, std::string& audioName) const;
  BOOL FindVideoPartner(const std::string& audioName, std::string& videoName) const;

  static BOOL IsKnownUsbHardwareId(const std::string& id);
  BOOL IsSpecialUsbDevice(const std::string& name) const;
  static BOOL IsKnownVideoDeviceName(const std::string& name);
  static BOOL IsKnownAudioDeviceName(const std::string& name);
  BOOL HasKnownVideoDeviceName() const;
  BOOL FindKnownVideoDevice(std::string& name) const;
  BOOL FindKnownVideoDeviceByName(std::string& name) const;
  BOOL FindKnownAudioDevice(std::string& name) const;

  // Path before "#{" ("" without it) and the VID_/PID_ hardware id of a device path.
  static std::string PathOf(const std::string& devicePath);
  static std::string HardwareIdOf(const std::string& path);

 private:
  const CCaptureDeviceItem* FirstVideo(const std::string& name) const;
  const CCaptureDeviceItem* FirstAudio(const std::string& name) const;
  // waveIds: the first capture sound device of each wave number, from one enumeration.
  static void CompleteAudioEntry(CCaptureDeviceItem& item,
                                 const std::unordered_map<int, const CSoundDeviceItem*>& waveIds);

  std::vector<std::unique_ptr<CCaptureDeviceItem>> video_;
  std::vector<std::unique_ptr<CCaptureDeviceItem>> audio_;
};
