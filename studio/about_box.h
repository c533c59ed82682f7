// The About box: the product title, its version and the maker's web address as a link.
#pragma once

#include <string>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/skin_label.h"

namespace studio {

class CAboutBox : public CDialog {
 public:
  explicit CAboutBox(CWnd* parent = nullptr);

  std::string m_title;
  std::string m_version;
  std::string m_link;

 protected:
  BOOL OnInitDialog() override;

 private:
  CSkinLabel link_;
};

// Resource texts of the program, empty when missing.
std::string ResourceText(UINT id);

}  // namespace studio
