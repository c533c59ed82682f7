#include "platform/testkit/label_contrast.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/controls/commctrl.h"
#include "platform/testkit/driving.h"
#include "platform/window/messages.h"

namespace testkit {
namespace {

double Luminance(COLORREF c) {
  auto channel = [](int v) {
    const double s = v / 255.0;
    return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
}

double Contrast(COLORREF a, COLORREF b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace

double LabelContrast(HWND list, int item, COLORREF around) {
  RECT label{};
  label.left = LVIR_LABEL;
  SendMessage(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&label));
  std::map<COLORREF, int> counts;
  for (const COLORREF pixel : Pixels(list, label)) ++counts[pixel];
  COLORREF fill = 0;
  int most = 0;
  for (const auto& [colour, n] : counts)
    if (n > most && colour != around) most = n, fill = colour;
  double best = 1;
  for (const auto& [colour, n] : counts) best = std::max(best, Contrast(colour, fill));
  return best;
}

}  // namespace testkit
