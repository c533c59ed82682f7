#include "mpegdec/picture_decoder.h"

#include <cstring>
#include <new>
#include <utility>

#include "mpegdec/block_ops.h"
#include "mpegdec/mpeg_errors.h"
#include "mpegdec/mpeg_tables.h"
#include "mpegdec/row_ops.h"
#include "mpegdec/stream_reader.h"
#include "mpegdec/vlc_tables.h"

using namespace mpegdec;

namespace {
// The frame stores of the decoder that closed last on this thread, kept for the next one that
// fits in them: the clip list opens a decoder per thumbnail, clips of different sizes come in
// turn, and fresh stores would fault in every page of them again. Stores larger than a 1080-line
// picture's are let go rather than held for the thread's life.
struct SpareStores {
  size_t luma = 0, chroma = 0;  // what each plane holds
  std::unique_ptr<uint8_t[]> planes[3][3];
};
constexpr size_t kLargestSpareLuma = size_t(1920) * 1088;
thread_local SpareStores spareStores;
}  // namespace

CMpegPictureDecoder::CMpegPictureDecoder()
    : ops_(&ActiveBlockOps()), rowOps_(&mpegdec::ActiveRowOps()), vlc_(GetVlcTables()) {
  memset(layers_[0].block, 0, sizeof layers_[0].block);
  memset(layers_[1].block, 0, sizeof layers_[1].block);
  PlaceCoefficients();
}

void CMpegPictureDecoder::PlaceCoefficients() {
  // The reference transform reads rows one after the other.
  const uint8_t* order = fastIdct_ ? ops_->order : kRasterOrder;
  const uint8_t* rasters[2] = {kZigzagScan, kAlternateScan};
  for (int s = 0; s < 2; ++s) {
    scans_[s].raster = rasters[s];
    for (int i = 0; i < 64; ++i) scans_[s].place[i] = order[rasters[s][i]];
  }
}

CMpegPictureDecoder::~CMpegPictureDecoder() = default;

void CMpegPictureDecoder::Reset() {
  if (stores_[2][2] && storeLuma_ <= kLargestSpareLuma) {
    spareStores.luma = storeLuma_;
    spareStores.chroma = storeChroma_;
    for (int store = 0; store < 3; ++store)
      for (int cc = 0; cc < 3; ++cc) spareStores.planes[store][cc] = std::move(stores_[store][cc]);
  }
  storeLuma_ = storeChroma_ = 0;
  for (auto& store : stores_)
    for (auto& plane : store) plane.reset();
  for (int i = 0; i < 3; ++i) {
    conv_[i].reset();
    convSize_[i] = 0;
    forward_[i] = backward_[i] = auxiliary_[i] = curBase_[i] = nullptr;
  }
  layers_[0] = Layer{};
  layers_[1] = Layer{};
  twoLayers_ = 0;
  layer_ = 0;
  seq_ = FrozenSequence{};
  mb_width_ = mb_height_ = mbCount_ = 0;
  codedWidth_ = codedHeight_ = chromaWidth_ = chromaHeight_ = blockCount_ = 0;
  faultFlag_ = 0;
  anchorInForward_ = openedPicture_ = false;
  displayIsAuxiliary_ = 0;
  storeReady_[0] = storeReady_[1] = storeReady_[2] = false;
  error = kNotOpen;
}

int CMpegPictureDecoder::Init(CMpegStreamReader* base, CMpegStreamReader* enhancement) {
  if (error != kNotOpen) return kBadState;
  if (!base) return kBadState;
  twoLayers_ = enhancement != nullptr;
  CMpegStreamReader* readers[2] = {base, enhancement};
  for (int i = 0; i < 2; ++i) {
    if (!readers[i]) continue;
    layers_[i].reader = readers[i];
    layers_[i].bits = &readers[i]->source;
    layers_[i].header = &readers[i]->header;
    layers_[i].secondField = &readers[i]->secondField;
    layers_[i].mpeg2 = readers[i]->mpeg2;
  }
  const MpegHeaderRecord& b = base->header;
  if (twoLayers_) {
    const MpegHeaderRecord& e = enhancement->header;
    bool fits = (b.scalable_mode == kScalDataPartitioning || e.scalable_mode == kScalSnr) &&
                b.horizontal_size == e.horizontal_size && b.vertical_size == e.vertical_size &&
                b.chroma_format == e.chroma_format;
    if (!fits) {
      Reset();
      error = kBadFormat;
      return kBadFormat;
    }
  }
  if (b.chroma_format < 1 || b.chroma_format > 3 || b.horizontal_size == 0 || b.vertical_size == 0) {
    Reset();
    error = kBadFormat;
    return kBadFormat;
  }
  seq_.horizontal_size = b.horizontal_size;
  seq_.vertical_size = b.vertical_size;
  seq_.chroma_format = b.chroma_format;
  seq_.progressive_sequence = b.progressive_sequence;
  seq_.mpeg2 = base->mpeg2;

  mb_width_ = (b.horizontal_size + 15) / 16;
  mb_height_ = base->mpeg2 && !b.progressive_sequence ? 2 * ((b.vertical_size + 31) / 32) : (b.vertical_size + 15) / 16;
  mbCount_ = mb_width_ * mb_height_;
  codedWidth_ = 16 * mb_width_;
  codedHeight_ = 16 * mb_height_;
  chromaWidth_ = b.chroma_format == 3 ? codedWidth_ : codedWidth_ / 2;
  chromaHeight_ = b.chroma_format == 1 ? codedHeight_ / 2 : codedHeight_;
  blockCount_ = b.chroma_format == 1 ? 6 : b.chroma_format == 2 ? 8 : 12;

  const size_t lumaSize = size_t(codedWidth_) * codedHeight_, chromaSize = size_t(chromaWidth_) * chromaHeight_;
  const bool reuse = spareStores.planes[2][2] && spareStores.luma >= lumaSize && spareStores.chroma >= chromaSize;
  storeLuma_ = reuse ? spareStores.luma : lumaSize;
  storeChroma_ = reuse ? spareStores.chroma : chromaSize;
  for (int store = 0; store < 3; ++store) {
    for (int cc = 0; cc < 3; ++cc) {
      if (reuse) {
        stores_[store][cc] = std::move(spareStores.planes[store][cc]);
        continue;
      }
      stores_[store][cc].reset(new (std::nothrow) uint8_t[cc == 0 ? lumaSize : chromaSize]);
      if (!stores_[store][cc]) {
        Reset();
        error = kOutOfMemory;
        return kOutOfMemory;
      }
    }
  }
  storeReady_[0] = storeReady_[1] = storeReady_[2] = false;
  ReadyStore(0);
  for (int cc = 0; cc < 3; ++cc) {
    forward_[cc] = stores_[0][cc].get();
    backward_[cc] = stores_[1][cc].get();
    auxiliary_[cc] = stores_[2][cc].get();
  }
  if (b.scalable_mode == kScalSpatial) {
    if (b.vertical_subsampling_factor_m == 0 || b.vertical_subsampling_factor_n == 0 ||
        b.horizontal_subsampling_factor_m == 0 || b.horizontal_subsampling_factor_n == 0) {
      Reset();
      error = kBadFormat;
      return kBadFormat;
    }
    int64_t lower = int64_t(b.lower_layer_prediction_horizontal_size) * b.lower_layer_prediction_vertical_size;
    if (!EnsureConversionBuffer(0, lower)) {
      Reset();
      error = kOutOfMemory;
      return kOutOfMemory;
    }
  }
  error = 1;
  layer_ = 0;
  faultFlag_ = 0;
  return 1;
}

// Black luma and neutral chroma, so that areas no slice reaches show as black. The stores
// that only predicted pictures use are filled when such a picture first comes, so that a
// thumbnail of an intra picture touches one store only.
void CMpegPictureDecoder::ReadyStore(int store) {
  if (storeReady_[store]) return;
  size_t luma = size_t(codedWidth_) * codedHeight_, chroma = size_t(chromaWidth_) * chromaHeight_;
  memset(stores_[store][0].get(), 16, luma);
  memset(stores_[store][1].get(), 128, chroma);
  memset(stores_[store][2].get(), 128, chroma);
  storeReady_[store] = true;
}

void CMpegPictureDecoder::ReadyAllStores() {
  for (int store = 0; store < 3; ++store) ReadyStore(store);
}

void CMpegPictureDecoder::SelectCurrentFrame(bool rotateReferences) {
  if (rotateReferences || Base().header->picture_coding_type != kPictureI) ReadyAllStores();
  const MpegHeaderRecord& h = *Base().header;
  bool second = Base().secondField && *Base().secondField;
  if (h.picture_coding_type == kPictureB) {
    for (int cc = 0; cc < 3; ++cc) curBase_[cc] = auxiliary_[cc];
    displayIsAuxiliary_ = 1;
    openedPicture_ = !rotateReferences;
    return;
  }
  displayIsAuxiliary_ = 0;
  if (!rotateReferences) {
    for (int cc = 0; cc < 3; ++cc) curBase_[cc] = forward_[cc];
    anchorInForward_ = true;
    openedPicture_ = true;
    return;
  }
  openedPicture_ = false;
  if (!second) {
    if (anchorInForward_) {
      anchorInForward_ = false;
    } else {
      for (int cc = 0; cc < 3; ++cc) std::swap(forward_[cc], backward_[cc]);
    }
    for (int cc = 0; cc < 3; ++cc) curBase_[cc] = backward_[cc];
  }
}

bool CMpegPictureDecoder::CheckMotionCodes() {
  const MpegHeaderRecord& h = *Base().header;
  int type = h.picture_coding_type;
  bool forward = type == kPictureP || type == kPictureB || (type == kPictureI && h.concealment_motion_vectors);
  bool backward = type == kPictureB;
  for (int i = 0; i < (twoLayers_ ? 2 : 1); ++i) {
    const MpegHeaderRecord& lh = *layers_[i].header;
    if (layers_[i].mpeg2) {
      for (int t = 0; t < 2; ++t) {
        if (forward && (lh.f_code[0][t] < 1 || lh.f_code[0][t] > 9)) return false;
        if (backward && (lh.f_code[1][t] < 1 || lh.f_code[1][t] > 9)) return false;
      }
    } else {
      if (forward && type != kPictureI && lh.forward_f_code < 1) return false;
      if (backward && lh.backward_f_code < 1) return false;
    }
  }
  return true;
}

int CMpegPictureDecoder::DecodeOnePicture() {
  layer_ = 0;
  Base().bits->status = 1;
  const MpegHeaderRecord& h = *Base().header;
  if (twoLayers_) {
    layers_[1].bits->status = 1;
    const MpegHeaderRecord& e = *layers_[1].header;
    if (h.picture_coding_type != e.picture_coding_type || h.picture_structure != e.picture_structure) {
      error = kLayerMismatch;
      return 0;
    }
  }
  if (h.seenPictureSpatialScalableExtension && !(Base().secondField && *Base().secondField)) {
    error = kBadState;
    return 0;
  }
  if (h.picture_coding_type < kPictureI || h.picture_coding_type > kPictureD || h.picture_structure == 0) {
    error = kMalformed;
    return 0;
  }
  // Motion codes outside 1 to 9 would let vectors run far outside the reference planes.
  if (!CheckMotionCodes()) {
    error = kMalformed;
    return 0;
  }
  if (h.picture_coding_type != kPictureI) ReadyAllStores();
  DecodePictureData();
  if (Base().bits->status < 0 || (twoLayers_ && layers_[1].bits->status < 0)) {
    error = kReadError;
    return kReadError;
  }
  return 1;
}

int CMpegPictureDecoder::Prepare() {
  if (error == kNotOpen || !curBase_[0]) return kBadState;
  bool firstOfOpen = openedPicture_;
  openedPicture_ = false;
  int r = DecodeOnePicture();
  if (r != 1 || !firstOfOpen || twoLayers_) return r;
  // A field-coded first picture: its second field fills the other lines of the frame.
  const MpegHeaderRecord& h = *Base().header;
  int firstStructure = h.picture_structure;
  if (firstStructure == kFramePicture) return r;
  CMpegStreamReader& reader = *Base().reader;
  if (reader.FindNextPicture(1, 0, reader.pictureNumber) != 1) return r;
  if (h.picture_structure == kFramePicture || h.picture_structure == firstStructure ||
      h.picture_coding_type == kPictureB)
    return r;
  reader.secondField = 1;
  return DecodeOnePicture();
}

bool CMpegPictureDecoder::EnsureConversionBuffer(int i, int64_t size) {
  if (size <= convSize_[i] && conv_[i]) return true;
  conv_[i].reset();
  convSize_[i] = 0;
  conv_[i].reset(new (std::nothrow) uint8_t[size_t(size > 0 ? size : 1)]);
  if (!conv_[i]) {
    error = kOutOfMemory;
    return false;
  }
  convSize_[i] = size;
  return true;
}

int64_t CMpegPictureDecoder::OutputSize(int format) const {
  int64_t w = seq_.horizontal_size, h = seq_.vertical_size;
  int64_t ow = 2 * (w / 2), oh = h;
  if (seq_.chroma_format == 1) {
    oh = 2 * (h / 2);
  } else if (seq_.chroma_format == 3) {
    ow = w;
  }
  switch (format) {
    case kOutputLuma: return w * h;
    case kOutputCb:
    case kOutputCr: {
      int64_t cw = seq_.chroma_format == 3 ? w : w / 2;
      int64_t ch = seq_.chroma_format == 1 ? h / 2 : h;
      return cw * ch;
    }
    case kOutputBitmap: return 54 + ((3 * ow + 3) & ~int64_t(3)) * oh;
    case kOutputTarga: return 18 + 3 * ow * oh;
    case kOutputPacked422: return 2 * (seq_.chroma_format == 3 ? (w & ~int64_t(1)) : ow) * oh;
    case kOutputPixmap: return 50 + 3 * ow * oh;
    default: return 0;
  }
}
