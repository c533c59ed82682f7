// The uploader's rules without its window: keywords, the command line and the stored account.
#include <gtest/gtest.h>

#include "converter/parvel_settings.h"
#include "platform/registry/registry.h"
#include "platform/testkit/testkit.h"
#include "uploader/corrin_account.h"
#include "uploader/corrin_app.h"
#include "uploader/corrin_keywords.h"
#include "uploader/corrin_link.h"
#include "uploader/upload_address.h"

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

TEST(CorrinRules, AnUploadAddressIsUsableOnlyOverHttpsOrOnThisComputer) {
  EXPECT_EQ("https://uploads.example.com/v1", CheckUploadAddress("https://uploads.example.com/v1/").url);
  for (const char* local : {"http://127.0.0.1:8080", "http://127.9.8.7/up", "HTTP://LocalHost/", "http://[::1]:81"})
    EXPECT_EQ(UploadAddressProblem::None, CheckUploadAddress(local).problem) << local;
  // What the host really is decides, not what the address starts with.
  for (const char* remote : {"http://192.0.2.1/up", "http://127.0.0.1.example.com/", "http://localhost@192.0.2.1/",
                             "http://localhost.example.com", "http://[::2]/"}) {
    const UploadAddress address = CheckUploadAddress(remote);
    EXPECT_EQ(UploadAddressProblem::ClearText, address.problem) << remote;
    EXPECT_EQ("", address.url);
    EXPECT_EQ(remote, address.configured);
  }
  for (const char* none : {"", "   "})
    EXPECT_EQ(UploadAddressProblem::NotSet, CheckUploadAddress(none).problem) << none;
  // An address that is set but not one to send to is refused by name, not taken for none.
  for (const char* refused : {"ftp://127.0.0.1/", "127.0.0.1:8080", "file:///tmp/x", "https://", "gopher://h/"}) {
    const UploadAddress address = CheckUploadAddress(refused);
    EXPECT_EQ(UploadAddressProblem::Refused, address.problem) << refused;
    EXPECT_EQ("", address.url);
    EXPECT_EQ(refused, address.configured);
  }
}

TEST(CorrinRules, TheVariableComesBeforeTheStoredAddress) {
  testkit::Environment env("upload-address");
  ::unsetenv(kUploadUrlVariable);
  EXPECT_EQ(UploadAddressProblem::NotSet, FindUploadAddress().problem);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, kUploadUrlValue, ""));
  EXPECT_EQ(UploadAddressProblem::NotSet, FindUploadAddress().problem);
  ASSERT_TRUE(WriteRegString(HKEY_CURRENT_USER, kCorrinKey, kUploadUrlValue, "https://stored.example.com/"));
  EXPECT_EQ("https://stored.example.com", FindUploadAddress().url);
  ::setenv(kUploadUrlVariable, "", 1);
  EXPECT_EQ("https://stored.example.com", FindUploadAddress().url);
  ::setenv(kUploadUrlVariable, "http://127.0.0.1:9", 1);
  EXPECT_EQ("http://127.0.0.1:9", FindUploadAddress().url);
  ::unsetenv(kUploadUrlVariable);
  // A value of another type reads as no address.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyEx(HKEY_CURRENT_USER, kCorrinKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const DWORD number = 7;
  RegSetValueEx(key, kUploadUrlValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
  EXPECT_EQ(UploadAddressProblem::NotSet, FindUploadAddress().problem);
  ::setenv(kUploadUrlVariable, "file:///etc/passwd", 1);
  EXPECT_EQ(UploadAddressProblem::Refused, FindUploadAddress().problem);
  ::unsetenv(kUploadUrlVariable);
}

}  // namespace
