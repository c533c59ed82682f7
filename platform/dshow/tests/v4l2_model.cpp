#include "platform/dshow/tests/v4l2_model.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include "platform/base/clock.h"
#include "platform/dshow/sim_pattern.h"
#include "platform/dshow/uuids.h"

namespace platform::dshow::v4l2::model {

namespace fs = std::filesystem;

namespace {

constexpr off_t kBufferStride = 0x1000000;  // buffer n maps at offset n * this

template <std::size_t N>
void Put(std::uint8_t (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(N - 1, text.size()));
}

void WriteFile(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << "\n";
}

// A JPEG of a packed YUYV picture, through libavcodec's MJPEG encoder.
class JpegEncoder {
 public:
  ~JpegEncoder() { avcodec_free_context(&ctx_); }
  std::vector<std::uint8_t> Encode(const std::uint8_t* yuyv, int w, int h) {
    if (!ctx_ || ctx_->width != w || ctx_->height != h) Open(w, h);
    std::vector<std::uint8_t> out;
    if (!ctx_) return out;
    AVFrame* frame = av_frame_alloc();
    frame->format = AV_PIX_FMT_YUVJ422P;
    frame->width = w;
    frame->height = h;
    av_frame_get_buffer(frame, 0);
    for (int y = 0; y < h; ++y) {
      const std::uint8_t* src = yuyv + static_cast<std::size_t>(y) * w * 2;
      for (int x = 0; x < w; x += 2) {
        frame->data[0][y * frame->linesize[0] + x] = src[2 * x];
        frame->data[0][y * frame->linesize[0] + x + 1] = src[2 * x + 2];
        frame->data[1][y * frame->linesize[1] + x / 2] = src[2 * x + 1];
        frame->data[2][y * frame->linesize[2] + x / 2] = src[2 * x + 3];
      }
    }
    frame->pts = pts_++;
    AVPacket* packet = av_packet_alloc();
    if (avcodec_send_frame(ctx_, frame) >= 0 && avcodec_receive_packet(ctx_, packet) >= 0)
      out.assign(packet->data, packet->data + packet->size);
    av_packet_free(&packet);
    av_frame_free(&frame);
    return out;
  }

 private:
  void Open(int w, int h) {
    avcodec_free_context(&ctx_);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
    if (!codec) return;
    ctx_ = avcodec_alloc_context3(codec);
    ctx_->width = w;
    ctx_->height = h;
    ctx_->pix_fmt = AV_PIX_FMT_YUVJ422P;
    ctx_->time_base = {1, 30};
    if (avcodec_open2(ctx_, codec, nullptr) < 0) avcodec_free_context(&ctx_);
  }
  AVCodecContext* ctx_ = nullptr;
  std::int64_t pts_ = 0;
};

}  // namespace

struct Model::State {
  DeviceDesc desc;
  bool present = true;
  bool busy = false;
  std::uint32_t errorBuffers = 0;  // buffers still to hand out flagged V4L2_BUF_FLAG_ERROR
  std::uint32_t ioErrors = 0;      // DQBUF calls still to answer EIO
  std::uint32_t unplugAfter = 0xFFFFFFFF;
  int damage = 0;
  std::map<std::uint32_t, std::int32_t> values;
  std::vector<std::uint64_t> stations;  // Hz
  std::uint32_t bytesPerLine = 0, sizeImage = 0;
  std::pair<std::uint32_t, std::uint32_t> interval{1001, 30000};
  std::vector<std::vector<std::uint8_t>> buffers;
  std::deque<std::uint32_t> queued;
  bool streaming = false;
  std::uint64_t startUs = 0;  // STREAMON on the process clock
  std::uint32_t firstFrameDelayMs = 0;
  std::uint32_t locking = 0;  // frame times after STREAMON that pass before the first frame
  // The scene's frame `seq` shows: the scene runs on from STREAMON while the device locks.
  std::uint64_t SceneFrame(std::uint32_t seq) const { return static_cast<std::uint64_t>(locking) + seq; }
  // When frame `seq` is captured: the kernel stamps CLOCK_MONOTONIC at its first byte.
  std::uint64_t DueUs(std::uint32_t seq) const {
    return startUs + SceneFrame(seq) * 1000000ull * interval.first / interval.second;
  }
  std::uint32_t sequence = 0;
  std::uint32_t delivered = 0;
  JpegEncoder jpeg;

  const Format* FormatOf(std::uint32_t pixelFormat) const {
    for (const auto& f : desc.formats)
      if (f.pixelFormat == pixelFormat) return &f;
    return nullptr;
  }
  std::uint32_t StandardHeight() const { return desc.standard & V4L2_STD_525_60 ? 480 : 576; }
};

Model::Model(std::vector<DeviceDesc> devices, const std::string& root) : root_(root) {
  fs::remove_all(root_);
  for (auto& d : devices) {
    auto s = std::make_unique<State>();
    s->desc = d;
    for (const auto& c : d.controls) s->values[c.id] = c.defaultValue;
    if (d.pixelFormat == V4L2_PIX_FMT_YUYV) s->bytesPerLine = d.width * 2;
    s->sizeImage = d.width * d.height * 2;
    if (d.standard & V4L2_STD_625_50) s->interval = {1, 25};
    WriteSysfs(d);
    devices_.push_back(std::move(s));
  }
  SetMachine({this, root_ + "/sys", root_ + "/dev"});
}

Model::~Model() { SetMachine({}); }

void Model::WriteSysfs(const DeviceDesc& d) {
  const fs::path sys = fs::path(root_) / "sys";
  fs::path device;
  if (d.bus.usb) {
    const fs::path usb = sys / "devices/pci0000:00/0000:00:14.0/usb1" / d.bus.name;
    WriteFile(usb / "idVendor", d.bus.vendor);
    WriteFile(usb / "idProduct", d.bus.product);
    device = usb / (d.bus.name + ":1." + std::to_string(std::stoi(d.bus.interfaceNumber)));
    WriteFile(device / "bInterfaceNumber", d.bus.interfaceNumber);
  } else {
    device = sys / "devices/pci0000:00/0000:00:1c.0" / d.bus.name;
    WriteFile(device / "vendor", d.bus.vendor);
    WriteFile(device / "device", d.bus.product);
    WriteFile(device / "subsystem_vendor", d.bus.subsystemVendor);
    WriteFile(device / "subsystem_device", d.bus.subsystemDevice);
    WriteFile(device / "revision", d.bus.revision);
  }
  const fs::path node = sys / "class/video4linux" / d.node;
  WriteFile(node / "name", d.card);
  fs::create_symlink(device, node / "device");
  WriteFile(fs::path(root_) / "dev" / d.node, "");
}

Model::State* Model::Find(const std::string& node) {
  for (auto& s : devices_)
    if (s->desc.node == node) return s.get();
  return nullptr;
}

Model::State* Model::OfFd(int fd) {
  auto it = fds_.find(fd);
  return it == fds_.end() ? nullptr : it->second;
}

void Model::Unplug(const std::string& node) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->present = false;
}
void Model::UnplugAfter(const std::string& node, std::uint32_t frames) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->unplugAfter = frames;
}
void Model::FlagErrors(const std::string& node, std::uint32_t buffers) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->errorBuffers = buffers;
}

void Model::FailReads(const std::string& node, std::uint32_t reads) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->ioErrors = reads;
}

void Model::SetBusy(const std::string& node, bool busy) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->busy = busy;
}
void Model::SetStatus(const std::string& node, std::uint32_t input, std::uint32_t status) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node); s && input < s->desc.inputs.size()) s->desc.inputs[input].status = status;
}
void Model::DelayFirstFrame(const std::string& node, std::uint32_t ms) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->firstFrameDelayMs = ms;
}
void Model::DamageFrames(const std::string& node, int how) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->damage = how;
}
void Model::SetStations(const std::string& node, std::vector<std::uint64_t> carriersHz) {
  std::lock_guard lock(mutex_);
  if (State* s = Find(node)) s->stations = std::move(carriersHz);
}

namespace {
// One tuner unit in Hz, times 16: 62.5 Hz with V4L2_TUNER_CAP_LOW, else 62.5 kHz.
std::uint64_t UnitHzTimes16(const TunerDesc& t) { return t.capability & V4L2_TUNER_CAP_LOW ? 1000 : 1000000; }
}  // namespace

std::uint64_t Model::FrequencyHz(const std::string& node, std::uint32_t tuner) {
  std::lock_guard lock(mutex_);
  const TunerDesc& t = Find(node)->desc.tuners.at(tuner);
  return static_cast<std::uint64_t>(t.frequency) * UnitHzTimes16(t) / 16;
}

std::uint32_t Model::Input(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->desc.input;
}
std::uint64_t Model::Standard(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->desc.standard;
}
std::int32_t Model::ControlValue(const std::string& node, std::uint32_t id) {
  std::lock_guard lock(mutex_);
  return Find(node)->values[id];
}
std::uint32_t Model::FramesDelivered(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->delivered;
}
std::uint32_t Model::Width(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->desc.width;
}
std::uint32_t Model::PixelFormat(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->desc.pixelFormat;
}
bool Model::WaitDelivered(const std::string& node, std::uint32_t frames, int realMs) {
  std::unique_lock lock(mutex_);
  State* s = Find(node);
  return delivered_.wait_for(lock, std::chrono::milliseconds(realMs), [&] { return s->delivered >= frames; });
}

bool Model::Streaming(const std::string& node) {
  std::lock_guard lock(mutex_);
  return Find(node)->streaming;
}

int Model::Open(const std::string& path) {
  std::lock_guard lock(mutex_);
  for (auto& s : devices_)
    if (path == DevRoot() + "/" + s->desc.node) {
      if (!s->present) break;
      fds_[nextFd_] = s.get();
      return nextFd_++;
    }
  errno = ENOENT;
  return -1;
}

int Model::Close(int fd) {
  std::lock_guard lock(mutex_);
  return fds_.erase(fd) ? 0 : (errno = EBADF, -1);
}

void* Model::Map(int fd, std::size_t length, off_t offset) {
  std::lock_guard lock(mutex_);
  State* s = OfFd(fd);
  const auto index = static_cast<std::size_t>(offset / kBufferStride);
  if (!s || index >= s->buffers.size() || length > s->buffers[index].size()) {
    errno = EINVAL;
    return nullptr;
  }
  return s->buffers[index].data();
}

int Model::Unmap(void*, std::size_t) { return 0; }

int Model::Ioctl(int fd, unsigned long request, void* arg) {
  std::lock_guard lock(mutex_);
  State* found = OfFd(fd);
  if (!found) return errno = EBADF, -1;
  State& s = *found;
  if (!s.present) return errno = ENODEV, -1;
  const DeviceDesc& d = s.desc;
  switch (request) {
    case VIDIOC_QUERYCAP: {
      auto* cap = static_cast<v4l2_capability*>(arg);
      std::memset(cap, 0, sizeof *cap);
      Put(cap->driver, d.driver);
      Put(cap->card, d.card);
      Put(cap->bus_info, d.busInfo);
      cap->version = 0x060100;
      cap->capabilities = d.capabilities;
      cap->device_caps = d.deviceCaps;
      return 0;
    }
    case VIDIOC_ENUMINPUT: {
      auto* in = static_cast<v4l2_input*>(arg);
      if (in->index >= d.inputs.size()) return errno = EINVAL, -1;
      const InputDesc& i = d.inputs[in->index];
      const std::uint32_t index = in->index;
      std::memset(in, 0, sizeof *in);
      in->index = index;
      Put(in->name, i.name);
      in->type = i.tuner ? V4L2_INPUT_TYPE_TUNER : V4L2_INPUT_TYPE_CAMERA;
      in->std = i.standards;
      in->status = i.status;
      in->tuner = i.tuner ? i.tunerIndex : 0;
      return 0;
    }
    case VIDIOC_G_INPUT: *static_cast<int*>(arg) = static_cast<int>(d.input); return 0;
    case VIDIOC_S_INPUT: {
      // videobuf2 drivers refuse a switch once buffers are allocated (vb2_is_busy).
      if (!s.buffers.empty()) return errno = EBUSY, -1;
      const int i = *static_cast<int*>(arg);
      if (i < 0 || static_cast<std::size_t>(i) >= d.inputs.size()) return errno = EINVAL, -1;
      s.desc.input = static_cast<std::uint32_t>(i);
      return 0;
    }
    case VIDIOC_ENUMSTD: {
      auto* st = static_cast<v4l2_standard*>(arg);
      if (st->index >= d.standards.size()) return errno = EINVAL, -1;
      const StandardDesc& sd = d.standards[st->index];
      const std::uint32_t index = st->index;
      std::memset(st, 0, sizeof *st);
      st->index = index;
      st->id = sd.id;
      Put(st->name, sd.name);
      st->frameperiod = sd.lines == 525 ? v4l2_fract{1001, 30000} : v4l2_fract{1, 25};
      st->framelines = sd.lines;
      return 0;
    }
    case VIDIOC_G_STD:
      if (d.standards.empty()) return errno = ENOTTY, -1;
      *static_cast<v4l2_std_id*>(arg) = d.standard;
      return 0;
    case VIDIOC_S_STD: {
      if (d.standards.empty()) return errno = ENOTTY, -1;
      if (s.streaming || !s.buffers.empty()) return errno = EBUSY, -1;
      std::uint64_t supported = 0;
      for (const auto& sd : d.standards) supported |= sd.id;
      const std::uint64_t id = *static_cast<v4l2_std_id*>(arg) & supported;
      if (!id) return errno = EINVAL, -1;
      s.desc.standard = id;
      s.interval = id & V4L2_STD_525_60 ? std::pair{1001u, 30000u} : std::pair{1u, 25u};
      return 0;
    }
    case VIDIOC_QUERYCTRL: {
      // With V4L2_CTRL_FLAG_NEXT_CTRL the driver answers with the control of the next higher id.
      auto* q = static_cast<v4l2_queryctrl*>(arg);
      const bool next = q->id & V4L2_CTRL_FLAG_NEXT_CTRL;
      const std::uint32_t wanted = q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL;
      const ControlDesc* found = nullptr;
      for (const auto& c : d.controls)
        if (next ? c.id > wanted && (!found || c.id < found->id) : c.id == wanted) found = &c;
      if (!found) return errno = EINVAL, -1;
      std::memset(q, 0, sizeof *q);
      q->id = found->id;
      q->type = found->type;
      Put(q->name, found->name);
      q->minimum = found->min;
      q->maximum = found->max;
      q->step = found->type == V4L2_CTRL_TYPE_MENU ? 1 : found->step;
      q->default_value = found->defaultValue;
      return 0;
    }
    case VIDIOC_QUERYMENU: {
      auto* m = static_cast<v4l2_querymenu*>(arg);
      for (const auto& c : d.controls)
        if (c.id == m->id && c.type == V4L2_CTRL_TYPE_MENU) {
          const auto at = static_cast<std::int64_t>(m->index) - c.min;
          if (m->index < static_cast<std::uint32_t>(c.min) || m->index > static_cast<std::uint32_t>(c.max) ||
              at >= static_cast<std::int64_t>(c.menu.size()) || c.menu[static_cast<std::size_t>(at)].empty())
            return errno = EINVAL, -1;
          // The name sits in a packed union: copied, not bound.
          const std::string& item = c.menu[static_cast<std::size_t>(at)];
          std::memset(m->name, 0, sizeof m->name);
          std::memcpy(m->name, item.data(), std::min(item.size(), sizeof m->name - 1));
          m->reserved = 0;
          return 0;
        }
      return errno = EINVAL, -1;
    }
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: return Control(s, request, arg);
    case VIDIOC_G_TUNER:
    case VIDIOC_S_TUNER:
    case VIDIOC_G_FREQUENCY:
    case VIDIOC_S_FREQUENCY: return Tuning(s, request, arg);
    case VIDIOC_ENUM_FMT: {
      auto* f = static_cast<v4l2_fmtdesc*>(arg);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || f->index >= d.formats.size()) return errno = EINVAL, -1;
      const Format& fmt = d.formats[f->index];
      f->pixelformat = fmt.pixelFormat;
      f->flags = fmt.pixelFormat == V4L2_PIX_FMT_MJPEG ? V4L2_FMT_FLAG_COMPRESSED : 0;
      Put(f->description, fmt.description);
      return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
      auto* f = static_cast<v4l2_frmsizeenum*>(arg);
      const Format* fmt = s.FormatOf(f->pixel_format);
      if (!fmt || f->index >= fmt->sizes.size()) return errno = EINVAL, -1;
      f->type = V4L2_FRMSIZE_TYPE_DISCRETE;
      f->discrete = {fmt->sizes[f->index].width, fmt->sizes[f->index].height};
      return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
      auto* f = static_cast<v4l2_frmivalenum*>(arg);
      const Format* fmt = s.FormatOf(f->pixel_format);
      if (!fmt) return errno = EINVAL, -1;
      for (const auto& size : fmt->sizes)
        if (size.width == f->width && size.height == f->height && f->index < size.intervals.size()) {
          f->type = V4L2_FRMIVAL_TYPE_DISCRETE;
          f->discrete = {size.intervals[f->index].first, size.intervals[f->index].second};
          return 0;
        }
      return errno = EINVAL, -1;
    }
    case VIDIOC_G_FMT:
    case VIDIOC_S_FMT: {
      auto* f = static_cast<v4l2_format*>(arg);
      if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return errno = EINVAL, -1;
      if (request == VIDIOC_S_FMT) {
        if (s.busy || s.streaming || !s.buffers.empty()) return errno = EBUSY, -1;
        // As drivers do: what cannot be had is adjusted to what can.
        const Format* fmt = s.FormatOf(f->fmt.pix.pixelformat);
        if (!fmt) fmt = &d.formats.front();
        std::uint32_t w = f->fmt.pix.width, h = f->fmt.pix.height;
        if (!fmt->sizes.empty()) {
          const Size* best = &fmt->sizes.front();
          for (const auto& size : fmt->sizes)
            if (size.width == w && size.height == h) best = &size;
          w = best->width;
          h = best->height;
          s.interval = best->intervals.front();
        } else {
          w = std::clamp<std::uint32_t>(w, 48, d.maxWidth);
          h = std::clamp<std::uint32_t>(h, 32, s.StandardHeight());
        }
        s.desc.width = w;
        s.desc.height = h;
        s.desc.pixelFormat = fmt->pixelFormat;
        s.bytesPerLine = fmt->pixelFormat == V4L2_PIX_FMT_MJPEG ? 0 : w * 2;
        s.sizeImage = w * h * 2;
      }
      f->fmt.pix.width = s.desc.width;
      f->fmt.pix.height = s.desc.height;
      f->fmt.pix.pixelformat = s.desc.pixelFormat;
      f->fmt.pix.field = d.maxWidth ? V4L2_FIELD_INTERLACED : V4L2_FIELD_NONE;
      f->fmt.pix.bytesperline = s.bytesPerLine;
      f->fmt.pix.sizeimage = s.sizeImage;
      return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
      auto* p = static_cast<v4l2_streamparm*>(arg);
      if (request == VIDIOC_S_PARM)
        if (const Format* fmt = s.FormatOf(d.pixelFormat))
          for (const auto& size : fmt->sizes)
            if (size.width == d.width && size.height == d.height)
              for (const auto& i : size.intervals)
                if (static_cast<std::uint64_t>(i.first) * p->parm.capture.timeperframe.denominator ==
                    static_cast<std::uint64_t>(i.second) * p->parm.capture.timeperframe.numerator)
                  s.interval = i;
      p->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
      p->parm.capture.timeperframe = {s.interval.first, s.interval.second};
      return 0;
    }
    default: return Streaming(s, request, arg);
  }
}

int Model::Control(State& s, unsigned long request, void* arg) {
  auto* c = static_cast<v4l2_control*>(arg);
  for (const auto& desc : s.desc.controls)
    if (desc.id == c->id) {
      if (request == VIDIOC_G_CTRL) {
        c->value = s.values[c->id];
        return 0;
      }
      if (c->value < desc.min || c->value > desc.max) return errno = ERANGE, -1;
      // A menu item the driver does not list is refused.
      if (desc.type == V4L2_CTRL_TYPE_MENU) {
        const auto at = static_cast<std::size_t>(c->value - desc.min);
        if (at >= desc.menu.size() || desc.menu[at].empty()) return errno = EINVAL, -1;
      }
      s.values[c->id] = c->value;
      return 0;
    }
  return errno = EINVAL, -1;
}

// As the tuner ioctls are documented: an index beyond the tuners is EINVAL, and so is a
// frequency of the wrong tuner type; a frequency the tuner cannot reach becomes the nearest it can.
int Model::Tuning(State& s, unsigned long request, void* arg) {
  auto& tuners = s.desc.tuners;
  switch (request) {
    case VIDIOC_G_TUNER: {
      auto* t = static_cast<v4l2_tuner*>(arg);
      if (t->index >= tuners.size()) return errno = EINVAL, -1;
      const TunerDesc& d = tuners[t->index];
      const std::uint32_t index = t->index;
      std::memset(t, 0, sizeof *t);
      t->index = index;
      Put(t->name, d.name);
      t->type = d.type;
      t->capability = d.capability;
      t->rangelow = d.rangeLow;
      t->rangehigh = d.rangeHigh;
      t->rxsubchans = V4L2_TUNER_SUB_MONO;
      t->audmode = V4L2_TUNER_MODE_MONO;
      const std::uint64_t hz = static_cast<std::uint64_t>(d.frequency) * UnitHzTimes16(d) / 16;
      const bool station = std::find(s.stations.begin(), s.stations.end(), hz) != s.stations.end();
      t->signal = station ? 0xFFFF : 0;
      return 0;
    }
    case VIDIOC_S_TUNER: {
      const auto* t = static_cast<const v4l2_tuner*>(arg);
      if (t->index >= tuners.size()) return errno = EINVAL, -1;
      return 0;  // only the audio mode is writable, and a mono tuner keeps mono
    }
    case VIDIOC_G_FREQUENCY: {
      auto* f = static_cast<v4l2_frequency*>(arg);
      if (f->tuner >= tuners.size()) return errno = EINVAL, -1;
      f->type = tuners[f->tuner].type;
      f->frequency = tuners[f->tuner].frequency;
      return 0;
    }
    default: {
      const auto* f = static_cast<const v4l2_frequency*>(arg);
      if (f->tuner >= tuners.size() || f->type != tuners[f->tuner].type) return errno = EINVAL, -1;
      TunerDesc& d = tuners[f->tuner];
      d.frequency = std::clamp(f->frequency, d.rangeLow, d.rangeHigh);
      return 0;
    }
  }
}

int Model::Streaming(State& s, unsigned long request, void* arg) {
  switch (request) {
    case VIDIOC_REQBUFS: {
      auto* r = static_cast<v4l2_requestbuffers*>(arg);
      if (r->memory != V4L2_MEMORY_MMAP) return errno = EINVAL, -1;
      if (s.busy || s.streaming) return errno = EBUSY, -1;
      s.queued.clear();
      s.buffers.assign(std::min<std::uint32_t>(r->count, 8), std::vector<std::uint8_t>(s.sizeImage));
      r->count = static_cast<std::uint32_t>(s.buffers.size());
      return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (b->index >= s.buffers.size()) return errno = EINVAL, -1;
      b->length = static_cast<std::uint32_t>(s.buffers[b->index].size());
      b->m.offset = static_cast<std::uint32_t>(b->index * kBufferStride);
      if (request == VIDIOC_QBUF) s.queued.push_back(b->index);
      return 0;
    }
    case VIDIOC_DQBUF: {
      auto* b = static_cast<v4l2_buffer*>(arg);
      if (!s.streaming || s.queued.empty()) return errno = EAGAIN, -1;
      // A signal lost for a moment: DQBUF answers EIO for the frame's time, the buffer stays queued.
      if (s.ioErrors > 0) {
        --s.ioErrors;
        ++s.sequence;
        return errno = EIO, -1;
      }
      if (s.delivered >= s.unplugAfter) {
        s.present = false;
        return errno = ENODEV, -1;
      }
      const std::uint32_t index = s.queued.front();
      s.queued.pop_front();
      std::vector<std::uint8_t> bytes;
      MakeFrame(s, &bytes);
      auto& buffer = s.buffers[index];
      const std::size_t n = std::min(bytes.size(), buffer.size());
      std::memcpy(buffer.data(), bytes.data(), n);
      b->index = index;
      b->bytesused = static_cast<std::uint32_t>(n);
      b->sequence = s.sequence;
      const std::uint64_t us = s.DueUs(s.sequence);
      b->timestamp.tv_sec = static_cast<time_t>(us / 1000000);
      b->timestamp.tv_usec = static_cast<suseconds_t>(us % 1000000);
      b->flags = V4L2_BUF_FLAG_MAPPED | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
      // A buffer the hardware filled badly comes back flagged, its contents not to be trusted.
      if (s.errorBuffers > 0) {
        --s.errorBuffers;
        b->flags |= V4L2_BUF_FLAG_ERROR;
        std::memset(buffer.data(), 0x5A, n);
      }
      ++s.sequence;
      ++s.delivered;
      delivered_.notify_all();
      return 0;
    }
    case VIDIOC_STREAMON:
      if (s.buffers.empty()) return errno = EINVAL, -1;
      s.streaming = true;
      s.startUs = platform::CurrentClock().NowUs();
      s.locking = static_cast<std::uint32_t>(
          (s.firstFrameDelayMs * 1000ull * s.interval.second + 1000000ull * s.interval.first - 1) /
          (1000000ull * s.interval.first));
      s.sequence = 0;
      return 0;
    case VIDIOC_STREAMOFF:
      s.streaming = false;
      s.queued.clear();
      return 0;
    default: return errno = ENOTTY, -1;
  }
}

void Model::MakeFrame(State& s, std::vector<std::uint8_t>* bytes) {
  const int w = static_cast<int>(s.desc.width), h = static_cast<int>(s.desc.height);
  const REFERENCE_TIME duration = 10000000LL * s.interval.first / s.interval.second;
  std::vector<std::uint8_t> yuyv(static_cast<std::size_t>(w) * h * 2);
  const GUID& subtype = s.desc.pixelFormat == V4L2_PIX_FMT_UYVY ? MEDIASUBTYPE_UYVY : MEDIASUBTYPE_YUY2;
  sim::PaintFrame(subtype, w, h, static_cast<long long>(s.SceneFrame(s.sequence)), duration, yuyv.data(),
                  static_cast<std::size_t>(w) * 2);
  if (s.desc.pixelFormat != V4L2_PIX_FMT_MJPEG) {
    *bytes = std::move(yuyv);
    return;
  }
  *bytes = s.jpeg.Encode(yuyv.data(), w, h);
  if (s.damage == 1) bytes->resize(bytes->size() / 3);
  if (s.damage == 2)
    for (std::size_t i = 0; i < bytes->size(); ++i) (*bytes)[i] = static_cast<std::uint8_t>(i * 131 + 7);
}

int Model::Wait(int fd, int timeoutMs) {
  std::uint64_t dueMs = 0;
  bool ready = false;
  {
    std::lock_guard lock(mutex_);
    State* s = OfFd(fd);
    if (!s) return errno = EBADF, -1;
    if (!s->present) return errno = ENODEV, -1;
    ready = s->streaming && !s->queued.empty();
    if (ready) dueMs = (s->DueUs(s->sequence) + 999) / 1000;
  }
  platform::Clock& clock = platform::CurrentClock();
  if (!ready) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeoutMs, 5)));
    return 0;
  }
  if (auto* manual = dynamic_cast<platform::ManualClock*>(&clock))
    return manual->WaitUntil(dueMs, static_cast<DWORD>(timeoutMs)) ? 1 : 0;
  const std::uint64_t now = clock.NowMs();
  if (now >= dueMs) return 1;
  std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::uint64_t>(dueMs - now, timeoutMs)));
  return clock.NowMs() >= dueMs ? 1 : 0;
}

}  // namespace platform::dshow::v4l2::model
