#include "capture_page.h"

#include <algorithm>
#include <cstring>

#include "about_box.h"
#include "capture_dialogs.h"
#include "capture_engine.h"
#include "platform/dshow/device_problem.h"
#include "platform/filters/recording_recovery.h"
#include "platform/controls/commctrl.h"
#include "platform/filters/maker_interfaces.h"
#include "platform/base/module.h"
#include "platform/base/strings.h"
#include "platform/registry/registry.h"
#include "platform/window/device_change.h"
#include "product.h"
#include "quillon_dlg.h"
#include "quillon_ids.h"
#include "record_settings_dlg.h"
#include "resources/skin_ids.h"
#include "widgets/reg_helpers.h"

namespace studio {
namespace {

constexpr COLORREF kDimText = RGB(130, 145, 153);
// What the preview area says where it shows no picture.
constexpr const char* kNoCaptureDeviceNote = "No capture device detected";
constexpr const char* kPictureNotShownNote = "The picture of this device cannot be shown here; it still records.";
constexpr const char* kDeviceNotStartedNote = "The capture device could not be started.";
constexpr COLORREF kDarkColour = RGB(20, 25, 28);
constexpr COLORREF kGreyColour = RGB(54, 61, 64);
// KSCATEGORY_CAPTURE: arrivals and removals of capture devices.
DEFINE_GUID(kCaptureCategory, 0x65E8773D, 0x8F56, 0x11D0, 0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96);

constexpr UINT kTapeButtons[] = {IDC_TAPE_STOP, IDC_TAPE_PLAY, IDC_TAPE_PAUSE, IDC_TAPE_REWIND, IDC_TAPE_FORWARD};

HMODULE UiModule() { return ::GetModuleHandle("Vidarro5UI.dll"); }

std::string ItemText(const CWnd& page, int id) {
  std::string text;
  page.GetDlgItemText(id, text);
  return text;
}

void Place(HWND page, UINT id, int x, int y, int w, int h) {
  if (HWND control = ::GetDlgItem(page, static_cast<int>(id)))
    ::SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

BEGIN_MESSAGE_MAP(CCapturePage, CSkinPage)
ON_BN_CLICKED(IDC_CAPTURE_START, &CCapturePage::OnStart)
ON_BN_CLICKED(IDC_CAPTURE_STOP, &CCapturePage::OnStop)
ON_BN_CLICKED(IDC_RECORD_AND_BURN, &CCapturePage::OnRecordAndBurn)
ON_BN_CLICKED(IDC_RECORD_OPTION, &CCapturePage::OnOption)
ON_COMMAND_RANGE(IDC_TAPE_PLAY, IDC_TAPE_FORWARD, &CCapturePage::OnTape)
ON_CBN_SELCHANGE(IDC_ASPECT, &CCapturePage::OnAspectChange)
ON_CONTROL_RANGE(EN_SETFOCUS, IDC_LIMIT_HOURS, IDC_LIMIT_SECONDS, &CCapturePage::OnLimitFocus)
ON_CONTROL_RANGE(EN_CHANGE, IDC_LIMIT_HOURS, IDC_LIMIT_SECONDS, &CCapturePage::OnLimitChange)
ON_CONTROL_RANGE(EN_KILLFOCUS, IDC_LIMIT_HOURS, IDC_LIMIT_SECONDS, &CCapturePage::OnLimitKillFocus)
ON_NOTIFY(UDN_DELTAPOS, IDC_LIMIT_SPIN, &CCapturePage::OnLimitSpin)
END_MESSAGE_MAP()

CCapturePage::CCapturePage() : CSkinPage(IDD_CAPTURE_PAGE) {}

CCapturePage::~CCapturePage() {
  CloseBalloon();
  if (darkBrush_) ::DeleteObject(darkBrush_);
  if (greyBrush_) ::DeleteObject(greyBrush_);
  delete ownSettings_;
}

StudioModel* CCapturePage::Model() const {
  auto* main = dynamic_cast<CQuillonDlg*>(m_pHost);
  return main ? &main->Model() : nullptr;
}

AppSettings& CCapturePage::Settings() const {
  if (StudioModel* model = Model()) return model->settings;
  auto* self = const_cast<CCapturePage*>(this);
  if (!self->ownSettings_) self->ownSettings_ = new AppSettings;
  return *self->ownSettings_;
}

CaptureEngine& CCapturePage::Engine() const { return TheCaptureEngine(); }

void CCapturePage::SetPageSize(int width, int height) {
  pageWidth_ = width;
  pageHeight_ = height;
  if (m_hWnd) ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void CCapturePage::ResizePage(int width, int height) {
  SetPageSize(width, height);
  if (m_hWnd) LayOut();
}

void CCapturePage::DoDataExchange(CDataExchange* dx) {
  DDX_Check(dx, IDC_RECORD_AND_BURN, recordAndBurnCheck_);
  DDX_Text(dx, IDC_MAX_TIME, maxTimeText_);
}

// Start-up of the page.

BOOL CCapturePage::OnInitDialog() {
  CSkinPage::OnInitDialog();
  darkBrush_ = ::CreateSolidBrush(kDarkColour);
  greyBrush_ = ::CreateSolidBrush(kGreyColour);
  preview_.SubclassDlgItem(IDC_CAPTURE_PREVIEW, this);
  preview_.EnableWindow(FALSE);
  LoadSkin();

  aspect_->AddString("4 : 3");
  aspect_->AddString("16 : 9");
  lastAspect_ = Settings().wideScreen == 1 ? 1 : 0;
  aspect_->SetCurSel(lastAspect_);

  ShowTapeControls(false);
  toolTip_.Create(this);
  toolTip_.Activate(TRUE);
  const std::pair<UINT, UINT> tips[] = {{IDC_CAPTURE_START, IDS_TIP_RECORD},
                                        {IDC_CAPTURE_STOP, IDS_TIP_STOP},
                                        {IDC_RECORD_OPTION, IDS_TIP_OPTION},
                                        {IDC_TAPE_PLAY, 193},
                                        {IDC_TAPE_PAUSE, 194},
                                        {IDC_TAPE_STOP, 195},
                                        {IDC_TAPE_REWIND, 196},
                                        {IDC_TAPE_FORWARD, 197}};
  for (const auto& [id, text] : tips)
    if (CWnd* control = GetDlgItem(static_cast<int>(id))) toolTip_.AddTool(control, ResourceText(text));

  DEV_BROADCAST_DEVICEINTERFACE filter{};
  filter.dbcc_size = 32;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kCaptureCategory;
  deviceNotification_ = RegisterDeviceNotification(m_hWnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
  LayOut();
  SwapStartAndStop(false);
  return TRUE;
}

void CCapturePage::LoadSkin() {
  HMODULE ui = UiModule();
  aspect_ = std::make_unique<CSkinComboBox>(ui, IDB_CAPTURE_COMBO_ARROW);
  recordAndBurn_ = std::make_unique<CSkinCheckBox>(ui, IDB_CAPTURE_CHECKBOX, 13);
  spin_ = std::make_unique<CSkinSpinButton>(ui, IDB_CAPTURE_SPIN);
  aspect_->SubclassDlgItem(IDC_ASPECT, this);
  aspect_->SetTextColor(kDimText);
  aspect_->SetBorderColor(RGB(64, 72, 77));
  aspect_->SetBackgroundBrush(darkBrush_);
  recordAndBurn_->SubclassDlgItem(IDC_RECORD_AND_BURN, this);
  recordAndBurn_->SetTextColor(kDimText);
  recordAndBurn_->SetBackgroundBrush(greyBrush_);
  spin_->SubclassDlgItem(IDC_LIMIT_SPIN, this);
  for (CBitmapProgressBar* meter : {&meterLeft_, &meterRight_}) {
    meter->SubclassDlgItem(meter == &meterLeft_ ? IDC_METER_LEFT : IDC_METER_RIGHT, this);
    if (ui) meter->LoadBitmap(ui, IDB_CAPTURE_METER);
    meter->SetRange(0, 100);
  }
  volume_.SubclassDlgItem(IDC_VOLUME, this);
  volume_.SetChannelBitmaps(ui, IDB_CAPTURE_VOLUME_CHANNEL, 0, TRUE, SKIN_KEY_FROM_PIXEL);
  volume_.SetThumbBitmaps(ui, IDB_CAPTURE_VOLUME_THUMB, 0, TRUE, SKIN_KEY_FROM_PIXEL);
  volume_.SetRange(0, 20);
  struct ButtonSkin {
    CSkinButton* button;
    UINT id, bitmap;
    bool text;  // the tape buttons carry their marks in the picture
  };
  const ButtonSkin buttons[] = {{&tapeStop_, IDC_TAPE_STOP, IDB_CAPTURE_TAPE_STOP, false},
                                {&tapePlay_, IDC_TAPE_PLAY, IDB_CAPTURE_PLAY, false},
                                {&tapePause_, IDC_TAPE_PAUSE, IDB_CAPTURE_PAUSE, false},
                                {&tapeRewind_, IDC_TAPE_REWIND, IDB_CAPTURE_REWIND, false},
                                {&tapeForward_, IDC_TAPE_FORWARD, IDB_CAPTURE_FORWARD, false},
                                {&option_, IDC_RECORD_OPTION, IDB_CAPTURE_OPTION, true},
                                {&start_, IDC_CAPTURE_START, IDB_CAPTURE_START, true},
                                {&stop_, IDC_CAPTURE_STOP, IDB_CAPTURE_STOP, true}};
  for (const ButtonSkin& skin : buttons) {
    if (!skin.button->SubclassDlgItem(static_cast<int>(skin.id), this)) continue;
    if (ui) skin.button->LoadBitmap(ui, skin.bitmap);
    skin.button->SetShowText(skin.text ? TRUE : FALSE);
    skin.button->SetFont("Liberation Sans", 12, 700);
  }
  const UINT pieces[4][4] = {
      {IDB_CAPTURE_FRAME_TOP_LEFT, IDB_CAPTURE_FRAME_TOP, IDB_CAPTURE_FRAME_TOP_MIDDLE, IDB_CAPTURE_FRAME_TOP_RIGHT},
      {0, IDB_CAPTURE_FRAME_LEFT, IDB_CAPTURE_FRAME_LEFT_END, 0},
      {0, IDB_CAPTURE_FRAME_RIGHT, IDB_CAPTURE_FRAME_RIGHT_END, 0},
      {IDB_CAPTURE_FRAME_BOTTOM_LEFT, IDB_CAPTURE_FRAME_BOTTOM, IDB_CAPTURE_FRAME_BOTTOM_RIGHT, 0}};
  for (int row = 0; row < 4; ++row)
    for (int piece = 0; piece < 4; ++piece)
      if (ui && pieces[row][piece]) frame_.m_pieces[row][piece].Load(ui, pieces[row][piece]);
}

// Layout and looks.

void CCapturePage::LayOut() {
  const int w = pageWidth_, h = pageHeight_;
  const int previewHeight = shortPreview_ ? 462 : 502;
  Place(m_hWnd, IDC_CAPTURE_PREVIEW, 10, 8, w - 16, std::min(previewHeight, h - 84));
  const int tapeY = std::min(previewHeight, h - 84) + 12;
  for (int i = 0; i < 5; ++i) Place(m_hWnd, kTapeButtons[i], 14 + i * 43, tapeY - 2, 40, 24);
  Place(m_hWnd, IDC_TIMECODE, 240, tapeY + 2, 120, 16);
  const int rowA = h - 64, rowB = h - 32;
  Place(m_hWnd, IDC_FORMAT_LABEL, 14, rowA, 68, 16);
  Place(m_hWnd, IDC_ELAPSED, 85, rowA, 60, 16);
  Place(m_hWnd, IDC_RECORDED_SIZE, 146, rowA, 90, 16);
  Place(m_hWnd, IDC_RECORD_AND_BURN, 252, rowA, 130, 16);
  Place(m_hWnd, IDC_VOLUME_LABEL, 390, rowA, 96, 16);
  Place(m_hWnd, IDC_VOLUME, 488, rowA, 106, 15);
  Place(m_hWnd, IDC_VOLUME_VALUE, 596, rowA, 22, 16);
  Place(m_hWnd, IDC_RECORD_OPTION, 620, rowA - 6, option_.GetFrameWidth() ? option_.GetFrameWidth() : 80,
        option_.GetFrameHeight() ? option_.GetFrameHeight() : 28);
  Place(m_hWnd, IDC_METER_LEFT, 45, rowB - 2, 175, 7);
  Place(m_hWnd, IDC_METER_RIGHT, 45, rowB + 8, 175, 7);
  Place(m_hWnd, IDC_MAX_TIME_LABEL, 252, rowB, 150, 16);
  Place(m_hWnd, IDC_MAX_TIME, 402, rowB, 80, 16);
  Place(m_hWnd, IDC_TIMER_LABEL, 484, rowB, 112, 16);
  PlaceSpin();
  Place(m_hWnd, IDC_ASPECT, 704, rowB - 1, 61, 22);
  SwapStartAndStop(!start_.m_hWnd || !start_.IsWindowEnabled());
  frame_.SetRect(0, 0, w, h);
}

// The skin spin button aligns itself to its buddy and takes the buddy's width: a new buddy is
// followed by the fields and the spin put back where the page keeps them.
void CCapturePage::PlaceSpin() {
  const int rowB = pageHeight_ - 32;
  Place(m_hWnd, IDC_LIMIT_HOURS, 598, rowB, 22, 16);
  Place(m_hWnd, IDC_LIMIT_MINUTES, 626, rowB, 22, 16);
  Place(m_hWnd, IDC_LIMIT_SECONDS, 654, rowB, 22, 16);
  Place(m_hWnd, IDC_LIMIT_SPIN, 678, rowB - 7, 16, 30);
}

void CCapturePage::SwapStartAndStop(bool recording) {
  // Shown at the size of its bitmap's frames.
  const int bw = start_.GetFrameWidth() ? start_.GetFrameWidth() : 96;
  const int bh = start_.GetFrameHeight() ? start_.GetFrameHeight() : 36;
  const int x = pageWidth_ - bw - 12, y = pageHeight_ - 70;
  Place(m_hWnd, recording ? IDC_CAPTURE_STOP : IDC_CAPTURE_START, x, y, bw, bh);
  Place(m_hWnd, recording ? IDC_CAPTURE_START : IDC_CAPTURE_STOP, x, y, 0, 0);
}

void CCapturePage::ShowTapeControls(bool show) {
  for (UINT id : kTapeButtons)
    if (HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(id))) ::ShowWindow(button, show ? SW_SHOW : SW_HIDE);
  if (HWND label = ::GetDlgItem(m_hWnd, IDC_TIMECODE)) ::ShowWindow(label, show ? SW_SHOW : SW_HIDE);
}

void CCapturePage::RefreshFormatLabel() { SetDlgItemText(IDC_FORMAT_LABEL, FormatLabel(Settings().recordFormat)); }

void CCapturePage::RepaintPreview() {
  RECT area = {10, 8, 810, 510};
  ::InvalidateRect(m_hWnd, &area, TRUE);
}

HBRUSH CCapturePage::OnCtlColor(CDC* dc, CWnd* wnd, UINT type) {
  if (type == CTLCOLOR_LISTBOX) return CSkinPage::OnCtlColor(dc, wnd, type);
  dc->SetBkMode(TRANSPARENT);
  switch (wnd ? wnd->GetDlgCtrlID() : 0) {
    case IDC_LIMIT_HOURS:
    case IDC_LIMIT_MINUTES:
    case IDC_LIMIT_SECONDS:
      dc->SetBkColor(kDarkColour);
      dc->SetTextColor(kDimText);
      return darkBrush_;
    case IDC_CAPTURE_PREVIEW: return darkBrush_;
    case IDC_MAX_TIME:
    case IDC_RECORDED_SIZE:
    case IDC_ELAPSED:
    case IDC_MAX_TIME_LABEL:
    case IDC_TIMECODE:
    case IDC_VOLUME_VALUE: dc->SetTextColor(kDimText); return darkBrush_;
    case IDC_TIMER_LABEL:
    case IDC_VOLUME_LABEL: dc->SetTextColor(kDimText); return greyBrush_;
    case IDC_FORMAT_LABEL: dc->SetTextColor(RGB(255, 255, 0)); return darkBrush_;
    default: return greyBrush_;
  }
}

BOOL CCapturePage::OnEraseBkgnd(CDC* dc) {
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  ::FillRect(dc->GetSafeHdc(), &client, greyBrush_);
  RECT area = {10, 8, 810, 510};
  ::FillRect(dc->GetSafeHdc(), &area, darkBrush_);
  return TRUE;
}

void CCapturePage::OnPaint() {
  CPaintDC dc(this);
  frame_.Draw(&dc, FALSE);
}

BOOL CCapturePage::PreTranslateMessage(MSG* msg) {
  if (toolTip_.m_hWnd) toolTip_.RelayEvent(msg);
  return CSkinPage::PreTranslateMessage(msg);
}

// Activation.

BOOL CCapturePage::OnKillActive() {
  CloseGraphs();
  KillTimer(kMeterTimer);
  KillTimer(kTimecodeTimer);
  if (deviceNotification_) UnregisterDeviceNotification(deviceNotification_);
  deviceNotification_ = nullptr;
  return TRUE;
}

int CCapturePage::GetBackPage() {
  CloseGraphs();
  KillTimer(kMeterTimer);
  return 0;
}

int CCapturePage::GetNextPage() { return GetBackPage(); }

void CCapturePage::OnDestroy() {
  KillTimer(kClockTimer);
  KillTimer(kSignalTimer);
  KillTimer(kEndWaitTimer);
  CloseBalloon();
  if (deviceNotification_) UnregisterDeviceNotification(deviceNotification_);
  deviceNotification_ = nullptr;
  CSkinPage::OnDestroy();
}

void CCapturePage::OnSetActive() {
  AppSettings& s = Settings();
  // The first showing, once the project has named the output folder.
  if (!recoveryDone_) {
    recoveryDone_ = true;
    RecoverUnfinishedRecording();
  }
  EnableControls(TRUE);
  if (StudioModel* model = Model()) model->currentPage = 0;
  recordAndBurnCheck_ = s.recordAndBurn ? 1 : 0;
  ::SendMessage(recordAndBurn_->m_hWnd, BM_SETCHECK, recordAndBurnCheck_, 0);
  volume_.SetRange(0, 20);
  volume_.SetPos(s.volume);
  meterLeft_.SetPos(0);
  meterRight_.SetPos(0);

  ChooseDefaultDevices();
  CCaptureDeviceList& devices = Engine().devices;
  std::string videoName = "NO DEVICE", audioName = "NO DEVICE";
  if (s.videoDeviceIndex >= 0 && s.videoDeviceIndex < devices.GetVideoDeviceCount())
    videoName = devices.GetVideoDeviceName(s.videoDeviceIndex);
  if (s.audioDeviceIndex >= 0 && s.audioDeviceIndex < devices.GetAudioDeviceCount())
    audioName = devices.GetAudioDeviceName(s.audioDeviceIndex);

  const int wide = s.wideScreen == 1 ? 1 : 0;
  if (wide != lastAspect_) {
    aspect_->SetCurSel(wide);
    aspect_->Invalidate();
    lastAspect_ = wide;
  }
  std::string partner;
  if (devices.FindAudioPartner(videoName, partner)) {
    for (int i = 0; i < devices.GetAudioDeviceCount(); ++i)
      if (platform::EqualsNoCase(devices.GetAudioDeviceName(i), partner)) {
        s.audioDeviceIndex = i;
        audioName = partner;
        break;
      }
  }
  if (OpenDevice(videoName, audioName)) {
    RememberDeviceNames(videoName, audioName);
    SetTimer(kMeterTimer, 300);
  } else {
    deviceType_ = 1;
    ShowTapeControls(false);
    KillTimer(kMeterTimer);
  }
  UpdatePreviewNote();
  SetVolume(s.volume);
  SetTimer(kTimecodeTimer, 200);
  ComputeMaxRecordingTime();
  RefreshFormatLabel();
  spinField_ = 1;
  if (spin_->m_hWnd) spin_->SetBuddy(GetDlgItem(IDC_LIMIT_MINUTES));
  PlaceSpin();
  ShowTimeLimit();
}

void CCapturePage::RememberDeviceNames(const std::string& videoName, const std::string& audioName) {
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "VideoDeviceName", videoName.c_str());
  RegWriteString(HKEY_CURRENT_USER, kProductKey, "AudioDeviceName", audioName.c_str());
  Settings().videoDeviceName = videoName;
  Settings().audioDeviceName = audioName;
}

void CCapturePage::ChooseDefaultDevices() {
  AppSettings& s = Settings();
  CCaptureDeviceList& devices = Engine().devices;
  devices.Refresh();
  bool known = false;
  for (int i = 0; i < devices.GetVideoDeviceCount(); ++i) {
    const std::string name = devices.GetVideoDeviceName(i);
    if (platform::EqualsNoCase(name, s.videoDeviceName)) {
      s.videoDeviceIndex = i;
      break;
    }
    if (CCaptureDeviceList::IsKnownVideoDeviceName(name)) {
      s.videoDeviceIndex = i;
      known = true;
    }
  }
  for (int i = 0; i < devices.GetAudioDeviceCount(); ++i) {
    const std::string name = devices.GetAudioDeviceName(i);
    if (known) {
      if (CCaptureDeviceList::IsKnownAudioDeviceName(name)) {
        s.audioDeviceIndex = i;
        break;
      }
      if (devices.IsUsbAudioDevice(name)) s.audioDeviceIndex = i;
    } else if (platform::EqualsNoCase(name, s.audioDeviceName)) {
      s.audioDeviceIndex = i;
    }
  }
}

void CCapturePage::CloseGraphs() {
  CaptureEngine& engine = Engine();
  if (engine.graph.IsOpen()) engine.graph.CloseDevice();
  engine.dvGraph.Close();
}

BOOL CCapturePage::OpenDevice(const std::string& videoName, const std::string& audioName) {
  AppSettings& s = Settings();
  CaptureEngine& engine = Engine();
  deviceType_ = engine.devices.GetDeviceType(videoName);
  CloseGraphs();
  shortPreview_ = deviceType_ == 2 || deviceType_ == 3;
  ShowTapeControls(shortPreview_);
  LayOut();
  HWND video = preview_.m_hWnd;
  switch (deviceType_) {
    case 1: {
      engine.dvGraph.ForgetDvSizeUnlessFor(videoName);
      if (!engine.graph.OpenDevice(video, m_hWnd, videoName, audioName, s.analogVideoStandard)) return FALSE;
      engine.graph.SetTimeOffset(engine.devices.IsSpecialUsbDevice(videoName) ? -500 : 0);
      engine.graph.SetEraseLines(s.tvSystem == 1 ? 0 : (engine.devices.IsSpecialUsbDevice(videoName) ? 4 : 2));
      ApplyCaptureSize();
      engine.graph.StartPreview();
      engine.graph.FitVideoWindow(s.wideScreen);
      SelectCrossbarInput();
      return TRUE;
    }
    case 2:
      if (!engine.dvGraph.OpenDv(m_hWnd, video, videoName)) return FALSE;
      engine.dvGraph.FitVideoWindow(s.wideScreen);
      return TRUE;
    case 3:
      if (!engine.dvGraph.OpenHdv(m_hWnd, video, videoName)) return FALSE;
      s.wideScreen = 1;
      engine.dvGraph.FitVideoWindow(1);
      aspect_->SetCurSel(1);
      aspect_->Invalidate();
      lastAspect_ = 1;
      return TRUE;
    default: return FALSE;
  }
}

void CCapturePage::ApplyCaptureSize() {
  const AppSettings& s = Settings();
  const CaptureSize size = CaptureSizeFor(s.recordFormat, s.tvSystem, s.cpuMode, s.tvSystemIndex);
  long width = size.width, height = size.height;
  Engine().graph.ChangeCaptureFormat(&width, &height, TRUE);
}

void CCapturePage::SelectCrossbarInput() {
  AppSettings& s = Settings();
  CCaptureGraph& graph = Engine().graph;
  long type = 2;
  switch (s.videoInput) {
    case 0:
      if (graph.HasTvTuner()) type = 1;
      else s.videoInput = 1;
      break;
    case 1: type = 2; break;
    case 2: type = 3; break;
    case 3: type = 6; break;
    case 4: type = 5; break;
    default: s.videoInput = 1; break;
  }
  graph.SelectCrossbarInput(type);
}

void CCapturePage::OnSettingChanged(WPARAM kind, LPARAM value) {
  AppSettings& s = Settings();
  CaptureEngine& engine = Engine();
  HCURSOR previous = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  // Values no dialog sends (a TV system other than NTSC or PAL, no format) change nothing.
  if ((kind == kChangeTvSystem && (value < 0 || value > 1)) ||
      (kind == kChangeFormat && !FormatLabel(static_cast<int>(value))[0]))
    kind = 0;
  if (kind == kChangeTvSystem || kind == kChangeFormat) {
    if (kind == kChangeTvSystem) s.tvSystemIndex = static_cast<int>(value);
    else s.recordFormat = static_cast<int>(value);
    if (deviceType_ == 1 && engine.graph.IsOpen()) {
      ApplyCaptureSize();
      engine.graph.StartPreview();
    }
    if (kind == kChangeFormat) RefreshFormatLabel();
  } else if (kind == kChangeVideoDevice) {
    const int index = static_cast<int>(value);
    const std::string videoName = engine.devices.GetVideoDeviceName(index);
    if (!platform::EqualsNoCase(videoName, s.videoDeviceName)) {
      std::string audioName = s.audioDeviceName, partner;
      if (engine.devices.FindAudioPartner(videoName, partner)) {
        audioName = partner;
        for (int i = 0; i < engine.devices.GetAudioDeviceCount(); ++i)
          if (platform::EqualsNoCase(engine.devices.GetAudioDeviceName(i), partner)) s.audioDeviceIndex = i;
      } else if (s.audioDeviceIndex >= 0 && s.audioDeviceIndex < engine.devices.GetAudioDeviceCount()) {
        audioName = engine.devices.GetAudioDeviceName(s.audioDeviceIndex);
      }
      s.videoDeviceIndex = index;
      ReopenAfterChange(videoName, audioName);
    }
  } else if (kind == kChangeAudioDevice) {
    const int index = static_cast<int>(value);
    const std::string audioName = engine.devices.GetAudioDeviceName(index);
    if (!platform::EqualsNoCase(audioName, s.audioDeviceName)) {
      std::string videoName = s.videoDeviceName;
      if (s.videoDeviceIndex >= 0 && s.videoDeviceIndex < engine.devices.GetVideoDeviceCount())
        videoName = engine.devices.GetVideoDeviceName(s.videoDeviceIndex);
      s.audioDeviceIndex = index;
      ReopenAfterChange(videoName, audioName);
    }
  }
  ::SetCursor(previous);
}

void CCapturePage::ReopenAfterChange(const std::string& videoName, const std::string& audioName) {
  if (OpenDevice(videoName, audioName)) {
    RememberDeviceNames(videoName, audioName);
    SetTimer(kMeterTimer, 300);
  } else {
    deviceType_ = 1;
    ShowTapeControls(false);
    UpdatePreviewNote();
    ShowMessage(IDS_DEVICE_UNUSABLE, MB_ICONHAND);
    RepaintPreview();
    KillTimer(kMeterTimer);
  }
  UpdatePreviewNote();
  SetVolume(Settings().volume);
}

void CCapturePage::SetVolume(int position) {
  position = std::clamp(position, 0, 20);
  SetDlgItemText(IDC_VOLUME_VALUE, std::to_string(position - 10));
  Settings().volume = position;
  const float gain = VolumeGain(position);
  if (deviceType_ == 1) Engine().graph.SetAudioGain(TRUE, gain);
  else if (deviceType_ == 2 || deviceType_ == 3) Engine().dvGraph.SetAudioGain(TRUE, gain);
}

void CCapturePage::ApplyAspect(int aspect) {
  aspect = aspect == 1 ? 1 : 0;
  if (deviceType_ == 1) Engine().graph.FitVideoWindow(aspect);
  else if (deviceType_ == 2 || deviceType_ == 3) Engine().dvGraph.FitVideoWindow(aspect);
  Settings().wideScreen = aspect;
  lastAspect_ = aspect;
  RepaintPreview();
}

void CCapturePage::OnAspectChange() { ApplyAspect(aspect_->GetCurSel()); }

void CCapturePage::UpdateMeters() {
  BYTE record[kLevelRecordBytes] = {};
  bool read = false;
  if (deviceType_ == 1) read = Engine().graph.GetAudioLevels(record);
  else if (deviceType_ == 2 || deviceType_ == 3) read = Engine().dvGraph.GetAudioLevels(record);
  double left = -100, right = -100;
  if (read) {
    std::memcpy(&left, record + 64, sizeof left);
    std::memcpy(&right, record + 72, sizeof right);
  }
  meterLeft_.SetPos(MeterValue(left));
  meterRight_.SetPos(MeterValue(right));
}

void CCapturePage::UpdatePreviewNote() {
  CaptureEngine& engine = Engine();
  const bool camcorder = deviceType_ == 2 || deviceType_ == 3;
  const bool running = camcorder ? engine.dvGraph.IsPreviewing() || engine.dvGraph.IsCapturing()
                                 : engine.graph.IsPreviewing() || engine.graph.IsCapturing();
  const bool shown = camcorder ? engine.dvGraph.ShowsPicture() : engine.graph.ShowsPicture();
  // A busy device or a bus the user may not open names itself and what to do.
  if (std::string problem = platform::dshow::TakeDeviceProblem(); !problem.empty()) deviceProblem_ = problem;
  if (running) deviceProblem_.clear();
  std::string note;
  if (!running) {
    if (engine.devices.GetVideoDeviceCount() == 0) note = kNoCaptureDeviceNote;
    else note = deviceProblem_.empty() ? kDeviceNotStartedNote : deviceProblem_;
  } else if (!shown) {
    note = kPictureNotShownNote;
  }
  if (ItemText(*this, IDC_CAPTURE_PREVIEW) != note) SetDlgItemText(IDC_CAPTURE_PREVIEW, note.c_str());
}

void CCapturePage::UpdateTimecode() {
  const std::string text =
      deviceType_ == 2 || deviceType_ == 3 ? Engine().dvGraph.GetTimecodeText() : std::string("__ : __ : __._");
  if (ItemText(*this, IDC_TIMECODE) != text) SetDlgItemText(IDC_TIMECODE, text);
}

void CCapturePage::OnTape(UINT id) {
  if (deviceType_ != 2 && deviceType_ != 3) return;
  CDvCaptureGraph& graph = Engine().dvGraph;
  switch (id) {
    case IDC_TAPE_PLAY:
      graph.SetTransportMode(4296, 2000);
      if (deviceType_ == 3) graph.RestartGraph();
      break;
    case IDC_TAPE_PAUSE: graph.SetTransportMode(4298, 2000); break;
    case IDC_TAPE_STOP: graph.SetTransportMode(4297, 2000); break;
    case IDC_TAPE_REWIND: graph.SetTransportMode(RewindMode(graph.GetTransportMode()), 2000); break;
    case IDC_TAPE_FORWARD: graph.SetTransportMode(FastForwardMode(graph.GetTransportMode()), 2000); break;
    default: break;
  }
}

void CCapturePage::RecoverUnfinishedRecording() {
  const std::string folder = Model() ? Model()->folders.output : std::string();
  if (folder.empty()) return;
  const platform::filters::RecoveredRecording found = platform::filters::RecoverUnfinishedRecordings(folder);
  if (found.files.empty()) return;
  ::MessageBox(m_hWnd, found.message.c_str(), "Message", MB_OK | MB_ICONINFORMATION);
  // Each file takes its place in the clip list, as at the end of a recording.
  for (const std::string& file : found.files)
    if (m_pHost) m_pHost->AddClip(file, FALSE);
}

void CCapturePage::OnGraphEvent() {
  long code = 0;
  if (deviceType_ == 1) code = Engine().graph.HandleGraphEvents();
  else if (deviceType_ == 2 || deviceType_ == 3) code = Engine().dvGraph.HandleGraphEvents();
  else return;
  const bool recording = IsRecording();
  if (code == 31 || code == 3) ForcedStop();
  // A writer aborts only when a write failed, a full disk above all: the user must hear that
  // the recording ended early, not find a short clip among good ones. Each writer of the graph
  // may say so: one message.
  if (code == 3 && recording) {
    writeFailed_ = true;
    ShowMessage(IDS_DISK_FULL, MB_OK);
  }
  RepaintPreview();
}

LRESULT CCapturePage::OnDeviceChange(WPARAM event, LPARAM data) {
  if (event == DBT_DEVICEARRIVAL && data) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header->dbch_devicetype == DBT_DEVTYP_VOLUME) {
      const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data);
      if (volume->dbcv_flags & DBTF_MEDIA) {
        for (int bit = 0; bit < 26; ++bit)
          if (volume->dbcv_unitmask & (1u << bit)) {
            OnDiscArrived(static_cast<char>('A' + bit));
            break;
          }
        return TRUE;
      }
    }
  }
  return CSkinPage::WindowProc(WM_DEVICECHANGE, event, data);
}

LRESULT CCapturePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_SKINSLIDER_TRACK:
    case WM_SKINSLIDER_CHANGED:
      if (wParam == IDC_VOLUME) SetVolume(static_cast<int>(lParam));
      return 0;
    case WM_CAPTURE_GRAPH_EVENT: OnGraphEvent(); return 0;
    case WM_USER + 73:
    case WM_USER + 74:
    case WM_USER + 75:
    case WM_USER + 76:
    case WM_USER + 77: OnRecordingEnded(msg, wParam, lParam); return 0;
    case WM_CAPTURE_ASPECT:
      if (aspect_) aspect_->SetCurSel(wParam == 1 ? 1 : 0);
      ApplyAspect(wParam == 1 ? 1 : 0);
      return 0;
    case WM_CAPTURE_END_AND_CLOSE:
      if (wParam == 0) {
        StopRecording(false);
        // The window goes now: the hand-off cannot wait for a later end message.
        if (endPending_) {
          MSG end;
          while (::PeekMessage(&end, m_hWnd, WM_USER + 73, WM_USER + 77, PM_REMOVE)) ::DispatchMessage(&end);
          if (endPending_) ContinueRecordAndBurn();
        }
        if (m_pHost) m_pHost->CloseWithoutPrompt();
      }
      return 0;
    case WM_CAPTURE_STEP_AGAIN:
      ++stepAgainCount;
      RefreshFormatLabel();
      return 0;
    case WM_CAPTURE_SETTING_CHANGED: OnSettingChanged(wParam, lParam); return 0;
    case WM_DEVICECHANGE: return OnDeviceChange(wParam, lParam);
    default: return CSkinPage::WindowProc(msg, wParam, lParam);
  }
}

void CCapturePage::OnTimer(UINT_PTR id) {
  switch (id) {
    case kMeterTimer:
      UpdateMeters();
      UpdatePreviewNote();
      break;
    case kTimecodeTimer: UpdateTimecode(); break;
    case kClockTimer: OnClockTick(); break;
    case kSignalTimer: OnSignalTick(); break;
    case kEndWaitTimer:
      KillTimer(kEndWaitTimer);
      if (endPending_) ContinueRecordAndBurn();
      break;
    default: CSkinPage::OnTimer(id); break;
  }
}

void CCapturePage::OnLButtonDblClk(UINT flags, CPoint point) {
  RECT area{};
  ::GetClientRect(preview_.m_hWnd, &area);
  if (!IsRecording() && point.x >= 0 && point.y >= 0 && point.x < area.right && point.y < area.bottom) {
    CPreviewWindowDialog preview(this);
    preview.previousOwner = preview_.m_hWnd;
    preview.aspect = Settings().wideScreen == 1 ? 1 : 0;
    preview.dvFlag = deviceType_ == 2 || deviceType_ == 3 ? 1 : 0;
    preview.DoModal();
    return;
  }
  CSkinPage::OnLButtonDblClk(flags, point);
}

void CCapturePage::OnOption() {
  CRecordSettingsDlg dialog(this, Model(), &Settings());
  dialog.DoModal();
  ComputeMaxRecordingTime();
  EnableControls(TRUE);
  option_.Invalidate();
}

int CCapturePage::ShowMessage(UINT stringId, UINT type, const char* caption) {
  return ::MessageBox(m_hWnd, ResourceText(stringId).c_str(), caption ? caption : kProductTitle, type);
}

}  // namespace studio
