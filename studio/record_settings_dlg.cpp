#include "record_settings_dlg.h"

#include "about_box.h"
#include "app_settings.h"
#include "capture_dialogs.h"
#include "capture_engine.h"
#include "capture_page.h"
#include "platform/base/file_system.h"
#include "platform/base/strings.h"
#include "platform/registry/registry.h"
#include "product.h"
#include "quillon_ids.h"
#include "studio_model.h"
#include "widgets/folder_browser.h"
#include "widgets/reg_helpers.h"
#include "widgets/system_info.h"

namespace studio {
BEGIN_MESSAGE_MAP(CRecordSettingsDlg, CDialog)
ON_CBN_SELCHANGE(IDC_RS_FORMAT, &CRecordSettingsDlg::OnFormatChange)
ON_CBN_SELCHANGE(IDC_RS_QUALITY, &CRecordSettingsDlg::OnQualityChange)
ON_CBN_SELCHANGE(IDC_RS_TV_SYSTEM, &CRecordSettingsDlg::OnTvSystemChange)
ON_CBN_SELCHANGE(IDC_RS_VIDEO_DEVICE, &CRecordSettingsDlg::OnVideoDeviceChange)
ON_CBN_SELCHANGE(IDC_RS_AUDIO_DEVICE, &CRecordSettingsDlg::OnAudioDeviceChange)
ON_BN_CLICKED(IDC_RS_ENCODER_SETTINGS, &CRecordSettingsDlg::OnEncoderSettings)
ON_BN_CLICKED(IDC_RS_BROWSE, &CRecordSettingsDlg::OnBrowseFolder)
ON_BN_CLICKED(IDC_RS_VIDEO_SETTINGS, &CRecordSettingsDlg::OnVideoDeviceSettings)
ON_BN_CLICKED(IDC_RS_AUDIO_SETTINGS, &CRecordSettingsDlg::OnAudioDeviceSettings)
END_MESSAGE_MAP()

CRecordSettingsDlg::CRecordSettingsDlg(CWnd* owner, StudioModel* model, AppSettings* settings)
    : CDialog(IDD_RECORD_SETTINGS, owner), owner_(owner), model_(model), settings_(settings) {}

std::string CRecordSettingsDlg::OutputFolder() const { return model_ ? model_->folders.output : std::string(); }

void CRecordSettingsDlg::Tell(WPARAM kind, LPARAM value) {
  if (owner_ && owner_->m_hWnd) ::SendMessage(owner_->m_hWnd, WM_CAPTURE_SETTING_CHANGED, kind, value);
}

int CRecordSettingsDlg::CurrentDeviceType() {
  const int index = video_.GetCurSel();
  const std::string name =
      index >= 0 ? TheCaptureEngine().devices.GetVideoDeviceName(index) : settings_->videoDeviceName;
  return TheCaptureEngine().devices.GetDeviceType(name);
}

BOOL CRecordSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  AppSettings& s = *settings_;
  browse_.SubclassDlgItem(IDC_RS_BROWSE, this);
  browse_.SetIcons(IDI_RS_BROWSE, IDI_RS_BROWSE);
  for (auto [combo, id] : {std::pair{&audio_, IDC_RS_AUDIO_DEVICE}, std::pair{&video_, IDC_RS_VIDEO_DEVICE},
                           std::pair{&tvSystem_, IDC_RS_TV_SYSTEM}, std::pair{&quality_, IDC_RS_QUALITY},
                           std::pair{&format_, IDC_RS_FORMAT}})
    combo->SubclassDlgItem(id, this);

  CCaptureDeviceList& devices = TheCaptureEngine().devices;
  devices.Refresh();
  for (int i = 0; i < devices.GetVideoDeviceCount(); ++i) video_.AddString(devices.GetVideoDeviceName(i));
  video_.SelectString(-1, s.videoDeviceName);
  UpdateDeviceControls(s.videoDeviceName);
  for (int i = 0; i < devices.GetAudioDeviceCount(); ++i) audio_.AddString(devices.GetAudioDeviceName(i));
  audio_.SelectString(-1, s.audioDeviceName);

  FillFormatList(devices.GetDeviceType(s.videoDeviceName));
  for (UINT id = IDS_QUALITY_BEST; id < IDS_QUALITY_BEST + 4; ++id) quality_.AddString(ResourceText(id));
  quality_.SetCurSel(s.quality);
  tvSystem_.AddString("NTSC");
  tvSystem_.AddString("PAL");
  tvSystem_.SetCurSel(s.tvSystemIndex == 0 ? 0 : 1);

  if (CWnd* result = GetDlgItem(IDC_RS_RESULT)) {
    LOGFONT font{};
    if (CFont* current = result->GetFont()) current->GetLogFont(&font);
    font.lfWeight = FW_SEMIBOLD;
    resultFont_.CreateFontIndirect(&font);
    result->SetFont(&resultFont_);
  }
  SetDlgItemText(IDC_RS_FOLDER, OutputFolder());
  EnableForFormat(s.recordFormat);
  UpdateResultText();
  savedFormat_ = s.recordFormat;
  savedTvSystem_ = s.tvSystemIndex;
  savedQuality_ = s.quality;
  savedCapacity_ = s.discCapacity;
  savedFolder_ = OutputFolder();
  return TRUE;
}

void CRecordSettingsDlg::FillFormatList(int deviceType) {
  format_.ResetContent();
  items_ = FormatListFor(deviceType, settings_->outputHoldsLargeFiles != FALSE, ResourceText(IDS_SINGLE_LAYER),
                         ResourceText(IDS_DUAL_LAYER));
  for (const FormatItem& item : items_) format_.AddString(item.name + " (" + item.detail + ")");
  SelectCurrentFormat();
}

void CRecordSettingsDlg::SelectCurrentFormat() {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].format == settings_->recordFormat && items_[i].capacityMB == settings_->discCapacity) {
      format_.SetCurSel(static_cast<int>(i));
      return;
    }
  format_.SetCurSel(2);
  OnFormatChange();
}

void CRecordSettingsDlg::OnFormatChange() {
  const int index = format_.GetCurSel();
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  const FormatItem& item = items_[static_cast<size_t>(index)];
  if (item.format != settings_->recordFormat) Tell(kChangeFormat, item.format);
  settings_->recordFormat = item.format;
  settings_->discCapacity = item.capacityMB;
  EnableForFormat(item.format);
  UpdateResultText();
}

void CRecordSettingsDlg::EnableForFormat(int format) {
  bool encoder = true, quality = true, tv = true;
  if (format == kVcd || format == kSvcd) encoder = false;
  else if (format == kAvi) quality = false;
  else if (format == kHdv || format == kDvAvi) encoder = quality = tv = false;
  for (auto [id, on] : {std::pair{IDC_RS_ENCODER_SETTINGS, encoder}, std::pair{IDC_RS_QUALITY, quality},
                        std::pair{IDC_RS_TV_SYSTEM, tv}})
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(on ? TRUE : FALSE);
}

void CRecordSettingsDlg::UpdateResultText() {
  const int index = format_.GetCurSel();
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  SetDlgItemText(IDC_RS_RESULT, RecordingResultText(ResourceText(IDS_RESULT_PATTERN),
                                                    items_[static_cast<size_t>(index)], settings_->quality));
}

void CRecordSettingsDlg::OnQualityChange() {
  settings_->quality = quality_.GetCurSel();
  UpdateResultText();
}

void CRecordSettingsDlg::OnTvSystemChange() {
  settings_->tvSystemIndex = tvSystem_.GetCurSel();
  Tell(kChangeTvSystem, settings_->tvSystemIndex);
}

void CRecordSettingsDlg::OnVideoDeviceChange() {
  const int index = video_.GetCurSel();
  Tell(kChangeVideoDevice, index);
  audio_.SetCurSel(settings_->audioDeviceIndex);
  const std::string name = TheCaptureEngine().devices.GetVideoDeviceName(index);
  FillFormatList(TheCaptureEngine().devices.GetDeviceType(name));
  UpdateDeviceControls(name);
}

void CRecordSettingsDlg::OnAudioDeviceChange() { Tell(kChangeAudioDevice, audio_.GetCurSel()); }

void CRecordSettingsDlg::UpdateDeviceControls(const std::string& videoName) {
  const bool own =
      TheCaptureEngine().devices.GetDeviceType(videoName) == 1 && !TheCaptureEngine().graph.HasOwnAudioPin();
  for (UINT id : {IDC_RS_AUDIO_DEVICE, IDC_RS_AUDIO_SETTINGS})
    if (CWnd* control = GetDlgItem(static_cast<int>(id))) control->EnableWindow(own ? TRUE : FALSE);
}

void CRecordSettingsDlg::OnVideoDeviceSettings() {
  CaptureEngine& engine = TheCaptureEngine();
  AppSettings& s = *settings_;
  if (engine.graph.IsOpen()) {
    if (engine.devices.IsSpecialUsbDevice(s.videoDeviceName)) CAnalogInputDialog(&s.videoInput, this).DoModal();
    else if (engine.graph.HasTvTuner()) CTunerInputDialog(&s.videoInput, this).DoModal();
    else if (!engine.graph.HasCrossbarInput(5) && !engine.graph.HasCrossbarInput(6))
      CAnalogInputDialog(&s.videoInput, this).DoModal();
    else CComponentInputDialog(&s.videoInput, this).DoModal();
    if (const long standard = engine.graph.GetTvFormat(); standard > 0) {
      s.analogVideoStandard = static_cast<int>(standard);
      engine.graph.SetVideoStandard(standard);
      SaveTvStandardName(s);
    }
    engine.graph.StoreCurrentProcAmp();
  } else if (engine.dvGraph.Graph()) {
    engine.dvGraph.ShowDevicePropertyPage();
  }
}

void CRecordSettingsDlg::OnAudioDeviceSettings() { TheCaptureEngine().graph.ShowAudioDevicePropertyPage(); }

void CRecordSettingsDlg::OnEncoderSettings() {
  AppSettings& s = *settings_;
  if (s.recordFormat == kDvd || s.recordFormat == kLongDvd) {
    CDvdSettingsDialog dialog(this);
    dialog.choice = s.cpuMode;
    dialog.ntsc = s.tvSystemIndex + 1;
    dialog.cpuClass = s.cpuClass;
    if (dialog.DoModal() == IDOK && dialog.choice != s.cpuMode && dialog.choice >= 0) {
      s.cpuMode = dialog.choice;
      Tell(kChangeFormat, s.recordFormat);
    }
  } else if (s.recordFormat == kWmv) {
    CWmvSettingsDialog dialog(this);
    dialog.title = s.wmvTitle;
    dialog.author = s.wmvAuthor;
    dialog.copyright = s.wmvCopyright;
    dialog.description = s.wmvDescription;
    if (dialog.DoModal() == IDOK) {
      s.wmvTitle = dialog.title;
      s.wmvAuthor = dialog.author;
      s.wmvCopyright = dialog.copyright;
      s.wmvDescription = dialog.description;
    }
  }
}

void CRecordSettingsDlg::OnBrowseFolder() {
  std::string shown = OutputFolder();
  if (shown.size() > 1 && (shown.back() == '/' || shown.back() == '\\')) shown.pop_back();
  CFolderBrowser browser(TRUE, nullptr, nullptr, shown.c_str(), this);
  browser.SetMessageCaption(kProductTitle);
  if (browser.DoModal() != 1) return;
  std::string chosen = browser.GetFolderPath();
  if (chosen.empty()) return;
  if (chosen.back() != '/') chosen += '/';
  BOOL folders = FALSE, files = FALSE;
  ProbeFolderAccess(chosen.c_str(), &folders, &files);
  if (!folders || !files) {
    ::MessageBox(m_hWnd, ResourceText(IDS_NO_FOLDER_PERMISSION).c_str(), kProductTitle, MB_ICONEXCLAMATION);
    return;
  }
  if (model_) model_->folders.output = chosen;
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "OutFolder", chosen.c_str());
  SetDlgItemText(IDC_RS_FOLDER, chosen);
  settings_->outputHoldsLargeFiles = FolderHoldsLargeFiles(chosen) ? TRUE : FALSE;
  FillFormatList(CurrentDeviceType());
}

void CRecordSettingsDlg::OnOK() {
  items_.clear();
  CDialog::OnOK();
}

void CRecordSettingsDlg::OnCancel() {
  AppSettings& s = *settings_;
  s.quality = savedQuality_;
  s.discCapacity = savedCapacity_;
  if (model_ && model_->folders.output != savedFolder_) {
    model_->folders.output = savedFolder_;
    RegWriteString(HKEY_CURRENT_USER, kProductKey, "OutFolder", savedFolder_.c_str());
  }
  // The flag belongs to the folder that is back, not to the one abandoned.
  s.outputHoldsLargeFiles = FolderHoldsLargeFiles(savedFolder_) ? TRUE : FALSE;
  if (s.recordFormat != savedFormat_) {
    s.recordFormat = savedFormat_;
    Tell(kChangeFormat, savedFormat_);
  }
  if (s.tvSystemIndex != savedTvSystem_) {
    s.tvSystemIndex = savedTvSystem_;
    Tell(kChangeTvSystem, savedTvSystem_);
  }
  items_.clear();
  CDialog::OnCancel();
}

HBRUSH CRecordSettingsDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT type) {
  HBRUSH brush = CDialog::OnCtlColor(dc, wnd, type);
  dc->SetBkMode(TRANSPARENT);
  if (wnd && wnd->GetDlgCtrlID() == IDC_RS_RESULT) dc->SetTextColor(RGB(200, 50, 50));
  return brush;
}

}  // namespace studio
