#include "platform/gdi/image_gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform::gdi {
namespace {

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int wanted) {
  auto* source = static_cast<Source*>(gif->UserData);
  const std::size_t left = source->size - source->at;
  const std::size_t n = wanted < 0 ? 0 : std::min(left, static_cast<std::size_t>(wanted));
  std::memcpy(out, source->data + source->at, n);
  source->at += n;
  return static_cast<int>(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// Reads the first frame's indices into its place on the canvas, de-interlacing as it goes.
bool ReadFrame(GifFileType* gif, int transparent, std::vector<std::uint8_t>* rgba, int width, int height) {
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  if (!colours || frame.Width <= 0 || frame.Height <= 0 || frame.Width > 65535 || frame.Height > 65535) return false;
  std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
  // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  const int passes = frame.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int first = frame.Interlace ? kStart[pass] : 0;
    const int step = frame.Interlace ? kStep[pass] : 1;
    for (int row = first; row < frame.Height; row += step) {
      if (DGifGetLine(gif, line.data(), frame.Width) != GIF_OK) return false;
      const int y = frame.Top + row;
      if (y < 0 || y >= height) continue;  // a frame reaching past the picture is cut to it
      for (int col = 0; col < frame.Width; ++col) {
        const int x = frame.Left + col;
        const int index = line[static_cast<std::size_t>(col)];
        if (x < 0 || x >= width || index == transparent || index >= colours->ColorCount) continue;
        const GifColorType& c = colours->Colors[index];
        std::uint8_t* p = &(*rgba)[(static_cast<std::size_t>(y) * width + x) * 4];
        p[0] = c.Red;
        p[1] = c.Green;
        p[2] = c.Blue;
        p[3] = 255;
      }
    }
  }
  return true;
}

}  // namespace

bool DecodeGifRgba(const std::uint8_t* data, std::size_t size, std::int64_t maxPixels, std::vector<std::uint8_t>* rgba,
                   int* width, int* height) {
  if (!data || size < 6 || std::memcmp(data, "GIF", 3) != 0) return false;
  Source source{data, size};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, &ReadFromMemory, &error));
  if (!gif) return false;
  const std::int64_t w = gif->SWidth, h = gif->SHeight;
  if (w <= 0 || h <= 0 || w > maxPixels / h) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  rgba->assign(static_cast<std::size_t>(w * h) * 4, 0);
  int transparent = -1;
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return false;
    if (record == TERMINATE_RECORD_TYPE) return false;  // no frame at all
    if (record == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) != GIF_OK) return false;
      if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 0x01)) transparent = block[4];
      while (block) {
        if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) return false;
      }
      continue;
    }
    if (record == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) != GIF_OK) return false;
      return ReadFrame(gif.get(), transparent, rgba, *width, *height);
    }
  }
}

}  // namespace platform::gdi
