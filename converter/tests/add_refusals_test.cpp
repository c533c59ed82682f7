// Which files an add left out: answers matched to the paths in the order they were sent, adds
// one after another, stopped adds and empty names.
#include <gtest/gtest.h>

#include <fstream>

#include "convengine/mordax_api.h"
#include "converter/add_refusals.h"
#include "platform/testkit/testkit.h"

namespace {

using converter::AddRefusals;

TEST(AddRefusals, EachRefusedFileIsNamedWithItsReasonOnceEveryAddHasEnded) {
  testkit::Environment env(testkit::CurrentTestName());
  const std::string listed = env.Home() + "a.mpg", gone = env.Home() + "gone.mpg";
  std::ofstream(listed) << "a clip";
  AddRefusals refusals;
  // The library passes over empty names, so the answers skip them too.
  refusals.Sent({listed, "", "/clips/notes.txt", gone});
  refusals.Sent({"/clips/b.mpg", listed});
  refusals.Answered(true, 0);
  refusals.Answered(false, Qn_ERR_MEDIA_INFO);
  refusals.Answered(false, Qn_ERR_DUPLICATE);
  EXPECT_FALSE(refusals.Ended());  // the second add still comes
  refusals.Answered(true, 0);
  refusals.Answered(false, Qn_ERR_DUPLICATE);
  EXPECT_TRUE(refusals.Ended());
  EXPECT_EQ(
      "These files were not added:\n\n"
      "/clips/notes.txt\n    it is not a video the converter can read\n" +
          gone + "\n    it no longer exists\n" + listed + "\n    it is in the list already",
      refusals.TakeMessage());
  EXPECT_EQ("", refusals.TakeMessage());  // told once
}

TEST(AddRefusals, AStoppedAddForgetsWhatWasNotAnsweredAndAWholeAddTellsNothing) {
  AddRefusals refusals;
  refusals.Sent({"/clips/bad.mpg", "/clips/never.mpg", "/clips/asked.mpg"});
  refusals.Answered(false, Qn_ERR_GENERAL);
  EXPECT_TRUE(refusals.Ended());  // stopped after the first answer
  EXPECT_EQ("This file was not added:\n\n/clips/bad.mpg\n    it could not be read", refusals.TakeMessage());
  // The next add's answers are not taken for the stopped one's.
  refusals.Sent({"/clips/good.mpg"});
  refusals.Answered(true, 0);
  EXPECT_TRUE(refusals.Ended());
  EXPECT_EQ("", refusals.TakeMessage());
  // Stray answers with nothing sent change nothing.
  refusals.Answered(false, Qn_ERR_MEDIA_INFO);
  EXPECT_TRUE(refusals.Ended());
  EXPECT_EQ("", refusals.TakeMessage());
}

TEST(AddRefusals, ALongListNamesTenAndCountsTheRest) {
  AddRefusals refusals;
  std::vector<std::string> paths;
  for (int i = 0; i < 25; ++i) paths.push_back("/clips/" + std::to_string(i) + ".txt");
  refusals.Sent(paths);
  for (int i = 0; i < 25; ++i) refusals.Answered(false, Qn_ERR_MEDIA_INFO);
  ASSERT_TRUE(refusals.Ended());
  const std::string text = refusals.TakeMessage();
  EXPECT_NE(std::string::npos, text.find("/clips/9.txt\n"));
  EXPECT_EQ(std::string::npos, text.find("/clips/10.txt"));
  EXPECT_EQ("can read\nand 15 more.", text.substr(text.size() - 21));
}

}  // namespace
