#include "audiorec/recorder_settings_dlg.h"

#include "audiorec/recorder_dlg.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/window/afx_msgmap.h"
#include "platform/window/window.h"
#include "resources/auvry_ids.h"

namespace auvry {

BEGIN_MESSAGE_MAP(CRecorderSettingsDlg, CDialog)
ON_WM_HSCROLL()
ON_MESSAGE(kApplyLevel, &CRecorderSettingsDlg::OnApplyLevel)
ON_BN_CLICKED(IDC_AUVRY_NOISE_REDUCTION, &CRecorderSettingsDlg::OnNoiseReduction)
ON_BN_CLICKED(IDC_AUVRY_WEB_STREAMING, &CRecorderSettingsDlg::OnWebStreaming)
ON_BN_CLICKED(IDC_AUVRY_DEVICE_PAGES, &CRecorderSettingsDlg::OnDevicePages)
END_MESSAGE_MAP()

CRecorderSettingsDlg::CRecorderSettingsDlg(CWnd* parent) : CDialog(IDD_AUVRY_SETTINGS, parent) {}

std::string CRecorderSettingsDlg::LevelText(int position) { return platform::Format("%3.1f", position * 0.1 - 15.0); }

void CRecorderSettingsDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Check(dx, IDC_AUVRY_NOISE_REDUCTION, m_bNoiseReduction);
  DDX_Check(dx, IDC_AUVRY_WEB_STREAMING, m_bWebStreaming);
}

BOOL CRecorderSettingsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  slider_.SubclassDlgItem(IDC_AUVRY_NOISE_LEVEL, this);
  slider_.SetRange(0, 300);
  slider_.SetPos(m_nLevel);
  ApplyNoiseLevel();
  EnableLevelControls();
  return TRUE;
}

void CRecorderSettingsDlg::ApplyNoiseLevel() {
  const int position = slider_.GetPos();
  m_nLevel = position;
  SetDlgItemText(IDC_AUVRY_NOISE_VALUE, LevelText(position));
  RecordEngine().SetNoiseReduction(static_cast<BYTE>(m_bNoiseReduction ? 1 : 0), static_cast<float>(position * 0.1));
}

void CRecorderSettingsDlg::EnableLevelControls() {
  for (int id : {IDC_AUVRY_LEVEL_LABEL, IDC_AUVRY_NOISE_LEVEL, IDC_AUVRY_LESS, IDC_AUVRY_MORE, IDC_AUVRY_NOISE_VALUE})
    if (HWND control = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(control, m_bNoiseReduction != 0);
}

void CRecorderSettingsDlg::OnNoiseReduction() {
  UpdateData(TRUE);
  ApplyNoiseLevel();
  EnableLevelControls();
}

void CRecorderSettingsDlg::OnWebStreaming() {
  UpdateData(TRUE);
  HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  RecordEngine().Reopen(::GetParent(m_hWnd), m_videoName, m_audioName, m_bWebStreaming ? 2 : 1);
  ::SetCursor(previous);
}

void CRecorderSettingsDlg::OnDevicePages() {
  CAudioRecordGraph& engine = RecordEngine();
  if (engine.IsVideoSourceOpen()) engine.ShowVideoSourcePages();
  else engine.ShowAudioSourcePages();
}

void CRecorderSettingsDlg::OnHScroll(UINT code, UINT pos, CScrollBar* bar) {
  if (code == SB_THUMBPOSITION && bar && bar->m_hWnd == slider_.m_hWnd) ApplyNoiseLevel();
  CDialog::OnHScroll(code, pos, bar);
}

LRESULT CRecorderSettingsDlg::OnApplyLevel(WPARAM, LPARAM) {
  ApplyNoiseLevel();
  return 0;
}

BOOL CRecorderSettingsDlg::PreTranslateMessage(MSG* msg) {
  const BOOL handled = CDialog::PreTranslateMessage(msg);
  if ((msg->message == WM_LBUTTONUP || msg->message == WM_KEYDOWN) && slider_.m_hWnd && msg->hwnd == slider_.m_hWnd)
    // The slider moves when the message is dispatched, after this.
    PostMessage(kApplyLevel);
  return handled;
}

}  // namespace auvry
