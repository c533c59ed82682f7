// Checking and creating the folders a user types: "/" paths, "/" alone is the root.
#pragma once

#include <string>

#include "platform/base/win_types.h"

constexpr int FOLDER_PATH_VALID = 0;
constexpr int FOLDER_PATH_INVALID_NAME = 1;
constexpr int FOLDER_PATH_NOT_CREATED = 2;

// String ids of the question and the refusal shown by ValidateFolder, in the shared UI library.
constexpr const char* kSharedUiLibrary = "Vidarro5UI.dll";
constexpr UINT IDS_FOLDER_CREATE_QUESTION = 102;
constexpr UINT IDS_FOLDER_INVALID_NAME = 103;

// One path component: not empty, no leading or trailing tab, space or full stop, none of
// " * / : < > ? \ | and at most 255 bytes.
BOOL IsValidFolderName(const std::string& name);
inline BOOL IsValidFolderName(LPCSTR name) { return name && IsValidFolderName(std::string(name)); }

// FOLDER_PATH_VALID when every component is a valid name (and, unless checkOnly, the folder
// exists now, made component by component); FOLDER_PATH_INVALID_NAME for a path that is not
// absolute, has an empty component or ends with "/" below the root; FOLDER_PATH_NOT_CREATED
// when a component cannot be made or is not a folder.
int CheckFolderPath(LPCSTR path, BOOL checkOnly);

// 0 when the folder exists or the user agreed to have it made and it was; -1 otherwise, after
// telling the user why. Message boxes carry `caption`, or the application's name when empty.
int ValidateFolder(LPCSTR path, const std::string& caption = std::string());
