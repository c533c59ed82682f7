// The capability list of a capture pin's IAMStreamConfig, shared by the simulated devices and
// the machine's own: the types a pin offers (the one in use first) and its caps by index.
#pragma once

#include <vector>

#include "platform/dshow/media_types.h"

namespace platform::dshow {

// The same type: subtype and format block alike.
bool SameType(const CMediaType& a, const CMediaType& b);

// `current` first, then every cap that is not the same type.
std::vector<CMediaType> CurrentFirst(const CMediaType& current, const std::vector<CMediaType>& caps);

// IAMStreamConfig::GetNumberOfCapabilities and GetStreamCaps over `caps` (the 128-byte caps
// structure left zero).
HRESULT CapsCount(const std::vector<CMediaType>& caps, int* count, int* size);
HRESULT CapAt(const std::vector<CMediaType>& caps, int index, AM_MEDIA_TYPE** pmt, BYTE* structure);

}  // namespace platform::dshow
