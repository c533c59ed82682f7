// Builds source -> filters... in a fresh graph, runs it to the end of the stream and stops it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/dshow/control_interfaces.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/pin_walk.h"
#include "platform/dshow/uuids.h"

namespace platform::audio::testing {

inline CComPtr<IPin> FirstPin(IBaseFilter* f, PIN_DIRECTION dir) {
  CComPtr<IEnumPins> pins;
  f->EnumPins(&pins);
  IPin* pin = nullptr;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> p;
    p.Attach(pin);
    PIN_DIRECTION d;
    p->QueryDirection(&d);
    if (d == dir) return p;
  }
  return nullptr;
}

// Returns the completion code, or 0 when the graph would not run.
inline long RunChain(const std::vector<IBaseFilter*>& chain) {
  CComPtr<IGraphBuilder> graph;
  EXPECT_EQ(graph.CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER), S_OK);
  for (std::size_t i = 0; i < chain.size(); ++i) graph->AddFilter(chain[i], nullptr);
  for (std::size_t i = 0; i + 1 < chain.size(); ++i)
    EXPECT_EQ(graph->ConnectDirect(FirstPin(chain[i], PINDIR_OUTPUT), FirstPin(chain[i + 1], PINDIR_INPUT), nullptr),
              S_OK);
  CComQIPtr<IMediaControl> control(static_cast<IUnknown*>(graph));
  CComQIPtr<IMediaEvent> events(static_cast<IUnknown*>(graph));
  if (FAILED(control->Run())) return 0;
  long code = 0;
  events->WaitForCompletion(20'000, &code);
  control->Stop();
  for (IBaseFilter* f : chain) graph->RemoveFilter(f);
  return code;
}

}  // namespace platform::audio::testing
