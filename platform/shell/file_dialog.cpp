#include "platform/shell/file_dialog.h"

#include <fnmatch.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>

#include "platform/base/message_box.h"
#include "platform/base/paths.h"
#include "platform/base/strings.h"
#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"

namespace {

thread_local DWORD t_lastError = 0;

struct Filter {
  std::string text;
  std::vector<std::string> patterns;
};

std::vector<Filter> ParseFilters(LPCSTR filter) {
  std::vector<Filter> out;
  for (const char* p = filter; p && *p;) {
    Filter f;
    f.text = p;
    p += f.text.size() + 1;
    const std::string patterns = p;
    p += patterns.size() + 1;
    for (size_t start = 0; start <= patterns.size();) {
      size_t end = patterns.find(';', start);
      if (end == std::string::npos) end = patterns.size();
      const std::string one = platform::Trim(patterns.substr(start, end - start));
      if (!one.empty()) f.patterns.push_back(one);
      start = end + 1;
    }
    out.push_back(std::move(f));
  }
  if (out.empty()) out.push_back({"All Files", {"*"}});
  return out;
}

bool Matches(const std::vector<std::string>& patterns, const std::string& name) {
  for (const std::string& p : patterns)
    if (p == "*.*" || fnmatch(p.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
  return false;
}

// Names typed into the name box: one name, or several in double quotes. Linux names may hold
// double quotes themselves, so text that does not start with one, or that names an existing
// file as it stands, is a single name.
std::vector<std::string> TypedNames(const std::string& text, const std::function<bool(const std::string&)>& exists) {
  const std::string whole = platform::Trim(text);
  if (whole.empty()) return {};
  if (whole[0] != '"' || exists(whole)) return {whole};
  std::vector<std::string> names;
  size_t i = 0;
  while ((i = whole.find('"', i)) != std::string::npos) {
    const size_t end = whole.find('"', i + 1);
    if (end == std::string::npos) break;
    if (end > i + 1) names.push_back(whole.substr(i + 1, end - i - 1));
    i = end + 1;
  }
  if (names.empty()) names.push_back(whole);
  return names;
}

class FileDialog {
 public:
  FileDialog(OPENFILENAME* ofn, bool open) : ofn_(ofn), open_(open), filters_(ParseFilters(ofn->lpstrFilter)) {
    filterIndex_ = ofn->nFilterIndex >= 1 && ofn->nFilterIndex <= filters_.size() ? ofn->nFilterIndex - 1 : 0;
    const std::string given = ofn->lpstrFile ? ofn->lpstrFile : "";
    if (ofn->lpstrInitialDir && *ofn->lpstrInitialDir) {
      folder_ = ofn->lpstrInitialDir;
    } else if (given.find('/') != std::string::npos) {
      folder_ = platform::FolderOf(given);
    } else {
      std::error_code ec;
      folder_ = std::filesystem::current_path(ec).string();
    }
    folder_ = platform::WithTrailingSlash(folder_);
    initialName_ = given.find('/') != std::string::npos ? platform::FileNameOf(given) : given;
  }

  BOOL Run() {
    t_lastError = 0;
    platform::DialogTemplate t = Template();
    const INT_PTR r = DialogBoxIndirectParam(nullptr, t, ofn_->hwndOwner, Proc, reinterpret_cast<LPARAM>(this));
    if (r == -1) t_lastError = CDERR_INITIALIZATION;
    return r == IDOK && t_lastError == 0;
  }

 private:
  platform::DialogTemplate Template() const {
    platform::DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t.caption = ofn_->lpstrTitle ? ofn_->lpstrTitle : (open_ ? "Open" : "Save As");
    t.cx = 280;
    t.cy = 190;
    platform::AddDialogItem(t, "Static", open_ ? "Look &in:" : "Save &in:", -1, SS_LEFT, 7, 9, 40, 8);
    platform::AddDialogItem(t, "Static", "", platform::kFolderTextId, SS_LEFT | SS_ENDELLIPSIS, 50, 9, 180, 8);
    platform::AddDialogItem(t, "Button", "Up", platform::kFolderUpId, WS_TABSTOP | BS_PUSHBUTTON, 236, 6, 37, 14);
    platform::AddDialogItem(t, "ListBox", "", platform::kFileListId,
                            WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 7, 24, 266, 104,
                            WS_EX_CLIENTEDGE);
    platform::AddDialogItem(t, "Static", "File &name:", -1, SS_LEFT, 7, 136, 50, 8);
    platform::AddDialogItem(t, "Edit", "", platform::kFileNameEditId, WS_TABSTOP | ES_AUTOHSCROLL, 60, 134, 156, 12,
                            WS_EX_CLIENTEDGE);
    platform::AddDialogItem(t, "Static", "Files of &type:", -1, SS_LEFT, 7, 154, 50, 8);
    platform::AddDialogItem(t, "ComboBox", "", platform::kFileTypeComboId, WS_TABSTOP | CBS_DROPDOWNLIST, 60, 152, 156,
                            80);
    platform::AddDialogItem(t, "Button", open_ ? "&Open" : "&Save", IDOK, WS_TABSTOP | BS_DEFPUSHBUTTON | WS_GROUP, 223,
                            133, 50, 14);
    platform::AddDialogItem(t, "Button", "Cancel", IDCANCEL, WS_TABSTOP | BS_PUSHBUTTON, 223, 151, 50, 14);
    return t;
  }

  static INT_PTR Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtr(hwnd, DWLP_USER, lParam);
      auto* self = reinterpret_cast<FileDialog*>(lParam);
      self->hwnd_ = hwnd;
      self->Init();
      return FALSE;
    }
    auto* self = reinterpret_cast<FileDialog*>(GetWindowLongPtr(hwnd, DWLP_USER));
    if (!self || msg != WM_COMMAND) return FALSE;
    return self->Command(LOWORD(wParam), HIWORD(wParam));
  }

  void Init() {
    HWND types = GetDlgItem(hwnd_, platform::kFileTypeComboId);
    for (const Filter& f : filters_) SendMessage(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.text.c_str()));
    SendMessage(types, CB_SETCURSEL, filterIndex_, 0);
    SetDlgItemText(hwnd_, platform::kFileNameEditId, initialName_.c_str());
    Fill();
    SetFocus(GetDlgItem(hwnd_, platform::kFileNameEditId));
  }

  // Lists the folder: sub-folders first (with a trailing "/"), then the files the filter takes.
  void Fill() {
    SetDlgItemText(hwnd_, platform::kFolderTextId, folder_.c_str());
    HWND list = GetDlgItem(hwnd_, platform::kFileListId);
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    std::vector<std::string> folders, files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
      const std::string name = entry.path().filename().string();
      if (name.empty() || name[0] == '.') continue;
      std::error_code typeError;
      if (entry.is_directory(typeError)) {
        folders.push_back(name + "/");
      } else if (Matches(wildcard_.empty() ? filters_[filterIndex_].patterns : wildcard_, name)) {
        files.push_back(name);
      }
    }
    std::sort(folders.begin(), folders.end());
    std::sort(files.begin(), files.end());
    for (const auto* group : {&folders, &files})
      for (const std::string& n : *group) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n.c_str()));
  }

  void Enter(const std::string& folder) {
    folder_ = platform::WithTrailingSlash(folder);
    SetDlgItemText(hwnd_, platform::kFileNameEditId, "");
    Fill();
  }

  std::string Absolute(const std::string& name) const { return name[0] == '/' ? name : folder_ + name; }

  std::string SelectedListText() const {
    HWND list = GetDlgItem(hwnd_, platform::kFileListId);
    const LRESULT sel = SendMessage(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) return {};
    std::vector<char> text(static_cast<size_t>(SendMessage(list, LB_GETTEXTLEN, sel, 0)) + 1);
    SendMessage(list, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(text.data()));
    return text.data();
  }

  INT_PTR Command(int id, int code) {
    switch (id) {
      case platform::kFolderUpId:
        if (code == BN_CLICKED && folder_ != "/") Enter(platform::FolderOf(folder_.substr(0, folder_.size() - 1)));
        return TRUE;
      case platform::kFileTypeComboId:
        if (code == CBN_SELCHANGE) {
          const LRESULT sel = SendDlgItemMessage(hwnd_, id, CB_GETCURSEL, 0, 0);
          if (sel != CB_ERR) filterIndex_ = static_cast<DWORD>(sel);
          wildcard_.clear();
          Fill();
        }
        return TRUE;
      case platform::kFileListId: {
        const std::string picked = SelectedListText();
        if (picked.empty()) return TRUE;
        const bool folder = picked.back() == '/';
        if (code == LBN_DBLCLK && folder) {
          Enter(folder_ + picked);
        } else if (code == LBN_DBLCLK) {
          SetDlgItemText(hwnd_, platform::kFileNameEditId, picked.c_str());
          Confirm();
        } else if (code == LBN_SELCHANGE && !folder) {
          SetDlgItemText(hwnd_, platform::kFileNameEditId, picked.c_str());
        }
        return TRUE;
      }
      case IDOK: Confirm(); return TRUE;
      case IDCANCEL: EndDialog(hwnd_, IDCANCEL); return TRUE;
      default: return FALSE;
    }
  }

  int Ask(const std::string& text, UINT flags) const {
    return MessageBox(hwnd_, text, ofn_->lpstrTitle ? ofn_->lpstrTitle : (open_ ? "Open" : "Save As"), flags);
  }

  void Confirm() {
    // The whole box: many names picked at once run far past any fixed buffer.
    HWND box = GetDlgItem(hwnd_, platform::kFileNameEditId);
    std::string buffer(static_cast<size_t>(std::max(0, GetWindowTextLength(box))) + 1, '\0');
    buffer.resize(static_cast<size_t>(std::max(0, GetWindowText(box, buffer.data(), static_cast<int>(buffer.size())))));
    std::vector<std::string> names = TypedNames(buffer, [this](const std::string& name) {
      std::error_code ec;
      return std::filesystem::exists(Absolute(name), ec);
    });
    if (names.empty()) {
      const std::string picked = SelectedListText();
      if (!picked.empty() && picked.back() == '/') Enter(folder_ + picked);
      return;
    }
    if (names.size() > 1 && !(ofn_->Flags & OFN_ALLOWMULTISELECT)) {
      Ask(buffer + "\nThe file name is not valid.", MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    if (names.size() == 1) {
      const std::string& name = names[0];
      // A pattern filters the list; a folder is entered.
      if (name.find_first_of("*?") != std::string::npos) {
        wildcard_ = {platform::FileNameOf(name)};
        if (name.find('/') != std::string::npos) folder_ = platform::FolderOf(Absolute(name));
        Enter(folder_);
        return;
      }
      std::error_code ec;
      if (std::filesystem::is_directory(Absolute(name), ec)) {
        Enter(Absolute(name));
        return;
      }
    }
    std::vector<std::string> paths;
    for (const std::string& name : names) {
      std::string path = Absolute(name);
      if (!open_ && ofn_->lpstrDefExt && *ofn_->lpstrDefExt &&
          platform::FileNameOf(path).find('.') == std::string::npos)
        path += std::string(".") + ofn_->lpstrDefExt;
      if (!Acceptable(path)) return;
      paths.push_back(path);
    }
    if (!Store(paths)) t_lastError = FNERR_BUFFERTOOSMALL;
    EndDialog(hwnd_, IDOK);
  }

  // The checks the flags ask for; false (after telling the user) keeps the dialog open.
  bool Acceptable(const std::string& path) const {
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (!std::filesystem::is_directory(platform::FolderOf(path), ec) &&
        (ofn_->Flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST) || !open_)) {
      Ask(path + "\nPath does not exist.\nCheck the path and try again.", MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
    if (open_ && !exists && (ofn_->Flags & OFN_CREATEPROMPT))
      return Ask(path + "\nThis file does not exist.\nDo you want to create it?", MB_YESNO | MB_ICONQUESTION) == IDYES;
    if (open_ && !exists && (ofn_->Flags & OFN_FILEMUSTEXIST)) {
      Ask(path + "\nFile not found.\nCheck the file name and try again.", MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
    if (!open_ && exists && (ofn_->Flags & OFN_OVERWRITEPROMPT))
      return Ask(path + " already exists.\nDo you want to replace it?", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
    return true;
  }

  // One file: its path. Several: the folder, then each name, each ended by a NUL, then a NUL.
  bool Store(const std::vector<std::string>& paths) {
    std::string out;
    const std::string folder = platform::FolderOf(paths[0]);
    bool oneFolder = paths.size() > 1;
    for (const std::string& p : paths) oneFolder = oneFolder && platform::FolderOf(p) == folder;
    if (oneFolder) {
      out = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
      ofn_->nFileOffset = static_cast<WORD>(out.size() + 1);
      for (const std::string& p : paths) out += std::string(1, '\0') + platform::FileNameOf(p);
      out += '\0';
      ofn_->nFileExtension = 0;
    } else {
      out = paths[0];
      ofn_->nFileOffset = static_cast<WORD>(folder.size());
      const size_t dot = out.rfind('.');
      ofn_->nFileExtension = dot != std::string::npos && dot > folder.size() ? static_cast<WORD>(dot + 1) : 0;
      if (ofn_->Flags & OFN_ALLOWMULTISELECT) out += '\0';
    }
    ofn_->nFilterIndex = filterIndex_ + 1;
    if (ofn_->lpstrFileTitle && ofn_->nMaxFileTitle > 0)
      platform::CopyToBuffer(platform::FileNameOf(paths[0]), ofn_->lpstrFileTitle, ofn_->nMaxFileTitle);
    if (!ofn_->lpstrFile || out.size() + 1 > ofn_->nMaxFile) {
      // Too small: the first two bytes tell the size needed.
      if (ofn_->lpstrFile && ofn_->nMaxFile >= 2) {
        const auto need = static_cast<WORD>(std::min<size_t>(out.size() + 1, 0xFFFF));
        std::memcpy(ofn_->lpstrFile, &need, sizeof need);
      }
      return false;
    }
    std::memcpy(ofn_->lpstrFile, out.data(), out.size());
    ofn_->lpstrFile[out.size()] = '\0';
    return true;
  }

  OPENFILENAME* ofn_;
  bool open_;
  std::vector<Filter> filters_;
  DWORD filterIndex_ = 0;
  std::vector<std::string> wildcard_;
  std::string folder_;
  std::string initialName_;
  HWND hwnd_ = nullptr;
};

}  // namespace

BOOL GetOpenFileName(OPENFILENAME* ofn) { return ofn ? FileDialog(ofn, true).Run() : FALSE; }
BOOL GetSaveFileName(OPENFILENAME* ofn) { return ofn ? FileDialog(ofn, false).Run() : FALSE; }
DWORD CommDlgExtendedError() { return t_lastError; }

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter, CWnd* parent)
    : open_(openFileDialog), defExt_(defExt ? defExt : ""), file_(64 * 1024, '\0') {
  m_pParentWnd = parent;
  // "a|b|c|d||" -> "a\0b\0c\0d\0\0".
  if (filter) {
    filter_ = filter;
    std::replace(filter_.begin(), filter_.end(), '|', '\0');
    filter_ += '\0';
  }
  if (fileName) platform::CopyToBuffer(fileName, file_.data(), static_cast<DWORD>(file_.size()));
  m_ofn.Flags = flags | OFN_EXPLORER;
  m_ofn.lpstrFilter = filter ? filter_.c_str() : nullptr;
  m_ofn.lpstrDefExt = defExt ? defExt_.c_str() : nullptr;
}

INT_PTR CFileDialog::DoModal() {
  // Set here, not in the constructor: the caller may have changed them meanwhile.
  m_ofn.lpstrFile = file_.data();
  m_ofn.nMaxFile = static_cast<DWORD>(file_.size());
  if (!m_ofn.hwndOwner && m_pParentWnd) m_ofn.hwndOwner = m_pParentWnd->GetSafeHwnd();
  const BOOL ok = open_ ? GetOpenFileName(&m_ofn) : GetSaveFileName(&m_ofn);
  return ok ? IDOK : IDCANCEL;
}

std::vector<std::string> CFileDialog::GetPathNames() const {
  std::vector<std::string> out;
  const char* p = m_ofn.lpstrFile;
  if (!p || !*p) return out;
  const std::string first = p;
  const char* next = p + first.size() + 1;
  if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT) || !*next) {
    out.push_back(first);
    return out;
  }
  const std::string folder = platform::WithTrailingSlash(first);
  for (; *next; next += std::strlen(next) + 1) out.push_back(folder + next);
  return out;
}

std::string CFileDialog::GetPathName() const {
  const auto all = GetPathNames();
  return all.empty() ? std::string() : all[0];
}

std::string CFileDialog::GetFileName() const { return platform::FileNameOf(GetPathName()); }

std::string CFileDialog::GetFileExt() const {
  const std::string name = GetFileName();
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string CFileDialog::GetFileTitle() const {
  const std::string name = GetFileName();
  return name.substr(0, name.rfind('.'));
}

std::string CFileDialog::GetFolderPath() const {
  const std::string folder = platform::FolderOf(GetPathName());
  return folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
}
