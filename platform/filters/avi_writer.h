// "AVI Mux" and "File Writer" doing the job: the multiplexer writes an AVI (OpenDML past 1 GB,
// with the legacy index) through libavformat and hands its bytes downstream as samples whose
// times are file offsets; the file writer puts each at its offset.
#pragma once

#include "platform/com/guid.h"

namespace platform::filters {
HRESULT CreateAviMux(REFIID riid, void** ppv);
HRESULT CreateFileWriter(REFIID riid, void** ppv);
}  // namespace platform::filters
