#include "capture_graphs.h"

#include <memory>

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"

namespace wizard {

namespace {

std::unique_ptr<CCaptureGraph>& AnalogSlot() {
  static std::unique_ptr<CCaptureGraph> graph;
  return graph;
}

std::unique_ptr<CDvCaptureGraph>& DvSlot() {
  static std::unique_ptr<CDvCaptureGraph> graph;
  return graph;
}

bool g_analogRunning = false;
bool g_dvOpen = false;

}  // namespace

CCaptureGraph& AnalogGraph() {
  auto& slot = AnalogSlot();
  if (!slot) slot = std::make_unique<CCaptureGraph>();
  return *slot;
}

bool AnalogGraphRunning() { return AnalogSlot() && g_analogRunning; }
void SetAnalogGraphRunning(bool running) { g_analogRunning = running; }

void SelectAnalogInput(int& inputCable) {
  if (!AnalogSlot()) return;
  CCaptureGraph& graph = *AnalogSlot();
  // Physical connector types: 1 tuner, 2 Composite, 3 S-Video, 5 Y/Cb/Cr, 6 Y/Pb/Pr.
  long wanted = 2;
  switch (inputCable) {
    case 0: wanted = graph.HasTvTuner() ? 1 : 2; break;
    case 1: wanted = 2; break;
    case 2: wanted = 3; break;
    case 3: wanted = 6; break;
    case 4: wanted = 5; break;
    default: break;
  }
  if (wanted == 2) inputCable = 1;
  // Through the graph's own crossbar, so that it knows which input is routed.
  graph.SelectCrossbarInput(wanted);
}

CDvCaptureGraph& DvGraph() {
  auto& slot = DvSlot();
  if (!slot) slot = std::make_unique<CDvCaptureGraph>();
  return *slot;
}

bool DvGraphOpen() { return DvSlot() && g_dvOpen; }
void SetDvGraphOpen(bool open) { g_dvOpen = open; }

void CloseDvGraph() {
  if (auto& slot = DvSlot()) slot->Close();
  g_dvOpen = false;
}

void ReleaseCaptureGraphs() {
  if (auto& slot = AnalogSlot()) {
    slot->StopGraph();
    slot->CloseDevice();
    slot.reset();
  }
  g_analogRunning = false;
  CloseDvGraph();
  DvSlot().reset();
}

}  // namespace wizard
