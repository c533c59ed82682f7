// The tool tip a skin button keeps over its whole client area, made at the first text.
#pragma once

#include <memory>
#include <string>

#include "platform/controls/afx_controls.h"

namespace skin {

class ControlToolTip {
 public:
  ControlToolTip() = default;
  ControlToolTip(const ControlToolTip&) = delete;
  ControlToolTip& operator=(const ControlToolTip&) = delete;
  ~ControlToolTip();

  // The text shown over `control`; an empty string resource leaves the tip as it is.
  void SetText(CWnd* control, const std::string& text, BOOL activate);
  void SetString(CWnd* control, UINT stringId, BOOL activate);
  // Switches a tip that has a text on or off.
  void Activate(BOOL activate);
  // The mouse messages the tip watches, from the control's PreTranslateMessage.
  void Relay(MSG* msg);

 private:
  std::unique_ptr<CToolTipCtrl> tip_;
};

}  // namespace skin
