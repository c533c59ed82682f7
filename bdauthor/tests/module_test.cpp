// Tarnel.so as the wizard uses it: loaded from the application folder, two C exports and
// nothing else, one job per call, messages through the host's message box.
#include <gtest/gtest.h>

#include <elf.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "bdauthor/tests/job_fixture.h"
#include "platform/base/message_box.h"
#include "platform/base/module.h"
#include "platform/base/paths.h"

namespace bdauthor {
namespace {

using TarnelFn = bool (*)(const char*);
using ProgressFn = std::int32_t (*)();

// Names of the defined global symbols in a shared object's dynamic symbol table.
std::set<std::string> ExportedSymbols(const std::string& path) {
  const std::vector<std::uint8_t> file = test::ReadBytes(path);
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) return names;
  Elf64_Ehdr header;
  std::memcpy(&header, file.data(), sizeof header);
  for (int i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    std::memcpy(&section, file.data() + header.e_shoff + i * sizeof(Elf64_Shdr), sizeof section);
    if (section.sh_type != SHT_DYNSYM) continue;
    Elf64_Shdr strings;
    std::memcpy(&strings, file.data() + header.e_shoff + section.sh_link * sizeof(Elf64_Shdr), sizeof strings);
    for (std::size_t at = 0; at + sizeof(Elf64_Sym) <= section.sh_size; at += sizeof(Elf64_Sym)) {
      Elf64_Sym symbol;
      std::memcpy(&symbol, file.data() + section.sh_offset + at, sizeof symbol);
      const int binding = ELF64_ST_BIND(symbol.st_info);
      if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      names.insert(reinterpret_cast<const char*>(file.data() + strings.sh_offset + symbol.st_name));
    }
  }
  return names;
}

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load("Tarnel.dll")) << platform::LastModuleError();
    tarnel_ = module_.Function<TarnelFn>("tarnel");
    progress_ = module_.Function<ProgressFn>("tarnel_progress");
    ASSERT_NE(tarnel_, nullptr);
    ASSERT_NE(progress_, nullptr);
  }
  platform::Module module_;
  TarnelFn tarnel_ = nullptr;
  ProgressFn progress_ = nullptr;
};

TEST_F(ModuleTest, ExportsOnlyItsTwoFunctions) {
  EXPECT_EQ(ExportedSymbols(platform::ModuleFilePath("Tarnel.dll")),
            (std::set<std::string>{"tarnel", "tarnel_progress"}));
}

TEST_F(ModuleTest, RunsAJobAndKeepsItsProgress) {
  test::WorkFolder work("module");
  work.AddClip(0, test::SyntheticVideo{}, test::MuxOptions{}, true);
  work.WriteJob(1, {"0"});
  EXPECT_EQ(progress_(), 0);
  EXPECT_TRUE(tarnel_(work.ConfigPath().c_str()));
  EXPECT_EQ(progress_(), 100);
  EXPECT_TRUE(test::Exists(work.Path() + "BDMV/BACKUP/CLIPINF/00000.clpi"));
}

TEST_F(ModuleTest, FailureIsAFalseResultAndAMessage) {
  const std::string missing = test::TempRoot() + "nothing-here.txt";
  // The module's boxes reach the handler the host program installed.
  platform::MessageBoxRecorder boxes;
  EXPECT_FALSE(tarnel_(missing.c_str()));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Last().text, "Failed to open config file.\n\n" + missing);
  EXPECT_EQ(boxes.Last().caption, "Tarnel");
  EXPECT_EQ(boxes.Last().owner, nullptr);
  EXPECT_TRUE(boxes.Last().flags & MB_ICONERROR);
  EXPECT_EQ(progress_(), 0);
  EXPECT_FALSE(tarnel_(nullptr));
}

}  // namespace
}  // namespace bdauthor
