// Installs the frame and its pages at start-up. Linked as an object of its own into everything
// that links the frame, so OleCreatePropertyFrame shows it without a call to forget.
#include "platform/propertyframe/property_frame.h"

namespace {

const bool g_installed = (platform::propertyframe::InstallPropertyFrame(), true);

}  // namespace
