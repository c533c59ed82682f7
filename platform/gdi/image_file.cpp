#include "platform/gdi/image_file.h"

#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi_object.h"
#include "platform/gdi/image_gif.h"

namespace platform::gdi {
namespace {

template <typename T>
bool Read(const uint8_t* data, size_t size, size_t offset, T* out) {
  if (offset > size || size - offset < sizeof(T)) return false;
  std::memcpy(out, data + offset, sizeof(T));
  return true;
}

std::shared_ptr<BitmapObj> NewTopDown(int w, int h) { return MakeBitmap(w, h, 32, true, true); }

bool SizeAllowed(std::int64_t w, std::int64_t h) { return w > 0 && h > 0 && w <= kMaxImagePixels / h; }

void PutRgba(BitmapObj& b, int x, int y, uint8_t r, uint8_t g, uint8_t bl, uint8_t a) {
  uint8_t* p = b.Row(y) + x * 4;
  p[0] = static_cast<uint8_t>(bl * a / 255);
  p[1] = static_cast<uint8_t>(g * a / 255);
  p[2] = static_cast<uint8_t>(r * a / 255);
  p[3] = a;
}

unsigned MaskShift(uint32_t mask) {
  unsigned s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}

uint8_t MaskValue(uint32_t v, uint32_t mask) {
  if (!mask) return 0;
  unsigned s = MaskShift(mask);
  uint32_t m = mask >> s;
  return static_cast<uint8_t>(((v & mask) >> s) * 255 / m);
}

// A DIB: header, optional masks and colour table, then pixels at bitsOffset (0: right after).
std::shared_ptr<BitmapObj> DecodeDib(const uint8_t* data, size_t size, size_t bitsOffset) {
  uint32_t hsize;
  if (!Read(data, size, 0, &hsize)) return nullptr;
  int32_t w, h;
  uint16_t bpp;
  uint32_t compression = BI_RGB, clrUsed = 0;
  size_t tableEntry = 4;
  if (hsize == 12) {
    uint16_t w16, h16;
    if (!Read(data, size, 4, &w16) || !Read(data, size, 6, &h16) || !Read(data, size, 10, &bpp)) return nullptr;
    w = w16;
    h = static_cast<int16_t>(h16);
    tableEntry = 3;
  } else if (hsize >= 40 && hsize <= 124) {
    if (!Read(data, size, 4, &w) || !Read(data, size, 8, &h) || !Read(data, size, 14, &bpp) ||
        !Read(data, size, 16, &compression) || !Read(data, size, 32, &clrUsed))
      return nullptr;
  } else {
    return nullptr;
  }
  if (w <= 0 || h == 0 || h == INT32_MIN || w > 32768 || (h > 0 ? h : -h) > 32768) return nullptr;
  if (!SizeAllowed(w, h > 0 ? h : -static_cast<std::int64_t>(h))) return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  if (compression != BI_RGB && compression != BI_BITFIELDS) return nullptr;
  uint32_t masks[4] = {0, 0, 0, 0};
  size_t after = hsize;
  if (compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return nullptr;
    if (hsize >= 52) {
      for (int i = 0; i < 3; ++i) Read(data, size, 40 + i * 4, &masks[i]);
    } else {
      for (int i = 0; i < 3; ++i)
        if (!Read(data, size, hsize + i * 4, &masks[i])) return nullptr;
      after += 12;
    }
    if (hsize >= 56) Read(data, size, 52, &masks[3]);
  } else if (bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }
  std::vector<RGBQUAD> table;
  if (bpp <= 8) {
    uint32_t n = clrUsed ? clrUsed : (1u << bpp);
    if (n > 256) return nullptr;
    // A header may declare more colours than the depth can index; keep them all readable.
    table.resize(std::max<uint32_t>(n, 1u << bpp));
    for (uint32_t i = 0; i < n; ++i) {
      size_t off = after + i * tableEntry;
      if (off + 3 > size) return nullptr;
      table[i] = {data[off], data[off + 1], data[off + 2], 0};
    }
    after += n * tableEntry;
  }
  int ht = h > 0 ? h : -h;
  size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
  size_t start = bitsOffset ? bitsOffset : after;
  if (start > size || (size - start) / stride < static_cast<size_t>(ht)) return nullptr;
  auto out = NewTopDown(w, ht);
  if (!out) return nullptr;
  bool alpha = masks[3] != 0;
  for (int y = 0; y < ht; ++y) {
    const uint8_t* row = data + start + stride * static_cast<size_t>(h > 0 ? ht - 1 - y : y);
    for (int x = 0; x < w; ++x) {
      uint8_t r, g, b, a = 255;
      if (bpp <= 8) {
        int bitPos = x * bpp;
        int idx = (row[bitPos >> 3] >> (8 - bpp - (bitPos & 7))) & ((1 << bpp) - 1);
        const RGBQUAD& q = table[idx];
        r = q.rgbRed;
        g = q.rgbGreen;
        b = q.rgbBlue;
      } else if (bpp == 24) {
        b = row[x * 3];
        g = row[x * 3 + 1];
        r = row[x * 3 + 2];
      } else {
        uint32_t v = bpp == 16 ? static_cast<uint32_t>(row[x * 2] | (row[x * 2 + 1] << 8))
                               : static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) |
                                                       (static_cast<uint32_t>(row[x * 4 + 3]) << 24));
        r = MaskValue(v, masks[0]);
        g = MaskValue(v, masks[1]);
        b = MaskValue(v, masks[2]);
        if (alpha) a = MaskValue(v, masks[3]);
      }
      PutRgba(*out, x, y, r, g, b, a);
    }
  }
  return out;
}

std::shared_ptr<BitmapObj> DecodeBmp(const uint8_t* data, size_t size) {
  if (size >= 14 && data[0] == 'B' && data[1] == 'M') {
    uint32_t offBits;
    if (!Read(data, size, 10, &offBits)) return nullptr;
    if (offBits < 14 + 12) return nullptr;
    auto out = DecodeDib(data + 14, size - 14, offBits - 14);
    return out;
  }
  return DecodeDib(data, size, 0);
}

std::shared_ptr<BitmapObj> DecodePng(const uint8_t* data, size_t size) {
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return nullptr;
  if (image.width > 32768 || image.height > 32768 || !SizeAllowed(image.width, image.height)) {
    png_image_free(&image);
    return nullptr;
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> buf(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buf.data(), 0, nullptr)) {
    png_image_free(&image);
    return nullptr;
  }
  int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
  auto out = NewTopDown(w, h);
  if (!out) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &buf[(static_cast<size_t>(y) * w + x) * 4];
      PutRgba(*out, x, y, p[0], p[1], p[2], p[3]);
    }
  return out;
}

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
};

void JpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

// Kept apart from C++ objects with destructors: longjmp skips them.
bool DecodeJpegInto(const uint8_t* data, size_t size, std::vector<uint8_t>* rgb, int* w, int* h) {
  jpeg_decompress_struct info;
  JpegError err;
  info.err = jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegFail;
  err.mgr.emit_message = JpegQuiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || !SizeAllowed(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_width == 0 || info.output_height == 0 || info.output_width > 32768 || info.output_height > 32768 ||
      info.output_components != 3) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  *w = static_cast<int>(info.output_width);
  *h = static_cast<int>(info.output_height);
  rgb->resize(static_cast<size_t>(*w) * *h * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = rgb->data() + static_cast<size_t>(info.output_scanline) * *w * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

std::shared_ptr<BitmapObj> DecodeJpeg(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rgb;
  int w = 0, h = 0;
  if (!DecodeJpegInto(data, size, &rgb, &w, &h)) return nullptr;
  auto out = NewTopDown(w, h);
  if (!out) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      PutRgba(*out, x, y, p[0], p[1], p[2], 255);
    }
  return out;
}

std::shared_ptr<BitmapObj> DecodeGif(const uint8_t* data, size_t size) {
  std::vector<uint8_t> rgba;
  int w = 0, h = 0;
  if (!DecodeGifRgba(data, size, kMaxImagePixels, &rgba, &w, &h)) return nullptr;
  auto out = NewTopDown(w, h);
  if (!out) return nullptr;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
      PutRgba(*out, x, y, p[0], p[1], p[2], p[3]);
    }
  return out;
}

}  // namespace

HBITMAP DecodeImage(const void* data, size_t size) {
  if (!data || size < 4) return nullptr;
  const uint8_t* d = static_cast<const uint8_t*>(data);
  std::shared_ptr<BitmapObj> bmp;
  if (size >= 8 && png_sig_cmp(const_cast<png_bytep>(d), 0, 8) == 0) bmp = DecodePng(d, size);
  else if (d[0] == 0xFF && d[1] == 0xD8) bmp = DecodeJpeg(d, size);
  else if (std::memcmp(d, "GIF8", 4) == 0) bmp = DecodeGif(d, size);
  else bmp = DecodeBmp(d, size);
  return bmp ? reinterpret_cast<HBITMAP>(Register(bmp)) : nullptr;
}

HBITMAP LoadImageFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return DecodeImage(bytes.data(), bytes.size());
}

namespace {

bool Pixels(HBITMAP bitmap, std::vector<uint32_t>* out, int* w, int* h) {
  auto b = LookupAs<BitmapObj>(bitmap, Kind::Bitmap);
  if (!b) return false;
  *w = b->width;
  *h = b->height;
  out->resize(static_cast<size_t>(*w) * *h);
  for (int y = 0; y < *h; ++y)
    for (int x = 0; x < *w; ++x)
      (*out)[static_cast<size_t>(y) * *w + x] = b->bpp == 1 ? (b->Get(x, y) ? 0xFFFFFF : 0) : b->Get(x, y);
  return true;
}

}  // namespace

bool SaveBmpFile(HBITMAP bitmap, const std::string& path) {
  std::vector<uint32_t> px;
  int w, h;
  if (!Pixels(bitmap, &px, &w, &h)) return false;
  size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
  BITMAPFILEHEADER fh;
  BITMAPINFOHEADER ih;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + stride * h);
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biBitCount = 24;
  ih.biSizeImage = static_cast<DWORD>(stride * h);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(&fh), sizeof(fh));
  out.write(reinterpret_cast<const char*>(&ih), sizeof(ih));
  std::vector<uint8_t> row(stride, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      uint32_t p = px[static_cast<size_t>(y) * w + x];
      row[x * 3] = p & 0xFF;
      row[x * 3 + 1] = (p >> 8) & 0xFF;
      row[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(stride));
  }
  return static_cast<bool>(out.flush());
}

bool WritePng(const uint32_t* pixels, int width, int height, const std::string& path) {
  if (!pixels || width <= 0 || height <= 0) return false;
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    rgb[i * 3] = (pixels[i] >> 16) & 0xFF;
    rgb[i * 3 + 1] = (pixels[i] >> 8) & 0xFF;
    rgb[i * 3 + 2] = pixels[i] & 0xFF;
  }
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  std::string tmp = path + ".part";
  if (!png_image_write_to_file(&image, tmp.c_str(), 0, rgb.data(), 0, nullptr)) {
    std::remove(tmp.c_str());
    return false;
  }
  // Whole file or nothing under the final name.
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool SavePngFile(HBITMAP bitmap, const std::string& path) {
  std::vector<uint32_t> px;
  int w, h;
  if (!Pixels(bitmap, &px, &w, &h)) return false;
  return WritePng(px.data(), w, h, path);
}

}  // namespace platform::gdi
