#include "platform/base/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "test_support.h"

namespace platform {
namespace {

using test::ScopedEnv;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

TEST(Paths, XdgVariablesAreUsedWithATrailingSlash) {
  ScopedEnv docs("XDG_DOCUMENTS_DIR", "/srv/docs");
  ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
  ScopedEnv config("XDG_CONFIG_HOME", "/srv/config");
  EXPECT_EQ(DocumentsFolder(), "/srv/docs/");
  EXPECT_EQ(LocalAppDataFolder(), "/srv/data/");
  EXPECT_EQ(ConfigFolder(), "/srv/config/");
}

TEST(Paths, MissingOrRelativeXdgVariablesFallBackToHome) {
  const std::string home = test::FreshFolder("home");
  ScopedEnv h("HOME", home);
  ScopedEnv docs("XDG_DOCUMENTS_DIR", std::nullopt);
  ScopedEnv data("XDG_DATA_HOME", "relative/data");
  ScopedEnv config("XDG_CONFIG_HOME", "");
  EXPECT_EQ(LocalAppDataFolder(), home + ".local/share/");
  EXPECT_EQ(ConfigFolder(), home + ".config/");
  EXPECT_EQ(DocumentsFolder(), home + "Documents/");

  // The user's own documents folder name, as the desktop keeps it.
  ASSERT_TRUE(CreateFolders(home + ".config"));
  ASSERT_TRUE(test::WriteText(home + ".config/user-dirs.dirs",
                              "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"));
  EXPECT_EQ(DocumentsFolder(), home + "Dokumente/");
}

TEST(Paths, TempFolderIsPrivateStableAndCreated) {
  const std::string base = test::FreshFolder("tmpdir");
  ScopedEnv tmp("TMPDIR", base);
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.rfind(base, 0), 0u);
  EXPECT_EQ(temp.back(), '/');
  EXPECT_TRUE(FolderExists(temp));
  EXPECT_EQ(ModeOf(temp.substr(0, temp.size() - 1)), 0700u);
  EXPECT_EQ(TempFolder(), temp);
}

TEST(Paths, TempFolderRefusesANameTakenByAnOpenFolderOrALink) {
  const std::string base = test::FreshFolder("hostile");
  const std::string name = base + "vidarro-" + std::to_string(geteuid());
  ScopedEnv tmp("TMPDIR", base);

  ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
  ASSERT_EQ(chmod(name.c_str(), 0777), 0);  // open to everyone: someone may have planted it
  const std::string temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_NE(temp, name + "/");
  EXPECT_EQ(ModeOf(temp.substr(0, temp.size() - 1)), 0700u);
  EXPECT_EQ(TempFolder(), temp);  // the same fallback for the rest of the run

  const std::string linkBase = test::FreshFolder("linked");
  const std::string target = test::FreshFolder("target");
  ScopedEnv tmp2("TMPDIR", linkBase);
  ASSERT_EQ(symlink(target.c_str(), (linkBase + "vidarro-" + std::to_string(geteuid())).c_str()), 0);
  const std::string temp2 = TempFolder();
  ASSERT_FALSE(temp2.empty());
  EXPECT_EQ(temp2.rfind(linkBase + "vidarro-" + std::to_string(geteuid()) + "-", 0), 0u);
}

TEST(Paths, RuntimeFolderFallsBackToAPrivateTempSubFolder) {
  const std::string base = test::FreshFolder("rt");
  ScopedEnv tmp("TMPDIR", base);
  {
    ScopedEnv run("XDG_RUNTIME_DIR", base.substr(0, base.size() - 1));
    EXPECT_EQ(RuntimeFolder(), base);
  }
  ScopedEnv run("XDG_RUNTIME_DIR", std::nullopt);
  const std::string runtime = RuntimeFolder();
  EXPECT_EQ(runtime, TempFolder() + "run/");
  EXPECT_EQ(ModeOf(runtime.substr(0, runtime.size() - 1)), 0700u);
}

TEST(Paths, AppFolderFromVariableOrExecutable) {
  {
    ScopedEnv app("VIDARRO_APP_DIR", "/opt/vidarro");
    EXPECT_EQ(AppFolder(), "/opt/vidarro/");
  }
  ScopedEnv app("VIDARRO_APP_DIR", std::nullopt);
  char real[4096];
  ASSERT_NE(realpath(VIDARRO_TEST_BINARY_DIR, real), nullptr);
  EXPECT_EQ(AppFolder(), std::string(real) + "/");
}

TEST(Paths, PathPieces) {
  EXPECT_EQ(WithTrailingSlash("/a"), "/a/");
  EXPECT_EQ(WithTrailingSlash("/a/"), "/a/");
  EXPECT_EQ(WithTrailingSlash(""), "");
  EXPECT_EQ(FolderOf("/a/b/c.txt"), "/a/b/");
  EXPECT_EQ(FolderOf("c.txt"), "");
  EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");
  EXPECT_EQ(FileNameOf("/a/b/"), "");
}

}  // namespace
}  // namespace platform
