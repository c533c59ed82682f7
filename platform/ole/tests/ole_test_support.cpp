#include "ole_test_support.h"

#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/testkit/driving.h"
#include "platform/window/input.h"
#include "platform/window/messages.h"

namespace oletest {
namespace {

std::vector<HWND>& Windows() {
  static std::vector<HWND> w;
  return w;
}

LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DROPFILES) {
    DroppedLists().push_back({hwnd, reinterpret_cast<HDROP>(wParam)});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

const char* Class() {
  static bool done = false;
  if (!done) {
    WNDCLASS wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "OleTestWindow";
    RegisterClass(&wc);
    done = true;
  }
  return "OleTestWindow";
}

}  // namespace

std::vector<DroppedList>& DroppedLists() {
  static std::vector<DroppedList> lists;
  return lists;
}

HWND MakePopup(RECT r) {
  HWND h = CreateWindowEx(0, Class(), "popup", WS_POPUP | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          nullptr, nullptr, nullptr, nullptr);
  Windows().push_back(h);
  return h;
}

HWND MakeChild(HWND parent, RECT r) {
  HWND h = CreateWindowEx(0, Class(), "child", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          parent, nullptr, nullptr, nullptr);
  Windows().push_back(h);
  return h;
}

void Pump() { testkit::Pump(); }

void Reset() {
  Pump();
  for (auto& l : DroppedLists()) DragFinish(l.drop);
  DroppedLists().clear();
  for (auto it = Windows().rbegin(); it != Windows().rend(); ++it)
    if (IsWindow(*it)) DestroyWindow(*it);
  Windows().clear();
  Pump();
  platform::ResetInputState();
}

DROPEFFECT RecordingTarget::OnDragEnter(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) {
  calls.push_back("enter");
  points.push_back(point);
  keyStates.push_back(keyState);
  if (!data->IsDataAvailable(format)) return DROPEFFECT_NONE;
  return copyOnCtrl && (keyState & MK_CONTROL) ? DROPEFFECT_COPY : answer;
}

DROPEFFECT RecordingTarget::OnDragOver(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) {
  calls.push_back("over");
  points.push_back(point);
  keyStates.push_back(keyState);
  if (!data->IsDataAvailable(format)) return DROPEFFECT_NONE;
  return copyOnCtrl && (keyState & MK_CONTROL) ? DROPEFFECT_COPY : answer;
}

BOOL RecordingTarget::OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) {
  calls.push_back("drop");
  points.push_back(point);
  droppedEffect = effect;
  HGLOBAL list = data->GetGlobalData(format);
  droppedPaths = platform::ole::ReadDropFiles(list);
  GlobalFree(list);
  return refuseDrop ? FALSE : TRUE;
}

void RecordingTarget::OnDragLeave(CWnd*) { calls.push_back("leave"); }

}  // namespace oletest
