// The open and save file dialogs: GetOpenFileName/GetSaveFileName and CFileDialog. Paths are this
// system's "/" paths; filters are "text\0pattern;pattern\0...\0" (CFileDialog: "text|pattern|...||").
#pragma once

#include <string>
#include <vector>

#include "platform/window/afx_dialog.h"

using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct OPENFILENAME {
  DWORD lStructSize = sizeof(OPENFILENAME);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  LPCSTR lpstrFilter = nullptr;
  LPSTR lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based; 0 takes the first
  LPSTR lpstrFile = nullptr;
  DWORD nMaxFile = 0;
  LPSTR lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  LPCSTR lpstrInitialDir = nullptr;
  LPCSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  LPCSTR lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  LPCSTR lpTemplateName = nullptr;
};
using LPOPENFILENAME = OPENFILENAME*;
using OPENFILENAMEA = OPENFILENAME;

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;

// CommDlgExtendedError answers.
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;

BOOL GetOpenFileName(OPENFILENAME* ofn);
BOOL GetSaveFileName(OPENFILENAME* ofn);
// Why the last dialog of this thread returned FALSE; 0 when the user cancelled.
DWORD CommDlgExtendedError();

namespace platform {

// Control ids of the file dialog, so callers and tests find its parts.
constexpr int kFileListId = 1120;       // folders (with a trailing "/") and the matching files
constexpr int kFileTypeComboId = 1136;  // the filters
constexpr int kFolderTextId = 1091;     // the folder shown
constexpr int kFileNameEditId = 1152;   // the name typed or picked
constexpr int kFolderUpId = 1081;       // up one folder

}  // namespace platform

class CFileDialog : public CDialog {
 public:
  // `filter` in the class library's form: "Videos (*.mpg)|*.mpg;*.mpeg|All Files (*.*)|*.*||".
  explicit CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                       CWnd* parent = nullptr);

  // IDOK when a file was chosen, IDCANCEL otherwise.
  INT_PTR DoModal() override;

  std::string GetPathName() const;    // the first chosen file
  std::string GetFileName() const;    // its name
  std::string GetFileExt() const;     // its extension, without the dot
  std::string GetFileTitle() const;   // its name without the extension
  std::string GetFolderPath() const;  // its folder, without a trailing "/"
  // Every chosen file, full paths (multi-select).
  std::vector<std::string> GetPathNames() const;

  OPENFILENAME m_ofn;

 private:
  BOOL open_;
  std::string filter_;
  std::string defExt_;
  std::vector<char> file_;
};
