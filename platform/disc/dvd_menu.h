// A DVD-Video's title menu: pages of at most six title buttons (thumbnail and name) with Previous
// and Next, drawn as pictures for the menu's video and its subpicture layers, the spumux control
// file that makes them buttons, and the dvdauthor control file of a disc that starts in the menu
// and returns to it after each title. Names are drawn as text; nothing in them is interpreted.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform::disc {

constexpr int kMenuButtonsPerPage = 6;

struct MenuTitle {
  std::string name;
  std::string thumbnail;  // a picture file; empty or unreadable: the button shows the name alone
};

struct MenuButton {
  std::string name;     // spumux's and dvdauthor's button name
  std::string command;  // dvdauthor's command, e.g. "jump title 3;"
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int title = 0;  // the title's number (1-based); 0 for Previous and Next
};

struct MenuPage {
  std::vector<MenuButton> buttons;  // the page's titles in order, then Previous, then Next
};

// The pages of a menu for `titles` titles on a 720-wide NTSC (480) or PAL (576) picture.
std::vector<MenuPage> LayoutMenu(int titles, bool ntsc);
// The menu page (1-based) that holds the title's button.
int MenuPageOfTitle(int title);

struct MenuPictures {
  std::string background;  // the picture the menu's video shows
  std::string normal;      // subpicture layers: black is transparent
  std::string highlight;
  std::string select;
};

// Draws page `index` (0-based) of `pages` into the four PNG files; false when one cannot be written.
bool DrawMenuPage(const std::vector<MenuPage>& pages, int index, const std::vector<MenuTitle>& titles,
                  const std::string& discName, bool ntsc, const MenuPictures& out);

// spumux's control file for a page drawn into `pictures`.
std::string SpumuxXml(const MenuPage& page, const MenuPictures& pictures);

struct AuthoredTitle {
  // Shape and sound are given where they are known: a title without them is 4:3 of any sound.
  AuthoredTitle(std::vector<std::string> files = {}, std::string chapters = {}, bool wide = false,
                std::string sound = {})
      : files(std::move(files)), chapters(std::move(chapters)), wide(wide), sound(std::move(sound)) {}

  std::vector<std::string> files;  // program streams played one after the other
  std::string chapters;            // dvdauthor's chapter list of the first file, e.g. "0,0:05:00"
  bool wide = false;               // the streams are 16:9, else 4:3
  std::string sound;               // the streams' sound codec as ffprobe names it ("mp2", "ac3"); "" none
};
// dvdauthor's control file: first play shows menu page 1, each page's buttons jump to their titles
// and to the other pages, and each title returns to the page that holds its button. A titleset
// has one picture shape and one sound format for all its titles, so each run of titles alike in
// both gets its own; the disc's title numbers stay in the titles' order.
std::string MenuDiscXml(const std::vector<MenuPage>& pages, const std::vector<std::string>& menuFiles,
                        const std::vector<AuthoredTitle>& titles, bool ntsc);
// The same disc without a menu: it starts with the first title.
std::string PlainDiscXml(const std::vector<AuthoredTitle>& titles, bool ntsc);

// Text as an XML attribute or element value holds it.
std::string XmlEscaped(const std::string& text);

}  // namespace platform::disc
