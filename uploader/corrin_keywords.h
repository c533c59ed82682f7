// The keyword text sent with an upload.
#pragma once

#include <string>

// Splits at apostrophes, blanks and commas; a one-letter piece becomes the file's name without
// folder and extension (appended to it when that name is one letter too); each piece ends with ",".
std::string UploadKeywords(const std::string& text, const std::string& filePath);
