// Page 130 of the main window, the capture step. The capture controls come with the capture
// page's own work; until then it is an empty page of the right size.
#pragma once

#include "widgets/skin_page.h"

namespace studio {

constexpr UINT kCapturePageId = 130;
// The main window asks the capture page to end any recording and close, and tells it that the
// capture step was chosen again.
constexpr UINT WM_CAPTURE_END_AND_CLOSE = WM_USER + 384;
constexpr UINT WM_CAPTURE_STEP_AGAIN = WM_USER + 385;

class CCapturePage : public CSkinPage {
 public:
  CCapturePage();
  void SetPageSize(int width, int height) override;
  void ResizePage(int width, int height) override;
  // Whether a recording runs now; closing the main window waits for it.
  virtual BOOL IsRecording() const { return FALSE; }

  int stepAgainCount = 0;

 protected:
  LRESULT OnStepAgain(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()
};

}  // namespace studio
