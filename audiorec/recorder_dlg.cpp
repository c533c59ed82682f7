#include "audiorec/recorder_dlg.h"

#include <algorithm>
#include <cstdio>

#include "audiorec/audio_cd_burn_dlg.h"
#include "audiorec/playback_mute.h"
#include "audiorec/recorder_app.h"
#include "audiorec/recorder_settings_dlg.h"
#include "audiorec/recording_rules.h"
#include "audiorec/recordings_actions.h"
#include "audiorec/write_failure.h"
#include "platform/dshow/device_problem.h"
#include "platform/filters/recording_recovery.h"
#include "platform/base/clock.h"
#include "platform/base/file.h"
#include "platform/base/local_time.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/registry/registry.h"
#include "platform/shell/power.h"
#include "platform/window/afx_msgmap.h"
#include "platform/window/menu.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"
#include "resources/auvry_burn_ids.h"
#include "resources/auvry_ids.h"
#include "resources/auvry_skin_ids.h"
#include "resources/skin_ids.h"
#include "widgets/folder_browser.h"
#include "widgets/mask_region.h"
#include "widgets/reg_helpers.h"
#include "widgets/skin_bitmap.h"
#include "widgets/system_info.h"

namespace auvry {
namespace {

constexpr COLORREF kTextColour = RGB(0x82, 0x91, 0x99);
constexpr COLORREF kKeyRed = RGB(255, 0, 0);
constexpr int kWindowButtonWidth = 32;

class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursor(nullptr, IDC_WAIT))) {}
  ~WaitCursor() { ::SetCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

struct Place {
  int id, x, y, w, h;
};
// Where the controls that take no size from a bitmap sit, in pixels of the 750 x 550 window.
constexpr Place kPlaces[] = {
    {IDC_AUVRY_LEVELS_LABEL, 36, 62, 200, 18},    {IDC_AUVRY_LEFT_SPECTRUM, 39, 84, 302, 80},
    {IDC_AUVRY_RIGHT_SPECTRUM, 39, 172, 302, 80}, {IDC_AUVRY_LEFT_LEVEL, 39, 262, 302, 12},
    {IDC_AUVRY_RIGHT_LEVEL, 39, 282, 302, 12},    {IDC_AUVRY_DEVICE_LABEL, 386, 64, 200, 18},
    {IDC_AUVRY_DEVICE, 386, 84, 240, 24},         {IDC_AUVRY_VOLUME_LABEL, 386, 122, 200, 18},
    {IDC_AUVRY_VOLUME, 386, 144, 160, 16},        {IDC_AUVRY_FORMAT, 386, 196, 50, 20},
    {IDC_AUVRY_TIME, 446, 196, 160, 20},          {IDC_AUVRY_SIZE, 386, 222, 200, 20},
    {IDC_AUVRY_PROGRESS, 386, 250, 200, 12},      {IDC_AUVRY_PERCENT, 596, 248, 60, 18},
    {IDC_AUVRY_TIMER_LABEL, 386, 270, 200, 16},   {IDC_AUVRY_HOURS, 386, 286, 28, 18},
    {IDC_AUVRY_MINUTES, 418, 286, 28, 18},        {IDC_AUVRY_SECONDS, 450, 286, 28, 18},
    {IDC_AUVRY_SPIN, 480, 283, 16, 24},           {IDC_AUVRY_FOLDER_LABEL, 36, 326, 200, 16},
    {IDC_AUVRY_OUTPUT_FOLDER, 36, 346, 420, 20},  {IDC_AUVRY_LIST, 36, 378, 596, 144},
};
// REC and Stop share one place; the idle state shows REC there.
constexpr POINT kRecordPlace{657, 326};

void Show(HWND control, bool show) {
  if (control) ::ShowWindow(control, show ? SW_SHOW : SW_HIDE);
}

// The engine of the main window that is open, for the dialogs it opens.
CAudioRecordGraph* g_windowEngine = nullptr;

}  // namespace

CAudioRecordGraph& RecordEngine() {
  if (g_windowEngine) return *g_windowEngine;
  // Never destroyed: no graph work may run in the exit's destructors.
  static CAudioRecordGraph* idle = new CAudioRecordGraph;
  return *idle;
}

BEGIN_MESSAGE_MAP(CRecorderDlg, CDialog)
ON_WM_ERASEBKGND()
ON_WM_CTLCOLOR()
ON_WM_PAINT()
ON_WM_TIMER()
ON_WM_CLOSE()
ON_WM_SYSCOMMAND()
ON_WM_LBUTTONDOWN()
ON_WM_QUERYDRAGICON()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_AUVRY_EXIT, &CRecorderDlg::OnExit)
ON_BN_CLICKED(IDC_AUVRY_MINIMIZE, &CRecorderDlg::OnMinimize)
ON_BN_CLICKED(IDC_AUVRY_HELP, &CRecorderDlg::OnHelpButton)
ON_BN_CLICKED(IDC_AUVRY_SETTINGS, &CRecorderDlg::OnSettings)
ON_BN_CLICKED(IDC_AUVRY_RECORD, &CRecorderDlg::OnRecord)
ON_BN_CLICKED(IDC_AUVRY_STOP, &CRecorderDlg::OnStopRecording)
ON_BN_CLICKED(IDC_AUVRY_BROWSE, &CRecorderDlg::OnChooseOutputFolder)
ON_CBN_SELCHANGE(IDC_AUVRY_DEVICE, &CRecorderDlg::OnDeviceChange)
ON_CONTROL_RANGE(EN_SETFOCUS, IDC_AUVRY_HOURS, IDC_AUVRY_SECONDS, &CRecorderDlg::OnLimitFieldFocus)
ON_CONTROL_RANGE(EN_CHANGE, IDC_AUVRY_HOURS, IDC_AUVRY_SECONDS, &CRecorderDlg::OnLimitFieldChange)
ON_EN_KILLFOCUS(IDC_AUVRY_HOURS, &CRecorderDlg::ShowLimitFields)
ON_EN_KILLFOCUS(IDC_AUVRY_MINUTES, &CRecorderDlg::ShowLimitFields)
ON_EN_KILLFOCUS(IDC_AUVRY_SECONDS, &CRecorderDlg::ShowLimitFields)
ON_NOTIFY(UDN_DELTAPOS, IDC_AUVRY_SPIN, &CRecorderDlg::OnLimitSpin)
ON_BN_CLICKED(IDC_AUVRY_PLAY, &CRecorderDlg::OnPlay)
ON_BN_CLICKED(IDC_AUVRY_BURN, &CRecorderDlg::OnBurn)
ON_BN_CLICKED(IDC_AUVRY_DELETE, &CRecorderDlg::OnDelete)
ON_COMMAND(ID_BURN_AUDIO_CD, &CRecorderDlg::OnBurnAudioCd)
ON_COMMAND(ID_BURN_WMA_CD, &CRecorderDlg::OnBurnWmaCd)
ON_COMMAND(ID_BURN_WMA_DVD, &CRecorderDlg::OnBurnWmaDvd)
ON_NOTIFY(NM_DBLCLK, IDC_AUVRY_LIST, &CRecorderDlg::OnListDoubleClick)
ON_NOTIFY(LVN_KEYDOWN, IDC_AUVRY_LIST, &CRecorderDlg::OnListKeyDown)
ON_COMMAND(ID_AUVRY_HELP, &CRecorderDlg::OnHelpGuide)
ON_COMMAND(ID_AUVRY_ABOUT, &CRecorderDlg::OnAbout)
ON_COMMAND(ID_AUVRY_SUPPORT, &CRecorderDlg::OnOnlineSupport)
ON_COMMAND(ID_AUVRY_SYSTEM_INFO, &CRecorderDlg::OnSystemInfo)
END_MESSAGE_MAP()

CRecorderDlg::CRecorderDlg(CWnd* parent) : CDialog(IDD_AUVRY_MAIN, parent) { g_windowEngine = &engine_; }

CRecorderDlg::~CRecorderDlg() {
  engine_.StopAndClose();
  if (g_windowEngine == &engine_) g_windowEngine = nullptr;
  auto release = [](auto object) {
    if (object) ::DeleteObject(object);
  };
  release(backgroundBrush_), release(background_), release(editBrush_), release(title_), release(readOutFont_);
  if (helpMenu_) ::DestroyMenu(helpMenu_);
  if (icon_) ::DestroyIcon(icon_);
}

BOOL CRecorderDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  settings_ = LoadRecorderSettings();
  volume_ = static_cast<int>(settings_.volume);
  outputFolder_ = Program().outputFolder;
  ModifyStyle(0, WS_SYSMENU | WS_MINIMIZEBOX);
  SetWindowText(Program().title.c_str());
  if (HMENU system = ::GetSystemMenu(m_hWnd, FALSE)) {
    ::AppendMenu(system, MF_SEPARATOR, 0, nullptr);
    ::AppendMenu(system, MF_STRING, IDM_AUVRY_ABOUT_BOX, Program().title.c_str());
  }
  icon_ = ::LoadIcon(AfxGetResourceHandle(), MAKEINTRESOURCE(IDI_AUVRY));
  if (icon_) {
    SetIcon(icon_, TRUE);
    SetIcon(icon_, FALSE);
  }
  SetUpSkin();
  SetUpList();
  SetVolumeFromSlider(volume_);
  FillInputDevices();
  OpenSelectedDevice();
  ResetLevels();
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, kWidth, kHeight, SWP_NOMOVE | SWP_NOZORDER);
  ShowLimitFields();
  SetDlgItemText(IDC_AUVRY_OUTPUT_FOLDER, outputFolder_);
  SetControlState(1);
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
  ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  MixerLines().Open();
  PlaybackMute().InitPlaybackMute();
  PlaybackMute().MutePlayback(1);
  RecoverUnfinishedRecording();
  return TRUE;
}

void CRecorderDlg::TellNoSoundCard() {
  ::MessageBox(m_hWnd,
               platform::Format("No sound card detected\nPlease connect a sound card or an audio capture device "
                                "before using %s.",
                                Program().title.c_str())
                   .c_str(),
               Program().title.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CRecorderDlg::RecoverUnfinishedRecording() {
  const std::string told = platform::filters::RecoverUnfinishedRecording(outputFolder_);
  if (!told.empty()) ::MessageBox(m_hWnd, told.c_str(), Program().title.c_str(), MB_OK | MB_ICONINFORMATION);
}

void CRecorderDlg::SetUpSkin() {
  HMODULE ui = Program().uiLibrary;
  background_ = skin::LoadModuleBitmap(ui, IDB_AUVRY_BACKGROUND);
  if (background_) backgroundBrush_ = ::CreatePatternBrush(background_);
  editBrush_ = ::CreateSolidBrush(RGB(0, 0, 0));
  title_ = skin::LoadModuleBitmap(ui, IDB_AUVRY_TITLE);
  readOutFont_ = ::CreateFont(18, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");

  ::MoveWindow(m_hWnd, 0, 0, kWidth, kHeight, FALSE);
  // The two overlapping rectangles and the corners of the background that are not key red.
  HRGN region = ::CreateRectRgn(0, 18, kWidth, kHeight - 18);
  HRGN tall = ::CreateRectRgn(18, 0, kWidth - 18, kHeight);
  ::CombineRgn(region, region, tall, RGN_OR);
  ::DeleteObject(tall);
  if (HRGN shape = background_ ? BuildRegionFromBitmap(background_, kKeyRed) : nullptr) {
    HRGN window = ::CreateRectRgn(0, 0, kWidth, kHeight);
    ::CombineRgn(shape, shape, window, RGN_AND);
    ::CombineRgn(region, region, shape, RGN_OR);
    ::DeleteObject(window);
    ::DeleteObject(shape);
  }
  ::SetWindowRgn(m_hWnd, region, TRUE);

  struct WindowButton {
    CSkinButton& button;
    int id;
    UINT bitmap;
    UINT tip;
    int x, y;
  };
  const WindowButton pictured[] = {
      {exit_, IDC_AUVRY_EXIT, IDB_STARTER_CLOSE, IDS_AUVRY_TIP_EXIT, kWidth - 26 - kWindowButtonWidth, 12},
      {minimize_, IDC_AUVRY_MINIMIZE, IDB_STARTER_MINIMIZE, IDS_AUVRY_TIP_MINIMIZE,
       kWidth - 30 - 2 * kWindowButtonWidth, 12},
      {help_, IDC_AUVRY_HELP, IDB_STARTER_HELP, IDS_AUVRY_TIP_HELP, kWidth - 34 - 3 * kWindowButtonWidth, 12},
      {record_, IDC_AUVRY_RECORD, IDB_AUVRY_RECORD, IDS_AUVRY_TIP_RECORD, kRecordPlace.x, kRecordPlace.y},
      {stop_, IDC_AUVRY_STOP, IDB_AUVRY_STOP, IDS_AUVRY_TIP_STOP, kRecordPlace.x, kRecordPlace.y},
  };
  for (const WindowButton& b : pictured) {
    b.button.SetMaskColor(kKeyRed);
    b.button.SetDisabledFrame(3);
    b.button.SetShowText(FALSE);
    if (!b.button.SubclassDlgItem(b.id, this)) continue;
    if (ui) b.button.LoadBitmap(ui, b.bitmap);
    b.button.MoveTo(b.x, b.y);
    b.button.SetToolTipText(Text(b.tip));
  }
  const WindowButton texted[] = {
      {settingsButton_, IDC_AUVRY_SETTINGS, IDB_SKIN_BUTTON, IDS_AUVRY_TIP_SETTINGS, 636, 80},
      {browse_, IDC_AUVRY_BROWSE, IDB_SKIN_BUTTON, IDS_AUVRY_TIP_OUTPUT_FOLDER, 464, 342},
      {play_, IDC_AUVRY_PLAY, IDB_SKIN_BUTTON, IDS_AUVRY_TIP_PLAY, 642, 382},
      {burn_, IDC_AUVRY_BURN, IDB_SKIN_BUTTON, IDS_AUVRY_TIP_BURN, 642, 418},
      {delete_, IDC_AUVRY_DELETE, IDB_SKIN_BUTTON, IDS_AUVRY_TIP_REMOVE, 642, 454},
  };
  for (const WindowButton& b : texted) {
    b.button.SetMaskColor(kKeyRed);
    b.button.SetShowText(TRUE);
    b.button.SetTextColors(RGB(230, 232, 226));
    if (!b.button.SubclassDlgItem(b.id, this)) continue;
    if (ui) b.button.LoadBitmap(ui, b.bitmap);
    b.button.MoveTo(b.x, b.y);
    b.button.SetToolTipText(Text(b.tip));
  }

  for (const Place& place : kPlaces)
    if (HWND control = ::GetDlgItem(m_hWnd, place.id)) ::MoveWindow(control, place.x, place.y, place.w, place.h, TRUE);
  for (int id : {IDC_AUVRY_FORMAT, IDC_AUVRY_TIME, IDC_AUVRY_SIZE})
    if (HWND control = ::GetDlgItem(m_hWnd, id))
      ::SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(readOutFont_), FALSE);

  device_ = std::make_unique<CSkinComboBox>(ui, IDB_SKIN_COMBO_ARROW);
  device_->SetBackgroundBrush(editBrush_);
  device_->SetTextColor(kTextColour);
  device_->SubclassDlgItem(IDC_AUVRY_DEVICE, this);
  spin_ = std::make_unique<CSkinSpinButton>(ui, IDB_SKIN_SPIN);
  spin_->SubclassDlgItem(IDC_AUVRY_SPIN, this);
  // The fields show "%02d" of what the window holds: the spin neither writes its own number into
  // them nor wraps from 59 to 0, and it stays beside the three fields, none narrowed for it.
  spin_->ModifyStyle(UDS_SETBUDDYINT | UDS_WRAP | UDS_ALIGNLEFT, 0);

  volumeSlider_.SubclassDlgItem(IDC_AUVRY_VOLUME, this);
  volumeSlider_.SetChannelBitmaps(ui, IDB_SKIN_SLIDER_CHANNEL, IDB_SKIN_SLIDER_FILLED, TRUE, RGB(255, 0, 255));
  volumeSlider_.SetThumbBitmaps(ui, IDB_SKIN_SLIDER_THUMB, IDB_SKIN_SLIDER_THUMB_DRAG, TRUE, RGB(255, 0, 255));
  volumeSlider_.SetRange(0, 20);
  volumeSlider_.SetPos(volume_);

  progress_.SubclassDlgItem(IDC_AUVRY_PROGRESS, this);
  progress_.LoadBitmap(ui, IDB_SKIN_PROGRESS);
  leftLevel_.SubclassDlgItem(IDC_AUVRY_LEFT_LEVEL, this);
  leftLevel_.LoadBitmap(ui, IDB_AUVRY_LEVEL);
  rightLevel_.SubclassDlgItem(IDC_AUVRY_RIGHT_LEVEL, this);
  rightLevel_.LoadBitmap(ui, IDB_AUVRY_LEVEL);
  for (CBitmapProgressBar* bar : {&progress_, &leftLevel_, &rightLevel_}) {
    bar->SetMode(CBitmapProgressBar::kTwoRows);
    bar->SetRange(0, 100);
  }

  leftSpectrum_.Reset();
  rightSpectrum_.Reset();
  leftSpectrum_.SubclassDlgItem(IDC_AUVRY_LEFT_SPECTRUM, this);
  rightSpectrum_.SubclassDlgItem(IDC_AUVRY_RIGHT_SPECTRUM, this);
  leftSpectrum_.SetBarBitmap(ui, IDB_AUVRY_LEFT_BAR);
  leftSpectrum_.SetBackBitmap(ui, IDB_AUVRY_SPECTRUM_BACK);
  rightSpectrum_.SetBarBitmap(ui, IDB_AUVRY_RIGHT_BAR);
  rightSpectrum_.SetBackBitmap(ui, IDB_AUVRY_SPECTRUM_BACK);

  helpMenu_ = ::LoadMenu(AfxGetResourceHandle(), MAKEINTRESOURCE(IDR_AUVRY_HELP_MENU));
}

void CRecorderDlg::SetUpList() {
  if (!list_.SubclassDlgItem(IDC_AUVRY_LIST, this)) return;
  list_.InsertColumns();
  list_.AcceptDrops(kAcceptFiles, [this](const std::vector<DroppedPath>& paths) {
    for (const DroppedPath& dropped : paths)
      if (MatchesAddFilter(kAudioCdAddFilter, dropped.path)) AddRecordingToList(dropped.path);
  });
}

void CRecorderDlg::FillInputDevices() {
  char saved[REG_READ_STRING_SIZE] = {};
  RegReadString(HKEY_CURRENT_USER, kProductKey, "AudioDevice_AR", saved, nullptr);
  CCaptureDeviceList devices;
  inputs_ = InputDeviceEntries(devices);
  device_->ResetContent();
  for (const InputEntry& entry : inputs_) {
    const int index = device_->AddString(entry.name.c_str());
    device_->SetItemData(index, static_cast<DWORD_PTR>(entry.data));
  }
  const int selected = SavedEntryIndex(inputs_, saved);
  if (selected >= 0) device_->SetCurSel(selected);
}

void CRecorderDlg::OpenSelectedDevice() {
  const int selected = device_ ? device_->GetCurSel() : -1;
  if (selected < 0 || selected >= static_cast<int>(inputs_.size())) return;
  const DeviceNames names = NamesOf(inputs_[selected]);
  CAudioRecordGraph& engine = engine_;
  if (!engine.Open(m_hWnd, names.video, names.audio, settings_.noAudioStreamRender ? 2 : 1)) {
    // A device another program holds says so, with what to do.
    if (const std::string problem = platform::dshow::TakeDeviceProblem(); !problem.empty())
      ::MessageBox(m_hWnd, problem.c_str(), Program().title.c_str(), MB_ICONHAND);
    return;
  }
  openedIndex_ = selected;
  engine.StartPreview();
  SetTimer(kLevelTimer, kLevelMs);
  engine.SetNoiseReduction(static_cast<BYTE>(settings_.noiseReduction ? 1 : 0),
                           static_cast<float>(settings_.noiseReductionValue) * 0.1f);
}

void CRecorderDlg::OnDeviceChange() {
  const int selected = device_->GetCurSel();
  if (selected < 0 || selected == openedIndex_ || selected >= static_cast<int>(inputs_.size())) return;
  const DeviceNames names = NamesOf(inputs_[selected]);
  CAudioRecordGraph& engine = engine_;
  const int monitorMode = settings_.noAudioStreamRender ? 2 : 1;
  // A failed switch reopens the previous device, so the window keeps its input and its selection.
  const BOOL switched = openedIndex_ >= 0 ? engine.SwitchDevice(m_hWnd, names.video, names.audio, monitorMode)
                                          : engine.Reopen(m_hWnd, names.video, names.audio, monitorMode);
  if (switched) {
    openedIndex_ = selected;
    RegWriteString(HKEY_CURRENT_USER, kProductKey, "AudioDevice_AR", inputs_[selected].name.c_str());
    engine.SetNoiseReduction(static_cast<BYTE>(settings_.noiseReduction ? 1 : 0),
                             static_cast<float>(settings_.noiseReductionValue) * 0.1f);
    SetVolumeFromSlider(volume_);
    SetTimer(kLevelTimer, kLevelMs);
    return;
  }
  if (openedIndex_ >= 0) device_->SetCurSel(openedIndex_);
  ::MessageBox(m_hWnd, platform::dshow::WithDeviceProblem(Text(IDS_AUVRY_BAD_DEVICE)).c_str(), Program().title.c_str(),
               MB_ICONHAND);
}

void CRecorderDlg::SetControlState(int state) {
  const bool idle = state == 1;
  for (int id : {IDC_AUVRY_EXIT, IDC_AUVRY_HELP, IDC_AUVRY_SETTINGS, IDC_AUVRY_DEVICE, IDC_AUVRY_HOURS,
                 IDC_AUVRY_MINUTES, IDC_AUVRY_SECONDS, IDC_AUVRY_SPIN, IDC_AUVRY_OUTPUT_FOLDER, IDC_AUVRY_BROWSE,
                 IDC_AUVRY_LIST, IDC_AUVRY_PLAY, IDC_AUVRY_DELETE, IDC_AUVRY_BURN, IDC_AUVRY_RECORD})
    if (HWND control = ::GetDlgItem(m_hWnd, id)) ::EnableWindow(control, idle);
  if (HWND stop = ::GetDlgItem(m_hWnd, IDC_AUVRY_STOP)) ::EnableWindow(stop, !idle);
  Show(::GetDlgItem(m_hWnd, IDC_AUVRY_RECORD), idle);
  Show(::GetDlgItem(m_hWnd, IDC_AUVRY_STOP), !idle);
}

void CRecorderDlg::OnRecord() {
  CAudioRecordGraph& engine = engine_;
  if (!engine.IsOpened() && inputs_.empty()) {
    TellNoSoundCard();
    return;
  }
  if (!engine.IsOpened() || recording_) return;
  activeLimit_ = ActiveLimitSeconds(hours_, minutes_, seconds_);
  const std::tm now = platform::LocalNow();
  BOOL started = FALSE;
  switch (kind_) {
    case kWma: {
      currentFile_ = UniqueRecordingPath(outputFolder_, "WMA", "wma", now);
      WmvCaptureSettings request;
      request.fileName = currentFile_;
      request.profilePath = Program().programFolder + "QnProfileWMA.prx";
      started = engine.StartRecordWma(request);
      break;
    }
    case kWav:
      currentFile_ = UniqueRecordingPath(outputFolder_, "WAV", "wav", now);
      started = engine.StartRecordWav(currentFile_, 2, 16, 44100, 2047);
      break;
    case kMp3:
      currentFile_ = UniqueRecordingPath(outputFolder_, "MP3", "mp3", now);
      started = engine.StartRecordMp3(currentFile_);
      break;
  }
  if (!started) {
    // The name was reserved by making the file: an empty one left would pass for a recording.
    if (platform::FileSize(currentFile_) == 0) platform::DeleteFile(currentFile_);
    ::MessageBox(m_hWnd, Text(IDS_AUVRY_CANNOT_RECORD).c_str(), Program().title.c_str(), MB_ICONHAND);
    SetControlState(1);
    return;
  }
  // The suite clock, not the process's CPU time, measures the recording, from the moment the card
  // records rather than from the first tick, so a limit stops on its second; the journal's sync
  // below may take long on a busy disk while the card already writes.
  startMs_ = platform::CurrentClock().NowMs();
  engine.EnableAnalyzer();
  engine.SetAnalyzerFlag(1);
  // Names the recording for the next start, should this one never end well.
  platform::filters::RecordingJournal(outputFolder_).Begin(currentFile_);
  recording_ = true;
  SetControlState(2);
  elapsed_ = 0.0;
  SetTimer(kClockTimer, kClockMs);
}

void CRecorderDlg::OnStopRecording() {
  WaitCursor wait;
  CAudioRecordGraph& engine = engine_;
  if (!engine.IsOpened()) return;
  KillTimer(kClockTimer);
  KillTimer(kLimitTimer);
  engine.StopRecording();
  recording_ = false;
  SetControlState(1);
  ShowRecordStatus(0, 0, 0);
}

void CRecorderDlg::OnClockTimer() {
  const std::uint64_t now = platform::CurrentClock().NowMs();
  elapsed_ = static_cast<double>((now - startMs_) / 1000);
  if (elapsed_ <= 0.1) elapsed_ = 0.1;
  double kilobytes = 0.0;
  if (kind_ == kMp3) {
    kilobytes = elapsed_ * 24000.0 / 1024.0;
  } else {
    const std::int64_t bytes = platform::FileSize(currentFile_);
    if (bytes > 0) kilobytes = static_cast<double>(bytes) / 1024.0;
  }
  const int percent = activeLimit_ > 0 ? static_cast<int>(elapsed_ * 100.0 / activeLimit_) : 0;
  ShowRecordStatus(static_cast<int>(elapsed_), kilobytes, percent);
  if (activeLimit_ <= elapsed_) {
    OnStopRecording();
    return;
  }
  // The half-second tick would stop up to 499 ms late: the last stretch gets a tick of its own,
  // a little early, so a window busy painting still stops on the limit itself.
  const std::uint64_t limitMs = static_cast<std::uint64_t>(activeLimit_) * 1000, ranMs = now - startMs_;
  if (ranMs + kClockMs + kLimitLeadMs > limitMs)
    SetTimer(kLimitTimer, static_cast<UINT>(std::max<std::uint64_t>(limitMs - ranMs, kLimitLeadMs + 1) - kLimitLeadMs));
  if (engine_.SourceLost()) {
    const std::string input = engine_.InputName();
    OnStopRecording();
    ::MessageBox(m_hWnd,
                 platform::Format("\"%s\" stopped delivering sound: it was disconnected or failed. The recording "
                                  "so far is kept.",
                                  input.c_str())
                     .c_str(),
                 Program().title.c_str(), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  // A write that failed ends the recording: what was written is kept, and the user hears why.
  if (engine_.WriteFailed()) {
    const std::string file = currentFile_;
    OnStopRecording();
    ::MessageBox(m_hWnd, WriteFailureMessage(file, WriteFailureReason(file)).c_str(), Program().title.c_str(),
                 MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (DiskTooFullToRecord(outputFolder_)) {
    OnStopRecording();
    ::MessageBox(m_hWnd, Text(IDS_AUVRY_DISK_FULL).c_str(), Program().title.c_str(), MB_OK);
  }
}

void CRecorderDlg::ShowRecordStatus(int seconds, double kilobytes, int percent) {
  SetDlgItemText(IDC_AUVRY_TIME, FormatElapsed(seconds));
  SetDlgItemText(IDC_AUVRY_SIZE, FormatSize(kilobytes));
  if (progress_.m_hWnd) progress_.SetPos(percent);
  SetDlgItemText(IDC_AUVRY_PERCENT, platform::Format("%d %%", percent));
}

void CRecorderDlg::UpdateLevels() {
  AudioLevelRecord record;
  if (!engine_.GetLevels(&record)) return;
  leftSpectrum_.SetLevels(record.LeftBands());
  rightSpectrum_.SetLevels(record.RightBands());
  leftLevel_.SetPos(LevelBarPosition(record.LeftDb()));
  rightLevel_.SetPos(LevelBarPosition(record.RightDb()));
}

void CRecorderDlg::ResetLevels() {
  const BYTE zero[CSpectrumBar::kBands] = {};
  if (leftSpectrum_.m_hWnd) leftSpectrum_.SetLevels(zero);
  if (rightSpectrum_.m_hWnd) rightSpectrum_.SetLevels(zero);
  if (leftLevel_.m_hWnd) leftLevel_.SetPos(0);
  if (rightLevel_.m_hWnd) rightLevel_.SetPos(0);
}

void CRecorderDlg::AddRecordingToList(const std::string& path) {
  CMediaDurationProbe probe;
  std::optional<RecordingItem> found = MakeRecordingItem(path, probe);
  if (!found || !list_.m_hWnd) return;
  auto item = std::make_unique<RecordingItem>(std::move(*found));
  const std::string size = FormatRowSize(item->size), time = FormatPlayTime(item->playSeconds);
  const int row = list_.AppendRow(std::move(item), size, time);
  if (row < 0) return;
  list_.EnsureVisible(row, FALSE);
  list_.Invalidate();
}

void CRecorderDlg::OnPlay() { PlaySelectedRecording(list_); }

void CRecorderDlg::OnBurn() { ShowBurnMenu(this, burn_.m_hWnd); }

void CRecorderDlg::OnDelete() { DeleteSelectedRecordings(list_, this); }

void CRecorderDlg::OnBurnAudioCd() { BurnAudioCD(list_, this, outputFolder_, &burnDialogOpen_); }

void CRecorderDlg::OnBurnWmaCd() { BurnDataDisc(list_, this, 0, outputFolder_, &burnDialogOpen_); }

void CRecorderDlg::OnBurnWmaDvd() { BurnDataDisc(list_, this, 1, outputFolder_, &burnDialogOpen_); }

void CRecorderDlg::OnListDoubleClick(NMHDR*, LRESULT* result) {
  PlaySelectedRecording(list_);
  *result = 0;
}

void CRecorderDlg::OnListKeyDown(NMHDR* header, LRESULT* result) {
  // One Delete press runs the prompt walk once; the list itself recycles nothing on key-up.
  if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) DeleteSelectedRecordings(list_, this);
  *result = 0;
}

void CRecorderDlg::OnDestroy() {
  // A window that goes without Close (a quit message, the end of the session) still finishes
  // its recording and gives the devices back.
  Shutdown();
  if (list_.m_hWnd) list_.RemoveAllRows();
  CDialog::OnDestroy();
}

void CRecorderDlg::SetVolumeFromSlider(int position) {
  volume_ = position;
  engine_.SetAudioGain(1, GainForSliderPosition(position));
}

LRESULT CRecorderDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_RECORD_FINISHED && wParam == kRecordFinishedCode) {
    platform::filters::RecordingJournal(outputFolder_).End();
    if (!closing_) AddRecordingToList(currentFile_);
    return 0;
  }
  if ((msg == WM_SKINSLIDER_TRACK || msg == WM_SKINSLIDER_CHANGED) && wParam == IDC_AUVRY_VOLUME) {
    SetVolumeFromSlider(static_cast<int>(lParam));
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CRecorderDlg::OnTimer(UINT_PTR id) {
  if (id == kLevelTimer) {
    UpdateLevels();
  } else if (id == kClockTimer) {
    OnClockTimer();
  } else if (id == kLimitTimer) {
    KillTimer(kLimitTimer);
    if (!recording_) return;
    const std::uint64_t ranMs = platform::CurrentClock().NowMs() - startMs_;
    const std::uint64_t limitMs = static_cast<std::uint64_t>(activeLimit_) * 1000;
    if (ranMs < limitMs && limitMs - ranMs <= kLimitLeadMs) ::Sleep(static_cast<DWORD>(limitMs - ranMs));
    OnClockTimer();
  } else {
    CDialog::OnTimer(id);
  }
}

BOOL CRecorderDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
    OnHelpGuide();
    return TRUE;
  }
  return CDialog::PreTranslateMessage(msg);
}

BOOL CRecorderDlg::OnEraseBkgnd(CDC* dc) {
  RECT client;
  GetClientRect(&client);
  ::FillRect(*dc, &client,
             backgroundBrush_ ? backgroundBrush_ : reinterpret_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

void CRecorderDlg::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(m_hWnd, &paint);
  if (::IsIconic(m_hWnd)) {
    RECT client;
    GetClientRect(&client);
    if (icon_)
      ::DrawIcon(dc, (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2,
                 (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
  } else if (title_) {
    BITMAP info{};
    ::GetObject(title_, sizeof info, &info);
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, title_);
    ::BitBlt(dc, 26, 9, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
  }
  ::EndPaint(m_hWnd, &paint);
}

HCURSOR CRecorderDlg::OnQueryDragIcon() { return static_cast<HCURSOR>(icon_); }

HBRUSH CRecorderDlg::OnCtlColor(CDC* dc, CWnd* wnd, UINT type) {
  if (type == CTLCOLOR_LISTBOX || !wnd || !backgroundBrush_) return CDialog::OnCtlColor(dc, wnd, type);
  // The pattern runs on from the dialog's own background behind the control.
  RECT place;
  ::GetWindowRect(wnd->m_hWnd, &place);
  ::ScreenToClient(m_hWnd, reinterpret_cast<POINT*>(&place));
  ::SetBrushOrgEx(*dc, -place.left, -place.top, nullptr);
  dc->SetBkMode(TRANSPARENT);
  const int id = wnd->GetDlgCtrlID();
  if (type == CTLCOLOR_EDIT) {
    if (id == IDC_AUVRY_OUTPUT_FOLDER || (id >= IDC_AUVRY_HOURS && id <= IDC_AUVRY_SECONDS)) {
      dc->SetTextColor(kTextColour);
      return editBrush_;
    }
    return backgroundBrush_;
  }
  if (type == CTLCOLOR_STATIC) {
    // The read-only folder edit asks as a static does.
    if (id == IDC_AUVRY_OUTPUT_FOLDER) {
      dc->SetTextColor(kTextColour);
      return editBrush_;
    }
    dc->SetTextColor(id == IDC_AUVRY_FORMAT ? RGB(255, 255, 0) : kTextColour);
  }
  return backgroundBrush_;
}

void CRecorderDlg::OnLButtonDown(UINT flags, CPoint point) {
  CDialog::OnLButtonDown(flags, point);
  PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
}

void CRecorderDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if ((id & 0xFFF0) == IDM_AUVRY_ABOUT_BOX) OnAbout();
  else CDialog::OnSysCommand(id, lParam);
}

void CRecorderDlg::OnExit() { Close(); }
void CRecorderDlg::OnClose() { Close(); }
void CRecorderDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }

void CRecorderDlg::OnHelpButton() {
  HMENU popup = helpMenu_ ? ::GetSubMenu(helpMenu_, 0) : nullptr;
  if (!popup) return;
  ::ModifyMenu(popup, ID_AUVRY_ABOUT, MF_BYCOMMAND | MF_STRING, ID_AUVRY_ABOUT, ("About " + Program().title).c_str());
  RECT place;
  ::GetWindowRect(::GetDlgItem(m_hWnd, IDC_AUVRY_HELP), &place);
  ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, place.left + 3, place.top + 20, 0, m_hWnd, nullptr);
}

void CRecorderDlg::OnHelpGuide() {
  if (CRecorderApp* app = RecorderApp()) app->OnHelp();
}
void CRecorderDlg::OnOnlineSupport() {
  if (CRecorderApp* app = RecorderApp()) app->OpenOnlineSupport();
}
void CRecorderDlg::OnSystemInfo() { CSystemInfoLauncher().OpenSystemInformation(); }
void CRecorderDlg::OnAbout() {
  if (CRecorderApp* app = RecorderApp()) app->ShowAbout(this);
}

void CRecorderDlg::OnSettings() {
  CRecorderSettingsDlg settings(this);
  settings.m_nLevel = static_cast<int>(settings_.noiseReductionValue);
  settings.m_bNoiseReduction = settings_.noiseReduction ? 1 : 0;
  settings.m_bWebStreaming = settings_.noAudioStreamRender ? 1 : 0;
  const int selected = device_->GetCurSel();
  if (selected >= 0 && selected < static_cast<int>(inputs_.size())) {
    const DeviceNames names = NamesOf(inputs_[selected]);
    settings.m_videoName = names.video;
    settings.m_audioName = names.audio;
  }
  settings.DoModal();
  settings_.noiseReductionValue = static_cast<DWORD>(settings.m_nLevel);
  settings_.noiseReduction = settings.m_bNoiseReduction ? 1 : 0;
  settings_.noAudioStreamRender = settings.m_bWebStreaming ? 1 : 0;
}

void CRecorderDlg::OnLimitFieldFocus(UINT id) {
  focusedField_ = static_cast<int>(id - IDC_AUVRY_HOURS);
  if (!spin_ || !spin_->m_hWnd) return;
  const int value = focusedField_ == 0 ? hours_ : focusedField_ == 1 ? minutes_ : seconds_;
  spin_->SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, static_cast<int>(id))), 0);
  spin_->SendMessage(UDM_SETRANGE, 0, MAKELPARAM(focusedField_ == 0 ? 23 : 59, 0));
  spin_->SendMessage(UDM_SETPOS, 0, MAKELPARAM(value, 0));
}

void CRecorderDlg::OnLimitFieldChange(UINT id) {
  if (rewriting_) return;
  HWND edit = ::GetDlgItem(m_hWnd, static_cast<int>(id));
  if (!edit) return;
  char text[64] = {};
  ::GetWindowText(edit, text, sizeof text);
  const LimitField field = id == IDC_AUVRY_HOURS     ? LimitField::Hours
                           : id == IDC_AUVRY_MINUTES ? LimitField::Minutes
                                                     : LimitField::Seconds;
  const TypedLimit typed = ParseLimitField(text, field, LimitFields{hours_, minutes_, seconds_}, kDefaultLimitSeconds);
  (field == LimitField::Hours ? hours_ : field == LimitField::Minutes ? minutes_ : seconds_) = typed.value;
  if (typed.rewrite) {
    rewriting_ = true;
    ::SetWindowText(edit, platform::Format("%02d", typed.value).c_str());
    rewriting_ = false;
    ::SendMessage(edit, EM_SETSEL, 0, -1);
    ::SendMessage(edit, EM_SCROLLCARET, 0, 0);
  }
  ::InvalidateRect(edit, nullptr, TRUE);
}

void CRecorderDlg::OnLimitSpin(NMHDR* header, LRESULT* result) {
  const auto* change = reinterpret_cast<NMUPDOWN*>(header);
  const LimitField focused = focusedField_ == 0   ? LimitField::Hours
                             : focusedField_ == 1 ? LimitField::Minutes
                                                  : LimitField::Seconds;
  const LimitFields stepped =
      StepLimitField(LimitFields{hours_, minutes_, seconds_}, focused, change->iDelta, kDefaultLimitSeconds);
  hours_ = stepped.hours, minutes_ = stepped.minutes, seconds_ = stepped.seconds;
  ShowLimitFields();
  *result = 0;
}

void CRecorderDlg::ShowLimitFields() {
  rewriting_ = true;
  SetDlgItemText(IDC_AUVRY_HOURS, platform::Format("%02d", hours_));
  SetDlgItemText(IDC_AUVRY_MINUTES, platform::Format("%02d", minutes_));
  SetDlgItemText(IDC_AUVRY_SECONDS, platform::Format("%02d", seconds_));
  rewriting_ = false;
}

void CRecorderDlg::OnChooseOutputFolder() {
  std::string start = outputFolder_;
  while (start.size() > 1 && start.back() == '/') start.pop_back();
  CFolderBrowser browser(TRUE, Program().title.c_str(), nullptr, start.c_str(), this);
  browser.SetMessageCaption(Program().title);
  if (browser.DoModal() != 1) return;
  const std::string folder = platform::WithTrailingSlash(browser.GetFolderPath());
  BOOL folders = FALSE, files = FALSE;
  ProbeFolderAccess(folder.c_str(), &folders, &files);
  if (!folders || !files) {
    ::MessageBox(m_hWnd, platform::Format("%s\n%s", folder.c_str(), Text(IDS_AUVRY_NO_PERMISSION).c_str()).c_str(),
                 Program().title.c_str(), MB_ICONWARNING);
    return;
  }
  outputFolder_ = folder;
  Program().outputFolder = folder;
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "AudioOutFolder", folder.c_str());
  SetDlgItemText(IDC_AUVRY_OUTPUT_FOLDER, folder);
}

void CRecorderDlg::Close() {
  if (closing_) return;
  Shutdown();
  EndDialog(IDOK);
}

void CRecorderDlg::Shutdown() {
  if (closing_) return;
  closing_ = true;
  KillTimer(kLevelTimer);
  KillTimer(kClockTimer);
  KillTimer(kLimitTimer);
  const bool wasRecording = recording_ && engine_.IsRecording();
  // The file is finished as a Stop finishes it; nobody is left to hear the engine's message.
  if (engine_.IsOpened()) engine_.StopAndClose();
  if (wasRecording) platform::filters::RecordingJournal(outputFolder_).End();
  recording_ = false;
  if (volumeSlider_.m_hWnd) volume_ = volumeSlider_.GetPos();
  ::SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, 0);
  PlaybackMute().MutePlayback(0);
  MixerLines().Close();
  settings_.volume = static_cast<DWORD>(volume_);
  SaveRecorderSettings(settings_);
  if (list_.m_hWnd) list_.RemoveAllRows();
}

}  // namespace auvry
