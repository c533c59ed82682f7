#include "record_burn_page.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "capture/capture_graph.h"
#include "capture/dv_capture_graph.h"
#include "capture_graphs.h"
#include "platform/base/clock.h"
#include "platform/controls/commctrl.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/window/resources.h"
#include "small_dialogs.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr COLORREF kGreyText = RGB(130, 145, 153);
constexpr int kTapeIds[5] = {IDC_TAPE_PLAY, IDC_TAPE_PAUSE, IDC_TAPE_STOP, IDC_TAPE_REWIND, IDC_TAPE_FORWARD};
constexpr UINT kTapeTips[5] = {IDS_TIP_PLAY, IDS_TIP_PAUSE, IDS_TIP_TAPE_STOP, IDS_TIP_REWIND, IDS_TIP_FORWARD};
constexpr UINT kTapeBitmaps[5] = {IDB_TAPE_PLAY_BUTTON, IDB_TAPE_PAUSE_BUTTON, IDB_TAPE_STOP_BUTTON,
                                  IDB_TAPE_REWIND_BUTTON, IDB_TAPE_FORWARD_BUTTON};
// DirectShow's external transport modes.
constexpr long kPlay = 4296, kStop = 4297, kFreeze = 4298, kFastForward = 4300, kRewind = 4301, kPlayFastest = 4304,
               kRewindFastest = 4905, kForwardFamily = 5029, kRewindFamily = 5031, kTapeIdle = 5121;

int MeterValue(double level) { return std::clamp(static_cast<int>((level + 80.0) * 1.6 - 48.0), 0, 100); }

}  // namespace

BEGIN_MESSAGE_MAP(CRecordBurnPage, CWizardPage)
ON_WM_TIMER()
ON_WM_PAINT()
ON_STN_DBLCLK(IDC_PREVIEW, &CRecordBurnPage::OnPreviewDoubleClick)
ON_MESSAGE(WM_SKINSLIDER_TRACK, &CRecordBurnPage::OnVolumeMoved)
ON_MESSAGE(WM_SKINSLIDER_CHANGED, &CRecordBurnPage::OnVolumeMoved)
ON_CONTROL_RANGE(BN_CLICKED, IDC_TAPE_PLAY, IDC_TAPE_FORWARD, &CRecordBurnPage::OnTapeButton)
END_MESSAGE_MAP()

CRecordBurnPage::CRecordBurnPage(UINT pageId) : CWizardPage(pageId) {}

BOOL CRecordBurnPage::OnInitDialog() {
  CWizardPage::OnInitDialog();
  HMODULE ui = State().uiLibrary;
  SetBackground(IDB_RECORD_SETTINGS_PAGE, ui);
  m_record.SubclassDlgItem(IDC_RECORD, this);
  m_record.LoadBitmap(ui, IDB_RECORD_BUTTON);
  m_record.MoveTo(380, 64);
  m_record.SetToolTip(IDS_TIP_RECORD);
  m_stop.SubclassDlgItem(IDC_STOP, this);
  m_stop.LoadBitmap(ui, IDB_STOP_BUTTON);
  m_stop.MoveTo(480, 64);
  m_stop.SetToolTip(IDS_TIP_STOP);
  for (int i = 0; i < 5; ++i) {
    m_tape[i].SubclassDlgItem(kTapeIds[i], this);
    m_tape[i].LoadBitmap(ui, kTapeBitmaps[i]);
    m_tape[i].MoveTo(33 + i * 44, 231);
    m_tape[i].SetToolTip(kTapeTips[i]);
  }
  for (int i = 0; i < 2; ++i) {
    m_levels[i].SubclassDlgItem(IDC_LEVEL_LEFT + i, this);
    m_levels[i].LoadBitmap(ui, IDB_ERASE_PROGRESS);
    m_levels[i].MoveWindow(380, 116 + i * 16, 300, 10);
    m_levels[i].SetRange(0, 100);
  }
  m_progress.SubclassDlgItem(IDC_BURN_PROGRESS, this);
  m_progress.LoadBitmap(ui, IDB_ERASE_PROGRESS);
  m_progress.MoveWindow(380, 228, 290, 10);
  m_progress.SetRange(0, 100);
  m_volume.SubclassDlgItem(IDC_VOLUME, this);
  m_volume.SetChannelBitmaps(ui, IDB_VOLUME_CHANNEL, IDB_VOLUME_CHANNEL, FALSE, 0);
  m_volume.SetThumbBitmaps(ui, IDB_SLIDER_THUMB, IDB_SLIDER_THUMB_DRAG, TRUE, RGB(255, 0, 0));
  m_volume.MoveWindow(380, 156, 280, 15);
  SetItemFont(IDC_BURN_CAPTION, 380, 28, 360, 24, m_fontMiddle);
  SetItemFont(IDC_VOLUME_VALUE, 680, 156, 50, 16, m_fontSmall);
  SetItemFont(IDC_STATUS, 380, 200, 370, 20, m_fontSmall);
  SetItemFont(IDC_PERCENT, 680, 224, 60, 18, m_fontSmall);
  SetItemFont(IDC_TIME_CODE, 260, 238, 90, 18, m_fontSmall);
  for (int id : {IDC_BURN_CAPTION, IDC_VOLUME_VALUE, IDC_STATUS, IDC_PERCENT, IDC_TIME_CODE})
    SetTextColour(id, kGreyText);
  return TRUE;
}

BOOL CRecordBurnPage::OnKillActive() {
  KillTimer(kTimeCodeTimer);
  KillTimer(kLevelTimer);
  return TRUE;
}

void CRecordBurnPage::LayoutForDevice() {
  const bool camcorder = IsCamcorder();
  for (int id : kTapeIds) ::ShowWindow(::GetDlgItem(m_hWnd, id), camcorder ? SW_SHOW : SW_HIDE);
  ::ShowWindow(::GetDlgItem(m_hWnd, IDC_TIME_CODE), camcorder ? SW_SHOW : SW_HIDE);
  ::MoveWindow(PreviewWindow(), 29, 29, 320, camcorder ? 194 : 240, TRUE);
  m_volume.SetRange(0, 20, TRUE);
  m_volume.SetPos(State().volume);
  SetDlgItemText(IDC_VOLUME_VALUE, wizard::Format("%d", State().volume - 10).c_str());
  ResetMeters();
}

void CRecordBurnPage::SetButtons(int n) {
  if (auto* frame = dynamic_cast<CWendrelDlg*>(m_pHost)) frame->SetBusyState(n);
  if (n == 2) return;
  m_buttons = n;
  const bool idle = n == 0 && m_deviceReady;
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_RECORD), idle);
  ::EnableWindow(::GetDlgItem(m_hWnd, IDC_STOP), n == 1);
  for (int id : kTapeIds) ::EnableWindow(::GetDlgItem(m_hWnd, id), idle);
}

void CRecordBurnPage::SetDeviceReady(bool ready) {
  m_deviceReady = ready;
  if (m_buttons == 0) {
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_RECORD), ready);
    for (int id : kTapeIds) ::EnableWindow(::GetDlgItem(m_hWnd, id), ready);
  }
}

void CRecordBurnPage::ResetMeters() {
  for (auto& meter : m_levels) {
    meter.SetRange(0, 100);
    meter.SetPos(0);
  }
}

void CRecordBurnPage::ApplyVolume() {
  const int pos = m_volume.GetPos();
  const float gain = pos > 9 ? static_cast<float>(pos - 9) : std::max(static_cast<float>(pos) * 0.1f, 0.1f);
  if (IsCamcorder()) {
    if (wizard::DvGraphOpen()) wizard::DvGraph().SetAudioGain(1, gain);
  } else if (m_deviceType == 1) {
    wizard::AnalogGraph().SetAudioGain(1, gain);
  }
}

LRESULT CRecordBurnPage::OnVolumeMoved(WPARAM, LPARAM) {
  State().volume = m_volume.GetPos();
  SetDlgItemText(IDC_VOLUME_VALUE, wizard::Format("%d", State().volume - 10).c_str());
  ApplyVolume();
  return 0;
}

void CRecordBurnPage::ShowLevels() {
  double record[11] = {};
  bool read = false;
  if (IsCamcorder()) read = wizard::DvGraphOpen() && wizard::DvGraph().GetAudioLevels(reinterpret_cast<BYTE*>(record));
  else if (m_deviceType == 1) read = wizard::AnalogGraph().GetAudioLevels(reinterpret_cast<BYTE*>(record));
  if (!read) return;
  const int left = MeterValue(record[8]), right = MeterValue(record[9]);
  m_levels[0].SetPos(left);
  m_levels[1].SetPos(right);
  OnLevelsShown(record[8], record[9], left, right);
}

void CRecordBurnPage::ShowTimeCode() {
  const bool camcorder = IsCamcorder() && wizard::DvGraphOpen();
  SetDlgItemText(IDC_TIME_CODE, camcorder ? wizard::DvGraph().GetTimecodeText().c_str() : "__ : __ : __._");
}

void CRecordBurnPage::OnTimer(UINT_PTR id) {
  if (id == kLevelTimer) ShowLevels();
  else if (id == kTimeCodeTimer) ShowTimeCode();
  else CWizardPage::OnTimer(id);
}

void CRecordBurnPage::OnTapeButton(UINT id) {
  if (!IsCamcorder() || !wizard::DvGraphOpen()) return;
  CDvCaptureGraph& graph = wizard::DvGraph();
  const long now = graph.GetTransportMode();
  long mode = kStop;
  switch (id) {
    case IDC_TAPE_PLAY: mode = kPlay; break;
    case IDC_TAPE_PAUSE: mode = kFreeze; break;
    case IDC_TAPE_STOP: mode = kStop; break;
    case IDC_TAPE_REWIND:
      mode = (now == kPlay || now == kRewindFamily) ? kRewindFamily
             : (now == kFreeze || now == kTapeIdle) ? kRewindFastest
                                                    : kRewind;
      break;
    case IDC_TAPE_FORWARD:
      mode = (now == kPlay || now == kForwardFamily) ? kForwardFamily
             : (now == kFreeze || now == kTapeIdle)  ? kPlayFastest
                                                     : kFastForward;
      break;
    default: return;
  }
  graph.SetTransportMode(mode, 2000);
  if (id == IDC_TAPE_PLAY && m_deviceType == 3 && graph.IsPreviewing()) {
    graph.StopGraph();
    graph.RunGraph();
  }
}

void CRecordBurnPage::OnPreviewDoubleClick() {
  if (m_elapsedSeconds > 0 && !::IsWindowEnabled(::GetDlgItem(m_hWnd, IDC_RECORD))) return;
  // An HDV camcorder's picture is always 16:9.
  CFullScreenDialog full(IsCamcorder() ? 1 : 0, this, PreviewWindow(), m_deviceType == 3 || State().wideScreen);
  full.DoModal();
}

void CRecordBurnPage::OnPaint() {
  CPaintDC dc(this);
  if (!IsCamcorder()) return;
  HBITMAP panel = State().uiLibrary ? ::LoadBitmap(State().uiLibrary, MAKEINTRESOURCE(IDB_TAPE_PANEL)) : nullptr;
  if (!panel) return;
  HDC source = ::CreateCompatibleDC(dc.GetSafeHdc());
  HGDIOBJ old = ::SelectObject(source, panel);
  ::BitBlt(dc.GetSafeHdc(), 29, 223, 320, 46, source, 0, 0, SRCCOPY);
  ::SelectObject(source, old);
  ::DeleteDC(source);
  ::DeleteObject(panel);
}

std::string CRecordBurnPage::Dots() {
  m_dotCounter = (m_dotCounter + 1) % 40;
  std::string dots = " ";
  dots.append(static_cast<std::size_t>(m_dotCounter % 4), '.');
  return dots;
}

void CRecordBurnPage::ShowStatusLine(const std::string& text, int percent) {
  percent = std::clamp(percent, 0, 100);
  m_progress.SetPos(percent);
  SetDlgItemText(IDC_PERCENT, wizard::Format("%02d%%", percent).c_str());
  SetDlgItemText(IDC_STATUS, text.c_str());
}

std::string CRecordBurnPage::RecordingLine(int elapsed) const {
  const int p = m_plannedSeconds;
  return wizard::Format("%s  %02d:%02d:%02d / %02d:%02d:%02d", Text(IDS_RECORDING).c_str(), elapsed / 3600,
                        elapsed / 60 % 60, elapsed % 60, p / 3600, p / 60 % 60, p % 60);
}

int CRecordBurnPage::Ask(const std::string& text, UINT type) {
  const int answer = wizard::Ask(m_hWnd, text, type);
  return answer;
}

void CRecordBurnPage::CloseWizard() {
  if (m_pHost) m_pHost->PostMessage(WM_COMMAND, MAKEWPARAM(IDC_CANCEL, BN_CLICKED), 0);
}

int CRecordBurnPage::ClockSeconds() {
  const std::uint64_t now = platform::CurrentClock().NowMs();
  if (!m_clockStarted) {
    m_clockStarted = true;
    m_clockStartMs = now;
  }
  return std::max(1, static_cast<int>((now - m_clockStartMs) / 1000));
}

void CRecordBurnPage::DeleteFolderTree(const std::string& folder) {
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

void CRecordBurnPage::BurnCallback(int status, void* context) {
  auto* page = static_cast<CRecordBurnPage*>(context);
  ::PostMessage(page->m_hWnd, kBurnEnded, static_cast<WPARAM>(status), 0);
}

void CRecordBurnPage::ApplyChosenWriteSpeed() {
  CQnDataCDDVD& writer = wizard::Writer();
  int& index = State().writeSpeedIndex;
  if (index < 0 || index >= writer.GetWriteSpeedCount()) index = 0;
  writer.SetWriteSpeed(writer.GetWriteSpeed(index));
}
