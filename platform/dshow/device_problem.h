// What went wrong with a capture device the user must act on (another program holds it, the
// user is not in the group that owns it): said on stderr and kept for the window that failed,
// which takes it and shows it.
#pragma once

#include <string>

namespace platform::dshow {

// Says `text` on stderr and keeps it as the latest problem (a later one replaces it).
void ReportDeviceProblem(const std::string& text);
// The latest problem not yet taken, then nothing until the next one.
std::string TakeDeviceProblem();
// `message` with the latest problem (taken) on a paragraph of its own, for a window's message box.
std::string WithDeviceProblem(const std::string& message);

}  // namespace platform::dshow
