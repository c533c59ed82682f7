#pragma once

#include <string>

// Every picture of a stream decoded on one thread by the project's decoder and by its peers; each
// returns the frames it gave out (a field pair counts once), or -1 when it could not decode.
int ProjectDecodeAll(const std::string& path);
// libavcodec's MPEG-2 decoder (one thread), pictures cut out by its own parser, fed by the lean demux.
int AvcodecDecodeAll(const std::string& path);
// libmpeg2 with the processor's SIMD, fed by the lean demux.
int Libmpeg2DecodeAll(const std::string& path);

// The project's decode of every picture, in display order, against ffmpeg's: PSNR of each plane
// over the whole stream and the lowest luma PSNR of a single picture (99 where identical).
struct DecodeCheck {
  int projectFrames = 0, ffmpegFrames = 0;
  double psnr[3] = {0, 0, 0};
  double lowestLuma = 0;
};
bool CheckAgainstFfmpeg(const std::string& path, DecodeCheck& out);
