#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "gallery_picture.h"
#include "platform/base/paths.h"
#include "platform/window/window.h"

namespace {

TEST(Gallery, WritesThePictureOfItsDialog) {
  const std::string path = platform::TempFolder() + "gallery.png";
  std::string error;
  ASSERT_TRUE(platform::WriteGalleryPicture("VidarroGalleryUI.dll", path, &error)) << error;
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  EXPECT_EQ(FindWindow("#32770", "Vidarro window gallery"), nullptr);  // closed after
}

TEST(Gallery, ReportsAMissingResourceLibrary) {
  std::string error;
  EXPECT_FALSE(platform::WriteGalleryPicture("NoSuchGalleryUI.dll", platform::TempFolder() + "none.png", &error));
  EXPECT_NE(error.find("NoSuchGalleryUI.dll is not loaded"), std::string::npos);
}

}  // namespace
