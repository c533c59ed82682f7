// CTipBitmapButton: the wizard's bitmap button, a skin button with its tool tip, the disabled
// picture in frame 3 and pure red as the shape's key colour.
#pragma once

#include "widgets/skin_button.h"

class CTipBitmapButton : public CSkinButton {
 public:
  CTipBitmapButton() {
    SetDisabledFrame(3);
    SetMaskColor(RGB(255, 0, 0));
    SetTextColors(RGB(255, 255, 255));
  }
};
