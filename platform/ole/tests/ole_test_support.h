// Windows, a message pump and a recording drop target shared by the drag-and-drop tests.
#pragma once

#include <string>
#include <vector>

#include "platform/ole/afx_ole.h"
#include "platform/ole/drop_files.h"
#include "platform/window/window.h"

namespace oletest {

// Plain windows of a test class; WM_DROPFILES lists they get are kept (not freed) in DroppedLists.
HWND MakePopup(RECT screen);
HWND MakeChild(HWND parent, RECT client);
struct DroppedList {
  HWND hwnd;
  HDROP drop;
};
std::vector<DroppedList>& DroppedLists();

// Dispatches everything queued for this thread.
void Pump();
// Destroys the test windows, frees unclaimed dropped lists, resets input and script.
void Reset();

// Records what the window heard; answers `answer` on enter and over (MK_CONTROL asks for copy
// when copyOnCtrl), takes drops unless refuseDrop.
class RecordingTarget : public COleDropTarget {
 public:
  DROPEFFECT OnDragEnter(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  DROPEFFECT OnDragOver(CWnd* wnd, COleDataObject* data, DWORD keyState, CPoint point) override;
  BOOL OnDrop(CWnd* wnd, COleDataObject* data, DROPEFFECT effect, CPoint point) override;
  void OnDragLeave(CWnd* wnd) override;

  DROPEFFECT answer = DROPEFFECT_MOVE;
  bool copyOnCtrl = false;
  bool refuseDrop = false;
  CLIPFORMAT format = 15;          // CF_HDROP
  std::vector<std::string> calls;  // "enter", "over", "drop", "leave"
  std::vector<CPoint> points;      // of enter, over and drop
  std::vector<std::string> droppedPaths;
  DROPEFFECT droppedEffect = 0;
  std::vector<DWORD> keyStates;
};

}  // namespace oletest
