#include "converter/mordax_binding.h"

#include "platform/base/module.h"
#include "platform/base/paths.h"

const char* const kMordaxEntryNames[12] = {
    "Qn_MDX_Open",          "Qn_MDX_Close",     "Qn_MDX_AddFile",          "Qn_MDX_RemoveFile",
    "Qn_MDX_RemoveAllFile", "Qn_MDX_WorkStop",  "Qn_MDX_SetConvertOption", "Qn_MDX_SetSimpleProfile",
    "Qn_MDX_ConvertStart",  "Qn_MDX_IsConvert", "Qn_MDX_RePlaceFile",      "Qn_MDX_InsertFile",
};

namespace {

struct Table {
  HMODULE module = nullptr;
  FARPROC entries[12] = {};
};

Table& Bound() {
  static Table table;
  return table;
}

template <typename Fn>
Fn Entry(int index) {
  return reinterpret_cast<Fn>(Bound().entries[index]);
}

}  // namespace

int LoadMordax(const std::string& programFolder) {
  UnloadMordax();
  HMODULE module = LoadLibrary((platform::WithTrailingSlash(programFolder) + "Mordax.dll").c_str());
  if (!module) return 0;
  Bound().module = module;
  for (int i = 0; i < 12; ++i) Bound().entries[i] = GetProcAddress(module, kMordaxEntryNames[i]);
  return 1;
}

void UnloadMordax() {
  Table& t = Bound();
  for (FARPROC& entry : t.entries) entry = nullptr;
  if (t.module) FreeLibrary(t.module);
  t.module = nullptr;
}

bool IsMordaxBound(const char* name) {
  for (int i = 0; i < 12; ++i)
    if (std::string(kMordaxEntryNames[i]) == name) return Bound().entries[i] != nullptr;
  return false;
}

int MdxOpen(HWND window, UINT message, int logLocation) {
  auto fn = Entry<Qn_MDX_Open_Fn>(0);
  return fn ? fn(window, message, logLocation) : 0;
}

int MdxClose() {
  auto fn = Entry<Qn_MDX_Close_Fn>(1);
  if (!fn) return 0;
  fn();
  return 1;
}

int MdxAddFile(const Qn_PathList& paths) {
  auto fn = Entry<Qn_MDX_AddFile_Fn>(2);
  if (!fn) return 0;
  fn(&paths);
  return 1;
}

int MdxRemoveFile(const Qn_ItemList& items) {
  auto fn = Entry<Qn_MDX_RemoveFile_Fn>(3);
  if (!fn) return 0;
  fn(&items);
  return 1;
}

int MdxRemoveAllFile() {
  auto fn = Entry<Qn_MDX_RemoveAllFile_Fn>(4);
  if (!fn) return 0;
  fn();
  return 1;
}

int MdxWorkStop() {
  auto fn = Entry<Qn_MDX_WorkStop_Fn>(5);
  if (!fn) return 0;
  fn();
  return 1;
}

int MdxSetConvertOption(int mode, const Qn_ConvertOption& option) {
  auto fn = Entry<Qn_MDX_SetConvertOption_Fn>(6);
  if (!fn) return 0;
  fn(mode, &option);
  return 1;
}

int MdxConvertStart(const std::string& outputFolder) {
  auto fn = Entry<Qn_MDX_ConvertStart_Fn>(8);
  if (!fn) return 0;
  fn(outputFolder.c_str());
  return 1;
}

int MdxIsConvert() {
  auto fn = Entry<Qn_MDX_IsConvert_Fn>(9);
  return fn ? fn() : 0;
}

int MdxInsertFile(int index, const std::string& path) {
  auto fn = Entry<Qn_MDX_InsertFile_Fn>(11);
  if (!fn) return 0;
  fn(index, path.c_str());
  return 1;
}
