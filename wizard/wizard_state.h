// The wizard's process-wide settings and disc state: loaded before the wizard dialog opens,
// read and written by every page on the UI thread, saved after the dialog closes.
#pragma once

#include <string>

#include "platform/base/win_types.h"

class CQnDataCDDVD;

namespace wizard {

constexpr const char* kSettingsKey = "SOFTWARE\\Narvell\\Vidarro 5";

struct WizardState {
  // Folders end in "/".
  std::string programFolder;
  std::string windowTitle;
  std::string outputFolder;
  std::string videoDevice;
  std::string audioDevice;
  std::string dvdFolder;
  std::string bdFolder;
  std::string writerName;
  int discType = 0;  // 0 DVD, 1 Blu-ray
  int saveToPC = 0;
  int recordingMinutes = 70;
  int sourcePlayer = 1;
  int inputCable = 1;
  int volume = 10;
  int wideScreen = 0;
  int lowResolution = 0;
  int checkVideoSignal = 1;
  int cpuMode = 0;
  DWORD videoStandard = 0x1;
  int standardFamily = 1;  // 1 NTSC, 2 PAL
  int makeCopyDisc = 1;
  int writerCount = 0;
  // The disc of page 129.
  int discKind = 0;
  BOOL doubleLayer = FALSE;
  unsigned long freeBlocks = 0;
  // The shared libraries' handles (null when missing): the UI library draws every window.
  HMODULE uiLibrary = nullptr;
  HMODULE extraLibrary = nullptr;
  HMODULE imageLibrary = nullptr;
  // Burn options.
  std::string discName;
  int writeSpeedIndex = 0;

  bool IsBluRay() const { return discType == 1; }
};

// The one block every page shares.
WizardState& State();
// The one disc writer, initialised when the wizard dialog opens and released when it ends.
CQnDataCDDVD& Writer();

struct VideoStandard {
  DWORD standard;
  int family;
};
// The capture standard of an InputVideoStandard text (any case); NTSC_M for an unknown text.
// "LOCAL" takes the user's country, with the SECAM variants that have no PAL twin as PAL_B.
VideoStandard VideoStandardFromText(const std::string& text);

}  // namespace wizard
