// How well a list view's label reads: the contrast ratio (1 to 21, as the accessibility
// guidelines count it) of its text against the fill behind it.
#pragma once

#include "platform/base/win_types.h"

namespace testkit {

// The fill is the label's commonest colour other than `around` (the list's own background,
// showing beside a selection box); the text is the colour standing out most from that fill.
double LabelContrast(HWND list, int item, COLORREF around = 0xFFFFFFFF);

}  // namespace testkit
