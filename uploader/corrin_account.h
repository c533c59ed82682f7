// The stored account: the password scramble and where both live in the registry.
#pragma once

#include <string>

#include "platform/base/win_types.h"

// Byte i becomes (byte + i + n + 1) mod 256; Unscramble undoes it.
std::string ScramblePassword(const std::string& password);
std::string UnscramblePassword(const std::string& stored);

// The scramble may hold a 0 byte, which ends a string value: it is kept as binary data, and
// a string value from older versions is still read.
bool StorePassword(HKEY root, const char* key, const std::string& password);
std::string LoadPassword(HKEY root, const char* key);
void ForgetPassword(HKEY root, const char* key);
