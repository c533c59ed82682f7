#include "platform/gdi/gdi_types.h"
