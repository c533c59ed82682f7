// Message boxes as real modal dialogs: installs the window system's handler behind the
// foundation's MessageBox facade.
#pragma once

#include <string>

#include "platform/base/win_types.h"

namespace platform {

// Installs the dialog handler unless another handler (a test's recorder) is in place; programs
// do this at start-up through CWinApp. Safe to repeat.
void InstallWindowMessageBoxes();
// Shows one box as a modal dialog now; the handler's work, callable directly.
int ShowMessageBoxDialog(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// The id of the text control of a message box dialog.
constexpr int kMessageBoxTextId = 0xFFFF;

}  // namespace platform
