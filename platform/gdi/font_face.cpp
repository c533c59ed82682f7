#include "platform/gdi/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <strings.h>

#include <cstring>
#include <map>
#include <tuple>

#include "platform/gdi/text.h"

namespace platform::gdi {

std::mutex& FontMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}

namespace {

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) != 0) l = nullptr;
    return l;
  }();
  return lib;
}

// The dialog faces of the platform are not on this machine; a metric-compatible free face stands in.
std::string MapFaceName(const char* face) {
  std::string name = face ? face : "";
  static const char* kSans[] = {"",       "MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Microsoft Sans Serif",
                                "Tahoma", "Segoe UI",     "System",         "Verdana",       "Helvetica"};
  for (const char* s : kSans)
    if (strcasecmp(name.c_str(), s) == 0) return "Liberation Sans";
  return name;
}

int Round(double v) { return static_cast<int>(std::lround(v)); }

}  // namespace

struct FontFace::Impl {
  FT_Face face = nullptr;
  std::unordered_map<uint32_t, Glyph> glyphs;
  ~Impl() {
    if (face) FT_Done_Face(face);
  }
};

std::string ResolveFontFile(const char* face, int weight, bool italic) {
  std::lock_guard lock(FontMutex());
  static const bool finiAtExit = [] {
    FcInit();
    std::atexit(FcFini);  // hands fontconfig's caches back, so leak checkers stay quiet
    return true;
  }();
  (void)finiAtExit;
  std::string family = MapFaceName(face);
  FcPattern* pat = FcPatternCreate();
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pat, FC_WEIGHT, weight >= FW_SEMIBOLD ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) file = reinterpret_cast<char*>(path);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pat);
  return file;
}

std::shared_ptr<FontFace> Realise(const LOGFONT& lf) {
  bool bold = lf.lfWeight >= FW_SEMIBOLD;
  std::string file = ResolveFontFile(lf.lfFaceName, lf.lfWeight, lf.lfItalic != 0);
  std::lock_guard lock(FontMutex());
  using Key = std::tuple<std::string, LONG, bool, bool, bool, bool, bool>;
  static std::map<Key, std::weak_ptr<FontFace>>* cache = new std::map<Key, std::weak_ptr<FontFace>>;
  bool mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  Key key{file, lf.lfHeight, bold, lf.lfItalic != 0, lf.lfUnderline != 0, lf.lfStrikeOut != 0, mono};
  if (auto found = (*cache)[key].lock()) return found;

  auto ff = std::make_shared<FontFace>();
  ff->impl = std::make_shared<FontFace::Impl>();
  ff->mono = mono;
  FT_Face face = nullptr;
  if (Library() && !file.empty() && FT_New_Face(Library(), file.c_str(), 0, &face) == 0) ff->impl->face = face;
  int upem = face ? face->units_per_EM : 2048;
  double asc = 0.905 * upem, desc = 0.212 * upem, gap = 0.033 * upem, avg = 0.45 * upem;
  if (face) {
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
      avg = os2->xAvgCharWidth;
    } else {
      asc = face->ascender;
      desc = -face->descender;
    }
    gap = std::max<double>(0, face->height - (face->ascender - face->descender));
  }
  int em;
  if (lf.lfHeight < 0) em = -lf.lfHeight;
  else if (lf.lfHeight > 0) em = std::max(1, Round(lf.lfHeight * upem / (asc + desc)));
  else em = Round(16 * upem / (asc + desc));
  em = std::min(em, 2000);
  ff->emPixels = em;
  if (face) FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em));
  double scale = double(em) / upem;
  TEXTMETRIC& tm = ff->tm;
  tm.tmAscent = Round(asc * scale);
  tm.tmDescent = Round(desc * scale);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, static_cast<int>(tm.tmHeight) - em);
  tm.tmExternalLeading = Round(gap * scale);
  tm.tmAveCharWidth = std::max(1, Round(avg * scale));
  tm.tmMaxCharWidth = face ? std::max(1, Round((face->bbox.xMax - face->bbox.xMin) * scale)) : em;
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm.tmItalic = lf.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
  bool fixed = face && FT_IS_FIXED_WIDTH(face);
  // As in Win32, the pitch bit is set for variable pitch.
  tm.tmPitchAndFamily =
      static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | (fixed ? FF_MODERN : FF_SWISS));
  tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
  ff->family = face && face->family_name ? face->family_name : "";
  ff->underlinePos = std::max(1, face ? Round(-face->underline_position * scale) : 1);
  ff->underlineThickness = std::max(1, face ? Round(face->underline_thickness * scale) : 1);
  (*cache)[key] = ff;
  return ff;
}

const Glyph& FontFace::GetGlyph(uint32_t cp) {
  // Callers hold FontMutex().
  auto it = impl->glyphs.find(cp);
  if (it != impl->glyphs.end()) return it->second;
  Glyph g;
  FT_Face face = impl->face;
  FT_Int32 flags = FT_LOAD_RENDER | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (face && FT_Load_Char(face, cp, flags) == 0) {
    FT_GlyphSlot slot = face->glyph;
    if (tm.tmWeight >= FW_SEMIBOLD && !(face->style_flags & FT_STYLE_FLAG_BOLD)) FT_GlyphSlot_Embolden(slot);
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.coverage.resize(static_cast<size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        uint8_t v = bm.pixel_mode == FT_PIXEL_MODE_MONO ? (((row[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0) : row[x];
        g.coverage[static_cast<size_t>(y) * g.width + x] = v;
      }
    }
  } else {
    // No font: a hollow box per character keeps layout and drawing visible.
    g.advance = static_cast<int>(tm.tmAveCharWidth);
    if (cp != ' ') {
      g.width = std::max(1, g.advance - 1);
      g.height = std::max(1, static_cast<int>(tm.tmAscent) - 1);
      g.top = g.height;
      g.coverage.assign(static_cast<size_t>(g.width) * g.height, 0);
      for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x)
          if (x == 0 || y == 0 || x == g.width - 1 || y == g.height - 1) g.coverage[y * g.width + x] = 255;
    }
  }
  return impl->glyphs.emplace(cp, std::move(g)).first->second;
}

std::vector<uint32_t> DecodeUtf8(const char* text, size_t count, std::vector<size_t>* byteEnds) {
  std::vector<uint32_t> out;
  out.reserve(count);
  if (byteEnds) byteEnds->clear();
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < count) {
    unsigned c = s[i];
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    if (c >= 0xF8) extra = 0;
    uint32_t cp = c;
    bool ok = false;
    if (extra > 0) {
      cp = c & (0x3F >> extra);
      ok = true;
      for (int k = 1; k <= extra; ++k) {
        if (i + k >= count || (s[i + k] & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (s[i + k] & 0x3F);
      }
    }
    if (ok) {
      i += extra + 1;
    } else {
      cp = c;
      ++i;
    }
    out.push_back(cp);
    if (byteEnds) byteEnds->push_back(i);
  }
  return out;
}

}  // namespace platform::gdi
