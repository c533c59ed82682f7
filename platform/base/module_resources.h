// Resources of loaded modules: the table a resource library exports, searched by name and type.
// The drawing layer's icons and the window system's strings, bitmaps and templates read it.
#pragma once

#include <optional>
#include <string_view>

#include "platform/base/module.h"
#include "platform/base/resource_names.h"
#include "platform/base/win_types.h"

HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);
BOOL FreeResource(HGLOBAL data);

namespace platform {

// The bytes of a module's resource; nullopt when the module has no such resource.
std::optional<std::string_view> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type);
// Drops a module's table before it is unloaded; a module still loaded is found again on its
// next lookup.
void ForgetResourceTable(HMODULE module);

}  // namespace platform
