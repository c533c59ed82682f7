// Keeps the machine and the screen awake through the desktop, and tells the windows of a
// suspend: a bus thread of its own holds logind's sleep inhibitor and the screen saver's
// inhibit as asked, and turns logind's PrepareForSleep into WM_POWERBROADCAST. Asking never
// waits for the bus; without one nothing is taken and nothing is said.
#pragma once

namespace platform {

// Hold (true) or give back (false) the block on sleep and on the idle action.
void KeepSystemAwake(bool on);
// Hold (true) or give back (false) the inhibit of the screen saver.
void KeepScreenSaverOff(bool off);

// Gives back everything held and ends the bus thread; the next request starts it again on the
// buses the environment names then. The end of the process does the same.
void StopDesktopPower();

}  // namespace platform
