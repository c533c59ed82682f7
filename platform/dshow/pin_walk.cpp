#include "platform/dshow/pin_walk.h"

#include "platform/dshow/codes.h"
#include "platform/dshow/playback_interfaces.h"

namespace platform::dshow {

std::vector<CComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<CComPtr<IPin>> pins;
  CComPtr<IEnumPins> e;
  if (!filter || FAILED(filter->EnumPins(&e)) || !e) return pins;
  IPin* pin = nullptr;
  while (e->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> p;
    p.Attach(pin);
    pins.push_back(p);
  }
  return pins;
}

PIN_DIRECTION DirectionOf(IPin* pin) {
  PIN_DIRECTION dir = PINDIR_INPUT;
  pin->QueryDirection(&dir);
  return dir;
}

bool IsConnected(IPin* pin) {
  CComPtr<IPin> peer;
  return SUCCEEDED(pin->ConnectedTo(&peer));
}

CComPtr<IPin> FirstFreePin(IBaseFilter* filter, PIN_DIRECTION dir) {
  for (auto& p : PinsOf(filter))
    if (DirectionOf(p) == dir && !IsConnected(p)) return p;
  return nullptr;
}

HRESULT RenderOutputs(IGraphBuilder* graph, IBaseFilter* source) {
  int rendered = 0, refused = 0;
  for (auto& pin : PinsOf(source)) {
    if (DirectionOf(pin) != PINDIR_OUTPUT) continue;
    if (SUCCEEDED(graph->Render(pin))) ++rendered;
    else ++refused;
  }
  if (rendered == 0) return VFW_E_CANNOT_RENDER;
  return refused ? VFW_S_PARTIAL_RENDER : S_OK;
}

}  // namespace platform::dshow
