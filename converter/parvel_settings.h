// The converter's registry values, its language choice and its resource texts.
#pragma once

#include <string>

#include "platform/base/win_types.h"
#include "platform/registry/registry.h"

// The per-user key of the converter's values (language, OutFolder, MainHwnd, SubHwnd, File).
constexpr const char* kParvelKey = "SOFTWARE\\Narvell\\Qn Media Converter";
constexpr const char* kParvelLanguageLibrary = "ParvelLng.dll";
constexpr const char* kParvelImageLibrary = "ParvelImg.dll";

// Reads and writes through the suite's registry helpers. A read that fails stores the default
// (none for a DWORD default of 0xFFFFFFFF or a null text) and leaves `out` as it was; a string
// read that finds an empty value answers true and leaves `out` as it was too.
bool ReadRegDword(HKEY root, LPCSTR key, LPCSTR name, DWORD& out, DWORD defaultValue);
bool ReadRegString(HKEY root, LPCSTR key, LPCSTR name, std::string& out, LPCSTR defaultText);
bool WriteRegDword(HKEY root, LPCSTR key, LPCSTR name, DWORD value);
bool WriteRegString(HKEY root, LPCSTR key, LPCSTR name, const std::string& text);

// The sub-folder ("kor/", ...) of a language identifier such as "0x0412" (any case); empty
// for English and for identifiers not in the table.
std::string LanguageSubFolder(const std::string& language);
// The `language` value of the converter key; empty when missing.
std::string GetLanguageSetting();

// A text of the resource chain; null when there is none. The next call may reuse the buffer.
LPCSTR LoadResString(UINT id);
// The text, or `fallback` when the resource chain has none.
std::string ResString(UINT id, const char* fallback);
