// The starter's main window: three large buttons that start the wizard, the main program or the
// audio recorder, the help menu and the window buttons, over a skin with rounded corners.
#pragma once

#include <array>
#include <string>

#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/tip_bitmap_button.h"

namespace starter {

class CLanvikApp;

class CLanvikDlg : public CDialog {
 public:
  static constexpr UINT_PTR kCloseTimer = 100;
  static constexpr UINT kCloseMs = 100;
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 520;
  static constexpr UINT kAboutCommand = 0x0010;

  explicit CLanvikDlg(const CLanvikApp& app, CWnd* parent = nullptr);
  ~CLanvikDlg() override;

  // Starts "<app folder><program>" with "open"; a failure is logged, never shown.
  void Launch(const char* program);

 protected:
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT type) override;
  void OnTimer(UINT_PTR id) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnSysCommand(UINT id, LPARAM lParam) override;

  void OnLaunchWizard();
  void OnLaunchAdvanced();
  void OnLaunchAudioRecorder();
  void OnHelpButton();
  void OnMinimize();
  void OnExit();
  void OnHelpGuide();
  void OnHelpSupport();
  void OnHelpSystemInfo();
  void OnAbout();

  DECLARE_MESSAGE_MAP()

 private:
  void SetUpSkin();
  void LayOut();
  void StartLaunch(const char* program);

  const CLanvikApp& app_;
  std::array<CTipBitmapButton, 7> buttons_;
  HBITMAP background_ = nullptr;
  HBRUSH backgroundBrush_ = nullptr;
  HBITMAP picture_ = nullptr;
  HBITMAP corners_ = nullptr;
  HFONT headingFont_ = nullptr;
  HFONT leadFont_ = nullptr;
  HFONT textFont_ = nullptr;
  HMENU helpMenu_ = nullptr;
};

}  // namespace starter
