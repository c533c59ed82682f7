// Dialog and menu templates as resource data: plain structures and the text form in which the
// resource compiler stores them and the loaders read them back.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace platform {

struct DialogItemTemplate {
  std::string className;  // "Button", "Static", "Edit", ... or a registered class
  std::string text;
  int id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
  DWORD style = 0;
  DWORD exStyle = 0;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::string caption;
  std::string fontName;
  int pointSize = 8;
  std::string className;  // empty: the dialog class "#32770"
  std::vector<DialogItemTemplate> items;
};

struct MenuItemTemplate {
  std::string text;
  UINT id = 0;
  UINT flags = 0;  // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP...
  std::vector<MenuItemTemplate> children;
};

struct MenuTemplate {
  std::vector<MenuItemTemplate> items;
};

std::string SerializeDialog(const DialogTemplate& t);
std::optional<DialogTemplate> ParseDialog(const std::string& text);
std::string SerializeMenu(const MenuTemplate& t);
std::optional<MenuTemplate> ParseMenu(const std::string& text);

}  // namespace platform
