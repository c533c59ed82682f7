// The DVD authoring stand-in: the disc an authorinfo.xml describes, built as a VIDEO_TS folder
// (with an empty AUDIO_TS beside it) by dvdauthor once the multiplexed file is complete.
#pragma once

#include "platform/base/win_types.h"

// Posted to the notify window when the folder is done (wParam kDvdJobDone of qn_mpg_mux.h) or
// failed (kDvdJobFailed; qndvdauthor_LastError says why).
constexpr UINT kAuthorEndMessage = 0x0400 + 10;  // WM_USER + 10

extern "C" {
// Returns 1 when the folder was built. Waits for qndvdauthor_EndCreateSource before it reads
// the video; that call may come first. A finished job clears it.
int qndvdauthor(const char* xmlPath, HWND notify, int reserved1, int reserved2);
void qndvdauthor_EndCreateSource();
// Why the last job failed (dvdauthor's last error line, say); empty after a good one.
const char* qndvdauthor_LastError();
}
