// What the thumbnail tests read from a grabber's pictures: its pixels and their distance from a
// reference decode.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi/objects.h"

namespace thumbs_test {

// QuickTime files (.mov, .mp4) open through the source filter, others by rendering.
bool IsQuickTime(const std::string& path);
// A 24-bit DIB section's pixels as top-down BGR24 rows; empty for anything else.
std::vector<unsigned char> BitmapRows(HBITMAP bitmap, int* width = nullptr, int* height = nullptr);
// PSNR in dB of two pictures of the same size (99 when equal, 0 when they differ in size).
double Psnr(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b);

}  // namespace thumbs_test
