// The bitmap button of the starter's and the wizard's windows: a skin button whose five-frame
// strip has its region masked in red, frame 3 when disabled, its own tool tip and no text.
#pragma once

#include "widgets/skin_button.h"

class CTipBitmapButton : public CSkinButton {
 public:
  CTipBitmapButton() {
    SetMaskColor(RGB(255, 0, 0));
    SetDisabledFrame(3);
    SetShowText(FALSE);
    SetTextColors(RGB(255, 255, 255));
  }
};
