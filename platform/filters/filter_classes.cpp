#include "platform/filters/filter_classes.h"

#include <mutex>

#include "platform/com/class_table.h"
#include "platform/com/out_param.h"
#include "platform/filters/mpeg_encoder.h"

namespace platform::filters {

bool RegisterFilterClassesOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    com::RegisterClassForever(CLSID_QnMpegEncoder,
                              [](REFIID riid, void** ppv) { return com::HandOver(new MpegEncoderFilter, riid, ppv); });
  });
  return true;
}

}  // namespace platform::filters
