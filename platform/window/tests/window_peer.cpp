// The other side of the cross-process tests: a dialog window in a process of its own that
// answers pings, posts and sends back, echoes payloads, counts, or hangs when told to.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/base/clock.h"
#include "platform/window/dialog.h"
#include "platform/window/message_payload.h"
#include "platform/window/messages.h"

namespace {

int g_counted = 0;

constexpr UINT kLink = WM_USER + 205;
constexpr UINT kReply = WM_USER + 206;
constexpr UINT kEcho = WM_USER + 207;  // wParam: the caller; the payload goes back to it
constexpr UINT kEchoed = WM_USER + 208;

INT_PTR PeerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kEcho) {
    HWND caller = DwordToHandle<HWND>(static_cast<DWORD>(wParam));
    if (auto payload = platform::TakeMessagePayload(lParam))
      platform::PostPayloadMessage(caller, kEchoed, payload->size(), payload->data(), payload->size());
    else PostMessage(caller, kEchoed, 0, 0);
    return TRUE;
  }
  if (msg != kLink) return FALSE;
  HWND caller = DwordToHandle<HWND>(static_cast<DWORD>(lParam));
  LRESULT answer = 1;
  switch (wParam) {
    case 177:  // ping
      answer = 256;
      break;
    case 1:  // post something back
      PostMessage(caller, kReply, 2, 12345);
      break;
    case 3:  // ask the caller while it waits for this answer
      answer = SendMessage(caller, kReply, 4, 0) + 1;
      break;
    case 5:  // stop answering altogether
      for (;;) ::pause();
    case 7:  // counted, to tell whether requests given up on still arrive later
      ++g_counted;
      break;
    case 8: answer = g_counted; break;
    case 9: PostQuitMessage(0); break;
    default: break;
  }
  SetWindowLongPtr(hwnd, DWLP_MSGRESULT, answer);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string title = argc > 1 ? argv[1] : "Peer";
  platform::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.caption = title;
  t.cx = 100;
  t.cy = 50;
  HWND dialog = CreateDialogIndirectParam(nullptr, t, nullptr, PeerProc, 0);
  if (!dialog) return 2;
  std::printf("%u\n", HandleToDword(dialog));
  std::fflush(stdout);
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0) > 0) {
    if (!IsDialogMessage(dialog, &m)) DispatchMessage(&m);
  }
  DestroyWindow(dialog);
  return 0;
}
