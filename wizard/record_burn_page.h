// CRecordBurnPage: what the DVD (343) and Blu-ray (345) record-and-burn pages share: the
// preview area, Record and Stop, the tape buttons, the level meters, the volume slider, the
// time code, the status line and the full-screen preview.
#pragma once

#include <string>

#include <mutex>
#include "widgets/tip_bitmap_button.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_slider.h"
#include "wizard_page.h"

class CRecordBurnPage : public CWizardPage {
 public:
  explicit CRecordBurnPage(UINT pageId);

  // 0 idle, 1 recording, 3 busy; 2 only tells the frame. Idle, Record and the tape buttons
  // take input only once the device is open.
  void SetButtons(int n);
  bool DeviceReady() const { return m_deviceReady; }
  // The recording clock's planned and elapsed seconds.
  int PlannedSeconds() const { return m_plannedSeconds; }
  int ElapsedSeconds() const { return m_elapsedSeconds; }
  const std::string& WorkFolder() const { return m_workFolder; }
  // 1 analog or USB device, 2 DV camcorder, 3 HDV camcorder, 0 none.
  int DeviceType() const { return m_deviceType; }

  static constexpr UINT_PTR kRecordClockTimer = 100;
  static constexpr UINT_PTR kOpenDeviceTimer = 300;
  static constexpr UINT_PTR kTimeCodeTimer = 320;
  static constexpr UINT_PTR kLevelTimer = 500;
  // The burn callback's hand-over to the UI thread: wParam the burn status.
  static constexpr UINT kBurnEnded = WM_APP + 25;

 protected:
  // The writer's end callback (its own thread): posts kBurnEnded to the page named by context.
  static void BurnCallback(int status, void* context);
  // Sets the writer's speed to the one chosen in Burn Options, the first when that one is gone.
  static void ApplyChosenWriteSpeed();
  BOOL OnInitDialog() override;
  BOOL OnKillActive() override;
  void OnTimer(UINT_PTR id) override;
  void OnPaint() override;
  void OnPreviewDoubleClick();
  LRESULT OnVolumeMoved(WPARAM, LPARAM);
  void OnTapeButton(UINT id);
  DECLARE_MESSAGE_MAP()

  bool IsCamcorder() const { return m_deviceType == 2 || m_deviceType == 3; }
  HWND PreviewWindow() const { return ::GetDlgItem(m_hWnd, 1105); }
  // Whether the page's device is open for recording; a press before that would be lost.
  void SetDeviceReady(bool ready);
  // Shows or hides the tape buttons and time code and sizes the preview for the device.
  void LayoutForDevice();
  void ApplyVolume();
  void ResetMeters();
  // Each level reading (dBFS) and the meter values shown for it.
  virtual void OnLevelsShown(double /*left*/, double /*right*/, int /*leftMeter*/, int /*rightMeter*/) {}
  // "<text><dots>" with the cycling dots of kinds 2 to 5, and the percentage.
  void ShowStatusLine(const std::string& text, int percent);
  std::string Dots();
  // "Recording  hh:mm:ss / hh:mm:ss".
  std::string RecordingLine(int elapsed) const;
  // Asks with the wizard's title; brought to the front when asked.
  int Ask(const std::string& text, UINT type);
  // Ends the wizard as its Cancel does.
  void CloseWizard();
  // Tells a recording clock tick: the seconds since the first tick (at least 1).
  int ClockSeconds();
  // Removes everything under the folder and the folder.
  static void DeleteFolderTree(const std::string& folder);

  int m_plannedSeconds = 10;
  int m_elapsedSeconds = 0;
  int m_deviceType = 0;
  std::string m_workFolder;
  std::uint64_t m_clockStartMs = 0;
  bool m_clockStarted = false;
  int m_dotCounter = 0;
  std::recursive_mutex m_startLock;
  bool m_deviceReady = false;
  int m_buttons = 0;

 private:
  void ShowLevels();
  void ShowTimeCode();

  CTipBitmapButton m_record, m_stop;
  CTipBitmapButton m_tape[5];
  CBitmapProgressBar m_levels[2];
  CBitmapProgressBar m_progress;
  CSkinSlider m_volume;
};
