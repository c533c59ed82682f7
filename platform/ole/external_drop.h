// Files dropped on the suite from outside it, as a file manager delivers them: to the drop
// target registered for the window (or its nearest ancestor) when there is one, else as
// WM_DROPFILES with a file list to the window (or nearest ancestor) that accepts dropped files.
// For tests and for the presenter that hands over desktop drops.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"
#include "platform/ole/drag_drop.h"

namespace platform::ole {

// The effects a file manager offers.
constexpr DWORD kFileManagerEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;

// Drops the paths at a client point of hwnd. keyState adds modifiers (MK_CONTROL...) to the
// left button the drag is made with. A registered target hears DragEnter and then Drop, or
// DragLeave when it wants none; the answer is its effect. WM_DROPFILES is posted (the receiver
// owns the list and frees it with DragFinish) and answers DROPEFFECT_COPY. DROPEFFECT_NONE when
// nobody takes files there, or the paths cannot form a list (none, or an empty one).
DROPEFFECT DropFilesOnWindow(HWND hwnd, POINT client, const std::vector<std::string>& paths, DWORD keyState = 0);
// The same at a screen point, on the window under it.
DROPEFFECT DropFilesAt(POINT screen, const std::vector<std::string>& paths, DWORD keyState = 0);

}  // namespace platform::ole
