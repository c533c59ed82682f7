#include "platform/dshow/v4l2_device.h"

#include <linux/videodev2.h>

#include <cerrno>
#include <cstring>

#include "platform/base/clock.h"

namespace platform::dshow::v4l2 {

namespace {

template <std::size_t N>
std::string Text(const std::uint8_t (&field)[N]) {
  return std::string(reinterpret_cast<const char*>(field), strnlen(reinterpret_cast<const char*>(field), N));
}

bool Offered(std::uint32_t pixelFormat) {
  return pixelFormat == V4L2_PIX_FMT_YUYV || pixelFormat == V4L2_PIX_FMT_UYVY || pixelFormat == V4L2_PIX_FMT_RGB24 ||
         pixelFormat == V4L2_PIX_FMT_MJPEG || pixelFormat == V4L2_PIX_FMT_JPEG;
}

constexpr std::uint32_t kPictureControls[] = {V4L2_CID_BRIGHTNESS, V4L2_CID_CONTRAST,  V4L2_CID_HUE,
                                              V4L2_CID_SATURATION, V4L2_CID_SHARPNESS, V4L2_CID_GAMMA};
constexpr std::uint32_t kBuffers = 4;

}  // namespace

Device::Device(std::string file) : file_(std::move(file)), machine_(CurrentMachine()) {
  fd_ = machine_.io->Open(file_);
  if (fd_ < 0) {
    openError_ = errno;
    return;
  }
  Describe();
}

Device::~Device() {
  if (fd_ < 0) return;
  Stop();
  machine_.io->Close(fd_);
}

void Device::Describe() {
  Io& io = *machine_.io;
  for (std::uint32_t i = 0;; ++i) {
    v4l2_input in{};
    in.index = i;
    if (Xioctl(io, fd_, VIDIOC_ENUMINPUT, &in) != 0) break;
    inputs_.push_back({in.index, Text(in.name), in.type == V4L2_INPUT_TYPE_TUNER, in.tuner, in.std});
  }
  for (std::uint32_t i = 0;; ++i) {
    v4l2_standard s{};
    s.index = i;
    if (Xioctl(io, fd_, VIDIOC_ENUMSTD, &s) != 0) break;
    standards_.push_back({s.id, Text(s.name), s.framelines});
  }
  for (std::uint32_t id : kPictureControls) {
    v4l2_queryctrl q{};
    q.id = id;
    if (Xioctl(io, fd_, VIDIOC_QUERYCTRL, &q) != 0 || (q.flags & V4L2_CTRL_FLAG_DISABLED)) continue;
    controls_.push_back({id, q.minimum, q.maximum, q.step > 0 ? q.step : 1, q.default_value});
  }
  DescribeModes();
}

void Device::DescribeModes() {
  Io& io = *machine_.io;
  // Sizes and rates of the standards, for drivers that list none of their own.
  std::vector<Mode> standardSizes;
  bool has525 = false, has625 = false;
  for (const auto& s : standards_) (s.lines == 525 || (s.id & V4L2_STD_525_60) ? has525 : has625) = true;
  if (has525) standardSizes.push_back({0, 720, 480, 1001, 30000});
  if (has625) standardSizes.push_back({0, 720, 576, 1, 25});
  for (std::uint32_t f = 0;; ++f) {
    v4l2_fmtdesc desc{};
    desc.index = f;
    desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Xioctl(io, fd_, VIDIOC_ENUM_FMT, &desc) != 0) break;
    if (!Offered(desc.pixelformat)) continue;
    std::vector<Mode> sizes;
    for (std::uint32_t k = 0;; ++k) {
      v4l2_frmsizeenum size{};
      size.index = k;
      size.pixel_format = desc.pixelformat;
      if (Xioctl(io, fd_, VIDIOC_ENUM_FRAMESIZES, &size) != 0) break;
      if (size.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        sizes.push_back({desc.pixelformat, size.discrete.width, size.discrete.height});
        continue;
      }
      // A range: the DVD sizes it holds.
      const auto& r = size.stepwise;
      for (auto [w, h] : {std::pair{720u, 480u}, {720u, 576u}, {640u, 480u}})
        if (w >= r.min_width && w <= r.max_width && h >= r.min_height && h <= r.max_height &&
            (r.step_width == 0 || (w - r.min_width) % r.step_width == 0) &&
            (r.step_height == 0 || (h - r.min_height) % r.step_height == 0))
          sizes.push_back({desc.pixelformat, w, h});
      break;
    }
    if (sizes.empty())
      for (Mode m : standardSizes) {
        m.pixelFormat = desc.pixelformat;
        sizes.push_back(m);
      }
    for (Mode size : sizes) {
      bool any = false;
      for (std::uint32_t k = 0;; ++k) {
        v4l2_frmivalenum ival{};
        ival.index = k;
        ival.pixel_format = size.pixelFormat;
        ival.width = size.width;
        ival.height = size.height;
        if (Xioctl(io, fd_, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0) break;
        Mode m = size;
        const v4l2_fract& t = ival.type == V4L2_FRMIVAL_TYPE_DISCRETE ? ival.discrete : ival.stepwise.min;
        if (t.numerator == 0 || t.denominator == 0) break;
        m.numerator = t.numerator;
        m.denominator = t.denominator;
        modes_.push_back(m);
        any = true;
        if (ival.type != V4L2_FRMIVAL_TYPE_DISCRETE) break;
      }
      if (!any) {
        // The standard's rate for its size.
        if (size.height == 576) size.numerator = 1, size.denominator = 25;
        modes_.push_back(size);
      }
    }
  }
}

int Device::CurrentInput() {
  int index = 0;
  return Xioctl(*machine_.io, fd_, VIDIOC_G_INPUT, &index) == 0 ? index : -1;
}

bool Device::SelectInput(std::uint32_t index) {
  return WithStreamStopped([&] {
    int i = static_cast<int>(index);
    return Xioctl(*machine_.io, fd_, VIDIOC_S_INPUT, &i) == 0;
  });
}

bool Device::WithStreamStopped(const std::function<bool()>& change) {
  std::unique_lock lock(mutex_);
  if (buffers_.empty()) return change();
  switching_ = true;
  bufferBack_.wait(lock, [this] { return !bufferOut_; });
  const bool wasStreaming = streaming_;
  const Mode mode = prepared_;
  StopLocked();
  const bool changed = change();
  const int error = errno;
  // The same mode again; a standard of other lines leaves the stream stopped, and the filter's
  // next start prepares it anew.
  if (PrepareLocked(mode) && wasStreaming) StartLocked();
  switching_ = false;
  errno = error;
  return changed;
}

std::uint32_t Device::InputStatus() {
  const int current = CurrentInput();
  v4l2_input in{};
  in.index = static_cast<std::uint32_t>(current < 0 ? 0 : current);
  if (Xioctl(*machine_.io, fd_, VIDIOC_ENUMINPUT, &in) != 0) return V4L2_IN_ST_NO_SIGNAL;
  return in.status;
}

std::uint64_t Device::CurrentStandard() {
  v4l2_std_id id = 0;
  return Xioctl(*machine_.io, fd_, VIDIOC_G_STD, &id) == 0 ? id : 0;
}

bool Device::SelectStandard(std::uint64_t id) {
  return WithStreamStopped([&] {
    v4l2_std_id s = id;
    return Xioctl(*machine_.io, fd_, VIDIOC_S_STD, &s) == 0;
  });
}

bool Device::GetTuner(std::uint32_t index, TunerInfo* info) {
  v4l2_tuner t{};
  t.index = index;
  if (Xioctl(*machine_.io, fd_, VIDIOC_G_TUNER, &t) != 0) return false;
  info->type = t.type;
  info->lowUnits = (t.capability & V4L2_TUNER_CAP_LOW) != 0;
  info->rangeLow = t.rangelow;
  info->rangeHigh = t.rangehigh;
  info->signal = t.signal;
  return true;
}

bool Device::SetFrequency(std::uint32_t tuner, std::uint32_t type, std::uint32_t units) {
  v4l2_frequency f{};
  f.tuner = tuner;
  f.type = type;
  f.frequency = units;
  return Xioctl(*machine_.io, fd_, VIDIOC_S_FREQUENCY, &f) == 0;
}

bool Device::GetFrequency(std::uint32_t tuner, std::uint32_t* units) {
  v4l2_frequency f{};
  f.tuner = tuner;
  if (Xioctl(*machine_.io, fd_, VIDIOC_G_FREQUENCY, &f) != 0) return false;
  *units = f.frequency;
  return true;
}

bool Device::GetControl(std::uint32_t id, std::int32_t* value) {
  v4l2_control c{id, 0};
  if (Xioctl(*machine_.io, fd_, VIDIOC_G_CTRL, &c) != 0) return false;
  *value = c.value;
  return true;
}

bool Device::SetControl(std::uint32_t id, std::int32_t value) {
  v4l2_control c{id, value};
  return Xioctl(*machine_.io, fd_, VIDIOC_S_CTRL, &c) == 0;
}

bool Device::TryMode(const Mode& mode) {
  v4l2_format fmt{};
  fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  fmt.fmt.pix.width = mode.width;
  fmt.fmt.pix.height = mode.height;
  fmt.fmt.pix.pixelformat = mode.pixelFormat;
  fmt.fmt.pix.field = V4L2_FIELD_ANY;
  if (Xioctl(*machine_.io, fd_, VIDIOC_S_FMT, &fmt) != 0) return false;
  // A driver adjusts what it cannot do; a picture of another size or layout is no use here.
  if (fmt.fmt.pix.width != mode.width || fmt.fmt.pix.height != mode.height ||
      fmt.fmt.pix.pixelformat != mode.pixelFormat) {
    errno = EINVAL;
    return false;
  }
  bytesPerLine_ = fmt.fmt.pix.bytesperline;
  return true;
}

bool Device::Prepare(const Mode& mode) {
  std::lock_guard lock(mutex_);
  return PrepareLocked(mode);
}

bool Device::PrepareLocked(const Mode& mode) {
  Io& io = *machine_.io;
  if (!buffers_.empty()) return true;  // prepared before, still in place
  if (!TryMode(mode)) return false;
  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {mode.numerator, mode.denominator};
  Xioctl(io, fd_, VIDIOC_S_PARM, &parm);  // drivers without rates keep their own
  v4l2_requestbuffers req{};
  req.count = kBuffers;
  req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  req.memory = V4L2_MEMORY_MMAP;
  if (Xioctl(io, fd_, VIDIOC_REQBUFS, &req) != 0) return false;
  if (req.count < 2) {
    errno = ENOMEM;
    return false;
  }
  for (std::uint32_t i = 0; i < req.count; ++i) {
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    buf.index = i;
    if (Xioctl(io, fd_, VIDIOC_QUERYBUF, &buf) != 0) break;
    void* address = io.Map(fd_, buf.length, static_cast<off_t>(buf.m.offset));
    if (!address) break;
    buffers_.push_back({address, buf.length});
    if (Xioctl(io, fd_, VIDIOC_QBUF, &buf) != 0) break;
  }
  if (buffers_.size() != req.count) {
    const int error = errno;
    FreeBuffers();
    errno = error;
    return false;
  }
  prepared_ = mode;
  return true;
}

bool Device::Start() {
  std::lock_guard lock(mutex_);
  return StartLocked();
}

bool Device::StartLocked() {
  if (streaming_) return true;  // running again after a pause: the driver never stopped
  int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  streaming_ = Xioctl(*machine_.io, fd_, VIDIOC_STREAMON, &type) == 0;
  ioErrors_ = 0;
  return streaming_;
}

Next Device::Wait(Frame* frame, int timeoutMs) {
  Io& io = *machine_.io;
  const int ready = io.Wait(fd_, timeoutMs);
  if (ready < 0) return errno == EINTR ? Next::None : Next::Lost;
  if (ready == 0) return Next::None;
  std::lock_guard lock(mutex_);
  if (switching_ || !streaming_) return Next::None;
  v4l2_buffer buf{};
  buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buf.memory = V4L2_MEMORY_MMAP;
  if (Xioctl(io, fd_, VIDIOC_DQBUF, &buf) != 0) {
    if (errno == EAGAIN) return Next::None;
    // EIO: a brief loss of signal on many drivers; only a long run of them is a lost device.
    if (errno == EIO && ++ioErrors_ <= kMostIoErrors) return Next::None;
    return Next::Lost;
  }
  ioErrors_ = 0;
  if (buf.index >= buffers_.size()) return Next::None;
  if (buf.flags & V4L2_BUF_FLAG_ERROR) {
    Xioctl(io, fd_, VIDIOC_QBUF, &buf);
    return Next::Dropped;
  }
  bufferOut_ = true;
  frame->data = static_cast<const std::uint8_t*>(buffers_[buf.index].address);
  frame->size = std::min<std::size_t>(buf.bytesused, buffers_[buf.index].length);
  frame->bytesPerLine = bytesPerLine_;
  // A driver that stamps on another clock (or not at all) is taken at the time it handed the
  // frame over: late by the driver's queue, but on the clock the sound is timed by.
  if ((buf.flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC)
    frame->timestampUs = static_cast<std::int64_t>(buf.timestamp.tv_sec) * 1000000 + buf.timestamp.tv_usec;
  else frame->timestampUs = static_cast<std::int64_t>(platform::CurrentClock().NowUs());
  frame->sequence = buf.sequence;
  frame->index = buf.index;
  return Next::Frame;
}

void Device::Release(const Frame& frame) {
  std::lock_guard lock(mutex_);
  v4l2_buffer buf{};
  buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buf.memory = V4L2_MEMORY_MMAP;
  buf.index = frame.index;
  if (streaming_ && !buffers_.empty()) Xioctl(*machine_.io, fd_, VIDIOC_QBUF, &buf);
  bufferOut_ = false;
  bufferBack_.notify_all();
}

void Device::Stop() {
  std::lock_guard lock(mutex_);
  StopLocked();
}

void Device::StopLocked() {
  if (streaming_) {
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Xioctl(*machine_.io, fd_, VIDIOC_STREAMOFF, &type);
    streaming_ = false;
  }
  FreeBuffers();
}

void Device::FreeBuffers() {
  if (buffers_.empty()) return;
  for (const auto& b : buffers_) machine_.io->Unmap(b.address, b.length);
  buffers_.clear();
  v4l2_requestbuffers req{};
  req.count = 0;
  req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  req.memory = V4L2_MEMORY_MMAP;
  Xioctl(*machine_.io, fd_, VIDIOC_REQBUFS, &req);
}

}  // namespace platform::dshow::v4l2
