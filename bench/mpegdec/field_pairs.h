#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Makes a stream of intra frames coded as field pairs, which ffmpeg's encoder cannot write, from
// one it can: an intra-only progressive stream of the fields one after another (each picture half
// the frame's height, top field first). Only headers change: the slices of a progressive intra
// picture with frame prediction and frame DCT read the same as those of a field picture.
// - the sequence header gets twice the height, 4:3 and half the picture rate; the sequence
//   extension loses progressive_sequence;
// - each picture's coding extension says top field (even pictures) or bottom field (odd ones),
//   with the progressive, repeat and top-field-first flags and frame_pred_frame_dct cleared;
// - temporal references count frames, and no sequence or group header comes between two fields.
// Returns an empty stream, with the reason in `error`, for anything but an even number of intra
// pictures, each with its coding extension.
std::vector<std::uint8_t> PairFields(const std::vector<std::uint8_t>& fields, std::string* error = nullptr);

// Writes `out`: `frames` frames of an interlaced ffmpeg source (its input options, e.g. "-f lavfi
// -i ..."), top field first, coded by ffmpeg as intra fields and paired by PairFields. False, with
// the reason in `error`, when ffmpeg or the pairing fails.
bool WriteFieldPairStream(const std::string& source, int frames, const std::string& out, std::string* error = nullptr);
