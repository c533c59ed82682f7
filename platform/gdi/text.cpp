#include "platform/gdi/text.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/base/strings.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/dc_object.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/font_face.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/sys_colors.h"

using namespace platform::gdi;

namespace {

FontFace& FaceOf(DcObj& d) {
  FontObj& f = *d.st.font;
  // Stock fonts are shared by every thread that draws (the splash window has its own).
  static std::mutex realising;
  std::lock_guard lock(realising);
  if (!f.face) f.face = Realise(f.lf);
  return *f.face;
}

size_t Length(LPCSTR text, int count) { return count < 0 ? std::strlen(text) : static_cast<size_t>(count); }

int Measure(FontFace& face, const std::vector<uint32_t>& cps, size_t from, size_t to) {
  std::lock_guard lock(FontMutex());
  int w = 0;
  for (size_t i = from; i < to; ++i) w += face.GetGlyph(cps[i]).advance;
  return w;
}

// Draws code points with the pen at target x and the cell's top at target y. clip is in target
// coordinates (may be null). Returns the advance.
int DrawRun(DcObj& d, FontFace& face, const std::vector<uint32_t>& cps, int x, int y, const RECT* clip,
            const int* dx = nullptr, int underlineIndex = -1) {
  BitmapObj* t = d.Target();
  if (!t) return 0;
  std::lock_guard lock(FontMutex());
  uint32_t text = PixelFromColor(d.st.textColor);
  bool mono = t->bpp == 1;
  uint32_t monoText = t->PixelFor(d.st.textColor);
  int baseline = y + face.tm.tmAscent;
  int penX = x;
  const std::vector<RECT>& rects = d.ClipRects();
  auto plotCoverage = [&](int px, int py, unsigned cov) {
    if (cov == 0) return;
    if (clip && (px < clip->left || px >= clip->right || py < clip->top || py >= clip->bottom)) return;
    bool inside = false;
    for (const RECT& c : rects)
      if (px >= c.left && px < c.right && py >= c.top && py < c.bottom) {
        inside = true;
        break;
      }
    if (!inside) return;
    if (mono) {
      if (cov >= 128) t->Set(px, py, monoText);
      return;
    }
    if (cov >= 255) {
      t->Set(px, py, text);
      return;
    }
    uint32_t dst = t->Get(px, py), out = 0;
    for (int sh = 0; sh < 24; sh += 8) {
      unsigned a = (text >> sh) & 0xFF, b = (dst >> sh) & 0xFF;
      out |= ((a * cov + b * (255 - cov) + 127) / 255) << sh;
    }
    t->Set(px, py, out);
  };
  RECT bound{0, 0, t->width, t->height};
  for (size_t i = 0; i < cps.size(); ++i) {
    const Glyph& g = face.GetGlyph(cps[i]);
    int gx = penX + g.left, gy = baseline - g.top;
    if (gx < bound.right && gy < bound.bottom && gx + g.width > 0 && gy + g.height > 0) {
      for (int row = 0; row < g.height; ++row) {
        int py = gy + row;
        if (py < 0 || py >= t->height) continue;
        for (int col = 0; col < g.width; ++col) {
          int px = gx + col;
          if (px < 0 || px >= t->width) continue;
          plotCoverage(px, py, g.coverage[static_cast<size_t>(row) * g.width + col]);
        }
      }
    }
    int adv = dx ? dx[i] : g.advance;
    bool underline = face.tm.tmUnderlined || static_cast<int>(i) == underlineIndex;
    if (underline || face.tm.tmStruckOut) {
      auto hline = [&](int ly) {
        for (int k = 0; k < face.underlineThickness; ++k)
          for (int px = penX; px < penX + adv; ++px)
            if (px >= 0 && px < t->width && ly + k >= 0 && ly + k < t->height) plotCoverage(px, ly + k, 255);
      };
      if (underline) hline(baseline + face.underlinePos);
      if (face.tm.tmStruckOut) hline(baseline - face.tm.tmAscent / 3);
    }
    penX += adv;
  }
  return penX - x;
}

void FillOpaque(DcObj& d, RECT r, const RECT* clip) {
  if (clip) {
    r.left = std::max(r.left, clip->left);
    r.top = std::max(r.top, clip->top);
    r.right = std::min(r.right, clip->right);
    r.bottom = std::min(r.bottom, clip->bottom);
  }
  if (r.left >= r.right || r.top >= r.bottom) return;
  BrushObj b;
  b.lb.lbColor = d.st.bkColor;
  PatBltTarget(d, r, &b, PATCOPY);
}

// Text output at a logical reference point, honouring the text alignment.
bool Output(DcObj& d, int x, int y, UINT options, const RECT* rect, const std::vector<uint32_t>& cps, const int* dx,
            int underlineIndex = -1) {
  FontFace& face = FaceOf(d);
  int width = 0;
  if (dx)
    for (size_t i = 0; i < cps.size(); ++i) width += dx[i];
  else width = Measure(face, cps, 0, cps.size());
  UINT align = d.st.textAlign;
  if (align & TA_UPDATECP) {
    x = d.st.pos.x;
    y = d.st.pos.y;
  }
  POINT p = d.ToTarget(x, y);
  int left = p.x, top = p.y;
  if ((align & TA_CENTER) == TA_CENTER) left -= width / 2;
  else if (align & TA_RIGHT) left -= width;
  if ((align & TA_BASELINE) == TA_BASELINE) top -= face.tm.tmAscent;
  else if (align & TA_BOTTOM) top -= face.tm.tmHeight;
  RECT clipRect{};
  const RECT* clip = nullptr;
  if (rect) {
    clipRect = d.ToTarget(*rect);
    if (clipRect.left > clipRect.right) std::swap(clipRect.left, clipRect.right);
    if (clipRect.top > clipRect.bottom) std::swap(clipRect.top, clipRect.bottom);
    if (options & ETO_OPAQUE) FillOpaque(d, clipRect, nullptr);
    if (options & ETO_CLIPPED) clip = &clipRect;
  }
  if (d.st.bkMode == OPAQUE && !cps.empty())
    FillOpaque(d, {left, top, left + width, top + static_cast<int>(face.tm.tmHeight)}, clip);
  DrawRun(d, face, cps, left, top, clip, dx, underlineIndex);
  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) d.st.pos.x -= width;
    else d.st.pos.x += width;
  }
  return true;
}

struct Line {
  std::vector<uint32_t> cps;
  int underline = -1;  // index of the prefixed character
  int width = 0;
};

}  // namespace

HFONT CreateFontIndirect(const LOGFONT* lf) {
  if (!lf) return nullptr;
  auto f = std::make_shared<FontObj>();
  f->lf = *lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return reinterpret_cast<HFONT>(Register(f));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, LPCSTR face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = italic ? 1 : 0;
  lf.lfUnderline = underline ? 1 : 0;
  lf.lfStrikeOut = strikeOut ? 1 : 0;
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face) platform::CopyToBuffer(face, lf.lfFaceName, LF_FACESIZE);
  return CreateFontIndirect(&lf);
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* metrics) {
  auto d = LookupDc(dc);
  if (!d || !metrics) return FALSE;
  *metrics = FaceOf(*d).tm;
  return TRUE;
}

int GetTextFace(HDC dc, int size, LPSTR face) {
  auto d = LookupDc(dc);
  if (!d) return 0;
  const std::string& name = FaceOf(*d).family;
  if (!face) return static_cast<int>(name.size() + 1);
  return platform::CopyToBuffer(name, face, size);
}

BOOL GetTextExtentPoint32(HDC dc, LPCSTR text, int count, SIZE* size) {
  auto d = LookupDc(dc);
  if (!d || !size || count < 0 || (!text && count > 0)) return FALSE;
  FontFace& face = FaceOf(*d);
  auto cps = DecodeUtf8(text ? text : "", static_cast<size_t>(count));
  size->cx = Measure(face, cps, 0, cps.size());
  size->cy = face.tm.tmHeight;
  return TRUE;
}

BOOL GetTextExtentExPoint(HDC dc, LPCSTR text, int count, int maxExtent, int* fit, int* dx, SIZE* size) {
  auto d = LookupDc(dc);
  if (!d || !size || count < 0 || (!text && count > 0)) return FALSE;
  FontFace& face = FaceOf(*d);
  std::vector<size_t> ends;
  auto cps = DecodeUtf8(text ? text : "", static_cast<size_t>(count), &ends);
  int total = 0, fitBytes = 0;
  size_t start = 0;
  std::lock_guard lock(FontMutex());
  for (size_t i = 0; i < cps.size(); ++i) {
    total += face.GetGlyph(cps[i]).advance;
    if (dx)
      for (size_t b = start; b < ends[i]; ++b) dx[b] = total;
    if (maxExtent >= 0 && total <= maxExtent) fitBytes = static_cast<int>(ends[i]);
    start = ends[i];
  }
  if (fit) *fit = maxExtent < 0 ? count : fitBytes;
  size->cx = total;
  size->cy = face.tm.tmHeight;
  return TRUE;
}

BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths) {
  auto d = LookupDc(dc);
  if (!d || !widths || last < first || last - first > 0x10000) return FALSE;
  FontFace& face = FaceOf(*d);
  std::lock_guard lock(FontMutex());
  for (UINT c = first; c <= last; ++c) widths[c - first] = face.GetGlyph(c).advance;
  return TRUE;
}

BOOL TextOut(HDC dc, int x, int y, LPCSTR text, int count) {
  auto d = LookupDc(dc);
  if (!d || count < 0 || (!text && count > 0)) return FALSE;
  auto cps = DecodeUtf8(text ? text : "", static_cast<size_t>(count));
  return Output(*d, x, y, 0, nullptr, cps, nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count, const int* dx) {
  auto d = LookupDc(dc);
  if (!d || (!text && count > 0)) return FALSE;
  auto cps = DecodeUtf8(text ? text : "", count);
  return Output(*d, x, y, options, rect, cps, dx) ? TRUE : FALSE;
}

int DrawText(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  auto d = LookupDc(dc);
  if (!d || !rect || (!text && count != 0)) return 0;
  FontFace& face = FaceOf(*d);
  std::string src(text ? text : "", text ? Length(text, count) : 0);
  bool prefixes = !(format & DT_NOPREFIX);
  int lineHeight = face.tm.tmHeight + ((format & DT_EXTERNALLEADING) ? face.tm.tmExternalLeading : 0);
  int tabWidth = 8 * face.tm.tmAveCharWidth;
  int maxWidth = rect->right - rect->left;

  // Paragraphs, with prefixes resolved.
  std::vector<Line> paras(1);
  auto cps = DecodeUtf8(src.data(), src.size());
  for (size_t i = 0; i < cps.size(); ++i) {
    uint32_t c = cps[i];
    if (c == '\r' || c == '\n') {
      if (format & DT_SINGLELINE) continue;
      if (c == '\r' && i + 1 < cps.size() && cps[i + 1] == '\n') ++i;
      paras.emplace_back();
      continue;
    }
    if (prefixes && c == '&') {
      if (i + 1 < cps.size() && cps[i + 1] == '&') {
        ++i;
      } else {
        if (i + 1 < cps.size() && !(format & DT_HIDEPREFIX))
          paras.back().underline = static_cast<int>(paras.back().cps.size());
        continue;
      }
    }
    paras.back().cps.push_back(cps[i]);
  }

  auto advance = [&](uint32_t c, int penX) {
    if (c == '\t') return (format & DT_EXPANDTABS) ? tabWidth - (penX % std::max(1, tabWidth)) : 0;
    std::lock_guard lock(FontMutex());
    return face.GetGlyph(c).advance;
  };
  auto widthOf = [&](const std::vector<uint32_t>& v, size_t from, size_t to) {
    int w = 0;
    for (size_t i = from; i < to; ++i) w += advance(v[i], w);
    return w;
  };

  // Word wrapping.
  std::vector<Line> lines;
  for (Line& p : paras) {
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
      lines.push_back(std::move(p));
      continue;
    }
    size_t start = 0;
    const auto& v = p.cps;
    if (v.empty()) lines.push_back(Line{});
    while (start < v.size()) {
      size_t end = start, lastBreak = std::string::npos;
      int w = 0;
      while (end < v.size()) {
        int a = advance(v[end], w);
        if (w + a > maxWidth && end > start) break;
        w += a;
        if (v[end] == ' ') lastBreak = end;
        ++end;
      }
      size_t next = end;
      if (end < v.size()) {
        if (lastBreak != std::string::npos && lastBreak >= start) {
          end = lastBreak;
          next = lastBreak + 1;
        } else if (!(format & DT_EDITCONTROL)) {
          // A word longer than the line stays whole.
          while (end < v.size() && v[end] != ' ') ++end;
          next = end < v.size() ? end + 1 : end;
        }
      }
      Line line;
      line.cps.assign(v.begin() + static_cast<long>(start), v.begin() + static_cast<long>(end));
      while (!line.cps.empty() && line.cps.back() == ' ') line.cps.pop_back();
      if (p.underline >= static_cast<int>(start) && p.underline < static_cast<int>(end))
        line.underline = p.underline - static_cast<int>(start);
      lines.push_back(std::move(line));
      start = next;
    }
  }

  // Ellipsis.
  bool ellipsis = format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
  for (Line& l : lines) {
    l.width = widthOf(l.cps, 0, l.cps.size());
    if (ellipsis && l.width > maxWidth) {
      std::vector<uint32_t> dots{'.', '.', '.'};
      int dw = widthOf(dots, 0, 3);
      // A path keeps its last part and loses the middle: "C:/Videos/.../clip.mpg" style.
      size_t sep = std::string::npos;
      if (format & DT_PATH_ELLIPSIS)
        for (size_t i = l.cps.size(); i-- > 0;)
          if (l.cps[i] == '/' || l.cps[i] == '\\') {
            sep = i;
            break;
          }
      if (sep != std::string::npos && sep > 0) {
        std::vector<uint32_t> tail(l.cps.begin() + static_cast<long>(sep), l.cps.end());
        int tw = widthOf(tail, 0, tail.size());
        size_t n = sep;
        while (n > 0 && widthOf(l.cps, 0, n) + dw + tw > maxWidth) --n;
        if (n > 0 || dw + tw <= maxWidth) {
          std::vector<uint32_t> shown(l.cps.begin(), l.cps.begin() + static_cast<long>(n));
          shown.insert(shown.end(), dots.begin(), dots.end());
          shown.insert(shown.end(), tail.begin(), tail.end());
          l.cps = std::move(shown);
          l.underline = -1;
          l.width = widthOf(l.cps, 0, l.cps.size());
          continue;
        }
      }
      size_t n = l.cps.size();
      while (n > 0 && widthOf(l.cps, 0, n) + dw > maxWidth) --n;
      if (format & DT_WORD_ELLIPSIS) {  // end at a word when one fits
        size_t w = n;
        while (w > 0 && l.cps[w - 1] != ' ') --w;
        if (w > 0) n = w - 1;
      }
      l.cps.resize(n);
      if (l.underline >= static_cast<int>(n)) l.underline = -1;
      l.cps.insert(l.cps.end(), dots.begin(), dots.end());
      l.width = widthOf(l.cps, 0, l.cps.size());
    }
  }

  int total = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (const Line& l : lines) widest = std::max(widest, l.width);
  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  int y = rect->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = rect->bottom - lineHeight;
  }
  RECT clip = d->ToTarget(*rect);
  const RECT* clipPtr = (format & DT_NOCLIP) ? nullptr : &clip;
  bool prefixOnly = format & DT_PREFIXONLY;
  UINT savedAlign = d->st.textAlign;
  d->st.textAlign = TA_LEFT | TA_TOP;
  for (const Line& l : lines) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (maxWidth - l.width) / 2;
    else if (format & DT_RIGHT) x = rect->right - l.width;
    std::vector<int> dx(l.cps.size());
    int pen = 0;
    for (size_t i = 0; i < l.cps.size(); ++i) {
      dx[i] = advance(l.cps[i], pen);
      pen += dx[i];
    }
    std::vector<uint32_t> shown = l.cps;
    for (uint32_t& c : shown)
      if (c == '\t' || prefixOnly) c = ' ';
    POINT p = d->ToTarget(x, y);
    if (d->st.bkMode == OPAQUE && !prefixOnly && !shown.empty())
      FillOpaque(*d, {p.x, p.y, p.x + l.width, p.y + lineHeight}, clipPtr);
    DrawRun(*d, face, shown, p.x, p.y, clipPtr, dx.data(), l.underline);
    y += lineHeight;
  }
  d->st.textAlign = savedAlign;
  if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) return y - rect->top;
  return total;
}

BOOL DrawState(HDC dc, HBRUSH brush, DRAWSTATEPROC proc, LPARAM data, WPARAM wData, int x, int y, int cx, int cy,
               UINT flags) {
  auto d = LookupDc(dc);
  if (!d) return FALSE;
  UINT type = flags & 0x000F;
  if (type == DST_COMPLEX) {
    if (!proc) return FALSE;
    return proc(dc, data, wData, cx, cy);
  }
  if (type == DST_TEXT || type == DST_PREFIXTEXT) {
    LPCSTR text = reinterpret_cast<LPCSTR>(data);
    if (!text) return FALSE;
    int len = wData ? static_cast<int>(wData) : static_cast<int>(std::strlen(text));
    UINT fmt = DT_SINGLELINE | DT_NOCLIP | (type == DST_TEXT ? DT_NOPREFIX : 0) |
               ((flags & DSS_HIDEPREFIX) ? DT_HIDEPREFIX : 0) | ((flags & DSS_PREFIXONLY) ? DT_PREFIXONLY : 0);
    if (cx == 0 || cy == 0) {
      RECT calc{0, 0, 0, 0};
      DrawText(dc, text, len, &calc, fmt | DT_CALCRECT);
      if (cx == 0) cx = calc.right;
      if (cy == 0) cy = calc.bottom;
    }
    RECT r{x, y, x + cx, y + cy};
    if (flags & DSS_RIGHT) fmt |= DT_RIGHT;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldText = GetTextColor(dc);
    if (flags & DSS_DISABLED) {
      RECT shifted{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
      SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
      DrawText(dc, text, len, &shifted, fmt);
      SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
    } else if (flags & DSS_MONO) {
      auto b = LookupBrush(brush);
      SetTextColor(dc, b ? b->lb.lbColor : RGB(0, 0, 0));
    }
    DrawText(dc, text, len, &r, fmt);
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
    return TRUE;
  }
  if (type == DST_ICON || type == DST_BITMAP) {
    // Render into a private bitmap, then draw it plain or as the embossed disabled look.
    int w = cx, h = cy;
    HICON icon = type == DST_ICON ? reinterpret_cast<HICON>(data) : nullptr;
    HBITMAP bmp = type == DST_BITMAP ? reinterpret_cast<HBITMAP>(data) : nullptr;
    if (w == 0 || h == 0) {
      if (icon) {
        ICONINFO ii;
        if (!GetIconInfo(icon, &ii)) return FALSE;
        BITMAP bm;
        GetObject(ii.hbmMask, sizeof(bm), &bm);
        if (w == 0) w = bm.bmWidth;
        if (h == 0) h = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
        if (ii.hbmColor) DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
      } else {
        BITMAP bm;
        if (!GetObject(bmp, sizeof(bm), &bm)) return FALSE;
        if (w == 0) w = bm.bmWidth;
        if (h == 0) h = bm.bmHeight;
      }
    }
    if (!(flags & (DSS_DISABLED | DSS_MONO))) {
      if (icon) return DrawIconEx(dc, x, y, icon, w, h, 0, nullptr, DI_NORMAL);
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, bmp);
      BOOL ok = old ? BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY) : FALSE;
      if (old) SelectObject(mem, old);
      DeleteDC(mem);
      return ok;
    }
    // Shape: every pixel that the image covers and that is not the face colour.
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP canvas = CreateBitmap(w, h, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(mem, canvas);
    RECT all{0, 0, w, h};
    COLORREF face = GetSysColor(COLOR_3DFACE);
    HBRUSH faceBrush = CreateSolidBrush(face);
    FillRect(mem, &all, faceBrush);
    DeleteObject(faceBrush);
    if (icon) {
      DrawIconEx(mem, 0, 0, icon, w, h, 0, nullptr, DI_NORMAL);
    } else {
      HDC src = CreateCompatibleDC(dc);
      HGDIOBJ o2 = SelectObject(src, bmp);
      BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCCOPY);
      if (o2) SelectObject(src, o2);
      DeleteDC(src);
    }
    auto m = LookupDc(mem);
    std::vector<uint8_t> shape(static_cast<size_t>(w) * h);
    for (int yy = 0; yy < h; ++yy)
      for (int xx = 0; xx < w; ++xx) {
        COLORREF c = m->Target()->GetColor(xx, yy);
        shape[static_cast<size_t>(yy) * w + xx] = (c != face && (!(flags & DSS_DISABLED) || Luma(c) < 192)) ? 1 : 0;
      }
    SelectObject(mem, old);
    DeleteObject(canvas);
    DeleteDC(mem);
    auto paint = [&](int ox, int oy, COLORREF color) {
      for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx)
          if (shape[static_cast<size_t>(yy) * w + xx]) SetPixelV(dc, x + xx + ox, y + yy + oy, color);
    };
    if (flags & DSS_DISABLED) {
      paint(1, 1, GetSysColor(COLOR_3DHILIGHT));
      paint(0, 0, GetSysColor(COLOR_3DSHADOW));
    } else {
      auto b = LookupBrush(brush);
      paint(0, 0, b ? b->lb.lbColor : RGB(0, 0, 0));
    }
    return TRUE;
  }
  return FALSE;
}
