#include "widgets/tests/widget_harness.h"

#include <filesystem>

#include "platform/base/module.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/window/focus.h"
#include "platform/window/resources.h"
#include "platform/window/window_surface.h"

namespace widgettest {

LRESULT RecordingParent::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  Event e{msg, wParam, lParam};
  switch (msg) {
    case WM_ERASEBKGND:
      if (background != CLR_INVALID) {
        RECT all;
        ::GetClientRect(m_hWnd, &all);
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(reinterpret_cast<HDC>(wParam), &all, brush);
        DeleteObject(brush);
        return 1;
      }
      break;
    case WM_COMMAND:
      e.id = LOWORD(wParam);
      e.code = HIWORD(wParam);
      events.push_back(e);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      e.code = LOWORD(wParam);
      e.pos = static_cast<short>(HIWORD(wParam));
      events.push_back(e);
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      e.id = static_cast<int>(hdr->idFrom);
      e.code = hdr->code;
      if (hdr->code == UDN_DELTAPOS) e.pos = reinterpret_cast<NMUPDOWN*>(lParam)->iDelta;
      events.push_back(e);
      break;
    }
    default:
      if (msg >= WM_USER) {
        e.id = static_cast<int>(wParam);
        e.pos = static_cast<int>(lParam);
        events.push_back(e);
        return 0;
      }
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

namespace {

const char* ParentClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "WidgetTestParent";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "WidgetTestParent";
}

POINT Screen(HWND hwnd, int x, int y) {
  POINT p{x, y};
  ClientToScreen(hwnd, &p);
  return p;
}

}  // namespace

void WidgetTest::SetUp() {
  scoped_ = std::make_unique<platform::ScopedClock>(clock_);
  InitCommonControls();
  ui_ = LoadLibrary("Vidarro5UI.dll");
  ASSERT_NE(ui_, nullptr) << "the UI resource library is built with the tests";
  ASSERT_TRUE(parent_.CreateEx(0, ParentClass(), "Widgets", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                               RECT{100, 100, 740, 580}, nullptr, 0));
  Pump();
}

void WidgetTest::TearDown() {
  if (parent_.m_hWnd) parent_.DestroyWindow();
  Pump();
  platform::ResetInputState();
  if (ui_) FreeLibrary(ui_);
  scoped_.reset();
}

HWND WidgetTest::Make(const char* cls, const char* text, DWORD style, RECT r, int id, DWORD exStyle) {
  HWND h = CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, parent_.m_hWnd, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr,
                          nullptr);
  Pump();
  return h;
}

void WidgetTest::Pump() {
  for (int round = 0; round < 5; ++round) {
    MSG m;
    int n = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (!AfxWalkPreTranslateTree(parent_.m_hWnd, &m)) {
        TranslateMessage(&m);
        DispatchMessage(&m);
      }
      ++n;
    }
    if (!n) break;
  }
}

void WidgetTest::Click(HWND hwnd, int x, int y) {
  platform::InjectClick(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void WidgetTest::Down(HWND hwnd, int x, int y) {
  platform::InjectMouseDown(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void WidgetTest::Move(HWND hwnd, int x, int y) {
  platform::InjectMouseMove(Screen(hwnd, x, y));
  Pump();
}
void WidgetTest::Up(HWND hwnd, int x, int y) {
  platform::InjectMouseUp(platform::MouseButton::Left, Screen(hwnd, x, y));
  Pump();
}
void WidgetTest::Key(HWND hwnd, int vk) {
  SetFocus(hwnd);
  platform::InjectKey(vk);
  Pump();
}
void WidgetTest::Advance(int ms) {
  clock_.Advance(static_cast<std::uint64_t>(ms));
  Pump();
}

void WidgetTest::Settle() {
  // Painting one window can leave another to paint: settle twice.
  for (int round = 0; round < 2; ++round) {
    RedrawWindow(parent_.m_hWnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
  }
}

COLORREF WidgetTest::Pixel(HWND hwnd, int x, int y) {
  Settle();
  platform::PixelImage img;
  if (!platform::ComposeWindow(parent_.m_hWnd, &img)) return CLR_INVALID;
  POINT p = Screen(hwnd, x, y);
  RECT pr;
  GetWindowRect(parent_.m_hWnd, &pr);
  const int px = p.x - pr.left, py = p.y - pr.top;
  if (px < 0 || py < 0 || px >= img.width || py >= img.height) return CLR_INVALID;
  const uint32_t v = img.pixels[static_cast<size_t>(py) * img.width + px];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

COLORREF WidgetTest::StripPixel(UINT id, int x, int y) {
  HBITMAP strip = LoadBitmap(ui_, MAKEINTRESOURCE(id));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, strip);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(strip);
  return c;
}

std::vector<Event> WidgetTest::Of(UINT msg) const {
  std::vector<Event> out;
  for (const Event& e : parent_.events)
    if (e.msg == msg) out.push_back(e);
  return out;
}

void WidgetTest::WritePicture(const std::string& name) {
  Settle();
  const std::string folder = VIDARRO_PICTURE_DIR;
  std::filesystem::create_directories(folder);
  platform::WriteWindowPng(parent_.m_hWnd, folder + "/" + name + ".png");
}

}  // namespace widgettest
