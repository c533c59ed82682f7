// The About box: the launcher name, the version and the maker's web address as a link.
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"
#include "widgets/skin_label.h"

namespace starter {

class CAboutDlg : public CDialog {
 public:
  static constexpr const char* kVersion = "5.0.25";

  CAboutDlg(const std::string& launcherName, CWnd* parent = nullptr);

 protected:
  BOOL OnInitDialog() override;

 private:
  std::string launcherName_;
  CSkinLabel link_;
};

}  // namespace starter
