#include <atomic>

#include "platform/window/remote_windows.h"

namespace platform {
namespace {
std::atomic<UINT> g_timeout{kDefaultRemoteSendTimeoutMs};
}
UINT RemoteSendTimeoutMs() { return g_timeout.load(); }
void SetRemoteSendTimeoutMs(UINT ms) { g_timeout = ms ? ms : kDefaultRemoteSendTimeoutMs; }
bool StartWindowTransport() { return false; }
void StopWindowTransport() {}
}  // namespace platform
