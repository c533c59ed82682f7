#include "converter/parvel_settings.h"

#include <gtest/gtest.h>

#include "converter/parvel_ids.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"
#include "platform/testkit/testkit.h"
#include "platform/window/afx_app.h"
#include "platform/window/resources.h"

namespace {

using namespace testkit;

class SettingsTest : public ::testing::Test {
 protected:
  Environment env_{CurrentTestName()};
};

TEST_F(SettingsTest, ReadsStoreTheirDefaultsOnlyWhenAsked) {
  DWORD value = 7;
  EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "MainHwnd", value, 0));
  EXPECT_EQ(7u, value);
  EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "MainHwnd", value, 0));
  EXPECT_EQ(0u, value);
  EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", value, 0xFFFFFFFF));
  EXPECT_FALSE(ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", value, 0xFFFFFFFF));

  std::string text = "kept";
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", ""));
  EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "File", text, nullptr));
  EXPECT_EQ("kept", text);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", "/tmp/render.mpg"));
  EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "File", text, nullptr));
  EXPECT_EQ("/tmp/render.mpg", text);
  // Any length the store holds is read whole; a missing one stores its default, of any length.
  for (const std::size_t length : {1023u, 1024u, 2000u, 70000u}) {
    const std::string longText(length, 'x');
    ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "File", longText));
    EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "File", text, nullptr));
    EXPECT_EQ(longText, text) << length;
  }
  const std::string longDefault(3000, 'd');
  std::string folder = "kept";
  EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", folder, longDefault.c_str()));
  EXPECT_EQ("kept", folder);
  EXPECT_TRUE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", folder, nullptr));
  EXPECT_EQ(longDefault, folder);
  // A value of another type is not text.
  ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kParvelKey, "OutFolder", 5));
  EXPECT_FALSE(ReadRegString(HKEY_CURRENT_USER, kParvelKey, "OutFolder", folder, "other"));
  EXPECT_EQ(longDefault, folder);
  ASSERT_TRUE(WriteRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", 42));
  EXPECT_TRUE(ReadRegDword(HKEY_CURRENT_USER, kParvelKey, "SubHwnd", value, 0));
  EXPECT_EQ(42u, value);
}

TEST_F(SettingsTest, LanguagesMapToTheirFoldersWithoutRegardToCase) {
  EXPECT_EQ("", GetLanguageSetting());
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kParvelKey, "language", "0X0C0C"));
  EXPECT_EQ("fre/", LanguageSubFolder(GetLanguageSetting()));
  EXPECT_EQ("kor/", LanguageSubFolder("0x0412"));
  EXPECT_EQ("", LanguageSubFolder("0x0409"));
  EXPECT_EQ("", LanguageSubFolder("0x9999"));
}

TEST_F(SettingsTest, TextsComeFromTheLanguageLibraryOrTheFallback) {
  EXPECT_EQ(nullptr, LoadResString(IDS_ADD_FILES_HINT));
  EXPECT_EQ("fallback", ResString(IDS_ADD_FILES_HINT, "fallback"));
  HMODULE library = LoadLibrary((platform::AppFolder() + kParvelLanguageLibrary).c_str());
  ASSERT_NE(nullptr, library);
  AfxSetResourceHandle(library);
  ASSERT_NE(nullptr, LoadResString(IDS_ADD_FILES_HINT));
  EXPECT_STREQ("Please add files...", LoadResString(IDS_ADD_FILES_HINT));
  EXPECT_EQ("Media Converter", ResString(IDS_MUTEX_NAME, ""));
  EXPECT_EQ(nullptr, LoadResString(9999));
  AfxSetResourceHandle(nullptr);
  FreeLibrary(library);
  HMODULE images = LoadLibrary((platform::AppFolder() + kParvelImageLibrary).c_str());
  ASSERT_NE(nullptr, images);
  EXPECT_NE(nullptr, LoadBitmap(images, MAKEINTRESOURCE(IDB_START)));
  FreeLibrary(images);
}

}  // namespace
