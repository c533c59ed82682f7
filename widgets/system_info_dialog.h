// The suite's own system information window: processor, memory, display and local file
// systems in a read-only text, with a Close button; Escape closes it too.
#pragma once

#include "platform/window/afx_dialog.h"

class CSystemInfoDialog : public CDialog {
 public:
  static constexpr int kTextId = 1001;
  static constexpr const char* kCaption = "System Information";

  explicit CSystemInfoDialog(CWnd* parent = nullptr);
  BOOL OnInitDialog() override;
};
