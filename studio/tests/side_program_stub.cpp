// A side program that links with the main program like the converter does, then misbehaves on
// the ping: "hang" answers only after ten seconds, "wrong" answers 255. It ends on WM_CLOSE or
// after a minute.
#include <chrono>
#include <string>
#include <thread>

#include "platform/window/messages.h"
#include "platform/window/remote_windows.h"
#include "platform/window/timers.h"
#include "platform/window/window.h"
#include "publish_link.h"
#include "widgets/reg_helpers.h"

namespace {

bool g_hang = true;

LRESULT StubProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CONVERTER_LINK && wParam == PUBLISH_PING) {
    if (!g_hang) return 255;
    std::this_thread::sleep_for(std::chrono::seconds(10));
    return kPingAnswer;
  }
  if (msg == WM_TIMER || msg == WM_CLOSE) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  g_hang = argc < 2 || std::string(argv[1]) != "wrong";
  // Before the first window, so its handle is one other processes can reach.
  platform::StartWindowTransport();
  WNDCLASS wc{};
  wc.lpfnWndProc = StubProc;
  wc.lpszClassName = "SideProgramStub";
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "SideProgramStub", "Side program stub", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  if (!window) return 1;
  DWORD main = 0;
  RegReadDword(HKEY_CURRENT_USER, studio::kConverterKey, studio::kMainHwndValue, &main, REG_READ_NO_DEFAULT);
  RegWriteDword(HKEY_CURRENT_USER, studio::kConverterKey, studio::kSubHwndValue, HandleToDword(window));
  PostMessage(DwordToHandle<HWND>(main), WM_CONVERTER_LINK, PUBLISH_READY, 0);
  SetTimer(window, 1, 60000, nullptr);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
  return 0;
}
