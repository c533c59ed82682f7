// Answers for modal dialogs, given before the code under test opens them. Each step waits on
// the modal-loop script: it runs when the next modal loop has nothing to do, on the dialog that
// is then active, and drives it with real input. A loop whose script has run out ends as
// cancelled, so a forgotten answer fails a test instead of hanging it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/message_box.h"
#include "platform/base/win_types.h"

namespace testkit {

// Message boxes are answered without showing: QueueAnswer(IDYES), then read Calls().
using MessageBoxAnswers = platform::MessageBoxRecorder;

// The window the next modal step acts on: the active window of this thread.
HWND ActiveDialog();

// Runs `step` on the dialog when the modal loop next goes idle.
void WhenDialogShows(std::function<void(HWND dialog)> step);
// Lets the next idle moment pass without acting (a dialog's first paint, say).
void WaitOneStep();
// Modal loops with nothing scripted end at once as cancelled; call before code that may open
// one without any answer given.
void EndUnansweredDialogs();

// Clicks a button of the dialog (by id) with the mouse.
void AnswerWithButton(int id);
void CancelDialog();

// File dialogs: types `name` into the file name box (a name, a path, or several quoted names)
// and presses Open/Save.
void AnswerFileDialog(const std::string& name);
// Chooses the filter at `index` of the file type box, then types `name` and confirms.
void AnswerFileDialogWithFilter(int index, const std::string& name);

// Chooses `name` by a double click in the file list (after choosing the filter at `filterIndex`
// when it is not negative), as a user picks a name that would be awkward to type; a name not
// listed fails the test and cancels.
void PickInFileDialog(const std::string& name, int filterIndex = -1);

// Folder browser: selects `folder` in the tree (as BFFM_SETSELECTION does) and presses OK.
void AnswerFolderDialog(const std::string& folder);
// Folder browser with an edit box: types `folder` into it and presses OK.
void TypeIntoFolderDialog(const std::string& folder);

}  // namespace testkit
