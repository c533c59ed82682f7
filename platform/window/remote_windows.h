// Windows of other processes of the user's session: a window directory and a message transport
// over Unix-domain sockets under the runtime folder. Handles of other processes work with
// IsWindow, FindWindow, PostMessage, SendMessage (integers only), PostPayloadMessage (bytes, see
// message_payload.h) and SetForegroundWindow. No call waits on another process past its own
// limit; IsWindow, FindWindow and GetWindowThreadProcessId give a process 250 ms: FindWindow
// skips one that does not answer, IsWindow keeps its windows.
#pragma once

#include "platform/base/win_types.h"

namespace platform {

// A send to another process gives up after this long and returns 0, so a hung or killed side
// program never freezes its caller.
constexpr UINT kDefaultRemoteSendTimeoutMs = 5000;
UINT RemoteSendTimeoutMs();
void SetRemoteSendTimeoutMs(UINT ms);

// Publishes this process's top-level windows and starts answering other processes. Called on
// first use of a cross-process handle and by programs at start-up; safe to call again.
bool StartWindowTransport();
// Stops answering and withdraws this process's windows from the directory.
void StopWindowTransport();

}  // namespace platform
