// The modelled devices, as their drivers answered on real machines.
#include <linux/videodev2.h>

#include "platform/dshow/tests/v4l2_model.h"

namespace platform::dshow::v4l2::model {

namespace {

using Intervals = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

const Intervals k30_25_20_10_5 = {{1, 30}, {1, 25}, {1, 20}, {1, 10}, {1, 5}};
const Intervals k50_30_20_10_5 = {{1, 50}, {1, 30}, {1, 20}, {1, 10}, {1, 5}};
const Intervals k60_50_30_20_10 = {{1, 60}, {1, 50}, {1, 30}, {1, 20}, {1, 10}};

ControlDesc Ctrl(std::uint32_t id, const char* name, int min, int max, int def) {
  ControlDesc c;
  c.id = id;
  c.name = name;
  c.min = min;
  c.max = max;
  c.defaultValue = def;
  return c;
}

}  // namespace

// An MS2109 USB HDMI capture box, from `v4l2-ctl --device /dev/video0 --list-formats-ext --all`
// published in github.com/rgl/usb-hdmi-video-capture (v4l-output.txt): uvcvideo, "UVC Camera
// (534d:2109): USB Vid", capabilities 0x84a00001, device caps 0x04200001, input 0 "Camera 1",
// brightness/contrast/saturation/hue as listed, MJPG and YUYV with these sizes and intervals.
// Its second node is the uvcvideo metadata node (device caps Metadata Capture).
std::vector<DeviceDesc> UsbCaptureBox(const std::string& node) {
  DeviceDesc d;
  d.node = node;
  d.driver = "uvcvideo";
  d.card = "UVC Camera (534d:2109): USB Vid";
  d.busInfo = "usb-0000:00:14.0-1";
  d.capabilities = 0x84a00001;
  d.deviceCaps = 0x04200001;
  d.bus = {true, "534d", "2109", "", "", "", "00", "1-1"};
  d.formats = {
      {V4L2_PIX_FMT_MJPEG,
       "Motion-JPEG",
       {{1920, 1080, k30_25_20_10_5},
        {1600, 1200, k30_25_20_10_5},
        {1360, 768, k30_25_20_10_5},
        {1280, 1024, k30_25_20_10_5},
        {1280, 960, k50_30_20_10_5},
        {1280, 720, k60_50_30_20_10},
        {1024, 768, k60_50_30_20_10},
        {800, 600, k60_50_30_20_10},
        {720, 576, k60_50_30_20_10},
        {720, 480, k60_50_30_20_10},
        {640, 480, k60_50_30_20_10}}},
      {V4L2_PIX_FMT_YUYV,
       "YUYV 4:2:2",
       {{1920, 1080, {{1, 5}}},
        {1600, 1200, {{1, 5}}},
        {1360, 768, {{1, 8}}},
        {1280, 1024, {{1, 8}}},
        {1280, 960, {{1, 8}}},
        {1280, 720, {{1, 10}}},
        {1024, 768, {{1, 10}}},
        {800, 600, {{1, 20}, {1, 10}, {1, 5}}},
        {720, 576, {{1, 25}, {1, 20}, {1, 10}, {1, 5}}},
        {720, 480, {{1, 30}, {1, 20}, {1, 10}, {1, 5}}},
        {640, 480, {{1, 30}, {1, 20}, {1, 10}, {1, 5}}}}},
  };
  d.inputs = {{"Camera 1", false, 0, 0}};
  d.controls = {Ctrl(V4L2_CID_BRIGHTNESS, "Brightness", -128, 127, -11),
                Ctrl(V4L2_CID_CONTRAST, "Contrast", 0, 255, 148), Ctrl(V4L2_CID_SATURATION, "Saturation", 0, 255, 180),
                Ctrl(V4L2_CID_HUE, "Hue", -128, 127, 0)};
  // As uvcvideo reports them: a boolean and a menu beside the sliders.
  ControlDesc autoWhite = Ctrl(V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", 0, 1, 1);
  autoWhite.type = V4L2_CTRL_TYPE_BOOLEAN;
  ControlDesc powerLine = Ctrl(V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", 0, 2, 1);
  powerLine.type = V4L2_CTRL_TYPE_MENU;
  powerLine.menu = {"Disabled", "50 Hz", "60 Hz"};
  d.controls.push_back(autoWhite);
  d.controls.push_back(powerLine);
  d.width = 1920;
  d.height = 1080;
  d.pixelFormat = V4L2_PIX_FMT_MJPEG;

  DeviceDesc meta = d;
  meta.node = "video" + std::to_string(std::stoi(node.substr(5)) + 1);
  meta.deviceCaps = 0x04a00000;  // Metadata Capture, Streaming, Extended Pix Format
  meta.formats.clear();
  meta.controls.clear();
  return {d, meta};
}

// A Hauppauge WinTV-HVR5525 (cx23885), from `v4l2-ctl --all` published in
// github.com/MythTV/mythtv issue 205: driver cx23885, bus "PCIe:0000:05:00.0", capabilities
// 0x85230011, device caps 0x05230001, tuner 0 "Television" (analog TV), video input 1
// "Composite1: ok", standard 0x000000f7 (PAL-B/B1/G/I/D/D1/K), 720/576 YUYV interlaced, 1440
// bytes per line, no frame size list. The S-Video input is the one the cx23885 cards bring
// out beside Composite1 (github.com/b-rad-NDi/Ubuntu-media-tree-kernel-builder issue 183,
// HVR-1800: "FM/TV, S-Video1, Composite1"). Picture controls: the cx25840 decoder's ranges.
// Standards: the NTSC and PAL sets the v4l2 core lists for the driver.
DeviceDesc TvCard(const std::string& node) {
  DeviceDesc d;
  d.node = node;
  d.driver = "cx23885";
  d.card = "Hauppauge WinTV-HVR5525";
  d.busInfo = "PCIe:0000:05:00.0";
  d.capabilities = 0x85230011;
  d.deviceCaps = 0x05230001;
  d.bus = {false, "0x14f1", "0x8852", "0x0070", "0xf038", "0x04", "", "0000:05:00.0"};
  d.formats = {{V4L2_PIX_FMT_YUYV, "YUYV 4:2:2", {}}};
  const std::uint64_t all = V4L2_STD_NTSC_M | V4L2_STD_PAL;
  d.inputs = {{"Television", true, all, 0}, {"Composite1", false, all, 0}, {"S-Video", false, all, 0}};
  d.standards = {{V4L2_STD_NTSC_M, "NTSC-M", 525},
                 {V4L2_STD_PAL_BG, "PAL-BG", 625},
                 {V4L2_STD_PAL_I, "PAL-I", 625},
                 {V4L2_STD_PAL_DK, "PAL-DK", 625}};
  d.controls = {Ctrl(V4L2_CID_BRIGHTNESS, "Brightness", 0, 255, 128), Ctrl(V4L2_CID_CONTRAST, "Contrast", 0, 127, 64),
                Ctrl(V4L2_CID_SATURATION, "Saturation", 0, 127, 64), Ctrl(V4L2_CID_HUE, "Hue", -128, 127, 0)};
  // The analog TV tuner in 62.5 kHz steps over 44 to 958 MHz, as TV tuners of its kind report,
  // left on 175.25 MHz.
  d.tuners = {{"Television", V4L2_TUNER_ANALOG_TV, V4L2_TUNER_CAP_NORM, 44 * 16, 958 * 16, 2804}};
  d.standard = 0x000000f7;
  d.input = 1;
  d.width = 720;
  d.height = 576;
  d.pixelFormat = V4L2_PIX_FMT_YUYV;
  d.maxWidth = 720;
  return d;
}

}  // namespace platform::dshow::v4l2::model
