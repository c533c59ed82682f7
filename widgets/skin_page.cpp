#include "widgets/skin_page.h"

#include <sys/statvfs.h>

#include <cstdlib>
#include <cstring>

#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace {

int NumberString(UINT id, int fallback) {
  const auto text = platform::LoadStdString(AfxGetResourceHandle(), id);
  if (!text || text->empty()) return fallback;
  return std::atoi(text->c_str());
}

}  // namespace

CSkinPage::CSkinPage(UINT idTemplate, CWnd* parent) : CDialog(idTemplate, parent), m_nPageId(idTemplate) {}
CSkinPage::CSkinPage(LPCSTR templateName, CWnd* parent) : CDialog(templateName, parent) {}
CSkinPage::~CSkinPage() = default;

void CSkinPage::CreateFonts() {
  const auto face = platform::LoadStdString(AfxGetResourceHandle(), IDS_PAGE_FONT_FACE);
  static const int kHeights[3] = {16, 14, 12};
  static const int kWeights[3] = {900, 700, 500};
  CFont* fonts[3] = {&m_fontLarge, &m_fontMedium, &m_fontSmall};
  for (int i = 0; i < 3; ++i) {
    LOGFONT lf{};
    ::GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    const std::string name = face && !face->empty() ? *face : "Arial";
    std::memset(lf.lfFaceName, 0, sizeof(lf.lfFaceName));
    std::memcpy(lf.lfFaceName, name.data(), std::min(name.size(), sizeof(lf.lfFaceName) - 1));
    lf.lfHeight = -NumberString(IDS_PAGE_FONT_HEIGHT_LARGE + i, kHeights[i]);
    lf.lfWeight = NumberString(IDS_PAGE_FONT_WEIGHT_LARGE + i, kWeights[i]);
    lf.lfCharSet = DEFAULT_CHARSET;
    fonts[i]->DeleteObject();
    if (!fonts[i]->CreateFontIndirect(&lf)) fonts[i]->CreateStockObject(DEFAULT_GUI_FONT);
  }
}

void CSkinPage::SetBackgroundPattern(HINSTANCE module, UINT bitmapId) {
  m_backgroundBrush.DeleteObject();
  HBITMAP bitmap = ::LoadBitmap(module, MAKEINTRESOURCE(bitmapId));
  if (!bitmap) return;
  m_backgroundBrush.Attach(CreatePatternBrush(bitmap));
  DeleteObject(bitmap);
}

void CSkinPage::SetItemFont(int id, int x, int y, int width, int height, CFont* font) {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (!item) return;
  ::SendMessage(item, WM_SETFONT, reinterpret_cast<WPARAM>(font ? static_cast<HFONT>(*font) : nullptr), TRUE);
  ::MoveWindow(item, x, y, width, height, TRUE);
}

int CSkinPage::GetItemTextWidth(int id) {
  HWND item = ::GetDlgItem(m_hWnd, id);
  if (!item) return 70;
  HDC dc = ::GetDC(item);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(::SendMessage(item, WM_GETFONT, 0, 0)));
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ::ReleaseDC(item, dc);
  return ::GetWindowTextLength(item) * tm.tmAveCharWidth;
}

BOOL CSkinPage::OnInitDialog() {
  CDialog::OnInitDialog();
  CreateFonts();
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 820, 594, SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

BEGIN_MESSAGE_MAP(CSkinPageHost, CFileDropDialog)
ON_COMMAND(ID_WIZFINISH, &CSkinPageHost::OnWizardFinish)
ON_COMMAND(ID_WIZBACK, &CSkinPageHost::OnWizardBack)
ON_COMMAND(ID_WIZNEXT, &CSkinPageHost::OnWizardNext)
END_MESSAGE_MAP()

CSkinPageHost::CSkinPageHost(UINT idTemplate, CWnd* parent) : CFileDropDialog(idTemplate, parent) {}
CSkinPageHost::CSkinPageHost(LPCSTR templateName, CWnd* parent) : CFileDropDialog(templateName, parent) {}

void CSkinPageHost::AddPage(CSkinPage* page, UINT pageId) {
  if (!page) return;
  page->m_nPageId = pageId;
  m_pages.push_back(page);
}

CSkinPage* CSkinPageHost::FindPage(UINT pageId) const {
  for (CSkinPage* page : m_pages)
    if (page->m_nPageId == pageId) return page;
  return nullptr;
}

CSkinPage* CSkinPageHost::GetPageAt(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<std::size_t>(index)] : nullptr;
}

CSkinPage* CSkinPageHost::GetActivePage() const {
  for (CSkinPage* page : m_pages)
    if (page->m_bActive) return page;
  return nullptr;
}

int CSkinPageHost::GetPageIndex(const CSkinPage* page) const {
  for (int i = 0; i < GetPageCount(); ++i)
    if (m_pages[static_cast<std::size_t>(i)] == page) return i;
  return -1;
}

void CSkinPageHost::EnableItem(UINT id, BOOL enable) {
  if (HWND item = ::GetDlgItem(m_hWnd, static_cast<int>(id))) ::EnableWindow(item, enable);
}

BOOL CSkinPageHost::ActivatePage(CSkinPage* page) {
  if (!page) return FALSE;
  if (!page->m_bCreated) {
    if (!page->Create(page->m_nPageId, this)) return FALSE;
    page->m_bCreated = TRUE;
    page->m_pHost = this;
    if (!page->OnPageCreate()) {
      // A page that refuses to start leaves nothing behind; it may be created again later.
      page->DestroyWindow();
      page->m_bCreated = FALSE;
      return FALSE;
    }
  }
  if (!DeactivateActivePage()) return FALSE;
  POINT at{0, 0};
  if (HWND area = ::GetDlgItem(m_hWnd, static_cast<int>(m_nPageArea))) {
    RECT r;
    ::GetWindowRect(area, &r);
    at = POINT{r.left, r.top};
    ::ScreenToClient(m_hWnd, &at);
  }
  ::SetWindowPos(page->m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  page->EnableWindow(TRUE);
  page->ShowWindow(SW_SHOW);
  page->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  page->OnSetActive();
  page->m_bActive = TRUE;
  return TRUE;
}

BOOL CSkinPageHost::ShowPage(UINT pageId) {
  CSkinPage* page = FindPage(pageId);
  return page ? ActivatePage(page) : FALSE;
}

BOOL CSkinPageHost::ShowPageAt(int index) {
  CSkinPage* page = GetPageAt(index);
  if (!page) return FALSE;
  ActivatePage(page);
  return TRUE;
}

BOOL CSkinPageHost::ShowFirstPage() {
  if (!DeactivateActivePage()) return FALSE;
  EnableItem(ID_WIZBACK, FALSE);
  const bool single = GetPageCount() < 2;
  EnableItem(ID_WIZFINISH, single);
  EnableItem(ID_WIZNEXT, !single);
  return ActivatePage(GetPageAt(0));
}

BOOL CSkinPageHost::ShowNextPage() {
  CSkinPage* next = GetPageAt(GetActivePageIndex() + 1);
  if (!next || !ActivatePage(next)) return FALSE;
  EnableItem(ID_WIZBACK, TRUE);
  return TRUE;
}

BOOL CSkinPageHost::DeactivateActivePage() {
  CSkinPage* active = GetActivePage();
  if (!active) return TRUE;
  if (!active->OnKillActive()) return FALSE;
  active->ShowWindow(SW_HIDE);
  active->m_bActive = FALSE;
  return TRUE;
}

BOOL CSkinPageHost::ClosePage(CSkinPage* page) {
  if (!page || !page->m_bCreated) return TRUE;
  if (!page->OnKillActive()) return FALSE;
  page->OnPageDestroy();
  page->DestroyWindow();
  page->m_bCreated = FALSE;
  page->m_bActive = FALSE;
  return TRUE;
}

void CSkinPageHost::SetTitle(UINT stringId) {
  if (const auto text = platform::LoadStdString(AfxGetResourceHandle(), stringId)) SetWindowText(*text);
}

void CSkinPageHost::SetFinishText(const std::string& text) { SetDlgItemText(ID_WIZFINISH, text); }

void CSkinPageHost::SetFinishText(UINT stringId) {
  if (const auto text = platform::LoadStdString(AfxGetResourceHandle(), stringId)) SetFinishText(*text);
}

std::uint64_t CSkinPageHost::GetDiskFreeBytes(const std::string& path) {
  struct statvfs info {};
  if (path.empty() || ::statvfs(path.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

BOOL CSkinPageHost::OnInitDialog() {
  CFileDropDialog::OnInitDialog();
  ModifyStyleEx(0, WS_EX_CONTROLPARENT);
  ::SetWindowPos(m_hWnd, nullptr, 0, 0, 1000, 680, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}

void CSkinPageHost::OnWizardBack() {
  CSkinPage* active = GetActivePage();
  if (!active) return;
  const int answer = active->GetBackPage();
  if (answer == -1) return;
  CSkinPage* target = answer ? FindPage(static_cast<UINT>(answer)) : GetPageAt(GetPageIndex(active) - 1);
  if (!target || !ActivatePage(target)) return;
  if (GetPageIndex(target) == 0) {
    EnableItem(ID_WIZBACK, FALSE);
    EnableItem(ID_WIZFINISH, FALSE);
  }
  EnableItem(ID_WIZNEXT, TRUE);
  EnableItem(ID_WIZFINISH, FALSE);
}

void CSkinPageHost::OnWizardNext() {
  CSkinPage* active = GetActivePage();
  if (!active) return;
  const int answer = active->GetNextPage();
  if (answer == -1) return;
  CSkinPage* target = answer ? FindPage(static_cast<UINT>(answer)) : GetPageAt(GetPageIndex(active) + 1);
  if (!target || !ActivatePage(target)) return;
  if (GetPageIndex(target) == GetPageCount() - 1) {
    EnableItem(ID_WIZNEXT, FALSE);
    EnableItem(ID_WIZFINISH, TRUE);
  }
  EnableItem(ID_WIZBACK, TRUE);
}

void CSkinPageHost::OnWizardFinish() {
  if (CSkinPage* active = GetActivePage(); active && !active->OnKillActive()) return;
  for (CSkinPage* page : m_pages)
    if (page->m_bCreated && !page->OnWizardFinish()) return;
  UpdateData(TRUE);
  EndDialog(static_cast<int>(ID_WIZFINISH));
}

void CSkinPageHost::OnCancel() {
  for (CSkinPage* page : m_pages)
    if (page->m_bCreated && !page->OnQueryCancel()) return;
  CFileDropDialog::OnCancel();
}

void CSkinPageHost::OnDestroy() {
  // At the end every page is closed whatever its answer, so each hears OnPageDestroy.
  for (CSkinPage* page : m_pages) {
    if (!page->m_bCreated) continue;
    page->OnPageDestroy();
    page->DestroyWindow();
    page->m_bCreated = FALSE;
    page->m_bActive = FALSE;
  }
  CFileDropDialog::OnDestroy();
}
