#pragma once

#include <string>

#include "mpegdec/tests/test_media.h"

// The first displayed picture of an elementary video stream as libmpeg2 decodes it.
namespace mpegtest {
bool Libmpeg2FirstPicture(const std::string& esPath, Planes& out);
}
