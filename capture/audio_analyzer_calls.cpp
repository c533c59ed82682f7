#include "capture/audio_analyzer_calls.h"

#include <algorithm>

#include "platform/com/com_ptr.h"
#include "platform/filters/maker_interfaces.h"

void ApplyAnalyzerGain(IBaseFilter* analyzer, BYTE enable, float gain) {
  if (!analyzer) return;
  CComPtr<IQnAudioGain> control;
  if (FAILED(analyzer->QueryInterface(IID_IQnAudioGain, reinterpret_cast<void**>(&control)))) return;
  control->SetEnable(enable);
  control->SetGain(gain);
}

bool ReadAnalyzerLevels(IBaseFilter* analyzer, BYTE* record) {
  if (!record) return false;
  std::fill(record, record + kLevelRecordBytes, 0);
  if (!analyzer) return false;
  CComPtr<IQnAudioLevel> level;
  if (FAILED(analyzer->QueryInterface(IID_IQnAudioLevel, reinterpret_cast<void**>(&level)))) return false;
  return level->GetLevels(record) == S_OK;
}
