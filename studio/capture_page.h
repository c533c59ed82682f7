// Page 130 of the main window, the capture step: it chooses and opens the capture device,
// previews it, shows the sound levels, drives a camcorder's tape, and starts and stops
// recordings whose files go to the clip list and, in record-and-burn mode, to the burner pack.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capture_rules.h"
#include "platform/controls/afx_controls.h"
#include "widgets/balloon_tip.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_button.h"
#include "widgets/skin_check_box.h"
#include "widgets/skin_combo_box.h"
#include "widgets/skin_page.h"
#include "widgets/skin_slider.h"

namespace studio {

struct AppSettings;
struct CaptureEngine;
class StudioModel;

constexpr UINT kCapturePageId = 130;
// The main window asks the capture page to end any recording and close, and tells it that the
// capture step was chosen again.
constexpr UINT WM_CAPTURE_END_AND_CLOSE = WM_USER + 384;
constexpr UINT WM_CAPTURE_STEP_AGAIN = WM_USER + 385;
// Record Settings tells the page of a change: wParam the kind, lParam the value.
constexpr UINT WM_CAPTURE_SETTING_CHANGED = WM_USER + 386;
constexpr WPARAM kChangeVideoDevice = 1, kChangeAudioDevice = 2, kChangeTvSystem = 3, kChangeFormat = 4;
// The enlarged preview asks for an aspect (wParam 0 4:3, 1 16:9).
constexpr UINT WM_CAPTURE_ASPECT = WM_USER + 250;
constexpr UINT WM_CAPTURE_GRAPH_EVENT = WM_USER + 70;

constexpr UINT_PTR kMeterTimer = 500, kTimecodeTimer = 320, kClockTimer = 100, kSignalTimer = 767;
// The record-and-burn end goes on without the end message after this long.
constexpr UINT_PTR kEndWaitTimer = 768;
constexpr UINT kEndWaitMs = 5000;

class CCapturePage : public CSkinPage {
 public:
  CCapturePage();
  ~CCapturePage() override;
  void SetPageSize(int width, int height) override;
  void ResizePage(int width, int height) override;
  // Whether a recording runs now; closing the main window waits for it.
  virtual BOOL IsRecording() const;
  BOOL OnKillActive() override;
  void OnSetActive() override;
  int GetBackPage() override;
  int GetNextPage() override;

  // What the page stands at, for the main window and tests.
  int DeviceType() const { return deviceType_; }
  const std::string& OutputPath() const { return outputPath_; }
  const std::vector<std::string>& Parts() const { return parts_; }
  unsigned MaxRecordingSeconds() const { return maxSeconds_; }
  BOOL StartPending() const { return startPending_; }
  BOOL Waiting() const { return balloon_ != nullptr; }
  int LeftMeter() const { return meterLeft_.GetPos(); }
  int RightMeter() const { return meterRight_.GetPos(); }
  HWND BalloonWindow() const;
  int stepAgainCount = 0;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override {}
  void OnCancel() override {}
  void DoDataExchange(CDataExchange* dx) override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT type) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnDestroy() override;

  void OnStart();
  void OnStop();
  void OnRecordAndBurn();
  void OnOption();
  void OnTape(UINT id);
  void OnAspectChange();
  void OnLimitFocus(UINT id);
  void OnLimitChange(UINT id);
  void OnLimitKillFocus(UINT id);
  void OnLimitSpin(NMHDR* header, LRESULT* result);
  DECLARE_MESSAGE_MAP()

 private:
  friend class CaptureRecorder;

  // Settings and engine.
  StudioModel* Model() const;
  AppSettings& Settings() const;
  CaptureEngine& Engine() const;

  // Devices.
  void ChooseDefaultDevices();
  BOOL OpenDevice(const std::string& videoName, const std::string& audioName);
  void CloseGraphs();
  void ApplyCaptureSize();
  void SelectCrossbarInput();
  void OnSettingChanged(WPARAM kind, LPARAM value);
  void ReopenAfterChange(const std::string& videoName, const std::string& audioName);
  void RememberDeviceNames(const std::string& videoName, const std::string& audioName);
  void SetVolume(int position);
  void ApplyAspect(int aspect);
  void UpdateMeters();
  void UpdateTimecode();
  // The preview area's text where no picture shows: no device, or a picture that cannot be shown.
  void UpdatePreviewNote();
  std::string deviceProblem_;  // the latest device problem, until the device runs
  void OnGraphEvent();
  // Repairs a recording a crash cut short and tells where it is.
  void RecoverUnfinishedRecording();
  bool recoveryDone_ = false;
  bool writeFailed_ = false;  // the running recording's writer aborted
  LRESULT OnDeviceChange(WPARAM event, LPARAM data);

  // Layout and looks.
  void LoadSkin();
  void LayOut();
  void ShowTapeControls(bool show);
  void SwapStartAndStop(bool recording);
  void PlaceSpin();
  void RefreshFormatLabel();
  void RepaintPreview();

  // Recording.
  void EnableControls(BOOL enable);
  void ComputeMaxRecordingTime();
  void ShowTimeLimit();
  TimeLimit ReadTimeLimit();
  void OnSignalTick();
  void BeginRecording();
  BOOL StartByFormat(const std::string& timeText);
  BOOL StartMpeg(const std::string& timeText);
  BOOL StartWmv(const std::string& timeText);
  BOOL StartDv(const std::string& timeText);
  BOOL StartHdv(const std::string& timeText);
  std::string NewOutputName(int format, const std::string& timeText);
  std::string WmvProfilePath();
  void EndFailedStart();
  void OnClockTick();
  void SplitIfNeeded(double sizeMB);
  // The files the running recording writes, and the journal that names them for the next start.
  std::vector<std::string> FilesBeingWritten() const;
  void NoteFilesInJournal();
  std::vector<std::string> journaled_;
  void StopRecording(bool ask);
  void ForcedStop();
  BOOL StopToPreview();
  BOOL CapturingNow() const;
  void OnRecordingEnded(UINT msg, WPARAM code, LPARAM parts);
  void CloseBalloon();
  int ShowMessage(UINT stringId, UINT type, const char* caption = nullptr);

  // Record and burn.
  BOOL SendBurnOptions();
  void SendDiscLock(bool on);
  HRESULT SendToBurner(const std::string& text, bool create);
  void OnDiscArrived(char drive);
  void FinishRecordAndBurn(bool askFirst);
  void ContinueRecordAndBurn();
  void DeleteElementaryStreams();
  void PressBurnerPrompt();

  CToolTipCtrl toolTip_;
  int secondsWithSignal_ = 0;
  int secondsWithoutSignal_ = 0;
  BOOL startPending_ = FALSE;
  int deviceType_ = 1;
  bool beginning_ = false;  // the start of a recording runs (the one lock)
  HBRUSH darkBrush_ = nullptr;
  HBRUSH greyBrush_ = nullptr;
  CBitmapProgressBar meterRight_;
  CBitmapProgressBar meterLeft_;
  CSkinSlider volume_;
  CSkinButton tapeStop_, tapePlay_, tapePause_, tapeForward_, tapeRewind_;
  // Made once the skin's module is known (their bitmaps load as they are made).
  std::unique_ptr<CSkinComboBox> aspect_;
  CSkinButton option_;
  std::unique_ptr<CSkinCheckBox> recordAndBurn_;
  CSkinButton stop_, start_;
  std::unique_ptr<CSkinSpinButton> spin_;
  CStatic preview_;
  std::string outputPath_;
  TimeLimit limit_;
  int recordAndBurnCheck_ = 0;
  std::string maxTimeText_ = "-- : -- : --";
  unsigned maxSeconds_ = 0;
  CSkinFrame frame_;
  int shortPreview_ = 0;
  int pageWidth_ = 816;
  int pageHeight_ = 585;
  double elapsed_ = 0;
  unsigned timeLimit_ = 0;
  int spinField_ = 1;
  std::vector<std::string> parts_;

  AppSettings* ownSettings_ = nullptr;  // when no main window holds the settings
  CBalloonTip* balloon_ = nullptr;
  void* deviceNotification_ = nullptr;
  int lastAspect_ = 0;
  ULONGLONG clockStart_ = 0;
  ULONGLONG signalSince_ = 0;
  bool signalPhase_ = false;
  bool captureFinished_ = true;  // the end message of the last recording was handled
  bool endPending_ = false;      // a record-and-burn end waits for that message
  bool askBeforeBurning_ = false;
  bool rewriting_ = false;  // the page writes a time-limit field itself
};

}  // namespace studio
