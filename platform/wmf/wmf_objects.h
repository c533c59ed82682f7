// The objects behind the profile interfaces, for the ASF writer that reads a profile's streams.
#pragma once

#include "platform/wmf/profile_data.h"
#include "platform/wmf/wmf.h"

namespace platform::wmf {

// The data of a profile made by this layer; false for a foreign object.
bool ProfileDataOf(IWMProfile* profile, ProfileData* data);

}  // namespace platform::wmf
