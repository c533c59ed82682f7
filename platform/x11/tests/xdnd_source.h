// A small XDND drag source, as a file manager is one: drags a uri-list onto an X window.
#pragma once

#include <string>

namespace desktop_test {

// Drags uriList onto the top-level X window titled targetTitle at root point (x, y) and drops it;
// true when the target said it took the drop. Every wait is bounded.
bool DragUriListOnto(const std::string& display, const std::string& targetTitle, int x, int y,
                     const std::string& uriList);

}  // namespace desktop_test
