// The main program played by scripts of user actions on its Burn step: a DVD of two clips onto
// the built-in writer's blank DVD+R, the project saved; then the project reopened, its disc
// project back, and made a Video CD image file.
#include <gtest/gtest.h>

#include <filesystem>

#include "dvd_nav_reader.h"
#include "platform/base/paths.h"
#include "platform/disc/drive_config.h"
#include "platform/testkit/testkit.h"
#include "script_support.h"

namespace studio::packs {
namespace {

using namespace testkit;

TEST(BurnStepScript, ADvdOfTwoClipsThenTheReopenedProjectAsAVideoCdImage) {
  Environment env(CurrentTestName());
  ASSERT_TRUE(RegisterInstalledPacks());
  const std::string first = MakeDvdClip(env.Documents() + "Birthday.mpg", 2);
  const std::string second = MakeDvdClip(env.Documents() + "Garden party.mpg", 3);
  const std::string project = env.Temp() + "Discs.ilj5";
  std::string failure = PlayQuillon(env, "dvd", R"(program Quillon
step "Quillon shows its Burn step" 60
  wait-window "Narvell Vidarro 5.0"
  click 1002
  wait-shown 2213
step "Two clips go onto the disc with a name and chapters" 60
  click 2202
  answer-file ")" + first + R"("
  click 2202
  answer-file ")" + second + R"("
  wait-text 2212 "2 titles"
  type 2206 "Summer"
  type 2210 "5"
  choose 2207 "DVD-Video"
step "The disc burns and the main window comes back" 240
  click 2213
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
  wait-enabled 1034
step "Quillon closes and keeps the project" 60
  click 1035
  answer yes
  answer-file ")" + project + R"("
  wait-gone "Narvell Vidarro 5.0"
)",
                                    {});
  ASSERT_EQ(failure, "");
  const std::string disc = platform::disc::DefaultImageFolder() + "WRITER.img";
  const std::string info = ToolOutput("lsdvd", {disc});
  EXPECT_NE(info.find("Title: 01, Length: 00:00:02"), std::string::npos) << info;
  EXPECT_NE(info.find("Title: 02, Length: 00:00:03"), std::string::npos) << info;
  DvdNavigation nav;
  std::string error;
  ASSERT_TRUE(ReadDvdNavigation(disc, &nav, &error)) << error;
  EXPECT_EQ(nav.firstPlay.kind, NavJump::MenuPage);
  ASSERT_EQ(nav.menuPages.size(), 1u);
  ASSERT_EQ(nav.menuPages[0].size(), 2u);
  EXPECT_EQ(nav.menuPages[0][1].jump.target, 2);
  EXPECT_EQ(nav.titleEnds.size(), 2u);

  const std::string bin = env.Documents() + "Summer VCD.bin";
  failure = PlayQuillon(env, "vcd", R"(program Quillon ")" + project + R"("
step "The reopened project's disc is back on the Burn step" 60
  wait-window "Narvell Vidarro 5.0"
  click 1002
  wait-text 2212 "2 titles"
  wait-text 2206 "Summer"
  wait-text 2210 "5"
step "The disc becomes a Video CD image file" 240
  choose 2207 "Video CD"
  choose 2208 "Image file"
  click 2213
  answer-file ")" + bin + R"("
  wait-message "Burning complete."
  answer ok
  wait-enabled 1002
step "Quillon closes without saving" 60
  click 1035
  answer no
  wait-gone "Narvell Vidarro 5.0"
)",
                        {project});
  ASSERT_EQ(failure, "");
  const std::string vcd = ToolOutput("vcd-info", {"--no-banner", "--cue-file", env.Documents() + "Summer VCD.cue"});
  EXPECT_NE(vcd.find("3: "), std::string::npos) << vcd;
  EXPECT_TRUE(std::filesystem::exists(first) && std::filesystem::exists(second));
}

}  // namespace
}  // namespace studio::packs
