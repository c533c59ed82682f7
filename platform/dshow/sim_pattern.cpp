#include "platform/dshow/sim_pattern.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace platform::dshow::sim {
namespace {

struct Rgb {
  std::uint8_t r, g, b;
};

// 75% bars: white, yellow, cyan, green, magenta, red, blue.
constexpr Rgb kBars[7] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                          {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// 3x5 digits, one row a 3-bit mask, top row first.
constexpr std::uint8_t kDigits[10][5] = {{7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
                                         {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1},
                                         {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};

// The code band: rows from 13/16 to 15/16 of the height, kCodeBits cells across.
int BandTop(int height) { return height * 13 / 16; }
int BandBottom(int height) { return height * 15 / 16; }

std::uint8_t Clamp(double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

// BT.601 studio range.
void ToYuv(Rgb c, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v) {
  const double r = c.r, g = c.g, b = c.b;
  *y = Clamp(16 + (65.481 * r + 128.553 * g + 24.966 * b) / 255);
  *u = Clamp(128 + (-37.797 * r - 74.203 * g + 112.0 * b) / 255);
  *v = Clamp(128 + (112.0 * r - 93.786 * g - 18.214 * b) / 255);
}

void Adjust(const PictureAdjust& a, std::uint8_t* y, std::uint8_t* u, std::uint8_t* v) {
  const double cb = *u - 128.0, cr = *v - 128.0;
  const double turn = a.hueDegrees * M_PI / 180;
  *y = Clamp(16 + (*y - 16) * a.lumaGain + a.lumaOffset);
  *u = Clamp(128 + (cb * std::cos(turn) - cr * std::sin(turn)) * a.chromaGain);
  *v = Clamp(128 + (cb * std::sin(turn) + cr * std::cos(turn)) * a.chromaGain);
}

// BT.601 studio range back to full-range RGB.
Rgb ToRgb(std::uint8_t y, std::uint8_t u, std::uint8_t v) {
  const double l = 1.164 * (y - 16), cb = u - 128.0, cr = v - 128.0;
  return {Clamp(l + 1.596 * cr), Clamp(l - 0.392 * cb - 0.813 * cr), Clamp(l + 2.017 * cb)};
}

// Colours by palette index: the bars, then white and black.
constexpr int kWhiteIndex = 7, kBlackIndex = 8, kColours = 9;
Rgb PaletteColour(int index) { return index < 7 ? kBars[index] : index == kWhiteIndex ? kWhite : kBlack; }

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<std::size_t>(w) * h) {}
  void Fill(int x0, int y0, int x1, int y1, int colour) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, w_), y1 = std::min(y1, h_);
    for (int y = y0; y < y1; ++y)
      std::fill(px_.begin() + static_cast<std::ptrdiff_t>(y) * w_ + x0,
                px_.begin() + static_cast<std::ptrdiff_t>(y) * w_ + x1, static_cast<std::uint8_t>(colour));
  }
  int At(int x, int y) const { return px_[static_cast<std::size_t>(y) * w_ + x]; }
  // Most rows repeat the one above (bars, bands): their painted bytes are the same too.
  bool SameAsRowAbove(int y) const {
    const auto* row = px_.data() + static_cast<std::size_t>(y) * w_;
    return y > 0 && std::memcmp(row, row - w_, static_cast<std::size_t>(w_)) == 0;
  }

 private:
  int w_, h_;
  std::vector<std::uint8_t> px_;
};

void DrawNumber(Canvas& canvas, long long n, int x, int y, int scale) {
  char text[24];
  const int length = std::snprintf(text, sizeof text, "%08lld", n % 100000000);
  for (int i = 0; i < length; ++i) {
    const auto& glyph = kDigits[text[i] - '0'];
    for (int row = 0; row < 5; ++row)
      for (int col = 0; col < 3; ++col)
        if (glyph[row] & (4 >> col))
          canvas.Fill(x + (i * 4 + col) * scale, y + row * scale, x + (i * 4 + col + 1) * scale, y + (row + 1) * scale,
                      kWhiteIndex);
  }
}

void Compose(Canvas& canvas, int w, int h, long long n, REFERENCE_TIME frameDuration) {
  const int barsBottom = h * 2 / 3;
  if (IsFlashFrame(n, frameDuration)) {
    canvas.Fill(0, 0, w, BandTop(h), kWhiteIndex);
  } else {
    for (int i = 0; i < 7; ++i) canvas.Fill(i * w / 7, 0, (i + 1) * w / 7, barsBottom, i);
    canvas.Fill(0, barsBottom, w, BandTop(h), kBlackIndex);
    const int box = std::max(h / 8, 2);
    const int travel = std::max(w - box, 1);
    const int x = static_cast<int>((n * 4) % (2 * travel));
    const int boxX = x < travel ? x : 2 * travel - x;  // back and forth
    canvas.Fill(boxX, h / 4, boxX + box, h / 4 + box, kWhiteIndex);
    DrawNumber(canvas, n, w / 16, barsBottom + (BandTop(h) - barsBottom) / 4, std::max(h / 80, 1));
  }
  canvas.Fill(0, BandTop(h), w, h, kBlackIndex);
  const long long code = n & ((1LL << kCodeBits) - 1);
  for (int bit = 0; bit < kCodeBits; ++bit)
    if (code & (1LL << (kCodeBits - 1 - bit)))
      canvas.Fill(bit * w / kCodeBits, BandTop(h), (bit + 1) * w / kCodeBits, BandBottom(h), kWhiteIndex);
}

std::int16_t ToneSample(long long inSecond, int rate) {
  const int hz = inSecond < rate / 10 ? kBurstHz : kToneHz;
  // Phase from the start of the second keeps both tones continuous at whole cycles.
  const double phase = 2 * M_PI * hz * static_cast<double>(inSecond) / rate;
  return static_cast<std::int16_t>(std::lround(32767 * kToneAmplitude * std::sin(phase)));
}

}  // namespace

bool IsFlashFrame(long long n, REFERENCE_TIME frameDuration) {
  if (n == 0) return true;
  // A whole second falls in (start of the previous frame, start of this one].
  return (n * frameDuration) / 10000000 > ((n - 1) * frameDuration) / 10000000;
}

void PaintFrame(const GUID& subtype, int w, int h, long long n, REFERENCE_TIME frameDuration, std::uint8_t* data,
                std::size_t stride, const PictureAdjust& adjust) {
  if (w <= 0 || h <= 0) return;
  Canvas canvas(w, h);
  Compose(canvas, w, h, n, frameDuration);
  const bool rgb24 = subtype == MEDIASUBTYPE_RGB24;
  const bool rgb32 = subtype == MEDIASUBTYPE_RGB32;
  const bool uyvy = subtype == MEDIASUBTYPE_UYVY;
  // The picture is painted from a few colours: adjusting them adjusts the picture.
  std::uint8_t ys[kColours], us[kColours], vs[kColours];
  Rgb rgbs[kColours];
  for (int i = 0; i < kColours; ++i) {
    rgbs[i] = PaletteColour(i);
    ToYuv(rgbs[i], &ys[i], &us[i], &vs[i]);
    if (adjust.Neutral()) continue;
    Adjust(adjust, &ys[i], &us[i], &vs[i]);
    rgbs[i] = ToRgb(ys[i], us[i], vs[i]);
  }
  for (int y = 0; y < h; ++y) {
    // DIB RGB rows are stored bottom-up.
    std::uint8_t* row = data + stride * static_cast<std::size_t>(rgb24 || rgb32 ? h - 1 - y : y);
    const std::size_t rowBytes =
        rgb24 || rgb32 ? static_cast<std::size_t>(w) * (rgb32 ? 4 : 3) : static_cast<std::size_t>(w / 2) * 4;
    if (canvas.SameAsRowAbove(y)) {
      std::memcpy(row, rgb24 || rgb32 ? row + stride : row - stride, rowBytes);
      continue;
    }
    if (rgb24 || rgb32) {
      const int bytes = rgb32 ? 4 : 3;
      for (int x = 0; x < w; ++x) {
        const Rgb c = rgbs[canvas.At(x, y)];
        std::uint8_t* p = row + static_cast<std::size_t>(x) * bytes;
        p[0] = c.b, p[1] = c.g, p[2] = c.r;
        if (rgb32) p[3] = 0xFF;
      }
      continue;
    }
    for (int x = 0; x + 1 < w; x += 2) {
      const int left = canvas.At(x, y), right = canvas.At(x + 1, y);
      const std::uint8_t y0 = ys[left], y1 = ys[right], u = us[left], v = vs[left];
      std::uint8_t* p = row + static_cast<std::size_t>(x) * 2;
      if (uyvy) {
        p[0] = u, p[1] = y0, p[2] = v, p[3] = y1;
      } else {
        p[0] = y0, p[1] = u, p[2] = y1, p[3] = v;
      }
    }
  }
}

long long ReadFrameCode(const std::uint8_t* luma, int w, int h, std::ptrdiff_t stride) {
  const int top = BandTop(h), bottom = BandBottom(h);
  if (bottom - top < 2 || w < kCodeBits) return -1;
  const int y = (top + bottom) / 2;
  long long code = 0;
  for (int bit = 0; bit < kCodeBits; ++bit) {
    // Average the middle half of the cell, away from edges that ringing blurs.
    const int x0 = bit * w / kCodeBits, x1 = (bit + 1) * w / kCodeBits;
    int sum = 0, count = 0;
    for (int x = x0 + (x1 - x0) / 4; x < x1 - (x1 - x0) / 4; ++x, ++count) sum += luma[y * stride + x];
    code = (code << 1) | (count && sum / count > 128 ? 1 : 0);
  }
  return code;
}

void FillTone(std::int16_t* pcm, int channels, int rate, long long firstSample, std::size_t count) {
  if (rate <= 0) return;
  // One second of the signal repeats: its samples are worked out once a rate, on each thread.
  thread_local int tableRate = 0;
  thread_local std::vector<std::int16_t> second;
  if (tableRate != rate) {
    second.resize(static_cast<std::size_t>(rate));
    for (int inSecond = 0; inSecond < rate; ++inSecond)
      second[static_cast<std::size_t>(inSecond)] = ToneSample(inSecond, rate);
    tableRate = rate;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const long long inSecond = (firstSample + static_cast<long long>(i)) % rate;
    const std::int16_t v = inSecond >= 0 ? second[static_cast<std::size_t>(inSecond)] : ToneSample(inSecond, rate);
    for (int c = 0; c < channels; ++c) pcm[i * channels + c] = v;
  }
}

}  // namespace platform::dshow::sim
