// The processor's block kernels against the plain C ones, byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "mpegdec/block_ops.h"

using namespace mpegdec;

namespace {
// Every table the build has beside the plain one; this machine runs at least SSE2.
std::vector<const BlockOps*> FastTables() {
  std::vector<const BlockOps*> out;
  if (const BlockOps* t = Sse2BlockOps()) out.push_back(t);
  if (const BlockOps* t = Avx2BlockOps()) out.push_back(t);
  return out;
}

// A block in raster order as a table's transforms take it.
void Place(const BlockOps& ops, const int16_t* raster, int16_t* placed) {
  for (int n = 0; n < 64; ++n) placed[ops.order[n]] = raster[n];
}
}  // namespace

TEST(BlockOps, TheActiveTableIsOneOfThemAndThisMachineHasASimdOne) {
  const BlockOps& active = ActiveBlockOps();
  EXPECT_TRUE(&active == &PlainBlockOps() || &active == Sse2BlockOps() || &active == Avx2BlockOps());
#if defined(__x86_64__)
  EXPECT_NE(Sse2BlockOps(), nullptr);
  EXPECT_NE(&active, &PlainBlockOps());
#endif
}

TEST(BlockOps, TransformsAgreeOnCodedAndDamagedBlocks) {
  std::mt19937 rng(30);
  const BlockOps& c = PlainBlockOps();
  for (const BlockOps* fast : FastTables()) {
    for (int trial = 0; trial < 20000; ++trial) {
      alignas(16) int16_t a[64] = {}, b[64];
      // Sparse ordinary blocks, dense saturated ones and the whole 16-bit range a damaged
      // stream can leave after the arithmetic.
      const int kind = trial % 4;
      std::uniform_int_distribution<int> pos(0, 63);
      if (kind == 0) {
        std::uniform_int_distribution<int> v(-300, 300);
        for (int n = 0; n < 6; ++n) a[pos(rng)] = int16_t(v(rng));
      } else if (kind == 1) {
        std::uniform_int_distribution<int> v(-2048, 2047);
        for (int16_t& x : a) x = int16_t(v(rng));
      } else if (kind == 2) {
        std::uniform_int_distribution<int> v(-32768, 32767);
        for (int16_t& x : a) x = int16_t(v(rng));
      } else {
        a[0] = int16_t(std::uniform_int_distribution<int>(-2048, 2047)(rng));
      }
      alignas(16) int16_t coded[64];
      std::memcpy(coded, a, sizeof a);
      std::memcpy(b, a, sizeof a);
      c.saturate(a);
      fast->saturate(b);
      ASSERT_EQ(std::memcmp(a, b, sizeof a), 0) << fast->name << " saturation, trial " << trial;
      std::memcpy(a, coded, sizeof a);
      Place(*fast, coded, b);
      c.idct(a);
      fast->idct(b);
      ASSERT_EQ(std::memcmp(a, b, sizeof a), 0) << fast->name << " trial " << trial;
    }
  }
}

TEST(BlockOps, ReconstructionAndPredictionAgree) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> sample(0, 255), residual(-256, 255);
  const BlockOps& c = PlainBlockOps();
  for (const BlockOps* fast : FastTables()) {
    for (int trial = 0; trial < 500; ++trial) {
      const int stride = 48;
      std::vector<uint8_t> picture(stride * 20), p1, p2;
      for (uint8_t& v : picture) v = uint8_t(sample(rng));
      alignas(16) int16_t block[64];
      for (int16_t& v : block) v = int16_t(residual(rng));
      p1 = p2 = picture;
      c.addBlock(block, p1.data() + 3, stride);
      fast->addBlock(block, p2.data() + 3, stride);
      ASSERT_EQ(p1, p2) << fast->name << " add";
      c.putBlock(block, p1.data() + 5, 2 * stride);
      fast->putBlock(block, p2.data() + 5, 2 * stride);
      ASSERT_EQ(p1, p2) << fast->name << " put";

      std::vector<uint8_t> src(stride * 40);
      for (uint8_t& v : src) v = uint8_t(sample(rng));
      for (int average = 0; average < 2; ++average)
        for (int half = 0; half < 4; ++half)
          for (int w : {8, 16}) {
            const int h = 1 + trial % 16, step = trial % 2 ? 2 * stride : stride;
            p1 = p2 = picture;
            c.predict[average][half](p1.data() + 1, src.data() + 2, stride, step, w, h / (step / stride));
            fast->predict[average][half](p2.data() + 1, src.data() + 2, stride, step, w, h / (step / stride));
            ASSERT_EQ(p1, p2) << fast->name << " predict " << average << half << " w " << w;
          }
    }
  }
}

TEST(BlockOps, TransformsIntoThePictureAgreeWithTransformThenStore) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> sample(0, 255), coefficient(-2048, 2047), pos(0, 63);
  const BlockOps& c = PlainBlockOps();
  for (const BlockOps* ops : FastTables()) {
    for (int trial = 0; trial < 2000; ++trial) {
      const int stride = 40;
      std::vector<uint8_t> picture(stride * 20);
      for (uint8_t& v : picture) v = uint8_t(sample(rng));
      alignas(16) int16_t coded[64] = {};
      const int count = trial % 3 == 0 ? 64 : 1 + trial % 9;
      for (int n = 0; n < count; ++n) coded[pos(rng)] = int16_t(coefficient(rng));
      alignas(16) int16_t a[64], b[64];
      // Out-of-range coefficients reach the saturated pair, as a damaged stream leaves them.
      if (trial % 5 == 0) coded[pos(rng)] = int16_t(std::uniform_int_distribution<int>(-32768, 32767)(rng));
      for (bool add : {false, true}) {
        for (bool saturated : {false, true}) {
          std::vector<uint8_t> p1 = picture, p2 = picture;
          std::memcpy(a, coded, sizeof a);
          Place(*ops, coded, b);
          if (saturated) c.saturate(a);
          c.idct(a);
          (add ? c.addBlock : c.putBlock)(a, p1.data() + 4, stride);
          const auto fused =
              saturated ? (add ? ops->saturatedIdctAdd : ops->saturatedIdctPut) : (add ? ops->idctAdd : ops->idctPut);
          fused(b, p2.data() + 4, stride);
          ASSERT_EQ(p1, p2) << ops->name << (add ? " add" : " put") << (saturated ? " saturated" : "") << ", trial "
                            << trial;
        }
      }
    }
  }
  // The plain table's own pair is the composition it stands for.
  alignas(16) int16_t a[64] = {100, -30, 7}, b[64] = {100, -30, 7};
  std::vector<uint8_t> p1(8 * 8, 90), p2 = p1;
  c.idct(a);
  c.addBlock(a, p1.data(), 8);
  c.idctAdd(b, p2.data(), 8);
  EXPECT_EQ(p1, p2);
  alignas(16) int16_t d[64] = {3000, 0, 0, 0, 0, 0, 0, 0, 8}, e[64] = {3000, 0, 0, 0, 0, 0, 0, 0, 8};
  std::vector<uint8_t> p3(8 * 8, 90), p4 = p3;
  c.saturate(d);
  c.idct(d);
  c.putBlock(d, p3.data(), 8);
  c.saturatedIdctPut(e, p4.data(), 8);
  EXPECT_EQ(p3, p4);
}

// The kernels for blocks with one coefficient stand in for the whole saturated transform, so
// they must agree with it for every value the first coefficient can hold, and on every
// prediction sample an addition can meet.
TEST(BlockOps, FirstOnlyKernelsAgreeWithTheSaturatedTransformForEveryValue) {
  const BlockOps& c = PlainBlockOps();
  for (const BlockOps* ops : FastTables()) {
    for (int v = -32768; v <= 32767; ++v) {
      const int stride = 24;
      std::vector<uint8_t> picture(stride * 9);
      for (size_t n = 0; n < picture.size(); ++n) picture[n] = uint8_t(v * 7 + int(n) * 37);
      for (bool add : {false, true}) {
        alignas(16) int16_t a[64] = {}, b[64] = {};
        a[0] = b[0] = int16_t(v);
        std::vector<uint8_t> p1 = picture, p2 = picture;
        (add ? c.saturatedIdctAdd : c.saturatedIdctPut)(a, p1.data() + 3, stride);
        (add ? ops->saturatedFirstOnlyAdd : ops->saturatedFirstOnlyPut)(b, p2.data() + 3, stride);
        ASSERT_EQ(p1, p2) << ops->name << (add ? " add" : " put") << ", coefficient " << v;
      }
    }
  }
}
