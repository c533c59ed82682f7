// CBurnOptionsDialog (dialog 347): the work folder, the disc name and the burn speed.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/tip_bitmap_button.h"
#include "widgets/skin_combo_box.h"

class CBurnOptionsDialog : public CDialog {
 public:
  CBurnOptionsDialog(double neededMB, CWnd* parent = nullptr);

  static constexpr int kFolderText = 1113;
  static constexpr int kFolderButton = 1114;
  static constexpr int kRequired = 1137;
  static constexpr int kAvailable = 1138;
  static constexpr int kDiscName = 1147;
  static constexpr int kSpeedList = 1149;
  static constexpr int kClose = 1022;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnFolder();
  void OnClose() override;
  void OnCloseButton();
  void OnNameChange();
  DECLARE_MESSAGE_MAP()

 private:
  void ShowSpace();

  double m_neededMB;
  std::string m_folder;
  HBITMAP m_background = nullptr;
  CBitmap m_backgroundOwner;
  CBrush m_brush;
  CTipBitmapButton m_close, m_folderButton, m_ok, m_cancel;
  std::unique_ptr<CSkinComboBox> m_speeds;
};

namespace wizard {
// The folder the user picks in the skin's folder chooser, starting at `start`; empty when
// cancelled.
std::string ChooseFolder(CWnd* owner, const std::string& start);
}  // namespace wizard
