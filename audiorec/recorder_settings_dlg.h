// CRecorderSettingsDlg: the settings dialog (172): noise reduction on or off and its level, the
// web-streaming switch that stops monitoring the input, and the source's property pages. Every
// change goes to the running engine at once; Cancel undoes nothing.
#pragma once

#include <string>

#include "platform/controls/afx_controls.h"
#include "platform/window/afx_dialog.h"

namespace auvry {

class CRecorderSettingsDlg : public CDialog {
 public:
  static constexpr UINT kApplyLevel = WM_APP + 1;
  explicit CRecorderSettingsDlg(CWnd* parent = nullptr);

  // "%3.1f" of pos x 0.1 - 15: what the value label shows for a slider position.
  static std::string LevelText(int position);

  int m_bNoiseReduction = 0;
  int m_bWebStreaming = 0;
  int m_nLevel = 150;
  std::string m_audioName, m_videoName;

 protected:
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* dx) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnHScroll(UINT code, UINT pos, CScrollBar* bar) override;
  void OnNoiseReduction();
  void OnWebStreaming();
  void OnDevicePages();
  LRESULT OnApplyLevel(WPARAM, LPARAM);
  DECLARE_MESSAGE_MAP()

 private:
  void ApplyNoiseLevel();
  void EnableLevelControls();

  CSliderCtrl slider_;
};

}  // namespace auvry
