// CCorrinDlg: the uploader's one window: the account, the video and its details, Upload and
// Stop, the upload library's progress and the conversation with the main program.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "converter/parvel_skin_widgets.h"
#include "platform/window/afx_dialog.h"
#include "uploader/link_statics.h"
#include "uploader/tovrin/tovrin_api.h"

// What went to the upload library with the last YouTubeUpload call.
struct CorrinUpload {
  std::string user, password, file, title, description, keywords, category;
  int accountType = 0, broadcast = 0;
};

class CCorrinDlg : public CDialog {
 public:
  CCorrinDlg(HINSTANCE images, bool compact, CWnd* parent = nullptr);
  ~CCorrinDlg() override;

  // Set before the window is made: the command line's file and editor mode.
  std::string m_strCmdFile;
  bool m_bEditorMode = false;
  // The upload library's name (a path in tests).
  std::string m_strUploaderLibrary = "Tovrin.dll";

  // What the window shows, for the people and tests looking at it.
  const std::string& StatusText() const { return m_strStatus; }
  const std::vector<std::string>& StatusHistory() const { return m_statusHistory; }
  const CorrinUpload& LastUpload() const { return m_sent; }
  int Uploads() const { return m_nUploads; }
  bool IsCompact() const { return m_bCompact; }
  bool IsBound() const { return m_pUpload != nullptr; }
  bool IsWaitingForRender() const { return m_bWaitingRender; }
  int ProgressPos() const { return m_progress.GetPos(); }

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override {}
  BOOL OnEraseBkgnd(CDC* dc) override;
  HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnSysCommand(UINT id, LPARAM lParam) override;
  void OnClose() override;

  void OnBrowse();
  void OnUpload();
  void OnStop();
  void OnExit() { OnClose(); }
  void OnAccountYouTube();
  void OnAccountGoogle();
  void OnFieldChanged();
  void OnKeywordsFocus();
  void OnKeywordsBlur();
  void OnEditFocus(UINT id);
  LRESULT OnUploadProgress(WPARAM wParam, LPARAM lParam);
  LRESULT On_Converting_MsgReceive(WPARAM wParam, LPARAM lParam);
  LRESULT OnEditorConversion(WPARAM wParam, LPARAM lParam);

 private:
  void PlaceControls();
  void LoadSkin();
  void MakeFonts();
  void FillCombos();
  void CreateToolTips();
  void StartUpload();
  bool BindUploader();
  void UnbindUploader();
  void ResetUpload();
  // False, after telling the user why, when uploads have nowhere safe to go.
  bool UploadAddressReady();
  void EnableInputs(bool enable);
  void EvaluateUpload();
  void ShowStatus(const std::string& text);
  void PostToMain(WPARAM code);
  void SelectAccount(int type);
  std::string Field(int id) const;
  void PaintTerms(HDC dc);

  HINSTANCE m_hImages;
  bool m_bCompact;
  CSkinColorEdit m_user, m_password, m_file, m_title, m_description, m_keywords;
  std::unique_ptr<CSkinBitmapComboBox> m_category, m_broadcast;
  std::unique_ptr<CSkinBitmapCheckBox> m_save;
  CSkinBitmapButton m_browse, m_upload, m_stop, m_exit, m_close;
  CSkinBitmapProgressBar m_progress;
  CLabelLink m_terms;
  CHyperLink m_home;
  CToolTipCtrl m_tips;
  HBRUSH m_hBackground = nullptr;
  HBITMAP m_hBackgroundBitmap = nullptr;
  HBITMAP m_hHomeBitmap = nullptr;
  HFONT m_fonts[5] = {};

  int m_nAccountType = 0;
  bool m_bWaitingRender = false;
  bool m_bUploading = false;
  bool m_bStop = false;
  int m_nUnknownRetry = 3;
  int m_nLoginRetry = 1;
  HMODULE m_hUploader = nullptr;
  YouTubeUploadFn m_pUpload = nullptr;
  YouTubeUploadStopFn m_pUploadStop = nullptr;
  HWND m_hMain = nullptr;
  std::string m_strStatus;
  std::vector<std::string> m_statusHistory;
  std::string m_strHint;
  CorrinUpload m_sent;
  int m_nUploads = 0;
  bool m_bClosed = false;

  DECLARE_MESSAGE_MAP()
};
