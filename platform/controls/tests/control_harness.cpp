#include "platform/controls/tests/control_harness.h"

#include "platform/window/focus.h"

namespace ctltest {

ControlTest* ControlTest::current_ = nullptr;

namespace {

LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  ControlTest* t = ControlTest::current_;
  if (!t) return DefWindowProc(hwnd, msg, wParam, lParam);
  Event e;
  e.msg = msg;
  switch (msg) {
    case WM_COMMAND:
      e.id = LOWORD(wParam);
      e.code = HIWORD(wParam);
      t->events_.push_back(e);
      return 0;
    case WM_NOTIFY: {
      auto* h = reinterpret_cast<NMHDR*>(lParam);
      e.id = static_cast<int>(h->idFrom);
      e.code = h->code;
      char cls[32] = {};
      GetClassName(h->hwndFrom, cls, sizeof(cls));
      bool listView = std::string(cls) == WC_LISTVIEW;
      if (listView && (h->code == LVN_ITEMCHANGED || h->code == LVN_BEGINDRAG || h->code == NM_CLICK ||
                       h->code == LVN_DELETEITEM)) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        e.pos = nm->iItem;
        e.state = nm->uNewState;
      } else if (h->code == LVN_ENDLABELEDIT) {
        auto* di = reinterpret_cast<NMLVDISPINFO*>(lParam);
        e.pos = di->item.iItem;
        e.text = di->item.pszText ? di->item.pszText : "<cancel>";
      } else if (h->code == UDN_DELTAPOS) {
        auto* ud = reinterpret_cast<NMUPDOWN*>(lParam);
        e.pos = ud->iPos;
        e.state = static_cast<UINT>(ud->iDelta);
      }
      t->events_.push_back(e);
      return t->onNotify_ ? t->onNotify_(h) : 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL:
      e.code = LOWORD(wParam);
      e.pos = static_cast<short>(HIWORD(wParam));
      t->events_.push_back(e);
      return 0;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      e.id = static_cast<int>(dis->CtlID);
      e.state = dis->itemState;
      t->events_.push_back(e);
      FillRect(dis->hDC, &dis->rcItem, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (t->ctlColorBrush_) return reinterpret_cast<LRESULT>(t->ctlColorBrush_);
      break;
    default: break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

const char* ParentClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = ParentProc;
    wc.lpszClassName = "ControlTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "ControlTestParent";
}

}  // namespace

void ControlTest::SetUp() {
  scoped_ = std::make_unique<platform::ScopedClock>(clock_);
  InitCommonControls();
  current_ = this;
  parent_ = CreateWindowEx(0, ParentClass(), "Controls", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 600, 400,
                           nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, parent_);
  Pump();
}

void ControlTest::TearDown() {
  DestroyWindow(parent_);
  Pump();
  platform::ResetInputState();
  current_ = nullptr;
  if (ctlColorBrush_) DeleteObject(ctlColorBrush_);
  scoped_.reset();
}

HWND ControlTest::Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle) {
  HWND h =
      CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, parent_, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  Pump();
  return h;
}

void ControlTest::Pump() {
  for (int round = 0; round < 5; ++round) {
    MSG m;
    int n = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
      ++n;
    }
    if (!n) break;
  }
}

namespace {
POINT Screen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}
}  // namespace

void ControlTest::Click(HWND hwnd, int x, int y) {
  platform::InjectClick(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void ControlTest::Down(HWND hwnd, int x, int y) {
  platform::InjectMouseDown(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void ControlTest::Move(HWND hwnd, int x, int y) {
  platform::InjectMouseMove(Screen(hwnd, x, y));
  Pump();
}
void ControlTest::Up(HWND hwnd, int x, int y) {
  platform::InjectMouseUp(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}

void ControlTest::Advance(int ms) {
  clock_.Advance(static_cast<std::uint64_t>(ms));
  Pump();
}

COLORREF ControlTest::Pixel(HWND hwnd, int x, int y) {
  UpdateWindow(parent_);
  Pump();
  platform::PixelImage img;
  if (!platform::ComposeWindow(parent_, &img)) return CLR_INVALID;
  POINT p = Screen(hwnd, x, y);
  RECT pr;
  GetWindowRect(parent_, &pr);
  int px = p.x - pr.left, py = p.y - pr.top;
  if (px < 0 || py < 0 || px >= img.width || py >= img.height) return CLR_INVALID;
  uint32_t v = img.pixels[static_cast<size_t>(py) * img.width + px];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

std::vector<Event> ControlTest::Of(UINT msg) const {
  std::vector<Event> out;
  for (const Event& e : events_)
    if (e.msg == msg) out.push_back(e);
  return out;
}

std::vector<UINT> ControlTest::Codes(UINT msg) const {
  std::vector<UINT> out;
  for (const Event& e : events_)
    if (e.msg == msg) out.push_back(e.code);
  return out;
}

}  // namespace ctltest
