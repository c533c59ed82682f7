// CRecorderDlg: the recorder's main window (dialog 102): the input device list, REC and Stop,
// the recording clock, size and progress, two level bars and two spectra, the recording limit and
// output folder, and the list of finished recordings. It drives the one recording engine.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audiorec/audio_record_graph.h"
#include "audiorec/band_meter.h"
#include "audiorec/input_devices.h"
#include "audiorec/recorder_settings.h"
#include "audiorec/recording_item.h"
#include "audiorec/recording_list_ctrl.h"
#include "platform/controls/afx_controls.h"
#include "platform/window/afx_dialog.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_button.h"
#include "widgets/skin_combo_box.h"
#include "widgets/skin_slider.h"

namespace auvry {

// The engine of the open main window, which every window of the recorder drives; without one,
// an engine that is never opened.
CAudioRecordGraph& RecordEngine();

class CRecorderDlg : public CDialog {
 public:
  static constexpr UINT_PTR kLevelTimer = 100;
  static constexpr UINT kLevelMs = 300;
  static constexpr UINT_PTR kClockTimer = 110;
  static constexpr UINT kClockMs = 500;
  // The one-shot tick that comes kLimitLeadMs before the recording limit and waits for it.
  static constexpr UINT_PTR kLimitTimer = 111;
  static constexpr UINT kLimitLeadMs = 150;
  static constexpr int kWidth = 750;
  static constexpr int kHeight = 550;
  enum OutputKind { kWma, kWav, kMp3 };

  explicit CRecorderDlg(CWnd* parent = nullptr);
  ~CRecorderDlg() override;

  void SetVolume(int position) { volume_ = position; }
  int Volume() const { return volume_; }
  // Which recording Record makes; no setting chooses it, tests do.
  void SetOutputKind(OutputKind kind) { kind_ = kind; }
  const std::string& CurrentFile() const { return currentFile_; }
  const std::string& OutputFolder() const { return outputFolder_; }
  const RecorderSettings& Settings() const { return settings_; }
  const std::vector<InputEntry>& Inputs() const { return inputs_; }
  bool IsRecording() const { return recording_; }
  CAudioRecordGraph& Engine() { return engine_; }

  void OnRecord();
  void OnStopRecording();
  // Appends a row for a finished file; none when the file is gone.
  void AddRecordingToList(const std::string& path);
  void SetVolumeFromSlider(int position);
  void ShowRecordStatus(int seconds, double kilobytes, int percent);
  void UpdateLevels();
  void ResetLevels();

 protected:
  BOOL OnInitDialog() override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT type) override;
  void OnPaint() override;
  void OnTimer(UINT_PTR id) override;
  void OnClose() override;
  void OnSysCommand(UINT id, LPARAM lParam) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  HCURSOR OnQueryDragIcon() override;
  void OnDestroy() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnOK() override {}
  void OnCancel() override {}

  void OnExit();
  void OnMinimize();
  void OnHelpButton();
  void OnSettings();
  void OnDeviceChange();
  void OnHelpGuide();
  void OnAbout();
  void OnOnlineSupport();
  void OnSystemInfo();
  void OnLimitFieldFocus(UINT id);
  void OnLimitFieldChange(UINT id);
  void OnLimitSpin(NMHDR* header, LRESULT* result);
  void ShowLimitFields();
  void OnChooseOutputFolder();
  void OnPlay();
  void OnBurn();
  void OnDelete();
  void OnBurnAudioCd();
  void OnBurnWmaCd();
  void OnBurnWmaDvd();
  void OnListDoubleClick(NMHDR* header, LRESULT* result);
  void OnListKeyDown(NMHDR* header, LRESULT* result);

  DECLARE_MESSAGE_MAP()

 private:
  void SetUpSkin();
  void SetUpList();
  void FillInputDevices();
  void OpenSelectedDevice();
  // Repairs a recording a crash cut short and tells where it is.
  void RecoverUnfinishedRecording();
  // As Wendrel tells of a missing capture device; said when REC finds no input, so a window
  // opened only to burn asks nothing.
  void TellNoSoundCard();
  void SetControlState(int state);
  void OnClockTimer();
  // Stops a running recording, finishes its file and journal, gives the devices back and keeps
  // the settings: whatever ends the window (Exit, WM_CLOSE, a quit message) goes through here.
  void Shutdown();
  void Close();

  CAudioRecordGraph engine_;
  RecorderSettings settings_;
  std::string outputFolder_;
  OutputKind kind_ = kWma;
  std::string currentFile_ = "sample.wma";
  int hours_ = 0, minutes_ = 0, seconds_ = 0;
  int focusedField_ = 0;
  int activeLimit_ = 0;
  std::uint64_t startMs_ = 0;
  double elapsed_ = 0.0;
  int openedIndex_ = -1;
  int volume_ = 10;
  bool recording_ = false;
  bool closing_ = false;
  bool rewriting_ = false;
  std::vector<InputEntry> inputs_;

  HBITMAP background_ = nullptr;
  HBRUSH backgroundBrush_ = nullptr;
  HBRUSH editBrush_ = nullptr;
  HBITMAP title_ = nullptr;
  HICON icon_ = nullptr;
  HMENU helpMenu_ = nullptr;
  HFONT readOutFont_ = nullptr;

  CSkinButton exit_, minimize_, help_, record_, stop_;
  CSkinButton settingsButton_, play_, burn_, delete_, browse_;
  std::unique_ptr<CSkinComboBox> device_;
  std::unique_ptr<CSkinSpinButton> spin_;
  CSkinSlider volumeSlider_;
  CBitmapProgressBar progress_, leftLevel_, rightLevel_;
  CSpectrumBar leftSpectrum_, rightSpectrum_;
  CRecordingListCtrl list_;
  int burnDialogOpen_ = 0;
};

}  // namespace auvry
