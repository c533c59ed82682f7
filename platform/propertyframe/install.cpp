#include <mutex>

#include "platform/com/class_table.h"
#include "platform/dshow/uuids.h"
#include "platform/propertyframe/device_pages.h"
#include "platform/propertyframe/property_frame.h"

namespace platform::propertyframe {

void InstallPropertyFrame() {
  static std::once_flag once;
  std::call_once(once, [] {
    com::RegisterClassForever(CLSID_VideoProcAmpPropertyPage, CreateProcAmpPage);
    com::RegisterClassForever(CLSID_VideoStreamConfigPropertyPage, CreateVideoFormatPage);
    com::RegisterClassForever(CLSID_AnalogVideoDecoderPropertyPage, CreateVideoDecoderPage);
    com::RegisterClassForever(CLSID_CrossbarFilterPropertyPage, CreateVideoDecoderPage);
    com::RegisterClassForever(CLSID_AudioStreamConfigPropertyPage, CreateSoundInputPage);
    com::RegisterClassForever(CLSID_TVTunerFilterPropertyPage, CreateTvTunerPage);
    com::RegisterClassForever(CLSID_DvCamcorderPropertyPage, CreateDvCamcorderPage);
    com::SetPropertyFrameShower(ShowPropertyFrame);
  });
}

}  // namespace platform::propertyframe
