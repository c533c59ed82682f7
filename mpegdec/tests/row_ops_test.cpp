// The processor's row kernels of the picture output against the plain C ones, byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "mpegdec/row_ops.h"

using namespace mpegdec;

namespace {
std::vector<const RowOps*> FastTables() {
  std::vector<const RowOps*> out;
  if (const RowOps* t = Ssse3RowOps()) out.push_back(t);
  if (const RowOps* t = Avx2RowOps()) out.push_back(t);
  return out;
}

// Rows of noise and of the extremes, which drive the filters' overshoots into the clamps.
std::vector<uint8_t> Samples(std::mt19937& rng, int n, int kind) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  std::uniform_int_distribution<int> any(0, 255), coin(0, 1);
  for (uint8_t& x : v) x = uint8_t(kind == 0 ? any(rng) : coin(rng) ? 255 : 0);
  return v;
}

const ColourMatrix kMatrices[] = {{117504, 138453, 13954, 34903},
                                  {104597, 132201, 25675, 53279},
                                  {104448, 132798, 24759, 53109},
                                  {117579, 136230, 16907, 35559}};
}  // namespace

TEST(RowOps, TheActiveTableIsOneOfThemAndThisMachineHasASimdOne) {
  const RowOps& active = ActiveRowOps();
  EXPECT_TRUE(&active == &PlainRowOps() || &active == Ssse3RowOps() || &active == Avx2RowOps());
#if defined(__x86_64__)
  EXPECT_NE(&active, &PlainRowOps());
#endif
}

TEST(RowOps, FiltersAndColoursAgreeForEveryWidthAndMatrix) {
  std::mt19937 rng(30);
  const RowOps& c = PlainRowOps();
  static constexpr int kTaps[3][6] = {{3, -16, 67, 227, -32, 7}, {1, -7, 30, 248, -21, 5}, {7, -35, 194, 110, -24, 4}};
  for (const RowOps* fast : FastTables()) {
    for (int width = 1; width <= 140; ++width) {
      for (int kind = 0; kind < 2; ++kind) {
        std::vector<std::vector<uint8_t>> rows;
        for (int i = 0; i < 6; ++i) rows.push_back(Samples(rng, width, kind));
        const uint8_t* t[6];
        for (int i = 0; i < 6; ++i) t[i] = rows[size_t(i)].data();
        for (const auto& k : kTaps) {
          std::vector<uint8_t> a(static_cast<size_t>(width)), b(static_cast<size_t>(width));
          c.verticalTaps(k, t, width, a.data());
          fast->verticalTaps(k, t, width, b.data());
          ASSERT_EQ(a, b) << fast->name << " vertical taps, width " << width;
        }
        std::vector<uint8_t> a(static_cast<size_t>(2 * width)), b(static_cast<size_t>(2 * width));
        c.mpeg2Row(t[0], width, a.data());
        fast->mpeg2Row(t[0], width, b.data());
        ASSERT_EQ(a, b) << fast->name << " horizontal, width " << width;
        for (const ColourMatrix& m : kMatrices) {
          for (bool rgb : {false, true}) {
            std::vector<uint8_t> p(static_cast<size_t>(3 * width)), q(static_cast<size_t>(3 * width));
            c.colourRow(t[1], t[2], t[3], width, m, rgb, p.data());
            fast->colourRow(t[1], t[2], t[3], width, m, rgb, q.data());
            ASSERT_EQ(p, q) << fast->name << " colour, width " << width << (rgb ? " RGB" : " BGR");
          }
        }
      }
    }
  }
}

TEST(RowOps, ColourCoversEveryTripleOfTheSampleRange) {
  // Every Y with every (Cb, Cr) on a coarse grid and its neighbours, so that each clamp and each
  // rounding edge of the split arithmetic is crossed.
  const RowOps& c = PlainRowOps();
  for (const RowOps* fast : FastTables()) {
    std::vector<uint8_t> y(256), cb(256), cr(256), p(3 * 256), q(3 * 256);
    for (int i = 0; i < 256; ++i) y[size_t(i)] = uint8_t(i);
    for (int u = 0; u < 256; u += 3) {
      for (int v = 0; v < 256; v += 5) {
        for (int i = 0; i < 256; ++i) {
          cb[size_t(i)] = uint8_t((u + i / 64) & 255);
          cr[size_t(i)] = uint8_t((v + i % 7) & 255);
        }
        for (const ColourMatrix& m : kMatrices) {
          c.colourRow(y.data(), cb.data(), cr.data(), 256, m, false, p.data());
          fast->colourRow(y.data(), cb.data(), cr.data(), 256, m, false, q.data());
          ASSERT_EQ(p, q) << "Cb " << u << " Cr " << v;
        }
      }
    }
  }
}
