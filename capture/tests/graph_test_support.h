// What the capture graph tests share: the hidden window a graph posts its messages to, the
// messages it posted, the test's temporary folder, and moving device time on until a renderer
// has taken the samples a step needs.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "capture/dv_capture_graph.h"
#include "platform/base/clock.h"
#include "platform/dshow/base_filter.h"
#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sim_hardware.h"
#include "platform/dshow/transform_filter.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace capture_test {

inline std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A hidden window of a class that does nothing with what it is sent.
inline HWND CreateNotifyWindow() {
  static const bool registered = [] {
    WNDCLASS wc;
    wc.lpszClassName = "CaptureTestNotify";
    wc.lpfnWndProc = DefWindowProc;
    return RegisterClass(&wc) != 0;
  }();
  (void)registered;
  return CreateWindowEx(0, "CaptureTestNotify", "notify", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
}

// The posts of one message taken off a window's queue: how many, the last one's parameters and
// every wParam.
struct Posted {
  int count = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  std::vector<WPARAM> wParams;
};

inline Posted TakePosted(HWND window, UINT message) {
  Posted got;
  MSG m;
  while (PeekMessage(&m, window, message, message, PM_REMOVE)) {
    ++got.count;
    got.wParam = m.wParam;
    got.lParam = m.lParam;
    got.wParams.push_back(m.wParam);
  }
  return got;
}

// The renderer of that name in a graph; null when there is none.
inline platform::dshow::CRendererFilter* FindRenderer(IGraphBuilder* graph, const char* name) {
  CComPtr<IBaseFilter> f;
  if (!graph || FAILED(graph->FindFilterByName(name, &f))) return nullptr;
  return dynamic_cast<platform::dshow::CRendererFilter*>(platform::dshow::AsBaseFilter(f));
}

// Moves device time on `stepMs` at a time, `samples` steps, each until the renderer has taken
// one more sample (bounded), calling `afterStep` after each.
template <class AfterStep>
void AdvanceUntilRendered(platform::ManualClock& clock, platform::dshow::CRendererFilter* renderer, int stepMs,
                          int samples, AfterStep afterStep) {
  const long long start = std::max<long long>(renderer->SamplesRendered(), 0);
  for (int i = 0; i < samples; ++i) {
    clock.Advance(stepMs);
    for (int k = 0; k < 2000 && renderer->SamplesRendered() < start + i + 1; ++k)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    afterStep();
  }
}

// A camcorder graph on the default simulated devices, posting to its own window.
class CamcorderGraphTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::dshow::sim::Hardware::Instance().SetDevices(platform::dshow::sim::DefaultDevices());
    window = CreateNotifyWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    graph.Close();
    DestroyWindow(window);
  }
  platform::dshow::CRendererFilter* Renderer(const char* name) { return FindRenderer(graph.Graph(), name); }
  // Moves device time on a frame of the HDV stream at a time until the raw stream has passed
  // `frames` more samples; program-table events are handled as the owner window would.
  void RunHdv(platform::ManualClock& clock, int frames) {
    platform::dshow::CRendererFilter* dump = Renderer("m2ts Dump");
    ASSERT_NE(dump, nullptr);
    AdvanceUntilRendered(clock, dump, 34, frames, [this] { graph.HandleGraphEvents(); });
  }

  HWND window = nullptr;
  CDvCaptureGraph graph;
};

// Sizes the owner window, has the graph fit its video for each aspect and checks where the
// renderer of that name placed it: 4:3 and 16:9 centred with bars, anything else filling it.
template <class Fit>
void ExpectLetterboxedVideo(IGraphBuilder* graph, const char* renderer, HWND owner, Fit fit) {
  struct Case {
    int w, h, aspect;
    long x, y, width, height;
  };
  static const Case kCases[] = {{800, 450, 0, 100, 0, 600, 450},  {801, 450, 0, 100, 0, 600, 450},
                                {800, 600, 1, 0, 75, 800, 450},   {799, 600, 1, 0, 75, 799, 449},
                                {1000, 450, 1, 100, 0, 800, 450}, {640, 640, 0, 0, 80, 640, 480},
                                {640, 480, 2, 0, 0, 640, 480}};
  CComPtr<IBaseFilter> filter;
  ASSERT_EQ(graph->FindFilterByName(renderer, &filter), S_OK) << renderer;
  CComPtr<IVideoWindow> video;
  ASSERT_EQ(filter->QueryInterface(IID_IVideoWindow, reinterpret_cast<void**>(&video)), S_OK);
  for (const Case& c : kCases) {
    SetWindowPos(owner, nullptr, 0, 0, c.w, c.h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    fit(c.aspect);
    long x = -1, y = -1, width = -1, height = -1;
    ASSERT_EQ(video->GetWindowPosition(&x, &y, &width, &height), S_OK);
    EXPECT_EQ((std::vector<long>{x, y, width, height}), (std::vector<long>{c.x, c.y, c.width, c.height}))
        << c.w << "x" << c.h << " aspect " << c.aspect;
  }
}

}  // namespace capture_test
