#include "capture_graphs.h"

#include "capture/capture_graph.h"

namespace wizard {

namespace {

std::unique_ptr<CCaptureGraph>& AnalogSlot() {
  static std::unique_ptr<CCaptureGraph> graph;
  return graph;
}

bool g_analogRunning = false;

}  // namespace

CCaptureGraph& AnalogGraph() {
  auto& slot = AnalogSlot();
  if (!slot) slot = std::make_unique<CCaptureGraph>();
  return *slot;
}

bool AnalogGraphRunning() { return AnalogSlot() && g_analogRunning; }
void SetAnalogGraphRunning(bool running) { g_analogRunning = running; }

DvGraphSeam& DvGraph() {
  static DvGraphSeam seam;
  return seam;
}

void ReleaseCaptureGraphs() {
  if (auto& slot = AnalogSlot()) {
    slot->StopGraph();
    slot->CloseDevice();
    slot.reset();
  }
  g_analogRunning = false;
  if (DvGraph().release) DvGraph().release();
}

}  // namespace wizard
