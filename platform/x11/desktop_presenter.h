// Shows the program's windows on the X desktop. Linking this library registers it with program
// start-up (platform/window/presenter_startup.h); programs without the class library's start-up
// call StartPresenter themselves.
#pragma once

#include <string>

namespace platform::x11 {

// Opens the display named by DISPLAY and installs the presenter and the desktop's monitors;
// false, leaving the program headless, when DISPLAY is unset or no server answers.
bool InstallDesktopPresenter(const std::string& programName);
// Closes the windows' X side and the connection; the program goes on headless.
void RemoveDesktopPresenter();
// The X window showing hwnd, 0 when none (for tests).
unsigned long DesktopWindowOf(void* hwnd);

}  // namespace platform::x11
