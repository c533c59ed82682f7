// The ALSA device behind a sound capture filter, for the pages that show that card's mixer.
#pragma once

#include "platform/com/unknown.h"

DEFINE_GUID(IID_IVidarroSoundInput, 0x5B1E6A40, 0x7C2D, 0x4E8F, 0x9A, 0x31, 0x2D, 0x64, 0xC8, 0x0B, 0x17, 0xE5);

struct IVidarroSoundInput : public IUnknown {
  // The PCM the filter records from ("hw:1,0", "default"), NUL-ended, cut to `size`.
  STDMETHOD(GetPcmName)(char* name, int size) PURE;
};
VIDARRO_INTERFACE(IVidarroSoundInput, IUnknown, IID_IVidarroSoundInput);
