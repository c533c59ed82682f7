// Edit controls: single and multi line, selection, limit, read-only, EN_ notifications.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>
#include <vector>

#include "platform/controls/control_base.h"

namespace platform::controls {
namespace {

constexpr size_t kDefaultLimit = 0x7FFFFFFE;

class Edit final : public Control {
 public:
  using Control::Control;

  LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    switch (msg) {
      case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName) text_ = cs->lpszName;
        return Control::Proc(msg, wParam, lParam);
      }
      case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | (Multi() ? DLGC_WANTALLKEYS : 0);
      case WM_SETTEXT: {
        LRESULT r = DefWindowProc(hwnd_, msg, wParam, lParam);
        text_ = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        start_ = end_ = 0;
        scroll_ = 0;
        undo_.clear();
        modified_ = false;
        Invalidate();
        Command(EN_UPDATE);
        Command(EN_CHANGE);
        return r;
      }
      case WM_SETFOCUS:
        Invalidate();
        Command(EN_SETFOCUS);
        return 0;
      case WM_KILLFOCUS:
        Invalidate();
        Command(EN_KILLFOCUS);
        return 0;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        SetFocus(hwnd_);
        SetCapture(hwnd_);
        dragging_ = true;
        size_t at = HitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        start_ = end_ = at;
        Invalidate();
        return 0;
      }
      case WM_MOUSEMOVE:
        if (dragging_) {
          end_ = HitTest(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
          Invalidate();
        }
        return 0;
      case WM_LBUTTONUP:
        if (dragging_) {
          dragging_ = false;
          ReleaseCapture();
        }
        return 0;
      case WM_KEYDOWN: return KeyDown(static_cast<int>(wParam));
      case WM_VSCROLL: {
        if (!Multi()) return 0;
        const int lh = std::max(1, LineHeight());
        const int page = static_cast<int>(Client().bottom);
        const int total = static_cast<int>(Lines().size()) * lh;
        scrollY_ = std::clamp(ScrolledPos(SB_VERT, wParam, scrollY_, lh, std::max(lh, page - lh), total - page), 0,
                              std::max(0, total - page));
        scrolledBy_ = Where();  // the caret stays where it is, off screen if need be
        Invalidate();
        return 0;
      }
      case WM_CHAR: return Char(static_cast<unsigned char>(wParam));
      case EM_GETSEL: {
        DWORD s = static_cast<DWORD>(std::min(start_, end_)), e = static_cast<DWORD>(std::max(start_, end_));
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = s;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = e;
        return MAKELONG(static_cast<WORD>(std::min<DWORD>(s, 0xFFFF)), static_cast<WORD>(std::min<DWORD>(e, 0xFFFF)));
      }
      case EM_SETSEL: {
        long s = static_cast<long>(static_cast<int>(wParam)), e = static_cast<long>(static_cast<int>(lParam));
        if (s < 0) {
          start_ = end_ = std::max(start_, end_);  // -1 deselects
        } else {
          if (e < 0 || static_cast<size_t>(e) > text_.size()) e = static_cast<long>(text_.size());
          start_ = std::min<size_t>(static_cast<size_t>(s), text_.size());
          end_ = static_cast<size_t>(e);
        }
        Invalidate();
        return 0;
      }
      case EM_REPLACESEL: Replace(lParam ? reinterpret_cast<LPCSTR>(lParam) : "", wParam != 0); return 0;
      case EM_LIMITTEXT: limit_ = wParam ? static_cast<size_t>(wParam) : kDefaultLimit; return 0;
      case EM_GETLIMITTEXT: return static_cast<LRESULT>(limit_);
      case EM_SETREADONLY: {
        DWORD style = Style();
        SetWindowLong(hwnd_, GWL_STYLE, static_cast<LONG>(wParam ? style | ES_READONLY : style & ~ES_READONLY));
        Invalidate();
        return TRUE;
      }
      case EM_GETMODIFY: return modified_ ? TRUE : FALSE;
      case EM_SETMODIFY: modified_ = wParam != 0; return 0;
      case EM_CANUNDO: return undoValid_ ? TRUE : FALSE;
      case EM_UNDO:
        if (!undoValid_) return FALSE;
        std::swap(text_, undo_);
        start_ = end_ = text_.size();
        Changed();
        return TRUE;
      case EM_SCROLLCARET:
        Invalidate();  // the caret is brought into view when the edit paints
        return TRUE;
      case EM_SETPASSWORDCHAR:
        password_ = static_cast<char>(wParam);
        Invalidate();
        return 0;
      case EM_GETLINECOUNT: return static_cast<LRESULT>(Lines().size());
      case EM_LINEINDEX: {
        auto lines = Lines();
        int line = static_cast<int>(wParam);
        if (line < 0) line = LineOf(std::max(start_, end_));
        if (line >= static_cast<int>(lines.size())) return -1;
        return static_cast<LRESULT>(lines[line].first);
      }
      case EM_LINEFROMCHAR: {
        int at = static_cast<int>(wParam);
        return LineOf(at < 0 ? std::max(start_, end_) : static_cast<size_t>(at));
      }
      case EM_LINELENGTH: {
        auto lines = Lines();
        int line = LineOf(static_cast<int>(wParam) < 0 ? std::max(start_, end_) : static_cast<size_t>(wParam));
        return static_cast<LRESULT>(lines[line].second - lines[line].first);
      }
      case EM_GETLINE: {
        auto lines = Lines();
        if (wParam >= lines.size() || !lParam) return 0;
        WORD cap = *reinterpret_cast<WORD*>(lParam);
        size_t n = std::min<size_t>(cap, lines[wParam].second - lines[wParam].first);
        std::memcpy(reinterpret_cast<char*>(lParam), text_.data() + lines[wParam].first, n);
        return static_cast<LRESULT>(n);
      }
      default: return Control::Proc(msg, wParam, lParam);
    }
  }

 protected:
  UINT CtlColorMessage() const override {
    return (Style() & ES_READONLY) || !Enabled() ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
  }
  int DefaultBackground() const override {
    return (Style() & ES_READONLY) || !Enabled() ? COLOR_BTNFACE : COLOR_WINDOW;
  }

  void Paint(HDC dc, const RECT& client) override {
    SetTextColor(dc, GetSysColor(Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    FillRect(dc, &client, Background(dc));
    int lh = LineHeight();
    auto lines = Lines();
    size_t selA = std::min(start_, end_), selB = std::max(start_, end_);
    bool showSel = Focused() || (Style() & ES_NOHIDESEL);
    int caretLine = LineOf(end_);
    ScrollToCaret(dc, client, lh);
    for (size_t i = 0; i < lines.size(); ++i) {
      int y = 1 + static_cast<int>(i) * lh - scrollY_;
      if (y + lh < 0 || y > client.bottom) continue;
      std::string shown = Shown(lines[i].first, lines[i].second);
      std::vector<int> ext = Extents(dc, shown);
      int width = ext.empty() ? 0 : ext.back();
      int x0 = 2 - scroll_;
      if (Style() & ES_CENTER) x0 = (client.right - width) / 2;
      else if (Style() & ES_RIGHT) x0 = client.right - 2 - width;
      TextOut(dc, x0, y, shown.c_str(), static_cast<int>(shown.size()));
      // Selection: the selected bytes of this line drawn over in highlight colours.
      size_t a = std::max(selA, lines[i].first), b = std::min(selB, lines[i].second);
      if (showSel && a < b) {
        int xa = x0 + At(ext, a - lines[i].first), xb = x0 + At(ext, b - lines[i].first);
        RECT hl{xa, y, xb, y + lh};
        FillSys(dc, hl, COLOR_HIGHLIGHT);
        COLORREF old = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        std::string part = shown.substr(a - lines[i].first, b - a);
        TextOut(dc, xa, y, part.c_str(), static_cast<int>(part.size()));
        SetTextColor(dc, old);
      }
      if (Focused() && static_cast<int>(i) == caretLine && !(Style() & ES_READONLY)) {
        int cx = x0 + At(ext, end_ - lines[i].first);
        RECT caret{cx, y, cx + 1, y + lh};
        FillSys(dc, caret, COLOR_WINDOWTEXT);
      }
    }
  }

 private:
  bool Multi() const { return Style() & ES_MULTILINE; }

  // Line ranges [first, second) in bytes; single-line edits have one. Multi-line edits without
  // horizontal scrolling wrap their lines at the client width, between words where they can.
  std::vector<std::pair<size_t, size_t>> Lines() const {
    // Measured once per text, width, font and style: every key and paint asks.
    int clientWidth = static_cast<int>(Client().right);
    if (linesValid_ && cachedText_ == text_ && cachedWidth_ == clientWidth && cachedFont_ == Font() &&
        cachedStyle_ == Style() && cachedPassword_ == password_)
      return cachedLines_;
    cachedLines_ = Layout();
    cachedText_ = text_;
    cachedWidth_ = clientWidth;
    cachedFont_ = Font();
    cachedStyle_ = Style();
    cachedPassword_ = password_;
    linesValid_ = true;
    return cachedLines_;
  }

  std::vector<std::pair<size_t, size_t>> Layout() const {
    std::vector<std::pair<size_t, size_t>> logical;
    size_t from = 0;
    if (Multi()) {
      for (size_t i = 0; i < text_.size(); ++i)
        if (text_[i] == '\n') {
          size_t end = i > from && text_[i - 1] == '\r' ? i - 1 : i;
          logical.emplace_back(from, end);
          from = i + 1;
        }
    }
    logical.emplace_back(from, text_.size());
    int width = static_cast<int>(Client().right) - 4;
    if (!Multi() || (Style() & ES_AUTOHSCROLL) || width <= 0) return logical;
    std::vector<std::pair<size_t, size_t>> out;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Font());
    for (auto [a, b] : logical) {
      std::string shown = Shown(a, b);
      std::vector<int> ext = Extents(dc, shown);
      size_t start = 0, n = b - a;
      if (n == 0) out.emplace_back(a, b);
      while (start < n) {
        size_t end = start + 1;
        while (end < n && ext[end + 1] - ext[start] <= width) ++end;
        if (end < n) {
          size_t space = shown.rfind(' ', end);
          if (space != std::string::npos && space > start) {
            out.emplace_back(a + start, a + space);
            start = space + 1;
            continue;
          }
        }
        out.emplace_back(a + start, a + end);
        start = end;
      }
    }
    DeleteDC(dc);
    return out;
  }

  int LineOf(size_t at) const {
    auto lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i)
      if (at <= lines[i].second) return static_cast<int>(i);
    return static_cast<int>(lines.size()) - 1;
  }

  std::string Shown(size_t a, size_t b) const {
    std::string s = text_.substr(a, b - a);
    if (password_ || (Style() & ES_PASSWORD)) s.assign(s.size(), password_ ? password_ : '*');
    return s;
  }

  // Extent after each byte (0 first).
  static std::vector<int> Extents(HDC dc, const std::string& s) {
    std::vector<int> ext(s.size() + 1, 0);
    SIZE size;
    if (!s.empty()) GetTextExtentExPoint(dc, s.c_str(), static_cast<int>(s.size()), -1, nullptr, ext.data() + 1, &size);
    return ext;
  }
  static int At(const std::vector<int>& ext, size_t i) { return ext[std::min(i, ext.size() - 1)]; }

  size_t HitTest(int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, Font());
    auto lines = Lines();
    int lh = LineHeight();
    size_t line =
        std::min<size_t>(lines.size() - 1, static_cast<size_t>(std::max(0, (y - 1 + scrollY_) / std::max(1, lh))));
    std::string shown = Shown(lines[line].first, lines[line].second);
    std::vector<int> ext = Extents(dc, shown);
    DeleteDC(dc);
    int rel = x - 2 + scroll_;
    size_t best = 0;
    for (size_t i = 1; i < ext.size(); ++i)
      if (rel >= (ext[i - 1] + ext[i]) / 2) best = i;
    return lines[line].first + best;
  }

  void ScrollToCaret(HDC dc, const RECT& client, int lh) {
    auto lines = Lines();
    int line = LineOf(end_);
    std::string shown = Shown(lines[line].first, lines[line].second);
    int cx = At(Extents(dc, shown), end_ - lines[line].first);
    int visible = client.right - 4;
    if (cx - scroll_ > visible) scroll_ = cx - visible;
    if (cx < scroll_) scroll_ = cx;
    if (scrolledBy_ == Where()) return;  // scrolled by the bar since the caret last moved
    scrolledBy_ = {SIZE_MAX, SIZE_MAX};
    int cy = line * lh;
    if (cy - scrollY_ + lh > client.bottom) scrollY_ = cy + lh - client.bottom;
    if (cy < scrollY_) scrollY_ = cy;
  }

  void Changed() {
    modified_ = true;
    DefWindowProc(hwnd_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
    Invalidate();
    Command(EN_UPDATE);
    Command(EN_CHANGE);
  }

  void Replace(std::string insert, bool canUndo) {
    size_t a = std::min(start_, end_), b = std::max(start_, end_);
    size_t room = limit_ > text_.size() - (b - a) ? limit_ - (text_.size() - (b - a)) : 0;
    bool truncated = insert.size() > room;
    if (truncated) insert.resize(room);
    if (insert.empty() && a == b) {
      if (truncated) Command(EN_MAXTEXT);
      return;
    }
    if (canUndo) {
      undo_ = text_;
      undoValid_ = true;
    }
    text_.replace(a, b - a, insert);
    start_ = end_ = a + insert.size();
    Changed();
    if (truncated) Command(EN_MAXTEXT);
  }

  LRESULT Char(unsigned char c) {
    if (Style() & ES_READONLY) return 0;
    if (c == 8) {  // backspace
      if (start_ == end_ && start_ > 0) start_ = PrevChar(start_);
      Replace("", true);
      return 0;
    }
    if (c == '\r' || c == '\n') {
      if (Multi()) Replace("\r\n", true);
      return 0;
    }
    if (c < 0x20) return 0;
    if ((Style() & ES_NUMBER) && !std::isdigit(c)) return 0;
    char ch = static_cast<char>(c);
    if (Style() & ES_UPPERCASE) ch = static_cast<char>(std::toupper(c));
    if (Style() & ES_LOWERCASE) ch = static_cast<char>(std::tolower(c));
    Replace(std::string(1, ch), true);
    return 0;
  }

  size_t PrevChar(size_t i) const {
    if (i == 0) return 0;
    --i;
    while (i > 0 && (static_cast<unsigned char>(text_[i]) & 0xC0) == 0x80) --i;
    if (i > 0 && text_[i] == '\n' && text_[i - 1] == '\r') --i;
    return i;
  }
  size_t NextChar(size_t i) const {
    if (i >= text_.size()) return text_.size();
    if (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n') return i + 2;
    ++i;
    while (i < text_.size() && (static_cast<unsigned char>(text_[i]) & 0xC0) == 0x80) ++i;
    return i;
  }

  LRESULT KeyDown(int vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    size_t caret = end_;
    auto lines = Lines();
    int line = LineOf(caret);
    switch (vk) {
      case VK_LEFT: caret = (start_ != end_ && !shift) ? std::min(start_, end_) : PrevChar(caret); break;
      case VK_RIGHT: caret = (start_ != end_ && !shift) ? std::max(start_, end_) : NextChar(caret); break;
      case VK_HOME: caret = lines[line].first; break;
      case VK_END: caret = lines[line].second; break;
      case VK_UP:
        if (!Multi() || line == 0) return 0;
        caret = std::min(lines[line - 1].first + (caret - lines[line].first), lines[line - 1].second);
        break;
      case VK_DOWN:
        if (!Multi() || line + 1 >= static_cast<int>(lines.size())) return 0;
        caret = std::min(lines[line + 1].first + (caret - lines[line].first), lines[line + 1].second);
        break;
      case VK_DELETE:
        if (Style() & ES_READONLY) return 0;
        if (start_ == end_) end_ = NextChar(end_);
        Replace("", true);
        return 0;
      default: return 0;
    }
    end_ = caret;
    if (!shift) start_ = caret;
    Invalidate();
    return 0;
  }

  std::string text_;
  mutable bool linesValid_ = false;
  mutable std::string cachedText_;
  mutable int cachedWidth_ = 0;
  mutable HFONT cachedFont_ = nullptr;
  mutable DWORD cachedStyle_ = 0;
  mutable char cachedPassword_ = 0;
  mutable std::vector<std::pair<size_t, size_t>> cachedLines_;
  std::string undo_;
  bool undoValid_ = false;
  size_t start_ = 0;  // anchor
  size_t end_ = 0;    // caret
  size_t limit_ = kDefaultLimit;
  bool modified_ = false;
  bool dragging_ = false;
  char password_ = 0;
  int scroll_ = 0;
  int scrollY_ = 0;
  // Caret and text size when the bar last scrolled; the view follows the caret again once it moves.
  std::pair<size_t, size_t> scrolledBy_{SIZE_MAX, SIZE_MAX};
  std::pair<size_t, size_t> Where() const { return {end_, text_.size()}; }
  void SyncScrollBars() override {
    if (!Multi()) return;
    const int lh = std::max(1, LineHeight());
    SyncBar(SB_VERT, static_cast<int>(Lines().size()) * lh - 1, static_cast<int>(Client().bottom), scrollY_, true);
  }
};

}  // namespace

void RegisterEdit() { RegisterControlClass(WC_EDIT, Make<Edit>, CS_DBLCLKS | CS_PARENTDC, COLOR_WINDOW); }

}  // namespace platform::controls
