// The modal frame behind OleCreatePropertyFrame, and the installation of the frame and of the
// device pages into the COM layer. Linking platform_propertyframe installs both.
#pragma once

#include "platform/com/property_frame.h"

namespace platform::propertyframe {

// The frame's controls, by id.
constexpr int kFrameTabId = 0x3020;
constexpr int kFrameApplyId = 0x3021;

// Shows the request's pages over its objects until OK or Cancel; S_OK once the frame was shown.
HRESULT ShowPropertyFrame(const com::PropertyFrameRequest& request);
// Registers the device pages and makes OleCreatePropertyFrame show this frame. Safe to repeat.
void InstallPropertyFrame();

}  // namespace platform::propertyframe
