#include "recorder_services.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "platform/base/file.h"
#include "platform/base/process.h"
#include "platform/testkit/environment.h"

namespace studio {
namespace {

TEST(RecorderServices, FreeSpaceTrashAndPlayer) {
  testkit::Environment env;
  EXPECT_GT(GetFreeDiskSpaceMB(env.Home()), 0u);
  EXPECT_EQ(GetFreeDiskSpaceMB(""), 0u);
  EXPECT_FALSE(FreeDiskSpaceMB("").has_value());

  const std::string clip = env.Documents() + "take 1.wma";
  std::ofstream(clip) << "sound";
  EXPECT_TRUE(SendFileToRecycleBin(clip));
  EXPECT_FALSE(std::filesystem::exists(clip));
  EXPECT_TRUE(std::filesystem::exists(platform::TrashFolder() + "files/take 1.wma"));
  EXPECT_FALSE(SendFileToRecycleBin(clip));  // already gone
  EXPECT_FALSE(SendFileToRecycleBin(""));

  const std::string other = env.Documents() + "take 2.wma";
  std::ofstream(other) << "sound";
  EXPECT_TRUE(PlayWithAssociatedPlayer(other));
  const auto launches = platform::ReadLaunchRecords();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].verb, "open");
  EXPECT_EQ(launches[0].target, other);
  EXPECT_FALSE(PlayWithAssociatedPlayer(""));
}

}  // namespace
}  // namespace studio
