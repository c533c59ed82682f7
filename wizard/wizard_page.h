// CWizardPage: the base of every wizard page (a child dialog the host places over its
// placeholder) with the navigation hooks, the three page fonts and the background picture.
#pragma once

#include <string>

#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"

class CWizardPageHost;

class CWizardPage : public CDialog {
 public:
  explicit CWizardPage(UINT pageId);

  // The hooks in their slot order. Back and Next answer -1 (stay), 0 (the list neighbour) or a
  // page id.
  virtual BOOL OnReserved() { return TRUE; }
  virtual BOOL OnPageCreate() { return TRUE; }
  virtual void OnPageDestroy() {}
  virtual BOOL OnKillActive() { return TRUE; }
  virtual void OnSetActive() {}
  virtual BOOL OnQueryCancel() { return TRUE; }
  virtual int GetBackPage() { return 0; }
  virtual int GetNextPage() { return 0; }
  virtual BOOL OnWizardFinish() { return TRUE; }

  UINT m_nPageId;
  BOOL m_bCreated = FALSE;
  BOOL m_bActive = FALSE;
  CWizardPageHost* m_pHost = nullptr;

  void SetBackground(UINT bitmapId, HINSTANCE module);
  void SetItemFont(int id, int x, int y, int cx, int cy, HFONT font);
  // Free megabytes of the volume that holds the path; 0 when it cannot be read.
  static unsigned long long GetFreeSpaceMB(const std::string& path);

  static constexpr int kWidth = 766;
  static constexpr int kHeight = 373;

 protected:
  BOOL OnInitDialog() override;
  // Enter and Escape never close a page.
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  // Text controls sit on the background in the colours the page chose (SetTextColour).
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void SetTextColour(int id, COLORREF colour);
  HBITMAP Background() const { return m_background; }
  // The page picture as a brush, for skin controls that paint the background under them.
  HBRUSH BackgroundBrush() { return static_cast<HBRUSH>(m_backgroundBrush); }
  DECLARE_MESSAGE_MAP()

 public:
  CFont m_fontLarge;
  CFont m_fontMiddle;
  CFont m_fontSmall;

 private:
  HBITMAP m_background = nullptr;
  CBitmap m_backgroundOwner;
  CBrush m_backgroundBrush;
  std::vector<std::pair<int, COLORREF>> m_colours;
};
