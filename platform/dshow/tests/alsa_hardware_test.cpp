// Records 2 s from this machine's "default" capture device through its audio capture filter:
// skipped where the machine has none.
#include <gtest/gtest.h>

#include "platform/dshow/alsa_capture_filter.h"
#include "platform/dshow/alsa_inputs.h"
#include "platform/dshow/tests/audio_sink.h"

using namespace platform::dshow;

TEST(AlsaHardware, TheDefaultCaptureDeviceOfThisMachineRecordsTwoSeconds) {
  const auto inputs = alsa::CaptureInputs();
  if (inputs.empty() || inputs.front().pcm != "default") GTEST_SKIP() << "no default capture device on this machine";
  CComPtr<IBaseFilter> capture;
  ASSERT_EQ(alsa::CreateCaptureFilter(inputs.front(), IID_IBaseFilter, reinterpret_cast<void**>(&capture)), S_OK);
  platform::dshow::testing::CountingGraph g;
  ASSERT_TRUE(g.Build(capture));
  ASSERT_TRUE(SUCCEEDED(g.control->Run())) << inputs.front().name;
  // The first type the pin offers: 48 kHz, 16-bit stereo.
  EXPECT_TRUE(g.counter->WaitFor(2 * 48000 * 4, 20)) << inputs.front().name;
  g.control->Stop();
}
