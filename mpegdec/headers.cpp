// Sequence, group-of-pictures, picture and extension headers.
#include <cstring>

#include "mpegdec/mpeg_errors.h"
#include "mpegdec/mpeg_tables.h"
#include "mpegdec/stream_reader.h"

using namespace mpegdec;

int CMpegStreamReader::FinishHeader() {
  int s = source.status;
  if (s == 1) return 1;
  lastError = s == 0 ? kMalformed : kReadError;
  return s;
}

void CMpegStreamReader::ReadMatrix(uint8_t* m) {
  for (int i = 0; i < 64; ++i) m[kZigzagScan[i]] = uint8_t(Bits(8));
}

int CMpegStreamReader::ReadSequenceHeader() {
  MpegHeaderRecord& h = header;
  h.seenSequenceExtension = h.seenSequenceDisplayExtension = h.seenSequenceScalableExtension = 0;
  h.horizontal_size = uint16_t(Bits(12));
  h.vertical_size = uint16_t(Bits(12));
  h.aspect_ratio_information = uint8_t(Bits(4));
  h.frame_rate_code = uint8_t(Bits(4));
  h.bit_rate = Bits(18);
  Bits(1);
  h.vbv_buffer_size = Bits(10);
  h.constrained_parameters_flag = uint8_t(Bits(1));
  h.load_intra_quantiser_matrix = uint8_t(Bits(1));
  if (h.load_intra_quantiser_matrix) ReadMatrix(h.intra_quantiser_matrix);
  else memcpy(h.intra_quantiser_matrix, kDefaultIntraMatrix, 64);
  h.load_non_intra_quantiser_matrix = uint8_t(Bits(1));
  if (h.load_non_intra_quantiser_matrix) ReadMatrix(h.non_intra_quantiser_matrix);
  else memset(h.non_intra_quantiser_matrix, 16, 64);
  memcpy(h.chroma_intra_quantiser_matrix, h.intra_quantiser_matrix, 64);
  memcpy(h.chroma_non_intra_quantiser_matrix, h.non_intra_quantiser_matrix, 64);
  h.load_chroma_intra_quantiser_matrix = h.load_chroma_non_intra_quantiser_matrix = 0;
  h.frame_rate = FrameRateOfCode(h.frame_rate_code);
  frame_rate = h.frame_rate;
  if (source.status != 1) return FinishHeader();
  return ReadSequenceExtensions();
}

int CMpegStreamReader::ReadSequenceExtension() {
  MpegHeaderRecord& h = header;
  mpeg2 = 1;
  h.seenSequenceExtension = 1;
  h.profile_and_level_indication = uint8_t(Bits(8));
  h.progressive_sequence = uint8_t(Bits(1));
  h.chroma_format = uint8_t(Bits(2));
  int hExt = int(Bits(2));
  int vExt = int(Bits(2));
  int rateExt = int(Bits(12));
  Bits(1);
  int vbvExt = int(Bits(8));
  h.low_delay = uint8_t(Bits(1));
  h.frame_rate_extension_n = uint8_t(Bits(2));
  h.frame_rate_extension_d = uint8_t(Bits(5));
  h.horizontal_size = uint16_t((h.horizontal_size & 0x0FFF) | (hExt << 12));
  h.vertical_size = uint16_t((h.vertical_size & 0x0FFF) | (vExt << 12));
  h.bit_rate = (h.bit_rate & 0x3FFFF) | (uint32_t(rateExt) << 18);
  h.vbv_buffer_size = (h.vbv_buffer_size & 0x3FF) | (uint32_t(vbvExt) << 10);
  // The real ratio: an integer quotient would turn n 0, d 1 into a frame rate of 0.
  h.frame_rate =
      FrameRateOfCode(h.frame_rate_code) * (h.frame_rate_extension_n + 1.0) / (h.frame_rate_extension_d + 1.0);
  frame_rate = h.frame_rate;
  return source.status;
}

int CMpegStreamReader::ReadSequenceDisplayExtension() {
  MpegHeaderRecord& h = header;
  h.seenSequenceDisplayExtension = 1;
  h.video_format = uint8_t(Bits(3));
  h.colour_description = uint8_t(Bits(1));
  if (h.colour_description) {
    h.colour_primaries = uint8_t(Bits(8));
    h.transfer_characteristics = uint8_t(Bits(8));
    h.matrix_coefficients = uint8_t(Bits(8));
  }
  h.display_horizontal_size = uint16_t(Bits(14));
  Bits(1);
  h.display_vertical_size = uint16_t(Bits(14));
  return source.status;
}

int CMpegStreamReader::ReadSequenceScalableExtension() {
  MpegHeaderRecord& h = header;
  h.seenSequenceScalableExtension = 1;
  h.scalable_mode = uint8_t(Bits(2) + 1);
  h.layer_id = uint8_t(Bits(4));
  if (h.scalable_mode == kScalSpatial) {
    h.lower_layer_prediction_horizontal_size = uint16_t(Bits(14));
    Bits(1);
    h.lower_layer_prediction_vertical_size = uint16_t(Bits(14));
    h.horizontal_subsampling_factor_m = uint8_t(Bits(5));
    h.horizontal_subsampling_factor_n = uint8_t(Bits(5));
    h.vertical_subsampling_factor_m = uint8_t(Bits(5));
    h.vertical_subsampling_factor_n = uint8_t(Bits(5));
  } else if (h.scalable_mode == kScalTemporal) {
    lastError = kBadFormat;
    return kBadFormat;
  }
  return source.status;
}

// The extension and user data blocks after a header, up to the next other start code.
// readOne reads the extension of the id it is given; kBadFormat from it ends the walk.
template <typename ReadOne>
int CMpegStreamReader::ReadExtensions(ReadOne readOne) {
  source.NextStartCode();
  while (source.status == 1) {
    uint32_t code = source.Peek32();
    if (source.status != 1) break;
    if (code == 0x1B5) {
      source.Get32();
      if (readOne(int(Bits(4))) == kBadFormat) return kBadFormat;
    } else if (code == 0x1B2) {
      source.Get32();
    } else {
      break;
    }
    source.NextStartCode();
  }
  return FinishHeader();
}

int CMpegStreamReader::ReadSequenceExtensions() {
  return ReadExtensions([this](int id) {
    switch (id) {
      case 1: return ReadSequenceExtension();
      case 2: return ReadSequenceDisplayExtension();
      case 5: return ReadSequenceScalableExtension();
      default: return 1;
    }
  });
}

int CMpegStreamReader::ReadGopHeader() {
  MpegTimeCode& t = header.timeCode;
  t.drop_frame_flag = uint8_t(Bits(1));
  t.hours = uint8_t(Bits(5));
  t.minutes = uint8_t(Bits(6));
  Bits(1);
  t.seconds = uint8_t(Bits(6));
  t.pictures = uint8_t(Bits(6));
  t.closed_gop = uint8_t(Bits(1));
  t.broken_link = uint8_t(Bits(1));
  if (source.status != 1) return FinishHeader();
  return ReadSequenceExtensions();
}

int CMpegStreamReader::ReadPictureHeader() {
  MpegHeaderRecord& h = header;
  h.seenPictureCodingExtension = h.seenQuantMatrixExtension = h.seenPictureDisplayExtension = 0;
  h.seenPictureSpatialScalableExtension = h.seenCopyrightExtension = 0;
  h.pictureOffset = source.GetPosition(h.picturePacket);
  h.temporal_reference = int16_t(Bits(10));
  h.picture_coding_type = uint8_t(Bits(3));
  h.vbv_delay = uint16_t(Bits(16));
  if (h.picture_coding_type == kPictureP || h.picture_coding_type == kPictureB) {
    h.full_pel_forward_vector = uint8_t(Bits(1));
    h.forward_f_code = uint8_t(Bits(3));
  }
  if (h.picture_coding_type == kPictureB) {
    h.full_pel_backward_vector = uint8_t(Bits(1));
    h.backward_f_code = uint8_t(Bits(3));
  }
  while (source.status == 1 && Bits(1)) Bits(8);
  if (source.status != 1) return FinishHeader();
  return ReadPictureExtensions();
}

int CMpegStreamReader::ReadPictureCodingExtension() {
  MpegHeaderRecord& h = header;
  h.seenPictureCodingExtension = 1;
  h.f_code[0][0] = uint8_t(Bits(4));
  h.f_code[0][1] = uint8_t(Bits(4));
  h.f_code[1][0] = uint8_t(Bits(4));
  h.f_code[1][1] = uint8_t(Bits(4));
  h.intra_dc_precision = uint8_t(Bits(2));
  h.picture_structure = uint8_t(Bits(2));
  h.top_field_first = uint8_t(Bits(1));
  h.frame_pred_frame_dct = uint8_t(Bits(1));
  h.concealment_motion_vectors = uint8_t(Bits(1));
  h.q_scale_type = uint8_t(Bits(1));
  h.intra_vlc_format = uint8_t(Bits(1));
  h.alternate_scan = uint8_t(Bits(1));
  h.repeat_first_field = uint8_t(Bits(1));
  h.chroma_420_type = uint8_t(Bits(1));
  h.progressive_frame = uint8_t(Bits(1));
  h.composite_display_flag = uint8_t(Bits(1));
  if (h.composite_display_flag) Bits(20);
  return source.status;
}

int CMpegStreamReader::ReadQuantMatrixExtension() {
  MpegHeaderRecord& h = header;
  h.seenQuantMatrixExtension = 1;
  if ((h.load_intra_quantiser_matrix = uint8_t(Bits(1)))) {
    ReadMatrix(h.intra_quantiser_matrix);
    memcpy(h.chroma_intra_quantiser_matrix, h.intra_quantiser_matrix, 64);
  }
  if ((h.load_non_intra_quantiser_matrix = uint8_t(Bits(1)))) {
    ReadMatrix(h.non_intra_quantiser_matrix);
    memcpy(h.chroma_non_intra_quantiser_matrix, h.non_intra_quantiser_matrix, 64);
  }
  if ((h.load_chroma_intra_quantiser_matrix = uint8_t(Bits(1)))) ReadMatrix(h.chroma_intra_quantiser_matrix);
  if ((h.load_chroma_non_intra_quantiser_matrix = uint8_t(Bits(1)))) ReadMatrix(h.chroma_non_intra_quantiser_matrix);
  return source.status;
}

int CMpegStreamReader::ReadPictureDisplayExtension() {
  MpegHeaderRecord& h = header;
  h.seenPictureDisplayExtension = 1;
  int n;
  if (h.progressive_sequence) n = h.repeat_first_field ? (h.top_field_first ? 3 : 2) : 1;
  else n = h.picture_structure != kFramePicture ? 1 : (h.repeat_first_field ? 3 : 2);
  for (int i = 0; i < n; ++i) {
    h.frame_centre_horizontal_offset[i] = int16_t(uint16_t(Bits(16)));
    Bits(1);
    h.frame_centre_vertical_offset[i] = int16_t(uint16_t(Bits(16)));
    Bits(1);
  }
  return source.status;
}

int CMpegStreamReader::ReadPictureSpatialScalableExtension() {
  MpegHeaderRecord& h = header;
  h.seenPictureSpatialScalableExtension = 1;
  h.lower_layer_temporal_reference = uint16_t(Bits(10));
  Bits(1);
  int ho = int(Bits(15));
  Bits(1);
  int vo = int(Bits(15));
  h.lower_layer_horizontal_offset = int16_t(ho >= 16384 ? ho - 32768 : ho);
  h.lower_layer_vertical_offset = int16_t(vo >= 16384 ? vo - 32768 : vo);
  h.spatial_temporal_weight_code_table_index = uint8_t(Bits(2));
  h.lower_layer_progressive_frame = uint8_t(Bits(1));
  h.lower_layer_deinterlaced_field_select = uint8_t(Bits(1));
  return source.status;
}

int CMpegStreamReader::ReadCopyrightExtension() {
  header.seenCopyrightExtension = 1;
  Bits(1);
  Bits(8);
  Bits(1);
  Bits(7);
  Bits(1);
  Bits(20);
  Bits(1);
  Bits(22);
  Bits(1);
  Bits(22);
  return source.status;
}

int CMpegStreamReader::ReadPictureExtensions() {
  return ReadExtensions([this](int id) {
    switch (id) {
      case 3: ReadQuantMatrixExtension(); break;
      case 4: ReadCopyrightExtension(); break;
      case 7: ReadPictureDisplayExtension(); break;
      case 8: ReadPictureCodingExtension(); break;
      case 9: ReadPictureSpatialScalableExtension(); break;
      case 10: lastError = kBadFormat; return kBadFormat;
      default: break;
    }
    return 1;
  });
}
