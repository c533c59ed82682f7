#include "platform/base/module.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace platform {
namespace {

using AddFunction = int (*)(int, int);

TEST(Module, WindowsNamesLoadFromTheApplicationFolder) {
  test::ScopedEnv app("VIDARRO_APP_DIR", VIDARRO_TEST_BINARY_DIR);
  const std::string folder = std::string(VIDARRO_TEST_BINARY_DIR) + "/";
  EXPECT_EQ(ModuleFilePath("base_test_module.DLL"), folder + "base_test_module.so");
  EXPECT_EQ(ModuleFilePath("base_test_module"), folder + "base_test_module.so");
  EXPECT_EQ(ModuleFilePath("1031/Vidarro5UI.dll"), folder + "1031/Vidarro5UI.so");
  EXPECT_EQ(ModuleFilePath("/opt/x/Mordax.dll"), "/opt/x/Mordax.so");

  for (const char* name : {"base_test_module.dll", "base_test_module.so", "base_test_module"}) {
    HMODULE module = LoadLibrary(name);
    ASSERT_NE(module, nullptr) << name << ": " << LastModuleError();
    auto add = reinterpret_cast<AddFunction>(GetProcAddress(module, "base_test_add"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add(2, 3), 5);
    EXPECT_EQ(GetProcAddress(module, "no_such_function"), nullptr);
    EXPECT_FALSE(LastModuleError().empty());
    EXPECT_TRUE(FreeLibrary(module));
  }
  HMODULE byPath = LoadLibrary((folder + "base_test_module.dll").c_str());
  EXPECT_NE(byPath, nullptr);
  FreeLibrary(byPath);
}

TEST(Module, MissingModulesAndSystemLibraries) {
  test::ScopedEnv app("VIDARRO_APP_DIR", VIDARRO_TEST_BINARY_DIR);
  EXPECT_EQ(LoadLibrary("Vidarro5UI.dll"), nullptr);
  EXPECT_FALSE(LastModuleError().empty());
  EXPECT_EQ(LoadLibrary("/nonexistent/x.dll"), nullptr);
  EXPECT_EQ(LoadLibrary(""), nullptr);
  EXPECT_EQ(LoadLibrary(nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));

  Module libm("libm.so.6");  // not ours: found by the system's search
  ASSERT_TRUE(libm.IsLoaded()) << LastModuleError();
  auto cosine = libm.Function<double (*)(double)>("cos");
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
}

TEST(Module, HolderFreesAndMoves) {
  test::ScopedEnv app("VIDARRO_APP_DIR", VIDARRO_TEST_BINARY_DIR);
  Module a("base_test_module.dll");
  ASSERT_TRUE(a.IsLoaded());
  Module b(std::move(a));
  EXPECT_FALSE(a.IsLoaded());
  ASSERT_TRUE(b.IsLoaded());
  EXPECT_EQ(b.Function<AddFunction>("base_test_add")(40, 2), 42);
  Module c;
  c = std::move(b);
  EXPECT_TRUE(c.IsLoaded());
  c.Free();
  EXPECT_FALSE(c.IsLoaded());
  EXPECT_FALSE(c.Load("Missing.dll"));
}

}  // namespace
}  // namespace platform
