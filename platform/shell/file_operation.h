// SHFileOperation: copying, moving, renaming and deleting lists of files and folders, with a
// progress window, the replace question, and deletion to the desktop trash when undo is asked.
#pragma once

#include "platform/base/win_types.h"

using FILEOP_FLAGS = WORD;

struct SHFILEOPSTRUCT {
  HWND hwnd = nullptr;
  UINT wFunc = 0;
  LPCSTR pFrom = nullptr;  // paths, each NUL-ended, the list ended by one more NUL
  LPCSTR pTo = nullptr;    // the destination (a folder, or a file for one source)
  FILEOP_FLAGS fFlags = 0;
  BOOL fAnyOperationsAborted = FALSE;  // set when the user cancelled or declined any part
  LPVOID hNameMappings = nullptr;
  LPCSTR lpszProgressTitle = nullptr;
};
using LPSHFILEOPSTRUCT = SHFILEOPSTRUCT*;
using SHFILEOPSTRUCTA = SHFILEOPSTRUCT;

constexpr UINT FO_MOVE = 0x0001;
constexpr UINT FO_COPY = 0x0002;
constexpr UINT FO_DELETE = 0x0003;
constexpr UINT FO_RENAME = 0x0004;

constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;  // no progress window
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;  // replace and delete without asking
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;       // deletions go to the trash
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;

// Results besides 0 (success).
constexpr int DE_SOURCEMISSING = 0x0002;
constexpr int DE_SAMEFILE = 0x0071;
constexpr int DE_OPCANCELLED = 0x0075;
constexpr int DE_ACCESSDENIEDSRC = 0x0078;
constexpr int DE_INVALIDFILES = 0x007C;
constexpr int DE_ERROR_MAX = 0x00B7;
constexpr int DE_ERRORONDEST = 0x10000;

int SHFileOperation(LPSHFILEOPSTRUCT op);

namespace platform {

// The progress window's parts.
constexpr int kFileProgressTextId = 1001;  // the file being worked on
constexpr int kFileProgressBarId = 1002;
constexpr const char* kFileProgressClass = "#32770";

}  // namespace platform
