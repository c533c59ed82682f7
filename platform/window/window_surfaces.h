// The window system's own surfaces: one bitmap per window, device contexts on it.
#pragma once

#include "platform/window/window_surface.h"

namespace platform {

// Serves every window unless another provider is installed (SetWindowSurfaceProvider).
WindowSurfaceProvider& OwnWindowSurfaces();

}  // namespace platform
