#include "audiorec/recorder_check_box.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/text.h"

namespace auvry {

CaptionLook RecorderCaptionLook(int frame, COLORREF first, COLORREF second, const RECT& text) {
  if (frame == 4 || frame == 5) return {second, RECT{text.left - 1, text.top - 1, text.right - 1, text.bottom - 1}};
  return {first, text};
}

void CRecorderCheckBox::DrawCaption(HDC dc, RECT text, UINT format, const std::string& caption) {
  CaptionLook look = RecorderCaptionLook(GetFrame(), GetTextColor(), second_, text);
  ::SetTextColor(dc, look.colour);
  DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &look.rect, format);
}

}  // namespace auvry
