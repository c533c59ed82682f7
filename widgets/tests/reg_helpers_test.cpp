#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/registry/registry.h"
#include "widgets/reg_helpers.h"

namespace {

constexpr const char* kKey = "Software\\Narvell\\Vidarro 5";

void SetRaw(const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

// The stored type and bytes of a value, or type 0xFFFF when it is absent.
std::pair<DWORD, std::string> Raw(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return {0xFFFF, ""};
  char data[4096];
  DWORD type = 0, size = sizeof data;
  const LONG rc = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return {0xFFFF, ""};
  return {type, std::string(data, size)};
}

// Each test starts on an empty store of its own.
class RegHelpers : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("VIDARRO_REGISTRY_DIR");
    ASSERT_NE(base, nullptr);
    original_ = base;
    const std::string folder =
        original_ + "/helpers-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
    std::filesystem::remove_all(folder);
    setenv("VIDARRO_REGISTRY_DIR", folder.c_str(), 1);
  }
  void TearDown() override { setenv("VIDARRO_REGISTRY_DIR", original_.c_str(), 1); }

  std::string original_;
};

}  // namespace

TEST_F(RegHelpers, DwordReadsStoreTheDefaultOnlyWhenTheValueIsAbsent) {
  DWORD value = 77;
  EXPECT_FALSE(RegReadDword(HKEY_CURRENT_USER, kKey, "NoDefault", &value, REG_READ_NO_DEFAULT));
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(Raw("NoDefault").first, 0xFFFFu);

  EXPECT_FALSE(RegReadDword(HKEY_CURRENT_USER, kKey, "Quality", &value, 5));
  EXPECT_EQ(value, 77u);  // untouched
  EXPECT_TRUE(RegReadDword(HKEY_CURRENT_USER, kKey, "Quality", &value, 9));
  EXPECT_EQ(value, 5u);

  // A value of another type or size is reported, never overwritten by the default.
  SetRaw("Text", REG_SZ, "12", 3);
  const ULONGLONG wide = 0x1122334455667788ull;
  SetRaw("Wide", REG_QWORD, &wide, sizeof wide);
  const WORD narrow = 3;
  SetRaw("Narrow", REG_DWORD, &narrow, sizeof narrow);
  for (const char* name : {"Text", "Wide", "Narrow"}) {
    const auto before = Raw(name);
    value = 77;
    EXPECT_FALSE(RegReadDword(HKEY_CURRENT_USER, kKey, name, &value, 1)) << name;
    EXPECT_EQ(value, 77u) << name;
    EXPECT_EQ(Raw(name), before) << name;
  }

  EXPECT_TRUE(RegWriteDword(HKEY_LOCAL_MACHINE, "Software\\New\\Deep", "Flag", 0xFFFFFFFF));
  EXPECT_TRUE(RegReadDword(HKEY_LOCAL_MACHINE, "software\\new\\deep", "flag", &value, 0));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST_F(RegHelpers, StringReadsFitTheBufferAndCheckTheType) {
  char out[REG_READ_STRING_SIZE + 16];
  std::memset(out, '#', sizeof out);
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kKey, "OutFolder", out, "/home/u/Vidarro/"));
  EXPECT_EQ(out[0], '#');
  EXPECT_EQ(Raw("OutFolder"), std::make_pair(REG_SZ, std::string("/home/u/Vidarro/\0", 17)));
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kKey, "OutFolder", out, nullptr));
  EXPECT_STREQ(out, "/home/u/Vidarro/");
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kKey, "NoDefault", out, nullptr));
  EXPECT_EQ(Raw("NoDefault").first, 0xFFFFu);

  EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, kKey, "Empty", ""));
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kKey, "Empty", out, "x"));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(RegWriteString(HKEY_CURRENT_USER, kKey, "Null", nullptr));

  // Stored without its terminator: read and terminated.
  SetRaw("Bare", REG_SZ, "abc", 3);
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kKey, "Bare", out, nullptr));
  EXPECT_STREQ(out, "abc");

  // The longest text that fits, then texts that do not: no overrun, no overwrite.
  const std::string fits(REG_READ_STRING_SIZE - 1, 'f');
  EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, kKey, "Fits", fits.c_str()));
  EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kKey, "Fits", out, nullptr));
  EXPECT_EQ(std::string(out), fits);
  std::memset(out, '#', sizeof out);
  const std::string tooLong(REG_READ_STRING_SIZE, 'l');
  SetRaw("Unterminated", REG_SZ, tooLong.data(), static_cast<DWORD>(tooLong.size()));
  EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, kKey, "Long", (tooLong + "more").c_str()));
  for (const char* name : {"Unterminated", "Long"}) {
    const auto before = Raw(name);
    EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kKey, name, out, "default")) << name;
    EXPECT_EQ(Raw(name), before) << name;
  }
  for (char c : out) EXPECT_EQ(c, '#');

  const DWORD number = 5;
  SetRaw("Number", REG_DWORD, &number, sizeof number);
  EXPECT_FALSE(RegReadString(HKEY_CURRENT_USER, kKey, "Number", out, "default"));
  EXPECT_EQ(Raw("Number").first, REG_DWORD);
}
