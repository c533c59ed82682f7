// The checks that page 129 makes of the disc in the chosen writer before the wizard records for
// it: drive ready, a kind the writer can burn for the disc type, and a blank (or erased) disc.
#pragma once

#include "platform/base/win_types.h"

class CWnd;

namespace wizard {

// TRUE when the drive holds a medium that answers; No to the retry question opens the tray.
BOOL WaitForDriveReady(HWND owner);
// The whole check for the current disc type. A refused disc is ejected after its message.
BOOL CheckDvdDisc(CWnd* owner);
BOOL CheckBluRayDisc(CWnd* owner);
// Opens the tray on the disc page 129 locked: a locked medium refuses the eject.
void EjectBurnedDisc();

}  // namespace wizard
