#include "platform/com/task_mem.h"

#include <cstdlib>

LPVOID CoTaskMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }

LPVOID CoTaskMemRealloc(LPVOID block, std::size_t size) { return std::realloc(block, size ? size : 1); }

void CoTaskMemFree(LPVOID block) { std::free(block); }
