// The reason Auvry gives when its writer gave up on a file: what a write there meets now.
#include "audiorec/write_failure.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/base/file_system.h"

namespace auvry {
namespace {

std::string Folder() { return std::string(std::getenv("TMPDIR")) + "/"; }

std::string Recording(const std::string& name, long long bytes) {
  const std::string path = Folder() + name;
  std::ofstream(path, std::ios::binary) << "ASF";
  EXPECT_EQ(::truncate(path.c_str(), bytes), 0);
  return path;
}

TEST(WriteFailure, TheReasonIsWhatAWriteThereMeetsNow) {
  const std::string file = Recording("WMA_101010.wma", 300000);
  EXPECT_EQ(WriteFailureReason(file), "");
  {
    platform::FixedFileSystem full(4096, platform::LargeFiles::Yes);
    platform::ScopedFileSystem use(full);
    EXPECT_EQ(WriteFailureReason(file), "No space left on device");
  }
  {
    // A FAT stick ends every file at 4 GiB.
    const std::string large = Recording("WMA_111111.wma", 0xFFFFFFFFll - 4096);
    platform::FixedFileSystem fat(1ull << 40, platform::LargeFiles::No);
    platform::ScopedFileSystem use(fat);
    EXPECT_EQ(WriteFailureReason(large), "File too large");
    EXPECT_EQ(WriteFailureReason(file), "");
    ::unlink(large.c_str());
  }
  ::unlink(file.c_str());
  EXPECT_EQ(WriteFailureReason(file), "No such file or directory");
  // Nothing is left behind by the look.
  for (const auto& entry : std::filesystem::directory_iterator(Folder()))
    EXPECT_NE(entry.path().filename().string().rfind(".auvry-write-", 0), 0u) << entry.path();
}

TEST(WriteFailure, TheMessageNamesTheFileAndTheReasonWhenThereIsOne) {
  EXPECT_EQ(WriteFailureMessage("/m/Capture/WMA_101010.wma", "File too large"),
            "The recording stopped: \"WMA_101010.wma\" could not be written (File too large). The recording so far is "
            "kept.");
  EXPECT_EQ(WriteFailureMessage("/m/Capture/WMA_101010.wma", ""),
            "The recording stopped: \"WMA_101010.wma\" could not be written. The recording so far is kept.");
}

}  // namespace
}  // namespace auvry
