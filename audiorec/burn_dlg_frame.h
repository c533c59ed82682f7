// CBurnDlgFrame: what the audio-CD and the data-disc burn dialogs share: the skin and layout,
// the drive list, the track list with its totals, the disc check, erase, eject, progress and
// closing. The writer's end callbacks arrive on its own thread and are posted to the dialog.
// While a decode, burn or erase runs, nothing closes the dialog.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audiorec/disc_writer.h"
#include "audiorec/recorder_check_box.h"
#include "audiorec/recording_list_ctrl.h"
#include "platform/controls/afx_controls.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/afx_msgmap.h"
#include "widgets/bitmap_progress_bar.h"
#include "widgets/skin_button.h"
#include "widgets/skin_combo_box.h"
#include "widgets/skin_scroll_bar.h"

inline constexpr UINT WM_BURN_WRITER_END = WM_USER + 61;  // wParam status
inline constexpr UINT WM_ERASE_WRITER_END = WM_USER + 62;

class CBurnDlgFrame : public CDialog {
 public:
  enum Phase { kIdle, kDecoding, kBurning, kErasing };
  static constexpr UINT_PTR kDecodeTimer = 100;
  static constexpr UINT_PTR kEraseTimer = 200;
  static constexpr UINT_PTR kBurnTimer = 2000;

  CBurnDlgFrame(UINT idTemplate, CWnd* parent);
  ~CBurnDlgFrame() override;

  // The paths the dialog opens with (the main window's selected rows, in list order).
  std::vector<std::string> m_initialPaths;
  // The recorder's output folder, where Add starts.
  std::string m_outputFolder;

  Phase phase() const { return phase_; }
  CRecordingListCtrl& list() { return list_; }
  // The writer's end callbacks: any status but 0 is a failure.
  static void OnBurnEnd(int status, void* dialog);
  static void OnEraseEnd(int status, void* dialog);

 protected:
  // What the two dialogs do differently.
  virtual auvry::DiscWriter& Writer() = 0;
  virtual bool DvdMode() const = 0;
  virtual const char* DriveValueName() const = 0;
  virtual UINT TitleString() const = 0;
  virtual const char* AddFilter() const = 0;
  virtual std::uint32_t BlockBytes() const = 0;
  // Blocks the listed rows need on the disc.
  virtual std::uint64_t BlocksNeeded() = 0;
  virtual void AddFileRow(const std::string& path) = 0;
  virtual void StartBurn() = 0;
  // Called after the writer reported its end and the common steps (timer, medium) are done.
  virtual void BurnEnded(int status) = 0;
  virtual void DecoderEvent() {}
  virtual void DecodeTimer() {}

  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  void OnOK() override;
  void OnCancel() override;
  void OnClose() override;
  void OnTimer(UINT_PTR id) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  BOOL OnDeviceChange(UINT eventType, DWORD_PTR data) override;
  void OnLButtonDown(UINT flags, CPoint point) override;

  void OnDriveChange();
  void OnAdd();
  void OnDeleteRows();
  void OnEject();
  void OnErase();
  void OnBurnButton();
  void OnListKeyDown(NMHDR* header, LRESULT* result);
  // Dropped files join as Add adds them; none while a decode, burn or erase runs.
  void OnFilesDropped(const std::vector<auvry::DroppedPath>& paths);
  LRESULT OnWriterBurnEnd(WPARAM status, LPARAM);
  LRESULT OnWriterEraseEnd(WPARAM status, LPARAM);
  LRESULT OnDecoderMessage(WPARAM, LPARAM);

  // Steps the two dialogs share.
  void EnableControls(bool on);
  void UpdateTotals();
  void FillDriveList();
  bool CheckDiscForBurn();
  void ShowBurnProgress();
  void StartBurnTimer();
  void CloseDialog();
  void SetPhase(Phase phase) { phase_ = phase; }
  bool RowListed(const std::string& path) const;
  HINSTANCE Skin() const;

  CRecordingListCtrl list_;
  CSkinComboBox drives_;
  auvry::CRecorderCheckBox finalize_;
  CBitmapProgressBar progress_;
  CSkinButton close_, delete_, erase_, eject_, burn_, add_, exit_;
  CToolTipCtrl tips_;
  CSkinScrollBarFrame* listFrame_ = nullptr;  // owned by its window
  CBitmap listFrameBitmap_;
  CBrush background_;
  CBitmap backgroundBitmap_;
  CBrush comboBrush_;
  CFont titleFont_;
  std::string m_totalSize, m_totalTime;
  std::int64_t totalBytes_ = 0;
  int eraseTicks_ = 0;

 private:
  void SkinControls();
  void LayOut();
  void AddToolTips();

  Phase phase_ = kIdle;
  bool closing_ = false;

  DECLARE_MESSAGE_MAP()
};
