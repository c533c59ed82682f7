// The maker's small filters: "Erase Line", "Qn Video DownSampler", "Qn Space Color Converter",
// "Audio Analyzer" and "TimeOffset".
#pragma once

#include "platform/com/class_table.h"

namespace platform::filters {
// Creators of each, for the class table.
HRESULT CreateEraseLine(REFIID riid, void** ppv);
HRESULT CreateDownSampler(REFIID riid, void** ppv);
HRESULT CreateSpaceColorConverter(REFIID riid, void** ppv);
HRESULT CreateAudioAnalyzer(REFIID riid, void** ppv);
HRESULT CreateTimeOffset(REFIID riid, void** ppv);
}  // namespace platform::filters
