// The main program's end of the link with its side programs. The message numbers and link codes
// are the ones the converter and the uploader are built with; this adds what only the main
// program needs: the values it writes in their keys, their program files and the list file.
#pragma once

#include "converter/parvel_link.h"
#include "converter/parvel_settings.h"
#include "uploader/corrin_link.h"

namespace studio {

inline constexpr const char* kConverterKey = kParvelKey;
inline constexpr const char* kUploaderKey = kCorrinKey;
// Values under them.
inline constexpr const char* kMainHwndValue = "MainHwnd";
inline constexpr const char* kSubHwndValue = "SubHwnd";
inline constexpr const char* kRenderedFileValue = "File";
inline constexpr const char* kConverterOutFolderValue = "OutFolder";

// The list file the converter is started with, in the user's temporary folder.
inline constexpr const char* kConverterListFile = "filelist.tmp";
inline constexpr const char* kConverterProgram = "Parvel.exe";
inline constexpr const char* kUploaderProgram = "Corrin.exe";

// How long a send to a side program may take before the program counts as gone.
constexpr UINT kSideProgramSendLimitMs = 1500;
constexpr UINT kPingMs = 2000;
// The main window waits this long after starting a side program, so it can show first.
constexpr DWORD kSideProgramStartWaitMs = 2000;

}  // namespace studio
