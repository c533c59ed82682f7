#include <gtest/gtest.h>

#include <map>

#include "platform/controls/commctrl.h"
#include "platform/window/monitors.h"
#include "platform/window/paint.h"
#include "platform/window/templates.h"
#include "platform/window/window_surface.h"
#include "test_support.h"

using namespace wintest;

namespace {

// Every window shows one colour; regions cut away everything right of x = 10.
struct SolidWindows : platform::WindowSurfaceProvider {
  std::map<HWND, std::uint32_t> colours;
  std::vector<std::pair<HWND, RECT>> acquired;
  HDC AcquireDC(HWND hwnd, bool, const RECT& clip) override {
    acquired.emplace_back(hwnd, clip);
    return DwordToHandle<HDC>(0x100);
  }
  void ReleaseDC(HWND, HDC) override {}
  bool RegionContains(HRGN, int x, int) override { return x < 10; }
  bool RegionBox(HRGN, RECT* box) override { return *box = RECT{0, 0, 10, 10}, true; }
  bool CopyRegion(HRGN, HRGN) override { return true; }
  void DeleteRegion(HRGN) override {}
  bool WindowPixels(HWND hwnd, platform::PixelImage* out) override {
    auto it = colours.find(hwnd);
    if (it == colours.end()) return false;
    RECT r{};
    GetWindowRect(hwnd, &r);
    out->width = r.right - r.left;
    out->height = r.bottom - r.top;
    out->pixels.assign(static_cast<size_t>(out->width) * out->height, it->second);
    return true;
  }
  bool WritePng(const platform::PixelImage&, const std::string&) override { return true; }
};

class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    // The controls install the real surfaces when they register; that happens first, not under the test.
    InitCommonControls();
    platform::SetVirtualMonitors({{RECT{0, 0, 200, 100}, RECT{0, 0, 200, 90}}});
    platform::SetWindowSurfaceProvider(&provider);
  }
  void TearDown() override {
    ResetWindows();
    platform::SetWindowSurfaceProvider(nullptr);
    platform::SetVirtualMonitors({});
  }
  std::uint32_t At(const platform::PixelImage& image, int x, int y) {
    return image.pixels[static_cast<size_t>(y) * image.width + x];
  }
  SolidWindows provider;
};

TEST_F(Screen, ComposesVisibleWindowsInZOrderWithChildrenClippedToTheirParent) {
  HWND back = MakeTop("back", WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  HWND front = MakeTop("front", WS_POPUP | WS_VISIBLE, RECT{50, 0, 150, 50});
  HWND child = MakeChild(back, 1, RECT{90, 60, 140, 80});  // sticks out of its parent
  HWND hidden = MakeTop("hidden", WS_POPUP, RECT{0, 0, 200, 100});
  provider.colours = {{back, 0x111111}, {front, 0x222222}, {child, 0x333333}, {hidden, 0x444444}};
  platform::PixelImage screen;
  ASSERT_TRUE(platform::ComposeScreen(&screen));
  EXPECT_EQ(screen.width, 200);
  EXPECT_EQ(screen.height, 100);
  EXPECT_EQ(At(screen, 10, 10), 0x111111u);
  EXPECT_EQ(At(screen, 60, 10), 0x222222u);  // front covers back
  EXPECT_EQ(At(screen, 95, 70), 0x333333u);
  EXPECT_NE(At(screen, 120, 70), 0x333333u);  // outside the parent: not shown
  EXPECT_NE(At(screen, 180, 90), 0x444444u);  // hidden windows are not shown
  SetWindowRgn(front, DwordToHandle<HRGN>(0x55), FALSE);
  ASSERT_TRUE(platform::ComposeScreen(&screen));
  EXPECT_EQ(At(screen, 55, 10), 0x222222u);
  EXPECT_EQ(At(screen, 70, 10), 0x111111u);  // cut away by the region
  platform::PixelImage one;
  ASSERT_TRUE(platform::ComposeWindow(hidden, &one));  // a hidden window can still be pictured
  EXPECT_EQ(At(one, 0, 0), 0x444444u);
  EXPECT_FALSE(platform::ComposeWindow(DwordToHandle<HWND>(0x999998), &one));
}

struct CountingPresenter : platform::ScreenPresenter {
  int shown = 0;
  int width = 0;
  void Present(const platform::PixelImage& screen) override {
    ++shown;
    width = screen.width;
  }
};

TEST_F(Screen, ThePresenterSeesTheScreenOnlyAfterChanges) {
  CountingPresenter presenter;
  platform::SetScreenPresenter(&presenter);
  platform::PresentIfChanged();  // whatever came before
  const int before = presenter.shown;
  platform::PresentIfChanged();
  EXPECT_EQ(presenter.shown, before);
  HWND w = MakeTop("w", WS_POPUP | WS_VISIBLE, RECT{0, 0, 10, 10});
  Pump();
  platform::PresentIfChanged();
  EXPECT_EQ(presenter.shown, before + 1);
  EXPECT_EQ(presenter.width, 200);
  DestroyWindow(w);
  platform::PresentIfChanged();
  EXPECT_EQ(presenter.shown, before + 2);
  platform::SetScreenPresenter(nullptr);
}

TEST_F(Screen, PaintGetsTheUnionOfInvalidAreasAndADeviceContext) {
  HWND w = MakeTop("w", WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100});
  Pump();
  RECT a{10, 10, 20, 20};
  RECT b{30, 5, 40, 15};
  InvalidateRect(w, &a, FALSE);
  InvalidateRect(w, &b, TRUE);
  RECT update{};
  ASSERT_TRUE(GetUpdateRect(w, &update, FALSE));
  EXPECT_EQ(update.left, 10);
  EXPECT_EQ(update.top, 5);
  EXPECT_EQ(update.right, 40);
  EXPECT_EQ(update.bottom, 20);
  provider.acquired.clear();
  PAINTSTRUCT ps;
  ASSERT_NE(BeginPaint(w, &ps), nullptr);
  EXPECT_TRUE(EqualRect(&ps.rcPaint, &update));
  EndPaint(w, &ps);
  ASSERT_FALSE(provider.acquired.empty());
  EXPECT_EQ(provider.acquired.back().first, w);
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  RECT outside{500, 500, 600, 600};
  InvalidateRect(w, &outside, TRUE);  // nothing of the client: nothing to paint
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_VALIDATE);
  EXPECT_FALSE(GetUpdateRect(w, &update, FALSE));
}

TEST_F(Screen, PlacementMessagesAndMaximizeToTheWorkArea) {
  HWND w = MakeTop("w", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{10, 10, 60, 60});
  ClearLog();
  SetWindowPos(w, nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  EXPECT_EQ(MessagesOf(w, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}));
  ShowWindow(w, SW_MAXIMIZE);
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 90);
  EXPECT_TRUE(IsZoomed(w));
  ShowWindow(w, SW_RESTORE);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 20);
  EXPECT_EQ(r.right - r.left, 50);
  ShowWindow(w, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(w));
  ShowWindow(w, SW_RESTORE);
  EXPECT_FALSE(IsIconic(w));
}

TEST(Templates, RoundTripAndRefuseDamagedText) {
  platform::DialogTemplate t;
  t.caption = "Say \"hi\"\\\n";
  t.cx = 10;
  platform::DialogItemTemplate item;
  item.className = "Button";
  item.text = "tab\there";
  item.id = -1;
  item.style = 0x50010000;
  t.items.push_back(item);
  auto back = platform::ParseDialog(platform::SerializeDialog(t));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->caption, t.caption);
  EXPECT_EQ(back->items.at(0).text, "tab\there");
  EXPECT_EQ(back->items.at(0).id, -1);
  EXPECT_EQ(back->items.at(0).style, 0x50010000u);
  std::string text = platform::SerializeDialog(t);
  EXPECT_FALSE(platform::ParseDialog(text.substr(0, text.size() - 5)).has_value());
  EXPECT_FALSE(platform::ParseDialog("DIALOG 1 2 3").has_value());
  EXPECT_FALSE(platform::ParseDialog("DIALOG 0 0 0 0 0 0 8 99999999 \"\" \"\" \"\"\n").has_value());
  EXPECT_FALSE(platform::ParseDialog("").has_value());

  platform::MenuTemplate m;
  platform::MenuItemTemplate popup;
  popup.text = "File";
  popup.children.push_back(platform::MenuItemTemplate{"Open", 5, 0, {}});
  m.items.push_back(popup);
  auto menu = platform::ParseMenu(platform::SerializeMenu(m));
  ASSERT_TRUE(menu.has_value());
  EXPECT_EQ(menu->items.at(0).children.at(0).id, 5u);
  EXPECT_FALSE(platform::ParseMenu("MENU 1\nITEM 1 0 5 \"deeper than there are lines\"\n").has_value());
  std::string deep = "MENU 1\n";
  for (int i = 0; i < 40; ++i) deep += "ITEM 0 16 1 \"x\"\n";
  EXPECT_FALSE(platform::ParseMenu(deep).has_value());  // nesting is bounded
}

}  // namespace
