// A USB box straight into "Qn MPEG Encoder" on a manual clock, for the encoder's tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/dshow/codes.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_filters.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/filters/filter_classes.h"
#include "platform/filters/mpeg_encoder.h"

namespace platform::filters::test {

using dshow::sim::Hardware;

inline std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

inline CComPtr<IPin> PinOf(IBaseFilter* filter, const char* name) {
  CComPtr<IPin> pin;
  filter->FindPin(name, &pin);
  return pin;
}

inline std::string ReadAll(const std::string& path) {
  std::string text;
  platform::ReadWholeFile(path, &text);
  return text;
}

inline bool StartsWithPack(const std::string& data) {
  return data.size() > 4 && data.compare(0, 4, "\x00\x00\x01\xBA", 4) == 0;
}

// A USB box with its own audio pin, straight into the encoder; time on a manual clock.
class MpegEncoderTest : public ::testing::Test {
 public:
 protected:
  void SetUp() override {
    auto box = dshow::sim::DefaultDevices()[0];
    box.audioPin = true;
    box.formats = {{720, 480, 333667, MEDIASUBTYPE_YUY2}, {720, 576, 400000, MEDIASUBTYPE_YUY2}};
    Hardware::Instance().SetDevices({box});
    ASSERT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    graph.QueryInterface(&control);
    graph.QueryInterface(&events);
    ASSERT_EQ(dshow::sim::CreateDeviceFilter("USBBOX", IID_IBaseFilter, reinterpret_cast<void**>(&device)), S_OK);
    ASSERT_EQ(encoder.CoCreateInstance(CLSID_QnMpegEncoder, nullptr, CLSCTX_INPROC_SERVER), S_OK);
    ASSERT_EQ(encoder.QueryInterface(&main), S_OK);
    ASSERT_EQ(encoder.QueryInterface(&parts), S_OK);
    graph->AddFilter(device, "Video Capture");
    graph->AddFilter(encoder, "Qn MPEG Encoder");
  }
  void TearDown() override {
    if (control) control->Stop();
  }
  void Connect(bool audio, bool pal = false) {
    if (pal) {
      CComPtr<IAMStreamConfig> config;
      ASSERT_EQ(PinOf(device, "Capture")->QueryInterface(IID_IAMStreamConfig, reinterpret_cast<void**>(&config)), S_OK);
      CMediaType mt = dshow::MakeVideoType(MEDIASUBTYPE_YUY2, 720, 576, 400000);
      ASSERT_EQ(config->SetFormat(&mt), S_OK);
    }
    ASSERT_EQ(graph->ConnectDirect(PinOf(device, "Capture"), PinOf(encoder, "Video"), nullptr), S_OK);
    if (audio) {
      ASSERT_EQ(graph->ConnectDirect(PinOf(device, "Audio"), PinOf(encoder, "Audio"), nullptr), S_OK);
    }
  }
  // Runs for ms of device time and stops once the encoder has taken every picture.
  void Record(const std::string& file, int ms, long frameDuration = 333667) {
    ASSERT_EQ(Sink()->SetFileName(file.c_str(), nullptr), S_OK);
    platform::ManualClock clock(1000);
    platform::ScopedClock use(clock);
    ASSERT_EQ(control->Run(), S_OK);
    // Time moves in steps the encoder keeps up with, so sound and pictures arrive together as
    // they do from a live device.
    DWORD frames = 0;
    auto due = [&](int t) { return static_cast<DWORD>(static_cast<long long>(t) * 10000 / frameDuration); };
    for (int t = 100; t <= ms; t += 100) {
      clock.Advance(100);
      // A recording meant to fail needs only a few pictures to reach the disk.
      const DWORD need = aborted_ ? std::min<DWORD>(due(t), 3) : due(t);
      for (int i = 0; i < 2000 && frames < need; ++i) {
        main->GetFramesEncoded(&frames);
        if (frames < need) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    const DWORD expected = aborted_ ? 0 : due(ms);
    EXPECT_GE(frames, expected);
    ASSERT_EQ(control->Stop(), S_OK);
  }
  CComPtr<IFileSinkFilter> Sink() {
    CComPtr<IFileSinkFilter> sink;
    encoder.QueryInterface(&sink);
    return sink;
  }
  long NextEvent() {
    long code = 0;
    LONG_PTR p1, p2;
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      events->FreeEventParams(code, p1, p2);
      if (code == EC_ERRORABORT) return code;
    }
    return 0;
  }

  CComPtr<IGraphBuilder> graph;
  CComPtr<IMediaControl> control;
  CComPtr<IMediaEventEx> events;
  CComPtr<IBaseFilter> device, encoder;
  CComPtr<IQnMpegEncoder> main;
  CComPtr<IQnMpegParts> parts;
  bool aborted_ = false;  // a recording meant to fail stops waiting for pictures
};

}  // namespace platform::filters::test
