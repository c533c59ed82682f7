// Task memory: blocks that cross interfaces and are freed by the receiver (media types,
// display names, strings handed out through out parameters).
#pragma once

#include <cstddef>

#include "platform/base/win_types.h"

LPVOID CoTaskMemAlloc(std::size_t size);
LPVOID CoTaskMemRealloc(LPVOID block, std::size_t size);
void CoTaskMemFree(LPVOID block);
