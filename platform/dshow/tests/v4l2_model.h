// A model of V4L2 capture devices at the ioctl seam (v4l2_io.h), with the sysfs tree that names
// them: a USB capture box and a TV card answering as the published outputs of real devices do
// (sources in v4l2_model_devices.cpp). Frames come at the device's rate on the process clock
// and carry the simulated pattern's frame code; a test pulls a device, takes its signal away,
// has another program hold it, or damages its MJPEG frames.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/v4l2_io.h"

namespace platform::dshow::v4l2::model {

struct Size {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> intervals;  // numerator, denominator
};

struct Format {
  std::uint32_t pixelFormat = 0;
  std::string description;
  std::vector<Size> sizes;  // empty: the driver lists none (sizes follow the standard)
};

struct InputDesc {
  std::string name;
  bool tuner = false;
  std::uint64_t standards = 0;
  std::uint32_t status = 0;      // V4L2_IN_ST_*
  std::uint32_t tunerIndex = 0;  // a tuner input's tuner
};

struct TunerDesc {
  std::string name;
  std::uint32_t type = 2;                     // V4L2_TUNER_ANALOG_TV
  std::uint32_t capability = 0;               // V4L2_TUNER_CAP_*; CAP_LOW: frequencies in 62.5 Hz, else 62.5 kHz
  std::uint32_t rangeLow = 0, rangeHigh = 0;  // in those units
  std::uint32_t frequency = 0;                // where it is tuned at start
};

struct StandardDesc {
  std::uint64_t id = 0;
  std::string name;
  std::uint32_t lines = 0;
};

struct ControlDesc {
  std::uint32_t id = 0;
  std::string name;
  std::int32_t min = 0, max = 0, step = 1, defaultValue = 0;
  std::uint32_t type = 1;         // V4L2_CTRL_TYPE_*
  std::vector<std::string> menu;  // menus: the item names from `min`, "" for an index the driver skips
};

// Where the device sits: a USB interface or a PCI function.
struct Bus {
  bool usb = true;
  std::string vendor, product;                             // hex, as sysfs writes them (PCI with "0x")
  std::string subsystemVendor, subsystemDevice, revision;  // PCI
  std::string interfaceNumber = "00";                      // USB
  std::string name;                                        // "1-1" (the USB device) or "0000:05:00.0"
};

struct DeviceDesc {
  std::string node;  // "video0"
  std::string driver, card, busInfo;
  std::uint32_t capabilities = 0, deviceCaps = 0;
  Bus bus;
  std::vector<Format> formats;
  std::vector<InputDesc> inputs;
  std::vector<StandardDesc> standards;
  std::vector<ControlDesc> controls;
  std::vector<TunerDesc> tuners;
  std::uint64_t standard = 0;
  std::uint32_t input = 0;
  std::uint32_t width = 0, height = 0, pixelFormat = 0;
  std::uint32_t maxWidth = 0;  // drivers that scale (TV cards): widths up to this, heights up to the standard's
};

// The USB capture box (MS2109, MJPEG and YUYV, one camera input, no tuner), with its metadata node.
std::vector<DeviceDesc> UsbCaptureBox(const std::string& node = "video0");
// The TV card (cx23885: tuner, composite and S-Video inputs, PAL and NTSC).
DeviceDesc TvCard(const std::string& node = "video2");

class Model : public Io {
 public:
  // Writes the sysfs tree under `root` and puts the model in place of the kernel until it goes.
  Model(std::vector<DeviceDesc> devices, const std::string& root);
  ~Model() override;

  // Test handles.
  void Unplug(const std::string& node);
  void UnplugAfter(const std::string& node, std::uint32_t frames);  // that many frames, then gone
  void SetBusy(const std::string& node, bool busy);
  // The next `buffers` frames come flagged V4L2_BUF_FLAG_ERROR; the next `reads` DQBUFs answer EIO.
  void FlagErrors(const std::string& node, std::uint32_t buffers);
  void FailReads(const std::string& node, std::uint32_t reads);
  // The first frame comes this long after STREAMON (a box that locks to its signal first).
  void DelayFirstFrame(const std::string& node, std::uint32_t ms);
  void SetStatus(const std::string& node, std::uint32_t input, std::uint32_t status);
  // MJPEG frames from now on: 0 whole, 1 cut short, 2 garbage.
  void DamageFrames(const std::string& node, int how);
  // The carriers (Hz) where the tuners find a station; tuned anywhere else they report no signal.
  void SetStations(const std::string& node, std::vector<std::uint64_t> carriersHz);
  // Where the tuner is tuned, in Hz.
  std::uint64_t FrequencyHz(const std::string& node, std::uint32_t tuner = 0);
  std::uint32_t Input(const std::string& node);
  std::uint64_t Standard(const std::string& node);
  std::int32_t ControlValue(const std::string& node, std::uint32_t id);
  std::uint32_t FramesDelivered(const std::string& node);
  // Waits (real time, at most realMs) until the device has handed out `frames` frames.
  bool WaitDelivered(const std::string& node, std::uint32_t frames, int realMs);
  std::uint32_t Width(const std::string& node);
  std::uint32_t PixelFormat(const std::string& node);
  bool Streaming(const std::string& node);
  std::string DevRoot() const { return root_ + "/dev"; }

  int Open(const std::string& path) override;
  int Close(int fd) override;
  int Ioctl(int fd, unsigned long request, void* arg) override;
  void* Map(int fd, std::size_t length, off_t offset) override;
  int Unmap(void* address, std::size_t length) override;
  int Wait(int fd, int timeoutMs) override;

 private:
  struct State;
  State* Find(const std::string& node);
  State* OfFd(int fd);
  int Control(State& s, unsigned long request, void* arg);
  int Tuning(State& s, unsigned long request, void* arg);
  int Streaming(State& s, unsigned long request, void* arg);
  void MakeFrame(State& s, std::vector<std::uint8_t>* bytes);
  void WriteSysfs(const DeviceDesc& d);

  std::string root_;
  std::mutex mutex_;
  std::condition_variable delivered_;
  std::vector<std::unique_ptr<State>> devices_;
  std::map<int, State*> fds_;
  int nextFd_ = 1000;
};

}  // namespace platform::dshow::v4l2::model
