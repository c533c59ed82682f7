// Every failure the library reports reaches the user as a modal message box without an owner,
// captioned "Tarnel", with the error icon.
#pragma once

#include <string>

namespace bdauthor {

void ReportError(const std::string& text);

}  // namespace bdauthor
