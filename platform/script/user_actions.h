// What a user does to a window, done with injected input: the actions the test kit and the
// script player share. Each queues its input and returns; the loop of the window's thread
// delivers it. Called on the window's thread.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

namespace platform::script {

// The control when it is shown and enabled, else null.
HWND UsableControl(HWND parent, int id);
// Clicks the middle of a control with the mouse; false when there is no such control.
bool ClickControlOf(HWND parent, int id);
// Gives the control the focus, selects its text and types `text` as characters.
bool TypeIntoControl(HWND parent, int id, const std::string& text);
// Gives the control the focus and presses the key (down, then up) on it.
bool PressKeyOn(HWND parent, int id, int vk);
// Selects the item of that text in the control, a combo or list box, and tells the parent as a
// user's choice does (CBN_SELCHANGE, LBN_SELCHANGE); in a list view, the first row whose text
// starts so, the parent told through LVN_ITEMCHANGED. A list inside a frame of its number (a skinned list) is
// found in it. False when there is no such item, or no list.
bool ChooseListItem(HWND control, const std::string& item);
// Drags the list view's first row whose text starts with `start` with the mouse (pressed on it,
// moved past the drag distance) and lets it go on the middle of `target`. The row becomes the
// only one selected first, as pressing on it makes it. False when there is no such row, or no list view.
bool DragListRowOnto(HWND control, const std::string& start, HWND target);
// The texts of every column of the list view's first row whose text starts with `start` (a list
// inside a frame of its number found in it); empty when there is no such row, or no list view.
std::vector<std::string> ListViewRowTexts(HWND control, const std::string& start);
// A window's text.
std::string TextOf(HWND hwnd);

}  // namespace platform::script
