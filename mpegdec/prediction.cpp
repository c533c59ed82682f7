// Motion-compensated prediction of a macroblock from the reference frames.
#include <cstdint>

#include "mpegdec/block_ops.h"
#include "mpegdec/picture_decoder.h"

using namespace mpegdec;

namespace {
constexpr int kMbBackward = 4, kMbForward = 8;
constexpr int kMcField = 1, kMcFrame = 2, kMc16x8 = 2, kMcDmv = 3;
}  // namespace

namespace {
// One component's prediction of a w x h area. lx is the distance between the lines of the
// area, lx2 between the rows the prediction takes; they are lxRows and stepRows lines of the plane.
__attribute__((always_inline)) inline void FormComponentPrediction(const BlockOps& fast, const uint8_t* src, int sfield,
                                                                   uint8_t* dst, int dfield, int lx, int lx2,
                                                                   int lxRows, int stepRows, int w, int h, int x, int y,
                                                                   int dx, int dy, bool average, int pw, int ph) {
  int xint = dx >> 1, xh = dx & 1;
  int yint = dy >> 1, yh = dy & 1;
  // Keep every sample read inside the reference plane, whatever the vectors say.
  int sx = x + xint;
  if (sx > pw - w - xh) sx = pw - w - xh;
  if (sx < 0) {
    sx = 0;
    if (pw - w - xh < 0) xh = 0;
  }
  int sy = y + yint;
  int maxY = (ph - 1 - sfield - (h - 1) * stepRows - yh * lxRows);
  if (maxY < 0) {
    yh = 0;
    maxY = ph - 1 - sfield - (h - 1) * stepRows;
  }
  maxY = maxY < 0 ? 0 : lxRows == 1 ? maxY : lxRows == 2 ? maxY >> 1 : maxY / lxRows;
  if (sy > maxY) sy = maxY;
  if (sy < 0) sy = 0;
  const uint8_t* s = src + size_t(sfield) * pw + size_t(sy) * lx + sx;
  uint8_t* d = dst + size_t(dfield) * pw + size_t(y) * lx + x;
  const BlockOps& ops = w % 8 ? PlainBlockOps() : fast;
  ops.predict[average][xh + 2 * yh](d, s, lx, lx2, w, h);
  // The macroblocks to the right read their references from these lines a little further on
  // and write theirs there: the processor's own prefetch, one stream a line, does not look
  // ahead in time. The addresses may lie past the plane, where a prefetch does nothing.
  const uintptr_t ahead = uintptr_t(4 * w);
  for (int j = 0; j < h; ++j) {
    const uintptr_t line = uintptr_t(j) * uintptr_t(lx2) + ahead;
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(s) + line));
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(d) + line), 1);
  }
}
}  // namespace

void CMpegPictureDecoder::FormPrediction(uint8_t* const* src, int sfield, int dfield, int lx, int lx2, int w, int h,
                                         int x, int y, int dx, int dy, bool average) {
  // The distances are one or two lines of the plane in every component; a division costs more
  // than the rest of the clamps.
  const int pw = codedWidth_;
  auto lines = [pw](int distance) { return distance == pw ? 1 : distance == 2 * pw ? 2 : distance / pw; };
  const int lxRows = lines(lx), stepRows = lines(lx2);
  const BlockOps& ops = *ops_;
  // For the field of a field picture, dfield places it on the frame's odd or even lines.
  FormComponentPrediction(ops, src[0], sfield, curBase_[0], dfield, lx, lx2, lxRows, stepRows, w, h, x, y, dx, dy,
                          average, codedWidth_, codedHeight_);
  int cf = seq_.chroma_format;
  if (cf != 3) {
    lx >>= 1;
    lx2 >>= 1;
    w >>= 1;
    x >>= 1;
    dx /= 2;
  }
  if (cf == 1) {
    h >>= 1;
    y >>= 1;
    dy /= 2;
  }
  FormComponentPrediction(ops, src[1], sfield, curBase_[1], dfield, lx, lx2, lxRows, stepRows, w, h, x, y, dx, dy,
                          average, chromaWidth_, chromaHeight_);
  FormComponentPrediction(ops, src[2], sfield, curBase_[2], dfield, lx, lx2, lxRows, stepRows, w, h, x, y, dx, dy,
                          average, chromaWidth_, chromaHeight_);
}

void CMpegPictureDecoder::FormPredictions(int bx, int by, const MacroblockState& mb) {
  const MpegHeaderRecord& hd = *Base().header;
  int stwtop = mb.stwType % 3, stwbot = mb.stwType / 3;
  int W = codedWidth_;
  bool frame = hd.picture_structure == kFramePicture;
  int currentField = hd.picture_structure == kBottomField;
  bool second = Base().secondField && *Base().secondField;
  const int(&pmv)[2][2][2] = pmv_;
  const auto& sel = mb.fieldSelect;
  uint8_t* const* fwd = forward_;
  uint8_t* const* bwd = backward_;
  uint8_t* const* cur = curBase_;
  // Frame pictures predict the same way from either reference (s 0 forward, 1 backward): whole
  // frames, by field lines where the two fields weigh differently, or field by field.
  auto framePrediction = [&](uint8_t* const* ref, int s) {
    if (stwtop < 2 && stwbot < 2 && stwtop == stwbot) {
      FormPrediction(ref, 0, 0, W, W, 16, 16, bx, by, pmv[0][s][0], pmv[0][s][1], stwtop);
    } else {
      if (stwtop < 2) FormPrediction(ref, 0, 0, W, W << 1, 16, 8, bx, by, pmv[0][s][0], pmv[0][s][1], stwtop);
      if (stwbot < 2) FormPrediction(ref, 1, 1, W, W << 1, 16, 8, bx, by, pmv[0][s][0], pmv[0][s][1], stwbot);
    }
  };
  auto fieldPredictionInFrame = [&](uint8_t* const* ref, int s) {
    if (stwtop < 2)
      FormPrediction(ref, sel[0][s], 0, W << 1, W << 1, 16, 8, bx, by >> 1, pmv[0][s][0], pmv[0][s][1] >> 1, stwtop);
    if (stwbot < 2)
      FormPrediction(ref, sel[1][s], 1, W << 1, W << 1, 16, 8, bx, by >> 1, pmv[1][s][0], pmv[1][s][1] >> 1, stwbot);
  };

  if ((mb.type & kMbForward) || hd.picture_coding_type == kPictureP) {
    if (frame) {
      if (mb.motionType == kMcFrame || !(mb.type & kMbForward)) {
        framePrediction(fwd, 0);
      } else if (mb.motionType == kMcField) {
        fieldPredictionInFrame(fwd, 0);
      } else if (mb.motionType == kMcDmv) {
        int dmv[2][2];
        DualPrimeArithmetic(dmv, mb.dmvector, pmv[0][0][0], pmv[0][0][1] >> 1);
        if (stwtop < 2) {
          FormPrediction(fwd, 0, 0, W << 1, W << 1, 16, 8, bx, by >> 1, pmv[0][0][0], pmv[0][0][1] >> 1, false);
          FormPrediction(fwd, 1, 0, W << 1, W << 1, 16, 8, bx, by >> 1, dmv[0][0], dmv[0][1], true);
        }
        if (stwbot < 2) {
          FormPrediction(fwd, 1, 1, W << 1, W << 1, 16, 8, bx, by >> 1, pmv[0][0][0], pmv[0][0][1] >> 1, false);
          FormPrediction(fwd, 0, 1, W << 1, W << 1, 16, 8, bx, by >> 1, dmv[1][0], dmv[1][1], true);
        }
      }
    } else {
      // The second field of a P frame may refer to the first field of the frame itself.
      auto refFor = [&](int select) {
        return hd.picture_coding_type == kPictureP && second && currentField != select ? cur : fwd;
      };
      if (mb.motionType == kMcField || !(mb.type & kMbForward)) {
        if (stwtop < 2)
          FormPrediction(refFor(sel[0][0]), sel[0][0], currentField, W << 1, W << 1, 16, 16, bx, by, pmv[0][0][0],
                         pmv[0][0][1], stwtop);
      } else if (mb.motionType == kMc16x8) {
        if (stwtop < 2) {
          FormPrediction(refFor(sel[0][0]), sel[0][0], currentField, W << 1, W << 1, 16, 8, bx, by, pmv[0][0][0],
                         pmv[0][0][1], stwtop);
          FormPrediction(refFor(sel[1][0]), sel[1][0], currentField, W << 1, W << 1, 16, 8, bx, by + 8, pmv[1][0][0],
                         pmv[1][0][1], stwtop);
        }
      } else if (mb.motionType == kMcDmv) {
        uint8_t* const* opposite = second ? cur : fwd;
        int dmv[2][2];
        DualPrimeArithmetic(dmv, mb.dmvector, pmv[0][0][0], pmv[0][0][1]);
        FormPrediction(fwd, currentField, currentField, W << 1, W << 1, 16, 16, bx, by, pmv[0][0][0], pmv[0][0][1],
                       false);
        FormPrediction(opposite, !currentField, currentField, W << 1, W << 1, 16, 16, bx, by, dmv[0][0], dmv[0][1],
                       true);
      }
    }
    stwtop = stwbot = 1;
  }
  if (mb.type & kMbBackward) {
    if (frame) {
      if (mb.motionType == kMcFrame) framePrediction(bwd, 1);
      else fieldPredictionInFrame(bwd, 1);
    } else {
      if (mb.motionType == kMcField) {
        FormPrediction(bwd, sel[0][1], currentField, W << 1, W << 1, 16, 16, bx, by, pmv[0][1][0], pmv[0][1][1],
                       stwtop);
      } else if (mb.motionType == kMc16x8) {
        FormPrediction(bwd, sel[0][1], currentField, W << 1, W << 1, 16, 8, bx, by, pmv[0][1][0], pmv[0][1][1], stwtop);
        FormPrediction(bwd, sel[1][1], currentField, W << 1, W << 1, 16, 8, bx, by + 8, pmv[1][1][0], pmv[1][1][1],
                       stwtop);
      }
    }
  }
}
