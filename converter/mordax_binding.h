// The binding of the conversion library Mordax.so, loaded from the program folder at run time,
// and one plain wrapper per entry point: an unbound entry answers 0 and does nothing.
#pragma once

#include <string>

#include "convengine/mordax_api.h"

// The names bound, in the table's order.
extern const char* const kMordaxEntryNames[12];

// 1 when the library was loaded from `programFolder` (missing entries stay unbound), else 0.
int LoadMordax(const std::string& programFolder);
void UnloadMordax();
bool IsMordaxBound(const char* name);

int MdxOpen(HWND window, UINT message, int logLocation);
int MdxClose();
int MdxAddFile(const Qn_PathList& paths);
int MdxRemoveFile(const Qn_ItemList& items);
int MdxRemoveAllFile();
int MdxWorkStop();
int MdxSetConvertOption(int mode, const Qn_ConvertOption& option);
int MdxConvertStart(const std::string& outputFolder);
int MdxIsConvert();
int MdxInsertFile(int index, const std::string& path);
