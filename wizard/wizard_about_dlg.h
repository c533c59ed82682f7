// The About box (dialog 100): the product title, its version and the maker's address.
#pragma once

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/skin_label.h"

class CAboutDialog : public CDialog {
 public:
  explicit CAboutDialog(CWnd* parent = nullptr);

  static constexpr const char* kVersion = " : 5.0.25";

 protected:
  BOOL OnInitDialog() override;

 private:
  CSkinLabel m_link;
};
