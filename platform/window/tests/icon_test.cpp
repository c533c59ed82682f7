#include <gtest/gtest.h>

#include "platform/base/module.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/draw.h"
#include "platform/gdi/icon.h"
#include "platform/gdi/objects.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"
#include "platform/testkit/window_log.h"

namespace {

constexpr UINT IDI_BADGE = 201;
constexpr COLORREF kGround = RGB(0, 160, 0);

// Draws an icon on a green 16x16 ground and returns the picture's pixels.
struct Drawn {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  explicit Drawn(HICON icon, int size = 16) {
    bitmap = CreateBitmap(size, size, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, size, size};
    HBRUSH ground = CreateSolidBrush(kGround);
    FillRect(dc, &all, ground);
    DeleteObject(ground);
    ok = size == 16 ? DrawIcon(dc, 0, 0, icon) : DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  }
  ~Drawn() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  BOOL ok = FALSE;
};

class Icons : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibrary("WindowIconsUI.dll");
    ASSERT_NE(module, nullptr);
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  HMODULE module = nullptr;
};

TEST_F(Icons, IconsOfAResourceLibraryLoadAndDrawWithTheirTransparency) {
  auto icon = static_cast<HICON>(LoadImage(module, MAKEINTRESOURCE(IDI_BADGE), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP bm{};
  GetObject(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);

  Drawn d(icon);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.At(5, 10), RGB(255, 0, 0));   // left half
  EXPECT_EQ(d.At(12, 10), RGB(0, 0, 255));  // right half
  EXPECT_EQ(d.At(1, 1), kGround);           // the masked corner lets the ground through

  // Stretched by DrawIconEx: the halves scale with it.
  Drawn big(icon, 32);
  ASSERT_TRUE(big.ok);
  EXPECT_EQ(big.At(10, 20), RGB(255, 0, 0));
  EXPECT_EQ(big.At(24, 20), RGB(0, 0, 255));
  EXPECT_EQ(big.At(2, 2), kGround);
  DestroyIcon(icon);
}

TEST_F(Icons, NamedIconsAndTheApplicationChainFindThemToo) {
  auto named = static_cast<HICON>(LoadImage(module, "BADGE", IMAGE_ICON, 0, 0, 0));
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(Drawn(named).At(5, 10), RGB(255, 0, 0));
  DestroyIcon(named);

  HINSTANCE saved = AfxGetResourceHandle();
  AfxSetResourceHandle(module);
  CWinApp app;
  HICON fromApp = app.LoadIcon(IDI_BADGE);
  AfxSetResourceHandle(saved);
  ASSERT_NE(fromApp, nullptr);
  EXPECT_EQ(Drawn(fromApp).At(12, 10), RGB(0, 0, 255));
  DestroyIcon(fromApp);

  // The drawing layer's LoadIcon finds a module's icon too.
  HICON loaded = LoadIcon(module, MAKEINTRESOURCE(IDI_BADGE));
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Drawn(loaded).At(5, 10), RGB(255, 0, 0));
  DestroyIcon(loaded);
  EXPECT_EQ(LoadIcon(module, MAKEINTRESOURCE(999)), nullptr);

  // Unknown ids and modules give NULL.
  EXPECT_EQ(LoadImage(module, MAKEINTRESOURCE(999), IMAGE_ICON, 0, 0, 0), nullptr);
  EXPECT_EQ(LoadImage(nullptr, MAKEINTRESOURCE(IDI_BADGE), IMAGE_ICON, 0, 0, 0), nullptr);
  EXPECT_EQ(app.LoadIcon(999), nullptr);
}

}  // namespace

TEST_F(Icons, AWindowKeepsItsBigAndSmallIconsApart) {
  HWND window = CreateWindowEx(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  HICON big = LoadIcon(module, MAKEINTRESOURCE(IDI_BADGE));
  HICON small = LoadIcon(module, "BADGE");
  EXPECT_EQ(SendMessage(window, WM_GETICON, 1, 0), 0);
  EXPECT_EQ(SendMessage(window, WM_SETICON, 1, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(SendMessage(window, WM_SETICON, 0, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_GETICON, 1, 0)), big);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_GETICON, 0, 0)), small);
  // Setting none takes the icon away and hands back the one it had.
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessage(window, WM_SETICON, 1, 0)), big);
  EXPECT_EQ(SendMessage(window, WM_GETICON, 1, 0), 0);
  DestroyWindow(window);
  DestroyIcon(big);
  DestroyIcon(small);
}
