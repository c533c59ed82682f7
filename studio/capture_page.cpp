#include "capture_page.h"

#include "quillon_ids.h"

namespace studio {

BEGIN_MESSAGE_MAP(CCapturePage, CSkinPage)
ON_MESSAGE(WM_CAPTURE_STEP_AGAIN, &CCapturePage::OnStepAgain)
END_MESSAGE_MAP()

CCapturePage::CCapturePage() : CSkinPage(IDD_CAPTURE_PAGE) {}

void CCapturePage::SetPageSize(int width, int height) {
  if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void CCapturePage::ResizePage(int width, int height) { SetPageSize(width, height); }

LRESULT CCapturePage::OnStepAgain(WPARAM, LPARAM) {
  ++stepAgainCount;
  return 0;
}

}  // namespace studio
