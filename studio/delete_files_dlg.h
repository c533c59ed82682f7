// The question before a clip leaves the list: to the trash, out of the list only, or not at all.
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

namespace studio {

class CDeleteFilesDialog : public CDialog {
 public:
  enum Choice { kMoveToTrash = 0, kKeepFile = 1, kCancel = 2 };
  explicit CDeleteFilesDialog(CWnd* parent = nullptr);

  std::string m_fileName;
  int m_choice = kCancel;

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnMoveToTrash();
  void OnKeepFiles();

  DECLARE_MESSAGE_MAP()
};

}  // namespace studio
