#include "convengine/reply_port.h"

#include "platform/window/messages.h"
#include "platform/window/window.h"

namespace mordax {

// The window functions come from the host program: the module carries no window system of its
// own, so the host's windows and message queues are the ones it posts to.
ReplyPort WindowReplyPort() {
  ReplyPort port;
  port.post = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A null window would post to the engine's own thread, where nobody reads.
    return window && ::PostMessage(window, message, wParam, lParam) != FALSE;
  };
  port.postDroppable = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window && ::PostDroppableMessage(window, message, wParam, lParam) != FALSE;
  };
  port.send = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window || !::IsWindow(window)) return false;
    DWORD_PTR result = 0;
    // Without a limit, like SendMessage, but telling a window that is gone from an answer.
    return ::SendMessageTimeout(window, message, wParam, lParam, SMTO_NORMAL, 0xFFFFFFFFu, &result) != 0;
  };
  port.answerSent = [] {
    MSG msg;
    ::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
  };
  return port;
}

}  // namespace mordax
