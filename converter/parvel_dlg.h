// CParvelDlg: the converter's one window: the file list, the profile and preset choices, the
// output folder, Start and Stop, and the conversations with Mordax and the main program.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "converter/add_files_window.h"
#include "converter/add_refusals.h"
#include "converter/device_profile.h"
#include "converter/parvel_skin_widgets.h"
#include "converter/video_list.h"
#include "convengine/mordax_api.h"
#include "platform/window/afx_dialog.h"

class CParvelDlg : public CDialog {
 public:
  explicit CParvelDlg(CWnd* parent = nullptr);
  ~CParvelDlg() override;

  // Written from the command line before the window is made.
  int m_nMode = 2;
  std::string m_strListPath;
  int m_nLogLocation = -1;
  // Where the resource libraries and Mordax.so are; the application's folder unless set.
  std::string m_strProgramFolder;
  // The image library (null: the program's own resources).
  HINSTANCE m_hImages = nullptr;

  // What the window shows, for the people and tests looking at it.
  const std::string& OutputFolder() const { return m_strOutFolder; }
  const std::string& StatusText() const { return m_strStatus; }
  bool IsWaitingForRender() const { return m_nWaiting != 0; }
  int ProgressPos() const { return m_progress.GetPos(); }
  CVideoListCtrl& List() { return m_list; }
  CSkinBitmapHeaderCtrl& Header() { return m_header; }
  CAddFilesWindow* AddFilesWindow() const { return m_addFiles.get(); }
  CToolTipCtrl& ToolTip() { return m_toolTip; }
  bool MordaxLoaded() const { return m_bMordax; }

  // Adds dropped or chosen paths as Add does; `start` is the progress window's first position.
  void AddPaths(const std::vector<std::string>& paths, int start);

 protected:
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void OnOK() override {}
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnDropFiles(HDROP drop) override;
  void OnClose() override;
  void OnTimer(UINT_PTR id) override;

  void OnAddFiles();
  void OnRemoveFiles();
  void OnBrowseOutFolder();
  void OnEncoderStart();
  void OnEncoderStop();
  void OnProfileChanged();
  void OnCloseButton() { OnClose(); }
  LRESULT __MsgReceive(WPARAM wParam, LPARAM lParam);
  LRESULT _MsgReceive_VirConverting(WPARAM wParam, LPARAM lParam);

 private:
  // Watches a render asked for until it comes or the main program goes.
  void WatchRender();
  static constexpr UINT_PTR kRenderWatchTimer = 171;
  static constexpr UINT kRenderWatchMs = 1000;
  void PlaceControls();
  void LoadSkin();
  void CreateToolTips();
  // Why the engine refused the last option, for the failure that follows; empty when accepted.
  std::string RefusalReason(LPARAM code) const;
  void ShowFailure(LPARAM code);
  void FillProfiles();
  void FillPresets();
  void SetOutputFolder();
  void LoadListFile();
  void DoConverting(bool start);
  void OnConvertFinished();
  void EnableControls(bool enable);
  // Converting or waiting for the main program's render: Stop is shown.
  bool IsBusy() const { return m_stop.GetSafeHwnd() && m_stop.IsWindowVisible(); }
  void ShowStatus(const std::string& text);
  void PostToMain(WPARAM code, LPARAM lParam);
  void ShowPlaceholder();
  void DropPlaceholder();
  bool HasProjectRow() const;
  bool HasRows() const;
  void AppendMediaRow(const Qn_MediaInfo* info, int at = -1);
  void AppendProjectRow(const std::string& name, std::int64_t time);
  void DeleteCurrentItem();
  // The row of the oldest item not yet ended; -1 for none.
  int CurrentRow() const;
  void SetTarget(int row, const std::string& text);
  const CVideoPreset* SelectedVideoPreset() const;
  const CAudioPreset* SelectedAudioPreset() const;
  CDeviceProfile* SelectedProfile() const;
  std::string StatusFormat(int percent) const;

  CVideoListCtrl m_list;
  CSkinBitmapHeaderCtrl m_header;
  // Made once the image library is known: their arrows come from it.
  std::unique_ptr<CSkinBitmapComboBox> m_profile, m_video, m_audio;
  CSkinColorEdit m_folderEdit;
  CSkinBitmapButton m_add, m_remove, m_browse, m_start, m_stop, m_close, m_close2;
  CToolTipCtrl m_toolTip;
  CSkinBitmapProgressBar m_progress;
  HBRUSH m_hBackground = nullptr;
  HBITMAP m_hBackgroundBitmap = nullptr;
  HBITMAP m_hScrollTiles = nullptr;
  HFONT m_fonts[5] = {};

  CProfileList m_profiles;
  Qn_ConvertOption m_option;
  // Items started and not yet ended, oldest first: the engine sends an item's start at once but
  // posts the previous item's end, so the next start can arrive before the last end.
  std::deque<std::unique_ptr<Qn_ConvertItem>> m_items;
  std::unique_ptr<CAddFilesWindow> m_addFiles;
  converter::AddRefusals m_refusals;
  std::string m_strBaseFolder;
  std::string m_strOutFolder;
  std::string m_strStatus;
  std::string m_strRefusal;
  std::string m_strFailureReason;  // FFmpeg's words for the file that is failing
  int m_nWaiting = 0;
  int m_nProjectRow = 0;
  bool m_bPlaceholder = false;
  bool m_bMordax = false;
  bool m_bClosed = false;
  HWND m_hMain = nullptr;

  DECLARE_MESSAGE_MAP()
};
