#include "mpegdec/tests/test_media.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "mpegdec/video_decoder.h"

namespace mpegtest {

std::string TempPath(const std::string& name) {
  const char* t = std::getenv("TMPDIR");
  return std::string(t && *t ? t : "/tmp") + "/" + name;
}

bool Ffmpeg(const std::string& args) {
  std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
  return std::system(cmd.c_str()) == 0;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::vector<uint8_t> data;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return data;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  fclose(f);
  return data;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  if (!data.empty()) fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

bool FfmpegPlanes(const std::string& path, const std::string& pixFmt, int width, int height, int chromaWidth,
                  int chromaHeight, int index, Planes& out) {
  std::string raw = TempPath("peer_frame.yuv");
  std::string select = index ? " -vf select=eq(n\\," + std::to_string(index) + ")" : "";
  if (!Ffmpeg("-i " + path + select + " -frames:v 1 -f rawvideo -pix_fmt " + pixFmt + " " + raw)) return false;
  std::vector<uint8_t> data = ReadAll(raw);
  size_t ys = size_t(width) * height, cs = size_t(chromaWidth) * chromaHeight;
  if (data.size() < ys + 2 * cs) return false;
  out.width = width;
  out.height = height;
  out.chromaWidth = chromaWidth;
  out.chromaHeight = chromaHeight;
  out.y.assign(data.begin(), data.begin() + ys);
  out.cb.assign(data.begin() + ys, data.begin() + ys + cs);
  out.cr.assign(data.begin() + ys + cs, data.begin() + ys + 2 * cs);
  return true;
}

int DecodePlanes(const std::string& path, Planes& out) {
  CMpegVideoDecoder d;
  int r = d.Open(path.c_str(), nullptr, 0, 0, 2048, 2048);
  if (r != 1) return r;
  d.picture.Prepare();
  std::vector<uint8_t>* planes[3] = {&out.y, &out.cb, &out.cr};
  for (int cc = 0; cc < 3; ++cc) {
    planes[cc]->assign(size_t(d.picture.OutputSize(cc)), 0);
    uint16_t w = 0, h = 0;
    if (d.picture.DecodeToRgb(planes[cc]->data(), &w, &h, cc) <= 0) return d.picture.error;
    if (cc == 0) {
      out.width = w;
      out.height = h;
    } else {
      out.chromaWidth = w;
      out.chromaHeight = h;
    }
  }
  return 1;
}

Compare ComparePlane(const std::vector<uint8_t>& a, int aw, int ah, const std::vector<uint8_t>& b, int bw, int bh) {
  Compare c;
  int w = aw < bw ? aw : bw, h = ah < bh ? ah : bh;
  double se = 0.0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int d = std::abs(int(a[size_t(y) * aw + x]) - int(b[size_t(y) * bw + x]));
      if (d > c.maxDiff) c.maxDiff = d;
      se += double(d) * d;
    }
  double mse = w && h ? se / (double(w) * h) : 0.0;
  c.psnr = mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
  return c;
}
}  // namespace mpegtest
