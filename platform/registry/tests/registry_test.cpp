#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/hive_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/string_value.h"
#include "platform/registry/tests/registry_test_util.h"

using namespace registry_test;

namespace {

// Each test gets a store folder of its own.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* base = std::getenv("VIDARRO_REGISTRY_DIR");
    ASSERT_NE(base, nullptr);
    original_ = base;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = original_ + "/" + info->name() + "/";
    std::filesystem::remove_all(folder_);
    setenv("VIDARRO_REGISTRY_DIR", folder_.c_str(), 1);
  }
  void TearDown() override { setenv("VIDARRO_REGISTRY_DIR", original_.c_str(), 1); }

  bool StoreFileExists(const char* root) const {
    struct stat st {};
    return ::stat((folder_ + root + ".reg").c_str(), &st) == 0;
  }

  std::string original_;
  std::string folder_;
};

}  // namespace

TEST_F(RegistryTest, ValuesRoundTripWithTheirTypesAndSizes) {
  HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Narvell\\Vidarro 5");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetDword(key, "Quality", 3), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, "OutFolder", "/home/u/Vidarro/"), ERROR_SUCCESS);
  const BYTE blob[] = {0, 1, 2, 0xFF};
  EXPECT_EQ(RegSetValueEx(key, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  EXPECT_EQ(SetString(key, nullptr, "the default"), ERROR_SUCCESS);

  EXPECT_EQ(GetDword(key, "Quality"), 3u);

  char text[64];
  DWORD type = 0, size = sizeof text;
  ASSERT_EQ(RegQueryValueEx(key, "OutFolder", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 17u);  // the terminator counts
  EXPECT_STREQ(text, "/home/u/Vidarro/");

  // Size only, then a buffer one byte short: ERROR_MORE_DATA with the size needed, buffer untouched.
  size = 0;
  EXPECT_EQ(RegQueryValueEx(key, "Blob", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4u);
  BYTE small[3] = {9, 9, 9};
  size = sizeof small;
  EXPECT_EQ(RegQueryValueEx(key, "Blob", nullptr, &type, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(small[0], 9);
  EXPECT_EQ(RegQueryValueEx(key, "Blob", nullptr, &type, small, nullptr), ERROR_INVALID_PARAMETER);

  // The empty name and NULL are the same default value.
  size = sizeof text;
  ASSERT_EQ(RegQueryValueEx(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "the default");

  EXPECT_EQ(RegQueryValueEx(key, "Missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValue(key, "quality"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "Quality"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegFlushKey(key), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirSpelling) {
  HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Narvell\\Vidarro 5\\");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetString(key, "AppPath", "/opt/v/"), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key, "APPPATH", 7), ERROR_SUCCESS);  // the same value, replaced

  HKEY again = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\narvell\\VIDARRO 5", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                           &again, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(GetDword(again, "appPath"), 7u);

  char name[64];
  DWORD size = sizeof name;
  ASSERT_EQ(RegEnumValue(again, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "AppPath");
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(RegEnumValue(again, 1, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  HKEY software = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
  size = sizeof name;
  ASSERT_EQ(RegEnumKeyEx(software, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Narvell");
  RegCloseKey(software);
  RegCloseKey(again);
  RegCloseKey(key);

  // The roots are separate.
  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(other, nullptr);
}

TEST_F(RegistryTest, ReadOnlyOpensCreateNothingAndAccessIsChecked) {
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices", 0, nullptr, 0, KEY_READ | KEY_WOW64_32KEY,
                           nullptr, &key, nullptr),
            ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(StoreFileExists("HKEY_LOCAL_MACHINE"));

  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "A\\B", 0, nullptr, 0, KEY_WRITE, nullptr, &key, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  EXPECT_TRUE(StoreFileExists("HKEY_CURRENT_USER"));
  EXPECT_EQ(SetDword(key, "V", 1), ERROR_SUCCESS);
  DWORD size = 4;
  DWORD value = 0;
  EXPECT_EQ(RegQueryValueEx(key, "V", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_ACCESS_DENIED);  // write-only handle
  RegCloseKey(key);

  HKEY reader = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "A", 0, KEY_READ, &reader), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(reader, "V", 2), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValue(reader, "V"), ERROR_ACCESS_DENIED);
  HKEY child = nullptr;
  EXPECT_EQ(RegCreateKeyEx(reader, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &child, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegCreateKeyEx(reader, "b", 0, nullptr, 0, KEY_READ, nullptr, &child, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(child, "v"), 1u);
  RegCloseKey(child);
  RegCloseKey(reader);
}

TEST_F(RegistryTest, EnumerationOrderAndBufferSizes) {
  HKEY key = CreateKey(HKEY_CURRENT_USER, "Enum");
  ASSERT_NE(key, nullptr);
  for (const char* sub : {"zeta", "Alpha", "mid", "BETA"}) {
    HKEY k = CreateKey(key, sub);
    ASSERT_NE(k, nullptr);
    RegCloseKey(k);
  }
  for (const char* name : {"z", "a", "m"}) ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);

  std::string keys, values;
  char name[16];
  DWORD size = 0;
  for (DWORD i = 0;; ++i) {
    size = sizeof name;
    const LONG rc = RegEnumKeyEx(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    keys += std::string(name) + ",";
  }
  EXPECT_EQ(keys, "Alpha,BETA,mid,zeta,");
  for (DWORD i = 0;; ++i) {
    size = sizeof name;
    DWORD type = 0, value = 0, bytes = sizeof value;
    const LONG rc = RegEnumValue(key, i, name, &size, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(rc, ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(value, 1u);
    values += std::string(name) + ",";
  }
  EXPECT_EQ(values, "z,a,m,");

  size = 5;  // "Alpha" needs 6 with its terminator
  EXPECT_EQ(RegEnumKeyEx(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  size = 1;
  EXPECT_EQ(RegEnumValue(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  size = sizeof name;
  DWORD bytes = 2;
  BYTE data[2];
  EXPECT_EQ(RegEnumValue(key, 0, name, &size, nullptr, nullptr, data, &bytes), ERROR_MORE_DATA);
  EXPECT_EQ(bytes, 4u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, DeletingKeysAndHandlesToDeletedKeys) {
  HKEY parent = CreateKey(HKEY_CURRENT_USER, "P");
  HKEY child = CreateKey(parent, "C\\D");
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(RegDeleteKey(parent, "c"), ERROR_ACCESS_DENIED);  // it has a sub-key
  EXPECT_EQ(RegDeleteKey(parent, "C\\d"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(parent, "C\\d"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetDword(child, "x", 1), ERROR_KEY_DELETED);
  EXPECT_EQ(RegQueryValueEx(child, "x", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
  EXPECT_EQ(RegDeleteKey(parent, "C"), ERROR_SUCCESS);
  RegCloseKey(child);

  HKEY out = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "\\P", 0, KEY_READ, &out), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "P\\\\C", 0, KEY_READ, &out), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, std::string(256, 'k').c_str(), 0, KEY_READ, &out), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegOpenKeyEx(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234567)), "P", 0, KEY_READ, &out),
            ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
  // An empty sub-key opens the key itself.
  ASSERT_EQ(RegOpenKeyEx(parent, "", 0, KEY_READ, &out), ERROR_SUCCESS);
  EXPECT_NE(out, parent);
  RegCloseKey(out);
  RegCloseKey(parent);
}

TEST_F(RegistryTest, StoreLocationAndADamagedHiveWithoutAGoodCopyIsKeptAside) {
  HKEY key = CreateKey(HKEY_CLASSES_ROOT, "QnPack.Editor_5");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, nullptr, "Editor"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(StoreFileExists("HKEY_CLASSES_ROOT"));

  // Without VIDARRO_REGISTRY_DIR the store lives under the XDG configuration folder.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  ASSERT_NE(config, nullptr);
  unsetenv("VIDARRO_REGISTRY_DIR");
  key = CreateKey(HKEY_CURRENT_USER, "Xdg");
  ASSERT_NE(key, nullptr);
  RegCloseKey(key);
  struct stat st {};
  EXPECT_EQ(::stat((std::string(config) + "/vidarro/registry/HKEY_CURRENT_USER.reg").c_str(), &st), 0);
  setenv("VIDARRO_REGISTRY_DIR", folder_.c_str(), 1);

  // A file damaged by something else, with no earlier copy to go back to, used to stop every
  // later save. Now it is kept aside under a name that says so, reported once, and the root
  // starts empty and saves again; a value set afterwards survives a fresh process's read.
  const std::string path = folder_ + "HKEY_CLASSES_ROOT.reg";
  std::filesystem::remove(folder_ + "HKEY_CLASSES_ROOT.bak");
  platform::registry::TakeDamagedHiveNotices();
  const std::string damagedText = "VIDARRO-REGISTRY 1\nK =QnPack.Editor_5\n";  // no closing line
  {
    std::ofstream damaged(path, std::ios::trunc);
    damaged << damagedText;
  }
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "QnPack.Editor_5", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  const auto notices = platform::registry::TakeDamagedHiveNotices();
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].rfind(folder_ + "HKEY_CLASSES_ROOT.damaged-", 0), 0u) << notices[0];
  std::ifstream in(notices[0]);
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), damagedText);
  key = CreateKey(HKEY_CLASSES_ROOT, "Other");
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(SetString(key, nullptr, "Saved"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(platform::registry::TakeDamagedHiveNotices().empty());  // told once
  std::ifstream saved(path);
  std::stringstream savedText;
  savedText << saved.rdbuf();
  EXPECT_NE(savedText.str().find("K =Other\n"), std::string::npos);
  EXPECT_NE(platform::registry::ParseHive(savedText.str()), nullptr);

  // Damaged again the same second: the first kept file is not replaced.
  std::filesystem::remove(folder_ + "HKEY_CLASSES_ROOT.bak");
  {
    std::ofstream damaged(path, std::ios::trunc | std::ios::binary);
    damaged << "\x01\xffrandom bytes";
  }
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, "Other", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  const auto second = platform::registry::TakeDamagedHiveNotices();
  ASSERT_EQ(second.size(), 1u);
  EXPECT_NE(second[0], notices[0]);
  EXPECT_TRUE(std::filesystem::exists(notices[0]));
}

// A cut-off hive made every later open of its root fail for good; now the copy of the save
// before it answers, the next save writes a whole file again, and the other roots never notice.
TEST_F(RegistryTest, ADamagedHiveFallsBackToThePreviousGoodCopy) {
  HKEY key = CreateKey(HKEY_CURRENT_USER, "Software\\Vidarro\\Capture");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(SetString(key, "Folder", "/videos"), ERROR_SUCCESS);
  ASSERT_EQ(SetString(key, "Device", "USB"), ERROR_SUCCESS);  // the copy before it holds Folder
  RegCloseKey(key);
  HKEY other = CreateKey(HKEY_CLASSES_ROOT, ".m2ts");
  ASSERT_NE(other, nullptr);
  RegCloseKey(other);

  const std::string path = folder_ + "HKEY_CURRENT_USER.reg";
  std::filesystem::resize_file(path, 10);  // within the first line, so every copy in memory notices
  const std::string cutOff = [&] {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }();

  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vidarro\\Capture", 0, KEY_READ | KEY_WRITE, &key),
            ERROR_SUCCESS);
  char value[64] = {};
  DWORD bytes = sizeof value;
  EXPECT_EQ(RegQueryValueEx(key, "Folder", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes), ERROR_SUCCESS);
  EXPECT_STREQ(value, "/videos");
  EXPECT_EQ(SetString(key, "Device", "DV"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, ".m2ts", 0, KEY_READ, &other), ERROR_SUCCESS);
  RegCloseKey(other);

  // The save after the damage wrote a whole file, kept the damaged one aside, and left the
  // good copy as it was.
  std::ifstream damaged(folder_ + "HKEY_CURRENT_USER.damaged", std::ios::binary);
  std::stringstream kept;
  kept << damaged.rdbuf();
  EXPECT_EQ(kept.str(), cutOff);
  std::filesystem::remove(folder_ + "HKEY_CURRENT_USER.bak");
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Vidarro\\Capture", 0, KEY_READ, &key), ERROR_SUCCESS);
  bytes = sizeof value;
  EXPECT_EQ(RegQueryValueEx(key, "Device", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &bytes), ERROR_SUCCESS);
  EXPECT_STREQ(value, "DV");
  RegCloseKey(key);

  // A FIFO in a hive's place fails that root's calls at once instead of holding them.
  const std::string fifo = folder_ + "HKEY_LOCAL_MACHINE.reg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_REGISTRY_IO_FAILED);
  std::filesystem::remove(fifo);
}

// A key with a hundred and twenty thousand sub-keys took minutes to read, every lookup scanning
// them all; the whole hive must now be read, searched and saved again within two seconds.
TEST_F(RegistryTest, AHiveWithAHundredThousandSubkeysOpensQuickly) {
  constexpr int kCount = 120000;
  std::filesystem::create_directories(folder_);
  {
    std::ofstream out(folder_ + "HKEY_CURRENT_USER.reg", std::ios::binary);
    out << "VIDARRO-REGISTRY 1 big\nK =Software\nK =Software\\Clips\n";
    char name[32];
    for (int i = 0; i < kCount; ++i) {
      std::snprintf(name, sizeof name, "Clip%06d", i);
      out << "K =Software\\Clips\\" << name << "\nV =Length 4 " << (i % 2 ? "01000000" : "02000000") << "\n";
    }
    out << "END\n";
  }
  const auto start = std::chrono::steady_clock::now();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Clips\\clip119999", 0, KEY_READ | KEY_WRITE, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key, "Length"), 1u);
  EXPECT_EQ(SetDword(key, "Length", 7), ERROR_SUCCESS);
  RegCloseKey(key);
  for (int i = 0; i < 1000; ++i) {
    char path[64];
    std::snprintf(path, sizeof path, "Software\\Clips\\CLIP%06d", i * 97);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, path, 0, KEY_READ, &key), ERROR_SUCCESS) << path;
    EXPECT_EQ(GetDword(key, "Length"), i * 97 % 2 ? 1u : 2u);
    RegCloseKey(key);
  }
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Clips\\Clip120000", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
#if defined(__SANITIZE_ADDRESS__)
  const auto limit = std::chrono::seconds(20);  // a checked Debug build; a scan takes minutes either way
#else
  const auto limit = std::chrono::seconds(2);
#endif
  EXPECT_LT(std::chrono::steady_clock::now() - start, limit);
}

namespace {

class StringValueTest : public RegistryTest {};

TEST_F(StringValueTest, StringsOfAnyLengthAreReadWholeAndOtherTypesRefused) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Long", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  std::string text = "untouched";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryStringValue(key, "Missing", &text));
  EXPECT_EQ("untouched", text);
  for (const std::size_t length : {0u, 1u, 1023u, 1024u, 1025u, 2000u, 1u << 20}) {
    const std::string value(length, 'v');
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                           static_cast<DWORD>(value.size() + 1)));
    ASSERT_EQ(ERROR_SUCCESS, RegQueryStringValue(key, "Path", &text)) << length;
    EXPECT_EQ(value, text) << length;
  }
  // Stored without its terminator, as some writers do.
  const char bare[] = {'a', 'b', 'c'};
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Bare", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(bare), 3));
  ASSERT_EQ(ERROR_SUCCESS, RegQueryStringValue(key, "Bare", &text));
  EXPECT_EQ("abc", text);
  const DWORD number = 7;
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueEx(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryStringValue(key, "Number", &text));
  EXPECT_EQ("abc", text);
  RegCloseKey(key);
}

}  // namespace
