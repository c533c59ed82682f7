// The uploader's rules without its window: keywords, the command line and the stored account.
#include <gtest/gtest.h>

#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "uploader/corrin_account.h"
#include "uploader/corrin_app.h"
#include "uploader/corrin_keywords.h"
#include "uploader/corrin_link.h"

namespace {

TEST(CorrinRules, KeywordsSplitAtSeparatorsAndOneLetterPiecesTakeTheFileName) {
  EXPECT_EQ("sea,sun,Holiday,", UploadKeywords("sea, sun ,x", "/videos/Holiday.mpg"));
  EXPECT_EQ("it,Holiday,", UploadKeywords("it's", "/v/Holiday.mpg"));
  // A one-letter file name is appended to the piece instead.
  EXPECT_EQ("xa,", UploadKeywords("x", "/v/a.mpg"));
  EXPECT_EQ("", UploadKeywords(" ,,' ", "/v/Holiday.mpg"));
  EXPECT_EQ("Grüße,日本,", UploadKeywords("Grüße 日本", "/v/Holiday.mpg"));
}

TEST(CorrinRules, TheCommandLineGivesTheFileOrTheEditorProject) {
  auto command = ParseCorrinCommandLine("[Edit] file=My Project");
  EXPECT_TRUE(command.editorMode);
  EXPECT_EQ("My Project", command.file);
  command = ParseCorrinCommandLine("\"/home/ada/clip one.mpg\"");
  EXPECT_FALSE(command.editorMode);
  EXPECT_EQ("/home/ada/clip one.mpg", command.file);
  EXPECT_EQ("", ParseCorrinCommandLine("").file);
}

TEST(CorrinRules, PasswordsSurviveTheirStorageWhateverTheirBytes) {
  testkit::Environment env{testkit::CurrentTestName()};
  EXPECT_EQ("abc", UnscramblePassword(ScramblePassword("abc")));
  EXPECT_EQ(static_cast<char>('a' + 4), ScramblePassword("abc")[0]);
  // 255 - 0 - 1 - 1 scrambles to 0 at the first byte: a string value would end there.
  const std::string awkward = std::string(1, static_cast<char>(253)) + "pässwörd";
  ASSERT_EQ('\0', ScramblePassword(std::string(1, static_cast<char>(254)))[0]);
  for (const std::string& password : {awkward, std::string(1, static_cast<char>(254)), std::string(300, 'p')}) {
    ASSERT_TRUE(StorePassword(HKEY_CURRENT_USER, kCorrinKey, password));
    EXPECT_EQ(password, LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
  }
  // The older string form still reads.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyEx(HKEY_CURRENT_USER, kCorrinKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const std::string old = ScramblePassword("secret");
  RegSetValueEx(key, "Password", 0, REG_SZ, reinterpret_cast<const BYTE*>(old.c_str()),
                static_cast<DWORD>(old.size() + 1));
  RegCloseKey(key);
  EXPECT_EQ("secret", LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
  ForgetPassword(HKEY_CURRENT_USER, kCorrinKey);
  EXPECT_EQ("", LoadPassword(HKEY_CURRENT_USER, kCorrinKey));
}

}  // namespace
