#include "platform/controls/control.h"
