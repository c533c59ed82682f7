// Small system helpers: the Windows version code, the system information command and the
// folder access probe.
#pragma once

#include <string>

#include "platform/base/win_types.h"

// The Windows version code 0 to 10 that decides renderer choices and workarounds. This system
// behaves as the newest version the code names, so the code is always 10 (version 6.1): every
// "Vista or later" (code 8 and above) path is taken.
// Tests set another code to take the older paths.
class CWinVersion {
 public:
  static constexpr int kLinuxVersionCode = 10;

  CWinVersion() : m_nVersion(ProcessVersionCode()) {}
  int GetVersion() const { return m_nVersion; }

  // The code every new object of this process reports; kLinuxVersionCode puts the real one back.
  static void SetProcessVersionCode(int code);
  static int ProcessVersionCode();

  int m_nVersion;
};

// There is no system's own information tool here, so the path lookup answers FALSE; the
// command opens the suite's own window (CSystemInfoDialog) modally instead.
class CSystemInfoLauncher {
 public:
  static BOOL GetSystemInfoPath(std::string& path);
  void OpenSystemInformation();
};

// Whether sub-folders (*canCreateFolders) and files (*canCreateFiles) can be created in
// folder; both FALSE when it is missing or not a folder.
void ProbeFolderAccess(LPCSTR folder, BOOL* canCreateFolders, BOOL* canCreateFiles);
