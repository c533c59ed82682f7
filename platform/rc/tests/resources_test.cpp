#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/gdi/objects.h"
#include "platform/window/afx_app.h"
#include "platform/window/afx_dialog.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/resources.h"
#include "rc_compiler.h"
#include "rc_lexer.h"
#include "resource.h"

namespace {

class Resources : public ::testing::Test {
 protected:
  void SetUp() override { module = LoadLibrary("RcSampleUI.dll"); }
  void TearDown() override {
    AfxSetResourceHandle(nullptr);
    platform::ResetInputState();
    if (module) FreeLibrary(module);
  }
  HMODULE module = nullptr;
};

TEST_F(Resources, StringsFromABuiltLibrary) {
  ASSERT_NE(module, nullptr) << platform::LastModuleError();
  char buffer[64];
  EXPECT_EQ(LoadString(module, IDS_HELLO, buffer, sizeof buffer), 16);
  EXPECT_STREQ(buffer, "Hello, \"Vidarro\"");
  EXPECT_EQ(LoadString(module, 2003, buffer, sizeof buffer), 9);
  EXPECT_STREQ(buffer, "Two parts");
  EXPECT_EQ(LoadString(module, IDS_HELLO, buffer, 6), 5);  // cut to the buffer
  EXPECT_STREQ(buffer, "Hello");
  EXPECT_EQ(LoadString(module, 9999, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadString(nullptr, IDS_HELLO, buffer, sizeof buffer), 0);
}

TEST_F(Resources, RawDataBitmapsAndNamedTypes) {
  ASSERT_NE(module, nullptr);
  HRSRC bitmap = FindResource(module, MAKEINTRESOURCE(IDB_SWATCH), RT_BITMAP);
  ASSERT_NE(bitmap, nullptr);
  // The bitmap is kept the way the platform keeps it: the BMP without its 14-byte file header.
  EXPECT_EQ(SizeofResource(module, bitmap), 40u + 4 * 24);
  auto* dib = static_cast<const BYTE*>(LockResource(LoadResource(module, bitmap)));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib[0], 40);
  EXPECT_NE(FindResource(module, "logo", "png"), nullptr);  // names and types ignore case
  EXPECT_NE(FindResource(module, "#300", RT_BITMAP), nullptr);
  EXPECT_EQ(FindResource(module, MAKEINTRESOURCE(IDB_SWATCH), RT_ICON), nullptr);
  EXPECT_EQ(LoadResource(module, reinterpret_cast<HRSRC>(&dib)), nullptr);  // not a resource of any library
  EXPECT_EQ(SizeofResource(module, nullptr), 0u);
  HBITMAP loaded = LoadBitmap(module, MAKEINTRESOURCE(IDB_SWATCH));
  ASSERT_NE(loaded, nullptr);
  BITMAP info{};
  ASSERT_TRUE(GetObject(loaded, sizeof info, &info));
  EXPECT_EQ(info.bmWidth, 8);
  EXPECT_EQ(info.bmHeight, 4);
  DeleteObject(loaded);
  EXPECT_EQ(LoadBitmap(module, MAKEINTRESOURCE(9)), nullptr);
}

TEST_F(Resources, MenusAndDialogsFromTemplates) {
  ASSERT_NE(module, nullptr);
  HMENU bar = LoadMenu(module, MAKEINTRESOURCE(IDR_CONTEXT));
  ASSERT_NE(bar, nullptr);
  HMENU popup = GetSubMenu(bar, 0);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(ID_OPEN));
  EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(bar, ID_IPOD, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
  EXPECT_EQ(GetMenuState(bar, ID_PSP, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  DestroyMenu(bar);

  auto t = platform::LoadDialogTemplate(module, MAKEINTRESOURCE(IDD_SETTINGS));
  ASSERT_TRUE(t.has_value());
  EXPECT_EQ(t->caption, "Settings");
  EXPECT_EQ(t->fontName, "MS Shell Dlg");
  ASSERT_EQ(t->items.size(), 6u);
  EXPECT_EQ(t->items[0].className, "Static");
  EXPECT_EQ(t->items[0].id, -1);
  EXPECT_EQ(t->items[1].className, "Edit");
  EXPECT_TRUE(t->items[1].style & ES_AUTOHSCROLL);
  EXPECT_EQ(t->items[2].style & BS_TYPEMASK, BS_AUTOCHECKBOX);
  EXPECT_EQ(t->items[3].style & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_FALSE(t->items[5].style & WS_VISIBLE);  // NOT cleared it
  EXPECT_TRUE(t->style & DS_CENTER);
}

class NameDialog : public CDialog {
 public:
  NameDialog() : CDialog(IDD_SETTINGS) {}
  std::string name = "clip";
  int fast = 0;
  void DoDataExchange(CDataExchange* dx) override {
    DDX_Text(dx, IDC_NAME, name);
    DDX_Check(dx, IDC_MODE, fast);
  }
};

TEST_F(Resources, CDialogLoadsItsTemplateThroughTheResourceChain) {
  ASSERT_NE(module, nullptr);
  AfxSetResourceHandle(module);
  EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCE(IDD_SETTINGS), RT_DIALOG), module);
  NameDialog dlg;
  platform::PushInputStep([] {
    HWND d = GetActiveWindow();
    platform::ClickWindow(GetDlgItem(d, IDC_MODE));
    platform::ClickWindow(GetDlgItem(d, IDOK));
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.fast, 1);
  EXPECT_EQ(dlg.name, "clip");
}

TEST_F(Resources, MissingLibraryAndMissingResources) {
  EXPECT_EQ(LoadLibrary("NoSuchUI.dll"), nullptr);
  EXPECT_EQ(platform::LoadResourceLibrary("NoSuchUI.dll", 1031), nullptr);
  HMODULE fallback = platform::LoadResourceLibrary("RcSampleUI.dll", 1031);  // no German variant
  ASSERT_NE(fallback, nullptr);
  char buffer[8];
  EXPECT_GT(LoadString(fallback, IDS_HELLO, buffer, sizeof buffer), 0);
  FreeLibrary(fallback);
  EXPECT_EQ(FindResource(nullptr, MAKEINTRESOURCE(1), RT_DIALOG), nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCE(1)), nullptr);
  EXPECT_EQ(LoadCursor(module, MAKEINTRESOURCE(12345)), nullptr);
  AfxSetResourceHandle(nullptr);
  CDialog dlg(IDD_SETTINGS);
  EXPECT_EQ(dlg.DoModal(), -1);
}

// Compiles a script written to the temporary folder; returns the error text ("" on success).
std::string Compile(const std::string& script) {
  const std::string path = platform::TempFolder() + "bad.rc";
  std::ofstream(path) << script;
  try {
    rc::CompileScript(path, {VIDARRO_TEST_SOURCE_DIR});
    return "";
  } catch (const rc::ScriptError& e) {
    return e.what();
  }
}

TEST(ResourceCompiler, MalformedScriptsFailWithFileAndLine) {
  EXPECT_EQ(Compile("#include \"resource.h\"\nSTRINGTABLE\nBEGIN\n IDS_HELLO \"hi\"\nEND\n"), "");
  const std::string tmp = platform::TempFolder() + "bad.rc";
  EXPECT_EQ(Compile("STRINGTABLE\nBEGIN\n  1 \"open\n"), tmp + ":3: error: unterminated string");
  EXPECT_EQ(Compile("\n\nX DIALOGEX 0,0,10,10\nBEGIN\n  CONTROL \"a\", 1, \"Button\", WS_BOGUS, 0,0,1,1\nEND\n"),
            tmp + ":5: error: unknown symbol 'WS_BOGUS'");
  EXPECT_EQ(Compile("B BITMAP \"missing.bmp\"\n"), tmp + ":1: error: cannot open 'missing.bmp'");
  EXPECT_EQ(Compile("B BITMAP \"\"\n"), tmp + ":1: error: cannot open ''");  // the script's folder
  EXPECT_EQ(Compile("D DIALOGEX 0, 0, 1, 1\nSTYLE " + std::string(100000, '(') + "1\n"),
            tmp + ":2: error: expression nested too deeply");
  EXPECT_EQ(Compile("STRINGTABLE\nBEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n"), tmp + ":4: error: string 1 defined twice");
  EXPECT_EQ(Compile("#ifdef X\n"), tmp + ":1: error: missing #endif");
  EXPECT_NE(Compile("M MENU\nBEGIN\n  WIDGET \"x\", 1\nEND\n").find(":3: error: expected POPUP or MENUITEM"),
            std::string::npos);
  EXPECT_NE(Compile("D DIALOGEX 0, 0, 10, 10\nBEGIN\n").find("dialog without END"), std::string::npos);
  EXPECT_NE(Compile("#include \"nowhere.h\"\n").find(":1: error: cannot find include file"), std::string::npos);
}

TEST(ResourceCompiler, GeneratedSourceHoldsEveryResource) {
  rc::Compiled compiled = rc::CompileScript(std::string(VIDARRO_TEST_SOURCE_DIR) + "/sample.rc", {});
  int strings = 0, dialogs = 0, menus = 0, bitmaps = 0, named = 0;
  for (auto& r : compiled.resources) {
    strings += r.typeId == 6;
    dialogs += r.typeId == 5;
    menus += r.typeId == 4;
    bitmaps += r.typeId == 2;
    named += !r.typeName.empty();
  }
  EXPECT_EQ(strings, 3);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(menus, 1);
  EXPECT_EQ(bitmaps, 1);
  EXPECT_EQ(named, 1);
  // The build tracks the script, its header and its bitmap.
  EXPECT_GE(compiled.inputs.size(), 3u);
}

}  // namespace
