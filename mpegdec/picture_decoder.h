#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "mpegdec/bit_source.h"
#include "mpegdec/header_record.h"

class CMpegStreamReader;
namespace mpegdec {
struct BlockOps;
struct RowOps;
struct VlcTable;
struct DctTable;
struct VlcTables;
}  // namespace mpegdec

// Output formats of DecodeToRgb.
enum MpegOutputFormat {
  kOutputLuma = 0,
  kOutputCb = 1,
  kOutputCr = 2,
  kOutputBitmap = 5,
  kOutputTarga = 6,
  kOutputPacked422 = 7,
  kOutputPixmap = 8,
};

// Decodes the picture the base reader stands on into its frame stores and converts the
// display picture into the caller's buffer.
class CMpegPictureDecoder {
 public:
  CMpegPictureDecoder();
  ~CMpegPictureDecoder();
  CMpegPictureDecoder(const CMpegPictureDecoder&) = delete;
  CMpegPictureDecoder& operator=(const CMpegPictureDecoder&) = delete;

  int Init(CMpegStreamReader* base, CMpegStreamReader* enhancement);
  void Reset();
  int Prepare();
  int DecodeToRgb(uint8_t* out, uint16_t* width, uint16_t* height, int format);
  // Bytes DecodeToRgb writes for a format, from the sizes fixed at Init; 0 for an unknown format.
  int64_t OutputSize(int format) const;
  // The display picture as a width x height 24-bit bitmap image (54-byte header, bottom-up rows):
  // each pixel the colour of the picture's mean Y, Cb and Cr over the pixels a shrink of the full
  // bitmap would average into it, made without converting the full picture. Bytes written, or 0.
  int DecodeToThumbnail(uint8_t* out, int width, int height);

  // Points the current frame at the store the reader's current picture goes to. With
  // rotateReferences the reference stores turn over before an I or P picture, as a decoder
  // that steps through the stream does; the first picture of an open decoder goes without.
  void SelectCurrentFrame(bool rotateReferences);
  // The planes of the picture decoded last (0 luma, 1 Cb, 2 Cr) and their geometry.
  const uint8_t* CurrentPlane(int cc) const { return curBase_[cc]; }
  int CodedWidth() const { return codedWidth_; }
  int CodedHeight() const { return codedHeight_; }
  int ChromaWidth() const { return chromaWidth_; }
  int ChromaHeight() const { return chromaHeight_; }

  int error = -127;

  // The block kernels the decode loop uses; the processor's fastest unless a test picks others.
  void UseBlockOps(const mpegdec::BlockOps& ops) {
    ops_ = &ops;
    PlaceCoefficients();
  }
  // The row kernels of the picture output, chosen alike.
  void UseRowOps(const mpegdec::RowOps& ops) { rowOps_ = &ops; }

  // Inverse transforms and prediction pieces, public for their tests.
  static void FastIdct(int16_t* block);
  static void ReferenceIdct(int16_t* block);
  static void Saturate(int16_t* block);
  // Without ops they use the processor's fastest row kernels.
  static void UpsampleVertical(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst, bool interlaced,
                               const mpegdec::RowOps* ops = nullptr);
  static void UpsampleHorizontal(const uint8_t* src, int width, int rows, int srcStride, uint8_t* dst, bool mpeg2,
                                 const mpegdec::RowOps* ops = nullptr);

 private:
  struct Layer {
    CMpegStreamReader* reader = nullptr;
    CMpegBitSource* bits = nullptr;
    MpegHeaderRecord* header = nullptr;
    uint8_t* secondField = nullptr;
    uint8_t mpeg2 = 0;
    int quantiser_scale = 0;
    int priority_breakpoint = 0;
    int intra_slice = 0;
    int macroblockType = 0;
    alignas(16) int16_t block[12][64];
  };
  struct MacroblockState {
    int type = 0;
    int stwType = 0;
    int stwClass = 0;
    int motionType = 0;
    int mvCount = 0;
    int mvFormat = 0;
    int dmv = 0;
    int mvScale = 0;
    int dctType = 0;
    int dmvector[2] = {0, 0};
    int fieldSelect[2][2] = {{0, 0}, {0, 0}};
    uint32_t codedMask = 0;
    uint32_t firstOnlyMask = 0;  // coded blocks with only a first coefficient, of one-layer MPEG-2
  };
  // What the first sequence header said; later headers cannot resize the planes.
  struct FrozenSequence {
    int horizontal_size = 0;
    int vertical_size = 0;
    int chroma_format = 1;
    int progressive_sequence = 1;
    int mpeg2 = 0;
  };

  void ReadyStore(int store);
  void ReadyAllStores();
  int DecodeOnePicture();
  bool CheckMotionCodes();
  void DecodePictureData();
  int StartSlice(int& mba, int& mbaInc);
  int ReadSliceHeader();
  int DecodeSlice(int mbaMax, int& mba, int& mbaInc);
  int DecodeMacroblock(MacroblockState& mb);
  void MacroblockModes(MacroblockState& mb);
  void SkippedMacroblock(MacroblockState& mb);
  void DecodeSnrMacroblock(int& snrMba, int& snrMbaInc, int mba, int mbaMax, MacroblockState& mb);
  void MotionCompensation(int mba, const MacroblockState& mb);
  void SumBlock(int comp);

  // Variable-length and block decoding.
  uint32_t Show(int n) { return layers_[layer_].bits->ShowBits(n); }
  void Skip(int n) { layers_[layer_].bits->Consume(n); }
  uint32_t Get(int n) { return layers_[layer_].bits->GetBits(n); }
  int GetMacroblockType();
  int GetIMacroblockType();
  int GetMacroblockAddressIncrement();
  int GetCodedBlockPattern();
  int GetMotionCode();
  int GetDmVector();
  int GetLumaDcDctDiff();
  int GetChromaDcDctDiff();
  int GetDcDctDiff(const mpegdec::VlcTable& sizes);
  void MotionVectors(int s, MacroblockState& mb, int hrSize, int vrSize);
  void MotionVector(int* pmv, int* dmvector, int hrSize, int vrSize, int dmv, int mvScale, int fullPel);
  static void DecodeMotionVector(int* pred, int rSize, int motionCode, int residual, int fullPel);
  void DualPrimeArithmetic(int dmvOut[2][2], const int* dmvector, int mvx, int mvy);
  void DecodeMpeg1IntraBlock(int comp);
  void DecodeMpeg1NonIntraBlock(int comp);
  void DecodeMpeg2IntraBlock(int comp);
  void DecodeMpeg2NonIntraBlock(int comp);
  // The coded blocks (bit comp of `coded`) of a macroblock of a one-layer MPEG-2 stream, cleared
  // before; false on a fault. The bits of firstOnly mark blocks whose only coefficient is the first.
  template <bool kIntra>
  bool DecodeMpeg2Blocks(Layer& l, uint32_t coded, uint32_t& firstOnly);
  // A scan and where its coefficients go in the blocks the transforms take.
  struct ScanOrder {
    const uint8_t* raster;  // scan position -> raster index, for the quantiser matrices
    uint8_t place[64];      // scan position -> place in the block
  };
  void PlaceCoefficients();
  const ScanOrder& Scan(const MpegHeaderRecord& h) const { return scans_[h.alternate_scan ? 1 : 0]; }
  template <bool kMpeg2, bool kIntra, typename Before>
  void DecodeCoefficients(int16_t* block, const mpegdec::DctTable& table, const ScanOrder& scan, const uint8_t* matrix,
                          int scale, Before before);
  template <typename Bits>
  __attribute__((always_inline)) inline int DcDiff(Bits& bits, const mpegdec::VlcTable& sizes);
  struct LayerBits;
  struct WordBits;
  template <bool kMpeg2, bool kIntra, typename Bits>
  __attribute__((always_inline)) inline int DecodeCoefficientsFrom(Bits& bits, int16_t* block,
                                                                   const mpegdec::DctTable& table,
                                                                   const ScanOrder& scan, const uint8_t* matrix,
                                                                   int scale);
  __attribute__((always_inline)) inline void StartPartitionedBlock();
  void CountPartitionedCoefficient(int& count);

  // Prediction.
  void FormPredictions(int bx, int by, const MacroblockState& mb);
  void FormPrediction(uint8_t* const* src, int sfield, int dfield, int lx, int lx2, int w, int h, int x, int y, int dx,
                      int dy, bool average);

  // Output.
  int ConvertPlane(uint8_t* out, uint16_t* width, uint16_t* height, int cc);
  int ConvertImage(uint8_t* out, uint16_t* width, uint16_t* height, int format);
  bool EnsureConversionBuffer(int i, int64_t size);

  Layer& L() { return layers_[layer_]; }
  Layer& Base() { return layers_[0]; }
  const Layer& Base() const { return layers_[0]; }
  bool DataPartitioned() const { return twoLayers_ && layers_[0].header->scalable_mode == kScalDataPartitioning; }
  bool Snr() const { return twoLayers_ && layers_[1].header->scalable_mode == kScalSnr; }

  int layer_ = 0;
  uint8_t twoLayers_ = 0;
  Layer layers_[2];
  FrozenSequence seq_;
  std::unique_ptr<uint8_t[]> stores_[3][3];  // [store][component]
  size_t storeLuma_ = 0, storeChroma_ = 0;   // what a store's planes hold, at least the coded sizes
  bool storeReady_[3] = {false, false, false};
  uint8_t* forward_[3] = {};
  uint8_t* backward_[3] = {};
  uint8_t* auxiliary_[3] = {};
  uint8_t* curBase_[3] = {};
  std::unique_ptr<uint8_t[]> conv_[3];
  int64_t convSize_[3] = {0, 0, 0};
  int mb_width_ = 0;
  int mb_height_ = 0;
  int mbCount_ = 0;
  int codedWidth_ = 0;
  int codedHeight_ = 0;
  int chromaWidth_ = 0;
  int chromaHeight_ = 0;
  int blockCount_ = 0;
  uint8_t faultFlag_ = 0;
  int sliceVerticalPositionExtension_ = 0;
  int dcPred_[3] = {0, 0, 0};
  int pmv_[2][2][2] = {};
  bool fastIdct_ = true;
  const mpegdec::BlockOps* ops_;
  const mpegdec::RowOps* rowOps_;
  ScanOrder scans_[2];             // zigzag, alternate
  const mpegdec::VlcTables& vlc_;  // looked up once: the macroblock loop reads them per code
  bool anchorInForward_ = false;
  bool openedPicture_ = false;
  uint8_t displayIsAuxiliary_ = 0;
};
