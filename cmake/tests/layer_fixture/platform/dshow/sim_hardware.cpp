#include "platform/base/win_types.h"
#include "widgets/key_file.h"
