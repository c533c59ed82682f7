// The formats a capture pin offers through IAMStreamConfig, as the format pages list them.
#pragma once

#include <string>
#include <vector>

#include "platform/com/com_ptr.h"
#include "platform/dshow/device_interfaces.h"
#include "platform/controls/commctrl.h"
#include "platform/dshow/media_types.h"

namespace platform::propertyframe {

// The object's own IAMStreamConfig, else the one of its first output pin that has one.
CComPtr<IAMStreamConfig> StreamConfigOf(IUnknown* object);

// "720 x 576, 25 fps, YUY2" or "48000 Hz, 2 channels, 16 bits".
std::string DescribeFormat(const AM_MEDIA_TYPE& mt);

struct OfferedFormat {
  std::string text;
  CMediaType type;
};
// Each capability once (a device may list one format under several caps).
std::vector<OfferedFormat> OfferedFormats(IAMStreamConfig* config);
// The index in `offered` of the pin's current format, or -1.
int CurrentFormatIndex(IAMStreamConfig* config, const std::vector<OfferedFormat>& offered);

// Why SetFormat refused, in the user's words.
std::string FormatRefusal(HRESULT hr);

}  // namespace platform::propertyframe

namespace platform::propertyframe {

// A drop list of the offered formats and a line that says why a choice was refused, on a page.
class FormatChooser {
 public:
  // Reads the formats and fills the list made at (x, y) on `page` with ids `listId`, `reasonId`.
  void Create(HWND page, IAMStreamConfig* config, int x, int y, int width, int listId, int reasonId);
  bool Changed(int id, int code) const { return id == listId_ && code == CBN_SELCHANGE; }
  // Sets the chosen format on the pin; a refusal is shown under the list and returned.
  HRESULT Commit();
  bool Empty() const { return offered_.empty(); }

 private:
  HWND page_ = nullptr;
  CComPtr<IAMStreamConfig> config_;
  std::vector<OfferedFormat> offered_;
  int listId_ = 0, reasonId_ = 0;
};

}  // namespace platform::propertyframe
