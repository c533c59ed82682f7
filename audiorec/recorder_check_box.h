// CRecorderCheckBox: the recorder's skin check box, whose caption has a second colour: in box
// frames 4 and 5 it is drawn in that colour one pixel up and left, an engraved look; every other
// frame uses the first colour where the skin check box puts it.
#pragma once

#include "widgets/skin_check_box.h"

namespace auvry {

struct CaptionLook {
  COLORREF colour = 0;
  RECT rect{};
};
CaptionLook RecorderCaptionLook(int frame, COLORREF first, COLORREF second, const RECT& text);

class CRecorderCheckBox : public CSkinCheckBox {
 public:
  using CSkinCheckBox::CSkinCheckBox;
  void SetTextColors(COLORREF first, COLORREF second) {
    SetTextColor(first);
    second_ = second;
  }

 protected:
  void DrawCaption(HDC dc, RECT text, UINT format, const std::string& caption) override;

 private:
  COLORREF second_ = 0;
};

}  // namespace auvry
