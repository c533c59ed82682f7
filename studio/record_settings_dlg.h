// "Record Settings": the capture devices, the format with its disc size, the quality, the TV
// system and the output folder, each applied at once and told to the capture page; Cancel
// takes back the format, TV system, quality, disc size and folder.
#pragma once

#include <string>
#include <vector>

#include "capture_rules.h"
#include "platform/controls/afx_controls.h"
#include "platform/window/afx_dialog.h"
#include "widgets/skin_icon_button.h"

namespace studio {

struct AppSettings;
class StudioModel;

class CRecordSettingsDlg : public CDialog {
 public:
  // `owner` is the capture page; `model` holds the settings and folders.
  CRecordSettingsDlg(CWnd* owner, StudioModel* model, AppSettings* settings);

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  // The format items now in the list, in order.
  const std::vector<FormatItem>& Items() const { return items_; }

 protected:
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT type) override;
  void OnFormatChange();
  void OnQualityChange();
  void OnTvSystemChange();
  void OnVideoDeviceChange();
  void OnAudioDeviceChange();
  void OnEncoderSettings();
  void OnBrowseFolder();
  void OnVideoDeviceSettings();
  void OnAudioDeviceSettings();
  DECLARE_MESSAGE_MAP()

 private:
  void FillFormatList(int deviceType);
  void SelectCurrentFormat();
  void EnableForFormat(int format);
  void UpdateResultText();
  void UpdateDeviceControls(const std::string& videoName);
  void Tell(WPARAM kind, LPARAM value);
  int CurrentDeviceType();
  std::string OutputFolder() const;

  CWnd* owner_;
  StudioModel* model_;
  AppSettings* settings_;
  CSkinIconButton browse_;
  CComboBox audio_, video_, tvSystem_, quality_, format_;
  std::vector<FormatItem> items_;
  int savedTvSystem_ = 0, savedCapacity_ = 0, savedQuality_ = 0, savedFormat_ = 0;
  std::string savedFolder_;
  CFont resultFont_;
};

}  // namespace studio
