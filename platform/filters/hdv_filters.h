// The maker's HDV filters as they stand in here: "PSI Parser filter", the stream writer ("m2ts
// Dump", "HDVD Writer", "Video Dump", "Audio Dump"), the MPEG video and audio decoders, and the
// disc-stream filters.
#pragma once

#include <cstddef>

#include "platform/com/class_table.h"
#include "platform/dshow/filter_interfaces.h"

namespace platform::filters {
HRESULT CreatePsiParser(REFIID riid, void** ppv);
HRESULT CreateStreamWriter(REFIID riid, void** ppv);
HRESULT CreateMpegVideoDecoder(REFIID riid, void** ppv);
HRESULT CreateMpegAudioDecoder(REFIID riid, void** ppv);
HRESULT CreateBdMultiplexer(REFIID riid, void** ppv);
HRESULT CreateBdMultiplexer2(REFIID riid, void** ppv);
HRESULT CreateBufferFilter(REFIID riid, void** ppv);
// How many samples a "Buffer Filter" holds (0 for any other filter).
std::size_t BufferedSamples(IBaseFilter* filter);
HRESULT CreateLpcmEncoder(REFIID riid, void** ppv);
HRESULT CreateMpeg2Multiplexer(REFIID riid, void** ppv);
}  // namespace platform::filters
