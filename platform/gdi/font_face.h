// A realised font: a FreeType face at one pixel size with its metrics and glyph cache. Internal.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gdi/gdi_types.h"

namespace platform::gdi {

struct Glyph {
  int left = 0;  // from the pen position to the bitmap's left edge
  int top = 0;   // from the baseline up to the bitmap's top edge
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<uint8_t> coverage;  // 0..255, width x height
};

struct FontFace {
  TEXTMETRIC tm;
  std::string family;
  bool mono = false;
  int emPixels = 0;
  int underlinePos = 0;  // below the baseline
  int underlineThickness = 1;
  const Glyph& GetGlyph(uint32_t codepoint);

  struct Impl;
  std::shared_ptr<Impl> impl;
};

// The realised face for a LOGFONT; never null (falls back to a built-in box face when no font
// file is found at all).
std::shared_ptr<FontFace> Realise(const LOGFONT& lf);
std::mutex& FontMutex();

// UTF-8 to code points; a byte that starts no valid sequence stands for itself (Latin-1). When
// byteEnds is given it receives, per code point, the byte offset just after it.
std::vector<uint32_t> DecodeUtf8(const char* text, size_t count, std::vector<size_t>* byteEnds = nullptr);

}  // namespace platform::gdi
