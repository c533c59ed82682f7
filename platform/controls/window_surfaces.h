// The drawing layer's side of the window system's surface seam: one bitmap per window, DCs on it.
#pragma once

namespace platform {

// Installs the provider once (later calls do nothing); controls and paint DCs need it.
void InstallWindowSurfaces();

}  // namespace platform
