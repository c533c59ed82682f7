// The simulated capture hardware behind the device enumerator: analog capture cards with
// crossbars and tuners, USB capture boxes with their wave-in partner, DV and HDV camcorders,
// audio inputs, DirectSound playback devices and USB storage, with the PnP tree and mount table
// they make. Described by "devices.ini" (see README.md) or, in tests, through this API.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dshow/sim_audio_signal.h"

#include "platform/com/guid.h"
#include "platform/dshow/media_types.h"

namespace platform::dshow::sim {

enum class DeviceKind { AnalogCard, UsbBox, DvCamcorder, HdvCamcorder, AudioInput, Playback };

struct VideoFormat {
  LONG width = 720;
  LONG height = 480;
  REFERENCE_TIME frameDuration = 333667;  // 29.97 frames per second
  GUID subtype = MEDIASUBTYPE_YUY2;
};

// One crossbar: its pins by physical connector type, which outputs each input may feed, and
// what feeds it from upstream.
struct Crossbar {
  std::string name;
  std::vector<long> inputs;   // PhysicalConnectorType of each input pin
  std::vector<long> outputs;  // of each output pin
  // Pairs (output, input) that cannot be routed; every other video-to-video and
  // audio-to-audio pair can.
  std::vector<std::pair<long, long>> blocked;
  // For crossbars after the first: the input of the previous (downstream) crossbar that this
  // crossbar's first video output feeds.
  long feedsInput = -1;
};

struct ProcAmpRange {
  long property = 0;
  long min = 0;
  long max = 255;
  long step = 1;
  long defaultValue = 128;
  long flags = 2;  // manual
};

struct StorageUnit {
  bool cdrom = false;
  std::string mountPoint;  // where the medium is mounted ("" = no medium)
};

struct DeviceDesc {
  std::string id;  // unique key of the description
  DeviceKind kind = DeviceKind::UsbBox;
  std::string name;        // FriendlyName
  std::string devicePath;  // DevicePath, for video devices
  bool pnp = true;         // listed for CDEF_DEVMON_PNP_DEVICE
  bool present = true;

  // Video devices.
  std::vector<VideoFormat> formats;
  bool audioPin = false;            // the device delivers its own audio
  bool vpPin = false;               // a video-port output "VP"
  std::vector<Crossbar> crossbars;  // [0] is next to the capture filter
  bool tuner = false;
  long tvFormats = 0x1 | 0x10;  // AnalogVideoStandard bits the decoder supports
  long tvFormat = 0x1;
  bool signal = true;  // horizontal lock of the decoder
  std::vector<ProcAmpRange> procAmp;
  std::string deviceClassGuid;  // "DeviceClassGUID" property, when the driver reports one

  // Camcorders.
  std::string tape;                  // media file that stands in for the tape
  DWORD timecodeStart = 0x00000000;  // packed BCD hh:mm:ss:ff

  // Audio inputs and playback devices.
  int waveInId = -1;  // "WaveInId" (-1: none)
  GUID dsGuid;        // DirectSound device identifier (GUID_NULL: the primary device)
  std::string dsDescription;
  std::string dsModule;
  std::string dsInterface;  // device interface path DirectSound reports
  AudioSignal audioSignal;  // what an audio input (or a device's own audio pin) delivers
  // Audio inputs of a capture box: silent unless the capture pin of the box's video device (the
  // one with the same USB VID/PID) runs, as boxes that only digitise sound with the picture are.
  bool needsVideo = false;
  // Playback devices: the mixer's source lines, name and component type (empty: the default set).
  std::vector<std::pair<std::string, unsigned>> playbackLines;

  // USB storage of the same box (its drives).
  std::vector<StorageUnit> storage;
};

// The hardware of this process. Reads its description on first use: the file named by
// VIDARRO_DEVICES, else $XDG_CONFIG_HOME/vidarro/devices.ini, else (VIDARRO_SIMULATED=1) the
// built-in default; on the machine's own hardware it holds nothing (platform/base/hardware_source.h).
class Hardware {
 public:
  static Hardware& Instance();

  std::vector<DeviceDesc> Devices();
  // Shows each description in turn without copying the list, until `visit` answers true.
  void Visit(const std::function<bool(const DeviceDesc&)>& visit);
  bool Find(const std::string& id, DeviceDesc* out);
  bool FindByName(const std::string& name, DeviceKind kind, DeviceDesc* out);
  // The present device of `kind` with this DirectSound identifier, and its place among the present
  // devices of its kind. Answered from an index kept beside the list, so describing every device
  // of a long list stays linear.
  bool FindBySoundId(const GUID& id, DeviceKind kind, DeviceDesc* out, int* placeOfKind);

  // Whether this process sees simulated hardware: as the hardware rule says at load, and always
  // once a description was set. The machine's own devices are listed only when it does not.
  bool Simulated();

  // Replaces the description (tests, benchmarks); Reload reads it again from its file or the default.
  void SetDevices(std::vector<DeviceDesc> devices);
  void Reload();
  void Update(const std::string& id, const std::function<void(DeviceDesc&)>& change);

  // Unplugging tells every open filter of the device (they report EC_DEVICE_LOST to their
  // graph and stop delivering); plugging makes it listable again.
  void Unplug(const std::string& id);
  void Plug(const std::string& id);

  // Free running: the simulated sources deliver as fast as their graph takes the samples, time
  // stamped at the device's rate (for measuring what a graph can do).
  static void SetFreeRunning(bool on);
  static bool FreeRunning();

  // Open filters watch their device.
  using Watcher = std::function<void(bool present)>;
  int Watch(const std::string& id, Watcher watcher);
  void Unwatch(int token);

 private:
  Hardware();
  void LoadLocked();
  struct Impl;
  Impl* impl_;
};

// The built-in description: a USB capture box with its audio input and storage, a DV and an
// HDV camcorder, and the DirectSound playback device.
std::vector<DeviceDesc> DefaultDevices();

// Parses a devices.ini text; malformed lines are skipped with a line on stderr, and the rest loads.
std::vector<DeviceDesc> ParseDevicesFile(const std::string& path, std::vector<std::string>* problems = nullptr);

// "USB\VID_xxxx&PID_xxxx" style hardware part of a USB path, upper case ("" when none).
std::string UsbIdOf(const std::string& path);

}  // namespace platform::dshow::sim
