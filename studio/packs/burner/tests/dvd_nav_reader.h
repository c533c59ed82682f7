// A small reader of a DVD-Video's navigation on libdvdread, for the tests: where first play goes,
// each menu page's buttons and what they do, where each title goes when it ends, and the menu's
// subpicture palette.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace studio::packs {

// What one navigation command does, as far as a menu disc uses it.
struct NavJump {
  enum Kind { None, Title, MenuPage } kind = None;
  int target = 0;   // the title (1-based) or the menu's program chain (1-based)
  std::string raw;  // the command's bytes in hex, for messages
};

struct NavButton {
  NavJump jump;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int up = 0, down = 0, left = 0, right = 0;  // 1-based button numbers the arrows go to
};

struct DvdNavigation {
  NavJump firstPlay;
  std::vector<std::vector<NavButton>> menuPages;  // the main menus' program chains in order
  std::vector<NavJump> titleEnds;                 // per title
  std::array<std::uint32_t, 16> palette{};        // the first menu's palette as 0xRRGGBB
  // The first page's button colours: [colour number - 1][0 highlighted, 1 activated], each
  // four palette indices and four alphas as the disc stores them.
  std::uint32_t buttonColors[3][2] = {};
  std::vector<int> buttonColorNumbers;  // the first page's buttons' colour numbers
};

// Reads an ISO image or a folder holding VIDEO_TS; false with *error when it cannot.
bool ReadDvdNavigation(const std::string& disc, DvdNavigation* navigation, std::string* error);

// Copies the main menus' video objects (VIDEO_TS.VOB) of a disc into `path`.
bool CopyMenuVideo(const std::string& disc, const std::string& path);

// The menu's first picture as a player shows it with button `highlighted` (1-based, 0: none):
// the video frame of `vob` (decoded by ffmpeg) under the subpicture, drawn in the disc's palette.
bool WriteMenuPicture(const std::string& vob, const DvdNavigation& navigation, int highlighted, const std::string& png,
                      std::string* error);

}  // namespace studio::packs
