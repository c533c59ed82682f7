// The recording side of the capture page: the time limit, the maximum time the disk allows,
// the start in each format, the clock with its limits and splits, the stops and the end.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "about_box.h"
#include "capture_engine.h"
#include "capture_page.h"
#include "platform/filters/recording_recovery.h"
#include "platform/base/clock.h"
#include "platform/base/file_system.h"
#include "platform/base/local_time.h"
#include "platform/registry/registry.h"
#include "platform/controls/commctrl.h"
#include "platform/shell/known_folders.h"
#include "product.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"
#include "widgets/reg_helpers.h"
#include "wmv_profiles.h"

namespace studio {
namespace {

constexpr UINT kLimitFields[] = {IDC_LIMIT_HOURS, IDC_LIMIT_MINUTES, IDC_LIMIT_SECONDS};

bool FileExists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::string ItemText(const CWnd& page, UINT id) {
  std::string text;
  page.GetDlgItemText(static_cast<int>(id), text);
  return text;
}

double FileMegabytes(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<double>(info.st_size / 1024) / 1024;
}

// The engine's requests hold texts in fixed fields, counted in bytes with their terminating
// zero: one that does not fit refuses the start instead of being cut.
constexpr size_t kPathField = 260, kShortTextField = 100, kLongTextField = 1024;
bool Fits(const std::string& text, size_t field) { return text.size() < field; }

std::optional<std::uint64_t> FreeBytesOf(const std::string& folder) {
  std::uint64_t bytes = 0;
  if (!platform::FolderFreeBytes(folder, &bytes)) return std::nullopt;
  return bytes;
}

}  // namespace

BOOL CCapturePage::IsRecording() const {
  const CaptureEngine& engine = TheCaptureEngine();
  if (deviceType_ == 1) return engine.graph.IsCapturing();
  if (deviceType_ == 2 || deviceType_ == 3) return engine.dvGraph.IsCapturing();
  return FALSE;
}

BOOL CCapturePage::CapturingNow() const { return IsRecording(); }

HWND CCapturePage::BalloonWindow() const { return balloon_ ? balloon_->m_hWnd : nullptr; }

void CCapturePage::EnableControls(BOOL enable) {
  if (m_pHost) m_pHost->EnableControls(enable);
  for (UINT id :
       {IDC_CAPTURE_START, IDC_RECORD_OPTION, IDC_ASPECT, IDC_LIMIT_HOURS, IDC_LIMIT_MINUTES, IDC_LIMIT_SECONDS,
        IDC_LIMIT_SPIN, IDC_TAPE_PLAY, IDC_TAPE_PAUSE, IDC_TAPE_STOP, IDC_TAPE_REWIND, IDC_TAPE_FORWARD})
    if (CWnd* control = GetDlgItem(static_cast<int>(id))) control->EnableWindow(enable);
  if (CWnd* stop = GetDlgItem(IDC_CAPTURE_STOP)) stop->EnableWindow(!enable);
  AppSettings& s = Settings();
  if (IsMpegFormat(s.recordFormat)) {
    recordAndBurn_->EnableWindow(enable);
  } else {
    recordAndBurn_->EnableWindow(FALSE);
    ::SendMessage(recordAndBurn_->m_hWnd, BM_SETCHECK, BST_UNCHECKED, 0);
    recordAndBurnCheck_ = 0;
    s.recordAndBurn = FALSE;
  }
  SwapStartAndStop(!enable);
}

void CCapturePage::OnRecordAndBurn() {
  recordAndBurnCheck_ = ::SendMessage(recordAndBurn_->m_hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
  Settings().recordAndBurn = recordAndBurnCheck_;
  ComputeMaxRecordingTime();
}

// The time limit.

void CCapturePage::ComputeMaxRecordingTime() {
  const AppSettings& s = Settings();
  const std::string folder = Model() ? Model()->folders.output : std::string();
  const MaxRecordingTime maximum = studio::ComputeMaxRecordingTime(FreeBytesOf(folder), s.recordFormat, s.quality);
  maxSeconds_ = maximum.seconds;
  maxTimeText_ = maximum.text;
  limit_ = LimitWithin(limit_, maxSeconds_);
  SetDlgItemText(IDC_MAX_TIME, maxTimeText_);
  ShowTimeLimit();
}

void CCapturePage::ShowTimeLimit() {
  const int values[] = {limit_.hours, limit_.minutes, limit_.seconds};
  rewriting_ = true;
  for (int i = 0; i < 3; ++i) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", values[i]);
    if (ItemText(*this, kLimitFields[i]) != text) SetDlgItemText(kLimitFields[i], text);
  }
  rewriting_ = false;
}

TimeLimit CCapturePage::ReadTimeLimit() { return limit_; }

void CCapturePage::OnLimitFocus(UINT id) {
  spinField_ = static_cast<int>(id - IDC_LIMIT_HOURS);
  if (!spin_->m_hWnd) return;
  spin_->SetBuddy(GetDlgItem(static_cast<int>(id)));
  spin_->SetRange32(0, spinField_ == 0 ? 23 : 59);
  const int values[] = {limit_.hours, limit_.minutes, limit_.seconds};
  spin_->SetPos32(values[spinField_]);
  PlaceSpin();
}

void CCapturePage::OnLimitChange(UINT id) {
  if (rewriting_) return;
  const std::string text = ItemText(*this, id);
  const int typed = ParseField(text);
  int value = typed;
  if (id == IDC_LIMIT_HOURS) value = limit_.hours = ClampHours(typed, maxSeconds_);
  else if (id == IDC_LIMIT_MINUTES) value = limit_.minutes = ClampMinutes(typed, limit_.hours, maxSeconds_);
  else value = limit_.seconds = ClampSeconds(typed, limit_.hours, limit_.minutes, maxSeconds_);
  // Letters, signs and pasted text are shown as the number they count for.
  const bool plainNumber = text.find_first_not_of("0123456789") == std::string::npos;
  if (text.empty() || text.size() > 2 || value != typed || !plainNumber) {
    char shown[16];
    std::snprintf(shown, sizeof shown, "%02d", value);
    rewriting_ = true;
    SetDlgItemText(id, shown);
    rewriting_ = false;
    ::SendDlgItemMessage(m_hWnd, static_cast<int>(id), EM_SETSEL, 0, -1);
    ::SendDlgItemMessage(m_hWnd, static_cast<int>(id), EM_SCROLLCARET, 0, 0);
  }
}

void CCapturePage::OnLimitKillFocus(UINT) { ShowTimeLimit(); }

void CCapturePage::OnLimitSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<const NMUPDOWN*>(header);
  const unsigned total = limit_.Total();
  int* fields[] = {&limit_.hours, &limit_.minutes, &limit_.seconds};
  int& field = *fields[std::clamp(spinField_, 0, 2)];
  if (change->iDelta >= 1) {
    if (spinField_ == 0 && limit_.hours < 23 && total + 3600 <= maxSeconds_) ++limit_.hours;
    if (spinField_ == 1 && limit_.minutes < 59 && total + 60 <= maxSeconds_) ++limit_.minutes;
    if (spinField_ == 2 && limit_.seconds < 59 && total + 1 <= maxSeconds_) ++limit_.seconds;
  } else if (change->iDelta < 0 && field > 0) {
    --field;
  }
  ShowTimeLimit();
  *result = 0;
}

// Start.

void CCapturePage::OnStart() {
  DWORD check = 1;
  RegReadDword(HKEY_CURRENT_USER, kProductKey, "bCheckVideoSignal", &check, 1);
  Settings().checkVideoSignal = static_cast<int>(check);
  CaptureEngine& engine = Engine();
  const bool ready =
      (deviceType_ == 1 && engine.graph.IsOpen() && !engine.graph.IsCapturing()) ||
      ((deviceType_ == 2 || deviceType_ == 3) && !engine.dvGraph.IsCapturing() && engine.dvGraph.Graph() != nullptr);
  // A second click while the first start waits for its signal starts nothing more.
  if (!ready || startPending_ || beginning_) return;
  if (maxSeconds_ < 3) {
    ShowMessage(IDS_NO_OUTPUT_SPACE, MB_ICONHAND);
    return;
  }
  EnableControls(FALSE);
  startPending_ = TRUE;
  if (Settings().recordAndBurn && !SendBurnOptions()) {
    EnableControls(TRUE);
    startPending_ = FALSE;
    return;
  }
  if (deviceType_ == 2 || deviceType_ == 3 || engine.graph.IsVideoSignalPresent()) {
    BeginRecording();
    return;
  }
  secondsWithSignal_ = secondsWithoutSignal_ = 0;
  signalPhase_ = false;
  signalSince_ = 0;
  SetTimer(kSignalTimer, 1000);
  if (!balloon_) {
    balloon_ = new CBalloonTip(&preview_);
    balloon_->Show(&preview_);
  }
}

void CCapturePage::OnSignalTick() {
  const ULONGLONG now = ::GetTickCount64();
  const bool noSignal = Settings().checkVideoSignal && !Engine().graph.IsVideoSignalPresent();
  if (noSignal != signalPhase_ || signalSince_ == 0) {
    signalPhase_ = noSignal;
    signalSince_ = now;
  }
  const int seconds = static_cast<int>((now - signalSince_) / 1000) + 1;
  if (noSignal) {
    secondsWithSignal_ = 0;
    secondsWithoutSignal_ = seconds;
  } else {
    secondsWithoutSignal_ = 0;
    secondsWithSignal_ = seconds;
    if (!IsRecording()) BeginRecording();
  }
  if (balloon_ && balloon_->m_hWnd)
    ::SetWindowPos(balloon_->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CCapturePage::CloseBalloon() {
  if (!balloon_) return;
  balloon_->Close();
  delete balloon_;
  balloon_ = nullptr;
}

void CCapturePage::BeginRecording() {
  if (beginning_) return;
  beginning_ = true;
  CloseBalloon();
  KillTimer(kSignalTimer);
  const std::string timeText = platform::FormatLocalNow("%H%M%S");
  const BOOL started = StartByFormat(timeText);
  timeLimit_ = limit_.Total();
  captureFinished_ = false;
  if (started) {
    EnableControls(FALSE);
    elapsed_ = 0;
    if (timeLimit_ == 0 || timeLimit_ > maxSeconds_) timeLimit_ = maxSeconds_;
    if (Settings().recordFormat == kWmv || Settings().recordFormat == kDvAvi) outputPath_ = parts_.front();
    // Names the recording's files for the next start, should this one never end well.
    journaled_.clear();
    NoteFilesInJournal();
    SetTimer(kClockTimer, 500);
  } else {
    captureFinished_ = true;
    secondsWithSignal_ = secondsWithoutSignal_ = 0;
    ShowMessage(IDS_CANNOT_START_RECORDING, MB_OK);
    EndFailedStart();
    EnableControls(TRUE);
    if (Settings().recordAndBurn) SendDiscLock(false);
  }
  startPending_ = FALSE;
  beginning_ = false;
}

void CCapturePage::EndFailedStart() {
  CaptureEngine& engine = Engine();
  if (deviceType_ == 1) {
    if (engine.graph.IsCapturing()) engine.graph.StopCapture();
    if (engine.graph.IsOpen() && !engine.graph.IsPreviewing()) engine.graph.StartPreview();
  } else if (deviceType_ == 2) {
    if (engine.dvGraph.IsCapturing()) engine.dvGraph.StopCapture();
    if (!engine.dvGraph.IsPreviewing() && engine.dvGraph.Graph()) engine.dvGraph.BuildDvPreview();
  } else if (deviceType_ == 3) {
    if (engine.dvGraph.IsCapturing()) engine.dvGraph.StopHdvCapture();
    if (!engine.dvGraph.IsPreviewing() && engine.dvGraph.Graph()) engine.dvGraph.BuildHdvPreview();
  }
}

BOOL CCapturePage::StartByFormat(const std::string& timeText) {
  const int format = Settings().recordFormat;
  if (IsMpegFormat(format)) return StartMpeg(timeText);
  if (format == kWmv) {
    parts_.clear();
    return StartWmv(timeText);
  }
  if (format == kHdv) return StartHdv(timeText);
  if (format == kDvAvi) {
    parts_.clear();
    return StartDv(timeText);
  }
  return FALSE;
}

std::string CCapturePage::NewOutputName(int format, const std::string& timeText) {
  const std::string folder = Model() ? Model()->folders.output : std::string();
  return UniqueOutputName(folder, OutputPatternOf(format), timeText, FileExists);
}

BOOL CCapturePage::StartMpeg(const std::string& timeText) {
  const AppSettings& s = Settings();
  outputPath_ = NewOutputName(s.recordFormat, timeText);
  MpegCaptureSettings request;
  request.fileName = outputPath_;
  request.streamType = MpegStreamType(s.recordFormat, s.tvSystemIndex);
  request.resolutionLevel = s.cpuMode;
  request.qualityLevel = s.quality >= 0 && s.quality <= 3 ? s.quality : 2;
  request.maxFileSizeMB = s.discCapacity;
  request.videoBitRate = MpegVideoBitRate(s.recordFormat, s.quality);
  request.longPlay = s.recordFormat == kLongDvd ? 1 : 0;
  request.recordAndBurn = s.recordAndBurn ? 1 : 0;
  request.fixedValue = 1;
  request.aspect = s.wideScreen == 1 ? 1 : 0;
  if (!Fits(request.fileName, kPathField)) return FALSE;
  CaptureEngine& engine = Engine();
  if (deviceType_ == 1) return engine.graph.StartMpegCapture(&request);
  if (deviceType_ == 2) return engine.dvGraph.StartMpegCapture(&request);
  if (deviceType_ == 3) return engine.dvGraph.StartHdvMpegCapture(&request);
  return FALSE;
}

BOOL CCapturePage::StartDv(const std::string& timeText) {
  if (deviceType_ != 2) return FALSE;
  outputPath_ = NewOutputName(kDvAvi, timeText);
  parts_.push_back(outputPath_);
  return Engine().dvGraph.StartDvCapture(outputPath_);
}

BOOL CCapturePage::StartHdv(const std::string& timeText) {
  if (deviceType_ != 3) return FALSE;
  outputPath_ = NewOutputName(kHdv, timeText);
  const std::uint64_t bytes = static_cast<std::uint64_t>(std::max(Settings().discCapacity, 1)) * 1048576;
  return Engine().dvGraph.StartHdvStreamCapture(outputPath_, bytes);
}

std::string CCapturePage::WmvProfilePath() {
  const AppSettings& s = Settings();
  const std::string program = Model() ? Model()->folders.program : std::string();
  const std::string shipped = program + WmvProfileName(s.quality, s.tvSystemIndex, s.cpuMode, s.wideScreen);
  if (FILE* file = std::fopen(shipped.c_str(), "rb")) {
    std::fclose(file);
    return shipped;
  }
  char temp[4096] = {};
  GetTempPath(sizeof temp, temp);
  std::string path = std::string(temp) + "wmvhd.prx";
  if (!BuildWmvProfile(path, s.quality, s.tvSystemIndex, s.cpuMode, s.wideScreen)) return "";
  return path;
}

BOOL CCapturePage::StartWmv(const std::string& timeText) {
  const AppSettings& s = Settings();
  outputPath_ = NewOutputName(kWmv, timeText);
  parts_.push_back(outputPath_);
  WmvCaptureSettings request;
  request.fileName = outputPath_;
  request.profilePath = WmvProfilePath();
  if (request.profilePath.empty()) return FALSE;
  request.title = s.wmvTitle;
  request.author = s.wmvAuthor;
  request.description = s.wmvDescription;
  request.copyright = s.wmvCopyright;
  if (!Fits(request.fileName, kPathField) || !Fits(request.profilePath, kPathField) ||
      !Fits(request.title, kShortTextField) || !Fits(request.author, kShortTextField) ||
      !Fits(request.copyright, kShortTextField) || !Fits(request.description, kLongTextField))
    return FALSE;
  CaptureEngine& engine = Engine();
  if (deviceType_ == 1) return engine.graph.StartWmvCapture(&request);
  if (deviceType_ == 2) return engine.dvGraph.StartWmvCapture(&request);
  if (deviceType_ == 3) return engine.dvGraph.StartHdvWmvCapture(&request);
  return FALSE;
}

// The clock.

void CCapturePage::OnClockTick() {
  const ULONGLONG now = ::GetTickCount64();
  if (elapsed_ == 0) clockStart_ = now;
  elapsed_ = static_cast<double>((now - clockStart_) / 1000);
  if (elapsed_ <= 0.1) elapsed_ = 0.1;
  if (timeLimit_ <= elapsed_) {
    StopRecording(false);
    return;
  }
  const std::string folder = Model() ? Model()->folders.output : std::string();
  // Space that cannot be read is not a full disk.
  if (const auto free = FreeBytesOf(folder); free && (*free >> 20) < 50) {
    ForcedStop();
    ShowMessage(IDS_DISK_FULL, MB_OK);
    return;
  }
  const AppSettings& s = Settings();
  double size = 0;
  if (s.recordFormat == kAvi || s.recordFormat == kDvAvi || s.recordFormat == kWmv) {
    size = FileMegabytes(outputPath_);
    SplitIfNeeded(size);
    if (!IsRecording()) return;
  } else if (s.recordFormat == kHdv) {
    size = deviceType_ == 3 ? Engine().dvGraph.GetWrittenMegabytes() : FileMegabytes(outputPath_);
  } else {
    size = MpegSizeEstimateMB(s.recordFormat, s.quality, elapsed_);
  }
  NoteFilesInJournal();
  SetDlgItemText(IDC_ELAPSED, SpanText(static_cast<unsigned>(elapsed_), ":"));
  char text[32];
  std::snprintf(text, sizeof text, "%5.1fMB", size);
  SetDlgItemText(IDC_RECORDED_SIZE, text);
}

std::vector<std::string> CCapturePage::FilesBeingWritten() const {
  const int format = Settings().recordFormat;
  const bool mpeg = format == kVcd || format == kSvcd || format == kDvd || format == kLongDvd;
  if (!mpeg && format != kHdv) return parts_;
  // The writer starts its parts itself: those on disk and the one that comes next.
  std::vector<std::string> files;
  for (long count = 1;; ++count) {
    files = mpeg ? MpegPartNames(outputPath_, count) : HdvPartNames(outputPath_, count);
    if (files.size() < static_cast<std::size_t>(count) || !FileExists(files.back())) break;
  }
  return files;
}

void CCapturePage::NoteFilesInJournal() {
  if (!Model()) return;
  std::vector<std::string> files = FilesBeingWritten();
  if (files.empty() || files == journaled_) return;
  if (platform::filters::RecordingJournal(Model()->folders.output).Begin(files)) journaled_ = std::move(files);
}

void CCapturePage::SplitIfNeeded(double sizeMB) {
  const AppSettings& s = Settings();
  if (sizeMB <= s.discCapacity || parts_.empty()) return;
  const std::string next = SplitName(parts_.front(), parts_.size());
  parts_.push_back(next);
  outputPath_ = next;
  CaptureEngine& engine = Engine();
  BOOL switched = FALSE;
  const bool wmv = s.recordFormat == kWmv;
  if (deviceType_ == 1)
    switched = wmv ? engine.graph.SetWmvOutputFile(next.c_str()) : engine.graph.SetAviOutputFile(next.c_str());
  else if (deviceType_ == 2 || deviceType_ == 3)
    switched = wmv ? engine.dvGraph.SetWmvOutputFile(next) : engine.dvGraph.SetAviOutputFile(next);
  if (!switched) StopRecording(false);
}

// Stops.

BOOL CCapturePage::StopToPreview() {
  CaptureEngine& engine = Engine();
  if (deviceType_ == 1) return engine.graph.StopCaptureToPreview();
  if (deviceType_ == 2) return engine.dvGraph.StopDvCapture();
  if (deviceType_ == 3) return engine.dvGraph.StopHdvCaptureToPreview();
  return FALSE;
}

void CCapturePage::OnStop() { StopRecording(true); }

void CCapturePage::StopRecording(bool ask) {
  const AppSettings& s = Settings();
  askBeforeBurning_ = false;
  if (s.recordAndBurn && ask && IsRecording()) {
    const unsigned planned = limit_.Total() ? limit_.Total() : static_cast<unsigned>(elapsed_);
    if (planned > elapsed_) {
      if (::MessageBox(m_hWnd, ResourceText(IDS_STOP_RECORDING).c_str(), "Message", MB_YESNO | MB_ICONINFORMATION) ==
          IDNO)
        return;
      askBeforeBurning_ = true;
    }
  }
  KillTimer(kSignalTimer);
  secondsWithSignal_ = 0;
  CloseBalloon();
  if (!IsRecording()) {
    if (!startPending_) return;
    if (s.recordAndBurn) SendDiscLock(false);
    EnableControls(TRUE);
    startPending_ = FALSE;
    return;
  }
  if (!StopToPreview()) return;
  KillTimer(kClockTimer);
  limit_ = {};
  ComputeMaxRecordingTime();
  SetDlgItemText(IDC_ELAPSED, "00:00:00");
  SetDlgItemText(IDC_RECORDED_SIZE, "  0.0MB");
  if (!s.recordAndBurn) EnableControls(TRUE);
  else FinishRecordAndBurn(askBeforeBurning_);
}

void CCapturePage::ForcedStop() {
  KillTimer(kSignalTimer);
  KillTimer(kClockTimer);
  secondsWithSignal_ = 0;
  CloseBalloon();
  const bool wasBusy = IsRecording() || startPending_;
  if (IsRecording()) StopToPreview();
  startPending_ = FALSE;
  limit_ = {};
  ComputeMaxRecordingTime();
  SetDlgItemText(IDC_ELAPSED, "00:00:00");
  SetDlgItemText(IDC_RECORDED_SIZE, "  0.0MB");
  EnableControls(TRUE);
  if (Settings().recordAndBurn && wasBusy) SendDiscLock(false);
}

void CCapturePage::OnRecordingEnded(UINT msg, WPARAM code, LPARAM parts) {
  if (code != 16) return;
  KillTimer(kClockTimer);
  if (Model()) platform::filters::RecordingJournal(Model()->folders.output).End();
  std::vector<std::string> files;
  if (msg == WM_USER + 73) files = MpegPartNames(outputPath_, static_cast<long>(parts));
  else if (msg == WM_USER + 77) files = HdvPartNames(outputPath_, static_cast<long>(parts));
  else files = parts_;
  // A recording a failed write cut short is finished from what its files hold before it is
  // listed, so the list shows what it is.
  if (writeFailed_)
    for (const std::string& file : files) platform::filters::RepairRecording(file);
  writeFailed_ = false;
  for (const std::string& file : files)
    if (FileExists(file) && m_pHost) m_pHost->AddClip(file, FALSE);
  captureFinished_ = true;
  if (endPending_) ContinueRecordAndBurn();
}

}  // namespace studio
