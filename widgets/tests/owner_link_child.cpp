// The other side of the owner-link test: a program started with "/owner=<window>" followed by
// paths. Its dialog announces itself to the owner, hands the paths over as dropped files, and
// ends when the owner says it closed.
#include <sstream>
#include <string>
#include <vector>

#include "platform/controls/commctrl.h"
#include "platform/window/afx_app.h"
#include "platform/window/dialog.h"
#include "widgets/file_drop_dialog.h"

namespace {

class CChildDialog : public CFileDropDialog {
 public:
  CChildDialog() : CFileDropDialog(UINT{0}) {}
  std::vector<std::string> files;

  BOOL OnInitDialog() override {
    CFileDropDialog::OnInitDialog();
    SetWindowText("Owner Link Child");
    if (GetOwnerWindow()) PostOwnerLinkFiles(GetOwnerWindow(), files);
    return TRUE;
  }

 protected:
  LRESULT OnLink(WPARAM code, LPARAM argument) {
    OnOwnerLink(code, argument);
    if (code == OWNER_LINK_OWNER_CLOSED) EndDialog(IDOK);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CChildDialog, CFileDropDialog)
ON_MESSAGE(WM_OWNER_LINK, &CChildDialog::OnLink)
END_MESSAGE_MAP()

class CChildApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    platform::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
    t.cx = 120;
    t.cy = 60;
    CChildDialog dialog;
    std::istringstream words(m_lpCmdLine);
    for (std::string word; words >> word;)
      if (word.rfind("/owner=", 0) != 0) dialog.files.push_back(word);
    dialog.InitModalIndirect(t);
    code_ = RunMainDialog(dialog) == IDOK ? 0 : 3;
    return FALSE;
  }
  int ExitInstance() override { return code_; }

 private:
  int code_ = 2;
};

CChildApp theApp;

}  // namespace

int main(int argc, char** argv) { return AfxWinMain(argc, argv); }
