// Resources in resource libraries (shared libraries built from resource scripts, loaded with
// LoadLibrary("X.dll")): raw data, strings, bitmaps, icons, cursors, dialog and menu templates.
#pragma once

#include <optional>
#include <string>

#include "platform/base/win_types.h"
#include "platform/gdi/gdi_types.h"  // IMAGE_* and LR_* values
#include "platform/base/module_resources.h"
#include "platform/base/templates.h"

// Copies the string (cut to size - 1) and returns its length; 0 when the id is unknown.
int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int size);
HBITMAP LoadBitmap(HINSTANCE instance, LPCSTR name);
// Bitmaps, icons and cursors from a module or (LR_LOADFROMFILE) a file; stock icons come from
// the drawing layer's LoadIcon.
HANDLE LoadImage(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags);

namespace platform {

// Turns resource bytes into GDI objects: a bitmap from a packed DIB (a BMP file without its
// 14-byte file header), an icon from an .ico file's bytes. Without one, bitmaps are decoded by the
// drawing layer's image reader and icons by its icon reader.
class ResourceImageFactory {
 public:
  virtual ~ResourceImageFactory() = default;
  virtual HBITMAP BitmapFromDib(const BYTE* dib, size_t size) = 0;
  virtual HICON IconFromFile(const BYTE* data, size_t size, int cx, int cy) = 0;
};
void SetResourceImageFactory(ResourceImageFactory* factory);

std::optional<std::string> LoadStdString(HINSTANCE instance, UINT id);
std::optional<DialogTemplate> LoadDialogTemplate(HINSTANCE instance, LPCSTR name);
std::optional<MenuTemplate> LoadMenuTemplate(HINSTANCE instance, LPCSTR name);
HICON LoadModuleIcon(HINSTANCE instance, LPCSTR name, int cx, int cy);
// Cursors are recorded, not drawn: each (module, name) gets a handle of its own.
HCURSOR LoadModuleCursor(HINSTANCE instance, LPCSTR name);

// Loads a resource library for a language: the language's sub-folder of the application folder
// ("1031/X.dll") when it has the library, else the application folder itself (US English).
HMODULE LoadResourceLibrary(const std::string& name, WORD languageId);

}  // namespace platform
