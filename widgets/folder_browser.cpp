#include "widgets/folder_browser.h"

#include <unistd.h>

#include "platform/controls/commctrl.h"
#include "platform/window/dialog.h"
#include "widgets/folder_path.h"

namespace {

// Folders below the file system's root only: the tree also shows nothing else.
bool IsFileSystemPath(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace

BEGIN_MESSAGE_MAP(CFolderBrowser::CBrowseDialog, CWnd)
ON_COMMAND(IDOK, &CFolderBrowser::CBrowseDialog::OnBrowseOk)
ON_EN_CHANGE(platform::kFolderEditId, &CFolderBrowser::CBrowseDialog::OnBrowseEditChange)
END_MESSAGE_MAP()

CFolderBrowser::CFolderBrowser(BOOL editEnabled, LPCSTR caption, LPCSTR title, LPCSTR initialFolder, CWnd* parent)
    : m_caption(caption ? caption : ""),
      m_hasCaption(caption != nullptr),
      m_initialFolder(initialFolder ? initialFolder : ""),
      m_hasInitialFolder(initialFolder != nullptr && *initialFolder),
      m_title(title ? title : ""),
      m_hasTitle(title != nullptr),
      m_parent(parent),
      m_editEnabled(editEnabled) {
  HWND owner = parent ? parent->GetSafeHwnd() : nullptr;
  while (owner && (GetWindowLong(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  m_info.hwndOwner = owner;
  m_info.pszDisplayName = m_displayName;
  m_info.lpszTitle = m_hasTitle ? m_title.c_str() : nullptr;
  m_info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
}

CFolderBrowser::~CFolderBrowser() {
  if (m_browseDialog.GetSafeHwnd()) m_browseDialog.UnsubclassWindow();
}

int CFolderBrowser::DoModal() {
  m_info.lpfn = BrowseCallback;
  m_info.lParam = reinterpret_cast<LPARAM>(this);
  LPMALLOC malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) return -1;
  m_confirmed = FALSE;
  m_ownerDisabled = m_info.hwndOwner && IsWindowEnabled(m_info.hwndOwner);
  LPITEMIDLIST chosen = SHBrowseForFolder(&m_info);
  if (chosen) malloc->Free(chosen);
  malloc->Release();
  if (m_browseDialog.GetSafeHwnd()) m_browseDialog.UnsubclassWindow();
  m_dialog = nullptr;
  if (m_ownerDisabled && !IsWindowEnabled(m_info.hwndOwner)) EnableWindow(m_info.hwndOwner, TRUE);
  return m_confirmed ? 1 : -1;
}

int CFolderBrowser::BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM data) {
  auto* self = reinterpret_cast<CFolderBrowser*>(data);
  if (msg == BFFM_INITIALIZED) self->OnInitialized(hwnd);
  if (msg == BFFM_SELCHANGED) self->OnSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
  return 0;
}

void CFolderBrowser::OnInitialized(HWND dialog) {
  m_dialog = dialog;
  if (m_hasCaption) SetWindowText(dialog, m_caption.c_str());
  m_browseDialog.SubclassWindow(dialog);
  ShowWindow(GetDlgItem(dialog, platform::kFolderStatusId), SW_HIDE);
  RECT tree{};
  HWND treeWnd = GetDlgItem(dialog, platform::kFolderTreeId);
  GetWindowRect(treeWnd, &tree);
  POINT topLeft{tree.left, tree.top};
  POINT bottomRight{tree.right, tree.bottom};
  ScreenToClient(dialog, &topLeft);
  ScreenToClient(dialog, &bottomRight);
  const int bottom = topLeft.y - 15;
  HWND edit = CreateWindowEx(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                             topLeft.x, bottom - 20, bottomRight.x - topLeft.x, 20, dialog,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(platform::kFolderEditId)), nullptr, nullptr);
  ShowWindow(edit, SW_SHOW);
  EnableWindow(edit, m_editEnabled);
  SendMessage(edit, WM_SETFONT, SendMessage(dialog, WM_GETFONT, 0, 0), FALSE);
  std::string start = m_initialFolder;
  if (!m_hasInitialFolder) {
    char cwd[4096];
    start = getcwd(cwd, sizeof cwd) ? cwd : "/";
  }
  SendMessage(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start.c_str()));
}

void CFolderBrowser::OnSelectionChanged(LPCITEMIDLIST item) {
  char path[MAX_PATH] = {};
  if (!SHGetPathFromIDList(item, path) || !IsFileSystemPath(path)) path[0] = '\0';
  m_path = path;
  SendMessage(m_dialog, BFFM_ENABLEOK, 0, !m_path.empty());
  SendMessage(m_dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(m_path.c_str()));
  SetDlgItemText(m_dialog, platform::kFolderEditId, m_path.c_str());
}

std::string CFolderBrowser::EditText() const {
  HWND edit = GetDlgItem(m_dialog, platform::kFolderEditId);
  std::string text(static_cast<size_t>(GetWindowTextLength(edit)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(edit, text.data(), static_cast<int>(text.size()))));
  return text;
}

void CFolderBrowser::CBrowseDialog::OnBrowseEditChange() {
  m_owner.m_path = m_owner.EditText();
  ::SendMessage(m_hWnd, BFFM_ENABLEOK, 0, !m_owner.m_path.empty());
}

void CFolderBrowser::CBrowseDialog::OnBrowseOk() {
  m_owner.m_path = m_owner.EditText();
  if (ValidateFolder(m_owner.m_path.c_str(), m_owner.m_messageCaption) != 0) {
    ::SetFocus(::GetDlgItem(m_hWnd, platform::kFolderEditId));
    return;
  }
  m_owner.m_confirmed = TRUE;
  EndDialog(m_hWnd, IDOK);
}
