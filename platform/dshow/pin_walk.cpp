#include "platform/dshow/pin_walk.h"

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

}  // namespace platform::dshow
