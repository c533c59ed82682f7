// The DVD multiplexer: the elementary video and audio of a recording (read while they grow)
// into one DVD program stream, 2048-byte packs with a navigation pack per GOP.
#pragma once

#include <cstdint>

#include "platform/base/win_types.h"

// Posted to the notify window when a job ends: wParam kDvdJobDone, else kDvdJobFailed.
constexpr UINT kMuxEndMessage = 0x0400 + 12;  // WM_USER + 12
constexpr WPARAM kDvdJobDone = 2;
constexpr WPARAM kDvdJobFailed = 1;

namespace platform::dvd {
// Whether a qnmpgmux job is running now (the author waits no longer than the multiplexer
// could still be writing).
bool MultiplexerRunning();
}  // namespace platform::dvd

extern "C" {
// Multiplexes until both streams are complete (see qnmpgmux_EndCreateSource) and drained.
// Mode 6 is the low-rate recording, 5 the normal one. Returns 1 when the output is whole.
int qnmpgmux(const char* outputPath, const char* videoPath, const char* audioPath, int mode, int reserved1,
             int reserved2, HWND notify, int reserved3);
// The recording has written its last byte; may come before qnmpgmux starts. A finished job
// clears it.
void qnmpgmux_EndCreateSource();
// Bytes of program stream written so far by the running (or last) job.
std::int64_t qnmpgmux_GetPos_DirectBurn();
}
