// The picture-data loop: slices, macroblocks and their reconstruction into the current frame.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/block_ops.h"
#include "mpegdec/mpeg_tables.h"
#include "mpegdec/picture_decoder.h"
#include "mpegdec/stream_reader.h"

using namespace mpegdec;

namespace {
constexpr int kMbIntra = 1, kMbPattern = 2, kMbBackward = 4, kMbForward = 8, kMbQuant = 16;
constexpr int kMbWeight = 32, kMbClass4 = 64;
constexpr int kMcField = 1, kMcFrame = 2, kMc16x8 = 2, kMcDmv = 3;
constexpr int kMvFormatField = 0, kMvFormatFrame = 1;
const int kWeightCodeTable[3][4] = {{6, 3, 7, 4}, {2, 1, 5, 4}, {2, 5, 7, 4}};
const int kWeightClass[9] = {0, 1, 2, 1, 1, 2, 3, 3, 4};

// Eight stores: the compiler makes a memset of 128 bytes a string instruction, whose start
// costs several times as much.
inline void ClearBlock(int16_t* block) {
#if defined(__SSE2__)
  for (int k = 0; k < 8; ++k) _mm_store_si128(reinterpret_cast<__m128i*>(block) + k, _mm_setzero_si128());
#else
  memset(block, 0, 64 * sizeof *block);
#endif
}
}  // namespace

void CMpegPictureDecoder::DecodePictureData() {
  const MpegHeaderRecord& h = *Base().header;
  // Field pictures hold whole macroblock rows of one field; an odd row count never overruns.
  int mbaMax = h.picture_structure == kFramePicture ? mbCount_ : mb_width_ * (mb_height_ / 2);
  for (;;) {
    int mba = 0, mbaInc = 0;
    int r = StartSlice(mba, mbaInc);
    if (r == 1) {
      if (DecodeSlice(mbaMax, mba, mbaInc) < 0) break;
    } else if (r != 0) {
      break;
    }
  }
}

int CMpegPictureDecoder::StartSlice(int& mba, int& mbaInc) {
  faultFlag_ = 0;
  layer_ = 0;
  CMpegBitSource& bs = *Base().bits;
  bs.NextStartCode();
  uint32_t code = bs.Peek32();
  if (bs.status != 1 || code < 0x101 || code > 0x1AF) {
    error = kMalformed;
    return kEndOfData;
  }
  bs.Get32();
  if (ReadSliceHeader() != 1) return kEndOfData;
  if (DataPartitioned()) {
    layer_ = 1;
    CMpegBitSource& es = *layers_[1].bits;
    es.NextStartCode();
    uint32_t code2 = es.Peek32();
    if (es.status != 1 || code2 < 0x101 || code2 > 0x1AF) {
      layer_ = 0;
      error = kMalformed;
      return kEndOfData;
    }
    es.Get32();
    if (ReadSliceHeader() != 1) {
      layer_ = 0;
      return kEndOfData;
    }
    layer_ = Base().priority_breakpoint == 1 ? 1 : 0;
  }
  mbaInc = GetMacroblockAddressIncrement();
  if (faultFlag_) {
    layer_ = 0;
    error = kMalformed;
    return 0;
  }
  int row = (sliceVerticalPositionExtension_ << 7) + int(code & 0xFF) - 1;
  mba = row * mb_width_ + mbaInc - 1;
  mbaInc = 1;
  dcPred_[0] = dcPred_[1] = dcPred_[2] = 0;
  memset(pmv_, 0, sizeof pmv_);
  layer_ = 0;
  return 1;
}

int CMpegPictureDecoder::ReadSliceHeader() {
  Layer& l = L();
  const MpegHeaderRecord& h = *l.header;
  sliceVerticalPositionExtension_ = l.mpeg2 && h.vertical_size > 2800 ? int(Get(3)) : 0;
  if (h.scalable_mode == kScalDataPartitioning) l.priority_breakpoint = int(Get(7));
  int code = int(Get(5));
  l.quantiser_scale = l.mpeg2 ? (h.q_scale_type ? kNonLinearQuantiserScale[code] : code << 1) : code;
  if (l.mpeg2) {
    if (Get(1)) {
      l.intra_slice = int(Get(1));
      Get(7);
      while (l.bits->status == 1 && Get(1)) Get(8);
    } else {
      l.intra_slice = 0;
    }
  } else {
    l.intra_slice = 0;
    while (l.bits->status == 1 && Get(1)) Get(8);
  }
  if (l.bits->status == 1) return 1;
  error = kReadError;
  return l.bits->status;
}

int CMpegPictureDecoder::DecodeSlice(int mbaMax, int& mba, int& mbaInc) {
  MacroblockState mb;
  int snrMba = 0, snrMbaInc = 0;
  bool dp = DataPartitioned();
  if (mba >= mbaMax) {
    // A slice below the picture: passed over, the picture goes on.
    error = kMalformed;
    return 0;
  }
  for (;;) {
    if (mba >= mbaMax) return -1;
    if (mbaInc == 0) {
      if (dp && Base().priority_breakpoint == 1) layer_ = 1;
      if (Show(23) == 0 || faultFlag_) {
        faultFlag_ = 0;
        error = kEndOfData;
        layer_ = 0;
        return 0;
      }
      mbaInc = GetMacroblockAddressIncrement();
      if (faultFlag_) {
        faultFlag_ = 0;
        error = kMalformed;
        layer_ = 0;
        return 0;
      }
      // An increment that leaves the picture ends it; nothing may land past the frame store.
      if (mba + mbaInc - 1 >= mbaMax) {
        layer_ = 0;
        return -1;
      }
    }
    if (mbaInc == 1) {
      if (DecodeMacroblock(mb) != 1) {
        faultFlag_ = 0;
        error = kMalformed;
        layer_ = 0;
        return 0;
      }
    } else {
      SkippedMacroblock(mb);
    }
    if (Snr()) DecodeSnrMacroblock(snrMba, snrMbaInc, mba, mbaMax, mb);
    MotionCompensation(mba, mb);
    ++mba;
    --mbaInc;
    if (Snr()) {
      ++snrMba;
      --snrMbaInc;
    }
    layer_ = 0;
  }
}

void CMpegPictureDecoder::MacroblockModes(MacroblockState& mb) {
  const MpegHeaderRecord& h = *L().header;
  mb.type = GetMacroblockType();
  if (faultFlag_) return;
  if (mb.type & kMbWeight) {
    int index = h.spatial_temporal_weight_code_table_index;
    mb.stwType = index == 0 ? 4 : kWeightCodeTable[index - 1][Get(2)];
  } else {
    mb.stwType = (mb.type & kMbClass4) ? 8 : 0;
  }
  mb.stwClass = kWeightClass[mb.stwType];
  bool frame = h.picture_structure == kFramePicture;
  if (mb.type & (kMbForward | kMbBackward)) {
    mb.motionType = frame && h.frame_pred_frame_dct ? kMcFrame : int(Get(2));
  } else if ((mb.type & kMbIntra) && h.concealment_motion_vectors) {
    mb.motionType = frame ? kMcFrame : kMcField;
  } else {
    mb.motionType = 0;
  }
  if (frame) {
    mb.mvCount = mb.motionType == kMcField && mb.stwClass < 2 ? 2 : 1;
    mb.mvFormat = mb.motionType == kMcFrame ? kMvFormatFrame : kMvFormatField;
  } else {
    mb.mvCount = mb.motionType == kMc16x8 ? 2 : 1;
    mb.mvFormat = kMvFormatField;
  }
  mb.dmv = mb.motionType == kMcDmv;
  mb.mvScale = mb.mvFormat == kMvFormatField && frame;
  mb.dctType = frame && !h.frame_pred_frame_dct && (mb.type & (kMbIntra | kMbPattern)) ? int(Get(1)) : 0;
}

int CMpegPictureDecoder::DecodeMacroblock(MacroblockState& mb) {
  bool dp = DataPartitioned();
  if (dp) layer_ = Base().priority_breakpoint < 3 ? 1 : 0;
  MacroblockModes(mb);
  if (faultFlag_) return 0;
  Layer& l = L();
  const MpegHeaderRecord& h = *l.header;
  if (mb.type & kMbQuant) {
    int code = int(Get(5));
    l.quantiser_scale = l.mpeg2 ? (h.q_scale_type ? kNonLinearQuantiserScale[code] : code << 1) : code;
    if (dp) Base().quantiser_scale = l.quantiser_scale;
  }
  bool intra = mb.type & kMbIntra;
  bool concealment = intra && h.concealment_motion_vectors;
  if ((mb.type & kMbForward) || concealment) {
    if (l.mpeg2) MotionVectors(0, mb, h.f_code[0][0] - 1, h.f_code[0][1] - 1);
    else
      MotionVector(pmv_[0][0], mb.dmvector, h.forward_f_code - 1, h.forward_f_code - 1, 0, 0,
                   h.full_pel_forward_vector);
    if (faultFlag_) return 0;
  }
  if (mb.type & kMbBackward) {
    if (l.mpeg2) MotionVectors(1, mb, h.f_code[1][0] - 1, h.f_code[1][1] - 1);
    else
      MotionVector(pmv_[0][1], mb.dmvector, h.backward_f_code - 1, h.backward_f_code - 1, 0, 0,
                   h.full_pel_backward_vector);
    if (faultFlag_) return 0;
  }
  if (concealment) Get(1);
  if (dp && Base().priority_breakpoint == 3) layer_ = 1;
  int cbp;
  if (mb.type & kMbPattern) {
    cbp = GetCodedBlockPattern();
  } else {
    cbp = intra ? (1 << blockCount_) - 1 : 0;
  }
  if (faultFlag_) return 0;
  Layer& target = dp ? Base() : L();
  mb.codedMask = mb.firstOnlyMask = 0;
  // Only coded blocks reach the picture, except that the two layers of a scalable stream sum
  // theirs; so the blocks of one layer are cleared only where they are coded.
  if (!twoLayers_ && target.mpeg2) {
    for (int comp = 0; comp < blockCount_; ++comp)
      if (cbp & (1 << (blockCount_ - 1 - comp))) mb.codedMask |= 1u << comp;
    for (uint32_t left = mb.codedMask; left; left &= left - 1) ClearBlock(target.block[__builtin_ctz(left)]);
    if (!(intra ? DecodeMpeg2Blocks<true>(target, mb.codedMask, mb.firstOnlyMask)
                : DecodeMpeg2Blocks<false>(target, mb.codedMask, mb.firstOnlyMask)))
      return 0;
  } else {
    for (int comp = 0; comp < blockCount_; ++comp) {
      const bool coded = cbp & (1 << (blockCount_ - 1 - comp));
      if (coded || twoLayers_) ClearBlock(target.block[comp]);
      if (!coded) continue;
      mb.codedMask |= 1u << comp;
      bool mpeg2 = dp ? Base().mpeg2 : L().mpeg2;
      if (intra) {
        if (mpeg2) DecodeMpeg2IntraBlock(comp);
        else DecodeMpeg1IntraBlock(comp);
      } else {
        if (mpeg2) DecodeMpeg2NonIntraBlock(comp);
        else DecodeMpeg1NonIntraBlock(comp);
      }
      if (faultFlag_) return 0;
    }
  }
  if (h.picture_coding_type == kPictureD) Get(1);
  if (!intra) dcPred_[0] = dcPred_[1] = dcPred_[2] = 0;
  if (intra && !h.concealment_motion_vectors) memset(pmv_, 0, sizeof pmv_);
  if (h.picture_coding_type == kPictureP && !(mb.type & (kMbForward | kMbIntra))) {
    pmv_[0][0][0] = pmv_[0][0][1] = pmv_[1][0][0] = pmv_[1][0][1] = 0;
    if (h.picture_structure == kFramePicture) {
      mb.motionType = kMcFrame;
    } else {
      mb.motionType = kMcField;
      mb.fieldSelect[0][0] = h.picture_structure == kBottomField;
    }
  }
  if (mb.stwClass == 4) memset(pmv_, 0, sizeof pmv_);
  return 1;
}

void CMpegPictureDecoder::SkippedMacroblock(MacroblockState& mb) {
  if (DataPartitioned()) layer_ = 0;
  const MpegHeaderRecord& h = *L().header;
  if (twoLayers_)
    for (int comp = 0; comp < blockCount_; ++comp) memset(L().block[comp], 0, sizeof L().block[comp]);
  mb.codedMask = mb.firstOnlyMask = 0;
  dcPred_[0] = dcPred_[1] = dcPred_[2] = 0;
  if (h.picture_coding_type == kPictureP) pmv_[0][0][0] = pmv_[0][0][1] = pmv_[1][0][0] = pmv_[1][0][1] = 0;
  if (h.picture_structure == kFramePicture) {
    mb.motionType = kMcFrame;
  } else {
    mb.motionType = kMcField;
    int bottom = h.picture_structure == kBottomField;
    mb.fieldSelect[0][0] = mb.fieldSelect[0][1] = mb.fieldSelect[1][0] = mb.fieldSelect[1][1] = bottom;
  }
  mb.stwType = h.picture_coding_type == kPictureI ? 8 : 0;
  mb.stwClass = kWeightClass[mb.stwType];
  mb.type &= ~kMbIntra;
  mb.dctType = 0;
}

void CMpegPictureDecoder::DecodeSnrMacroblock(int& snrMba, int& snrMbaInc, int mba, int mbaMax, MacroblockState& mb) {
  layer_ = 1;
  Layer& e = layers_[1];
  CMpegBitSource& es = *e.bits;
  auto exit = [&] { layer_ = 0; };
  if (snrMbaInc == 0) {
    if (Show(23) == 0) {
      es.NextStartCode();
      uint32_t code = es.Peek32();
      if (es.status != 1 || code < 0x101 || code > 0x1AF) return exit();
      es.Get32();
      if (ReadSliceHeader() != 1) return exit();
      snrMbaInc = GetMacroblockAddressIncrement();
      if (faultFlag_) return exit();
      snrMba = ((sliceVerticalPositionExtension_ << 7) + int(code & 0xFF) - 1) * mb_width_ + snrMbaInc - 1;
      snrMbaInc = 1;
    } else {
      if (snrMba >= mbaMax) return exit();
      snrMbaInc = GetMacroblockAddressIncrement();
      if (faultFlag_) return exit();
    }
  }
  if (snrMba != mba) {
    error = kLayerMismatch;
    return exit();
  }
  for (int comp = 0; comp < blockCount_; ++comp) memset(e.block[comp], 0, sizeof e.block[comp]);
  if (snrMbaInc == 1) {
    const MpegHeaderRecord& h = *e.header;
    int type = GetMacroblockType();
    if (faultFlag_) return exit();
    if (type & kMbWeight) {
      int index = h.spatial_temporal_weight_code_table_index;
      if (index) Get(2);
    }
    bool frame = h.picture_structure == kFramePicture;
    if (type & (kMbForward | kMbBackward)) {
      if (!(frame && h.frame_pred_frame_dct)) Get(2);
    }
    int dctType = frame && !h.frame_pred_frame_dct && (type & (kMbIntra | kMbPattern)) ? int(Get(1)) : 0;
    if (type & kMbPattern) mb.dctType = dctType;
    if (type & kMbQuant) {
      int code = int(Get(5));
      e.quantiser_scale = h.q_scale_type ? kNonLinearQuantiserScale[code] : code << 1;
    }
    int cbp = type & kMbPattern ? GetCodedBlockPattern() : 0;
    if (faultFlag_) return exit();
    for (int comp = 0; comp < blockCount_; ++comp) {
      if (!(cbp & (1 << (blockCount_ - 1 - comp)))) continue;
      mb.codedMask |= 1u << comp;
      DecodeMpeg2NonIntraBlock(comp);
      if (faultFlag_) return exit();
    }
  }
  exit();
}

void CMpegPictureDecoder::MotionCompensation(int mba, const MacroblockState& mb) {
  int bx = 16 * (mba % mb_width_);
  int by = 16 * (mba / mb_width_);
  bool intra = mb.type & kMbIntra;
  if (!intra) FormPredictions(bx, by, mb);
  if (DataPartitioned()) layer_ = 0;
  // A block without coefficients adds nothing to its prediction.
  const uint32_t blocks = intra ? (1u << blockCount_) - 1 : mb.codedMask;
  if (!blocks) return;
  // All that the blocks share is read once: as far as the compiler knows, the kernels may
  // change anything they can reach.
  const bool snr = Snr();
  Layer& l = L();
  const bool saturate = snr || l.mpeg2;
  const BlockOps& ops = *ops_;
  // The transforms clip to -256..255, so the kernels' clipping to 0..255 is the whole of it.
  void (*const reconstruct)(int16_t*, uint8_t*, int) =
      saturate ? (intra ? ops.saturatedIdctPut : ops.saturatedIdctAdd) : (intra ? ops.idctPut : ops.idctAdd);
  // Only the one-layer MPEG-2 blocks, which are saturated, are marked.
  void (*const firstOnly)(int16_t*, uint8_t*, int) = intra ? ops.saturatedFirstOnlyPut : ops.saturatedFirstOnlyAdd;
  const MpegHeaderRecord& h = *Base().header;
  const bool frame = h.picture_structure == kFramePicture;
  const int cf = seq_.chroma_format;
  const int widths[3] = {codedWidth_, chromaWidth_, chromaWidth_};
  uint8_t* bases[3] = {curBase_[0], curBase_[1], curBase_[2]};
  if (!frame && h.picture_structure == kBottomField)
    for (int cc = 0; cc < 3; ++cc) bases[cc] += widths[cc];
  for (uint32_t left = blocks; left; left &= left - 1) {
    const int comp = __builtin_ctz(left);
    int16_t* block = l.block[comp];
    if (snr) SumBlock(comp);
    // Where the block's samples go: its first sample and the distance between its lines.
    const int cc = comp < 4 ? 0 : 1 + (comp & 1);
    const int W = widths[cc];
    int x = bx, y = by;
    if (cc == 0) {
      x += 8 * (comp & 1);
    } else {
      if (cf != 3) x >>= 1;
      if (cf == 1) y >>= 1;
      x += comp & 8;
    }
    const int lower = (comp & 2) >> 1;  // the block sits in the lower half of the macroblock
    int step;
    uint8_t* at = bases[cc];
    if (!frame) {
      // A field's lines are every other line of the frame store.
      step = 2 * W;
      at += size_t(y + 8 * lower) * 2 * W + x;
    } else if (mb.dctType && (cc == 0 || cf != 1)) {
      // Field transform: the block holds every other line of the macroblock.
      step = 2 * W;
      at += size_t(y + lower) * W + x;
    } else {
      step = W;
      at += size_t(y + 8 * lower) * W + x;
    }
    if (!fastIdct_) {
      if (saturate) ops.saturate(block);
      ReferenceIdct(block);
      (intra ? ops.putBlock : ops.addBlock)(block, at, step);
    } else {
      (mb.firstOnlyMask >> comp & 1 ? firstOnly : reconstruct)(block, at, step);
    }
  }
}

void CMpegPictureDecoder::SumBlock(int comp) {
  int16_t* base = layers_[0].block[comp];
  const int16_t* enh = layers_[1].block[comp];
  for (int i = 0; i < 64; ++i) base[i] = int16_t(base[i] + enh[i]);
}

void CMpegPictureDecoder::Saturate(int16_t* block) {
  int sum = 0;
  for (int i = 0; i < 64; ++i) {
    int v = block[i];
    if (v > 2047) v = 2047;
    else if (v < -2048) v = -2048;
    block[i] = int16_t(v);
    sum += v;
  }
  if ((sum & 1) == 0) block[63] ^= 1;
}
