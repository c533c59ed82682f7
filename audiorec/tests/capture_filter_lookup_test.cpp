#include "audiorec/capture_filter_lookup.h"

#include <gtest/gtest.h>

#include "platform/com/com_ptr.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/uuids.h"

namespace {

using platform::dshow::sim::DeviceDesc;
using platform::dshow::sim::DeviceKind;

std::string NameOf(IBaseFilter* filter) {
  FILTER_INFO info;
  if (!filter || FAILED(filter->QueryFilterInfo(&info))) return {};
  if (info.pGraph) info.pGraph->Release();
  return info.achName;
}

class CaptureFilterLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<DeviceDesc> devices;
    for (const char* name : {"Line", "Line 2", "USB Microphone"}) {
      DeviceDesc d;
      d.id = std::string("IN_") + name;
      d.kind = DeviceKind::AudioInput;
      d.name = name;
      d.waveInId = static_cast<int>(devices.size());
      devices.push_back(d);
    }
    platform::dshow::sim::Hardware::Instance().SetDevices(devices);
  }
  void TearDown() override {
    platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
  }
};

TEST_F(CaptureFilterLookupTest, AnExactNameWinsOverAShorterOneItHolds) {
  CComPtr<IBaseFilter> filter;
  ASSERT_EQ(FindCaptureFilter(CLSID_AudioInputDeviceCategory, "Line 2", &filter), S_OK);
  EXPECT_EQ(NameOf(filter), "Line 2");
}

TEST_F(CaptureFilterLookupTest, ANameHoldingADevicesNameStillFindsIt) {
  CComPtr<IBaseFilter> filter;
  ASSERT_EQ(FindCaptureFilter(CLSID_AudioInputDeviceCategory, "USB Microphone (2- Vidarro)", &filter), S_OK);
  EXPECT_EQ(NameOf(filter), "USB Microphone");
}

TEST_F(CaptureFilterLookupTest, EmptyOrUnknownNamesFindNothing) {
  CComPtr<IBaseFilter> filter;
  EXPECT_EQ(FindCaptureFilter(CLSID_AudioInputDeviceCategory, "", &filter), E_FAIL);
  EXPECT_EQ(FindCaptureFilter(CLSID_AudioInputDeviceCategory, "Headset", &filter), E_FAIL);
  EXPECT_FALSE(filter);
}

}  // namespace
