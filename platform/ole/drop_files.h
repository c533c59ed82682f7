// File lists as the shell hands them over (CF_HDROP data, WM_DROPFILES): a DROPFILES header
// followed by zero-terminated paths and one more zero. The lists this layer builds are ANSI
// (fWide FALSE) and carry UTF-8 "/" paths; wide lists from elsewhere are read as UTF-16.
#pragma once

#include <string>
#include <vector>

#include "platform/base/win_types.h"

struct DROPFILES {
  DWORD pFiles = sizeof(DROPFILES);  // offset of the first path from the start of the block
  POINT pt{};                        // where the drop happened, in the receiver's client area
  BOOL fNC = FALSE;                  // the drop point lies in the non-client area
  BOOL fWide = FALSE;
};
static_assert(sizeof(DROPFILES) == 20, "DROPFILES is 20 bytes");

// iFile 0xFFFFFFFF: the number of paths. A null buffer: the length of path iFile in characters
// (without the terminator). Otherwise copies at most size - 1 characters and a terminator,
// never splitting a UTF-8 sequence, and returns the characters copied. 0 for an index out of
// range, a bad handle or a malformed block (reads never leave the block).
UINT DragQueryFile(HDROP drop, UINT iFile, LPSTR buffer, UINT size);
// The drop point; TRUE when it lies in the client area.
BOOL DragQueryPoint(HDROP drop, POINT* pt);
// Frees the list.
void DragFinish(HDROP drop);

namespace platform::ole {
// A movable, shared global block in the file list layout; null for an empty list, an empty
// path or a path holding a zero byte (the layout cannot carry them), or when memory fails.
HGLOBAL BuildDropFiles(const std::vector<std::string>& paths, POINT pt = {}, BOOL nonClient = FALSE);
// Every path of a list (UTF-8); empty for a bad handle or malformed block.
std::vector<std::string> ReadDropFiles(HGLOBAL list);
}  // namespace platform::ole
