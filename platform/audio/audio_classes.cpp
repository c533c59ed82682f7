#include "platform/audio/audio_classes.h"

#include <mutex>

#include "platform/audio/audio_filters.h"
#include "platform/audio/audio_interfaces.h"
#include "platform/filters/maker_interfaces.h"

namespace platform::audio {

bool RegisterAudioClassesOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    filters::RegisterFilterClassesOnce();
    com::RegisterClassForever(CLSID_QnNoiseReduction, CreateNoiseReduction);
    com::RegisterClassForever(CLSID_QnPcmDump, CreatePcmDump);
    com::RegisterClassForever(CLSID_QnMp3Encoder, CreateMp3Encoder);
    com::RegisterClassForever(CLSID_QnMp3Dump, CreateMp3Dump);
    com::RegisterClassForever(CLSID_QnAudioAnalyzer, CreateAudioAnalyzer);
  });
  return true;
}

}  // namespace platform::audio
