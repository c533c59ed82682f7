// Prints how long a full repaint of a 1000x680 dialog with 40 skinned children takes, and 1000
// BitBlt calls of 64x64, against the 16.7 ms of one frame at 60 Hz.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/controls/commctrl.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/window/window_surface.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 680;
constexpr int kChildren = 40;
constexpr int kFrameW = 96;
constexpr int kFrameH = 32;
constexpr double kFrameMs = 1000.0 / 60.0;

HBITMAP g_strip = nullptr;  // five frames side by side, as skin buttons keep them
HBRUSH g_ground = nullptr;

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

LRESULT SkinProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
      HDC mem = CreateCompatibleDC(dc);
      HGDIOBJ old = SelectObject(mem, g_strip);
      int frame = static_cast<int>(reinterpret_cast<intptr_t>(GetProp(hwnd, "frame")));
      BitBlt(dc, 0, 0, kFrameW, kFrameH, mem, frame * kFrameW, 0, SRCCOPY);
      SelectObject(mem, old);
      DeleteDC(mem);
      char text[32];
      GetWindowText(hwnd, text, sizeof(text));
      RECT r{0, 0, kFrameW, kFrameH};
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      DrawText(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) {
      RECT all{0, 0, kWidth, kHeight};
      FillRect(dc, &all, g_ground);
      HBRUSH frame = CreateSolidBrush(RGB(40, 60, 90));
      FrameRect(dc, &all, frame);
      DeleteObject(frame);
    }
    EndPaint(hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void Pump() {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

HBITMAP MakeStrip() {
  HBITMAP strip = CreateBitmap(kFrameW * 5, kFrameH, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, strip);
  for (int f = 0; f < 5; ++f) {
    RECT r{f * kFrameW, 0, (f + 1) * kFrameW, kFrameH};
    HBRUSH b = CreateSolidBrush(f == 4 ? RGB(255, 0, 0) : RGB(30 + f * 40, 90, 160 - f * 20));
    FillRect(dc, &r, b);
    DeleteObject(b);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  return strip;
}

}  // namespace

int main() {
  InitCommonControls();
  g_strip = MakeStrip();
  g_ground = CreateSolidBrush(RGB(235, 238, 242));
  WNDCLASS wc;
  wc.lpfnWndProc = DialogProc;
  wc.lpszClassName = "BenchDialog";
  RegisterClass(&wc);
  wc.lpfnWndProc = SkinProc;
  wc.lpszClassName = "BenchSkin";
  RegisterClass(&wc);
  HWND dialog = CreateWindowEx(0, "BenchDialog", "Bench", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr,
                               nullptr, nullptr, nullptr);
  for (int i = 0; i < kChildren; ++i) {
    int x = 20 + (i % 8) * (kFrameW + 24), y = 20 + (i / 8) * (kFrameH + 90);
    std::string name = "Button " + std::to_string(i + 1);
    HWND c = CreateWindowEx(0, "BenchSkin", name.c_str(), WS_CHILD | WS_VISIBLE, x, y, kFrameW, kFrameH, dialog,
                            reinterpret_cast<HMENU>(static_cast<intptr_t>(1000 + i)), nullptr, nullptr);
    SetProp(c, "frame", reinterpret_cast<HANDLE>(static_cast<intptr_t>(i % 4)));
    // Every other child is shaped by a region, as skinned buttons are.
    if (i % 2) SetWindowRgn(c, CreateRoundRectRgn(0, 0, kFrameW, kFrameH, 12, 12), FALSE);
  }
  Pump();
  UpdateWindow(dialog);
  Pump();

  const int repaints = 50;
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < repaints; ++i)
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  double paintMs = Ms(std::chrono::steady_clock::now() - t0) / repaints;

  platform::PixelImage image;
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < repaints; ++i) {
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    platform::ComposeWindow(dialog, &image);
  }
  double composeMs = Ms(std::chrono::steady_clock::now() - t0) / repaints;

  // 1000 blits of 64x64 between memory DCs, and onto a window's surface.
  HDC src = CreateCompatibleDC(nullptr), dst = CreateCompatibleDC(nullptr);
  HBITMAP a = CreateBitmap(256, 256, 1, 32, nullptr), b = CreateBitmap(1000, 680, 1, 32, nullptr);
  HGDIOBJ oa = SelectObject(src, a), ob = SelectObject(dst, b);
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) BitBlt(dst, (i * 37) % 930, (i * 53) % 610, 64, 64, src, (i * 7) % 192, 0, SRCCOPY);
  double blitMs = Ms(std::chrono::steady_clock::now() - t0);
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i)
    TransparentBlt(dst, (i * 37) % 930, (i * 53) % 610, 64, 64, src, 0, 0, 64, 64, RGB(255, 0, 0));
  double keyedMs = Ms(std::chrono::steady_clock::now() - t0);
  HDC window = GetDC(dialog);
  t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < 1000; ++i) BitBlt(window, (i * 37) % 930, (i * 53) % 610, 64, 64, src, 0, 0, SRCCOPY);
  double windowBlitMs = Ms(std::chrono::steady_clock::now() - t0);
  ReleaseDC(dialog, window);
  SelectObject(src, oa);
  SelectObject(dst, ob);
  DeleteDC(src);
  DeleteDC(dst);
  DeleteObject(a);
  DeleteObject(b);

  std::printf("full repaint, 1000x680 dialog, %d skinned children: %.3f ms (%.1f%% of a 60 Hz frame)\n", kChildren,
              paintMs, 100.0 * paintMs / kFrameMs);
  std::printf("full repaint plus composing the window picture:  %.3f ms (%.1f%% of a frame)\n", composeMs,
              100.0 * composeMs / kFrameMs);
  std::printf("1000 BitBlt 64x64, memory to memory:  %.3f ms\n", blitMs);
  std::printf("1000 TransparentBlt 64x64:            %.3f ms (%.2fx BitBlt)\n", keyedMs, keyedMs / blitMs);
  std::printf("1000 BitBlt 64x64, memory to window:  %.3f ms (%.2fx memory to memory)\n", windowBlitMs,
              windowBlitMs / blitMs);
  DestroyWindow(dialog);
  Pump();
  DeleteObject(g_strip);
  DeleteObject(g_ground);
  return 0;
}
