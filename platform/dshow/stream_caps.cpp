#include "platform/dshow/stream_caps.h"

#include <cstring>

namespace platform::dshow {

namespace {
constexpr int kCapsSize = 128;  // VIDEO_STREAM_CONFIG_CAPS
}

bool SameType(const CMediaType& a, const CMediaType& b) {
  return a.subtype == b.subtype && a.cbFormat == b.cbFormat &&
         (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

std::vector<CMediaType> CurrentFirst(const CMediaType& current, const std::vector<CMediaType>& caps) {
  std::vector<CMediaType> types{current};
  for (const auto& c : caps)
    if (!SameType(c, current)) types.push_back(c);
  return types;
}

HRESULT CapsCount(const std::vector<CMediaType>& caps, int* count, int* size) {
  if (!count || !size) return E_POINTER;
  *count = static_cast<int>(caps.size());
  *size = kCapsSize;
  return S_OK;
}

HRESULT CapAt(const std::vector<CMediaType>& caps, int index, AM_MEDIA_TYPE** pmt, BYTE* structure) {
  if (!pmt || !structure) return E_POINTER;
  if (index < 0 || index >= static_cast<int>(caps.size())) return S_FALSE;
  *pmt = CreateMediaType(&caps[static_cast<std::size_t>(index)]);
  std::memset(structure, 0, kCapsSize);
  return *pmt ? S_OK : E_OUTOFMEMORY;
}

}  // namespace platform::dshow
