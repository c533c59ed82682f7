#include "capture_inputs.h"

#include <memory>

#include "capture/capture_graph.h"
#include "capture/crossbar.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/uuids.h"

namespace studio {
namespace {

std::unique_ptr<CCrossbar> CrossbarOf(CCaptureGraph& graph) {
  if (!graph.Builder() || !graph.VideoCapture()) return nullptr;
  CComPtr<IPin> analogIn;
  if (FAILED(graph.Builder()->FindPin(graph.VideoCapture(), PINDIR_INPUT, &PIN_CATEGORY_ANALOGVIDEOIN, nullptr, FALSE,
                                      0, &analogIn)) ||
      !analogIn)
    return nullptr;
  HRESULT hr = E_FAIL;
  auto crossbar = std::make_unique<CCrossbar>(analogIn, &hr);
  if (FAILED(hr)) return nullptr;
  return crossbar;
}

long InputOfType(const CCrossbar& crossbar, long physicalType) {
  long count = 0;
  crossbar.GetInputCount(&count);
  for (long i = 0; i < count; ++i) {
    long type = 0;
    if (SUCCEEDED(crossbar.GetInputType(i, &type)) && type == physicalType) return i;
  }
  return -1;
}

}  // namespace

bool IsVideoSignalPresent(CCaptureGraph& graph) {
  if (!graph.VideoCapture()) return false;
  CComPtr<IAMAnalogVideoDecoder> decoder;
  if (FAILED(graph.VideoCapture()->QueryInterface(IID_IAMAnalogVideoDecoder, reinterpret_cast<void**>(&decoder))) ||
      !decoder)
    return true;
  long locked = 1;
  if (FAILED(decoder->get_HorizontalLocked(&locked))) return true;
  return locked != 0;
}

bool HasTvTuner(CCaptureGraph& graph) {
  if (!graph.Builder() || !graph.VideoCapture()) return false;
  CComPtr<IAMTVTuner> tuner;
  return SUCCEEDED(graph.Builder()->FindInterface(&LOOK_UPSTREAM_ONLY, nullptr, graph.VideoCapture(), IID_IAMTVTuner,
                                                  reinterpret_cast<void**>(&tuner))) &&
         tuner;
}

bool HasCrossbarInput(CCaptureGraph& graph, long physicalType) {
  const auto crossbar = CrossbarOf(graph);
  return crossbar && InputOfType(*crossbar, physicalType) >= 0;
}

bool SelectCrossbarInput(CCaptureGraph& graph, long physicalType) {
  const auto crossbar = CrossbarOf(graph);
  if (!crossbar) return false;
  const long index = InputOfType(*crossbar, physicalType);
  return index >= 0 && SUCCEEDED(crossbar->SetInputIndex(index));
}

}  // namespace studio
