// CDeleteFilesDialog (dialog 169): the question asked for each selected recording before it
// leaves the list: to the trash, out of the list only, or not at all.
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

class CDeleteFilesDialog : public CDialog {
 public:
  enum Choice { kRecycle = 0, kKeep = 1, kCancel = 2 };
  explicit CDeleteFilesDialog(CWnd* parent = nullptr);

  std::string m_fileName;  // shown under the question
  int m_choice = kCancel;

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnRecycle();
  void OnKeep();

  DECLARE_MESSAGE_MAP()
};
