#include "record_burn_bd_page.h"

#include <unistd.h>

#include <algorithm>

#include "bdauthor/tarnel.h"
#include "capture/device_list.h"
#include "capture/dv_capture_graph.h"
#include "capture_graphs.h"
#include "disc_check.h"
#include "disc_jobs.h"
#include "platform/base/debug_output.h"
#include "platform/dshow/device_problem.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/base/message_box.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "record_plan.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr UINT kGraphEvent = WM_USER + 70;
constexpr unsigned long long kDiskFullMB = 49;
constexpr std::size_t kLongestOutputPath = 260;

}  // namespace

BEGIN_MESSAGE_MAP(CRecordBurnBdPage, CRecordBurnPage)
ON_WM_TIMER()
ON_BN_CLICKED(IDC_RECORD, &CRecordBurnBdPage::OnRecord)
ON_BN_CLICKED(IDC_STOP, &CRecordBurnBdPage::OnStop)
ON_MESSAGE(kGraphEvent, &CRecordBurnBdPage::OnGraphEvent)
ON_MESSAGE(CRecordBurnPage::kBurnEnded, &CRecordBurnBdPage::OnBurnEnded)
END_MESSAGE_MAP()

CRecordBurnBdPage::CRecordBurnBdPage() : CRecordBurnPage(IDD_PAGE_BD_RECORD) {}

CRecordBurnBdPage::~CRecordBurnBdPage() { m_authorThread.Wait(); }

void CRecordBurnBdPage::OnSetActive() {
  ShowStep(this, StepTitle("5.", IDS_RECORD_BURN_BD), 5);
  m_plannedSeconds = std::max(1, State().recordingMinutes) * 60;
  m_deviceType = CCaptureDeviceList().GetDeviceType(State().videoDevice);
  m_phase = kIdle;
  LayoutForDevice();
  ShowBdStatus(0, 0);
  SetDeviceReady(false);
  SetButtons(0);
  SetTimer(kOpenDeviceTimer, 100, nullptr);
  SetTimer(kTimeCodeTimer, 200, nullptr);
}

BOOL CRecordBurnBdPage::OnQueryCancel() { return m_phase == kIdle; }

int CRecordBurnBdPage::GetBackPage() {
  wizard::CloseDvGraph();
  return IDD_PAGE_RECORD_SETTINGS;
}

void CRecordBurnBdPage::ShowBdStatus(int kind, int percent) {
  std::string text;
  switch (kind) {
    case 0: text = RecordingLine(0); break;
    case 1: text = RecordingLine(m_elapsedSeconds); break;
    case 2: text = Text(IDS_CREATING_BD) + Dots(); break;
    case 3: text = Text(IDS_BURNING) + Dots(); break;
    case 4: text = Text(IDS_LEAD_OUT) + Dots(); break;
    default: text = Dots(); break;
  }
  ShowStatusLine(text, percent);
}

void CRecordBurnBdPage::OpenCamcorder() {
  if (m_deviceType != 3) return;
  SetDeviceReady(false);
  wizard::CloseDvGraph();
  CDvCaptureGraph& graph = wizard::DvGraph();
  const BOOL opened = graph.OpenHdv(m_hWnd, PreviewWindow(), State().videoDevice);
  wizard::SetDvGraphOpen(opened != FALSE);
  if (opened) {
    graph.FitVideoWindow(1);
    ApplyVolume();
    SetTimer(kLevelTimer, 300, nullptr);
    SetDeviceReady(true);
  } else {
    KillTimer(kLevelTimer);
    Ask(platform::dshow::WithDeviceProblem(Text(IDS_DEVICE_UNUSABLE)), MB_OK | MB_ICONERROR);
  }
}

void CRecordBurnBdPage::OnLevelsShown(double left, double right, int leftMeter, int rightMeter) {
  platform::OutputDebugFormat("%5.2f : %5.2f / %d  : %d \n", left, right, leftMeter, rightMeter);
}

void CRecordBurnBdPage::OnRecord() {
  if (m_phase != kIdle || !DeviceReady() || !wizard::DvGraphOpen() || wizard::DvGraph().IsCapturing()) return;
  const wizard::WizardState& s = State();
  const std::string base = platform::WithTrailingSlash(s.writerCount > 0 ? s.outputFolder : s.bdFolder);
  // Tarnel takes a UTF-8 output path of fewer than 260 characters.
  m_workFolder = wizard::IsUtf8(base) && base.size() + 32 < kLongestOutputPath
                     ? wizard::MakeWorkFolder(base, platform::LocalNow())
                     : "";
  if (m_workFolder.empty()) {
    Ask(Text(IDS_CANNOT_RECORD) + "\n" + wizard::Format(Text(IDS_BAD_WORK_FOLDER).c_str(), base.c_str()),
        MB_OK | MB_ICONERROR);
    return;
  }
  SetButtons(1);
  std::lock_guard lock(m_startLock);
  const std::string stream = m_workFolder + "BDMV/STREAM/";
  platform::CreateFolders(stream);
  m_clipPath = stream + "00000.m2ts";
  CDvCaptureGraph& graph = wizard::DvGraph();
  // The part size is not applied by the Blu-ray chain: the clip is one file.
  if (graph.StartHdvBdCapture2(m_clipPath, 0x40000000)) {
    m_elapsedSeconds = 0;
    m_clockStarted = false;
    m_phase = kRecording;
    ShowBdStatus(1, 0);
    SetButtons(1);
    SetTimer(kRecordClockTimer, 500, nullptr);
    return;
  }
  graph.StopHdvCapture();
  Ask(Text(IDS_CANNOT_RECORD), MB_OK | MB_ICONERROR);
  graph.BuildHdvPreview();
  DeleteRecording();
  ShowBdStatus(0, 0);
  SetButtons(0);
}

void CRecordBurnBdPage::OnStop() { StopRecording(true, false); }

void CRecordBurnBdPage::StopRecording(bool byUser, bool diskFull, bool graphGone) {
  // Only a running recording stops; authoring and burning keep the navigation held.
  if (m_phase != kRecording) {
    if (m_phase == kIdle) SetButtons(0);
    return;
  }
  CDvCaptureGraph& graph = wizard::DvGraph();
  if (!graphGone) {
    if (!wizard::DvGraphOpen() || !graph.IsCapturing()) return;
    if (byUser && m_elapsedSeconds < m_plannedSeconds &&
        Ask(Text(IDS_STOP_QUESTION), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    if (!graph.StopHdvCaptureToPreview()) return;
  }
  KillTimer(kRecordClockTimer);
  if (diskFull) {
    Ask(Text(IDS_DISK_FULL), MB_OK | MB_ICONERROR);
    DeleteRecording();
    Idle();
    return;
  }
  if (m_elapsedSeconds < m_plannedSeconds && Ask(Text(IDS_BURN_QUESTION), MB_YESNO | MB_ICONQUESTION) != IDYES) {
    DeleteRecording();
    Idle();
    return;
  }
  KillTimer(kLevelTimer);
  if (wizard::DvGraphOpen()) {
    graph.StopGraph();
    graph.SetTransportMode(4297, 2000);
  }
  ResetMeters();
  StartAuthoring();
}

void CRecordBurnBdPage::StartAuthoring() {
  m_phase = kAuthoring;
  const std::string folder = m_workFolder;
  const int elapsed = m_elapsedSeconds;
  m_authorThread.Wait();
  m_authorResult = 0;
  m_authorThread.Start([this, folder, elapsed] { m_authorResult = wizard::RunBdAuthorJob(folder, elapsed); });
  SetTimer(kAuthorProgressTimer, 1000, nullptr);
  ShowBdStatus(2, 0);
  SetButtons(3);
}

void CRecordBurnBdPage::Idle() {
  m_phase = kIdle;
  ShowBdStatus(0, 0);
  SetButtons(0);
}

void CRecordBurnBdPage::OnTimer(UINT_PTR id) {
  switch (id) {
    case kOpenDeviceTimer:
      KillTimer(id);
      OpenCamcorder();
      return;
    case kRecordClockTimer: {
      if (m_phase != kRecording) return;
      m_elapsedSeconds = ClockSeconds();
      ShowBdStatus(1, m_elapsedSeconds * 100 / m_plannedSeconds);
      if (m_elapsedSeconds >= m_plannedSeconds) {
        StopRecording(false, false);
        return;
      }
      std::uint64_t bytes = 0;
      if (platform::FolderFreeBytes(m_workFolder, &bytes) && (bytes >> 20) <= kDiskFullMB) StopRecording(false, true);
      return;
    }
    case kAuthorProgressTimer:
      if (m_authorThread.IsRunning()) {
        ShowBdStatus(2, std::clamp(static_cast<int>(tarnel_progress()), 0, 99));
        return;
      }
      KillTimer(id);
      AuthorEnded();
      return;
    case kBurnProgressTimer: {
      CQnDataCDDVD& writer = wizard::Writer();
      const unsigned long total = writer.GetBlocksToWrite();
      if (total == 0) return;
      const int percent = static_cast<int>(static_cast<unsigned long long>(writer.GetBlocksWritten()) * 100 / total);
      if (percent > 99) {
        KillTimer(id);
        ShowBdStatus(3, 99);
        return;
      }
      ShowBdStatus(3, percent);
      return;
    }
    default: CRecordBurnPage::OnTimer(id); return;
  }
}

void CRecordBurnBdPage::AuthorEnded() {
  m_authorThread.Wait();
  if (m_authorResult != 0) {
    // Hours of recording are worth more than the failed tree: the clip stays, for Retry now or
    // for a later try.
    if (Ask(wizard::Format(Text(IDS_BD_AUTHOR_FAILED).c_str(), m_clipPath.c_str(), (m_clipPath + ".ptsinfo").c_str()),
            MB_RETRYCANCEL | MB_ICONERROR | MB_SETFOREGROUND) == IDRETRY) {
      StartAuthoring();
      return;
    }
    Idle();
    if (wizard::DvGraphOpen()) wizard::DvGraph().RunGraph();
    return;
  }
  if (State().writerCount > 0) {
    Burn();
    return;
  }
  ShowBdStatus(2, 100);
  Ask(Text(IDS_BD_FOLDER_DONE), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  Idle();
  if (wizard::DvGraphOpen()) {
    wizard::DvGraph().RunGraph();
    OnTapeButton(IDC_TAPE_PLAY);
  }
}

void CRecordBurnBdPage::Burn() {
  CQnDataCDDVD& writer = wizard::Writer();
  writer.Free();
  writer.SetDiscLabel(State().discName.c_str());
  writer.SetFinalizeDisc(1);
  writer.Ready();
  ApplyChosenWriteSpeed();
  std::string folder = m_workFolder;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  m_phase = kBurning;
  ShowBdStatus(3, 0);
  if (!writer.StartBurnFolderInUDF(folder.c_str(), &CRecordBurnPage::BurnCallback, this)) {
    PostMessage(kBurnEnded, 1, 0);
    return;
  }
  SetTimer(kBurnProgressTimer, 1000, nullptr);
}

LRESULT CRecordBurnBdPage::OnBurnEnded(WPARAM status, LPARAM) {
  CQnDataCDDVD& writer = wizard::Writer();
  KillTimer(kBurnProgressTimer);
  wizard::EjectBurnedDisc();
  if (status != 0) {
    const unsigned long code = writer.GetErrorCode();
    Ask(Text(IDS_BURN_FAILED) + "\n" +
            wizard::Format("Error Code : SenseKey(%2x), ASC(%2x), ASCQ(%2x)", static_cast<unsigned>(code >> 16),
                           static_cast<unsigned>((code >> 8) & 0xFF), static_cast<unsigned>(code & 0xFF)),
        MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    Idle();
    CloseWizard();
    return 0;
  }
  ShowBdStatus(3, 100);
  Ask(Text(IDS_BURN_COMPLETE), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  Idle();
  DeleteRecording();
  DeleteFolderTree(m_workFolder);
  CloseWizard();
  return 0;
}

LRESULT CRecordBurnBdPage::OnGraphEvent(WPARAM, LPARAM) {
  long code = 0;
  if (wizard::DvGraphOpen()) code = wizard::DvGraph().HandleGraphEvents();
  if ((code == 31 || code == 3) && m_phase == kRecording) {
    // A lost camcorder has no preview to go back to: the recording is torn down as it stands.
    CDvCaptureGraph& graph = wizard::DvGraph();
    if (wizard::DvGraphOpen() && graph.Graph() && graph.IsCapturing()) graph.StopHdvCapture();
    if (!graph.Graph()) {
      wizard::SetDvGraphOpen(false);
      SetDeviceReady(false);
    }
    // A writer aborts on a failed write, a full disk above all: said as the clock's check says it.
    StopRecording(false, code == 3, true);
  }
  RECT area{36, 54, 320, 200};
  InvalidateRect(&area, TRUE);
  return 0;
}

void CRecordBurnBdPage::DeleteRecording() {
  if (m_workFolder.empty()) return;
  if (!m_clipPath.empty()) {
    platform::DeleteFile(m_clipPath);
    platform::DeleteFile(m_clipPath + ".ptsinfo");
  }
  for (const std::string& folder : {m_workFolder + "BDMV/STREAM", m_workFolder + "BDMV", m_workFolder})
    ::rmdir(folder.c_str());  // only when empty
}
