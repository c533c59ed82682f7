#include "converter/qn_log.h"
#include "local.h"
