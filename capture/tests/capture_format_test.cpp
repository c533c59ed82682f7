#include <gtest/gtest.h>

#include "capture/capture_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

using namespace platform::dshow;

namespace {

constexpr const char* kAdjust = "Software\\Narvell\\Vidarro 5\\Adjust";
const std::string kName = "Vidarro USB Video Capture";

bool Stored(const std::string& suffix, DWORD* value) {
  return RegReadDword(HKEY_CURRENT_USER, kAdjust, (kName + suffix).c_str(), value, REG_READ_NO_DEFAULT);
}

class CaptureFormatTest : public ::testing::Test {
 protected:
  void Open(std::vector<sim::VideoFormat> formats, std::vector<sim::ProcAmpRange> procAmp = {}) {
    auto devices = sim::DefaultDevices();
    devices[0].formats = std::move(formats);
    devices[0].procAmp = std::move(procAmp);
    devices[0].tvFormats = 0x1;
    sim::Hardware::Instance().SetDevices(devices);
    RegDeleteKey(HKEY_CURRENT_USER, kAdjust);  // each case starts from a device never adjusted
    ASSERT_TRUE(graph.OpenDevice(nullptr, nullptr, kName, "NULL", 1));
  }
  CCaptureGraph graph;
};

TEST_F(CaptureFormatTest, ARefusedSizeFallsDownTheTableWithTheSampleSizeFollowing) {
  Open({{640, 480, 333667, MEDIASUBTYPE_YUY2}, {352, 240, 333667, MEDIASUBTYPE_YUY2}});
  long width = 720, height = 480;
  ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  AM_MEDIA_TYPE* mt = nullptr;
  ASSERT_EQ(graph.StreamConfig()->GetFormat(&mt), S_OK);
  const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
  EXPECT_EQ(vih->bmiHeader.biSizeImage, 640u * 480 * 2);
  EXPECT_EQ(mt->lSampleSize, 640u * 480 * 2);
  DeleteMediaType(mt);

  width = 352, height = 240;
  ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
  EXPECT_EQ(width, 352);
  EXPECT_TRUE(graph.ChangeCaptureFormat(&width, &height, TRUE));
}

TEST_F(CaptureFormatTest, PictureValuesComeBackAndHueMinusOneIsAValue) {
  // Brightness and hue offered, saturation not.
  Open({{352, 240, 333667, MEDIASUBTYPE_YUY2}}, {{0, 0, 255, 1, 128, 2}, {2, -180, 180, 1, 0, 2}});
  long b = 0, c = 0, s = 0, h = 0;
  graph.LoadProcAmpSettings(&b, &c, &s, &h);
  EXPECT_EQ(b, 128);  // never adjusted: the device's default, now stored
  EXPECT_EQ(c, -1);
  EXPECT_EQ(s, -1);
  EXPECT_EQ(h, 0);
  DWORD stored = 0;
  ASSERT_TRUE(Stored("_Brigtness", &stored));
  EXPECT_EQ(stored, 128u);

  graph.SaveProcAmpSettings(140, -1, -1, -1);
  ASSERT_TRUE(Stored("_Brigtness", &stored));
  EXPECT_EQ(stored, 140u);
  ASSERT_TRUE(Stored("_Hue", &stored));
  EXPECT_EQ(static_cast<std::int32_t>(stored), -1);  // a real hue, applied and kept
  long hue = 0;
  ASSERT_TRUE(graph.GetProcAmp(2, &hue));
  EXPECT_EQ(hue, -1);
  EXPECT_FALSE(Stored("_Saturation", &stored));
  EXPECT_FALSE(Stored("_Brightness", &stored));
  graph.LoadProcAmpSettings(&b, &c, &s, &h);
  EXPECT_EQ(h, -1);

  // The next format set re-applies what was stored.
  ASSERT_TRUE(graph.SetProcAmp(0, 10));
  long width = 352, height = 240;
  ASSERT_TRUE(graph.SetCaptureFormat(&width, &height, FALSE));
  long brightness = 0;
  ASSERT_TRUE(graph.GetProcAmp(0, &brightness));
  EXPECT_EQ(brightness, 140);
}

TEST_F(CaptureFormatTest, EachPropertyReadsSetsAndRangesOnlyWhereTheDeviceOffersIt) {
  Open({{352, 240, 333667, MEDIASUBTYPE_YUY2}}, {{0, 0, 255, 1, 128, 2}, {2, -180, 180, 1, 0, 2}});
  long value = 7, min = 0, max = 0, def = 0;
  EXPECT_FALSE(graph.GetSaturation(&value));
  EXPECT_EQ(value, -1);
  EXPECT_FALSE(graph.GetContrastRange(&min, &max, &def));
  ASSERT_TRUE(graph.GetHueRange(&min, &max, &def));
  EXPECT_EQ(min, -180);
  EXPECT_EQ(max, 180);
  ASSERT_TRUE(graph.SetHue(-1));
  ASSERT_TRUE(graph.GetHue(&value));
  EXPECT_EQ(value, -1);  // a hue, not "unsupported"
  ASSERT_TRUE(graph.SetBrightness(200));
  ASSERT_TRUE(graph.GetBrightness(&value));
  EXPECT_EQ(value, 200);
  ASSERT_TRUE(graph.GetBrightnessRange(&min, &max, &def));
  EXPECT_EQ(def, 128);
  EXPECT_FALSE(graph.GetBrightness(nullptr));
}

TEST_F(CaptureFormatTest, ARefusedStandardFails) {
  Open({{352, 240, 333667, MEDIASUBTYPE_YUY2}});
  EXPECT_TRUE(graph.SetTvFormat(0x1));
  EXPECT_FALSE(graph.SetTvFormat(0x10));  // PAL B: the decoder has only NTSC M
  EXPECT_EQ(graph.GetTvFormat(), 0x1);
}

}  // namespace
