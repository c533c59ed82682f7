#include "platform/gdi/arrow_button.h"

#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"

namespace platform::gdi {

void DrawArrowButton(HDC dc, const RECT& r, int dir, bool pushed, bool enabled) {
  RECT face = r;
  FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &face, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  int cx = (r.left + r.right) / 2 + (pushed ? 1 : 0), cy = (r.top + r.bottom) / 2 + (pushed ? 1 : 0);
  int size = std::max(2, std::min<int>(r.right - r.left, r.bottom - r.top) / 4);
  POINT tri[3];
  switch (dir) {
    case 0:
      tri[0] = {cx - size, cy + size / 2};
      tri[1] = {cx + size + 1, cy + size / 2};
      tri[2] = {cx, cy - size / 2 - 1};
      break;
    case 1:
      tri[0] = {cx - size, cy - size / 2};
      tri[1] = {cx + size + 1, cy - size / 2};
      tri[2] = {cx, cy + size / 2 + 1};
      break;
    case 2:
      tri[0] = {cx + size / 2, cy - size};
      tri[1] = {cx + size / 2, cy + size + 1};
      tri[2] = {cx - size / 2 - 1, cy};
      break;
    default:
      tri[0] = {cx - size / 2, cy - size};
      tri[1] = {cx - size / 2, cy + size + 1};
      tri[2] = {cx + size / 2 + 1, cy};
      break;
  }
  HBRUSH b = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HGDIOBJ ob = SelectObject(dc, b);
  HGDIOBJ op = SelectObject(dc, GetStockObject(NULL_PEN));
  Polygon(dc, tri, 3);
  SelectObject(dc, op);
  SelectObject(dc, ob);
}

}  // namespace platform::gdi
