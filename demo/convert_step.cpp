#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "convengine/mordax_api.h"
#include "platform/base/module.h"
#include "platform/window/messages.h"
#include "platform/window/window.h"
#include "steps.h"

namespace demo {

namespace {

// What the host window has heard from the conversion library.
struct ConvertState {
  int lastOp = -1;
  int lastStatus = -1;
  LPARAM lastValue = 0;
  int progress = -1;
  bool batchEnded = false;
  bool failed = false;
};
ConvertState g_state;

LRESULT HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != WM_CONVERT_NOTIFY) return DefWindowProc(hwnd, msg, wParam, lParam);
  const int op = LOWORD(wParam);
  const int status = HIWORD(wParam);
  if (op == Qn_OP_CONVERT && status == Qn_MSG_ITEM_START) {
    std::unique_ptr<Qn_ConvertItem> item(reinterpret_cast<Qn_ConvertItem*>(lParam));
    std::printf("  Converting %s -> %s\n", item->source.GetPath().c_str(), item->output.GetPath().c_str());
    return 1;
  }
  if (op == Qn_OP_CONVERT && status == Qn_MSG_TIME_INFO) {
    delete reinterpret_cast<Qn_ConvertTime*>(lParam);
    return 1;
  }
  if (op == Qn_OP_CONVERT && status == Qn_MSG_CONVERT_PROCESSING) {
    const int percent = LOWORD(static_cast<DWORD_PTR>(lParam));  // high word: the frame number
    if (percent / 10 != g_state.progress / 10) std::printf("  Conversion: %d%%\n", percent);
    g_state.progress = percent;
    return 1;
  }
  if (status == Qn_MSG_FAILED) g_state.failed = true;
  if (op == Qn_OP_CONVERT && (status == Qn_MSG_COMPLETE || status == Qn_MSG_FAILED)) g_state.batchEnded = true;
  g_state.lastOp = op;
  g_state.lastStatus = status;
  g_state.lastValue = lParam;
  return 1;
}

// Runs the host's message loop until the library answers the operation (or a time limit).
bool WaitForReply(int op, int timeoutSeconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  while (std::chrono::steady_clock::now() < end) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
    if (op == Qn_OP_CONVERT ? g_state.batchEnded : g_state.lastOp == op) return !g_state.failed;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::printf("  No answer from the conversion library for operation %d\n", op);
  return false;
}

// The PSP preset of the converter's device profiles.
Qn_ConvertOption PspOption() {
  Qn_ConvertOption option;
  option.video = {"mp4", 320, 240, 768, 29.97};
  option.audio = {"libfaac", 128, 48000, 2};
  option.FILEPREFIX = "M4V#####";
  option.EXF = ".MP4";
  option.FORCE = "psp";
  return option;
}

}  // namespace

bool ConvertForPlayer(const std::string& clipPath, const std::string& outputFolder) {
  WNDCLASS wc;
  wc.lpfnWndProc = HostProc;
  wc.lpszClassName = "VidarroDemoHost";
  RegisterClass(&wc);
  HWND window = CreateWindowEx(0, "VidarroDemoHost", "Media Converter", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
  platform::Module mordax("Mordax.dll");
  auto open = mordax.Function<Qn_MDX_Open_Fn>("Qn_MDX_Open");
  auto close = mordax.Function<Qn_MDX_Close_Fn>("Qn_MDX_Close");
  auto addFile = mordax.Function<Qn_MDX_AddFile_Fn>("Qn_MDX_AddFile");
  auto setOption = mordax.Function<Qn_MDX_SetConvertOption_Fn>("Qn_MDX_SetConvertOption");
  auto start = mordax.Function<Qn_MDX_ConvertStart_Fn>("Qn_MDX_ConvertStart");
  if (!window || !open || !close || !addFile || !setOption || !start) {
    std::printf("  Mordax.dll is not loaded: %s\n", platform::LastModuleError().c_str());
    if (window) DestroyWindow(window);
    return false;
  }
  bool ok = open(window, WM_CONVERT_NOTIFY, -1) == 1;
  const Qn_PathList files{clipPath};
  ok = ok && addFile(&files) && WaitForReply(Qn_OP_ADD_FILE, 60);
  const Qn_ConvertOption option = PspOption();
  ok = ok && setOption(6, &option) && WaitForReply(Qn_OP_SET_CONVERT_OPTION, 60);
  if (ok) {
    start(outputFolder.c_str());
    ok = WaitForReply(Qn_OP_CONVERT, 600);
  }
  std::printf("  Conversion for the PSP: %s\n", ok ? "done" : "failed");
  close();
  DestroyWindow(window);
  return ok;
}

}  // namespace demo
