#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/gdi/gdiplus.h"
#include "platform/gdi/image_file.h"
#include "platform/gdi/tests/gdi_test_util.h"

namespace {

std::string Temp(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/" + name;
}

TEST(GdiPlus, ThumbnailOfAPictureIsFittedOverOpaqueBlack) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  ASSERT_EQ(Gdiplus::Ok, Gdiplus::GdiplusStartup(&token, &input, nullptr));
  // A 160x60 picture, wider than the 80x60 box: it fits at 80x30, centred.
  Canvas pic(160, 60, RGB(250, 200, 0));
  ASSERT_TRUE(platform::gdi::SavePngFile(platform::gdi::GetTargetBitmap(pic.dc), Temp("wide.png")));
  std::wstring wide;
  for (char ch : Temp("wide.png")) wide += static_cast<wchar_t>(ch);
  Gdiplus::Image image(wide.c_str());
  ASSERT_NE(0u, image.GetFlags());
  EXPECT_EQ(160u, image.GetWidth());
  Gdiplus::Bitmap thumb(80, 60, Gdiplus::PixelFormat24bppRGB);
  {
    Gdiplus::Graphics g(&thumb);
    EXPECT_EQ(Gdiplus::Ok, g.Clear(Gdiplus::Color(255, 0, 0, 0)));
    EXPECT_EQ(Gdiplus::Ok, g.DrawImage(&image, 0, 15, 80, 30));
  }
  HBITMAP out = nullptr;
  ASSERT_EQ(Gdiplus::Ok, thumb.GetHBITMAP(Gdiplus::Color(0, 0, 0), &out));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, out);
  EXPECT_EQ(RGB(250, 200, 0), GetPixel(dc, 40, 30));
  EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 40, 5));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(out);
  // An unreadable file: flags 0 and a failed status, nothing drawn.
  Gdiplus::Image missing(std::string(Temp("missing.jpg")));
  EXPECT_EQ(0u, missing.GetFlags());
  EXPECT_NE(Gdiplus::Ok, missing.GetLastStatus());
  Gdiplus::Graphics g2(&thumb);
  EXPECT_EQ(Gdiplus::InvalidParameter, g2.DrawImage(&missing, 0, 0, 10, 10));
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace
