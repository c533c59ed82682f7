#include "platform/window/modal_loop.h"

#include "platform/window/input.h"
#include "platform/window/window_surface.h"

namespace platform {
namespace {
thread_local int t_depth = 0;
}

int ModalDepth() { return t_depth; }

ModalEnd RunModalLoop(const std::function<bool()>& ended, const std::function<bool(MSG&)>& filter) {
  ++t_depth;
  struct Leave {
    ~Leave() { --t_depth; }
  } leave;
  while (!ended()) {
    MSG m;
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (InputScriptActive()) {
        if (!RunNextInputStep()) return ModalEnd::ScriptExhausted;
        continue;
      }
      PresentIfChanged();
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return ModalEnd::Quit;
    }
    if (filter && filter(m)) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  return ModalEnd::Ended;
}

}  // namespace platform
