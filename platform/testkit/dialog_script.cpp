#include "platform/testkit/dialog_script.h"

#include <gtest/gtest.h>

#include "platform/controls/commctrl.h"
#include "platform/script/user_actions.h"
#include "platform/shell/file_dialog.h"
#include "platform/shell/folder_browser.h"
#include "platform/testkit/driving.h"
#include "platform/window/focus.h"
#include "platform/window/input.h"

namespace testkit {

HWND ActiveDialog() { return GetActiveWindow(); }

void WhenDialogShows(std::function<void(HWND dialog)> step) {
  platform::PushInputStep([step = std::move(step)] { step(ActiveDialog()); });
}

void WaitOneStep() {
  platform::PushInputStep([] {});
}

void EndUnansweredDialogs() {
  platform::PushInputStep([] {});
}

namespace {

// Injected, not pumped: the modal loop that runs the step delivers the input.
void ClickInLoop(HWND dialog, int id) { platform::script::ClickControlOf(dialog, id); }

void TypeInLoop(HWND dialog, int id, const std::string& text) { platform::script::TypeIntoControl(dialog, id, text); }

}  // namespace

void AnswerWithButton(int id) {
  WhenDialogShows([id](HWND d) { ClickInLoop(d, id); });
}

void CancelDialog() { AnswerWithButton(IDCANCEL); }

void AnswerFileDialog(const std::string& name) {
  WhenDialogShows([name](HWND d) {
    TypeInLoop(d, platform::kFileNameEditId, name);
    ClickInLoop(d, IDOK);
  });
}

void AnswerFileDialogWithFilter(int index, const std::string& name) {
  WhenDialogShows([index](HWND d) {
    HWND types = GetDlgItem(d, platform::kFileTypeComboId);
    SendMessage(types, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessage(d, WM_COMMAND, MAKEWPARAM(platform::kFileTypeComboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(types));
  });
  AnswerFileDialog(name);
}

void PickInFileDialog(const std::string& name, int filterIndex) {
  WhenDialogShows([name, filterIndex](HWND d) {
    if (filterIndex >= 0) {
      HWND types = GetDlgItem(d, platform::kFileTypeComboId);
      SendMessage(types, CB_SETCURSEL, static_cast<WPARAM>(filterIndex), 0);
      SendMessage(d, WM_COMMAND, MAKEWPARAM(platform::kFileTypeComboId, CBN_SELCHANGE),
                  reinterpret_cast<LPARAM>(types));
    }
    HWND files = GetDlgItem(d, platform::kFileListId);
    const int count = static_cast<int>(SendMessage(files, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      std::string text(static_cast<size_t>(SendMessage(files, LB_GETTEXTLEN, i, 0)) + 1, '\0');
      SendMessage(files, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      if (name != text.c_str()) continue;
      SendMessage(files, LB_SETCURSEL, i, 0);
      SendMessage(d, WM_COMMAND, MAKEWPARAM(platform::kFileListId, LBN_DBLCLK), reinterpret_cast<LPARAM>(files));
      return;
    }
    ADD_FAILURE() << "\"" << name << "\" is not listed in the file dialog";
    ClickInLoop(d, IDCANCEL);
  });
}

void AnswerFolderDialog(const std::string& folder) {
  WhenDialogShows([folder](HWND d) {
    SendMessage(d, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    ClickInLoop(d, IDOK);
  });
}

void TypeIntoFolderDialog(const std::string& folder) {
  WhenDialogShows([folder](HWND d) {
    TypeInLoop(d, platform::kFolderEditId, folder);
    ClickInLoop(d, IDOK);
  });
}

}  // namespace testkit
