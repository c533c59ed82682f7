#include "widgets/file_drop_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/base/paths.h"
#include "platform/ole/drop_files.h"
#include "platform/ole/global_memory.h"
#include "platform/window/afx_app.h"
#include "platform/window/focus.h"
#include "platform/window/message_payload.h"
#include "platform/window/messages.h"

namespace {

// One list per process: the children that announced themselves to this program's windows.
std::vector<OwnerLinkRecord>& Children() {
  static std::vector<OwnerLinkRecord> children;
  return children;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool SameNoCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> out;
  std::string item;
  for (char c : text + " ") {
    if (c == ' ' || c == ',') {
      if (!item.empty()) out.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  return out;
}

}  // namespace

CLIPFORMAT NarvellFilesFormat() {
  static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormat("NarvellFiles"));
  return format;
}

CLIPFORMAT NarvellControlFormat() {
  static const CLIPFORMAT format = static_cast<CLIPFORMAT>(RegisterClipboardFormat("NarvellControl"));
  return format;
}

DROPEFFECT CFileDropTarget::OnDragEnter(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) {
  m_bEntered = TRUE;
  return m_pDialog->OnDragEnterFiles(data, keyState, point);
}

DROPEFFECT CFileDropTarget::OnDragOver(CWnd*, COleDataObject* data, DWORD keyState, CPoint point) {
  return m_pDialog->OnDragOverFiles(data, keyState, point);
}

BOOL CFileDropTarget::OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) {
  return m_pDialog->OnDropData(data, effect, point);
}

DROPEFFECT CFileDropTarget::OnDropEx(CWnd*, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList,
                                     CPoint point) {
  m_bEntered = FALSE;  // every drop ends the drag, whichever hook takes it
  return m_pDialog->OnDropExFiles(data, dropDefault, dropList, point);
}

void CFileDropTarget::OnDragLeave(CWnd*) {
  m_bEntered = FALSE;
  m_pDialog->OnDragLeaveFiles();
}

DROPEFFECT CFileDropTarget::OnDragScroll(CWnd* wnd, DWORD keyState, CPoint point) {
  // Only the band along the edges scrolls; elsewhere the dialog's filters decide, so a drag
  // with a modifier key held still reaches them.
  constexpr int kScrollInset = 11;
  RECT client{};
  if (wnd) wnd->GetClientRect(&client);
  const bool inBand = point.x < client.left + kScrollInset || point.y < client.top + kScrollInset ||
                      point.x >= client.right - kScrollInset || point.y >= client.bottom - kScrollInset;
  if (!inBand) return DROPEFFECT_NONE;
  const bool ctrl = keyState & MK_CONTROL, shift = keyState & MK_SHIFT, alt = keyState & MK_ALT;
  const DROPEFFECT answer = ctrl && shift    ? DROPEFFECT_SCROLL | DROPEFFECT_LINK
                            : ctrl           ? DROPEFFECT_SCROLL | DROPEFFECT_COPY
                            : (alt || shift) ? DROPEFFECT_SCROLL | DROPEFFECT_MOVE
                                             : DROPEFFECT_COPY | DROPEFFECT_MOVE;
  // A scroll answer keeps the drag from the window's own enter hook; a drag that comes in through
  // the band with a modifier held would never have its files sorted, so the window hears of it here.
  if ((answer & DROPEFFECT_SCROLL) && !m_bEntered && m_lpDataObject) {
    m_bEntered = TRUE;
    COleDataObject object;
    object.Attach(m_lpDataObject, FALSE);
    m_pDialog->OnDragEnterFiles(&object, keyState, point);
  }
  return answer;
}

STDMETHODIMP CFileDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed || (keyState & m_dwButtonCancel) || m_pDialog->m_bOwnDragCameBack) {
    m_bDragStarted = FALSE;
    return DRAGDROP_S_CANCEL;
  }
  if (keyState & m_dwButtonDrop) return S_OK;
  return m_bDragStarted ? DRAGDROP_S_DROP : DRAGDROP_S_CANCEL;
}

BEGIN_MESSAGE_MAP(CFileDropDialog, CDialog)
ON_MESSAGE(WM_OWNER_LINK, &CFileDropDialog::OnOwnerLink)
END_MESSAGE_MAP()

CFileDropDialog::CFileDropDialog(UINT idTemplate, CWnd* parent) : CDialog(idTemplate, parent) {}
CFileDropDialog::CFileDropDialog(LPCSTR templateName, CWnd* parent) : CDialog(templateName, parent) {}

CFileDropDialog::~CFileDropDialog() { delete m_pDropTarget; }

std::vector<OwnerLinkRecord> CFileDropDialog::RegisteredChildren() { return Children(); }

void CFileDropDialog::SetDropExtensions(const std::string& accepted, const std::string& refused) {
  m_accepted = SplitList(accepted);
  m_refused = SplitList(refused);
}

HGLOBAL CFileDropDialog::BuildDropFileList(const std::vector<std::string>& paths) {
  // Sized from the paths themselves, so paths of any length fit.
  return platform::ole::BuildDropFiles(paths);
}

DROPEFFECT CFileDropDialog::DragFileList(const std::vector<std::string>& paths, DWORD effects, BOOL ownFormat) {
  HGLOBAL list = BuildDropFileList(paths);
  if (!list) return DROPEFFECT_NONE;
  COleDataSource source;
  source.CacheGlobalData(ownFormat ? NarvellFilesFormat() : CF_HDROP, list);
  return source.DoDragDrop(effects);
}

BOOL CFileDropDialog::DragFileListGuarded(const std::vector<std::string>& paths, DROPEFFECT* effect, BOOL ownFormat) {
  HGLOBAL list = BuildDropFileList(paths);
  if (!list) return FALSE;
  COleDataSource data;
  data.CacheGlobalData(ownFormat ? NarvellFilesFormat() : CF_HDROP, list);
  CFileDropSource source(this);
  m_bOwnDrag = TRUE;
  m_bOwnDragCameBack = FALSE;
  HCURSOR old = ::SetCursor(::LoadCursor(nullptr, IDC_WAIT));
  const DROPEFFECT result = data.DoDragDrop(effect ? *effect : DROPEFFECT_COPY, nullptr, &source);
  ::SetCursor(old);
  m_bOwnDrag = FALSE;
  if (effect) *effect = result;
  return !m_bOwnDragCameBack;
}

void CFileDropDialog::CollectExtensions(HGLOBAL list) {
  for (const std::string& path : platform::ole::ReadDropFiles(list)) {
    // The name is the last component, whole: a folder's dots never make an extension.
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    name = platform::FileNameOf(name);
    const std::size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos || dot + 1 == name.size() ? name : name.substr(dot + 1);
    while (!extension.empty() && std::isspace(static_cast<unsigned char>(extension.back()))) extension.pop_back();
    extension = Upper(extension);
    if (std::find(m_dragExtensions.begin(), m_dragExtensions.end(), extension) == m_dragExtensions.end())
      m_dragExtensions.push_back(extension);
  }
}

bool CFileDropDialog::PassesFilters() const {
  auto listed = [](const std::vector<std::string>& list, const std::string& ext) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& e) { return SameNoCase(e, ext); });
  };
  for (const std::string& ext : m_dragExtensions) {
    if (!m_accepted.empty() && !listed(m_accepted, ext)) return false;
    if (!m_refused.empty() && listed(m_refused, ext)) return false;
  }
  return true;
}

DROPEFFECT CFileDropDialog::OnDragEnterFiles(COleDataObject* data, DWORD keyState, CPoint point) {
  if (m_bOwnDrag) {
    m_bOwnDragCameBack = TRUE;
    return DROPEFFECT_NONE;
  }
  m_bDragAccepted = FALSE;
  if (data->IsDataAvailable(NarvellControlFormat())) {
    m_bDragAccepted = TRUE;
    return OnDragOverControl(data, keyState, point);
  }
  m_dragExtensions.clear();
  HGLOBAL list = data->GetGlobalData(CF_HDROP);
  if (!list) list = data->GetGlobalData(NarvellFilesFormat());
  if (!list) return DROPEFFECT_NONE;
  CollectExtensions(list);
  GlobalFree(list);
  if (!PassesFilters()) return DROPEFFECT_NONE;
  m_bDragAccepted = TRUE;
  return OnDragOverFiles(data, keyState, point);
}

DROPEFFECT CFileDropDialog::OnDragOverFiles(COleDataObject* data, DWORD keyState, CPoint point) {
  if (!m_bAcceptDrops || m_bOwnDragCameBack || !m_bDragAccepted) return DROPEFFECT_NONE;
  if (data && data->IsDataAvailable(NarvellControlFormat())) return OnDragOverControl(data, keyState, point);
  if (keyState & MK_RBUTTON) {
    m_bRightDrag = TRUE;
    return GetDropEffectAt(point);
  }
  if (keyState & MK_CONTROL) return DROPEFFECT_COPY;
  if (keyState & MK_ALT) return DROPEFFECT_MOVE;
  return GetDropEffectAt(point);
}

BOOL CFileDropDialog::OnDropData(COleDataObject* data, DROPEFFECT effect, CPoint point) {
  OnDragLeaveFiles();
  m_bDropRefused = FALSE;
  HGLOBAL list = data->GetGlobalData(CF_HDROP);
  if (!list) list = data->GetGlobalData(NarvellFilesFormat());
  if (!list) return data->IsDataAvailable(NarvellControlFormat()) ? OnDropControl(data, effect, point) : FALSE;
  OnDropFiles(list);
  GlobalFree(list);
  return !m_bDropRefused;
}

void CFileDropDialog::OnDragLeaveFiles() {
  m_bRightDrag = FALSE;
  m_bDragAccepted = FALSE;
  m_dragExtensions.clear();
}

BOOL CFileDropDialog::GetDropInfo(std::string& text, int* value) {
  text.clear();
  if (value) *value = 0;
  return TRUE;
}

BOOL CFileDropDialog::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pDropTarget = new CFileDropTarget(this);
  m_pDropTarget->Register(this);
  if (CWinApp* app = AfxGetApp()) {
    const std::size_t at = app->m_lpCmdLine.find("/owner=");
    if (at != std::string::npos) {
      unsigned long long handle = 0;
      if (std::sscanf(app->m_lpCmdLine.c_str() + at + 7, "%llX", &handle) == 1 && handle != 0)
        m_hOwner = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
    }
  }
  m_ownFolder = platform::AppFolder();
  if (m_hOwner) {
    PostOwnerLinkRecord(m_hOwner, OwnerLinkRecord{m_hWnd, m_ownFolder});
  }
  return TRUE;
}

LRESULT CFileDropDialog::OnOwnerLink(WPARAM code, LPARAM argument) {
  switch (code) {
    case OWNER_LINK_REGISTER: {
      // Only a well-formed record the transport carried counts; any other value is refused unread.
      const auto payload = platform::TakeMessagePayload(argument);
      const auto record = payload ? DecodeOwnerLinkRecord(payload->data(), payload->size()) : std::nullopt;
      if (!record) break;
      auto& children = Children();
      auto same = std::find_if(children.begin(), children.end(),
                               [&](const OwnerLinkRecord& r) { return SameNoCase(r.folder, record->folder); });
      if (same != children.end()) same->window = record->window;
      else children.push_back(*record);
      break;
    }
    case OWNER_LINK_UNREGISTER: {
      if (!argument) break;
      const HWND window = reinterpret_cast<HWND>(argument);
      auto& children = Children();
      children.erase(std::remove_if(children.begin(), children.end(),
                                    [&](const OwnerLinkRecord& r) { return r.window == window; }),
                     children.end());
      break;
    }
    case OWNER_LINK_DROP_FILES: {
      const auto payload = platform::TakeMessagePayload(argument);
      const auto paths = payload ? DecodeOwnerLinkFiles(payload->data(), payload->size()) : std::nullopt;
      HGLOBAL list = paths ? BuildDropFileList(*paths) : nullptr;
      if (!list) break;
      OnDropFiles(list);
      GlobalFree(list);
      break;
    }
    case OWNER_LINK_COMMAND:
      if (argument) OnOwnerCommand(argument);
      break;
    case OWNER_LINK_OWNER_CLOSED: m_hOwner = nullptr; break;
    default: break;
  }
  return 0;
}

void CFileDropDialog::OnClose() {
  if (!m_hOwner) {
    for (const OwnerLinkRecord& child : Children())
      ::PostMessage(child.window, WM_OWNER_LINK, OWNER_LINK_OWNER_CLOSED, 0);
    Children().clear();
  } else {
    ::PostMessage(m_hOwner, WM_OWNER_LINK, OWNER_LINK_UNREGISTER, reinterpret_cast<LPARAM>(m_hWnd));
  }
  CDialog::OnClose();
}

void CFileDropDialog::OnNcDestroy() {
  if (m_pDropTarget) {
    m_pDropTarget->Revoke();
    delete m_pDropTarget;
    m_pDropTarget = nullptr;
  }
  CDialog::OnNcDestroy();
}
