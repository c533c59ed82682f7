#include "widgets/skin_label.h"

#include <algorithm>
#include <cstring>

#include "platform/base/process.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/objects.h"
#include "platform/window/focus.h"

CSkinLabel::CSkinLabel()
    : m_crText(GetSysColor(COLOR_WINDOWTEXT)),
      m_hBackground(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))),
      m_hFace(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {
  ::GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof(m_logFont), &m_logFont);
  m_font.CreateFontIndirect(&m_logFont);
}

CSkinLabel::~CSkinLabel() {
  DeleteObject(m_hBackground);
  DeleteObject(m_hFace);
}

void CSkinLabel::RebuildFont() {
  m_font.DeleteObject();
  m_font.CreateFontIndirect(&m_logFont);
  Redraw();
}

void CSkinLabel::Redraw() {
  if (m_hWnd) RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

CSkinLabel& CSkinLabel::SetText(const std::string& text) {
  if (m_hWnd) SetWindowText(text);
  return *this;
}

CSkinLabel& CSkinLabel::SetTextColor(COLORREF colour) {
  m_crText = colour;
  Redraw();
  return *this;
}

CSkinLabel& CSkinLabel::SetFontBold(BOOL bold) {
  m_logFont.lfWeight = bold ? 700 : 400;
  RebuildFont();
  return *this;
}

CSkinLabel& CSkinLabel::SetFontUnderline(BOOL underline) {
  m_logFont.lfUnderline = underline ? 1 : 0;
  RebuildFont();
  return *this;
}

CSkinLabel& CSkinLabel::SetFontItalic(BOOL italic) {
  m_logFont.lfItalic = italic ? 1 : 0;
  RebuildFont();
  return *this;
}

CSkinLabel& CSkinLabel::SetFontSize(int size) {
  m_logFont.lfHeight = -size;
  RebuildFont();
  return *this;
}

CSkinLabel& CSkinLabel::SetFontName(const std::string& face) {
  std::memset(m_logFont.lfFaceName, 0, sizeof(m_logFont.lfFaceName));
  std::memcpy(m_logFont.lfFaceName, face.data(), std::min(face.size(), sizeof(m_logFont.lfFaceName) - 1));
  RebuildFont();
  return *this;
}

CSkinLabel& CSkinLabel::SetSunken(BOOL sunken) {
  if (m_hWnd) ModifyStyleEx(sunken ? 0 : WS_EX_STATICEDGE, sunken ? WS_EX_STATICEDGE : 0, SWP_FRAMECHANGED);
  return *this;
}

CSkinLabel& CSkinLabel::SetBorder(BOOL border) {
  if (m_hWnd) ModifyStyle(border ? 0 : WS_BORDER, border ? WS_BORDER : 0, SWP_FRAMECHANGED);
  return *this;
}

CSkinLabel& CSkinLabel::SetBackgroundColor(COLORREF colour) {
  DeleteObject(m_hBackground);
  m_hBackground = CreateSolidBrush(colour);
  return *this;
}

void CSkinLabel::StopFlash() {
  if (!m_bFlashing) return;
  if (m_hWnd) KillTimer(kFlashTimer);
  if (m_nFlashKind == 1 && m_hWnd) SetWindowText(m_savedText);
  m_bFlashing = FALSE;
  m_nFlashKind = 0;
  m_bPhase = FALSE;
  Redraw();
}

CSkinLabel& CSkinLabel::FlashText(BOOL flash) {
  StopFlash();
  if (flash && m_hWnd) {
    m_savedText = GetWindowText();
    m_bPhase = FALSE;
    m_bFlashing = TRUE;
    m_nFlashKind = 1;
    SetTimer(kFlashTimer, 500);
  }
  return *this;
}

CSkinLabel& CSkinLabel::FlashBackground(BOOL flash) {
  StopFlash();
  if (flash && m_hWnd) {
    m_bPhase = FALSE;
    m_bFlashing = TRUE;
    m_nFlashKind = 2;
    SetTimer(kFlashTimer, 500);
  }
  return *this;
}

CSkinLabel& CSkinLabel::SetLink(BOOL link) {
  if (m_hWnd) ModifyStyle(link ? 0 : SS_NOTIFY, link ? SS_NOTIFY : 0);
  return *this;
}

bool CSkinLabel::IsOpenableLink(const std::string& target) {
  auto startsWith = [&](const char* prefix) {
    const std::size_t n = std::strlen(prefix);
    if (target.size() <= n) return false;
    for (std::size_t i = 0; i < n; ++i) {
      if (std::tolower(static_cast<unsigned char>(target[i])) != prefix[i]) return false;
    }
    return true;
  };
  if (!startsWith("http://") && !startsWith("https://") && !startsWith("mailto:")) return false;
  // Addresses are one word of visible characters.
  return std::none_of(target.begin(), target.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

BOOL CSkinLabel::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg != WM_CTLCOLORSTATIC) return CStatic::OnChildNotify(msg, wParam, lParam, result);
  HDC dc = reinterpret_cast<HDC>(wParam);
  SelectObject(dc, static_cast<HFONT>(m_font));
  ::SetTextColor(dc, m_crText);
  SetBkMode(dc, TRANSPARENT);
  const bool offPhase = m_bFlashing && m_nFlashKind == 2 && !m_bPhase;
  if (result) *result = reinterpret_cast<LRESULT>(offPhase ? m_hFace : m_hBackground);
  return TRUE;
}

void CSkinLabel::OnTimer(UINT_PTR id) {
  if (id == kFlashTimer && m_bFlashing) {
    m_bPhase = !m_bPhase;
    if (m_nFlashKind == 1) {
      SetWindowText(m_bPhase ? std::string() : m_savedText);
    } else if (m_nFlashKind == 2) {
      RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
  }
  CStatic::OnTimer(id);
}

void CSkinLabel::OnLButtonDown(UINT flags, CPoint point) {
  // Only a label in link mode opens anything: its address, or without one its own text, and
  // only when that is wholly a web or mail address, since what a label shows may be user data.
  const std::string target = m_linkUrl.empty() ? GetWindowText() : m_linkUrl;
  if ((GetStyle() & SS_NOTIFY) && IsOpenableLink(target))
    ShellExecute(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  CStatic::OnLButtonDown(flags, point);
}

BOOL CSkinLabel::OnSetCursor(CWnd* wnd, UINT hitTest, UINT message) {
  if (!m_hLinkCursor) return CStatic::OnSetCursor(wnd, hitTest, message);
  ::SetCursor(m_hLinkCursor);
  return TRUE;
}

BOOL CFileNameEdit::IsFileNameChar(char c) { return std::strchr("\"*/:<>?\\|", c) == nullptr || c == '\0'; }

LRESULT CFileNameEdit::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CHAR && wParam >= 0x20 && wParam < 0x80 && !IsFileNameChar(static_cast<char>(wParam))) return 0;
  // Inserted text (what a paste becomes) loses the characters a name cannot hold.
  if (msg == EM_REPLACESEL && lParam) {
    std::string text(reinterpret_cast<const char*>(lParam));
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return !IsFileNameChar(c); }), text.end());
    return CEdit::WindowProc(msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
  }
  return CEdit::WindowProc(msg, wParam, lParam);
}

void CFileNameEdit::OnWindowPosChanging(LPWINDOWPOS pos) {
  if (pos) {
    pos->x = m_nLeft;
    pos->cx = m_nWidth;
  }
  CEdit::OnWindowPosChanging(pos);
}
