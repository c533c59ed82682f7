// The main window: the three steps, the clip list, the window's own buttons and menus, the
// area where the capture page or a pack's window shows, and the way out.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "capture_page.h"
#include "clip_list_ctrl.h"
#include "loading_dlg.h"
#include "main_skin.h"
#include "pack_host.h"
#include "platform/controls/afx_controls.h"
#include "publish_link.h"
#include "side_program_link.h"
#include "studio_model.h"
#include "widgets/flat_scroll_bar_wrapper.h"
#include "widgets/skin_button.h"
#include "widgets/skin_scroll_bar.h"
#include "widgets/skin_page.h"

namespace studio {

constexpr UINT_PTR kStartTimer = 434;
constexpr UINT kStartMs = 100;
constexpr UINT_PTR kConverterPingTimer = 310;
constexpr UINT_PTR kUploaderPingTimer = 320;
constexpr UINT_PTR kDeviceCopyTimer = 222;
constexpr UINT WM_STUDIO_FILE_REQUEST = WM_USER + 480;
constexpr UINT kAboutSystemCommand = 16;
constexpr int kNormalWidth = 1000;
constexpr int kNormalHeight = 680;
constexpr int kSizeButton = 31;

// The files the main window registers at every start, as an installer would.
const std::vector<std::string>& ComponentFiles();
inline size_t ComponentFilesCount() { return ComponentFiles().size(); }

class CQuillonDlg : public CSkinPageHost, public StudioUi {
 public:
  // `splash` is the start-up's splash, which the window closes and deletes when it closes.
  CQuillonDlg(StudioModel* model, std::vector<std::string> args, CLoadingDlg** splash);
  ~CQuillonDlg() override;

  // Steps.
  void ShowCapturePage();
  void ShowEditPage();
  void ShowBurnPage();
  void ResetToCapturePage();
  void ShowPageOfProject();
  BOOL CanLeavePage();
  BOOL CanClose();
  void CloseWithoutPrompt() override;
  BOOL AddClip(const std::string& path, BOOL rememberFolder) override;
  void EnableControls(BOOL enable) override;
  BOOL ProjectHasContent();
  BOOL IsFileInList(const std::string& path);
  BOOL IsFileBusy(const std::string& path);
  void CreateEditorPack();
  void CreateBurnerPack();
  // Clip list.
  std::vector<ClipItem> SelectedClips() const;
  void OnAddClips();
  void OnDeleteClips();
  void DeleteSelectedClips();
  BOOL DeleteClipByPath(const std::string& path);
  void SelectAllClips();
  void PlayClip(const std::string& path);
  void SendFileInfo(const std::string& path);
  BOOL CanDeleteSelection();
  BOOL CanRenameSelection();
  BOOL CanShowFileInfo();
  void OnRenameClip();
  void OnFileInformation();
  void OnClipDoubleClick(NMHDR* header, LRESULT* result);
  void OnClipKeyDown(NMHDR* header, LRESULT* result);
  void OnClipBeginDrag(NMHDR* header, LRESULT* result);
  void OnClipEndLabelEdit(NMHDR* header, LRESULT* result);
  void OnContextMenu(CWnd* wnd, CPoint point) override;
  // Publish: the converter and the uploader as side programs, and copies to a box's disk.
  void OnPublishIpod();
  void OnPublishPsp();
  void OnPublishYoutube();
  BOOL RenderForConverter(LPARAM request);
  BOOL RenderForUploader();
  void PingConverter();
  void PingUploader();
  bool IsConverterRunning() const { return converter_.Running(); }
  bool IsUploaderRunning() const { return uploader_.Running(); }
  HWND ConverterWindow() const { return converter_.Window(); }
  HWND UploaderWindow() const { return uploader_.Window(); }
  BOOL OnDeviceCopyCommand(UINT id);
  const std::vector<std::string>& DeviceDrives() const { return deviceDrives_; }
  void CopySelectedToDevice(const std::string& target);
  // Project menu.
  void OnProjectNew();
  void OnProjectOpen();
  void OnProjectSave();
  BOOL SaveProjectAs();
  // Help menu.
  void OnAbout();
  void OnHelpUserGuide();
  void OnOnlineSupport();
  void OnSystemInformation();

  // StudioUi.
  int ShowMessageBox(const std::string& text, UINT type) override;
  std::string LanguageCode() override;
  bool NotifySideProgram(WPARAM code, LPARAM argument) override;

  StudioModel& Model() { return *model_; }
  BOOL Started() const { return started_; }
  BOOL FullScreen() const { return fullScreen_; }
  CClipListCtrl& ClipListControl() { return clipList_; }
  RECT PageArea();

 protected:
  BOOL OnInitDialog() override;
  BOOL PreTranslateMessage(MSG* msg) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  BOOL OnEraseBkgnd(CDC* dc) override;
  HCURSOR OnQueryDragIcon() override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnSysCommand(UINT id, LPARAM lParam) override;
  void OnTimer(UINT_PTR id) override;
  void OnClose() override;
  DROPEFFECT GetDropEffectAt(CPoint point) override;
  void OnDropFiles(HGLOBAL files) override;
  void OnSetFocus(CWnd* oldWnd) override;
  LRESULT OnSideProgramLink(SideProgramLink& link, UINT_PTR pingTimer, WPARAM code, LPARAM lParam);
  // Timers of the side programs' pings and of the device copy; false for any other.
  bool OnPublishTimer(UINT_PTR id);
  void OnCloseButton();
  void OnMinimize();
  void OnFullScreen();
  void OnNormalSize();
  void OnProjectButton();
  void OnHelpButton();
  void OnStepCapture() { ShowCapturePage(); }
  void OnStepEdit() { ShowEditPage(); }
  void OnStepBurn() { ShowBurnPage(); }
  DECLARE_MESSAGE_MAP()

 private:
  void RegisterComponents();
  void SetUpButtons();
  void LayoutControls();
  void LayoutPageArea();
  void PlaceSizeButtons(BOOL fullScreen);
  void ApplyWindowRegion();
  CSkinButton* Button(UINT id);
  void UpdatePageButtons();
  void RefreshClipList();
  int AddClipImage(const std::string& path, const std::string& extension);
  int AddTitleImage(const std::string& imagePath, int replace);
  void CreatePack(const char* progId, int packNumber, IPack** pack, PackHost** host);
  void ShutDownPacks(bool releaseHosts);
  IPack* CurrentPack();
  CCapturePage* CapturePage();
  void DeleteSplash();
  void PublishToConverter(const char* deviceOption);
  void StartSideProgram(const char* program, const std::string& parameters, UINT_PTR pingTimer);
  void SideProgramGone(SideProgramLink& link, UINT_PTR pingTimer);
  bool SendToSideProgram(SideProgramLink& link, UINT_PTR pingTimer, WPARAM code);
  BOOL RenderForSideProgram(SideProgramLink& link, UINT_PTR pingTimer, const std::string& command,
                            const std::string& target);
  void AppendDevicePopup(HMENU clipMenu);

  StudioModel* model_;
  std::vector<std::string> args_;
  CLoadingDlg** splash_;
  CMainWindowSkin skin_;
  SIZE regionSize_{0, 0};  // the size the window region was last made for
  std::array<CSkinButton, 14> buttons_;
  CClipListCtrl clipList_;
  CSkinScrollBarFrame* clipListFrame_ = nullptr;  // owned by its window
  CBitmap clipListScroll_;
  CFlatScrollBarWrapper flatScrollBars_;
  PackHost* editorHost_ = nullptr;
  PackHost* burnerHost_ = nullptr;
  BOOL started_ = FALSE;
  BOOL fullScreen_ = FALSE;
  BOOL controlsEnabled_ = TRUE;
  int width_ = kNormalWidth;
  int height_ = kNormalHeight;
  HMENU helpMenu_ = nullptr;
  HICON icon_ = nullptr;             // resource 128, the window's big and small icon
  HIMAGELIST thumbnails_ = nullptr;  // 80 x 60, indexed by the items' image
  SideProgramLink converter_{kConverterKey, WM_CONVERTER_LINK};
  SideProgramLink uploader_{kUploaderKey, WM_UPLOADER_LINK};
  std::vector<std::string> deviceDrives_;  // as the device popup lists them
  std::string deviceCopyTarget_;
};

// What dragging the selected clips out carries: their paths, the project title as the editor's
// "add project title" notification with the project's play time.
std::vector<std::string> ClipDragList(const std::vector<ClipItem>& selected, int playTime);

// The one main window, for the parts that reach it from outside (the capture page).
CQuillonDlg* MainWindow();

}  // namespace studio
