// The title menu's pages: how titles fall on pages, the buttons' places on NTSC and PAL pictures,
// the drawn pages and the control files the authoring tools read.
#include "platform/disc/dvd_menu.h"

#include <gtest/gtest.h>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/image_file.h"
#include "platform/testkit/testkit.h"

namespace platform::disc {
namespace {

TEST(DvdMenuLayout, SixTitlesAPageWithNextAndPreviousBetweenPages) {
  EXPECT_EQ(LayoutMenu(0, true).size(), 1u);
  EXPECT_EQ(LayoutMenu(6, true).size(), 1u);
  EXPECT_EQ(LayoutMenu(6, true)[0].buttons.size(), 6u);  // no Next on the only page
  const auto pages = LayoutMenu(13, true);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0].buttons.back().command, "jump menu 2;");
  EXPECT_EQ(pages[1].buttons[6].command, "jump menu 1;");
  EXPECT_EQ(pages[1].buttons[7].command, "jump menu 3;");
  EXPECT_EQ(pages[2].buttons[0].command, "jump title 13;");
  EXPECT_EQ(pages[2].buttons.size(), 2u);
  EXPECT_EQ(MenuPageOfTitle(6), 1);
  EXPECT_EQ(MenuPageOfTitle(7), 2);
  for (const bool ntsc : {true, false}) {
    const auto many = LayoutMenu(99, ntsc);
    for (const MenuButton& b : many[1].buttons) {
      // The subpicture's interlaced lines: buttons start and end on even ones, inside the picture.
      EXPECT_EQ(b.y0 % 2, 0);
      EXPECT_EQ(b.y1 % 2, 0);
      EXPECT_LT(b.x0, b.x1);
      EXPECT_LE(b.x1, 720);
      EXPECT_LE(b.y1, ntsc ? 480 : 576);
    }
  }
}

TEST(DvdMenuPictures, ATitleWithoutAPictureGetsItsNameAloneAndOddNamesStayText) {
  testkit::Environment env(testkit::CurrentTestName());
  const auto pages = LayoutMenu(2, false);
  const std::vector<MenuTitle> titles = {{"Holiday", env.Temp() + "no such picture.png"},
                                         {std::string(300, 'n') + "\"<quoted>\"\n$(rm -rf ~)", ""}};
  const MenuPictures out{env.Temp() + "bg.png", env.Temp() + "n.png", env.Temp() + "h.png", env.Temp() + "s.png"};
  ASSERT_TRUE(DrawMenuPage(pages, 0, titles, "Disc & <name>", false, out));
  HBITMAP picture = gdi::LoadImageFile(out.background);
  ASSERT_NE(picture, nullptr);
  BITMAP info{};
  GetObject(picture, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 720);
  EXPECT_EQ(info.bmHeight, 576);
  DeleteObject(picture);
  EXPECT_FALSE(DrawMenuPage(pages, 1, titles, "x", false, out));

  const std::string spumux = SpumuxXml(pages[0], MenuPictures{"a&b.png", "n.png", "h.png", "s.png"});
  EXPECT_NE(spumux.find("image=\"n.png\" highlight=\"h.png\" select=\"s.png\""), std::string::npos) << spumux;
  EXPECT_NE(spumux.find("transparent=\"000000\""), std::string::npos);
  EXPECT_NE(spumux.find("<button name=\"t2\""), std::string::npos);
  const std::string dvd = MenuDiscXml(
      pages, {"menu1.mpg"}, {{{"a \"b\".mpg"}, "0,0:05:00", false, "mp2"}, {{"c.mpg"}, "0", true, "ac3"}}, false);
  EXPECT_NE(dvd.find("<fpc>jump vmgm menu 1;</fpc>"), std::string::npos) << dvd;
  EXPECT_NE(dvd.find("<vob file=\"a &quot;b&quot;.mpg\" chapters=\"0,0:05:00\"/>"), std::string::npos) << dvd;
  EXPECT_NE(dvd.find("<post>call vmgm menu 1;</post>"), std::string::npos);
  EXPECT_NE(dvd.find("format=\"pal\""), std::string::npos);
  EXPECT_EQ(XmlEscaped("<a & 'b'>\n"), "&lt;a &amp; &apos;b&apos;&gt;&#10;");
}

}  // namespace
}  // namespace platform::disc
