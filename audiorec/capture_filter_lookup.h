// Finding a capture device of a category by the name the user picked.
#pragma once

#include <string>

#include "platform/dshow/device_interfaces.h"

// Binds the device whose friendly name equals name (any case); only when none does, the first
// whose friendly name occurs within name, so "Line" never wins over an exact "Line 2".
// E_FAIL when nothing matches or the name is empty.
HRESULT FindCaptureFilter(const CLSID& category, const std::string& name, IBaseFilter** out);
