#include "platform/window/focus.h"
#include "platform/window/resources.h"

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
  if (instance) return platform::LoadModuleCursor(instance, name);
  if (!IS_INTRESOURCE(name)) return nullptr;
  const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
  switch (id) {
    case 32512:
    case 32513:
    case 32514:
    case 32515:
    case 32642:
    case 32643:
    case 32644:
    case 32645:
    case 32646:
    case 32648:
    case 32649:
    case 32650:
      // A system cursor's handle is its id: what was asked for is all a recorded cursor needs.
      return DwordToHandle<HCURSOR>(id);
    default: return nullptr;
  }
}
