#include "platform/script/script_file.h"

#include <gtest/gtest.h>

#include "platform/base/message_box.h"
#include "platform/window/wm_messages.h"

namespace platform::script {
namespace {

const char* kScript = R"(# two programs
program Parvel
step "Convert the clip" 60
  wait-window "Publish - PSP"
  click 1012
  type 1003 "say \"hi\" \\ there"
  choose 1008 "PSP MPEG-4"
  answer yes
  answer 7 "Replace it?"
  wait-hidden 1015
  key 1116 Home
  drag 1003 "clip one" 2100
program corrin
step "Upload" 1.5
  close
)";

TEST(ScriptFile, EachProgramGetsItsOwnStepsWithTheirActions) {
  std::string error;
  const auto parvel = ParseScript(kScript, "parvel", "list.txt /PSP", &error);
  ASSERT_TRUE(parvel) << error;
  ASSERT_EQ(parvel->size(), 1u);
  const Step& step = (*parvel)[0];
  EXPECT_EQ(step.name, "Convert the clip");
  EXPECT_EQ(step.limitMs, 60000);
  ASSERT_EQ(step.actions.size(), 9u);
  EXPECT_EQ(step.actions[0].verb, Verb::kWaitWindow);
  EXPECT_EQ(step.actions[0].text, "Publish - PSP");
  EXPECT_EQ(step.actions[1].verb, Verb::kClick);
  EXPECT_EQ(step.actions[1].id, 1012);
  EXPECT_EQ(step.actions[2].text, "say \"hi\" \\ there");
  EXPECT_EQ(step.actions[3].verb, Verb::kChoose);
  EXPECT_EQ(step.actions[4].id, IDYES);
  EXPECT_EQ(step.actions[4].text, "");
  EXPECT_EQ(step.actions[5].id, 7);
  EXPECT_EQ(step.actions[5].text, "Replace it?");
  EXPECT_EQ(step.actions[6].line, 10);
  EXPECT_EQ(step.actions[7].verb, Verb::kKey);
  EXPECT_EQ(step.actions[7].id, 1116);
  EXPECT_EQ(step.actions[7].key, VK_HOME);
  EXPECT_EQ(step.actions[8].verb, Verb::kDrag);
  EXPECT_EQ(step.actions[8].id, 1003);
  EXPECT_EQ(step.actions[8].text, "clip one");
  EXPECT_EQ(step.actions[8].target, 2100);

  const auto corrin = ParseScript(kScript, "Corrin", "", &error);
  ASSERT_TRUE(corrin);
  ASSERT_EQ(corrin->size(), 1u);
  EXPECT_EQ((*corrin)[0].limitMs, 1500);
  EXPECT_TRUE(ParseScript(kScript, "Lanvik", "", &error)->empty());
  // A command line given picks the run: a program started again plays its own part.
  const char* runs =
      "program Lanvik \"\"\nstep \"first\" 1\nclose\nprogram Lanvik \"/NOINTRO\"\nstep \"again\" 1\nclose\n";
  EXPECT_EQ(ParseScript(runs, "Lanvik", "", &error)->at(0).name, "first");
  EXPECT_EQ(ParseScript(runs, "lanvik", "/NOINTRO", &error)->at(0).name, "again");
  EXPECT_TRUE(ParseScript(runs, "Lanvik", "/nointro", &error)->empty());
  EXPECT_EQ(ParseScript("program *\nstep \"s\" 1\nclose\n", "Anyone", "", &error)->size(), 1u);
}

TEST(ScriptFile, MalformedLinesAreRefusedWithTheirNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"step \"a\" 1\n", "line 1: a \"program\" line must come first"},
      {"program P\nclick 5\n", "line 2: an action before the first step"},
      {"program P /NOINTRO\n", "line 1: \"program\" takes a name and perhaps a quoted command line"},
      {"program P\nstep \"a\" 0\n", "line 2: a step's limit is a number of seconds from 0 to 3600"},
      {"program P\nstep \"a\" 99999\n", "line 2: a step's limit is a number of seconds from 0 to 3600"},
      {"program P\nstep a 5\n", "line 2: \"step\" takes a quoted name and seconds"},
      {"program P\nstep \"a\" 5\njump 3\n", "line 3: unknown action \"jump\""},
      {"program P\nstep \"a\" 5\nclick x\n", "line 3: \"x\" is not a control id"},
      {"program P\nstep \"a\" 5\nclick\n", "line 3: \"click\" needs a control id"},
      {"program P\nstep \"a\" 5\ntype 3 bare\n", "line 3: the text of \"type\" goes in double quotes"},
      {"program P\nstep \"a\" 5\ntype 3 \"open\n", "line 3: a text without its closing quote"},
      {"program P\nstep \"a\" 5\nanswer maybe\n", "line 3: \"maybe\" names no button"},
      {"program P\nstep \"a\" 5\nclose now\n", "line 3: too much after \"close\""},
      {"program P\nstep \"a\" 5\nkey 3\n", "line 3: \"key\" needs a key name"},
      {"program P\nstep \"a\" 5\nkey 3 \"home\"\n", "line 3: \"key\" needs a key name"},
      {"program P\nstep \"a\" 5\nkey 3 sideways\n", "line 3: \"sideways\" names no key"},
      {"program P\nstep \"a\" 5\nkey 3 home end\n", "line 3: too much after \"key\""},
      {"program P\nstep \"a\" 5\nwait-row 3 \"Edited\"\n", "line 3: \"wait-row\" needs a second text in double quotes"},
      {"program P\nstep \"a\" 5\nwait-row 3 \"Edited\" 0:04\n",
       "line 3: \"wait-row\" needs a second text in double quotes"},
      {"program P\nstep \"a\" 5\nwait-row 3 \"a\" \"b\" \"c\"\n", "line 3: too much after \"wait-row\""},
      {"program P\nstep \"a\" 5\ndrag 3 \"a\"\n", "line 3: \"drag\" needs the control id it drops on"},
      {"program P\nstep \"a\" 5\ndrag 3 \"a\" \"4\"\n", "line 3: \"drag\" needs the control id it drops on"},
      {"program P\nstep \"a\" 5\ndrag 3 \"a\" 4 5\n", "line 3: too much after \"drag\""},
  };
  for (const auto& [text, why] : cases) {
    std::string error;
    EXPECT_FALSE(ParseScript(text, "P", "", &error)) << text;
    EXPECT_EQ(error, why) << text;
  }
  // Another program's malformed action is refused too: the script is one file.
  std::string error;
  EXPECT_FALSE(ParseScript("program Q\nstep \"a\" 5\nclick x\n", "P", "", &error));
}

}  // namespace
}  // namespace platform::script
