#pragma once

#include <cstdint>

#include "mpegdec/bit_source.h"

// Picture coding types and structures as coded.
enum : uint8_t { kPictureI = 1, kPictureP = 2, kPictureB = 3, kPictureD = 4 };
enum : uint8_t { kTopField = 1, kBottomField = 2, kFramePicture = 3 };
// scalable_mode is stored as the coded value + 1.
enum : uint8_t { kScalNone = 0, kScalDataPartitioning = 1, kScalSpatial = 2, kScalSnr = 3, kScalTemporal = 4 };

struct MpegTimeCode {
  uint8_t drop_frame_flag = 0;
  uint8_t hours = 0;
  uint8_t minutes = 0;
  uint8_t seconds = 0;
  uint8_t pictures = 0;
  uint8_t closed_gop = 0;
  uint8_t broken_link = 0;
};

// Everything the headers of a video stream say, as the stream reader last parsed it.
struct MpegHeaderRecord {
  // sequence header
  uint16_t horizontal_size = 0;
  uint16_t vertical_size = 0;
  uint8_t aspect_ratio_information = 0;
  uint8_t frame_rate_code = 0;
  uint32_t bit_rate = 0;
  uint32_t vbv_buffer_size = 0;
  uint8_t constrained_parameters_flag = 0;
  uint8_t intra_quantiser_matrix[64] = {};
  uint8_t non_intra_quantiser_matrix[64] = {};
  uint8_t chroma_intra_quantiser_matrix[64] = {};
  uint8_t chroma_non_intra_quantiser_matrix[64] = {};
  uint8_t load_intra_quantiser_matrix = 0;
  uint8_t load_non_intra_quantiser_matrix = 0;
  uint8_t load_chroma_intra_quantiser_matrix = 0;
  uint8_t load_chroma_non_intra_quantiser_matrix = 0;
  double frame_rate = 0.0;
  // sequence extension
  uint8_t profile_and_level_indication = 0;
  uint8_t progressive_sequence = 0;
  uint8_t chroma_format = 0;
  uint8_t low_delay = 0;
  uint8_t frame_rate_extension_n = 0;
  uint8_t frame_rate_extension_d = 0;
  // sequence display extension
  uint8_t video_format = 0;
  uint8_t colour_description = 0;
  uint8_t colour_primaries = 0;
  uint8_t transfer_characteristics = 0;
  uint8_t matrix_coefficients = 0;
  uint16_t display_horizontal_size = 0;
  uint16_t display_vertical_size = 0;
  // sequence scalable extension
  uint8_t scalable_mode = 0;
  uint8_t layer_id = 0;
  uint16_t lower_layer_prediction_horizontal_size = 0;
  uint16_t lower_layer_prediction_vertical_size = 0;
  uint8_t horizontal_subsampling_factor_m = 0;
  uint8_t horizontal_subsampling_factor_n = 0;
  uint8_t vertical_subsampling_factor_m = 0;
  uint8_t vertical_subsampling_factor_n = 0;
  // group of pictures
  MpegTimeCode timeCode;
  // picture header
  int16_t temporal_reference = -1;
  uint8_t picture_coding_type = 0;
  uint16_t vbv_delay = 0;
  uint8_t full_pel_forward_vector = 0;
  uint8_t forward_f_code = 1;
  uint8_t full_pel_backward_vector = 0;
  uint8_t backward_f_code = 1;
  // picture coding extension
  uint8_t f_code[2][2] = {{1, 1}, {1, 1}};
  uint8_t intra_dc_precision = 0;
  uint8_t picture_structure = kFramePicture;
  uint8_t top_field_first = 0;
  uint8_t frame_pred_frame_dct = 1;
  uint8_t concealment_motion_vectors = 0;
  uint8_t q_scale_type = 0;
  uint8_t intra_vlc_format = 0;
  uint8_t alternate_scan = 0;
  uint8_t repeat_first_field = 0;
  uint8_t chroma_420_type = 0;
  uint8_t progressive_frame = 1;
  uint8_t composite_display_flag = 0;
  // picture display extension
  int16_t frame_centre_horizontal_offset[3] = {};
  int16_t frame_centre_vertical_offset[3] = {};
  // picture spatial scalable extension
  uint16_t lower_layer_temporal_reference = 0;
  int16_t lower_layer_horizontal_offset = 0;
  int16_t lower_layer_vertical_offset = 0;
  uint8_t spatial_temporal_weight_code_table_index = 0;
  uint8_t lower_layer_progressive_frame = 0;
  uint8_t lower_layer_deinterlaced_field_select = 0;
  // presence flags
  uint8_t seenSequenceExtension = 0;
  uint8_t seenSequenceDisplayExtension = 0;
  uint8_t seenSequenceScalableExtension = 0;
  uint8_t seenPictureCodingExtension = 0;
  uint8_t seenQuantMatrixExtension = 0;
  uint8_t seenPictureDisplayExtension = 0;
  uint8_t seenPictureSpatialScalableExtension = 0;
  uint8_t seenCopyrightExtension = 0;
  // where the last picture header was read: just after its start code
  PesPacketInfo picturePacket;
  int64_t pictureOffset = 0;
};
