// One open V4L2 capture node: what it offers (formats with sizes and rates, inputs, standards,
// picture controls), switching them, and streaming through mmap buffers. Every call goes
// through the machine's Io (v4l2_io.h). Thread-safe: the filter's controls and its streaming
// thread share it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/driver_controls.h"
#include "platform/dshow/v4l2_io.h"

namespace platform::dshow::v4l2 {

struct Mode {
  std::uint32_t pixelFormat = 0;  // V4L2_PIX_FMT_*
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t numerator = 1001;  // frame interval in seconds, as a fraction
  std::uint32_t denominator = 30000;
};

struct Input {
  std::uint32_t index = 0;
  std::string name;
  bool tuner = false;
  std::uint32_t tunerIndex = 0;  // the tuner behind a tuner input
  std::uint64_t standards = 0;
};

// What VIDIOC_G_TUNER says of one tuner.
struct TunerInfo {
  std::uint32_t type = 0;  // V4L2_TUNER_*
  bool lowUnits = false;   // frequencies in 62.5 Hz, not 62.5 kHz
  std::uint32_t rangeLow = 0, rangeHigh = 0;
  std::int32_t signal = 0;  // 0 (none) to 65535
};

struct Standard {
  std::uint64_t id = 0;
  std::string name;
  std::uint32_t lines = 0;
};

struct Control {
  std::uint32_t id = 0;  // V4L2_CID_*
  std::int32_t min = 0;
  std::int32_t max = 0;
  std::int32_t step = 1;
  std::int32_t defaultValue = 0;
};

// One frame out of the driver: its bytes until Release, its time and sequence number.
struct Frame {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::uint32_t bytesPerLine = 0;
  std::int64_t timestampUs = 0;  // when it was captured, on the process's monotonic clock
  std::uint32_t sequence = 0;
  std::uint32_t index = 0;  // the buffer, handed back by Release
};

// Dropped: the driver flagged the buffer as damaged (V4L2_BUF_FLAG_ERROR); it went back at once.
enum class Next { Frame, None, Dropped, Lost };

class Device {
 public:
  // Opens the node; Opened() says whether that worked (errno in OpenError()).
  explicit Device(std::string file);
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  bool Opened() const { return fd_ >= 0; }
  int OpenError() const { return openError_; }
  const std::string& File() const { return file_; }

  // What the driver offers, read once at open. Sizes the driver does not list (TV cards) come
  // from its standards: 720x480 for 525 lines, 720x576 for 625.
  const std::vector<Mode>& Modes() const { return modes_; }
  const std::vector<Input>& Inputs() const { return inputs_; }
  const std::vector<Standard>& Standards() const { return standards_; }
  const std::vector<Control>& Controls() const { return controls_; }

  int CurrentInput();
  // Drivers take an input or a standard only without buffers (EBUSY otherwise): a running
  // stream is stopped for the switch and started again with the same mode.
  bool SelectInput(std::uint32_t index);
  // V4L2_IN_ST_* of the current input (0: a picture is there).
  std::uint32_t InputStatus();
  std::uint64_t CurrentStandard();
  bool SelectStandard(std::uint64_t id);
  bool GetTuner(std::uint32_t index, TunerInfo* info);
  // The frequency in the tuner's own units; false with errno.
  bool SetFrequency(std::uint32_t tuner, std::uint32_t type, std::uint32_t units);
  bool GetFrequency(std::uint32_t tuner, std::uint32_t* units);
  bool GetControl(std::uint32_t id, std::int32_t* value);
  bool SetControl(std::uint32_t id, std::int32_t value);
  // Every control the driver lists, asked afresh (flags change as other controls do).
  std::vector<DriverControl> DriverControls();

  // Sets the driver's format to the mode (no buffers): false with errno.
  bool TryMode(const Mode& mode);
  // Sets the mode and maps the buffers: false with errno (EBUSY: another program streams from
  // the device; EINVAL: the driver refused the mode).
  bool Prepare(const Mode& mode);
  const Mode& Prepared() const { return prepared_; }
  bool Start();
  // Waits up to timeoutMs for a frame.
  Next Wait(Frame* frame, int timeoutMs);
  void Release(const Frame& frame);
  // Stops streaming and frees the buffers.
  void Stop();

 private:
  void Describe();
  void DescribeModes();
  void FreeBuffers();
  bool PrepareLocked(const Mode& mode);
  bool StartLocked();
  void StopLocked();
  // Runs a change the driver refuses while buffers exist, with the stream stopped around it.
  bool WithStreamStopped(const std::function<bool()>& change);
  struct Buffer {
    void* address = nullptr;
    std::size_t length = 0;
  };
  std::string file_;
  Machine machine_;
  int fd_ = -1;
  int openError_ = 0;
  std::mutex mutex_;
  std::vector<Mode> modes_;
  std::vector<Input> inputs_;
  std::vector<Standard> standards_;
  std::vector<Control> controls_;
  std::vector<Buffer> buffers_;
  Mode prepared_;
  std::uint32_t bytesPerLine_ = 0;
  bool streaming_ = false;
  std::condition_variable bufferBack_;
  bool bufferOut_ = false;                  // a dequeued buffer the stream has not given back yet
  bool switching_ = false;                  // the stream is stopped for a switch: no buffer is taken
  int ioErrors_ = 0;                        // EIO answers in a row
  static constexpr int kMostIoErrors = 50;  // about two seconds of signal lost
};

}  // namespace platform::dshow::v4l2
