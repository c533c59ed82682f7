// The output-folder chooser: the shell's folder browser with an edit field where a path can be
// typed; a typed folder that does not exist is offered for creation and made.
#pragma once

#include <string>

#include "platform/shell/folder_browser.h"
#include "platform/window/afx_wnd.h"

class CFolderBrowser {
 public:
  // `caption` is the browser's window title, `title` the text above the tree; either may be null.
  CFolderBrowser(BOOL editEnabled, LPCSTR caption, LPCSTR title, LPCSTR initialFolder, CWnd* parent);
  virtual ~CFolderBrowser();
  CFolderBrowser(const CFolderBrowser&) = delete;
  CFolderBrowser& operator=(const CFolderBrowser&) = delete;

  // 1 when the user confirmed a valid folder, -1 otherwise.
  int DoModal();
  std::string GetFolderPath() const { return m_path; }

  // The caption of the question and refusal boxes (the program's title); the application's
  // name when empty.
  void SetMessageCaption(const std::string& caption) { m_messageCaption = caption; }

 private:
  // Subclasses the browse dialog for its OK button and the edit field.
  class CBrowseDialog : public CWnd {
   public:
    explicit CBrowseDialog(CFolderBrowser& owner) : m_owner(owner) {}

   private:
    void OnBrowseOk();
    void OnBrowseEditChange();
    CFolderBrowser& m_owner;
    DECLARE_MESSAGE_MAP()
  };

  static int BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data);
  void OnInitialized(HWND dialog);
  void OnSelectionChanged(LPCITEMIDLIST item);
  std::string EditText() const;

  std::string m_caption;
  bool m_hasCaption;
  std::string m_initialFolder;
  bool m_hasInitialFolder;
  std::string m_title;
  bool m_hasTitle;
  std::string m_path;
  std::string m_messageCaption;
  char m_displayName[MAX_PATH] = {};
  BROWSEINFO m_info;
  HWND m_dialog = nullptr;
  CWnd* m_parent;
  BOOL m_ownerDisabled = FALSE;
  BOOL m_confirmed = FALSE;
  BOOL m_editEnabled;
  CBrowseDialog m_browseDialog{*this};
};
