// The main program itself, played by a script of user actions: a record-and-burn of DVD from the
// capture page to the built-in writer's blank DVD+R.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/base/paths.h"
#include "platform/base/process.h"
#include "platform/disc/drive_config.h"
#include "platform/testkit/testkit.h"
#include "script_support.h"

namespace studio::packs {
namespace {

using namespace testkit;

TEST(RecordAndBurnScript, TheCapturePageBurnsADvdAndTheMainWindowComesBack) {
  Environment env(CurrentTestName());
  ASSERT_TRUE(RegisterInstalledPacks());
  const std::string project = env.Temp() + "Burned.ilj5";
  const std::string script = env.Temp() + "quillon.script";
  std::ofstream(script) << R"(program Quillon
step "Quillon shows its capture page" 60
  wait-window "Narvell Vidarro 5.0"
  click 1000
  wait-text 1122 "DVD"
step "Record and burn 4 s of DVD" 60
  click 1048
  type 1039 "4"
  click 1024
  wait-shown 1025
step "The burner says it is done and the main window is back" 240
  wait-message "Burning complete."
  answer ok
  wait-enabled 1035
  wait-enabled 1001
step "Quillon closes" 60
  click 1035
  answer yes
  answer-file ")" + project + R"("
  wait-gone "Narvell Vidarro 5.0"
)";
  ScopedVariable scriptVariable("VIDARRO_SCRIPT", script);
  ScopedVariable report("VIDARRO_SCRIPT_REPORT", env.Temp() + "report.txt");
  ScopedVariable pictures("VIDARRO_SCRIPT_PICTURES", PictureFolder());
  ProgramProcess quillon;
  ASSERT_TRUE(quillon.Start("Quillon"));
  EXPECT_EQ(quillon.WaitForExit(400000), 0) << quillon.Output() << ReadText(env.Temp() + "report.txt");

  std::string info, err;
  int code = -1;
  platform::RunProcess("lsdvd", {platform::disc::DefaultImageFolder() + "WRITER.img"}, &info, &err, &code, 30000);
  EXPECT_NE(info.find("Title: 01, Length: 00:00:0"), std::string::npos) << info << err;
  EXPECT_EQ(info.find("Title: 02"), std::string::npos) << info;
}

}  // namespace
}  // namespace studio::packs
