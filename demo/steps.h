// The demo job's library-driven step; it prints what it did and returns false with a reason on failure.
#pragma once

#include <string>

namespace demo {

// Authors <discFolder>BDMV from the clips in <discFolder>BDMV/STREAM through Tarnel.dll.
bool AuthorBluray(const std::string& discFolder, int clipCount);

}  // namespace demo
