// "WM ASF Writer" doing the job: configured from a profile, it encodes wmv2 and wmav2 at the
// profile's size, frame time, bit rates and buffer window into an ASF file whose header carries
// the title, author, description and copyright set through IWMHeaderInfo. Sound is laid on the
// pictures' time line and both streams end at one time, whatever pace each source keeps.
#pragma once

#include "platform/com/guid.h"

namespace platform::filters {
HRESULT CreateAsfWriter(REFIID riid, void** ppv);
}  // namespace platform::filters
