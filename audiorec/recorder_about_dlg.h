// CRecorderAboutDlg: the About box (dialog 100): the product name, its version and the maker's
// address as a link.
#pragma once

#include "platform/window/afx_dialog.h"
#include "widgets/skin_label.h"

namespace auvry {

class CRecorderAboutDlg : public CDialog {
 public:
  explicit CRecorderAboutDlg(CWnd* parent = nullptr);

 protected:
  BOOL OnInitDialog() override;

 private:
  CSkinLabel link_;
};

}  // namespace auvry
