// The drawing layer's side of the window system's surface seam: one bitmap per window, DCs on it.
#pragma once

namespace platform {

// Installs the provider once (later calls do nothing); controls and paint DCs need it. Also
// installs the reader that turns resource bitmaps and icons into GDI objects.
void InstallWindowSurfaces();

}  // namespace platform
