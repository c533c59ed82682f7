// What the recorder's main window does with its recordings list: play a recording, the delete
// prompt walk, the burn menu (menu 147) and the three burn hand-offs. The window's handlers call
// these with its list.
#pragma once

#include <functional>
#include <string>

#include "audiorec/recording_list_ctrl.h"

class CWnd;

namespace auvry {

// Plays the first selected recording with the user's player; a file that cannot be read is
// skipped without a word.
void PlaySelectedRecording(const CRecordingListCtrl& list);

// Asks for each selected row (by its name) what becomes of it; the default asks with dialog 169.
using DeleteQuestion = std::function<int(const std::string& name)>;
// The prompt walk of the Delete button and the Delete key, run once per press.
void DeleteSelectedRecordings(CRecordingListCtrl& list, CWnd* owner, const DeleteQuestion& ask = {});

// Tracks the burn menu under the Burn button; its command goes to `owner`.
void ShowBurnMenu(CWnd* owner, HWND burnButton);

// The hand-offs of the menu's commands: the selected rows' paths, in list order, open the burn
// dialog; `burnDialogOpen` is 1 while it runs.
void BurnAudioCD(const CRecordingListCtrl& list, CWnd* owner, const std::string& outputFolder, int* burnDialogOpen);
// mode 0: WMA CD, 1: WMA DVD.
void BurnDataDisc(const CRecordingListCtrl& list, CWnd* owner, int mode, const std::string& outputFolder,
                  int* burnDialogOpen);

}  // namespace auvry
