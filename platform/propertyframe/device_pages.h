// The device pages' creators, one per page class (install.cpp puts them in the class table).
#pragma once

#include "platform/com/unknown.h"

namespace platform::propertyframe {
HRESULT CreateProcAmpPage(REFIID riid, void** ppv);
HRESULT CreateVideoFormatPage(REFIID riid, void** ppv);
HRESULT CreateVideoDecoderPage(REFIID riid, void** ppv);
HRESULT CreateSoundInputPage(REFIID riid, void** ppv);
HRESULT CreateTvTunerPage(REFIID riid, void** ppv);
HRESULT CreateDvCamcorderPage(REFIID riid, void** ppv);
}  // namespace platform::propertyframe
