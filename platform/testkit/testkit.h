// The whole test kit in one include.
#pragma once

#include "platform/testkit/control_test.h"
#include "platform/testkit/dialog_script.h"
#include "platform/testkit/driving.h"
#include "platform/testkit/environment.h"
#include "platform/testkit/pictures.h"
#include "platform/testkit/recording_parent.h"
#include "platform/testkit/second_process.h"
#include "platform/testkit/window_log.h"
