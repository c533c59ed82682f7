// Creators of the outside audio filters, for the class table.
#pragma once

#include "platform/com/class_table.h"

namespace platform::audio {
HRESULT CreateNoiseReduction(REFIID riid, void** ppv);
HRESULT CreatePcmDump(REFIID riid, void** ppv);
HRESULT CreateMp3Encoder(REFIID riid, void** ppv);
HRESULT CreateMp3Dump(REFIID riid, void** ppv);
// The maker's "Audio Analyzer" with its spectrum, mode and recording calls; it takes the place of the
// level-only one of platform/filters.
HRESULT CreateAudioAnalyzer(REFIID riid, void** ppv);
}  // namespace platform::audio
