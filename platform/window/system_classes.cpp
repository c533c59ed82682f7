#include "platform/window/system_classes.h"

#include "platform/window/focus.h"

namespace platform::win {

std::vector<WNDCLASS> SystemClasses() {
  auto make = [](LPCSTR name, WNDPROC proc, UINT style, int extra) {
    WNDCLASS wc;
    wc.lpszClassName = name;
    wc.lpfnWndProc = proc;
    wc.style = style;
    wc.cbWndExtra = extra;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    return wc;
  };
  return {
      make("#32770", DefDlgProcImpl, CS_DBLCLKS | CS_SAVEBITS, 30),
      make("#32768", PopupMenuProc, CS_DBLCLKS | CS_SAVEBITS, 16),
  };
}

}  // namespace platform::win
