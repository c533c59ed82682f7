#include <gtest/gtest.h>

#include <filesystem>

#include "platform/controls/gallery_page.h"
#include "platform/gdi/afx_gdi.h"
#include "platform/gdi/image_file.h"
#include "platform/testkit/pictures.h"

namespace {

TEST(ControlsGallery, WritesThePageAndEveryControlPicture) {
  const std::string folder = testkit::PictureFolder() + "controls";
  std::filesystem::create_directories(folder);
  std::string error;
  auto files = platform::WriteControlsGalleryPage(folder, &error);
  ASSERT_FALSE(files.empty()) << error;
  EXPECT_GE(files.size(), 25u);
  for (const char* name :
       {"controls.png", "button_pressed.png", "button_disabled.png", "checkbox_checked.png", "radio_checked.png",
        "edit_focused.png", "combo_dropped.png", "listview_report.png", "treeview.png", "progress.png", "trackbar.png"})
    EXPECT_TRUE(std::filesystem::exists(folder + "/" + name)) << name;
  HBITMAP page = platform::gdi::LoadImageFile(folder + "/controls.png");
  ASSERT_NE(nullptr, page);
  BITMAP bm;
  GetObject(page, sizeof(bm), &bm);
  EXPECT_EQ(960, bm.bmWidth);
  // The page is drawn, not left black: its background is the button-face colour.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, page);
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), GetPixel(dc, 955, 5));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(page);
}

}  // namespace
