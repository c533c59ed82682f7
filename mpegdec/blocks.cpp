// Variable-length codes, motion vectors and coefficient blocks.
#include <cstring>

#include "mpegdec/mpeg_tables.h"
#include "mpegdec/picture_decoder.h"
#include "mpegdec/stream_reader.h"
#include "mpegdec/vlc_tables.h"

using namespace mpegdec;

int CMpegPictureDecoder::GetIMacroblockType() {
  if (Show(1)) {
    Skip(1);
    return 1;
  }
  if (Show(2) == 1) {
    Skip(2);
    return 0x11;
  }
  faultFlag_ = 1;
  return 0x11;
}

int CMpegPictureDecoder::GetMacroblockType() {
  const VlcTables& t = vlc_;
  const MpegHeaderRecord& h = *L().header;
  int type = 0;
  auto lookup = [&](const VlcTable& table) {
    const VlcEntry& e = table[Show(table.bits)];
    if (!e.length) {
      faultFlag_ = 1;
      return 0;
    }
    Skip(e.length);
    return int(e.value);
  };
  if (h.scalable_mode == kScalSnr) {
    type = lookup(t.snrMacroblockType);
  } else if (h.seenPictureSpatialScalableExtension && h.picture_coding_type >= kPictureI &&
             h.picture_coding_type <= kPictureB) {
    // Spatially scalable pictures are refused before their slices are read.
    faultFlag_ = 1;
    type = 0;
  } else {
    switch (h.picture_coding_type) {
      case kPictureI: type = GetIMacroblockType(); break;
      case kPictureP: type = lookup(t.pMacroblockType); break;
      case kPictureB: type = lookup(t.bMacroblockType); break;
      case kPictureD:
        if (Show(1)) {
          Skip(1);
        } else {
          faultFlag_ = 1;
        }
        type = 1;
        break;
      default: faultFlag_ = 1; break;
    }
  }
  L().macroblockType = type;
  return type;
}

int CMpegPictureDecoder::GetMacroblockAddressIncrement() {
  const VlcTable& t = vlc_.macroblockAddressIncrement;
  int value = 0;
  for (;;) {
    const VlcEntry& e = t[Show(11)];
    if (!e.length) {
      faultFlag_ = 1;
      return 1;
    }
    Skip(e.length);
    if (e.value == kMbaStuffing) continue;
    if (e.value == kMbaEscape) {
      value += 33;
      // Nothing legal needs more escapes than a picture has macroblocks.
      if (value > mbCount_ + 33) {
        faultFlag_ = 1;
        return 1;
      }
      continue;
    }
    return value + e.value;
  }
}

int CMpegPictureDecoder::GetCodedBlockPattern() {
  const VlcEntry& e = vlc_.codedBlockPattern[Show(9)];
  int cbp = 0;
  if (!e.length) {
    faultFlag_ = 1;
  } else {
    Skip(e.length);
    cbp = e.value;
  }
  // 4:2:2 and 4:4:4 add the bits of their further chroma blocks.
  if (seq_.chroma_format == 2) cbp = (cbp << 2) | int(Get(2));
  else if (seq_.chroma_format == 3) cbp = (cbp << 6) | int(Get(6));
  return cbp;
}

int CMpegPictureDecoder::GetMotionCode() {
  if (Show(1)) {
    Skip(1);
    return 0;
  }
  const VlcEntry& e = vlc_.motionCode[Show(10)];
  if (!e.length) {
    faultFlag_ = 1;
    return 0;
  }
  Skip(e.length);
  return Get(1) ? -e.value : e.value;
}

int CMpegPictureDecoder::GetDmVector() {
  if (!Show(1)) {
    Skip(1);
    return 0;
  }
  int v = int(Show(2));
  Skip(2);
  return v == 2 ? 1 : -1;
}

void CMpegPictureDecoder::DecodeMotionVector(int* pred, int rSize, int motionCode, int residual, int fullPel) {
  int lim = 16 << rSize;
  int vec = fullPel ? (*pred >> 1) : *pred;
  if (motionCode > 0) {
    vec += ((motionCode - 1) << rSize) + residual + 1;
    if (vec >= lim) vec -= lim + lim;
  } else if (motionCode < 0) {
    vec -= ((-motionCode - 1) << rSize) + residual + 1;
    if (vec < -lim) vec += lim + lim;
  }
  *pred = fullPel ? vec * 2 : vec;
}

void CMpegPictureDecoder::MotionVector(int* pmv, int* dmvector, int hrSize, int vrSize, int dmv, int mvScale,
                                       int fullPel) {
  int code = GetMotionCode();
  int residual = hrSize != 0 && code != 0 ? int(Get(hrSize)) : 0;
  DecodeMotionVector(&pmv[0], hrSize, code, residual, fullPel);
  if (dmv) dmvector[0] = GetDmVector();
  code = GetMotionCode();
  residual = vrSize != 0 && code != 0 ? int(Get(vrSize)) : 0;
  if (mvScale) pmv[1] >>= 1;
  DecodeMotionVector(&pmv[1], vrSize, code, residual, fullPel);
  if (mvScale) pmv[1] *= 2;
  if (dmv) dmvector[1] = GetDmVector();
}

void CMpegPictureDecoder::MotionVectors(int s, MacroblockState& mb, int hrSize, int vrSize) {
  if (mb.mvCount == 1) {
    if (mb.mvFormat == 0 && !mb.dmv) mb.fieldSelect[1][s] = mb.fieldSelect[0][s] = int(Get(1));
    MotionVector(pmv_[0][s], mb.dmvector, hrSize, vrSize, mb.dmv, mb.mvScale, 0);
    pmv_[1][s][0] = pmv_[0][s][0];
    pmv_[1][s][1] = pmv_[0][s][1];
  } else {
    mb.fieldSelect[0][s] = int(Get(1));
    MotionVector(pmv_[0][s], mb.dmvector, hrSize, vrSize, mb.dmv, mb.mvScale, 0);
    mb.fieldSelect[1][s] = int(Get(1));
    MotionVector(pmv_[1][s], mb.dmvector, hrSize, vrSize, mb.dmv, mb.mvScale, 0);
  }
}

void CMpegPictureDecoder::DualPrimeArithmetic(int out[2][2], const int* dmvector, int mvx, int mvy) {
  const MpegHeaderRecord& h = *Base().header;
  auto half = [](int v) { return (v + (v > 0)) >> 1; };
  auto threeHalves = [](int v) { return (3 * v + (v > 0)) >> 1; };
  if (h.picture_structure == kFramePicture) {
    if (h.top_field_first) {
      out[0][0] = half(mvx) + dmvector[0];
      out[0][1] = half(mvy) + dmvector[1] - 1;
      out[1][0] = threeHalves(mvx) + dmvector[0];
      out[1][1] = threeHalves(mvy) + dmvector[1] + 1;
    } else {
      out[0][0] = threeHalves(mvx) + dmvector[0];
      out[0][1] = threeHalves(mvy) + dmvector[1] - 1;
      out[1][0] = half(mvx) + dmvector[0];
      out[1][1] = half(mvy) + dmvector[1] + 1;
    }
  } else {
    out[0][0] = half(mvx) + dmvector[0];
    out[0][1] = half(mvy) + dmvector[1];
    out[0][1] += h.picture_structure == kTopField ? -1 : 1;
  }
}

// Data partitioning: the codes of a block move to the enhancement layer at the breakpoint.
void CMpegPictureDecoder::StartPartitionedBlock() {
  if (DataPartitioned()) layer_ = Base().priority_breakpoint < 64 ? 1 : 0;
}

void CMpegPictureDecoder::CountPartitionedCoefficient(int& count) {
  if (!DataPartitioned()) return;
  ++count;
  if (count == Base().priority_breakpoint - 63) layer_ = 1;
}

// The bits of the layer a block is read from, through the ring's checks: the layer may change
// within a block when the stream is data partitioned.
struct CMpegPictureDecoder::LayerBits {
  static constexpr bool kMayBePartitioned = true;
  CMpegPictureDecoder& d;
  void Fill() {}
  uint32_t Show(int n) { return d.Show(n); }
  void Skip(int n) { d.Skip(n); }
  uint32_t Get(int n) { return d.Get(n); }
  int SkipThenSign(int n) {
    d.Skip(n);
    return -int(d.Get(1));
  }
};

// The bits of a block that lies whole in one piece of the ring, held in a 64-bit word: a code
// comes from shifts of a register, and a load refills the word only when fewer than 32 bits are
// left in it, which is every few codes. Between two fills a reader takes at most 32 bits.
struct CMpegPictureDecoder::WordBits {
  static constexpr bool kMayBePartitioned = false;  // partitioned blocks go through LayerBits
  const uint8_t* p;
  uint32_t pos;       // bits read from p
  uint64_t word;      // the bits from pos on, the next one highest
  uint32_t refillAt;  // past this pos fewer than 32 of them are valid
  WordBits(const uint8_t* bytes, uint32_t bitPos) : p(bytes), pos(bitPos) { Load(); }
  void Load() {
    uint64_t w;
    std::memcpy(&w, p + (pos >> 3), 8);
    word = __builtin_bswap64(w) << (pos & 7);
    refillAt = (pos & ~7u) + 32;
  }
  void Fill() {
    if (pos > refillAt) Load();
  }
  uint32_t Show(int n) const { return uint32_t(word >> (64 - n)); }
  void Skip(int n) {
    word <<= n;
    pos += uint32_t(n);
  }
  uint32_t Get(int n) {
    uint32_t v = Show(n);
    Skip(n);
    return v;
  }
  // Skips n bits and reads the sign bit after them: -1 for a negative value, else 0.
  int SkipThenSign(int n) {
    const int sign = int(int64_t(word << n) >> 63);
    Skip(n + 1);
    return sign;
  }
};

// The coefficient loop of all four block kinds, one instance each so the choices cost nothing
// per code: kMpeg2 picks the escape format, the arithmetic and partitioning, kIntra the first
// position (after the DC term) and the quantiser arithmetic. Returns the scan position after
// the last coefficient, so that 1 or less leaves only the first; anything on a fault.
template <bool kMpeg2, bool kIntra, typename Bits>
int CMpegPictureDecoder::DecodeCoefficientsFrom(Bits& bits, int16_t* block, const DctTable& table,
                                                const ScanOrder& scan, const uint8_t* matrix, int scale) {
  const uint8_t* const raster = scan.raster;
  const uint8_t* const place = scan.place;
  int count = 0;
  // sign is -1 for a negative coefficient, else 0.
  auto store = [&](int i, int level, int sign) {
    const int m = matrix[raster[i]];
    if constexpr (kMpeg2) {
      int v = kIntra ? (level * scale * m) >> 4 : ((2 * level + 1) * scale * m) >> 5;
      if (v > 2048) v = 2048;  // saturation clamps it anyway; keeps the 16-bit store exact
      block[place[i]] = int16_t((v ^ sign) - sign);
      if constexpr (Bits::kMayBePartitioned) CountPartitionedCoefficient(count);
    } else {
      int v = kIntra ? (level * scale * m) >> 3 : ((2 * level + 1) * scale * m) >> 4;
      if (v && !(v & 1)) --v;  // oddification
      v = (v ^ sign) - sign;
      block[place[i]] = int16_t(v > 2047 ? 2047 : v < -2048 ? -2048 : v);
    }
  };
  int i = kIntra ? 1 : 0;
  if constexpr (!kIntra) {
    // The first coefficient of a non-intra block has a short code of its own.
    bits.Fill();
    if (bits.Show(1)) {
      store(0, 1, bits.SkipThenSign(1));
      i = 1;
    }
  }
  for (;; ++i) {
    bits.Fill();  // a code, its sign or escape: at most 28 bits
    const DctEntry& e = table.Lookup(bits.Show(16));
    int run, level, sign;
    if (e.run < kDctEndOfBlock) [[likely]] {
      sign = bits.SkipThenSign(e.length);
      run = e.run;
      level = e.level;
    } else if (e.run == kDctEndOfBlock) {
      bits.Skip(e.length);
      return i;
    } else if (e.run == kDctEscape) {
      bits.Skip(6);
      run = int(bits.Get(6));
      if constexpr (kMpeg2) {
        int v = int(bits.Get(12));
        if ((v & 2047) == 0) {
          faultFlag_ = 1;
          return 64;
        }
        sign = v >= 2048 ? -1 : 0;
        level = sign ? 4096 - v : v;
      } else {
        int v = int(bits.Get(8));
        if (v == 0) v = int(bits.Get(8));
        else if (v == 128) v = int(bits.Get(8)) - 256;
        else if (v > 128) v -= 256;
        sign = v < 0 ? -1 : 0;
        level = sign ? -v : v;
      }
    } else {
      faultFlag_ = 1;
      return 64;
    }
    i += run;
    if (i >= 64) {
      faultFlag_ = 1;
      return 64;
    }
    store(i, level, sign);
  }
}

// No block takes more than 65 codes of at most 28 bits (an MPEG-1 escape), 228 bytes, after a
// DC term of at most 21 bits; the last load reads 8 more.
constexpr int kLongestBlockBytes = 240;

// `before` reads what precedes the coefficients (an intra DC term) from the same bits.
template <bool kMpeg2, bool kIntra, typename Before>
void CMpegPictureDecoder::DecodeCoefficients(int16_t* block, const DctTable& table, const ScanOrder& scan,
                                             const uint8_t* matrix, int scale, Before before) {
  CMpegBitSource& source = *L().bits;
  const bool partitioned = DataPartitioned();
  if (!partitioned) source.ReadAhead(kLongestBlockBytes);
  const uint8_t* ahead = partitioned ? nullptr : source.Contiguous(kLongestBlockBytes);
  if (ahead) {
    WordBits bits{ahead, source.BitPos()};
    before(bits);
    DecodeCoefficientsFrom<kMpeg2, kIntra>(bits, block, table, scan, matrix, scale);
    source.Consume(int(bits.pos - source.BitPos()));
    return;
  }
  LayerBits bits{*this};
  before(bits);
  DecodeCoefficientsFrom<kMpeg2, kIntra>(bits, block, table, scan, matrix, scale);
}

template <typename Bits>
int CMpegPictureDecoder::DcDiff(Bits& bits, const VlcTable& sizes) {
  bits.Fill();  // a size code and its bits: at most 21
  const VlcEntry& e = sizes[bits.Show(sizes.bits)];
  bits.Skip(e.length);
  int size = e.value;
  if (size == 0) return 0;
  int v = int(bits.Get(size));
  if (!(v & (1 << (size - 1)))) v -= (1 << size) - 1;
  return v;
}

namespace {
const auto kNothingBefore = [](auto&) {};
}  // namespace

int CMpegPictureDecoder::GetDcDctDiff(const VlcTable& sizes) {
  LayerBits bits{*this};
  return DcDiff(bits, sizes);
}

int CMpegPictureDecoder::GetLumaDcDctDiff() { return GetDcDctDiff(vlc_.dcSizeLuma); }

int CMpegPictureDecoder::GetChromaDcDctDiff() { return GetDcDctDiff(vlc_.dcSizeChroma); }

void CMpegPictureDecoder::DecodeMpeg1IntraBlock(int comp) {
  Layer& dst = DataPartitioned() ? Base() : L();
  const MpegHeaderRecord& h = *dst.header;
  int16_t* block = dst.block[comp];
  int cc = comp < 4 ? 0 : 1 + (comp & 1);
  dcPred_[cc] += cc == 0 ? GetLumaDcDctDiff() : GetChromaDcDctDiff();
  block[scans_[0].place[0]] = int16_t(dcPred_[cc] * 8);
  if (h.picture_coding_type == kPictureD) return;
  DecodeCoefficients<false, true>(block, vlc_.dctB14, scans_[0], h.intra_quantiser_matrix, dst.quantiser_scale,
                                  kNothingBefore);
}

void CMpegPictureDecoder::DecodeMpeg1NonIntraBlock(int comp) {
  Layer& dst = DataPartitioned() ? Base() : L();
  DecodeCoefficients<false, false>(dst.block[comp], vlc_.dctB14, scans_[0], dst.header->non_intra_quantiser_matrix,
                                   dst.quantiser_scale, kNothingBefore);
}

// A block's quantiser matrix: 4:2:0 chroma takes the luma one.
static const uint8_t* QuantiserMatrix(const MpegHeaderRecord& h, int chromaFormat, int comp, bool intra) {
  const bool luma = comp < 4 || chromaFormat == 1;
  if (intra) return luma ? h.intra_quantiser_matrix : h.chroma_intra_quantiser_matrix;
  return luma ? h.non_intra_quantiser_matrix : h.chroma_non_intra_quantiser_matrix;
}

void CMpegPictureDecoder::DecodeMpeg2IntraBlock(int comp) {
  Layer& dst = DataPartitioned() ? Base() : L();
  const MpegHeaderRecord& h = *dst.header;
  int16_t* block = dst.block[comp];
  int cc = comp < 4 ? 0 : 1 + (comp & 1);
  StartPartitionedBlock();
  const VlcTables& t = vlc_;
  const uint8_t* matrix = QuantiserMatrix(h, seq_.chroma_format, comp, true);
  // The DC term is read with the same bits as the coefficients after it.
  const ScanOrder& scan = Scan(h);
  DecodeCoefficients<true, true>(block, h.intra_vlc_format ? t.dctB15 : t.dctB14, scan, matrix, dst.quantiser_scale,
                                 [&](auto& bits) {
                                   dcPred_[cc] += DcDiff(bits, cc == 0 ? t.dcSizeLuma : t.dcSizeChroma);
                                   block[scan.place[0]] = int16_t(dcPred_[cc] << (3 - h.intra_dc_precision));
                                 });
}

void CMpegPictureDecoder::DecodeMpeg2NonIntraBlock(int comp) {
  Layer& dst = DataPartitioned() ? Base() : L();
  const MpegHeaderRecord& h = *dst.header;
  StartPartitionedBlock();
  const uint8_t* matrix = QuantiserMatrix(h, seq_.chroma_format, comp, false);
  DecodeCoefficients<true, false>(dst.block[comp], vlc_.dctB14, Scan(h), matrix, dst.quantiser_scale, kNothingBefore);
}

// What the blocks share is read once, and one word of bits goes from block to block while the
// ring holds the longest block in one piece after it: a block of a few codes costs less than
// finding its bits anew.
template <bool kIntra>
bool CMpegPictureDecoder::DecodeMpeg2Blocks(Layer& l, uint32_t coded, uint32_t& firstOnly) {
  const MpegHeaderRecord& h = *l.header;
  const VlcTables& t = vlc_;
  const DctTable& table = kIntra && h.intra_vlc_format ? t.dctB15 : t.dctB14;
  const ScanOrder& scan = Scan(h);
  const int scale = l.quantiser_scale;
  const uint8_t* const lumaMatrix = QuantiserMatrix(h, seq_.chroma_format, 0, kIntra);
  const uint8_t* const chromaMatrix = QuantiserMatrix(h, seq_.chroma_format, 4, kIntra);
  const int dcShift = 3 - h.intra_dc_precision;
  CMpegBitSource& source = *l.bits;
  for (uint32_t left = coded; left;) {
    source.ReadAhead(kLongestBlockBytes);
    int length = 0;
    const uint8_t* bytes = source.Contiguous(kLongestBlockBytes, length);
    if (!bytes) {
      // Near the end of the data: one block through the checked reads.
      const int comp = __builtin_ctz(left);
      left &= left - 1;
      if (kIntra) DecodeMpeg2IntraBlock(comp);
      else DecodeMpeg2NonIntraBlock(comp);
      if (faultFlag_) return false;
      continue;
    }
    WordBits bits{bytes, source.BitPos()};
    // A block may start while the longest one fits before the end of the piece.
    const uint32_t lastStart = uint32_t(length - kLongestBlockBytes) * 8 + 7;
    do {
      const int comp = __builtin_ctz(left);
      left &= left - 1;
      int16_t* block = l.block[comp];
      if constexpr (kIntra) {
        const int cc = comp < 4 ? 0 : 1 + (comp & 1);
        dcPred_[cc] += DcDiff(bits, cc == 0 ? t.dcSizeLuma : t.dcSizeChroma);
        block[scan.place[0]] = int16_t(dcPred_[cc] << dcShift);
      }
      const int end =
          DecodeCoefficientsFrom<true, kIntra>(bits, block, table, scan, comp < 4 ? lumaMatrix : chromaMatrix, scale);
      if (end <= 1) firstOnly |= 1u << comp;
    } while (left && !faultFlag_ && bits.pos <= lastStart);
    source.Consume(int(bits.pos - source.BitPos()));
    if (faultFlag_) return false;
  }
  return true;
}

template bool CMpegPictureDecoder::DecodeMpeg2Blocks<true>(Layer& l, uint32_t coded, uint32_t& firstOnly);
template bool CMpegPictureDecoder::DecodeMpeg2Blocks<false>(Layer& l, uint32_t coded, uint32_t& firstOnly);
