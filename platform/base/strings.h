// String helpers for UTF-8 std::string; case rules are ASCII-only, so bytes of multi-byte
// characters are never altered.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);

bool EqualsNoCase(std::string_view a, std::string_view b);
// Whether `text` ends with `end`, ASCII letters compared without case (".MTS" ends with ".mts").
bool EndsWithNoCase(std::string_view text, std::string_view end);
// <0, 0 or >0 like strcmp, comparing ASCII letters without case.
int CompareNoCase(std::string_view a, std::string_view b);
// Position of needle in haystack at or after `from`, or std::string::npos.
std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Blanks, tabs, CR and LF.
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);

// Copies as much of text as fits into a buffer of `size` chars, then a terminator; returns the
// number of chars copied. Writes nothing when the buffer is null or size is 0 or less.
int CopyToBuffer(std::string_view text, char* buffer, std::ptrdiff_t size);

// One line of a key or list file for any text: '%', CR and LF written as %XX, every other byte
// as it is, so a text without them reads the same coded or not.
bool HasLineBreak(std::string_view text);
std::string EncodeLineBreaks(std::string_view text);
std::string DecodeLineBreaks(std::string_view text);

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, std::va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace platform
