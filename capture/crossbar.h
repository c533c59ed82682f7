// CCrossbar: every complete route from a capture filter's analog video input back through its
// chain of crossbars to a physical connector, listed as inputs and switched a whole route at once.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"

// One step of a route through one crossbar.
struct CRoutingRecord {
  long videoInput = 0;
  long videoOutput = 0;
  long audioInput = -1;
  long audioOutput = -1;
  CComPtr<IAMCrossbar> crossbar;
  long inputPhysicalType = 0;
  long outputPhysicalType = 0;
  int depth = 0;  // 0 next to the capture filter
};

class CCrossbar {
 public:
  // Builds the route list from the capture filter's analog video input; *result gets the
  // build's result (E_FAIL when the input is unconnected or not fed by a crossbar).
  CCrossbar(IPin* startPin, HRESULT* result);
  ~CCrossbar() = default;
  CCrossbar(const CCrossbar&) = delete;
  CCrossbar& operator=(const CCrossbar&) = delete;

  HRESULT GetInputCount(long* count) const;
  HRESULT GetInputType(long index, long* type) const;
  HRESULT GetInputName(long index, std::string& name) const;
  // The name cut to the buffer (as lstrcpyn does); E_FAIL for a null buffer or a bad index.
  HRESULT GetInputName(long index, char* buffer, int size) const;
  HRESULT SetInputIndex(long index);
  HRESULT GetInputIndex(long* index) const;

  static std::string PinTypeName(long physicalType);
  static BOOL GetPinTypeName(char* buffer, int size, long physicalType);

  // Routes in discovery order, each from the crossbar at the connector to the one next to the
  // capture filter.
  const std::vector<std::vector<CRoutingRecord>>& Routes() const { return routes_; }

 private:
  HRESULT Build(IPin* pin, std::vector<CRoutingRecord>& path, int depth);

  IPin* startPin_;  // not referenced
  std::vector<std::vector<CRoutingRecord>> routes_;
  long current_ = 0;
};

// The index-th pin of a crossbar, inputs first; the pin comes with a reference the caller owns.
HRESULT GetCrossbarPinAtIndex(IAMCrossbar* crossbar, long index, BOOL isInput, IPin** pin);
HRESULT GetCrossbarIndexFromPin(IAMCrossbar* crossbar, long* index, BOOL isInput, IPin* pin);
