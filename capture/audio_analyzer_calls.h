// The "Audio Analyzer" calls both capture graphs make: its gain switch and its level record.
#pragma once

#include "platform/base/win_types.h"
#include "platform/dshow/filter_interfaces.h"

// Switches the analyzer's gain; nothing when the filter is absent or lacks the interface.
void ApplyAnalyzerGain(IBaseFilter* analyzer, BYTE enable, float gain);
// Fills the level record (zeros first); false without an analyzer or its answer.
bool ReadAnalyzerLevels(IBaseFilter* analyzer, BYTE* record);
