#include "platform/testkit/control_test.h"
#include "platform/gdi/image_file.h"
#include "platform/window/focus.h"

namespace ctltest {
using namespace testkit;
namespace {

COLORREF g_paintColour = RGB(255, 0, 0);
int g_paints = 0;
RECT g_lastPaint{};

LRESULT PainterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    ++g_paints;
    g_lastPaint = ps.rcPaint;
    RECT all;
    GetClientRect(hwnd, &all);
    HBRUSH b = CreateSolidBrush(g_paintColour);
    FillRect(dc, &all, b);  // asks for everything; the update area limits it
    DeleteObject(b);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

const char* PainterClass() {
  static bool once = [] {
    WNDCLASS wc;
    wc.lpfnWndProc = PainterProc;
    wc.lpszClassName = "PainterWindow";
    return RegisterClass(&wc) != 0;
  }();
  (void)once;
  return "PainterWindow";
}

using Painting = ControlTest;

TEST_F(Painting, PaintDcsAreClippedToTheUpdateArea) {
  g_paintColour = RGB(255, 0, 0);
  HWND w = Make(PainterClass(), "", 0, {10, 10, 110, 110}, 50);
  UpdateWindow(w);
  EXPECT_EQ(RGB(255, 0, 0), Pixel(w, 50, 50));
  g_paintColour = RGB(0, 0, 255);
  RECT part{0, 0, 20, 20};
  InvalidateRect(w, &part, FALSE);
  UpdateWindow(w);
  EXPECT_EQ(0, g_lastPaint.left);
  EXPECT_EQ(20, g_lastPaint.right);
  EXPECT_EQ(RGB(0, 0, 255), Pixel(w, 5, 5));
  EXPECT_EQ(RGB(255, 0, 0), Pixel(w, 50, 50));  // outside the update area: untouched
  // RedrawWindow with RDW_UPDATENOW paints at once, the whole client this time.
  g_paintColour = RGB(0, 128, 0);
  int before = g_paints;
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(g_paints, before);
  EXPECT_EQ(RGB(0, 128, 0), Pixel(w, 50, 50));
}

TEST_F(Painting, WindowDcsDrawAnywhereAndPicturesAreWritten) {
  HWND w = Make(PainterClass(), "", 0, {10, 10, 110, 110}, 51);
  UpdateWindow(w);
  HDC dc = GetDC(w);
  ASSERT_NE(nullptr, dc);
  SetPixel(dc, 70, 70, RGB(1, 2, 3));
  ReleaseDC(w, dc);
  EXPECT_EQ(RGB(1, 2, 3), Pixel(w, 70, 70));
  const std::string path = std::string(VIDARRO_TEST_BINARY_DIR) + "/painter.png";
  ASSERT_TRUE(platform::WriteWindowPng(w, path));
  HBITMAP pic = platform::gdi::LoadImageFile(path);
  ASSERT_NE(nullptr, pic);
  BITMAP bm;
  GetObject(pic, sizeof(bm), &bm);
  EXPECT_EQ(100, bm.bmWidth);
  DeleteObject(pic);
}

TEST_F(Painting, TheScreenDcMakesColourBitmaps) {
  HDC screen = GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  HBITMAP b = CreateCompatibleBitmap(screen, 80, 60);
  BITMAP bm;
  ASSERT_TRUE(GetObject(b, sizeof(bm), &bm));
  EXPECT_EQ(32, bm.bmBitsPixel);  // a thumbnail made against the screen is in colour
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP mono = CreateCompatibleBitmap(mem, 8, 8);
  GetObject(mono, sizeof(bm), &bm);
  EXPECT_EQ(1, bm.bmBitsPixel);  // ...and one made against a fresh memory DC is not, as in Win32
  DeleteObject(mono);
  DeleteDC(mem);
  DeleteObject(b);
  ReleaseDC(nullptr, screen);
}

TEST_F(Painting, WindowRegionsCutControlsOutOfThePicture) {
  g_paintColour = RGB(255, 0, 0);
  HWND w = Make(PainterClass(), "", 0, {10, 10, 110, 110}, 52);
  SetWindowRgn(w, CreateEllipticRgn(0, 0, 100, 100), TRUE);
  UpdateWindow(w);
  EXPECT_EQ(RGB(255, 0, 0), Pixel(w, 50, 50));
  EXPECT_NE(RGB(255, 0, 0), Pixel(w, 1, 1));  // outside the ellipse the parent shows
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(ERROR, GetWindowRgn(w, copy));
  EXPECT_TRUE(PtInRegion(copy, 50, 50));
  DeleteObject(copy);
}

}  // namespace
}  // namespace ctltest
