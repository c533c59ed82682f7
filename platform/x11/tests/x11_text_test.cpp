#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "platform/window/wm_messages.h"
#include "platform/x11/uri_list.h"
#include "platform/x11/x11_keys.h"

namespace {

using platform::x11::PathsFromUriList;
using platform::x11::Utf8FromKeysym;
using platform::x11::VirtualKeyFromKeysym;

TEST(X11Keys, KeysymsBecomeTheVirtualKeysOfTheirKeys) {
  EXPECT_EQ(VirtualKeyFromKeysym(XK_a), 'A');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Z), 'Z');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_7), '7');
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_3), VK_NUMPAD0 + 3);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_F10), VK_F10);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_KP_Enter), VK_RETURN);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_Shift_R), VK_SHIFT);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_ISO_Left_Tab), VK_TAB);
  EXPECT_EQ(VirtualKeyFromKeysym(XK_slash), VK_OEM_2);
  // Keys the window system has no key for are left out, not guessed.
  EXPECT_EQ(VirtualKeyFromKeysym(XK_eacute), 0);
  EXPECT_EQ(VirtualKeyFromKeysym(0), 0);
  EXPECT_EQ(VirtualKeyFromKeysym(0x1008FF13 /* a media key */), 0);
}

TEST(X11Keys, CharacterKeysymsGiveUtf8Text) {
  EXPECT_EQ(Utf8FromKeysym(XK_A), "A");
  EXPECT_EQ(Utf8FromKeysym(XK_eacute), "\xC3\xA9");
  EXPECT_EQ(Utf8FromKeysym(0x010020AC), "\xE2\x82\xAC");      // euro sign by its Unicode keysym
  EXPECT_EQ(Utf8FromKeysym(0x0101F600), "\xF0\x9F\x98\x80");  // beyond the basic plane
  EXPECT_EQ(Utf8FromKeysym(0x0100D800), "");                  // a lone surrogate is no character
  EXPECT_EQ(Utf8FromKeysym(XK_Return), "");
  EXPECT_EQ(Utf8FromKeysym(XK_Left), "");
}

TEST(UriList, LocalFileUrisBecomeDecodedPaths) {
  const auto paths = PathsFromUriList(
      "# dragged from the file manager\r\n"
      "file:///home/ann/My%20Clips/holiday.mpg\r\n"
      "file://localhost/tmp/caf%C3%A9.avi\r\n"
      "FILE:///tmp/upper.wav\n"
      "\r\n"
      "file:///tmp/last.mp4");
  ASSERT_EQ(paths.size(), 4u);
  EXPECT_EQ(paths[0], "/home/ann/My Clips/holiday.mpg");
  EXPECT_EQ(paths[1], "/tmp/caf\xC3\xA9.avi");
  EXPECT_EQ(paths[2], "/tmp/upper.wav");
  EXPECT_EQ(paths[3], "/tmp/last.mp4");
}

TEST(UriList, WhatIsNoLocalFileIsSkipped) {
  EXPECT_TRUE(PathsFromUriList("").empty());
  EXPECT_TRUE(PathsFromUriList("http://example.org/clip.mpg\r\n").empty());
  EXPECT_TRUE(PathsFromUriList("file://otherhost/tmp/clip.mpg\r\n").empty());
  EXPECT_TRUE(PathsFromUriList("file:///tmp/bad%2\r\n").empty());
  EXPECT_TRUE(PathsFromUriList("file:///tmp/bad%zz\r\n").empty());
  EXPECT_TRUE(PathsFromUriList("file:///tmp/nul%00byte\r\n").empty());
  EXPECT_TRUE(PathsFromUriList("file:").empty());
  EXPECT_EQ(PathsFromUriList("file:///tmp/bad%2\r\nfile:///tmp/good\r\n"), std::vector<std::string>{"/tmp/good"});
}

}  // namespace
