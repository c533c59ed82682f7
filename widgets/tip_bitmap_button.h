// CTipBitmapButton: the bitmap button of the wizard's and the starter's windows, a skin button
// with its own tool tip, the disabled picture in frame 3, pure red as the shape's key colour, no
// text of its own and white text colours.
#pragma once

#include "widgets/skin_button.h"

class CTipBitmapButton : public CSkinButton {
 public:
  CTipBitmapButton() {
    SetDisabledFrame(3);
    SetMaskColor(RGB(255, 0, 0));
    SetShowText(FALSE);
    SetTextColors(RGB(255, 255, 255));
  }
};
