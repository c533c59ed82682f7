// The engine on the default simulated hardware, a notify window and the manual clock.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "audiorec/audio_record_graph.h"
#include "capture/wmv_profile_info.h"
#include "platform/base/clock.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace auvry::testing {

inline const char* NotifyClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpszClassName = "AuvryNotify";
    wc.lpfnWndProc = DefWindowProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "AuvryNotify";
}

inline std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

// The recorder's WMA profile: one wmav2 stream, 48 kHz stereo.
inline std::string WriteWmaProfile(const std::string& path) {
  CWmvProfileInfo info;
  WmvStreamParams params;
  params.audioKbps = 128, params.audioKhz = 48, params.channels = 2;
  if (!info.Init() || !info.AddStream(1) || !info.SetStreamParams(1, params) || !info.SaveProfile(path)) return {};
  return path;
}

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
    window = CreateWindowEx(0, NotifyClass(), "notify", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    engine.Close();  // before the manual clock the sources wait on goes
    DestroyWindow(window);
  }
  // Moves the clock on in 100 ms steps, letting the sources deliver each step.
  void Advance(int ms) {
    for (int t = 0; t < ms; t += 100) {
      clock.Advance(100);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  }
  // The clock jumps ahead of the sound threads on a loaded machine: waits (real time, bounded)
  // until the recording's file has stopped growing, so that a stop cuts nothing they still owe.
  static void LetTheRecordingCatchUp(const std::string& file) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::uintmax_t last = 0;
    int still = 0;
    while (still < 10 && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::error_code error;
      const std::uintmax_t size = std::filesystem::file_size(file, error);
      still = !error && size == last ? still + 1 : 0;
      last = error ? 0 : size;
    }
  }
  int Finished(LPARAM* result = nullptr) {
    int count = 0;
    MSG m;
    while (PeekMessage(&m, window, WM_RECORD_FINISHED, WM_RECORD_FINISHED, PM_REMOVE)) {
      ++count;
      EXPECT_EQ(m.wParam, kRecordFinishedCode);
      if (result) *result = m.lParam;
    }
    return count;
  }
  std::string Dump() { return platform::dshow::DumpGraph(engine.Graph()); }

  platform::ManualClock clock{1000};
  platform::ScopedClock use{clock};
  HWND window = nullptr;
  CAudioRecordGraph engine;
};

inline const char* kUsbAudio = "Vidarro USB Audio Capture";

// The physical connector type the box's crossbar routes to its video decoder.
inline long RoutedConnector(IGraphBuilder* graph, const char* crossbarName) {
  CComPtr<IBaseFilter> filter;
  if (!graph || FAILED(graph->FindFilterByName(crossbarName, &filter))) return -1;
  CComQIPtr<IAMCrossbar> crossbar(static_cast<IUnknown*>(filter));
  long routed = -1, related = 0, type = -1;
  if (!crossbar || FAILED(crossbar->get_IsRoutedTo(0, &routed)) ||
      FAILED(crossbar->get_CrossbarPinInfo(TRUE, routed, &related, &type)))
    return -1;
  return type;
}

}  // namespace auvry::testing
