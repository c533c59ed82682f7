// The video capture devices the system device enumerator lists, as a program reads them.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"

namespace dshowtest {

struct ListedDevice {
  std::string name, path, classGuid;
  CComPtr<IMoniker> moniker;
};

std::vector<ListedDevice> ListedVideoDevices();
// The listed video device of that name, bound to its filter; null when none is listed.
CComPtr<IBaseFilter> BindListedVideoDevice(const std::string& name);

}  // namespace dshowtest
