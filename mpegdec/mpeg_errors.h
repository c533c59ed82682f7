#pragma once

// Result codes shared by the decoder's objects; each object keeps the last one in its error field.
namespace mpegdec {
constexpr int kOk = 1;
constexpr int kNotFound = 0;
constexpr int kEndOfData = -2;  // a slice cannot be started, a position cannot be restored
constexpr int kBadState = -3;   // wrong state, bad argument or unsupported request
constexpr int kFileError = -4;  // open, seek or read of the file failed
constexpr int kOutOfMemory = -5;
constexpr int kMalformed = -6;     // no start code where needed, data ends inside a header
constexpr int kReloadFailed = -7;  // a recorded position cannot be loaded again
constexpr int kReadError = -8;
constexpr int kBadFormat = -9;  // transport stream, unsupported chroma format, layer mismatch
constexpr int kLayerMismatch = -22;
constexpr int kNotOpen = -127;
constexpr int kSkipInProgress = -126;  // marks a compound skip inside the bit source
}  // namespace mpegdec
