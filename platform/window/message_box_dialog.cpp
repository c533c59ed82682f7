#include "platform/window/message_box_dialog.h"

#include <algorithm>
#include <vector>

#include "platform/base/message_box.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/text.h"
#include "platform/window/dialog.h"
#include "platform/window/focus.h"
#include "platform/window/monitors.h"
#include "platform/window/window.h"

namespace platform {
namespace {

struct Button {
  int id;
  const char* text;
};

std::vector<Button> ButtonsFor(UINT flags) {
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    case MB_CANCELTRYCONTINUE: return {{IDCANCEL, "Cancel"}, {IDTRYAGAIN, "&Try Again"}, {IDCONTINUE, "&Continue"}};
    default: return {{IDOK, "OK"}};
  }
}

struct BoxInfo {
  UINT flags;
  int defaultId;
};

// The template's size is a guess from the text's length in characters. Measured in its font, a
// word the label cannot break (a path) may be wider, or the lines more: the box grows to show
// it all, at most as wide as the screen, and its buttons keep their place below and centred.
void FitToText(HWND box) {
  HWND label = GetDlgItem(box, kMessageBoxTextId);
  RECT shown{}, frame{};
  GetWindowRect(label, &shown);
  GetWindowRect(box, &frame);
  const int most = GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left - (shown.right - shown.left)) - 16;
  std::string text(static_cast<std::size_t>(GetWindowTextLength(label)) + 1, '\0');
  GetWindowText(label, text.data(), static_cast<int>(text.size()));
  HDC dc = GetDC(label);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(label, WM_GETFONT, 0, 0)));
  RECT needed{0, 0, shown.right - shown.left, 0};
  DrawText(dc, text.c_str(), -1, &needed, DT_WORDBREAK | DT_CALCRECT);
  if (needed.right > shown.right - shown.left) {
    // Lines are broken again at the width the widest word takes, a word wider than the screen
    // inside itself, as the label draws it.
    needed = {0, 0, std::max<int>(std::min<int>(needed.right, most), shown.right - shown.left), 0};
    DrawText(dc, text.c_str(), -1, &needed, DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT);
  }
  // Never taller than the screen: the text was bounded before, so little is lost below.
  const int tallest = GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top - (shown.bottom - shown.top)) - 16;
  needed.bottom = std::min<LONG>(needed.bottom, std::max<int>(tallest, shown.bottom - shown.top));
  SelectObject(dc, old);
  ReleaseDC(label, dc);
  const int wider = std::max<int>(0, needed.right - (shown.right - shown.left));
  // Widened, the text may take fewer lines than the guess gave it room for.
  const int height = shown.bottom - shown.top;
  const int taller = wider ? needed.bottom - height : std::max<int>(0, needed.bottom - height);
  if (!wider && !taller) return;
  SetWindowPos(label, nullptr, 0, 0, shown.right - shown.left + wider, shown.bottom - shown.top + taller,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == label) continue;
    RECT r{};
    GetWindowRect(child, &r);
    ScreenToClient(box, reinterpret_cast<POINT*>(&r));
    SetWindowPos(child, nullptr, r.left + wider / 2, r.top + taller, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Grown about its centre, but never off the screen's left or top edge.
  const int width = frame.right - frame.left + wider;
  const int left = std::max(0, std::min<int>(frame.left - wider / 2, GetSystemMetrics(SM_CXSCREEN) - width));
  SetWindowPos(box, nullptr, left, std::max<int>(0, frame.top - taller / 2), width, frame.bottom - frame.top + taller,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR BoxProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtr(hwnd, DWLP_USER, lParam);
    FitToText(hwnd);
    // Focus starts on the default button, so Enter answers with it.
    auto* info = reinterpret_cast<const BoxInfo*>(lParam);
    if (HWND button = GetDlgItem(hwnd, info->defaultId)) {
      SetFocus(button);
      return FALSE;
    }
    return TRUE;
  }
  if (msg != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  auto* info = reinterpret_cast<const BoxInfo*>(GetWindowLongPtr(hwnd, DWLP_USER));
  const int id = LOWORD(wParam);
  if (id == IDCANCEL && GetDlgItem(hwnd, IDCANCEL) == nullptr) {
    // Esc or closing a box without a Cancel button: only a lone OK box can be dismissed.
    if (info && (info->flags & MB_TYPEMASK) == MB_OK) EndDialog(hwnd, IDOK);
    return TRUE;
  }
  if (GetDlgItem(hwnd, id)) EndDialog(hwnd, id);
  return TRUE;
}

int TextLines(const std::string& text, int charsPerLine) {
  int lines = 1;
  int column = 0;
  for (char c : text) {
    if (c == '\n' || ++column > charsPerLine) {
      ++lines;
      column = 0;
    }
  }
  return lines;
}

// A box shows at most this much of its text, the rest cut at an ellipsis: past it no person
// reads on, and a window's text has a bound of its own.
constexpr std::size_t kMostShownChars = 4000;
constexpr int kMostShownLines = 40;

std::string BoundedText(const std::string& text) {
  std::size_t cut = std::min(text.size(), kMostShownChars);
  int lines = 1;
  for (std::size_t i = 0; i < cut; ++i)
    if (text[i] == '\n' && ++lines > kMostShownLines) cut = i;
  if (cut == text.size()) return text;
  // Never inside a UTF-8 sequence.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

}  // namespace

int ShowMessageBoxDialog(HWND owner, const std::string& shownText, const std::string& caption, UINT flags) {
  const std::string text = BoundedText(shownText);
  const auto buttons = ButtonsFor(flags);
  constexpr int kButtonWidth = 50;
  constexpr int kButtonHeight = 14;
  constexpr int kGap = 6;
  constexpr int kCharsPerLine = 60;
  int longest = 0;
  int column = 0;
  for (char c : text) {
    column = c == '\n' ? 0 : column + 1;
    longest = std::max(longest, std::min(column, kCharsPerLine));
  }
  const int textWidth = std::max(longest * 4, 60);
  const int textHeight = TextLines(text, kCharsPerLine) * 8;
  const int buttonsWidth = static_cast<int>(buttons.size()) * (kButtonWidth + kGap) - kGap;
  const int width = std::max(textWidth, buttonsWidth) + 2 * 10;

  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  t.caption = caption.empty() ? "Error" : caption;
  t.cx = width;
  t.cy = 10 + textHeight + 10 + kButtonHeight + 8;
  DialogItemTemplate label;
  label.className = "Static";
  label.text = text;
  label.id = kMessageBoxTextId;
  label.style = WS_VISIBLE | SS_LEFT | SS_EDITCONTROL;
  label.x = 10;
  label.y = 10;
  label.cx = textWidth;
  label.cy = textHeight;
  t.items.push_back(label);
  int defaultIndex = static_cast<int>((flags & MB_DEFMASK) >> 8);
  if (defaultIndex >= static_cast<int>(buttons.size())) defaultIndex = 0;
  int x = (width - buttonsWidth) / 2;
  for (size_t i = 0; i < buttons.size(); ++i) {
    DialogItemTemplate b;
    b.className = "Button";
    b.text = buttons[i].text;
    b.id = buttons[i].id;
    b.style = WS_VISIBLE | WS_TABSTOP | (static_cast<int>(i) == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (i == 0) b.style |= WS_GROUP;
    b.x = x;
    b.y = 10 + textHeight + 10;
    b.cx = kButtonWidth;
    b.cy = kButtonHeight;
    t.items.push_back(b);
    x += kButtonWidth + kGap;
  }
  BoxInfo info{flags, buttons[static_cast<size_t>(defaultIndex)].id};
  if (!owner) owner = GetActiveWindow();
  const INT_PTR result = DialogBoxIndirectParam(nullptr, t, owner, BoxProc, reinterpret_cast<LPARAM>(&info));
  const bool known = std::any_of(buttons.begin(), buttons.end(), [&](const Button& b) { return b.id == result; });
  // A box that could not be shown, or whose loop ran out of script, is answered as if dismissed.
  return known ? static_cast<int>(result) : DismissAnswer(flags);
}

void InstallWindowMessageBoxes() {
  // A handler already in place (a test's recorder) stays: it was installed on purpose.
  MessageBoxHandler previous = SetMessageBoxHandler(ShowMessageBoxDialog);
  if (previous) SetMessageBoxHandler(std::move(previous));
}

}  // namespace platform
