#include "capture_graphs.h"

#include <memory>

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "platform/dshow/device_interfaces.h"

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

bool AnalogSignalPresent() {
  if (!AnalogGraphRunning()) return false;
  CCaptureGraph& graph = *AnalogSlot();
  if (!graph.Builder() || !graph.VideoCapture()) return true;
  CComPtr<IAMAnalogVideoDecoder> decoder;
  if (FAILED(graph.Builder()->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, graph.VideoCapture(),
                                            IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder))) ||
      !decoder)
    return true;
  long locked = 1;
  return FAILED(decoder->get_HorizontalLocked(&locked)) || locked != 0;
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
