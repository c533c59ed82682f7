// What the packs' windows are built of: their window class and the child controls they lay out.
#pragma once

#include "platform/window/window.h"

namespace studio::packs {

// Registers a pack window's class (on the button face) the first time it is asked for.
void RegisterPackViewClass(const char* className, WNDPROC proc);
// A visible child control of `parent`, placed later by the window's layout.
HWND PackChild(const char* cls, const char* text, DWORD style, int id, HWND parent, DWORD exStyle = 0);

}  // namespace studio::packs
