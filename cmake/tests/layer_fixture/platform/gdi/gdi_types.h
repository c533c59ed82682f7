#pragma once

#include "platform/base/win_types.h"
#include "platform/window/paint.h"
