// What the recorder tells the user when its writer gave up on a file: the reason the system
// gives for a write there now (a full disk, a file-size limit, a folder that went read-only).
#pragma once

#include <string>

namespace auvry {

// The system's words for why `file` cannot take more (strerror's text); empty when a write there
// succeeds again.
std::string WriteFailureReason(const std::string& file);

// The message of a recording that stopped because `file` could not be written.
std::string WriteFailureMessage(const std::string& file, const std::string& reason);

}  // namespace auvry
