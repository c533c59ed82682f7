#include "record_burn_dvd_page.h"

#include <algorithm>

#include "capture/capture_graph.h"
#include "capture/device_list.h"
#include "capture/dv_capture_graph.h"
#include "capture_graphs.h"
#include "disc_check.h"
#include "disc_jobs.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/paths.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/base/message_box.h"
#include "platform/disc/qn_data_cd_dvd.h"
#include "platform/dshow/device_problem.h"
#include "platform/dvd/qn_dvd_author.h"
#include "platform/dvd/qn_mpg_mux.h"
#include "left_recordings.h"
#include "record_plan.h"
#include "small_dialogs.h"
#include "wait_cursor.h"
#include "wendrel_dlg.h"
#include "wizard_ids.h"
#include "wizard_state.h"
#include "wizard_text.h"

using wizard::State;
using wizard::Text;

namespace {

constexpr UINT kGraphEvent = WM_USER + 70;
constexpr unsigned long long kDiskFullMB = 49;

std::string TextOr(UINT id, const char* fallback) {
  std::string text = Text(id);
  return text.empty() ? fallback : text;
}

bool IsBluRayKind(int kind) { return kind >= 19 && kind <= 21; }

}  // namespace

BEGIN_MESSAGE_MAP(CRecordBurnDvdPage, CRecordBurnPage)
ON_WM_TIMER()
ON_BN_CLICKED(IDC_RECORD, &CRecordBurnDvdPage::OnRecord)
ON_BN_CLICKED(IDC_STOP, &CRecordBurnDvdPage::OnStop)
ON_MESSAGE(kMuxEndMessage, &CRecordBurnDvdPage::OnMuxEnded)
ON_MESSAGE(kAuthorEndMessage, &CRecordBurnDvdPage::OnAuthorEnded)
ON_MESSAGE(kGraphEvent, &CRecordBurnDvdPage::OnGraphEvent)
ON_MESSAGE(CRecordBurnPage::kBurnEnded, &CRecordBurnDvdPage::OnBurnEnded)
END_MESSAGE_MAP()

CRecordBurnDvdPage::CRecordBurnDvdPage() : CRecordBurnPage(IDD_PAGE_DVD_RECORD) {}

CRecordBurnDvdPage::~CRecordBurnDvdPage() {
  m_muxThread.Wait();
  m_authorThread.Wait();
}

void CRecordBurnDvdPage::OnSetActive() {
  const wizard::WizardState& s = State();
  ShowStep(this, StepTitle("5.", IDS_RECORD_BURN_DVD), 5);
  m_plannedSeconds = std::max(1, s.recordingMinutes) * 60;
  m_videoRate =
      wizard::DvdVideoBitRate(wizard::DvdPlanCapacity(s.writerCount > 0, s.freeBlocks), m_plannedSeconds, &m_lowRate);
  m_phase = kIdle;
  m_baseName = "HD";
  m_firstDiscBluRay = IsBluRayKind(s.discKind);
  if (!m_leftOffered) {
    m_leftOffered = true;
    OfferLeftRecordings(s.writerCount > 0 ? s.outputFolder : s.dvdFolder);
  }
  ShowStatus(0, 0);
  m_deviceType = CCaptureDeviceList().GetDeviceType(s.videoDevice);
  LayoutForDevice();
  SetDeviceReady(false);
  SetButtons(0);
  SetTimer(kOpenDeviceTimer, 100, nullptr);
  SetTimer(kTimeCodeTimer, 200, nullptr);
}

BOOL CRecordBurnDvdPage::OnQueryCancel() { return m_phase == kIdle; }

int CRecordBurnDvdPage::GetBackPage() {
  CloseDevices();
  return IDD_PAGE_RECORD_SETTINGS;
}

void CRecordBurnDvdPage::ShowStatus(int kind, int percent) {
  std::string text;
  switch (kind) {
    case 0: text = RecordingLine(0); break;
    case 1: text = RecordingLine(m_elapsedSeconds); break;
    case 2: text = Text(IDS_CREATING_DVD) + Dots(); break;
    case 3: text = Text(IDS_GETTING_READY) + Dots(); break;
    case 4: text = Text(IDS_BURNING) + Dots(); break;
    case 5: text = Text(IDS_LEAD_OUT) + Dots(); break;
    default: break;
  }
  ShowStatusLine(text, percent);
}

void CRecordBurnDvdPage::CloseDevices() {
  SetDeviceReady(false);
  CloseBalloon();
  wizard::AnalogGraph().CloseDevice();
  wizard::SetAnalogGraphRunning(false);
  wizard::CloseDvGraph();
}

void CRecordBurnDvdPage::OpenDevice() {
  CloseDevices();
  const wizard::WizardState& s = State();
  const bool pal = s.standardFamily == 2;
  BOOL opened = FALSE;
  if (m_deviceType == 1) {
    CCaptureGraph& graph = wizard::AnalogGraph();
    opened =
        graph.OpenDevice(PreviewWindow(), m_hWnd, s.videoDevice, s.audioDevice, static_cast<long>(s.videoStandard));
    if (opened) {
      const bool special = CCaptureDeviceList().IsSpecialUsbDevice(s.videoDevice);
      graph.SetTimeOffset(special ? -500 : 0);
      long width = s.cpuMode == 2 && !s.lowResolution ? 720 : 352;
      long height = s.lowResolution || s.cpuMode == 0 ? (pal ? 288 : 240) : (pal ? 576 : 480);
      graph.ChangeCaptureFormat(&width, &height, TRUE);
      graph.SetEraseLines(special ? 4 : pal ? 2 : 0);
      opened = graph.StartPreview();
      if (opened) {
        graph.FitVideoWindow(s.wideScreen ? 1 : 0);
        wizard::SelectAnalogInput(State().inputCable);
      }
      wizard::SetAnalogGraphRunning(opened != FALSE);
    }
  } else if (m_deviceType == 2 || m_deviceType == 3) {
    CDvCaptureGraph& graph = wizard::DvGraph();
    opened = m_deviceType == 2 ? graph.OpenDv(m_hWnd, PreviewWindow(), s.videoDevice)
                               : graph.OpenHdv(m_hWnd, PreviewWindow(), s.videoDevice);
    if (opened) graph.FitVideoWindow(m_deviceType == 3 || s.wideScreen ? 1 : 0);
    wizard::SetDvGraphOpen(opened != FALSE);
  }
  if (opened) {
    ApplyVolume();
    SetTimer(kLevelTimer, 300, nullptr);
    SetDeviceReady(true);
  } else {
    KillTimer(kLevelTimer);
    Ask(platform::dshow::WithDeviceProblem(Text(IDS_DEVICE_UNUSABLE)), MB_OK | MB_ICONERROR);
  }
}

bool CRecordBurnDvdPage::GraphRecording() const {
  if (m_deviceType == 1) return wizard::AnalogGraph().IsCapturing();
  return wizard::DvGraphOpen() && wizard::DvGraph().IsCapturing();
}

// A crash leaves the elementary streams beside what was multiplexed: the user is told of every
// file left, and the streams go only when the user says so; the MPEG files always stay.
void CRecordBurnDvdPage::OfferLeftRecordings(const std::string& base) {
  for (const wizard::LeftRecording& left : wizard::FindLeftRecordings(platform::WithTrailingSlash(base))) {
    if (Ask(wizard::LeftRecordingQuestion(left), MB_YESNO | MB_ICONQUESTION) != IDYES) continue;
    for (const std::string& stream : left.streams) platform::DeleteFile(stream);
    if (!left.owner.empty()) platform::DeleteFile(left.owner);
  }
}

bool CRecordBurnDvdPage::MakeRecordingFolder() {
  const wizard::WizardState& s = State();
  const std::string base = s.writerCount > 0 ? s.outputFolder : s.dvdFolder;
  // The authoring tools take UTF-8 paths only.
  m_workFolder =
      wizard::IsUtf8(base) ? wizard::MakeWorkFolder(platform::WithTrailingSlash(base), platform::LocalNow()) : "";
  if (m_workFolder.empty()) {
    Ask(Text(IDS_CANNOT_RECORD) + "\n" + wizard::Format(Text(IDS_BAD_WORK_FOLDER).c_str(), base.c_str()),
        MB_OK | MB_ICONERROR);
    return false;
  }
  DeleteFolderTree(m_workFolder + "VIDEO_TS/");
  DeleteFolderTree(m_workFolder + "AUDIO_TS/");
  // Held until its streams are gone; unheld, the recording would still be made, only open to
  // another wizard's offer to clear it.
  m_owner.Take(m_workFolder);
  return true;
}

void CRecordBurnDvdPage::OnRecord() {
  if (m_phase != kIdle || m_watching || !DeviceReady()) return;
  if (m_deviceType == 1) {
    if (!wizard::AnalogGraphRunning() || GraphRecording()) return;
    if (!MakeRecordingFolder()) return;
    SetButtons(1);
    m_signalSeconds = m_noSignalSeconds = 0;
    m_watching = true;
    SetTimer(kSignalTimer, 1000, nullptr);
    // A device with a picture records at once; one without is waited for under the balloon.
    WatchSignal();
  } else if (IsCamcorder()) {
    if (!wizard::DvGraphOpen() || GraphRecording()) return;
    if (!MakeRecordingFolder()) return;
    SetButtons(1);
    m_signalSeconds = m_noSignalSeconds = 0;
    StartRecording();
  }
}

void CRecordBurnDvdPage::WatchSignal() {
  // A routed tuner always counts as a picture, snow included.
  const bool signal = !State().checkVideoSignal ||
                      (wizard::AnalogGraphRunning() && wizard::AnalogGraph().IsVideoSignalPresent() != FALSE);
  const std::uint64_t now = platform::CurrentClock().NowMs();
  if (signal) {
    if (m_signalSeconds == 0) m_signalSinceMs = now;
    m_signalSeconds = static_cast<int>((now - m_signalSinceMs) / 1000) + 1;
    m_noSignalSeconds = 0;
  } else {
    m_noSignalSeconds++;
    m_signalSeconds = 0;
    if (!m_balloon || !m_balloon->m_hWnd) {
      m_balloon = std::make_unique<CBalloonTipDialog>(PreviewWindow(), this);
      if (m_balloon->Create(IDD_BALLOON_TIP, this)) m_balloon->ShowWindow(SW_SHOWNOACTIVATE);
    }
  }
  if (m_phase == kIdle && m_signalSeconds > 0) {
    m_noSignalSeconds = 0;
    StartRecording();
  }
}

HWND CRecordBurnDvdPage::BalloonWindow() const { return m_balloon ? m_balloon->m_hWnd : nullptr; }

void CRecordBurnDvdPage::CloseBalloon() {
  if (m_balloon) {
    if (m_balloon->m_hWnd) m_balloon->DestroyWindow();
    m_balloon.reset();
  }
}

void CRecordBurnDvdPage::StartRecording() {
  std::lock_guard lock(m_startLock);
  const wizard::WizardState& s = State();
  CloseBalloon();
  m_baseName = platform::FormatLocalNow("DVD_%H%M%S");
  m_recordPath = m_workFolder + m_baseName + ".mpg";
  MpegCaptureSettings settings;
  settings.fileName = m_recordPath;
  settings.streamType = s.standardFamily == 2 ? 8 : 7;
  settings.resolutionLevel = s.lowResolution ? 0 : s.cpuMode;
  settings.qualityLevel = 0;
  settings.maxFileSizeMB = 3896;
  settings.videoBitRate = m_videoRate;
  settings.longPlay = m_lowRate ? 1 : 0;
  settings.recordAndBurn = 1;
  settings.fixedValue = 1;
  settings.aspect = s.wideScreen;
  BOOL started = FALSE;
  if (m_deviceType == 1) started = wizard::AnalogGraph().StartMpegCapture(&settings);
  else if (m_deviceType == 2) started = wizard::DvGraph().StartMpegCapture(&settings);
  else if (m_deviceType == 3) started = wizard::DvGraph().StartHdvMpegCapture(&settings);
  m_watching = false;
  KillTimer(kSignalTimer);
  if (started) {
    m_elapsedSeconds = 0;
    m_clockStarted = false;
    SetButtons(1);
    SetTimer(kRecordClockTimer, 500, nullptr);
    m_phase = kRecording;
    ShowStatus(1, 0);
    return;
  }
  m_signalSeconds = m_noSignalSeconds = 0;
  Ask(Text(IDS_CANNOT_RECORD), MB_OK | MB_ICONERROR);
  m_phase = kIdle;
  ShowStatus(0, 0);
  DeleteStreams();
  RemoveWorkFolder();
  SetDeviceReady(false);
  SetTimer(kOpenDeviceTimer, 100, nullptr);
  SetButtons(0);
}

void CRecordBurnDvdPage::OnStop() { StopRecording(true, false); }

bool CRecordBurnDvdPage::StopGraphRecording() {
  if (m_deviceType == 1) return wizard::AnalogGraph().StopCaptureToPreview() != FALSE;
  if (m_deviceType == 2) return wizard::DvGraph().StopDvCapture() != FALSE;
  return wizard::DvGraph().StopHdvCaptureToPreview() != FALSE;
}

void CRecordBurnDvdPage::StopRecording(bool byUser, bool diskFull, bool graphGone) {
  CloseBalloon();
  if (m_watching) {
    // Record was pressed and the signal never came.
    KillTimer(kSignalTimer);
    m_watching = false;
    m_signalSeconds = m_noSignalSeconds = 0;
    RemoveWorkFolder();
    SetButtons(0);
    return;
  }
  if (m_phase != kRecording) return;
  if (!graphGone) {
    if (byUser && m_elapsedSeconds < m_plannedSeconds &&
        Ask(Text(IDS_STOP_QUESTION), MB_YESNO | MB_ICONQUESTION) != IDYES)
      return;
    if (!StopGraphRecording()) return;
  }
  m_signalSeconds = m_noSignalSeconds = 0;
  KillTimer(kRecordClockTimer);
  KillTimer(kSignalTimer);
  if (diskFull) {
    Ask(Text(IDS_DISK_FULL), MB_OK | MB_ICONERROR);
    m_phase = kIdle;
    ShowStatus(0, 0);
    SetButtons(0);
    DeleteStreams();
    RemoveWorkFolder();
    return;
  }
  if (m_elapsedSeconds < m_plannedSeconds && Ask(Text(IDS_BURN_QUESTION), MB_YESNO | MB_ICONQUESTION) != IDYES) {
    m_phase = kIdle;
    ShowStatus(0, 0);
    SetButtons(0);
    DeleteStreams();
    RemoveWorkFolder();
    return;
  }
  m_phase = kAuthoring;
  SetButtons(3);
  m_expectedBytes = static_cast<std::uint64_t>(wizard::kStreamOverhead + wizard::kDvdAudioRate + m_videoRate) *
                    static_cast<std::uint64_t>(m_elapsedSeconds) / 8;
  m_muxFailed = false;
  m_authorEnded = false;
  qnmpgmux_EndCreateSource();
  SetTimer(kStartMuxTimer, 100, nullptr);
  KillTimer(kLevelTimer);
  if (IsCamcorder()) {
    if (wizard::DvGraphOpen()) wizard::DvGraph().SetTransportMode(4297, 2000);
  } else {
    wizard::AnalogGraph().StopGraph();
  }
  ResetMeters();
}

void CRecordBurnDvdPage::OnTimer(UINT_PTR id) {
  switch (id) {
    case kOpenDeviceTimer:
      KillTimer(id);
      OpenDevice();
      return;
    case kSignalTimer: WatchSignal(); return;
    case kRecordClockTimer: {
      if (m_phase != kRecording) return;
      m_elapsedSeconds = ClockSeconds();
      ShowStatus(1, m_elapsedSeconds * 100 / m_plannedSeconds);
      if (m_elapsedSeconds >= m_plannedSeconds) {
        StopRecording(false, false);
        return;
      }
      // A drive whose free space cannot be read is not taken for full.
      std::uint64_t bytes = 0;
      if (platform::FolderFreeBytes(m_workFolder, &bytes) && (bytes >> 20) <= kDiskFullMB) StopRecording(false, true);
      return;
    }
    case kStartMuxTimer: {
      KillTimer(id);
      const std::string out = m_workFolder + "1.mpg";
      const std::string stem = m_workFolder + m_baseName;
      const int mode = m_lowRate ? 6 : 5;
      const HWND page = m_hWnd;
      m_muxThread.Wait();
      m_muxThread.Start([out, stem, mode, page] {
        // The streams go only once the program stream holds them.
        if (qnmpgmux(out.c_str(), (stem + ".mpv").c_str(), (stem + ".mpa").c_str(), mode, 100, 0, page, 1)) {
          platform::DeleteFile(stem + ".mpv");
          platform::DeleteFile(stem + ".mpa");
        }
      });
      SetTimer(kMuxProgressTimer, 1000, nullptr);
      SetTimer(kStartAuthorTimer, 100, nullptr);
      m_phase = kAuthoring;
      ShowStatus(2, 0);
      return;
    }
    case kStartAuthorTimer: {
      KillTimer(id);
      const HWND page = m_hWnd;
      const std::string folder = m_workFolder;
      const int elapsed = m_elapsedSeconds;
      m_authorThread.Wait();
      m_authorThread.Start([page, folder, elapsed] { wizard::RunDvdAuthorJob(page, folder, elapsed); });
      return;
    }
    case kMuxProgressTimer: {
      const std::int64_t pos = qnmpgmux_GetPos_DirectBurn();
      int percent =
          m_expectedBytes > 0
              ? static_cast<int>(static_cast<std::uint64_t>(std::max<std::int64_t>(pos, 0)) * 100 / m_expectedBytes)
              : 0;
      ShowStatus(2, std::clamp(percent, 0, 99));
      return;
    }
    case kAuthorWaitTimer: ShowStatus(2, 99); return;
    case kBurnProgressTimer: {
      CQnDataCDDVD& writer = wizard::Writer();
      const unsigned long total = writer.GetBlocksToWrite();
      if (total == 0) return;
      const int percent = static_cast<int>(static_cast<unsigned long long>(writer.GetBlocksWritten()) * 100 / total);
      if (percent > 99) {
        KillTimer(kBurnProgressTimer);
        SetTimer(kLeadOutTimer, 1000, nullptr);
        ShowStatus(4, 99);
        return;
      }
      ShowStatus(4, percent);
      return;
    }
    case kLeadOutTimer: ShowStatus(5, 100); return;
    case kAnotherCopyTimer:
      KillTimer(id);
      AnotherCopy();
      return;
    default: CRecordBurnPage::OnTimer(id); return;
  }
}

LRESULT CRecordBurnDvdPage::OnMuxEnded(WPARAM result, LPARAM) {
  // The end of a job the page has already given up (its author failed first): only the thread
  // is let go.
  if (m_phase != kAuthoring) {
    m_muxThread.Wait();
    return 0;
  }
  KillTimer(kMuxProgressTimer);
  if (result != kDvdJobDone) m_muxFailed = true;
  else m_phase = kMuxed;
  // The author learns the video is complete either way (a failed one fails its read); one that
  // has already given up must not find the flag set for the next recording.
  if (!m_authorEnded) qndvdauthor_EndCreateSource();
  SetTimer(kAuthorWaitTimer, 1000, nullptr);
  return 0;
}

LRESULT CRecordBurnDvdPage::OnAuthorEnded(WPARAM result, LPARAM) {
  KillTimer(kAuthorWaitTimer);
  m_authorEnded = true;
  if (m_muxFailed || result != kDvdJobDone) {
    m_muxThread.Wait();
    m_authorThread.Wait();
    // Idle before the message: a multiplexer end that comes meanwhile finds the job over.
    KillTimer(kMuxProgressTimer);
    m_phase = kIdle;
    const std::string message =
        m_muxFailed ? wizard::Format(Text(IDS_MUX_FAILED).c_str(), m_workFolder.c_str())
                    : wizard::Format(Text(IDS_AUTHOR_FAILED).c_str(), qndvdauthor_LastError(), m_workFolder.c_str());
    Ask(message, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    BackToIdle();
    return 0;
  }
  if (State().writerCount > 0) {
    Burn();
    return 0;
  }
  WaitWorkers(false);
  ShowStatus(2, 100);
  Ask(Text(IDS_DVD_FOLDER_DONE), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
  BackToIdle();
  return 0;
}

void CRecordBurnDvdPage::BackToIdle() {
  SetDeviceReady(false);
  m_phase = kIdle;
  ShowStatus(0, 0);
  SetButtons(0);
  SetTimer(kOpenDeviceTimer, 100, nullptr);
}

LRESULT CRecordBurnDvdPage::OnGraphEvent(WPARAM, LPARAM) {
  long code = 0;
  if (m_deviceType == 1) code = wizard::AnalogGraph().HandleGraphEvents();
  else if (wizard::DvGraphOpen()) code = wizard::DvGraph().HandleGraphEvents();
  if ((code == 31 || code == 3) && m_phase == kRecording) {
    // A lost device has no preview to go back to: the recording is torn down as it stands.
    if (GraphRecording()) {
      if (m_deviceType == 1) wizard::AnalogGraph().StopCapture();
      else if (m_deviceType == 2) wizard::DvGraph().StopCapture();
      else wizard::DvGraph().StopHdvCapture();
    }
    // A writer aborts on a failed write, a full disk above all: said as the clock's check says it.
    StopRecording(false, code == 3, true);
  }
  ::InvalidateRect(PreviewWindow(), nullptr, TRUE);
  return 0;
}

void CRecordBurnDvdPage::Burn() {
  const wizard::WizardState& s = State();
  CQnDataCDDVD& writer = wizard::Writer();
  // The disc gets VIDEO_TS and AUDIO_TS alone: the work files go first.
  WaitWorkers(false);
  platform::DeleteFile(m_workFolder + "authorinfo.xml");
  writer.Free();
  writer.SetDiscLabel(s.discName.c_str());
  writer.SetFinalizeDisc(1);
  writer.Ready();
  std::string folder = m_workFolder;
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  m_phase = kBurning;
  ShowStatus(4, 0);
  SetButtons(3);
  ApplyChosenWriteSpeed();
  if (!writer.StartBurnVideoTSFolder(folder.c_str(), &CRecordBurnPage::BurnCallback, this)) {
    PostMessage(kBurnEnded, 1, 0);
    return;
  }
  SetTimer(kBurnProgressTimer, 1000, nullptr);
}

LRESULT CRecordBurnDvdPage::OnBurnEnded(WPARAM status, LPARAM) {
  CQnDataCDDVD& writer = wizard::Writer();
  KillTimer(kBurnProgressTimer);
  KillTimer(kLeadOutTimer);
  const unsigned long blocks = writer.GetBlocksToWrite();
  wizard::EjectBurnedDisc();
  if (status != 0) {
    const unsigned long code = writer.GetErrorCode();
    Ask(Text(IDS_BURN_FAILED) + "\n" +
            wizard::Format("Error Code : SenseKey(%2x), ASC(%2x), ASCQ(%2x)", static_cast<unsigned>(code >> 16),
                           static_cast<unsigned>((code >> 8) & 0xFF), static_cast<unsigned>(code & 0xFF)),
        MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    m_phase = kIdle;
    ShowStatus(0, 0);
    SetButtons(0);
    WaitWorkers(false);
    CloseWizard();
    return 0;
  }
  if (blocks > 0) m_imageBlocks = blocks;
  ShowStatus(5, 100);
  m_phase = kIdle;
  if (State().makeCopyDisc) {
    ShowStatus(6, 100);
    const std::string question = TextOr(IDS_ANOTHER_COPY, "Would you like to burn another copy of your video to disc?");
    if (Ask(wizard::Format("%s\n\n%s", Text(IDS_BURN_COMPLETE).c_str(), question.c_str()),
            MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDNO) {
      m_phase = kBurning;
      SetTimer(kAnotherCopyTimer, 100, nullptr);
      return 0;
    }
  } else {
    Ask(Text(IDS_BURN_COMPLETE), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    ShowStatus(0, 0);
  }
  SetButtons(0);
  WaitWorkers(true);
  CloseWizard();
  return 0;
}

void CRecordBurnDvdPage::AnotherCopy() {
  CQnDataCDDVD& writer = wizard::Writer();
  for (;;) {
    WaitWorkers(false);
    Ask(TextOr(IDS_INSERT_BLANK, "Please remove any discs from the disc tray and insert a blank disc into your drive."),
        MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    writer.LoadMedium();
    if (CheckCopyDisc()) {
      // Held as page 129 holds the first disc; the burn end lets it go again.
      writer.LockMedium();
      Burn();
      return;
    }
    writer.UnloadMedium();
    if (Ask(TextOr(IDS_ANOTHER_COPY, "Would you like to burn another copy of your video to disc?"),
            MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDNO)
      break;
  }
  m_phase = kIdle;
  SetButtons(0);
  WaitWorkers(true);
  CloseWizard();
}

bool CRecordBurnDvdPage::CheckCopyDisc() {
  wizard::WaitCursor wait;
  CQnDataCDDVD& writer = wizard::Writer();
  if (!wizard::WaitForDriveReady(m_hWnd)) return false;
  const int kind = writer.GetDiscType();
  // A copy goes on a disc of the first one's class: DVD (single or double layer) or Blu-ray.
  if (IsBluRayKind(kind) != m_firstDiscBluRay) {
    Ask(TextOr(IDS_DISC_MISMATCH, "Disc type does not match!  Please insert the same type of disc."),
        MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return false;
  }
  const BOOL saved = State().doubleLayer;
  const int savedKind = State().discKind;
  const BOOL accepted = wizard::CheckDvdDisc(this);
  State().doubleLayer = saved;
  State().discKind = savedKind;
  if (!accepted) return false;
  // The image must fit what the blank holds.
  if (m_imageBlocks > 0 && writer.GetFreeDiscBlock() < m_imageBlocks) {
    writer.UnloadMedium();
    Ask(Text(IDS_MEDIA_NON_APPLICABLE), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
    return false;
  }
  return true;
}

void CRecordBurnDvdPage::DeleteStreams() {
  const std::string stem = m_workFolder + m_baseName;
  for (const char* ext : {".mpv", ".mpa"}) {
    platform::DeleteFile(stem + ext);
    for (int i = 0; i < 100; ++i) platform::DeleteFile(stem + ext + wizard::Format(".%d", i));
  }
  // The program-stream parts the recorder writes beside them.
  for (int i = 0; i < 100; ++i) platform::DeleteFile(stem + wizard::Format("_%d.mpg", i));
}

void CRecordBurnDvdPage::DeleteMultiplexed() {
  platform::DeleteFile(m_workFolder + "1.mpg");
  for (int i = 1; i < 100; ++i) platform::DeleteFile(m_workFolder + wizard::Format("1.mpg%d", i));
}

void CRecordBurnDvdPage::WaitWorkers(bool removeFolder) {
  // Both jobs end by themselves; nothing is deleted under one still running.
  m_muxThread.Wait();
  m_authorThread.Wait();
  if (m_workFolder.empty()) return;
  DeleteStreams();
  DeleteMultiplexed();
  // With the streams gone nothing is left that another wizard could take for a crash's.
  m_owner.Release();
  if (removeFolder) DeleteFolderTree(m_workFolder);
}

void CRecordBurnDvdPage::RemoveWorkFolder() {
  m_owner.Release();
  DeleteFolderTree(m_workFolder);
}
