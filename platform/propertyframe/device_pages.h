// The device pages' creators, one per page class (install.cpp puts them in the class table).
#pragma once

#include "platform/com/unknown.h"

// The page of a card's analog decoder (standard, input, signal).
DEFINE_GUID(CLSID_AnalogVideoDecoderPropertyPage, 0x71F96466, 0x78F3, 0x11D0, 0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89,
            0x56);

namespace platform::propertyframe {
HRESULT CreateProcAmpPage(REFIID riid, void** ppv);
HRESULT CreateVideoFormatPage(REFIID riid, void** ppv);
HRESULT CreateVideoDecoderPage(REFIID riid, void** ppv);
HRESULT CreateSoundInputPage(REFIID riid, void** ppv);
}  // namespace platform::propertyframe
