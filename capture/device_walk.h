// Walks the capture code makes again and again: the devices of a category with their property
// bags, the pins of a filter, the first media type a pin offers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/dshow/pin_walk.h"

namespace capture {

// The monikers of a device category, or nullptr; result gets why (S_FALSE: the category is empty).
CComPtr<IEnumMoniker> CategoryMonikers(const CLSID& category, DWORD flags, HRESULT* result = nullptr);

// Hands each device that has a property bag to visit until visit returns true; says whether it did.
bool VisitDeviceBags(IEnumMoniker* monikers, const std::function<bool(IMoniker*, IPropertyBag*)>& visit);

// A text property of a device; false when the bag holds no text under that name.
bool ReadBagString(IPropertyBag* bag, const char* name, std::string* value);

using platform::dshow::PinsOf;

// Whether the first media type the pin offers is of this major type.
bool FirstTypeIs(IPin* pin, const GUID& major);

}  // namespace capture
