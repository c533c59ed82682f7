// Reading a string value whole, whatever its length: the size is asked first.
#pragma once

#include <string>

#include "platform/registry/registry.h"

// The text of a REG_SZ or REG_EXPAND_SZ value of an open key, without its terminator (a value
// stored without one is taken as it is). ERROR_SUCCESS; ERROR_FILE_NOT_FOUND when absent;
// ERROR_INVALID_PARAMETER for a value of another type; `text` is untouched on failure.
LONG RegQueryStringValue(HKEY key, LPCSTR name, std::string* text);
