// Hands the window system the registration of the standard controls. This file is linked into
// every program that links the controls as an object of its own (not picked from the archive),
// so the controls and their surfaces are there before the first dialog without a call to forget.
#include "platform/controls/commctrl.h"
#include "platform/window/class_registrar.h"

namespace {

const bool g_handedOver = (platform::SetStandardClassRegistrar(&InitCommonControls), true);

}  // namespace
